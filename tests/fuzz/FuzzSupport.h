// What the fuzz targets share: a check that fails the run as a crash does,
// and scratch files for the inputs that only a path can reach.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::dxfuzz::Fail(#cond, __FILE__, __LINE__))

namespace dxfuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

inline std::string Text(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// A folder of this process's own, removed at exit. tmpfs when there is one:
// the writers fsync every file, which on a disk would set the pace.
inline const std::string& ScratchDir() {
    // never destroyed: the clean-up at exit still needs it
    static const std::string* dir = [] {
        const char* base = std::getenv("DXFUZZ_SCRATCH");
        std::string root = base && *base              ? base
                           : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                             : std::filesystem::temp_directory_path().string();
        std::string tmpl = root + "/dxfuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) Fail("scratch folder", __FILE__, __LINE__);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return new std::string(tmpl);
    }();
    return *dir;
}

inline std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

inline std::string WriteScratch(const std::string& name, const std::string& bytes) {
    const std::string path = ScratchPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) Fail("scratch file", __FILE__, __LINE__);
    return path;
}

}  // namespace dxfuzz
