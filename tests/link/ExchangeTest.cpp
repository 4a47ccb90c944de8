// The link library against a scripted camera on a pty: what goes on the
// line, what comes back, what the link makes of it, how long it waits, the
// port it opens; and below it the channel, the parity marks, line events,
// COM numbering and the waits, each at the layer that owns it.
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <ctime>

#include "ComResolve.h"
#include "ExComCtrl.h"
#include "PtyPeer.h"
#include <gtest/gtest.h>

using namespace dxtest;
using namespace dxlink::detail;
using dxlink::PortError;
using Clock = std::chrono::steady_clock;

namespace {

long MsSince(Clock::time_point t) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// the peer's thread sleeps between its bytes: what is spent is the link's
long CpuMs() { return long(std::clock() / (CLOCKS_PER_SEC / 1000)); }

// "A0:84|43:04": a second chunk 20 ms after the first, as a USB adapter
// hands them over.
std::vector<Segment> Reply(const std::string& text, int paceUs = 0) {
    std::vector<Segment> out;
    for (size_t from = 0; from <= text.size();) {
        const size_t bar = std::min(text.find('|', from), text.size());
        out.push_back({Hex(text.substr(from, bar - from)), out.empty() ? 0 : 20000, paceUs});
        from = bar + 1;
    }
    return out;
}

struct Pump {
    int calls = 0;
    bool idles = false;  // as a nested PortClose would
};
void RunPump(void* p) {
    auto& pump = *static_cast<Pump*>(p);
    if (++pump.calls && pump.idles) dxlink_set_link_idle(true);
}

int EndInits = 0;
void CountEndInit(void*) { ++EndInits; }

}  // namespace

TEST(CommandText, BecomesBytes) {
    const std::pair<const char*, Bytes> cases[] = {
        {"83:45:00:1C", {0x83, 0x45, 0x00, 0x1C}}, {"83: 45", {0x83, 0x45}}, {"1c", {0x1C}}, {"5", {0x55}},
        {"123", {0x13}}, {"G1", {0x01}}, {"83:45:", {0x83, 0x45, 0x00}}, {"", {0x00}}, {":45", {0x05}},
        {"b1:01:  0a:82:03:04", {0xB1, 0x01, 0x0A, 0x82, 0x03, 0x04}}};
    for (const auto& [text, bytes] : cases) EXPECT_EQ(HexTextBytes(text), bytes) << '"' << text << '"';
}

// How much of a reply is still due: the read sleeps through the line time of
// all but the last of those bytes, so a count too high reads late, and
// Complete too soon cuts a reply. After a reply as long as expected, a longer
// one goes on back to back: a character time and a quarter, at least 1 ms.
TEST(ReplyRules, WhatIsStillDue) {
    using enum ReplyState;
    const struct { const char* reply; bool query; ReplyState state; size_t missing; } cases[] = {  // else 2 bytes ack
        {"", true, Incomplete, 0}, {"A0", true, Incomplete, 1}, {"A0:84:43:04", true, Incomplete, 2},
        {"A0:84:43:04:19:00", true, Complete, 0}, {"A0:84:43:04:19:00:77", true, Complete, 0},
        {"A0:8F", true, Incomplete, 3}, {"A0:8F:23:06:02", true, Incomplete, 32}, {"A0:8F:02", true, Unknown, 0},
        {"A0:90", true, Unknown, 0}, {"A1", true, Unknown, 0}, {"A0", false, Incomplete, 1},
        {"A0:01", false, Expected, 0}, {"A0:01:02", false, Unknown, 0}};
    for (const auto& c : cases) {
        const auto check = c.query ? QueryReplyState(Hex(c.reply), "A0") : AckReplyState(Hex(c.reply), 2);
        EXPECT_EQ(std::pair(check.state, check.missing), std::pair(c.state, c.missing)) << c.reply;
    }
    for (const auto& [charUs, waitUs] : {std::pair{1145, 1431}, {2291, 2863}, {95, 1000}})
        EXPECT_EQ(BackToBackWaitMicros(charUs), waitUs) << charUs;
}

