// Conversations with a scripted camera on a pty: what goes on the line,
// what comes back, and what the link makes of it.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "LinkFixture.h"

using namespace dxtest;
using dxlink::detail::HexTextBytes;
using Clock = std::chrono::steady_clock;

namespace {

long MsSince(Clock::time_point t) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

}  // namespace

TEST(CommandText, BecomesBytes) {
    const std::pair<const char*, Bytes> cases[] = {
        {"83:45:00:1C", {0x83, 0x45, 0x00, 0x1C}},
        {"83: 45", {0x83, 0x45}},
        {"1c", {0x1C}},
        {"5", {0x55}},
        {"123", {0x13}},
        {"G1", {0x01}},
        {"83:45:", {0x83, 0x45, 0x00}},
        {"", {0x00}},
        {":45", {0x05}},
        {"b1:01:  0a:82:03:04", {0xB1, 0x01, 0x0A, 0x82, 0x03, 0x04}},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(HexTextBytes(text), bytes) << '"' << text << '"';
}

// How much of a reply is known to be still due: the read sleeps through
// the line time of all but the last of those bytes, so a count too high
// would read late, and Complete too soon would cut a reply.
TEST(ReplyRules, WhatIsStillDue) {
    using dxlink::detail::AckReplyState;
    using dxlink::detail::QueryReplyState;
    using dxlink::detail::ReplyState;
    const struct {
        const char* reply;
        bool query;  // else an acknowledgement of 2 bytes
        ReplyState state;
        size_t missing;
    } cases[] = {
        {"", true, ReplyState::Incomplete, 0},
        {"A0", true, ReplyState::Incomplete, 1},              // a header at least
        {"A0:84", true, ReplyState::Incomplete, 4},
        {"A0:84:43:04", true, ReplyState::Incomplete, 2},
        {"A0:84:43:04:19:00", true, ReplyState::Complete, 0},
        {"A0:84:43:04:19:00:77", true, ReplyState::Complete, 0},
        {"A0:8F", true, ReplyState::Incomplete, 3},           // length, group and item at least
        {"A0:8F:23", true, ReplyState::Incomplete, 34},  // the length byte counts itself
        {"A0:8F:23:06:02", true, ReplyState::Incomplete, 32},
        {"A0:8F:02", true, ReplyState::Unknown, 0},
        {"A0:90", true, ReplyState::Unknown, 0},
        {"A1", true, ReplyState::Unknown, 0},
        {"", false, ReplyState::Incomplete, 2},
        {"A0", false, ReplyState::Incomplete, 1},
        {"A0:01", false, ReplyState::Expected, 0},
        {"A0:01:02", false, ReplyState::Unknown, 0},
    };
    for (const auto& c : cases) {
        const Bytes reply = Hex(c.reply);
        const auto check = c.query ? QueryReplyState(reply, "A0") : AckReplyState(reply, 2);
        EXPECT_EQ(check.state, c.state) << c.reply;
        EXPECT_EQ(check.missing, c.missing) << c.reply;
    }
}

// A byte following a whole reply back to back is due one character time
// after the last; the wait covers that and a quarter more, and never drops
// under what scheduling alone can delay.
TEST(ReplyRules, BackToBackWait) {
    const struct {
        int64_t characterUs, waitUs;
    } cases[] = {{1145, 1431}, {2291, 2863}, {95, 1000}, {0, 1000}};
    for (const auto& c : cases)
        EXPECT_EQ(dxlink::detail::BackToBackWaitMicros(c.characterUs), c.waitUs) << c.characterUs;
}

TEST_F(LinkTest, CommandGoesOutOneWritePerByteAndNothingElse) {
    auto link = openLink();
    peer.reply(4, "A0");
    const size_t writesBefore = link->channel()->port().writeCalls();
    EXPECT_EQ(link->cmd("83:45:00:1C", "A0"), 0);
    EXPECT_EQ(link->channel()->port().writeCalls() - writesBefore, 4u);
    link->PortClose();
    EXPECT_EQ(peer.takeSent(), Hex("83:45:00:1C"));
}

TEST_F(LinkTest, CmdStatusByReply) {
    // A reply longer than the acknowledgement is seen whole, not cut at the
    // ack, whether it comes in one piece or byte after byte at line rate.
    const struct {
        const char* reply;  // nullptr: silence
        int paceUs;         // 0: in one write
        int16_t status;
    } cases[] = {
        {"A0", 0, 0},          {"A0:00", 0, 1},    {"A0:00", 1146, 1}, {"A0:A0", 1146, 1},
        {"A0:00:00", 1146, 1}, {"A1", 0, 1},       {nullptr, 0, 2},
    };
    auto link = openLink(150);
    for (const auto& c : cases) {
        if (c.reply) peer.reply(3, c.reply, c.paceUs);
        EXPECT_EQ(link->cmd("82:45:02", "A0"), c.status) << (c.reply ? c.reply : "silence") << " " << c.paceUs;
        EXPECT_EQ(peer.takeSent(), Hex("82:45:02"));
    }
}

TEST_F(LinkTest, CmdRecvReplyForms) {
    auto link = openLink(150);
    peer.reply(3, "A0:84:43:04:19:00");
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
    peer.reply(3, "A0:01");
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "");
    peer.reply(3, "A0");
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "");
    EXPECT_TRUE(dxlink_link_idle());
    peer.reply(3, "A1:84:43:04:19:00");
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "NL");
    EXPECT_FALSE(dxlink_link_idle());
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "NL");  // silence
}

