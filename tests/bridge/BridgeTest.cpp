// Through a pty bridged to TCP (socat) and on to a simulated camera: the
// command layer's exchanges and the transfer jobs, as the console runs them.
// DX410_COM1 names the bridged device; the camera behind it starts fresh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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
namespace cat = dxparams::cat;
namespace trg = dxparams::trg;

struct Bar : dxtransfer::IProgress {
    int v = 0;
    int value() const override { return v; }
    void setValue(int x) override { v = x; }
};

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        const char* device = std::getenv("DX410_COM1");
        ASSERT_TRUE(device && *device) << "DX410_COM1 must name the bridged device";
        state.CurrentFile = dir.file("current.orn");
    }
    void TearDown() override { dialogs.verify(); }

    int16_t set(const dxparams::Param& p, const std::string& command) {
        state.LogLabel = std::string(p.label);
        return layer.ExecCmd(command, "A0", std::string(p.section()), std::string(p.key));
    }
    std::string query(const dxparams::Param& p) {
        state.LogLabel = std::string(p.label);
        layer.QueryCamera(std::string(p.query));
        return state.LastReply;
    }
    void run(dxtransfer::JobRoutine job) {
        state.UpdatingFromCamera = true;  // as the transfer window sets it
        dxtransfer::JobEnv env{layer, values, bar};
        job(env);
    }
    std::string recorded(const dxparams::Param& p) {
        return dxcmd::ReadProfileString(state.CurrentFile, std::string(p.section()), std::string(p.key));
    }

    TempDir dir;
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    // the link as the program makes it: the bridge adds its own delay
    dxcmd::CommandLayer layer{state, view, dialogs, [] { return dxlink_create(); }};
    RecordedValues values;
    Bar bar;
};

TEST_F(Bridge, SettingsAreAcknowledgedReadBackAndRecorded) {
    ASSERT_EQ(set(cat::Agc, "83:42:13:02"), 0) << view.ackResult();
    EXPECT_EQ(view.ackResult(), "Matched!");
    EXPECT_EQ(recorded(cat::Agc), "83:42:13:02");
    EXPECT_EQ(query(cat::Agc), "83:42:13:02");
    // a two-byte value, and the line left clean for the next exchange
    ASSERT_EQ(set(cat::PanPosition, "84:43:04:19:00"), 0) << view.ackResult();
    EXPECT_EQ(query(cat::PanPosition), "84:43:04:19:00");
    EXPECT_EQ(recorded(cat::PanPosition), "84:43:04:19:00");
    // the port resolved to the bridge, and every exchange closed it again
    ASSERT_FALSE(view.ports.empty());
    EXPECT_EQ(view.ports.back().first, std::getenv("DX410_COM1"));
    EXPECT_EQ(view.ports.back().second, "");
}

TEST_F(Bridge, CameraDataLoadReadsWhatWasSet) {
    state.LogLabel = std::string(trg::CharacterCodeSetB.label);
    ASSERT_EQ(layer.ExecCmd(std::string(trg::CharacterCodeSetB.command), "A0", "", ""), 0);
    ASSERT_EQ(layer.ExecSend(dxparams::TitleFrame("LOBBY 2", cat::CameraTitle.code), "STRING",
                             std::string(cat::CameraTitle.key)), 0);
    ASSERT_EQ(set(cat::WhiteBalanceMode, "83:42:12:04"), 0);
    run(dxtransfer::CamDataLoad);
    EXPECT_EQ(values.value["txtCamTitle"], "LOBBY 2");
    EXPECT_EQ(values.value["optWhiteBalance"], "4");
    EXPECT_EQ(bar.v, 946);  // every query of a DX-430 answered
    EXPECT_FALSE(state.UpdatingFromCamera);
}

TEST_F(Bridge, PositionTitleLoadReadsAllHundredTitles) {
    // as Save Position does: select, title, enter
    const int preset = 42;
    char select[16];
    std::snprintf(select, sizeof select, "83:42:00:%02X", preset);
    state.LogLabel = std::string(cat::PresetPosition.labelSet);
    ASSERT_EQ(layer.ExecCmd(select, "A0", "", ""), 0);
    state.LogLabel = std::string(trg::CharacterCodeSetB.label);
    ASSERT_EQ(layer.ExecCmd(std::string(trg::CharacterCodeSetB.command), "A0", "", ""), 0);
    ASSERT_EQ(layer.ExecSend(dxparams::TitleFrame("GATE NORTH", cat::PositionTitle.code), "STRING",
                             dxparams::PositionTitleKey(preset)), 0);
    state.LogLabel = std::string(trg::EnterPosition.label);
    ASSERT_EQ(layer.ExecCmd(std::string(trg::EnterPosition.command), "A0", "", ""), 0);

    const auto start = std::chrono::steady_clock::now();
    run(dxtransfer::PositionTitleLoad);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("position title load through the bridge: %lld ms\n", static_cast<long long>(ms.count()));
    EXPECT_EQ(values.titles[preset], "GATE NORTH");
    EXPECT_EQ(bar.v, 1000);
    for (int p = 0; p < 100; ++p) EXPECT_EQ(values.states[p], "") << p;  // every row read
}

}  // namespace