TEST(Channel, HandshakingBitsAndFieldEdits) {
    const struct { int from; bool xon, value; int to; } cases[] = {  // xon false: the RTS let
        {3, true, false, 2}, {0, true, true, 1},  {2, true, true, 3},  {1, true, false, 0},
        {1, false, true, 3}, {3, false, false, 1}, {0, false, true, 2}, {2, false, false, 0}};
    for (const auto& c : cases) {
        CIComm ch;
        ch.port().setHandshaking(c.from);
        c.xon ? ch.XON(c.value) : ch.RTS(c.value);
        EXPECT_EQ(ch.port().handshaking(), c.to) << c.from << (c.xon ? " XON " : " RTS ") << c.value;
    }
    CIComm ch;
    ch.SBit("1.5");
    ch.Parity("even");  // only "EVEN" is even
    // setPort stops at the first failing step and reports its number
    EXPECT_EQ(ch.setPort(0, "4800,e,8,1"), kErrInvalidPortNumber);
    EXPECT_EQ(ch.setting(), "9600,n,8,1.5");
    EXPECT_EQ(ch.setPort(2, "4800,e,7,2"), 0);
    EXPECT_EQ(ch.setting(), "4800,e,7,2");
}

TEST(MarkedInput, FailedBytesReadAsTheReplacementAlsoWhenCut) {
    const struct { std::vector<std::string> reads; std::string out; size_t failed; } cases[] = {
        {{std::string("\xFF\x00\x00", 3)}, "?", 1},  // a break
        {{"\xA0\xFF", std::string("\x00\x43", 2), "\x12"}, "\xA0?\x12", 1},
        {{std::string("\xFF\x00", 2), "\x43"}, "?", 1},
        {{"\xFF", "\xFF\x05"}, "\xFF\x05", 0}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        MarkedInput in;
        std::string out;
        size_t failed = 0;
        for (const auto& r : cases[i].reads) failed += in.decode(r, "?", out);
        EXPECT_EQ(std::pair(out, failed), std::pair(cases[i].out, cases[i].failed)) << "case " << i;
    }
}

// Two samples of the driver's state: a fixed order, once per kind, falling
// edges too, our own DTR and RTS never, nothing from a part a sample lacks.
TEST(LineEvents, WhatTwoSamplesGive) {
    const int in = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI;
    const LineSample full{.haveCounts = true, .haveLines = true}, none{},
        all{true, 7, 7, 7, 7, 7, 0, 0, 0, 0, true, in}, dropped{true, 7, 7, 7, 7, 7, 0, 0, 0, 0, true, 0},
        pulse{.haveCounts = true, .dcd = 2, .rng = 1, .haveLines = true},  // CD went and came back between looks
        ours{.haveCounts = true, .haveLines = true, .lines = TIOCM_DTR | TIOCM_RTS},
        noCounts{.haveLines = true}, noLines{.haveCounts = true},
        some{.haveCounts = true, .parity = 3, .cts = 1, .haveLines = true, .lines = TIOCM_DSR};
    const struct { LineSample before, now; std::vector<int16_t> want; } cases[] = {
        {full, full, {}}, {full, all, {1001, 1004, 1006, 1008, 1009, 3, 4, 5, 6}}, {all, dropped, {3, 4, 5, 6}},
        {full, pulse, {5, 6}}, {full, ours, {}}, {noCounts, some, {4}}, {noLines, some, {1009, 3}}, {none, some, {}}};
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(LineEventsBetween(cases[i].before, cases[i].now), cases[i].want) << "case " << i;
}

