// What keeps the simulated camera faithful to a real one on the line: its
// pacing at the line rate, multi-drop addressing, framing on a noisy line,
// the packet checksum, the faults it injects, and the program around it.
// What it answers is exercised by the conversations of the layers above.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "Camera.h"
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace dxsim;
using detail::Bytes;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Reads up to n bytes from fd (or until it ends), bounded by limit.
std::string ReadBytes(int fd, size_t n, std::chrono::milliseconds limit) {
    std::string out;
    for (const auto end = Clock::now() + limit; out.size() < n && Clock::now() < end;) {
        pollfd p{fd, POLLIN, 0};
        char buf[256];
        if (poll(&p, 1, int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count())) <= 0)
            break;
        const ssize_t got = read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) break;
        out.append(buf, size_t(got));
    }
    return out;
}

// A bare host on the camera's line: one write a byte, bounded reads.
struct Client {
    explicit Client(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ~Client() { close(fd); }
    void send(const std::string& text) {
        Bytes b;
        EXPECT_TRUE(text.empty() || detail::fromText(text, &b)) << text;
        for (uint8_t c : b) EXPECT_EQ(write(fd, &c, 1), 1);
    }
    // The answer of as many bytes as `want` has, as command text.
    std::string answer(const std::string& want, std::chrono::milliseconds limit = 2000ms) {
        const std::string got = ReadBytes(fd, (want.size() + 1) / 3, limit);
        return detail::toText(Bytes(got.begin(), got.end()));
    }
    std::string ask(const std::string& text, const std::string& want) {
        send(text);
        return answer(want);
    }
    int fd;
};

// no pacing, no turnaround; a loaded machine must not split a frame
const Options kFast{.paced = false, .turnaroundMs = 0, .quietMs = 1000};

// One frame to a camera with no line between: "" for a plain A0, "A1" for a refusal.
std::string Ask(detail::Camera& cam, const std::string& text, Clock::time_point at = Clock::now()) {
    Bytes f;
    EXPECT_TRUE(detail::fromText(text, &f)) << text;
    const detail::Answer a = cam.handle(f, at);
    return a.accepted ? detail::toText(a.reply) : "A1";
}

struct Line {
    explicit Line(Options o = kFast) : sim(o), started(sim.start()), client(sim.devicePath()) {}
    CameraSim sim;
    bool started;
    Client client;
};

}  // namespace

// Paced, both directions take their line time: the camera takes a frame
// only once its bytes have crossed the line one after another (behind any
// frame still crossing, the host's unanswered A0 included), and answers at
// the same rate after the turnaround.
TEST(Line, PacedExchangesTakeTheLineTimeBothWays) {
    std::string setTitle = "8F:1B:46:00", titleReply = "A0:8F:33:06:00";
    for (int i = 0; i < 24; ++i) setTitle += ":21", titleReply += ":02:01";
    const struct { std::string sent, answer; int turnaroundMs; } cases[] = {
        {"83:42:12:01", "A0", 0}, {"84:43:06:02:2C", "A0", 0}, {setTitle, "A0", 0},
        {"A0:82:03:04", "A0:84:43:04:19:00", 0}, {"82:06:00", titleReply, 0}, {"82:45:2A", "A0", 40}};
    Line l(Options{.quietMs = 1000});
    for (const auto& c : cases) {
        l.sim.setTurnaroundMs(c.turnaroundMs);
        const double bytes = double((c.sent.size() + 1) / 3 + (c.answer.size() + 1) / 3);
        const auto t0 = Clock::now();
        EXPECT_EQ(l.client.ask(c.sent, c.answer), c.answer) << c.sent;
        EXPECT_GE(MsSince(t0), c.turnaroundMs + bytes * 11.0 / 9.6) << c.sent;
    }
}

