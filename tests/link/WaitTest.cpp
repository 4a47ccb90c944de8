// Waits block in poll(), keep the host's pump running, and keep their
// bounds.
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "LinkFixture.h"

using namespace dxtest;

namespace {

long ThreadCpuMs() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

struct PumpLog {
    int calls = 0;
    bool idleAfter = false;
};

void Pump(void* ctx) {
    auto* log = static_cast<PumpLog*>(ctx);
    ++log->calls;
    if (log->idleAfter) dxlink_set_link_idle(true);  // as a nested PortClose would
}

}  // namespace

TEST_F(LinkTest, IdleWaitCostsLittleCpu) {
    auto link = openLink(1000);
    const long before = ThreadCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->cmd("82:45:02", "A0"), 2);
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(ThreadCpuMs() - before, 100);
}

TEST_F(LinkTest, PumpRunsThroughoutAWait) {
    auto link = openLink(200);
    PumpLog log;
    dxlink_set_event_pump(Pump, &log);
    const long before = ThreadCpuMs();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 100), "NL");
    EXPECT_GE(log.calls, 10);  // ~300 ms in slices of ~10 ms
    EXPECT_LT(ThreadCpuMs() - before, 100);
}

TEST_F(LinkTest, PumpKeepsRunningWhileBytesKeepArriving) {
    auto link = openLink(2000);
    PumpLog log;
    dxlink_set_event_pump(Pump, &log);
    // a long frame arriving at line rate: no slice ever times out
    std::string reply = "A0:8F:3C:46:02";
    for (int i = 0; i < 57; ++i) reply += ":41";
    peer.reply(3, reply, 1150);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->CmdRecv("82:06:02", "A0", 200).size(), reply.size() - 3);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_GE(log.calls, int(ms.count() / 20)) << ms.count() << " ms";  // about every 10 ms
}

TEST_F(LinkTest, LinkIdleCutsThePostSendWaitShort) {
    auto link = openLink(300);
    PumpLog log{0, true};
    dxlink_set_event_pump(Pump, &log);
    peer.reply(3, "A0");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 5000), "");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2000));
}

TEST_F(LinkTest, NoReplyTimesOutAtSerialTimeout) {
    auto link = openLink(250);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "NL");
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
}

// Waits of a few character times are kept to the microsecond and see
// input.
TEST(Wait, MicrosecondBounds) {
    using dxlink::detail::WaitOnMicros;
    using dxlink::detail::WaitResult;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    for (const int64_t us : {0, 300, 2292}) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(WaitOnMicros(fds[0], POLLIN, us, true), WaitResult::TimedOut) << us;
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::microseconds(us)) << us;
    }
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_EQ(WaitOnMicros(fds[0], POLLIN, 2292, false), WaitResult::Ready);
    EXPECT_EQ(WaitOnMicros(fds[0], POLLIN, -1, false), WaitResult::Ready);
    close(fds[0]);
    close(fds[1]);
}

// The pump keeps the host live through a wait however it is cut, and no
// more often than every 10 ms: each run may repaint, so a run per short
// wait (one per reply byte) would cost for nothing.
TEST(Wait, PumpRunsEveryTenMillisecondsHoweverWaitsAreCut) {
    using dxlink::detail::WaitOnMicros;
    using dxlink::detail::WaitResult;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const struct {
        int waits;
        int64_t us;  // each
    } cases[] = {{1, 25000}, {11, 2292}, {60, 500}};
    PumpLog log;
    for (const auto& c : cases) {
        dxlink_set_event_pump(Pump, &log);
        log.calls = 0;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < c.waits; ++i) EXPECT_EQ(WaitOnMicros(fds[0], POLLIN, c.us, true), WaitResult::TimedOut);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
        EXPECT_GE(log.calls, 1) << c.waits << " x " << c.us;
        EXPECT_LE(log.calls, int(ms.count() / 10) + 1) << c.waits << " x " << c.us << ", " << ms.count() << " ms";
    }
    dxlink_set_event_pump(nullptr, nullptr);
    close(fds[0]);
    close(fds[1]);
}

TEST(DeviceGone, WaitEndsAtOnceWithoutSpinning) {
    auto peer = std::make_unique<PtyPeer>();
    setenv("DX410_COM1", peer->slavePath().c_str(), 1);
    LinkPtr link = NewLink();
    link->put_SerialTimeout(3000);
    ASSERT_EQ(link->PortOpen(1, 1), 0);
    peer.reset();  // the far end hangs up
    const long before = ThreadCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->cmd("82:45:02", "A0"), 2);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 500), "NL");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));
    EXPECT_LT(ThreadCpuMs() - before, 100);
    link->PortClose();
    unsetenv("DX410_COM1");
}
