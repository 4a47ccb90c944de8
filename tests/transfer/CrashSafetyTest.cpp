// A writer killed at any moment leaves its file whole: the old content or
// the new, never a mix, never empty, and at most its one temporary file.
// Each writer runs in a child process SIGKILLed after a random delay (fixed
// seed) into its write loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "DumpFile.h"
#include "TempDir.h"
#include "dxcmd/Profile.h"
#include "dxparams/SettingFiles.h"

using namespace dxtest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(CrashSafety, KilledWritersLeaveAWholeVersion) {
    // tmpfs when there is one: the kills land in the writes, not in fsync
    TempDir dir(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path());
    // large enough that a writer truncating or writing in place is caught half done
    const auto text = [](char c, size_t kb) { return "[APPTYPE]\r\n[PAD]\r\nX=" + std::string(kb << 10, c) + "\r\n[COUNT]\r\n"; };
    const std::string a = text('a', 300), b = text('b', 200), target = dir.file("target");
    writeRaw(dir.file("a.orn"), a);
    writeRaw(dir.file("b.orn"), b);
    const auto aOrB = [&](const std::string& c) { return c == a || c == b; };
    const struct { const char* name; std::function<void(long)> write; std::function<bool(const std::string&)> whole; } writers[] = {
        {"current-settings file", [&](long v) { dxcmd::WriteProfileString(target, "COUNT", "N", std::to_string(v)); },
         [&](const std::string& c) {
             return c.starts_with(a + "N=") && c.ends_with("\r\n") &&
                    c.find_first_not_of("0123456789", a.size() + 2) == c.size() - 2;
         }},
        {"setting file copy", [&](long v) { dxparams::SaveSettingFileAs(dir.file(v % 2 ? "b.orn" : "a.orn"), target); }, aOrB},
        {"dump file", [&](long v) { dxtransfer::detail::PendingFile(target).commit(v % 2 ? b : a); }, aOrB},
    };
    std::mt19937 rng(11);
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        writeRaw(target, a);
        const auto t0 = std::chrono::steady_clock::now();
        for (long v = 1; v <= 3; ++v) w.write(v);
        // the kills spread over a few writes' time
        std::uniform_int_distribution<int64_t> delayUs(0, (std::chrono::steady_clock::now() - t0) * 4 / 3 / 1us);
        for (int kill = 0; kill < 60; ++kill) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                for (long v = 4; v < 100000; ++v) w.write(v);  // bounded, should the kill never come
                ::_exit(0);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";
            const std::string content = readRaw(target);
            ASSERT_TRUE(w.whole(content)) << "kill " << kill << ": no whole version (" << content.size() << " bytes)";
            int left = 0;  // what may be left is the one temporary file being written
            for (const auto& e : fs::directory_iterator(dir.path())) {
                const std::string name = e.path().filename().string();
                if (name.ends_with(".orn") || name == "target") continue;
                EXPECT_TRUE(name.starts_with(".target.") && ++left == 1) << "kill " << kill << ": stray file " << name;
                fs::remove(e.path());
            }
        }
    }
}
