#include "ComResolve.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "dxlink/dxlink.h"

namespace dxlink {

namespace detail {

std::vector<std::string> OrderSerialDevices(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<unsigned long, std::string>> found;
        for (const std::string& name : names) {
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string digits = name.substr(prefix.size());
            if (digits.size() > 6 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            found.emplace_back(std::stoul(digits), "/dev/" + name);
        }
        std::sort(found.begin(), found.end());
        for (auto& f : found) out.push_back(std::move(f.second));
    }
    return out;
}

}  // namespace detail

ComResolution ResolveComPort(int n) {
    ComResolution r;
    if (n < 1) return r;
    const std::string var = "DX410_COM" + std::to_string(n);
    if (const char* v = std::getenv(var.c_str()); v && *v) {
        r.device = v;
        r.fromEnvironment = true;
        return r;
    }
    std::vector<std::string> names;
    if (DIR* d = opendir("/dev")) {
        while (dirent* e = readdir(d)) names.emplace_back(e->d_name);
        closedir(d);
    }
    const std::vector<std::string> all = detail::OrderSerialDevices(names);
    if (size_t(n) <= all.size()) r.device = all[size_t(n) - 1];
    return r;
}

}  // namespace dxlink
