#include "RawClient.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace simtest;
using dxsim::Fault;

namespace {

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

TEST(Faults, EachKindShapesTheAnswer) {
    SimLine l;
    RawClient& c = l.client;

    l.sim.injectFault("82:03:04", Fault::BadFirstByte);
    c.send("82:03:04");
    EXPECT_EQ(c.read(6), "A0:90:43:04:19:00");

    l.sim.injectFault("82:03", Fault::Truncated);
    c.send("82:03:04");
    EXPECT_EQ(c.read(5), "A0:84:43:04:19");
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:01");  // nothing else was pending
    l.sim.injectFault("82:02", Fault::Truncated);  // a four-byte reply loses a byte too
    c.send("82:02:12");
    EXPECT_EQ(c.read(4), "A0:83:42:12");

    l.sim.injectFault("83:42:12", Fault::NoiseBefore);
    c.send("83:42:12:01");
    EXPECT_EQ(c.read(4), "00:7F:3C:A0");
    EXPECT_EQ(l.sim.state().value02[0x12], 1);

    // a refused or swallowed command changes nothing
    l.sim.injectFault("83:42:12", Fault::WrongAck);
    EXPECT_EQ(c.command("83:42:12:05"), "A1");
    l.sim.injectFault("83:42:12", Fault::NoReply);
    c.send("83:42:12:06");
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:01");

    l.sim.injectFault("", Fault::WrongAck, 2);
    EXPECT_EQ(c.query("82:02:12"), "A1");
    EXPECT_EQ(c.query("82:03:04"), "A1");
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:01");

    auto met = l.sim.faultsMet();
    ASSERT_EQ(met.size(), 8u);
    EXPECT_EQ(met[0], std::make_pair(std::string("82:03:04"), Fault::BadFirstByte));
    EXPECT_EQ(met[2], std::make_pair(std::string("82:02:12"), Fault::Truncated));
    EXPECT_EQ(met[5], std::make_pair(std::string("83:42:12:06"), Fault::NoReply));
}

TEST(Faults, LateAnswerComesAfterTheDelay) {
    dxsim::Options o = fastOptions();
    o.lateMs = 250;
    SimLine l(o);
    l.sim.injectFault("82:03:04", Fault::Late);
    auto t0 = std::chrono::steady_clock::now();
    l.client.send("82:03:04");
    EXPECT_EQ(l.client.read(6, 3s), "A0:84:43:04:19:00");
    EXPECT_GE(msSince(t0), 250.0);
}

TEST(Faults, StopEndsALateWait) {
    dxsim::Options o = fastOptions();
    o.lateMs = 20000;
    SimLine l(o);
    l.sim.injectFault("", Fault::Late);
    l.client.send("82:03:04");
    ASSERT_TRUE(l.sim.waitForFrames(1, 2s));
    auto t0 = std::chrono::steady_clock::now();
    l.sim.stop();
    EXPECT_LT(msSince(t0), 10000.0);
}

TEST(Faults, SeededRateIsReproducible) {
    auto run = [](uint32_t seed) {
        dxsim::Options o = fastOptions();
        o.lateMs = 0;
        SimLine l(o);
        l.sim.setFaultRate(0.5, seed);
        for (int i = 0; i < 40; ++i) {
            char b[16];
            std::snprintf(b, sizeof b, "83:42:12:%02X", i % 10);
            l.client.send(b);
        }
        EXPECT_TRUE(l.sim.waitForFrames(40, 5s));
        return l.sim.faultsMet();
    };
    auto a = run(42), b = run(42), other = run(43);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_GT(a.size(), 5u);
    EXPECT_LT(a.size(), 35u);
    std::map<Fault, int> kinds;
    for (auto& [cmd, f] : a) ++kinds[f];
    EXPECT_GT(kinds.size(), 2u);
    EXPECT_EQ(kinds.count(Fault::HangUp), 0u);
}

TEST(Line, HangUpGivesTheHostAnIoError) {
    SimLine l;
    l.sim.injectFault("82:45:29", Fault::HangUp);
    EXPECT_EQ(l.client.query("82:02:12"), "A0:83:42:12:01");
    l.client.send("82:45:29");
    pollfd p{l.client.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    uint8_t b;
    EXPECT_LE(::read(l.client.fd(), &b, 1), 0);
    EXPECT_FALSE(l.sim.running());
    EXPECT_FALSE(l.sim.state().menuOn);
    RawClient again(l.sim.devicePath());
    EXPECT_FALSE(again.isOpen());
}

TEST(Line, HostCanLockTheLineAndReopenIt) {
    dxsim::CameraSim sim(fastOptions());
    ASSERT_TRUE(sim.start());
    for (int round = 0; round < 2; ++round) {
        RawClient host(sim.devicePath());
        ASSERT_TRUE(host.isOpen());
        EXPECT_EQ(::flock(host.fd(), LOCK_EX | LOCK_NB), 0);
        EXPECT_EQ(::ioctl(host.fd(), TIOCEXCL), 0);
        if (::geteuid() != 0) {  // root may open an exclusive tty anyway
            RawClient second(sim.devicePath());
            EXPECT_FALSE(second.isOpen());
        }
        EXPECT_EQ(host.query("82:03:05"), "A0:84:43:05:0C:40");
        EXPECT_EQ(::ioctl(host.fd(), TIOCNXCL), 0);
    }
    EXPECT_TRUE(sim.running());
    EXPECT_EQ(sim.received().size(), 2u);
}

// Paced, both directions take their line time: the camera handles a frame
// only once its bytes have crossed the line one after another (behind any
// frame still crossing, the host's bare A0 included), and its answer goes
// out at the same rate after the turnaround.
TEST(Line, PacedExchangesTakeTheLineTimeBothWays) {
    std::string setTitle = "8F:1B:46:00";
    for (int i = 0; i < 24; ++i) setTitle += ":21";
    std::string titleReply = "A0:8F:33:06:00";
    for (int i = 0; i < 24; ++i) titleReply += ":02:01";
    const struct {
        std::string sent;  // written at once, one byte a write
        bool query;
        std::string answer;
        int turnaroundMs;
    } cases[] = {
        {"83:42:12:01", false, "A0", 0},
        {"84:43:06:02:2C", false, "A0", 0},
        {setTitle, false, "A0", 0},
        {"A0:82:03:04", true, "A0:84:43:04:19:00", 0},  // the host's A0 first
        {"82:06:00", true, titleReply, 0},
        {"82:45:2A", false, "A0", 40},
    };
    dxsim::Options o;
    o.quietMs = 1000;
    SimLine l(o);
    for (const auto& c : cases) {
        l.sim.setTurnaroundMs(c.turnaroundMs);
        const double bytes = double((c.sent.size() + 1) / 3 + (c.answer.size() + 1) / 3);
        const auto t0 = std::chrono::steady_clock::now();
        l.client.send(c.sent);
        EXPECT_EQ(l.client.readAnswer(c.query), c.answer) << c.sent;
        EXPECT_GE(msSince(t0), c.turnaroundMs + bytes * 11.0 / 9.6) << c.sent;
    }
}

// A host that knows the --link path may start before the device line is
// out; its frames are still traced, after that line.
TEST(Program, ServesOnItsLinkTracesAndCleansUp) {
    const std::string link = "/tmp/dxcamsim-test-" + std::to_string(::getpid());
    ::unlink(link.c_str());
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(DXCAMSIM_PATH, "dxcamsim", "--no-pace", "--turnaround", "0", "--model", "410", "--link",
                link.c_str(), "--verbose", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char target[256] = {};
    for (auto end = std::chrono::steady_clock::now() + 5s; ::readlink(link.c_str(), target, sizeof target - 1) <= 0;) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "no " << link;
        pollfd none{-1, 0, 0};
        ::poll(&none, 1, 1);
    }
    const std::string reply = "A0:8F:0F:06:00:04:04:05:08:02:0D:03:04:03:01:03:00";  // DX-410
    {
        RawClient c(link);
        ASSERT_TRUE(c.isOpen());
        EXPECT_EQ(c.query("82:06:00"), reply);
    }
    const std::string want = "dxcamsim: camera on " + std::string(target) + "\n<< 82:06:00\n>> " + reply + "\n";
    std::string got;
    for (auto end = std::chrono::steady_clock::now() + 5s; got.size() < want.size();) {
        pollfd p{out[0], POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buf[128];
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, want);
    ::kill(pid, SIGTERM);
    // its stdout closes when it exits
    bool exited = false;
    for (auto end = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < end;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char buf[128];
            if (::read(out[0], buf, sizeof buf) <= 0) {
                exited = true;
                break;
            }
        }
    }
    if (!exited) ::kill(pid, SIGKILL);
    EXPECT_TRUE(exited);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(out[0]);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st;
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
}

namespace {

// dxcamsim with extra options: its first stdout line, then its exit status
// once SIGTERM (or its own refusal) ended it. Bounded throughout.
struct SimProgram {
    pid_t pid = -1;
    int out = -1;

    explicit SimProgram(std::vector<std::string> args) {
        int p[2];
        if (::pipe(p) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(p[1], 1);
            ::close(p[0]);
            std::vector<char*> argv{const_cast<char*>("dxcamsim"), const_cast<char*>("--no-pace")};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(DXCAMSIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(p[1]);
        out = p[0];
    }
    ~SimProgram() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0) ::close(out);
    }
    std::string firstLine() {
        std::string line;
        for (auto end = std::chrono::steady_clock::now() + 5s; line.find('\n') == std::string::npos;) {
            pollfd p{out, POLLIN, 0};
            if (std::chrono::steady_clock::now() > end || ::poll(&p, 1, 100) < 0) break;
            char c;
            if (p.revents && ::read(out, &c, 1) != 1) break;
            if (p.revents) line += c;
        }
        return line;
    }
    // The exit status; -1 when it did not end within the bound.
    int status(bool terminate) {
        if (terminate) ::kill(pid, SIGTERM);
        for (auto end = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < end;) {
            int st = 0;
            if (::waitpid(pid, &st, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            }
            pollfd none{-1, 0, 0};
            ::poll(&none, 1, 5);
        }
        return -1;
    }
};

}  // namespace

// The memory size a bench asks for, and the values it refuses.
TEST(Program, DumpPacketsSizesTheMemory) {
    const struct {
        const char* value;
        const char* highest;  // the answer to 82:0B:04; nullptr: refused
    } cases[] = {
        {"1", "A0:83:4B:04:00"},
        {"200", "A0:84:4B:04:01:47"},
        {"16384", "A0:84:4B:04:7F:7F"},
        {"0", nullptr},
        {"16385", nullptr},
        {"64x", nullptr},
    };
    for (const auto& c : cases) {
        SimProgram sim({"--dump-packets", c.value});
        if (!c.highest) {
            EXPECT_EQ(sim.status(false), 2) << c.value;
            continue;
        }
        const std::string line = sim.firstLine();
        ASSERT_EQ(line.rfind("dxcamsim: camera on ", 0), 0u) << c.value << ": " << line;
        {
            RawClient client(line.substr(20, line.size() - 21));
            ASSERT_TRUE(client.isOpen()) << c.value;
            EXPECT_EQ(client.query("82:0B:04"), c.highest) << c.value;
        }
        EXPECT_EQ(sim.status(true), 0) << c.value;
    }
}