TEST(ComNumbers, OrderIsUsbThenAcmThenOnboardEachNumerically) {
    EXPECT_EQ(OrderSerialDevices({"ttyS1", "ttyUSB10", "tty0", "ttyACM0", "ttyUSB2", "ttyS0", "ttyUSBx", "console",
                                  "ttyS10", "ttyS2"}),
              (std::vector<std::string>{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1",
                                        "/dev/ttyS2", "/dev/ttyS10"}));
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("DX410_COM1", peer.slavePath().c_str(), 1); }
    void TearDown() override {
        dxlink_set_event_pump(nullptr, nullptr);
        unsetenv("DX410_COM1");
    }
    std::unique_ptr<ExComCtrl> openLink(int16_t serialTimeout) {
        auto link = std::make_unique<ExComCtrl>();
        link->put_SerialTimeout(serialTimeout);
        EXPECT_EQ(link->PortOpen(1, 1), 0) << dxlink_port_error_text(int(link->LastOpenError()));
        return link;
    }

    PtyPeer peer;
};

// Below the link, on its channel: receiveB takes what was queued when it
// began; receive notifications come only with -1 and level 1, and a pty
// gives no other kind; the line reader keeps a peeked line when buffering,
// and a partial one at its time-out.
TEST_F(LinkTest, ChannelReceiveWaitsAndNotifications) {
    auto link = openLink(500);
    CIComm& ch = *link->channel();
    std::vector<std::pair<int16_t, std::string>> events;
    ch.setEventPort([&](int16_t no, const std::string& msg) { events.emplace_back(no, msg); });
    peer.reply(1, Reply("01:02:03"));
    ch.sendB(0x11);
    for (auto until = Clock::now() + std::chrono::seconds(2); ch.port().inBufferCount() < 3 && Clock::now() < until;)
        ch.port().waitInput(50, false);
    EXPECT_EQ(ch.receiveB(), Hex("01:02:03"));
    EXPECT_EQ(ch.port().readLength(), 3);
    for (const auto& [enable, level, seen] : {std::tuple{-1, 7, true}, {1, 7, false}, {-1, 2, false}}) {
        ch.enaRcvEvent(enable);
        ch.EventLevel(int16_t(level));
        events.clear();
        peer.reply(4, Reply("A0"));
        EXPECT_EQ(link->cmd("83:45:00:1C", "A0"), 0);
        EXPECT_EQ(!events.empty(), seen) << enable << " " << level;
        for (const auto& e : events) EXPECT_EQ(e.first, 2);
    }
    ch.TransferMode(0);
    ch.Buffering(true);
    peer.reply(1, {{{'A', 'B', '\r', 'C', 'D', '\r'}}});
    ch.sendB(0x11);
    EXPECT_EQ(ch.receiveCmd(0), "AB");
    EXPECT_EQ(ch.receiveCmd(0), "ABCD");  // the peeked line starts the next
    ch.Timeout(60);
    ch.bufferClear();
    peer.reply(1, {{{'X', 'Y'}}});
    ch.sendB(0x11);
    EXPECT_EQ(ch.receiveCmd(1), "");
    EXPECT_EQ(ch.lineBuffer(), "XY");
    EXPECT_EQ(events, (decltype(events){{101, "データが不完全なままタイムアウトしました"}}));
}

// One write a byte, nothing before or after; a reply longer than the
// acknowledgement is seen whole, in one piece or byte after byte.
TEST_F(LinkTest, CmdStatusByReply) {
    const struct { const char* reply; int paceUs; int16_t status; } cases[] = {  // nullptr: silence
        {"A0", 0, 0}, {"A0:00", 0, 1}, {"A0:00", 1146, 1}, {"A1", 0, 1}, {nullptr, 0, 2}};
    auto link = openLink(150);
    for (const auto& c : cases) {
        if (c.reply) peer.reply(4, Reply(c.reply, c.paceUs));
        const size_t writes = link->channel()->port().writeCalls();
        EXPECT_EQ(link->cmd("83:45:00:1C", "A0"), c.status) << (c.reply ? c.reply : "silence") << " " << c.paceUs;
        EXPECT_EQ(link->channel()->port().writeCalls() - writes, 4u);
        EXPECT_EQ(peer.takeSent(), Hex("83:45:00:1C"));
    }
}

