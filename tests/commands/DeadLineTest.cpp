// One operator action on a line that stops answering: one box, and nothing
// more of the action is sent but its stop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using namespace dxcmd;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kNoAnswer = "Communication error! Please check the cable.";

dxlink::IExComCtrl* quickLink() {
    auto* l = dxlink_create();
    l->put_SerialTimeout(150);  // a silent camera costs little
    return l;
}

dxsim::Options unpaced() {
    dxsim::Options o;
    o.paced = false;
    o.turnaroundMs = 0;
    return o;
}

}  // namespace

class DeadLine : public ::testing::Test {
protected:
    DeadLine() : sim(unpaced()) {}
    void SetUp() override {
        ASSERT_TRUE(sim.start());
        ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
    }
    void TearDown() override { dialogs.verify(); }

    // Pan right and tilt up, then all stop and the pan read-back: a diagonal button.
    void diagonal() {
        sim.clearReceived();
        Action press(layer, Action::Kind::Movement);
        layer.ExecCmd("83:45:00:1E", "A0", "", "");
        layer.ExecCmd("83:45:03:1E", "A0", "", "");
        layer.ExecStop("82:45:0F", "A0");
        layer.QueryCamera("82:03:04");
    }

    dxtest::TempDir dir;
    dxsim::CameraSim sim;
    ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    CommandLayer layer{state, view, dialogs, quickLink};
};

TEST_F(DeadLine, APressOnASilentCameraIsStoppedAndSaidOnce) {
    sim.injectFault("", dxsim::Fault::NoReply, 100);
    dialogs.expectMessage(kNoAnswer);
    diagonal();
    EXPECT_EQ(sim.received(), (Strings{"83:45:00:1E", "82:45:0F"}));
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // the move's answer lost, the stop taken: the move's failure is the one said
    sim.clearFaults();
    sim.injectFault("83:45:00", dxsim::Fault::NoReply);
    dialogs.clearShown();
    dialogs.expectMessage(kNoAnswer);
    diagonal();
    EXPECT_EQ(sim.received(), (Strings{"83:45:00:1E", "82:45:0F"}));
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // nor is any other box of the action: a question takes its default answer
    sim.injectFault("", dxsim::Fault::NoReply, 100);
    dialogs.clearShown();
    dialogs.expectMessage(kNoAnswer);
    {
        Action save(layer);
        layer.ExecCmd("83:45:30:01", "A0", "TRIGGER", "32-CHARACTER CODE SET");
        EXPECT_EQ(layer.dialogs().message("Is PRISET POSITION of No.7 saved?", "", Icon::Question, Buttons::YesNo,
                                          Answer::No),
                  Answer::No);
    }
    EXPECT_EQ(dialogs.shown().size(), 1u);
    sim.clearFaults();

    // the next action starts afresh
    dialogs.clearShown();
    diagonal();
    sim.waitForFrames(5, std::chrono::seconds(2));  // the host's A0 may still be on its way
    EXPECT_EQ(sim.received(), (Strings{"83:45:00:1E", "83:45:03:1E", "82:45:0F", "82:03:04", "A0"}));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DeadLine, RefusedAnswersDoNotEndTheAction) {
    sim.injectFault("83:45:00", dxsim::Fault::WrongAck);
    sim.injectFault("82:03:04", dxsim::Fault::WrongAck);
    dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:45:00:1E");
    dialogs.expectMessage("Receive failed.\r\nCommand =82:03:04\r\nResult =NL");
    sim.clearReceived();
    Action action(layer);
    EXPECT_EQ(layer.ExecCmd("83:45:00:1E", "A0", "", ""), 1);
    layer.QueryCamera("82:03:04");
    EXPECT_EQ(layer.ExecCmd("82:45:02", "A0", "", ""), 0);
    EXPECT_FALSE(action.failed());
    EXPECT_EQ(sim.received(), (Strings{"83:45:00:1E", "82:03:04", "82:45:02"}));
}