TEST(Line, MultiDropOnlyTheAddressedCameraAnswers) {
    Options o = kFast;
    o.multiDropCameras = 3;
    Line l(o);
    Client& c = l.client;
    EXPECT_EQ(c.ask("B1:01:02:83:42:12:05", "A0"), "A0");
    EXPECT_EQ(c.ask("B1:01:02:82:02:12", "A0:83:42:12:05"), "A0:83:42:12:05");
    EXPECT_EQ(c.ask("B1:01:01:82:02:12", "A0:83:42:12:01"), "A0:83:42:12:01");
    // unaddressed, absent and out-of-range IDs get nothing: the next answer
    // on the line belongs to the query after them
    for (const char* unheard : {"83:42:12:07", "B1:01:04:83:42:12:07", "B1:01:00:83:42:12:07"}) c.send(unheard);
    EXPECT_EQ(c.ask("B1:01:03:82:02:12", "A0:83:42:12:01"), "A0:83:42:12:01");
    ASSERT_TRUE(l.sim.waitForFrames(7, 2s));
    EXPECT_EQ(l.sim.received()[4], "B1:01:04:83:42:12:07");
    EXPECT_EQ(l.sim.state(2).value02[0x12], 5);
    Line p2p;  // a point-to-point camera ignores addressed frames
    p2p.client.send("B1:01:01:83:42:12:05");
    EXPECT_EQ(p2p.client.ask("82:02:12", "A0:83:42:12:01"), "A0:83:42:12:01");
}

TEST(Line, NoiseIsSkippedAndAQuietLineDropsAFragment) {
    Options o = kFast;
    o.quietMs = 100;
    Line l(o);
    l.client.send("00:55:A1");
    EXPECT_EQ(l.client.ask("82:03:04", "A0:84:43:04:19:00"), "A0:84:43:04:19:00");
    l.client.send("84:43");  // to be dropped, not merged into the next frame
    for (const auto end = Clock::now() + 5s; l.sim.noise().size() < 2 && Clock::now() < end;)
        ReadBytes(l.client.fd, 1, 5ms);  // nothing arrives; bounds each round
    EXPECT_EQ(l.sim.noise(), (std::vector<std::string>{"00:55:A1", "84:43"}));
    EXPECT_EQ(l.client.ask("82:03:04", "A0:84:43:04:19:00"), "A0:84:43:04:19:00");
}

TEST(Faults, EachKindShapesTheAnswerAndChangesNothing) {
    const struct { const char* prefix; Fault fault; int count; const char* sent; const char* want; } cases[] = {
        {"82:03:04", Fault::BadFirstByte, 1, "82:03:04", "A0:90:43:04:19:00"},
        {"82:03", Fault::Truncated, 1, "82:03:04", "A0:84:43:04:19"},
        {"", Fault::None, 0, "82:02:12", "A0:83:42:12:01"},  // nothing else was pending
        {"82:02", Fault::Truncated, 1, "82:02:12", "A0:83:42:12"},
        {"83:42:12", Fault::NoiseBefore, 1, "83:42:12:01", "00:7F:3C:A0"},
        {"83:42:12", Fault::WrongAck, 1, "83:42:12:05", "A1"},
        {"83:42:12", Fault::NoReply, 1, "83:42:12:06", ""},
        {"", Fault::WrongAck, 2, "82:02:12", "A1"},
        {"", Fault::None, 0, "82:03:04", "A1"},
        {"", Fault::None, 0, "82:02:12", "A0:83:42:12:01"}};  // refused and swallowed: no change
    Line l;
    for (const auto& c : cases) {
        l.sim.injectFault(c.prefix, c.fault, c.count);
        EXPECT_EQ(l.client.ask(c.sent, c.want), c.want) << c.sent;
    }
    const auto met = l.sim.faultsMet();
    EXPECT_TRUE((met.size() == 8 && met[2] == std::pair<std::string, Fault>("82:02:12", Fault::Truncated) &&
                 met[5] == std::pair<std::string, Fault>("83:42:12:06", Fault::NoReply)));
}

// A late answer comes after its delay, and stop() does not wait for it.
TEST(Faults, LateAnswers) {
    Options o = kFast;
    o.lateMs = 250;
    Line late(o);
    late.sim.injectFault("", Fault::Late);
    auto t0 = Clock::now();
    EXPECT_EQ(late.client.ask("82:03:04", "A0:84:43:04:19:00"), "A0:84:43:04:19:00");
    EXPECT_GE(MsSince(t0), 250);
    o.lateMs = 20000;
    Line never(o);
    never.sim.injectFault("", Fault::Late);
    never.client.send("82:03:04");
    ASSERT_TRUE(never.sim.waitForFrames(1, 2s));
    t0 = Clock::now();
    never.sim.stop();
    EXPECT_LT(MsSince(t0), 10000.0);
}

