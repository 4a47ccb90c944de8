// A writer killed at any moment leaves its file whole: the old content or
// the new, never a mix, never empty. Each writer runs in a child process
// that is SIGKILLed after a random delay (fixed seed) into its write loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include "DumpFile.h"
#include "TempDir.h"
#include "dxcmd/Profile.h"
#include "dxparams/SettingFiles.h"

using namespace dxtest;

namespace {

using Clock = std::chrono::steady_clock;

struct Writer {
    std::string target;
    std::set<std::string> others;         // files of the folder that are not the writer's
    std::function<void(long)> write;      // writes version v of the target
    std::function<long(const std::string&)> version;  // of a content; -1: no whole version
    bool ordered = true;                  // versions only go up
};

// Large enough that writing one takes many pages: a writer that truncates
// or writes in place would be caught half done.
std::string filler(char c, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += i % 64 == 63 ? '\n' : c;
    return s;
}

struct Outcome {
    int kills = 0, unchanged = 0, advanced = 0, leftovers = 0;
};

Outcome killRepeatedly(const Writer& w, int kills, uint32_t seed) {
    namespace fs = std::filesystem;
    Outcome out;
    // how long one write takes here, so that the kills spread over a few
    const auto t0 = Clock::now();
    const long first = w.version(readRaw(w.target));
    for (long v = 1; v <= 3; ++v) w.write(first + v);
    const auto cycle = (Clock::now() - t0) / 3;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int64_t> delayNs(0, std::chrono::nanoseconds(cycle * 4).count());

    long current = w.version(readRaw(w.target));
    for (int k = 0; k < kills; ++k) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(ready[0]);
            [[maybe_unused]] ssize_t n = ::write(ready[1], "r", 1);
            // bounded, should the kill never come
            for (long v = current + 1; v < current + 100000; ++v) w.write(v);
            ::_exit(0);
        }
        EXPECT_GT(pid, 0);
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 5000), 1) << "the writer never started";
        ::close(ready[0]);
        const int64_t ns = delayNs(rng);
        const timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
        ::nanosleep(&ts, nullptr);
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";
        ++out.kills;

        const std::string content = readRaw(w.target);
        const long v = w.version(content);
        EXPECT_GE(v, 0) << "kill " << k << ": the file holds no whole version (" << content.size() << " bytes)";
        if (v < 0) return out;
        if (w.ordered) {
            EXPECT_GE(v, current) << "kill " << k << ": an older version came back";
        }
        ++(v == current ? out.unchanged : out.advanced);
        current = v;

        // what may be left is the one temporary file being written
        const std::string prefix = "." + fs::path(w.target).filename().string() + ".";
        int left = 0;
        for (const auto& e : fs::directory_iterator(fs::path(w.target).parent_path())) {
            const std::string name = e.path().filename().string();
            if (e.path() == w.target || w.others.count(e.path().string())) continue;
            EXPECT_EQ(name.rfind(prefix, 0), 0u) << "kill " << k << ": stray file " << name;
            ++left;
            fs::remove(e.path());
        }
        EXPECT_LE(left, 1) << "kill " << k;
        out.leftovers += left;
    }
    return out;
}

void report(const char* what, const Outcome& o) {
    std::printf("%s: %d kills, %d left the old version, %d a newer one, %d temporary files left\n", what, o.kills,
                o.unchanged, o.advanced, o.leftovers);
}

constexpr int kKills = 60;

// tmpfs when there is one: a kill is about the process, not the disk, and
// there fsync costs nothing, so the kills land in the writes themselves.
std::filesystem::path scratchBase() {
    return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
}

}  // namespace

TEST(CrashSafety, CurrentSettingsFileWrittenKeyByKey) {
    TempDir dir(scratchBase());
    Writer w;
    w.target = dir.file("current.orn");
    const std::string head = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n[PAD]\r\nX=" + filler('x', 128 << 10) + "\r\n[COUNT]\r\n";
    const auto text = [head](long v) { return head + "N=" + std::to_string(v) + "\r\n"; };
    writeRaw(w.target, text(0));
    w.write = [&w](long v) { dxcmd::WriteProfileString(w.target, "COUNT", "N", std::to_string(v)); };
    w.version = [text](const std::string& c) {
        const size_t at = c.rfind("N=");
        if (at == std::string::npos) return -1L;
        const long v = std::atol(c.c_str() + at + 2);
        return c == text(v) ? v : -1L;
    };
    report("current-settings file", killRepeatedly(w, kKills, 11));
}

TEST(CrashSafety, SettingFileSavedAs) {
    TempDir dir(scratchBase());
    Writer w;
    w.target = dir.file("site.dat");
    const std::string a = dir.file("a.orn"), b = dir.file("b.orn");
    const std::string textA = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n;" + filler('a', 300 << 10);
    const std::string textB = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n;" + filler('b', 200 << 10);
    writeRaw(a, textA);
    writeRaw(b, textB);
    writeRaw(w.target, textA);
    w.others = {a, b};
    w.ordered = false;
    w.write = [&](long v) { ASSERT_EQ(dxparams::SaveSettingFileAs(v % 2 ? b : a, w.target), dxparams::SaveAsResult::Copied); };
    w.version = [&](const std::string& c) { return c == textA ? 0L : c == textB ? 1L : -1L; };
    report("setting file copy", killRepeatedly(w, kKills, 12));
}

TEST(CrashSafety, DumpFileOfADownload) {
    TempDir dir(scratchBase());
    Writer w;
    w.target = dir.file("camera.dump");
    std::string textA, textB;
    for (int k = 0; k < 4096; ++k) {
        textA += "8F:16:4A:00:" + std::to_string(10 + k % 90) + ":00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:10:11\r\n";
        textB += "8F:16:4A:00:" + std::to_string(10 + k % 90) + ":00:11:12:13:14:15:16:17:18:19:1A:1B:1C:1D:1E:1F:20:21\r\n";
    }
    textA += "\r\n";
    textB += "\r\n\r\n";
    writeRaw(w.target, textA);
    w.ordered = false;
    w.write = [&](long v) {
        dxtransfer::detail::PendingFile f(w.target);
        ASSERT_TRUE(f.commit(v % 2 ? textB : textA)) << f.error();
    };
    w.version = [&](const std::string& c) { return c == textA ? 0L : c == textB ? 1L : -1L; };
    report("dump file", killRepeatedly(w, kKills, 13));
}
