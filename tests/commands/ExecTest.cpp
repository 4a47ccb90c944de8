// The command layer against a scripted camera on a pseudo-terminal, through
// the real link: the bytes on the wire, what is shown, what is recorded.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "PtyPeer.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "ExComCtrl.h"
#include "dxcmd/Exec.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"

using namespace dxcmd;
using Strings = std::vector<std::string>;

namespace {

const std::string kAgc = "83:42:13:01", kSec = "VALUE02", kKey = "08-AGC MODE";
const std::string kTitle = "86:46:00:41:42:43:44", kTitleSec = "STRING", kTitleKey = "01-CAMERA TITLE";
const std::string kCommError = "Communication error! Please check the cable.";

std::string errorText(const std::string& command, const std::string& sec, const std::string& key) {
    return "Error!\r\nSECTION = [" + sec + "]\r\nKEY = [" + key + "]\r\nCommand = " + command;
}

}  // namespace

class Layer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        ::setenv("DX410_COM1", peer.devicePath().c_str(), 1);
        ::setenv("DX410_COM2", dir.file("no-such-port").c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
    }
    std::string recorded(const std::string& sec = kSec, const std::string& key = kKey) {
        return ReadProfileString(state.CurrentFile, sec, key);
    }
    void expectBoxes(const std::string& title) {  // critical, OK
        for (const auto& b : dialogs.shown()) EXPECT_TRUE(b.title == title && b.icon == Icon::Critical && b.buttons == Buttons::Ok);
    }
    // A setting, a title and a query, each answered as a camera would; their results.
    Strings eachRoutine(bool answered = true) {
        if (answered)
            for (const char* a : {"A0", "A0", "A0:83:43:04:05"}) peer.answer(a);
        const int16_t set = layer.ExecCmd(kAgc, "A0", kSec, kKey), title = layer.ExecSend(kTitle, kTitleSec, kTitleKey);
        return {std::to_string(set), std::to_string(title), layer.ExecCmdRecv("82:03:04", "A0", 0)};
    }

    dxtest::PtyPeer peer;
    dxtest::TempDir dir;
    ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    CommandLayer layer{state, view, dialogs, [] { auto* l = dxlink_create(); l->put_SerialTimeout(300); return l; }};
};

TEST_F(Layer, ExecCmdOutcomes) {
    const std::string other = errorText(kAgc, kSec, kKey);
    const struct { const char* name; std::string answer; int16_t port, status; std::string box; Strings acks; } rows[] = {
        {"matched", "A0", 1, 0, "", {"", "Matched!"}},
        {"other reply", "A1", 1, 1, other, {"", other}},
        {"no reply", "", 1, 2, kCommError, {""}},
        {"no port", "", 2, 2, kCommError + "\r\nCOM2 (" + dir.file("no-such-port") + ") could not be opened: not found.", {""}},
    };
    state.LogLabel = "AGC (VALUE02 08)";
    Strings wire;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        view.clear();
        std::filesystem::remove(state.CurrentFile);
        state.CommPort = r.port;
        if (r.port == 1) peer.answer(r.answer), wire.push_back(kAgc);
        if (!r.box.empty()) dialogs.expectMessage(r.box);
        EXPECT_EQ(layer.ExecCmd(kAgc, "A0", kSec, kKey), r.status);
        dialogs.verify();
        EXPECT_EQ(peer.frames(wire.size()), wire);
        EXPECT_EQ(view.commandLabels, Strings{kAgc});
        EXPECT_EQ(view.ackResults, r.acks);
        EXPECT_EQ(view.log, (Strings{"<<ExecCmd>>AGC (VALUE02 08)", kAgc, "A0", std::to_string(r.status), ""}));
        EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
        EXPECT_EQ(view.ports.at(0).second, r.port == 1 ? "" : dxlink_port_error_text(int(dxlink::PortError::NotFound)));
        EXPECT_EQ(recorded(), r.status == 0 ? kAgc : "");
    }
    expectBoxes("");
    // the one cause with a remedy the operator can apply
    EXPECT_EQ(PortOpenFailure(1, "/dev/ttyUSB0", "permission denied"),
              "COM1 (/dev/ttyUSB0) could not be opened: permission denied. Add your user to the dialout group and "
              "log in again.");
}

