// Line errors and modem-line changes: which notifications two samples of
// the driver's state give, and that an ordinary exchange gives none.
#include <sys/ioctl.h>

#include <chrono>

#include "CIComm.h"
#include "LineEvents.h"
#include "PtyPeer.h"
#include <gtest/gtest.h>

using namespace dxtest;
using dxlink::detail::CIComm;
using dxlink::detail::DescribeCommEvent;
using dxlink::detail::LineEventsBetween;
using dxlink::detail::LineSample;
using Codes = std::vector<int16_t>;

namespace {

LineSample Full() {
    LineSample s;
    s.haveCounts = true;
    s.haveLines = true;
    return s;
}

}  // namespace

TEST(LineEvents, EverythingAtOnceComesInFixedOrderWithItsClass) {
    const LineSample a = Full();
    EXPECT_TRUE(LineEventsBetween(a, a).empty());
    LineSample b = a;
    b.brk = b.frame = b.overrun = b.bufOverrun = b.parity = 7;  // once per kind, not per count
    b.lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI;
    const Codes got = LineEventsBetween(a, b);
    ASSERT_EQ(got, (Codes{1001, 1004, 1006, 1008, 1009, 3, 4, 5, 6}));
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(DescribeCommEvent(got[i]).eventClass, i < 5 ? 2 : 4) << got[i];
    // Falling edges count as changes too; unchanged counters give nothing.
    LineSample c = b;
    c.lines = 0;
    EXPECT_EQ(LineEventsBetween(b, c), (Codes{3, 4, 5, 6}));
}

TEST(LineEvents, ChangesSeenByOnlyOneSourceOrOnlyOurOwnLines) {
    const LineSample a = Full();
    LineSample pulse = a;  // CD dropped and came back between two looks
    pulse.dcd = 2;
    pulse.rng = 1;
    EXPECT_EQ(LineEventsBetween(a, pulse), (Codes{5, 6}));

    LineSample outputs = a;  // DTR and RTS are ours, not changes of the far end
    outputs.lines = TIOCM_DTR | TIOCM_RTS;
    EXPECT_TRUE(LineEventsBetween(a, outputs).empty());
}

TEST(LineEvents, PartsTheDeviceLacksGiveNothing) {
    LineSample noCounts = Full();
    noCounts.haveCounts = false;
    LineSample now = Full();
    now.parity = 3;
    now.cts = 1;
    now.lines = TIOCM_DSR;
    EXPECT_EQ(LineEventsBetween(noCounts, now), (Codes{4}));

    LineSample noLines = Full();
    noLines.haveLines = false;
    EXPECT_EQ(LineEventsBetween(noLines, now), (Codes{1009, 3}));
    EXPECT_TRUE(LineEventsBetween(LineSample{}, now).empty());
}

TEST(LineEvents, ExchangeOnPtyRaisesOnlyReceiveNotifications) {
    PtyPeer peer;
    setenv("DX410_COM1", peer.slavePath().c_str(), 1);
    CIComm ch;
    ch.TransferMode(1);
    ch.DTREnable(true);
    ch.RTSEnable(true);
    ch.EventLevel(7);
    ch.enaRcvEvent(-1);
    ch.Timeout(500);
    Codes events;
    ch.setEventPort([&](int16_t no, const std::string&) { events.push_back(no); });
    ASSERT_EQ(ch.openPort(), 0);
    peer.reply(4, "A0:84:43:04:19:00");
    for (uint8_t b : Hex("83:45:00:1A")) ASSERT_EQ(ch.sendB(b), 0);
    std::vector<uint8_t> got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (got.size() < 6 && std::chrono::steady_clock::now() < until) {
        const std::vector<uint8_t> part = ch.receiveB();
        got.insert(got.end(), part.begin(), part.end());
    }
    EXPECT_EQ(got, Hex("A0:84:43:04:19:00"));
    EXPECT_EQ(peer.takeSent(), Hex("83:45:00:1A"));
    EXPECT_EQ(ch.closePort(), 0);
    unsetenv("DX410_COM1");
    ASSERT_FALSE(events.empty());  // the receive notifications did get through
    for (int16_t no : events) EXPECT_EQ(no, 2);
}
