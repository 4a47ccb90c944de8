#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "PtyPeer.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxcmd/Codec.h"
#include "dxcmd/Exec.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using namespace dxcmd;
using namespace std::chrono_literals;
using dxtest::readRaw;
using Strings = std::vector<std::string>;

namespace {

dxlink::IExComCtrl* makeLink() {
    auto* l = dxlink_create();
    l->put_SerialTimeout(300);
    return l;
}

dxsim::Options lineOptions(int cameras) {
    dxsim::Options o;
    o.multiDropCameras = cameras;
    o.paced = false;  // a reply arrives whole, so CmdRecv sees all of it without a wait
    o.turnaroundMs = 1;
    return o;
}

const Strings kNoLines{};

}  // namespace

class Exchange : public ::testing::Test {
protected:
    explicit Exchange(dxsim::Options o = lineOptions(0)) : sim(o) {}

    void SetUp() override {
        ASSERT_TRUE(sim.start());
        ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        ::setenv("DX410_COM2", dir.file("no-such-port").c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
    }
    void TearDown() override {
        dialogs.verify();
        sim.stop();
    }

    std::string recorded(const std::string& section, const std::string& key) {
        return ReadProfileString(state.CurrentFile, section, key);
    }
    // Every frame the camera has seen, once `n` have arrived (bounded wait).
    Strings frames(size_t n) {
        EXPECT_TRUE(sim.waitForFrames(n, 3s)) << "frames so far: " << sim.received().size();
        return sim.received();
    }
    void expectBox(size_t i, const std::string& title) {
        ASSERT_LT(i, dialogs.shown().size());
        EXPECT_EQ(dialogs.shown()[i].title, title);
        EXPECT_EQ(dialogs.shown()[i].icon, Icon::Critical);
        EXPECT_EQ(dialogs.shown()[i].buttons, Buttons::Ok);
    }
    void setPan(int v, int camera = 1) {
        auto s = sim.state(camera);
        s.value03[0x04] = v;
        sim.setState(s, camera);
    }

    dxtest::TempDir dir;
    dxsim::CameraSim sim;
    ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    CommandLayer layer{state, view, dialogs, makeLink};
};

class MultiDrop : public Exchange {
protected:
    MultiDrop() : Exchange(lineOptions(32)) {}
    void SetUp() override {
        Exchange::SetUp();
        state.CommStyle = 1;
    }
};

TEST_F(Exchange, ExecCmdPointToPoint) {
    state.LogLabel = "MENU (TRIGGER 27)";
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(frames(1), Strings{"82:45:29"});
    EXPECT_EQ(view.log, (Strings{"<<ExecCmd>>MENU (TRIGGER 27)", "82:45:29", "A0", "0", ""}));
    EXPECT_EQ(view.commandLabels, Strings{"82:45:29"});
    EXPECT_EQ(view.ackResults, (Strings{"", "Matched!"}));
    EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
    ASSERT_EQ(view.ports.size(), 1u);
    EXPECT_EQ(view.ports[0].second, "");
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));  // no section: nothing recorded
}

TEST_F(Exchange, ExecCmdRecordsAcknowledgedSetting) {
    EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 0);
    EXPECT_EQ(recorded("VALUE02", "08-AGC MODE"), "83:42:13:01");
    EXPECT_EQ(readRaw(state.CurrentFile), "[VALUE02]\r\n08-AGC MODE=83:42:13:01\r\n");

    // a record that cannot be written is said once, and again only after it
    // worked in between
    const std::string good = state.CurrentFile;
    state.CurrentFile = good + ".d/current.orn";  // its folder is not there
    dialogs.expectMessage(RecordFailedMessage(state.CurrentFile));
    EXPECT_EQ(layer.ExecCmd("83:42:13:02", "A0", "VALUE02", "08-AGC MODE"), 0);
    EXPECT_EQ(layer.ExecCmd("83:42:13:03", "A0", "VALUE02", "08-AGC MODE"), 0);
    const std::string bad = state.CurrentFile;
    state.CurrentFile = good;
    EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 0);
    state.CurrentFile = bad;
    dialogs.expectMessage(RecordFailedMessage(bad));
    EXPECT_EQ(layer.ExecCmd("83:42:13:02", "A0", "VALUE02", "08-AGC MODE"), 0);
}