TEST_F(LinkTest, CmdRecvWaitsForAWholeFrame) {
    auto link = openLink(500);
    // At line rate with no post-send wait.
    peer.reply(3, "A0:84:43:04:19:00", 1150);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
    // Long form: 8F, length 4 counting itself, three more bytes.
    peer.reply(3, "A0:8F:04:01:02:03", 1150);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "8F:04:01:02:03");
    // In two chunks, as a USB adapter hands them over.
    peer.reply(3, {Segment{Hex("A0:84:43"), 0, 0}, Segment{Hex("04:19:00"), 20000, 0}});
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
}

TEST_F(LinkTest, CmdRecvFaultyReplies) {
    auto link = openLink(300);
    // Short frame: what came is returned once the line stays quiet.
    peer.reply(3, "A0:84:43");
    auto t0 = Clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "84:43");
    EXPECT_LT(MsSince(t0), 280);
    // Noise with no frame header is read until quiet, paced or not, and
    // from a sender that stalls between bytes longer than an
    // acknowledgement's gap.
    peer.reply(3, "A0:FF:12:34", 1150);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "FF:12:34");
    peer.reply(3, "A0:90:42:13:02", 2600);
    EXPECT_EQ(link->CmdRecv("82:02:13", "A0", 0), "90:42:13:02");
    // A long-frame length below 3 cannot be right: all of it goes to the host.
    for (const char* r : {"A0:8F:01:43:02:02:2C", "A0:8F:02:43:02:02:2C"}) {
        peer.reply(3, r, 1150);
        EXPECT_EQ(link->CmdRecv("82:03:02", "A0", 0), std::string(r).substr(3));
    }
}

TEST_F(LinkTest, PostSendWaitEndsWhenReplyIsWhole) {
    auto link = openLink(300);
    peer.reply(3, "A0:84:43:04:19:00");
    const auto t0 = Clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 3000), "84:43:04:19:00");
    EXPECT_LT(MsSince(t0), 1500);
    EXPECT_EQ(dxlink_reply_wait_ms(), 3000);
}

TEST_F(LinkTest, PostSendWaitRunsItsCourseForAnIncompleteReply) {
    auto link = openLink(300);
    peer.reply(3, "A0");
    const auto t0 = Clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 200), "");
    EXPECT_GE(MsSince(t0), 200);
}

TEST_F(LinkTest, RecvLengths) {
    auto link = openLink(150);
    EXPECT_EQ(link->Recv(3), "NL:NL:NL");
    peer.reply(1, "A0:01");
    EXPECT_EQ(link->Send("11"), 0);
    EXPECT_EQ(link->Recv(0), "");  // reads nothing: the reply is still there
    EXPECT_EQ(link->Recv(4), "A0:01:NL:NL");
    peer.reply(1, "A0:01:02", 1150);
    EXPECT_EQ(link->Send("11"), 0);
    EXPECT_EQ(link->Recv(2), "A0:01:");
    EXPECT_EQ(link->Recv(-2), "");
    EXPECT_EQ(link->Recv(1025).substr(0, 6), "NL:NL:");
}

TEST_F(LinkTest, TextExchanges) {
    auto link = openLink(150);
    EXPECT_EQ(link->SendStr("TITLE", 2), 0);
    EXPECT_EQ(peer.takeSent(), Bytes({'T', 'I', 'T', 'L', 'E', '\r'}));
    EXPECT_EQ(link->SendStr("X", 7), 0);
    EXPECT_EQ(peer.takeSent(), Bytes({'X'}));

    peer.reply(4, {Segment{{'O', 'K', '\r', '\n'}, 0, 1150}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 1), 0);
    EXPECT_EQ(peer.takeSent(), Bytes({'A', 'T', '\r', '\n'}));
    peer.reply(3, {Segment{{'O', 'K', '\r'}, 0, 0}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 3), 1);  // wrong terminator
    peer.reply(3, {Segment{{'O', 'K', 0, 'x', '\n'}, 0, 0}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 3), 1);  // text stops at NUL
}

TEST_F(LinkTest, ExchangesOnAPortThatDidNotOpen) {
    setenv("DX410_COM1", "/nonexistent/tty", 1);
    LinkPtr link = NewLink();
    EXPECT_EQ(link->PortOpen(1, 1), 1);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 0), "NL");
    EXPECT_EQ(link->cmd("82:45:02", "A0"), 2);
    EXPECT_EQ(link->Send("82:45:02"), 0);
    EXPECT_EQ(link->Recv(2), "NL:NL");
    EXPECT_EQ(link->CmdStr("AT", "OK", 1), 1);
    EXPECT_EQ(link->SendStr("AT", 1), -1);
}

// The acknowledgement after a query reply is written just before the port is
// closed; it must still reach a far side that reads only afterwards.
TEST(Close, KeepsWhatWasWrittenForALateReader) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const int held = open(slave.c_str(), O_RDWR | O_NOCTTY);  // keeps the master readable
    ASSERT_GE(held, 0);
    setenv("DX410_COM1", slave.c_str(), 1);

    LinkPtr link = NewLink();
    ASSERT_EQ(link->PortOpen(1, 1), 0);
    EXPECT_EQ(link->Send("A0"), 0);
    link->PortClose();

    pollfd p{master, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    uint8_t b[8];
    ASSERT_EQ(read(master, b, sizeof b), 1);
    EXPECT_EQ(b[0], 0xA0);

    unsetenv("DX410_COM1");
    close(held);
    close(master);
}