TEST(Faults, SeededRateIsReproducibleAndNeverHangsUp) {
    const auto run = [](uint32_t seed) {
        Options o = kFast;
        o.lateMs = 0;
        Line l(o);
        l.sim.setFaultRate(0.5, seed);
        for (int i = 0; i < 40; ++i) l.client.send("83:42:12:0" + std::to_string(i % 10));
        EXPECT_TRUE(l.sim.waitForFrames(40, 5s));
        return l.sim.faultsMet();
    };
    const auto a = run(42);
    EXPECT_EQ(run(42), a);
    EXPECT_NE(run(43), a);
    EXPECT_TRUE(a.size() > 5u && a.size() < 35u) << a.size();
    std::set<Fault> kinds;
    for (const auto& m : a) kinds.insert(m.second);
    EXPECT_TRUE(kinds.size() > 2 && kinds.count(Fault::HangUp) == 0) << kinds.size();
}

TEST(Faults, HangUpGivesTheHostAnIoError) {
    Line l;
    l.sim.injectFault("82:45:29", Fault::HangUp);
    EXPECT_EQ(l.client.ask("82:02:12", "A0:83:42:12:01"), "A0:83:42:12:01");
    l.client.send("82:45:29");
    pollfd p{l.client.fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    EXPECT_FALSE(l.sim.running());
    EXPECT_FALSE(l.sim.state().menuOn);
    EXPECT_LT(open(l.sim.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK), 0);
}

// Packet frames: 8F, the length, 4A 00, the number in two 7-bit bytes, the
// data, and the sum of 4A to the last data byte mod 128.
TEST(Checksum, PacketFramesAndTheUploadThatChecksThem) {
    std::string want = "8F:16:4A:00:01:48";
    for (int i = 0; i < 16; ++i) want += ":22";
    const Bytes data(kPacketDataBytes, 0x22);
    EXPECT_EQ(packetFrame(200, data), want + ":33");
    int n = -1;
    EXPECT_TRUE(checkPacketFrame(want + ":33", &n) && n == 200);
    EXPECT_FALSE(checkPacketFrame(want + ":34", &n) || checkPacketFrame("8F:17" + want.substr(5) + ":33", &n));

    detail::Camera cam(Model::DX430, 3, true);
    const auto memory = cam.state.memory;
    EXPECT_EQ(Ask(cam, "84:0A:00:00:02"), memory[2]);
    EXPECT_EQ(Ask(cam, "84:0A:00:00:03"), "A1");
    EXPECT_EQ(Ask(cam, packetFrame(0, data)), "A1");  // outside an upload
    const struct { std::vector<int> numbers; bool badSum; const char* status; bool stored; } uploads[] = {
        {{0, 1, 2}, true, "83:4B:06:01", false}, {{0, 1}, false, "83:4B:06:01", false},
        {{0, 2, 1}, false, "83:4B:06:01", false}, {{0, 1, 2}, false, "83:4B:06:00", true}};
    for (const auto& u : uploads) {
        EXPECT_EQ(Ask(cam, "83:4B:02:00"), "");  // START
        for (int k : u.numbers) {
            std::string line = packetFrame(k, data);
            if (u.badSum && k == 1) line = line.substr(0, line.size() - 2) + "00";
            EXPECT_EQ(Ask(cam, line), "");
        }
        EXPECT_EQ(Ask(cam, "82:0B:06"), u.status);
        EXPECT_EQ(Ask(cam, "83:4B:03:00"), u.stored ? "" : "A1");  // END
        EXPECT_EQ(cam.state.memory == memory, !u.stored);
    }
    EXPECT_EQ(Ask(cam, "84:0A:00:00:01"), packetFrame(1, data));
    // an upload that stops half way is dropped after 10 s without a word
    const auto t = Clock::now();
    EXPECT_EQ(Ask(cam, "83:4B:02:00", t), "");
    EXPECT_EQ(cam.handle({0x82, 0x0B, 0x01}, t + 5s).reply.back(), 0x00);  // each query counts as contact
    EXPECT_EQ(cam.handle({0x82, 0x0B, 0x01}, t + 14s).reply.back(), 0x00);
    EXPECT_EQ(cam.handle({0x82, 0x0B, 0x01}, t + 25s).reply.back(), 0x01);
    EXPECT_FALSE(cam.handle({0x83, 0x4B, 0x03, 0x00}, t + 26s).accepted);  // END: none open
    EXPECT_EQ(cam.state.memory[1], packetFrame(1, data));
}

// What the conversations above take on trust from the camera: what it
// refuses, which items each model has, a preset recalling what ENTER stored,
// both title forms, ALL CLEAR keeping titles or not, axes moving while held
// and stopping at their ends. `s`: seconds into the run.
TEST(Camera, WhatTheLayersAboveTakeOnTrust) {
    const std::string dx430 = "8F:0F:06:00:04:04:05:08:02:0D:03:04:03:03:03:00";
    const struct { bool dx410; const char *sent, *want; int s = 0; } cases[] = {
        {false, "83:42:12:80", "A1"}, {false, "82:03:7F", "A1"},                 // an 8-bit value, an unknown item
        {true, "82:02:0E", "A1"}, {false, "82:02:0E", "83:42:0E:00"},            // ALC priority: the 430's only
        {false, "84:43:04:02:2C", ""}, {false, "83:45:16:01", ""},               // pan 300 stored in preset 0
        {false, "83:42:00:05", ""}, {false, "82:03:04", "84:43:04:02:40"},       // preset 5's own pan, 320
        {false, "83:42:00:00", ""}, {false, "82:03:04", "84:43:04:02:2C"},       // and back
        {false, "84:46:00:41:42", ""}, {false, "82:06:00", "8F:07:06:00:04:01:04:02"},  // two fields a character
        {false, "83:45:30:01", ""}, {false, "82:06:00", "8F:05:46:00:21:22"},    // one, after code set B
        {false, "83:45:32:01", ""}, {false, "82:06:00", "8F:07:06:00:04:01:04:02"},  // keeps the titles
        {false, "83:45:32:00", ""}, {false, "82:06:00", dx430.c_str()},
        {false, "84:43:04:31:1C", ""}, {false, "83:45:00:1E", ""}, {false, "82:03:04", "84:43:04:31:7F", 1}};
    detail::Camera cams[] = {{Model::DX430, 1, true}, {Model::DX410, 1, true}};
    const auto t0 = Clock::now();
    for (const auto& c : cases) EXPECT_EQ(Ask(cams[c.dx410], c.sent, t0 + std::chrono::seconds(c.s)), c.want) << c.sent;
}

namespace {

// dxcamsim with its stdout on a pipe, ended (and reaped) within bounds.
struct Program {
    explicit Program(std::vector<std::string> args) {
        int p[2];
        if (pipe2(p, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, p[1], 1);
        std::vector<char*> argv{const_cast<char*>("dxcamsim"), const_cast<char*>("--no-pace")};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, DXCAMSIM_PATH, &fa, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(p[1]);
        out = p[0];
    }
    ~Program() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(out);
    }
    // The exit status, -1 when it did not end within the bound.
    int status(bool terminate) {
        if (terminate) kill(pid, SIGTERM);
        for (const auto end = Clock::now() + 5s; Clock::now() < end; poll(nullptr, 0, 5)) {
            int st = 0;
            if (waitpid(pid, &st, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            }
        }
        return -1;
    }
    pid_t pid = -1;
    int out = -1;
};

}  // namespace

// A host that knows the --link path may start before the device line is
// out; its frames are still traced, after that line. The memory has the
// size asked for; a bad size is refused.
TEST(Program, ServesOnItsLinkTracesAndCleansUp) {
    const std::string link = "/tmp/dxcamsim-test-" + std::to_string(getpid());
    unlink(link.c_str());
    Program sim({"--turnaround", "0", "--model", "410", "--dump-packets", "200", "--link", link, "--verbose"});
    char target[256] = {};
    for (const auto end = Clock::now() + 5s; readlink(link.c_str(), target, sizeof target - 1) <= 0;) {
        ASSERT_LT(Clock::now(), end) << "no " << link;
        poll(nullptr, 0, 1);
    }
    const std::string title = "A0:8F:0F:06:00:04:04:05:08:02:0D:03:04:03:01:03:00";  // DX-410
    {
        Client c(link);
        EXPECT_EQ(c.ask("82:06:00", title), title);
        EXPECT_EQ(c.ask("82:0B:04", "A0:84:4B:04:01:47"), "A0:84:4B:04:01:47");
    }
    const std::string trace = "dxcamsim: camera on " + std::string(target) + "\n<< 82:06:00\n>> " + title +
                              "\n<< 82:0B:04\n>> A0:84:4B:04:01:47\n";
    EXPECT_EQ(ReadBytes(sim.out, trace.size(), 5s), trace);
    EXPECT_EQ(sim.status(true), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0);
    for (const char* bad : {"0", "16385", "64x"}) EXPECT_EQ(Program({"--dump-packets", bad}).status(false), 2) << bad;
}