TEST_F(Exchange, LogStaysEmptyWhileHidden) {
    view.shown = false;
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "", ""), 0);
    setPan(5);
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "83:43:04:05");
    EXPECT_TRUE(view.log.empty());
}

TEST_F(Exchange, ExecCmdOtherReplyIsAnErrorAndNotRecorded) {
    sim.injectFault("", dxsim::Fault::WrongAck);
    dialogs.expectMessage("Error!\r\nSECTION = [VALUE02]\r\nKEY = [08-AGC MODE]\r\nCommand = 83:42:13:01");
    EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 1);
    expectBox(0, "");
    EXPECT_EQ(view.ackResult(), "Error!\r\nSECTION = [VALUE02]\r\nKEY = [08-AGC MODE]\r\nCommand = 83:42:13:01");
    EXPECT_EQ(view.log[3], "1");
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
}

TEST_F(Exchange, ExecCmdNoReplyIsACommunicationError) {
    sim.injectFault("", dxsim::Fault::NoReply);
    dialogs.expectMessage("Communication error! Please check the cable.");
    EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 2);
    expectBox(0, "");
    EXPECT_EQ(view.ackResults, Strings{""});
    EXPECT_EQ(view.pointer, (std::vector<bool>{true, false}));
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
}

TEST_F(Exchange, BusyFlagsSilenceExecCmdAndRecordSettingOnly) {
    for (bool ProgramState::*flag : {&ProgramState::InitializingConsole, &ProgramState::LoadingSettingFile,
                                     &ProgramState::UpdatingFromCamera}) {
        state.*flag = true;
        EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 0);
        layer.RecordSetting("84:43:04:01:05", "VALUE03", "04-PAN POSITION");
        EXPECT_FALSE(view.touched());
        state.*flag = false;
    }
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));

    state.UpdatingFromCamera = true;
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    setPan(3200);
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
    // the first thing the camera saw is the title: ExecCmd sent nothing
    EXPECT_EQ(frames(3), (Strings{"86:46:00:41:42:43:44", "82:03:04", "A0"}));
    EXPECT_EQ(recorded("STRING", "01-CAMERA TITLE"), "86:46:00:41:42:43:44");
}

TEST_F(Exchange, ExecCmdDoesNotRecordWhenALoadStartsDuringTheExchange) {
    // the link lets the window run handlers while it waits; one of them may start a load
    dxlink_set_event_pump([](void* s) { static_cast<ProgramState*>(s)->LoadingSettingFile = true; }, &state);
    sim.setTurnaroundMs(30);
    int16_t status = layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE");
    dxlink_set_event_pump(nullptr, nullptr);
    if (!state.LoadingSettingFile) GTEST_SKIP() << "the link did not pump events during the wait";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(view.ackResult(), "Matched!");
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
}

TEST_F(Exchange, QueryIsAcknowledgedOnceWithBareA0) {
    setPan(3200);
    state.LogLabel = "PAN POSITION (VALUE03 04)";
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
    EXPECT_EQ(view.log, (Strings{"<<ExecCmdRecv>>PAN POSITION (VALUE03 04)", "82:03:04", "A0",
                                 "84:43:04:19:00", ""}));
    EXPECT_EQ(view.ackResults, Strings{""});
    EXPECT_TRUE(view.pointer.empty());  // only ExecCmd shows the hourglass
    EXPECT_EQ(view.ports.size(), 2u);   // two opens on the one object
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(frames(3), (Strings{"82:03:04", "A0", "82:45:29"}));
}

TEST_F(Exchange, QueryCameraSplitsTheReply) {
    setPan(133);
    layer.QueryCamera("82:03:04");
    EXPECT_EQ(state.LastReply, "84:43:04:01:05");
    EXPECT_EQ(state.ReplyFields, (Strings{"&h01", "&h05", ""}));
    EXPECT_EQ(state.ReplyData, "01:05");
}