// What CmdRecv returns, and in what time: it reads on until the frame its
// header announces is whole, until a quiet line ends anything else, and
// ends its post-send wait once the reply is whole. The host's pump runs
// throughout, every 10 ms or so however the waits are cut, but no more
// often, for each run may repaint; the waits cost next to no CPU.
TEST_F(LinkTest, CmdRecvReadsWholeFramesInTime) {
    std::string longFrame = "A0:8F:3C:46:02";
    for (int i = 0; i < 57; ++i) longFrame += ":41";
    const struct { std::string reply; int paceUs, waitMs; const char* want; long minMs, maxMs; } cases[] = {
        {"A0:84:43:04:19:00", 1150, 0, "84:43:04:19:00", 0, 1000},  // want "*": the reply without its A0
        {"A0:8F:04:01:02:03", 1150, 0, "8F:04:01:02:03", 0, 1000},  // the length byte counts itself
        {"A0:84:43|04:19:00", 0, 0, "84:43:04:19:00", 0, 1000},
        {longFrame, 1150, 200, "*", 0, 2000},
        {"A0:84:43", 0, 0, "84:43", 0, 280},                  // short: back once the line is quiet
        {"A0:FF:12:34", 1150, 0, "FF:12:34", 0, 1000},        // no header; a real FF, doubled by the tty
        {"A0:90:42:13:02", 2600, 0, "90:42:13:02", 0, 1000},  // a sender stalling between bytes
        {"A0:8F:02:43:02:02:2C", 1150, 0, "*", 0, 1000},      // a length below 3 holds no frame
        {"A0:84:43:04:19:00", 0, 3000, "84:43:04:19:00", 0, 1500},
        {"A0", 0, 200, "", 200, 1000},  // an incomplete reply: the wait runs its course
        {"A0:01", 0, 0, "", 0, 1000},
        {"A1:84:43:04:19:00", 0, 0, "NL", 0, 1000},
        {"", 0, 100, "NL", 400, 1500}};  // silence: post-send wait, then the serial time-out
    auto link = openLink(300);
    Pump pump;
    dxlink_set_event_pump(RunPump, &pump);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply + " paced " + std::to_string(c.paceUs) + ", wait " + std::to_string(c.waitMs));
        if (!c.reply.empty()) peer.reply(3, Reply(c.reply, c.paceUs));
        pump.calls = 0;
        const long cpu = CpuMs();
        const auto t0 = Clock::now();
        const std::string got = link->CmdRecv("82:03:04", "A0", int16_t(c.waitMs));
        const long ms = MsSince(t0);
        EXPECT_EQ(got, c.want == std::string("*") ? c.reply.substr(3) : c.want);
        EXPECT_TRUE(ms >= c.minMs && ms <= c.maxMs) << ms << " ms";
        EXPECT_TRUE(pump.calls >= ms / 20 && pump.calls <= ms / 10 + 2) << pump.calls << " pump runs in " << ms;
        EXPECT_LT(CpuMs() - cpu, 100);
        EXPECT_EQ(dxlink_link_idle(), got != "NL");
        EXPECT_EQ(dxlink_reply_wait_ms(), c.waitMs);
        EXPECT_EQ(peer.takeSent(), Hex("82:03:04"));
    }
    // a nested PortOpen or PortClose ends the outer post-send wait at once
    pump.idles = true;
    peer.reply(3, Reply("A0", 0));
    const auto t0 = Clock::now();
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 5000), "");
    EXPECT_LT(MsSince(t0), 2000);
}

