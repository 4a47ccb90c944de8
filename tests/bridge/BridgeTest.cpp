// Through a pty bridged to TCP (socat) and on to a simulated camera: the
// command layer's exchanges and the transfer jobs, as the console runs them.
// DX410_COM1 names the bridged device; the camera behind it starts fresh.
#include <gtest/gtest.h>


#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxcmd/Exec.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFile.h"
#include "dxparams/Titles.h"
#include "dxtransfer/Jobs.h"

namespace {

using namespace dxtest;
using namespace dxparams;

struct Bar : dxtransfer::IProgress {
    int value() const override { return v; }
    void setValue(int x) override { v = x; }
    int v = 0;
};

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device) << "DX410_COM1 must name the bridged device";
        state.CurrentFile = dir.file("current.orn");
    }
    int16_t exec(std::string_view label, std::string_view cmd, std::string_view sec = "", std::string_view key = "") {
        state.LogLabel = std::string(label);
        return layer.ExecCmd(std::string(cmd), "A0", std::string(sec), std::string(key));
    }
    void run(dxtransfer::JobRoutine job) {
        state.UpdatingFromCamera = true;  // as the transfer window sets it
        bar.v = 0;
        dxtransfer::JobEnv env{layer, values, bar};
        job(env);
    }

    const char* device = std::getenv("DX410_COM1");
    TempDir dir;
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};  // no box is expected
    dxcmd::CommandLayer layer{state, view, dialogs, [] { return dxlink_create(); }};
    RecordedValues values;
    Bar bar;
};

// One and two value bytes, acknowledged, read back and recorded; every
// exchange resolved the port to the bridge and closed it again.
TEST_F(Bridge, SettingsAreAcknowledgedReadBackAndRecorded) {
    for (const auto& [p, command] : {std::pair{cat::Agc, "83:42:13:02"}, {cat::PanPosition, "84:43:04:19:00"}}) {
        ASSERT_EQ(exec(p.label, command, p.section(), p.key), 0) << view.ackResult();
        layer.QueryCamera(std::string(p.query));
        EXPECT_EQ(state.LastReply, command);
        EXPECT_EQ(dxcmd::ReadProfileString(state.CurrentFile, std::string(p.section()), std::string(p.key)), command);
    }
    EXPECT_TRUE(!view.ports.empty() && view.ports.back().first == device && view.ports.back().second.empty());
}

TEST_F(Bridge, CameraDataAndPositionTitleLoadsReadWhatWasSet) {
    // position 42 (2A) as Save Position stores it: select, title, enter
    ASSERT_EQ(exec(cat::PresetPosition.labelSet, "83:42:00:2A"), 0);
    ASSERT_EQ(exec(trg::CharacterCodeSetB.label, trg::CharacterCodeSetB.command), 0);
    ASSERT_EQ(layer.ExecSend(dxparams::TitleFrame("GATE NORTH", cat::PositionTitle.code), "STRING",
                             dxparams::PositionTitleKey(42)), 0);
    ASSERT_EQ(exec(trg::EnterPosition.label, trg::EnterPosition.command), 0);
    ASSERT_EQ(layer.ExecSend(dxparams::TitleFrame("LOBBY 2", cat::CameraTitle.code), "STRING",
                             std::string(cat::CameraTitle.key)), 0);
    run(dxtransfer::CamDataLoad);
    // every query of a DX-430 answered
    EXPECT_EQ(std::pair(values.value["txtCamTitle"], bar.v), std::pair(std::string("LOBBY 2"), 946));
    run(dxtransfer::PositionTitleLoad);
    EXPECT_EQ(values.titles[42], "GATE NORTH");
    EXPECT_EQ(bar.v, 1000);
    for (int p = 0; p < 100; ++p) EXPECT_EQ(values.states[p], "") << p;  // every row read
}

}  // namespace