TEST_F(Exchange, ReceiveFailedSendsNoAcknowledgement) {
    sim.injectFault("", dxsim::Fault::WrongAck);
    dialogs.expectMessage("Receive failed.\r\nCommand =82:03:04\r\nResult =NL");
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "NL");
    expectBox(0, "");
    EXPECT_EQ(view.ackResult(), "Receive failed.");
    EXPECT_EQ(view.log[3], "NL");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(frames(2), (Strings{"82:03:04", "82:45:29"}));
}

TEST_F(Exchange, BadFirstByteRaises513AndKeepsQueryResults) {
    setPan(5);
    layer.QueryCamera("82:03:04");
    ASSERT_EQ(state.LastReply, "83:43:04:05");

    sim.injectFault("", dxsim::Fault::BadFirstByte);
    dialogs.expectMessage("Bad value.\r\nCommand =82:03:04\r\nResult =90:43:04:05");
    try {
        layer.QueryCamera("82:03:04");
        ADD_FAILURE() << "no error raised";
    } catch (const BadReplyError& e) {
        EXPECT_EQ(e.code(), 513);
        EXPECT_EQ(e.reply(), "90:43:04:05");
    }
    expectBox(0, "");
    EXPECT_EQ(view.ackResult(), "90:43:04:05");
    EXPECT_EQ(state.LastReply, "83:43:04:05");
    EXPECT_EQ(state.ReplyFields, (Strings{"&h05", ""}));
    EXPECT_EQ(state.ReplyData, "05");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(frames(4), (Strings{"82:03:04", "A0", "82:03:04", "82:45:29"}));

    // a frame shorter than its header says is no value either
    setPan(3200);
    sim.injectFault("82:03:04", dxsim::Fault::Truncated);
    dialogs.expectMessage("Bad value.\r\nCommand =82:03:04\r\nResult =84:43:04:19");
    EXPECT_THROW(layer.QueryCamera("82:03:04"), BadReplyError);
    EXPECT_EQ(state.LastReply, "83:43:04:05");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(frames(6), (Strings{"82:03:04", "A0", "82:03:04", "82:45:29", "82:03:04", "82:45:29"}));
}

// The camera answers a title as it answers any command; that answer must not
// be taken as the reply to the exchange that follows.
TEST_F(Exchange, TitleAnswerStaysWithTheTitle) {
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    sim.injectFault("82:45:29", dxsim::Fault::NoReply);
    dialogs.expectMessage("Communication error! Please check the cable.");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 2);
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    EXPECT_EQ(layer.ExecCmd("82:45:2A", "A0", "", ""), 0);  // its own A0, once
}

TEST_F(Exchange, ExecSendPortNotOpened) {
    state.CommPort = 2;  // a device that does not exist
    state.LogLabel = "CAMERA TITLE (STRING 01)";
    const std::string text = "Error!\r\nSECTION = [STRING]\r\nKEY = [01-CAMERA TITLE]\r\nCommand = 86:46:00:41:42:43:44";
    dialogs.expectMessage(text);
    EXPECT_NE(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    expectBox(0, "");
    EXPECT_EQ(view.ackResult(), text);
    ASSERT_EQ(view.ports.size(), 1u);
    EXPECT_NE(view.ports[0].second, "");
    EXPECT_EQ(view.log.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));
}

TEST_F(Exchange, ExecSendWritesTheFrameAndRecords) {
    state.LogLabel = "CAMERA TITLE (STRING 01)";
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    EXPECT_EQ(frames(1), Strings{"86:46:00:41:42:43:44"});
    EXPECT_EQ(view.log, (Strings{"<<ExecSend>>CAMERA TITLE (STRING 01)", "86:46:00:41:42:43:44", "0", ""}));
    EXPECT_EQ(view.ackResult(), "Matched!");
    EXPECT_EQ(view.ports.size(), 1u);
    EXPECT_EQ(recorded("STRING", "01-CAMERA TITLE"), "86:46:00:41:42:43:44");
}

TEST_F(Exchange, ExecCmdOnAMissingPort) {
    state.CommPort = 2;
    dialogs.expectMessage("Communication error! Please check the cable.");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 2);
    ASSERT_EQ(view.ports.size(), 1u);
    EXPECT_EQ(view.ports[0].second, dxlink_port_error_text(static_cast<int>(dxlink::PortError::NotFound)));
}