// The camera answers a title as it answers any command: that answer, however
// late, belongs to the title and not to the exchange that follows.
TEST_F(Layer, ExecSend) {
    state.LogLabel = "CAMERA TITLE (STRING 01)";
    peer.answer("A0", 40);
    EXPECT_EQ(layer.ExecSend(kTitle, kTitleSec, kTitleKey), 0);
    EXPECT_EQ(view.log, (Strings{"<<ExecSend>>CAMERA TITLE (STRING 01)", kTitle, "0", ""}));
    EXPECT_EQ(view.ackResult(), "Matched!");
    EXPECT_EQ(recorded(kTitleSec, kTitleKey), kTitle);
    peer.answer("");
    dialogs.expectMessage(kCommError);
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 2);
    EXPECT_EQ(peer.frames(2), (Strings{kTitle, "82:45:29"}));

    // through a port that does not open: said, not recorded
    view.clear();
    std::filesystem::remove(state.CurrentFile);
    state.CommPort = 2;
    dialogs.expectMessage(errorText(kTitle, kTitleSec, kTitleKey));
    EXPECT_NE(layer.ExecSend(kTitle, kTitleSec, kTitleKey), 0);
    EXPECT_EQ(view.ackResult(), errorText(kTitle, kTitleSec, kTitleKey));
    EXPECT_TRUE(view.ports.size() == 1 && view.ports[0].second != "");
    EXPECT_EQ(view.log.size(), 4u);
    EXPECT_EQ(recorded(kTitleSec, kTitleKey), "");
}

// A whole frame that answers this query is acknowledged with a bare A0, kept
// and recorded; anything else is said and gets nothing back.
TEST_F(Layer, QueryReplies) {
    const struct { std::string answer, frame; } rows[] = {  // frame: what is kept; "" a bad value, "NL" none
        {"A0:84:43:02:02:2C", "84:43:02:02:2C"}, {"A0:81:00", "81:00"}, {"A0:8F:04:43:02:05", "8F:04:43:02:05"},
        {"A0:80:43:02:05", ""}, {"A0:90:43:02:05", ""},
        // long frames whose length byte cannot be right, and one whose can
        {"A0:8F:02:43:02:02:2C", ""}, {"A0:8F:09:43:02:02:2C", ""}, {"A0:8F:05:43:02:02:2C", "8F:05:43:02:02:2C"},
        // what follows a whole frame is not part of it; a frame cut short is none
        {"A0:84:43:02:02:2C:77:77", "84:43:02:02:2C"}, {"A0:84:43:02:01", ""}, {"A0", ""},
        // a late answer to another query: another item, another group; the read form names it too
        {"A0:84:43:05:0C:3C", ""}, {"A0:8F:05:42:02:02:2C", ""}, {"A0:83:03:02:05", "83:03:02:05"},
        {"", "NL"},
    };
    state.QueryWaitShort = 3;
    state.LogLabel = "ZOOM POSITION (VALUE03 02)";
    Strings wire;
    std::string kept, record;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.answer);
        const std::string text = r.answer.empty() ? "NL" : r.answer.substr(std::min<size_t>(3, r.answer.size()));
        const bool valid = !r.frame.empty() && r.frame != "NL";
        view.clear();
        peer.answer(r.answer);
        if (r.frame == "NL") dialogs.expectMessage("Receive failed.\r\nCommand =82:03:02\r\nResult =NL");
        if (r.frame.empty()) dialogs.expectMessage("Bad value.\r\nCommand =82:03:02\r\nResult =" + text);
        try {
            layer.QueryCamera("82:03:02");  // as a stop routine's read-back does
            layer.RecordSetting(state.LastReply, "VALUE03", "02-ZOOM POSITION");
            EXPECT_FALSE(r.frame.empty());
        } catch (const BadReplyError& e) {
            EXPECT_TRUE(r.frame.empty());
            EXPECT_EQ(e.code(), 513);
            EXPECT_EQ(e.reply(), text);
        }
        dialogs.verify();
        EXPECT_EQ(dxlink_reply_wait_ms(), 3);
        EXPECT_EQ(view.log, (Strings{"<<ExecCmdRecv>>ZOOM POSITION (VALUE03 02)", "82:03:02", "A0", text, ""}));
        EXPECT_EQ(view.ackResult(), valid ? "" : r.frame == "NL" ? "Receive failed." : text);
        EXPECT_TRUE(view.pointer.empty());
        EXPECT_EQ(view.ports.size(), valid ? 2u : 1u);  // the A0 goes through a second open
        if (!r.frame.empty()) kept = r.frame;
        if (valid) record = r.frame;
        wire.insert(wire.end(), {"82:03:02", "A0"});
        if (!valid) wire.pop_back();
        EXPECT_EQ(state.LastReply, kept);  // a bad value leaves the last results
        EXPECT_EQ(peer.frames(wire.size()), wire);
        EXPECT_EQ(recorded("VALUE03", "02-ZOOM POSITION"), record);
    }
    peer.answer("A0:84:43:04:01:05");
    layer.QueryCamera("82:03:04");
    EXPECT_EQ(state.ReplyFields, (Strings{"&h01", "&h05", ""}));
    EXPECT_EQ(state.ReplyData, "01:05");
}