// Without a pump a wait is one poll(); a far end that hangs up ends it at once.
TEST_F(LinkTest, WaitsBlockAndEndAtAHangUp) {
    auto link = openLink(300);
    long cpu = CpuMs();
    auto t0 = Clock::now();
    EXPECT_EQ(link->cmd("82:45:02", "A0"), 2);
    EXPECT_GE(MsSince(t0), 300);
    EXPECT_LT(CpuMs() - cpu, 100);
    auto gone = std::make_unique<PtyPeer>();
    setenv("DX410_COM1", gone->slavePath().c_str(), 1);
    link = openLink(3000);
    gone.reset();
    cpu = CpuMs();
    t0 = Clock::now();
    EXPECT_EQ(link->cmd("82:45:02", "A0"), 2);
    EXPECT_EQ(link->CmdRecv("82:03:04", "A0", 500), "NL");
    EXPECT_LT(MsSince(t0), 1500);
    EXPECT_LT(CpuMs() - cpu, 100);
}

TEST_F(LinkTest, RecvSendStrAndCmdStr) {
    auto link = openLink(150);
    EXPECT_EQ(link->Recv(3), "NL:NL:NL");
    peer.reply(1, Reply("A0:01", 0));
    EXPECT_EQ(link->Send("11"), 0);
    EXPECT_EQ(link->Recv(0), "");  // reads nothing: the reply is still there
    EXPECT_EQ(link->Recv(4), "A0:01:NL:NL");
    peer.reply(1, Reply("A0:01:02", 1150));
    EXPECT_EQ(link->Send("11"), 0);
    EXPECT_EQ(link->Recv(2), "A0:01:");
    EXPECT_EQ(link->Recv(-2), "");
    EXPECT_EQ(link->Recv(1025).substr(0, 6), "NL:NL:");
    EXPECT_EQ(link->SendStr("TITLE", 2), 0);
    EXPECT_EQ(link->SendStr("X", 7), 0);
    EXPECT_EQ(peer.takeSent(), Bytes({0x11, 0x11, 'T', 'I', 'T', 'L', 'E', '\r', 'X'}));
    peer.reply(4, {{{'O', 'K', '\r', '\n'}, 0, 1150}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 1), 0);
    EXPECT_EQ(peer.takeSent(), Bytes({'A', 'T', '\r', '\n'}));
    peer.reply(3, {{{'O', 'K', '\r'}}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 3), 1);  // wrong terminator
    peer.reply(3, {{{'O', 'K', 0, 'x', '\n'}}});
    EXPECT_EQ(link->CmdStr("AT", "OK", 3), 1);  // text stops at NUL
}

// A pty cannot fail parity; a socket served as a marking port can. The
// kernel hands a failed byte over as FF 00 x, a real FF as FF FF.
// The second query row follows a failed one: failures count per reply.
TEST_F(LinkTest, MarkedReplyAFailedByteMakesNoReply) {
    const struct { const char* wire; bool query; const char* want; } cases[] = {  // want: CmdRecv's, or cmd's status
        {"A0:84:43:04:FF:00:19:00", true, "NL"}, {"A0:83:43:04:FF:FF", true, "83:43:04:FF"},
        {"FF:00:A0", false, "1"}, {"A0", false, "0"}};
    auto link = openLink(300);
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv), 0);
    link->channel()->port().adoptMarked(sv[0]);
    for (const auto& c : cases) {
        const Bytes wire = Hex(c.wire);
        ASSERT_EQ(write(sv[1], wire.data(), wire.size()), ssize_t(wire.size()));
        EXPECT_EQ(c.query ? link->CmdRecv("82:03:04", "A0", 0) : std::to_string(link->cmd("82:45:02", "A0")), c.want)
            << c.wire;
        uint8_t sent[16];
        EXPECT_EQ(read(sv[1], sent, sizeof sent), 3) << c.wire;
    }
    close(sv[1]);
}