TEST_F(Exchange, RecordSettingKeepsTheLastGoodReadBack) {
    layer.RecordSetting("84:43:04:01:05", "VALUE03", "04-PAN POSITION");
    for (const char* failed : {"NL", "NR", ""}) layer.RecordSetting(failed, "VALUE03", "04-PAN POSITION");
    layer.RecordSetting("83:43:02:10", "", "02-ZOOM POSITION");
    EXPECT_EQ(readRaw(state.CurrentFile), "[VALUE03]\r\n04-PAN POSITION=84:43:04:01:05\r\n");
    EXPECT_FALSE(view.touched());
}

// The diagnostic build: nothing reaches the line, commands count as matched
// and recorded, and a query returns whatever reply was picked, unchecked.
TEST_F(Exchange, DiagnosticModeTouchesNoPort) {
    state.DiagnosticMode = true;
    state.LogLabel = "AGC (VALUE02 08)";
    EXPECT_EQ(layer.ExecCmd("83:42:13:01", "A0", "VALUE02", "08-AGC MODE"), 0);
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    int picks = 0;
    layer.setReplyPicker([&picks](ProgramState& s) {
        ++picks;
        s.SimulatedReply = "90:43:04:01:05";
    });
    state.LogLabel = "PAN POSITION (VALUE03 04)";
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "90:43:04:01:05");
    EXPECT_EQ(picks, 1);

    EXPECT_TRUE(view.ports.empty());  // no link object was made
    EXPECT_EQ(recorded("VALUE02", "08-AGC MODE"), "83:42:13:01");
    EXPECT_EQ(recorded("STRING", "01-CAMERA TITLE"), "86:46:00:41:42:43:44");
    EXPECT_EQ(view.log, (Strings{"<<ExecCmd>>AGC (VALUE02 08)", "83:42:13:01", "A0", "0", "",
                                 "<<ExecSend>>AGC (VALUE02 08)", "86:46:00:41:42:43:44", "0", "",
                                 "<<ExecCmdRecv>>PAN POSITION (VALUE03 04)", "82:03:04", "A0", "", ""}));
    // back on the line, the first command is the first thing the camera sees
    state.DiagnosticMode = false;
    layer.ExecCmd("82:45:2A", "A0", "", "");
    EXPECT_EQ(frames(1), Strings{"82:45:2A"});
}

TEST_F(MultiDrop, AddressPrefixOnTheWireNotInTheFile) {
    state.MachineID = "1F";
    state.LogLabel = "ExDR MODE = OFF (VALUE02 03)";
    EXPECT_EQ(layer.ExecCmd("83:42:0B:00", "A0", "VALUE02", "03-ExDR MODE"), 0);
    EXPECT_EQ(frames(1), Strings{"B1:01:1F:83:42:0B:00"});
    EXPECT_EQ(view.commandLabels, Strings{"B1:01:1F:83:42:0B:00"});
    EXPECT_EQ(view.log[1], "B1:01:1F:83:42:0B:00");
    EXPECT_EQ(recorded("VALUE02", "03-ExDR MODE"), "83:42:0B:00");
}

TEST_F(MultiDrop, EachRoutineAddressesTheCameraAndAcksBare) {
    state.MachineID = "05";
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 0);
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 0);
    setPan(300, 5);
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:02:2C");
    EXPECT_EQ(frames(4), (Strings{"B1:01:05:82:45:29", "B1:01:05:86:46:00:41:42:43:44", "B1:01:05:82:03:04", "A0"}));
    EXPECT_EQ(recorded("STRING", "01-CAMERA TITLE"), "86:46:00:41:42:43:44");
}