TEST_F(Layer, WhatIsRecorded) {
    // while a busy flag is set ExecCmd and RecordSetting do nothing; the others go on
    for (bool ProgramState::*flag :
         {&ProgramState::InitializingConsole, &ProgramState::LoadingSettingFile, &ProgramState::UpdatingFromCamera}) {
        state.*flag = true;
        EXPECT_EQ(layer.ExecCmd(kAgc, "A0", kSec, kKey), 0);
        layer.RecordSetting("84:43:04:01:05", "VALUE03", "04-PAN POSITION");
        EXPECT_FALSE(view.touched());
        state.*flag = false;
    }
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
    state.UpdatingFromCamera = true;
    peer.answer("A0");
    EXPECT_EQ(layer.ExecSend(kTitle, kTitleSec, kTitleKey), 0);
    EXPECT_EQ(peer.frames(1), Strings{kTitle});
    EXPECT_EQ(recorded(kTitleSec, kTitleKey), kTitle);
    state.UpdatingFromCamera = false;

    // the link lets the window run handlers while it waits; one may start a load
    dxlink_set_event_pump([](void* s) { static_cast<ProgramState*>(s)->LoadingSettingFile = true; }, &state);
    peer.answer("A0", 30);
    EXPECT_EQ(layer.ExecCmd(kAgc, "A0", kSec, kKey), 0);
    dxlink_set_event_pump(nullptr, nullptr);
    ASSERT_TRUE(state.LoadingSettingFile) << "the link did not pump events during the wait";
    EXPECT_EQ(view.ackResult(), "Matched!");
    EXPECT_EQ(recorded(), "");
    state.LoadingSettingFile = false;

    // a failed read-back never replaces a recorded position
    layer.RecordSetting("84:43:04:01:05", "VALUE03", "04-PAN POSITION");
    for (const char* failed : {"NL", "NR", ""}) layer.RecordSetting(failed, "VALUE03", "04-PAN POSITION");
    layer.RecordSetting("83:43:02:10", "", "02-ZOOM POSITION");
    EXPECT_EQ(recorded("VALUE03", "04-PAN POSITION"), "84:43:04:01:05");

    // a record that cannot be written is said once, and again after one worked
    const std::string good = state.CurrentFile, bad = good + ".d/current.orn";
    for (const auto& [file, said] : {std::pair{bad, true}, {bad, false}, {good, false}, {bad, true}}) {
        state.CurrentFile = file;
        if (said) dialogs.expectMessage(RecordFailedMessage(bad));
        layer.RecordSetting("84:43:04:01:06", "VALUE03", "04-PAN POSITION");
        dialogs.verify();
    }
    expectBoxes("Error");
}

