// The serial channel on its own: setting edits, handshaking bits, the
// receive waits and notifications.
#include <chrono>

#include "CIComm.h"
#include "PtyPeer.h"
#include <gtest/gtest.h>

using namespace dxtest;
using dxlink::detail::CIComm;
using dxlink::detail::PortSettingError;

TEST(Channel, HandshakingBitRules) {
    struct Case {
        int from;
        bool xon;  // true: XON let, false: RTS let
        bool value;
        int to;
    };
    const Case cases[] = {
        {3, true, false, 2}, {0, true, true, 1}, {2, true, true, 3}, {1, true, false, 0},
        {1, false, true, 3}, {3, false, false, 1}, {0, false, true, 2}, {2, false, false, 0},
    };
    for (const Case& c : cases) {
        CIComm ch;
        ch.port().setHandshaking(c.from);
        if (c.xon) ch.XON(c.value);
        else ch.RTS(c.value);
        EXPECT_EQ(ch.port().handshaking(), c.to) << c.from << (c.xon ? " XON " : " RTS ") << c.value;
    }
}

TEST(Channel, FieldEditsOfTheLineSettings) {
    CIComm ch;
    ch.Parity("EVEN");
    EXPECT_EQ(ch.setting(), "9600,e,8,1");
    ch.SBit("1.5");
    EXPECT_EQ(ch.setting(), "9600,e,8,1.5");
    ch.Baud("19200");
    ch.data("7");
    EXPECT_EQ(ch.setting(), "19200,e,7,1.5");
    ch.Parity("ODD");
    EXPECT_EQ(ch.setting(), "19200,o,7,1.5");
    ch.Parity("even");
    EXPECT_EQ(ch.setting(), "19200,n,7,1.5");
    ch.SBit("2");
    EXPECT_EQ(ch.setting(), "19200,n,7,2");
}

TEST(Channel, RejectedSettingsRaiseAndChangeNothing) {
    CIComm ch;
    EXPECT_THROW(ch.Baud("fast"), PortSettingError);
    EXPECT_THROW(ch.data("9"), PortSettingError);
    EXPECT_THROW(ch.SBit("3"), PortSettingError);
    EXPECT_THROW(ch.Com(0), PortSettingError);
    EXPECT_EQ(ch.setting(), "9600,n,8,1");
    // setPort stops at the first failing step and reports its number.
    EXPECT_EQ(ch.setPort(0, "4800,e,8,1"), dxlink::detail::kErrInvalidPortNumber);
    EXPECT_EQ(ch.setting(), "9600,n,8,1");
    EXPECT_EQ(ch.setPort(2, "4800,e,7,2"), 0);
    EXPECT_EQ(ch.setting(), "4800,e,7,2");
    EXPECT_EQ(ch.port().portNumber(), 2);
}

class ChannelOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("DX410_COM1", peer.slavePath().c_str(), 1);
        ch.TransferMode(1);
        ASSERT_EQ(ch.openPort(), 0);
        ch.setEventPort([this](int16_t no, const std::string& msg) { events.emplace_back(no, msg); });
    }
    void TearDown() override { unsetenv("DX410_COM1"); }
    void waitQueued(int n) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (ch.port().inBufferCount() < n && std::chrono::steady_clock::now() < until) ch.port().waitInput(50, false);
        ASSERT_GE(ch.port().inBufferCount(), n);
    }

    PtyPeer peer;
    CIComm ch;
    std::vector<std::pair<int16_t, std::string>> events;
};

TEST_F(ChannelOnPty, ReceiveBTakesWhatWasQueuedAtEntry) {
    ch.Timeout(0);
    EXPECT_TRUE(ch.receiveB().empty());  // no time-out: no wait at all
    peer.push(Hex("01:02:03"));
    waitQueued(3);
    EXPECT_EQ(ch.receiveB(), Hex("01:02:03"));
    EXPECT_EQ(ch.port().readLength(), 3);
}

TEST_F(ChannelOnPty, ReceiveNotificationFollowsThresholdAndLevel) {
    ch.Timeout(500);
    ch.EventLevel(3);
    ch.enaRcvEvent(-1);
    peer.push(Hex("A0"));
    EXPECT_EQ(ch.receiveB(), Hex("A0"));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, 2);
    EXPECT_EQ(events.front().second, "RThreshold プロパティで指定された数の文字を受信しました");

    events.clear();
    ch.enaRcvEvent(1);  // only -1 switches it on
    peer.push(Hex("A0"));
    EXPECT_EQ(ch.receiveB(), Hex("A0"));
    ch.enaRcvEvent(-1);
    ch.EventLevel(2);
    peer.push(Hex("A0"));
    EXPECT_EQ(ch.receiveB(), Hex("A0"));
    EXPECT_TRUE(events.empty());
}

TEST_F(ChannelOnPty, LineReaderKeepsPeekedLineWhenBuffering) {
    ch.TransferMode(0);
    ch.Timeout(500);
    ch.Buffering(true);
    peer.push({'A', 'B', '\r', 'C', 'D', '\r'});
    EXPECT_EQ(ch.receiveCmd(0), "AB");
    EXPECT_EQ(ch.lineBuffer(), "AB");
    EXPECT_EQ(ch.receiveCmd(0), "ABCD");
    ch.Buffering(false);
    EXPECT_TRUE(ch.lineBuffer().empty());
}

TEST_F(ChannelOnPty, LineReaderTimesOutWithPartialLine) {
    ch.TransferMode(0);
    ch.Timeout(60);
    ch.Buffering(true);
    ch.EventLevel(2);
    peer.push({'X', 'Y'});
    EXPECT_EQ(ch.receiveCmd(1), "");
    EXPECT_EQ(ch.lineBuffer(), "XY");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, 101);
    EXPECT_EQ(events[0].second, "データが不完全なままタイムアウトしました");
}