TEST_F(MultiDrop, NoCameraChosenRefusesEveryRoutine) {
    state.MachineID = "0";
    for (int i = 0; i < 3; ++i) dialogs.expectMessage("Please choose a camera number.");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "VALUE02", "X"), kStatusRefused);
    EXPECT_EQ(layer.ExecSend("86:46:00:41:42:43:44", "STRING", "01-CAMERA TITLE"), 1);
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "");
    for (size_t i = 0; i < 3; ++i) expectBox(i, "Error");
    EXPECT_FALSE(view.touched());
    EXPECT_FALSE(std::filesystem::exists(state.CurrentFile));

    state.MachineID = "01";
    EXPECT_EQ(layer.ExecCmd("82:45:2A", "A0", "", ""), 0);
    EXPECT_EQ(frames(1), Strings{"B1:01:01:82:45:2A"});  // nothing before it
}

// The camera paced both ways, as on a real line: the link must not end an
// answer early, nor leave one on the line for the next exchange.
class LineRate : public Exchange {
protected:
    static dxsim::Options paced() {
        dxsim::Options o = lineOptions(0);
        o.paced = true;
        o.turnaroundMs = 0;
        return o;
    }
    LineRate() : Exchange(paced()) {}
};

TEST_F(LineRate, TitleRowsPutExactlyTheirFramesOnTheWire) {
    const struct {
        int preset;
        const char* title;
        const char* frame;  // two fields a character
    } rows[] = {
        {0, "AB", "8F:07:06:02:04:01:04:02"},
        {42, "", "8F:03:06:02"},
        {99, "Z", "8F:05:06:02:05:0A"},
    };
    auto cam = sim.state();
    for (const auto& r : rows) cam.presetTitles[r.preset] = r.title;
    sim.setState(cam);
    Strings wire;
    for (const auto& r : rows) {
        const std::string select = "83:42:00:" + EncodeValue(int16_t(r.preset));
        EXPECT_EQ(layer.ExecCmd(select, "A0", "", ""), 0) << r.preset;
        EXPECT_EQ(layer.ExecCmdRecv("82:06:02", "A0", 200), r.frame) << r.preset;
        wire.insert(wire.end(), {select, "82:06:02", "A0"});
    }
    EXPECT_EQ(frames(wire.size()), wire);
    EXPECT_EQ(wire[3], "83:42:00:2A");
}

TEST_F(LineRate, AnswerLongerThanTheAcknowledgementIsAnError) {
    sim.injectFault("83:42:12", dxsim::Fault::NoiseBefore);  // 00:7F:3C:A0, byte after byte
    dialogs.expectMessage("Error!\r\nSECTION = [VALUE02]\r\nKEY = [12-WB]\r\nCommand = 83:42:12:01");
    EXPECT_EQ(layer.ExecCmd("83:42:12:01", "A0", "VALUE02", "12-WB"), 1);
    EXPECT_EQ(recorded("VALUE02", "12-WB"), "");
    EXPECT_EQ(layer.ExecCmd("83:42:12:02", "A0", "VALUE02", "12-WB"), 0);  // nothing left over
    EXPECT_EQ(frames(2), (Strings{"83:42:12:01", "83:42:12:02"}));
}

// The title's own answer comes a title's line time after it was written.
TEST_F(LineRate, TitleAnswerStaysWithTheTitle) {
    const std::string title = "8F:13:46:00:41:42:43:44:45:46:47:48:49:4A:4B:4C:4D:4E:4F:50";
    EXPECT_EQ(layer.ExecSend(title, "STRING", "01-CAMERA TITLE"), 0);
    sim.injectFault("82:45:29", dxsim::Fault::NoReply);
    dialogs.expectMessage("Communication error! Please check the cable.");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 2);
    EXPECT_EQ(sim.state().title, "ABCDEFGHIJKLMNOP");
}

// Exact first bytes the simulator never sends.
class FirstByte : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        ::setenv("DX410_COM1", peer.devicePath().c_str(), 1);
    }
    dxtest::PtyPeer peer;
    dxtest::TempDir dir;
    ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    CommandLayer layer{state, view, dialogs, makeLink};
};