// A port that does not open is said and raises EndInit, and a write to it
// fails; a port is held by one link at a time until closed or released; a
// setting the device rejects leaves it closed.
TEST_F(LinkTest, PortOpening) {
    auto first = openLink(300);
    const struct { const char* device; PortError error; int err; const char* text; } cases[] = {  // err 0: by rights
        {"/dev/no-such-tty", PortError::NotFound, ENOENT, "not found"},
        {"/dev/null", PortError::NotSerial, ENOTTY, "not a serial device"},
        {peer.slavePath().c_str(), PortError::Busy, 0, "busy"}};  // held by the first link
    for (const auto& c : cases) {
        setenv("DX410_COM2", c.device, 1);
        ExComCtrl link;
        EXPECT_EQ(link.get_SerialTimeout(), 5000);
        EndInits = 0;
        link.SetEndInitHandler(CountEndInit, nullptr);
        dxlink_set_link_idle(false);
        EXPECT_EQ(link.PortOpen(3, 2), 1);
        EXPECT_EQ(std::tuple(EndInits, link.ResolvedDevice(), dxlink_link_idle()), std::tuple(1, c.device, true));
        EXPECT_EQ(std::tuple(link.LastOpenError(), link.get_DeviceType(), link.get_port()), std::tuple(c.error, 3, 2));
        if (c.err) { EXPECT_EQ(link.LastOpenErrno(), c.err); }
        EXPECT_STREQ(dxlink_port_error_text(int(link.LastOpenError())), c.text);
        EXPECT_EQ(link.SendStr("AT", 1), -1);
    }
    unsetenv("DX410_COM2");
    first->PortClose();
    openLink(300);  // released without PortClose, like the next
    first->put_Databit(9);
    EXPECT_EQ(first->PortOpen(1, 1), 1);
    EXPECT_EQ(first->LastOpenError(), PortError::Other);
    openLink(300);
}

TEST_F(LinkTest, LineSettingsTheDeviceHolds) {
    const tcflag_t c8 = CS8 | CLOCAL | CREAD, marks = INPCK | PARMRK;  // a failed byte marked, never passed on
    const struct { int16_t baud, stop, flow, parity; const char* setting; speed_t speed; tcflag_t cflag, iflag; }
        cases[] = {{0, 0, 0, 0, "9600,e,8,1", B9600, c8, marks},  // the defaults
                   {19200, 3, 1, 1, "19200,o,8,2", B19200, c8 | CSTOPB, marks | IXON | IXOFF},
                   {19200, 2, 2, 1, "19200,o,8,1.5", B19200, c8 | CSTOPB | CRTSCTS, marks}};  // 1.5: the longer frame
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        ExComCtrl link;
        for (auto [put, v] : {std::pair{&ExComCtrl::put_Baudrate, c.baud}, {&ExComCtrl::put_Stopbit, c.stop},
                              {&ExComCtrl::put_FlowControl, c.flow}, {&ExComCtrl::put_Parity, c.parity}})
            if (v) (link.*put)(v);
        ASSERT_EQ(link.PortOpen(1, 1), 0);
        EXPECT_EQ(link.channel()->setting(), c.setting);
        termios t{};
        ASSERT_EQ(tcgetattr(link.channel()->port().fd(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & (CSIZE | HUPCL | CLOCAL | CREAD | CSTOPB | CRTSCTS), c.cflag);
        EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | IGNPAR | ISTRIP | IXON | IXOFF), c.iflag);
        // a pty keeps no parity bits: what was asked of it
        EXPECT_EQ(link.channel()->port().requested().c_cflag & (PARENB | PARODD),
                  c.parity == 1 ? tcflag_t(PARENB | PARODD) : tcflag_t(PARENB));
    }
}

// The acknowledgement after a query reply is written just before the port is
// closed; it must still reach a far side that reads only afterwards.
TEST(Close, KeepsWhatWasWrittenForALateReader) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const int held = open(ptsname(master), O_RDWR | O_NOCTTY);  // keeps the master readable
    setenv("DX410_COM1", ptsname(master), 1);
    ExComCtrl link;
    ASSERT_EQ(link.PortOpen(1, 1), 0);
    EXPECT_EQ(link.Send("A0"), 0);
    link.PortClose();
    unsetenv("DX410_COM1");
    uint8_t b[8] = {};
    pollfd p{master, POLLIN, 0};
    EXPECT_TRUE(poll(&p, 1, 1000) == 1 && read(master, b, sizeof b) == 1 && b[0] == 0xA0);
    close(held);
    close(master);
}
