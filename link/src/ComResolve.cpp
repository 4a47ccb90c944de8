#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "dxlink/dxlink.h"

namespace dxlink {

namespace {

// /dev entries "<prefix><digits>", numerically ordered.
std::vector<std::string> DevicesWithPrefix(const std::string& prefix) {
    std::vector<std::pair<unsigned long, std::string>> found;
    if (DIR* d = opendir("/dev")) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string digits = name.substr(prefix.size());
            if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            found.emplace_back(std::stoul(digits), "/dev/" + name);
        }
        closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

}  // namespace

ComResolution ResolveComPort(int n) {
    ComResolution r;
    if (n < 1) return r;
    const std::string var = "DX410_COM" + std::to_string(n);
    if (const char* v = std::getenv(var.c_str()); v && *v) {
        r.device = v;
        r.fromEnvironment = true;
        return r;
    }
    std::vector<std::string> all;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        auto part = DevicesWithPrefix(prefix);
        all.insert(all.end(), part.begin(), part.end());
    }
    if (size_t(n) <= all.size()) r.device = all[size_t(n) - 1];
    return r;
}

}  // namespace dxlink