TEST_F(FirstByte, OnlyWholeFramesThatAnswerTheQueryAreValid) {
    struct Case {
        std::vector<uint8_t> reply;
        std::string text;   // the reply as the link hands it over
        std::string frame;  // what is kept and recorded; "" for a bad value
    };
    const Case cases[] = {
        {{0xA0, 0x80, 0x43, 0x04, 0x05}, "80:43:04:05", ""},
        {{0xA0, 0x81, 0x00}, "81:00", "81:00"},
        {{0xA0, 0x8F, 0x04, 0x43, 0x02, 0x05}, "8F:04:43:02:05", "8F:04:43:02:05"},
        {{0xA0, 0x90, 0x43, 0x04, 0x05}, "90:43:04:05", ""},
        {{0xA0, 0x3A, 0x43}, "3A:43", ""},
        // long frames whose length byte cannot be right
        {{0xA0, 0x8F, 0x00, 0x43, 0x04, 0x19, 0x00}, "8F:00:43:04:19:00", ""},
        {{0xA0, 0x8F, 0x01, 0x43, 0x02, 0x02, 0x2C}, "8F:01:43:02:02:2C", ""},
        {{0xA0, 0x8F, 0x02, 0x43, 0x02, 0x02, 0x2C}, "8F:02:43:02:02:2C", ""},
        {{0xA0, 0x8F, 0x09, 0x43, 0x02, 0x02, 0x2C}, "8F:09:43:02:02:2C", ""},
        {{0xA0, 0x8F, 0x05, 0x43, 0x02, 0x02, 0x2C}, "8F:05:43:02:02:2C", "8F:05:43:02:02:2C"},
        // bytes after a whole frame are not part of it
        {{0xA0, 0x84, 0x43, 0x02, 0x02, 0x2C, 0x77, 0x77}, "84:43:02:02:2C:77:77", "84:43:02:02:2C"},
        // a late answer to another query: another item, another group
        {{0xA0, 0x84, 0x43, 0x05, 0x0C, 0x3C}, "84:43:05:0C:3C", ""},
        {{0xA0, 0x8F, 0x05, 0x42, 0x02, 0x02, 0x2C}, "8F:05:42:02:02:2C", ""},
        {{0xA0, 0x83, 0x03, 0x02, 0x05}, "83:03:02:05", "83:03:02:05"},  // the read form names it too
    };
    state.CurrentFile = dir.file("current.orn");
    const std::string key = "02-ZOOM POSITION";
    Strings wire;
    std::string recorded = "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const bool valid = !c.frame.empty();
        peer.answer(c.reply);
        if (!valid) dialogs.expectMessage("Bad value.\r\nCommand =82:03:02\r\nResult =" + c.text);
        // as a stop routine's read-back does it
        bool raised = false;
        try {
            layer.QueryCamera("82:03:02");
            layer.RecordSetting(state.LastReply, "VALUE03", key);
        } catch (const BadReplyError& e) {
            raised = true;
            EXPECT_EQ(e.reply(), c.text);
        }
        EXPECT_EQ(raised, !valid);
        wire.push_back("82:03:02");
        if (valid) {
            EXPECT_EQ(state.LastReply, c.frame);
            wire.push_back("A0");
            recorded = c.frame;
        }
        ASSERT_TRUE(peer.waitForFrames(wire.size(), 3s));
        EXPECT_EQ(peer.frames(), wire);  // no acknowledgement after a bad one
        EXPECT_EQ(ReadProfileString(state.CurrentFile, "VALUE03", key), recorded);
    }
}

TEST_F(FirstByte, EmptyReplyIsABadValue) {
    peer.answer({0xA0});  // acknowledged, no frame: the link hands back ""
    dialogs.expectMessage("Bad value.\r\nCommand =82:03:04\r\nResult =");
    EXPECT_THROW(layer.ExecCmdRecv("82:03:04", "A0", 20), BadReplyError);
    EXPECT_EQ(view.ackResult(), "");
}

TEST_F(FirstByte, MultiDropAcknowledgementCarriesNoAddress) {
    state.CommStyle = 1;
    state.MachineID = "05";
    peer.answer({0xA0, 0x83, 0x43, 0x04, 0x05});
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 50), "83:43:04:05");
    ASSERT_TRUE(peer.waitForFrames(2, 3s));
    EXPECT_EQ(peer.frames(), (Strings{"B1:01:05:82:03:04", "A0"}));
}