TEST_F(Layer, MultiDropAddressesTheCommandsNotTheAcknowledgementNorTheRecord) {
    state.CommStyle = 1;
    for (int i = 0; i < 3; ++i) dialogs.expectMessage("Please choose a camera number.");
    EXPECT_EQ(eachRoutine(false), (Strings{std::to_string(kStatusRefused), "1", ""}));
    dialogs.verify();
    expectBoxes("Error");
    EXPECT_FALSE(view.touched());

    state.MachineID = "1F";
    EXPECT_EQ(eachRoutine(), (Strings{"0", "0", "83:43:04:05"}));
    const Strings sent = {"B1:01:1F:" + kAgc, "B1:01:1F:" + kTitle, "B1:01:1F:82:03:04"};
    EXPECT_EQ(peer.frames(4), (Strings{sent[0], sent[1], sent[2], "A0"}));
    EXPECT_EQ(view.commandLabels, sent);
    EXPECT_EQ(view.log[1], sent[0]);
    EXPECT_EQ(recorded(), kAgc);
    EXPECT_EQ(recorded(kTitleSec, kTitleKey), kTitle);
}

// The diagnostic build: nothing reaches the line, commands count as matched
// and recorded, and a query returns whatever reply was picked, unchecked.
TEST_F(Layer, DiagnosticModeTouchesNoPort) {
    state.DiagnosticMode = true;
    layer.setReplyPicker([](ProgramState& s) { s.SimulatedReply += "90:43:04:01:05"; });
    EXPECT_EQ(eachRoutine(false), (Strings{"0", "0", "90:43:04:01:05"}));
    EXPECT_TRUE(view.ports.empty());  // no link object was made
    EXPECT_EQ(view.log.size(), 14u);
    EXPECT_EQ(recorded(), kAgc);
    EXPECT_EQ(recorded(kTitleSec, kTitleKey), kTitle);
    EXPECT_TRUE(peer.frames(0).empty());
}

TEST_F(Layer, ManyExchangesLeaveNoDescriptorOpenAndLogNothingWhileHidden) {
    view.shown = false;
    eachRoutine();
    const auto fds = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = fds();
    for (int i = 0; i < 100; ++i) ASSERT_EQ(eachRoutine(), (Strings{"0", "0", "83:43:04:05"}));
    EXPECT_EQ(fds(), before);
    EXPECT_TRUE(view.log.empty());
}

// A byte that failed parity inside a real reply makes it no reply: nothing
// is acknowledged, shown as a value or recorded. A pty cannot fail parity,
// so the link reads a socket served as a marking port, as the kernel hands
// a failed byte over (FF 00 x).
TEST(MarkedReply, ExecCmdRecvTakesItForNoReply) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv), 0);
    dxlink::detail::ExComCtrl* link = nullptr;
    struct View : dxtest::RecordingView {
        std::function<void()> opened;
        void showPortStatus(const std::string& d, const std::string& w) override { RecordingView::showPortStatus(d, w), opened(); }
    } view;
    view.opened = [&] { link->channel()->port().adoptMarked(dup(sv[0])); };
    dxtest::TempDir dir;
    ProgramState state;
    state.CurrentFile = dir.file("current.orn");
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    CommandLayer layer{state, view, dialogs, [&] { link = new dxlink::detail::ExComCtrl; link->put_SerialTimeout(300); return link; }};
    const uint8_t wire[] = {0xA0, 0x84, 0x43, 0x04, 0xFF, 0x00, 0x19, 0x00};
    ASSERT_EQ(write(sv[1], wire, sizeof wire), ssize_t(sizeof wire));
    // the camera's side takes what is sent, or closing the port would wait for it
    std::string sent;
    std::thread camera([&] {
        pollfd p{sv[1], POLLIN, 0};
        char b[16];
        for (ssize_t n; sent.size() < 3 && poll(&p, 1, 2000) > 0 && (n = read(sv[1], b, sizeof b)) > 0;) sent.append(b, size_t(n));
    });
    dialogs.expectMessage("Receive failed.\r\nCommand =82:03:04\r\nResult =NL");
    layer.QueryCamera("82:03:04");
    layer.RecordSetting(state.LastReply, "VALUE03", "04-PAN POSITION");
    camera.join();
    dialogs.verify();
    EXPECT_EQ(view.ackResult(), "Receive failed.");
    EXPECT_EQ(sent, std::string("\x82\x03\x04"));
    char more;
    EXPECT_EQ(read(sv[1], &more, 1), -1);  // no A0 after the query
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
    close(sv[0]), close(sv[1]);
}
