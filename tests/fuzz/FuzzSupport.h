// What the fuzz targets share: a check that fails the run as a crash does,
// and scratch files for the inputs that only a path can reach.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#define FUZZ_CHECK(cond) \
    ((cond) ? (void)0 : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond), std::abort()))

namespace dxfuzz {

inline std::string Text(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// A folder of this process's own, removed at exit; on tmpfs when there is
// one, for the writers fsync every file and a disk would set the pace.
inline const std::string& ScratchDir() {
    static const std::string* dir = [] {  // never destroyed: the clean-up at exit needs it
        const bool shm = ::access("/dev/shm", W_OK) == 0;
        std::string tmpl = (shm ? "/dev/shm" : std::filesystem::temp_directory_path().string()) + "/dxfuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(tmpl.data()));
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(ScratchDir(), ec); });
        return new std::string(tmpl);
    }();
    return *dir;
}

inline std::string WriteScratch(const std::string& name, const std::string& bytes) {
    const std::string path = ScratchDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size())).flush();
    FUZZ_CHECK(out);
    return path;
}

}  // namespace dxfuzz
