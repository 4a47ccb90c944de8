#include <gtest/gtest.h>

#include "JobRig.h"
#include "dxcmd/Codec.h"

using namespace dxtest;
using Strings = std::vector<std::string>;

namespace {

const Strings kCamDataQueries430 = {
    "82:06:00", "82:03:04", "82:03:05", "82:02:22", "82:02:25", "82:02:11", "82:02:14", "82:03:3A",
    "82:02:0B", "82:02:0D", "82:02:0E", "82:02:15", "82:02:13", "82:02:12", "82:03:06", "82:03:14",
    "82:02:49", "82:03:3E", "82:03:3D", "82:03:10", "82:02:48", "82:03:3B", "82:02:47"};

Strings withoutDX430Only(Strings q) {
    std::erase_if(q, [](const std::string& c) {
        return c == "82:02:0E" || c == "82:02:48" || c == "82:03:3B" || c == "82:02:47";
    });
    return q;
}

Strings upTo(const Strings& q, const std::string& last) {
    return Strings(q.begin(), std::find(q.begin(), q.end(), last) + 1);
}

// A camera with every value the load reads set away from its defaults.
dxsim::CameraState loaded(dxsim::CameraState s, int senseUp) {
    s.value03[0x04] = 100;
    s.value03[0x05] = 300;
    s.value02[0x22] = 0;
    s.value02[0x25] = 1;
    s.value02[0x11] = 2;
    s.value02[0x14] = 5;
    s.value03[0x3A] = 128 + 3;
    s.value02[0x0B] = 3;
    s.value02[0x0D] = senseUp;
    s.value02[0x0E] = 1;
    s.value02[0x15] = 3;
    s.value02[0x13] = 2;
    s.value02[0x12] = 4;
    s.value03[0x06] = 200;
    s.value03[0x14] = 10;
    s.value02[0x49] = 1;
    s.value03[0x3E] = 127;  // 7F: -1
    s.value03[0x3D] = 128;  // 01:00: 0
    s.value03[0x10] = 133;  // 01:05: 5
    s.value02[0x48] = 2;
    s.value03[0x3B] = 129;
    s.value02[0x47] = 1;
    s.title = " CAM A ";
    return s;
}

}  // namespace

// ---- the camera data load

class CamDataLoad430 : public JobRig {};

class CamDataLoad410 : public JobRig {
protected:
    CamDataLoad410() : JobRig([] {
        auto o = paced();
        o.model = dxsim::Model::DX410;
        return o;
    }()) {}
};

TEST_F(CamDataLoad430, ReadsEveryValueInOrderAndEndsAt946) {
    sim.setState(loaded(sim.state(), 5));
    run(CamDataLoad);
    EXPECT_EQ(commands(), kCamDataQueries430);  // no code-set trigger first
    EXPECT_TRUE(sim.waitForFrames(2 * kCamDataQueries430.size(), std::chrono::seconds(2)));
    EXPECT_EQ(sim.received().size(), 2 * kCamDataQueries430.size()) << "one A0 after each reply";
    const std::map<std::string, std::string> expect = {
        {"txtCamTitle", "CAM A"}, {"sldPan", "100"}, {"sldTilt", "300"}, {"optVariablePT", "0"},
        {"chkFocusEasy", "1"}, {"cboIrisMode", "2"}, {"cboShutterSpeed", "3"}, {"optShutter", "2"},
        {"sldShutterExDRLevel", "3"}, {"cboSenseUpSelect", "5"}, {"cboSenseUpPriority", "1"},
        {"optBLCArea", "3"}, {"optAGC", "2"}, {"optWhiteBalance", "4"}, {"sldWhiteBalanceRB", "200"},
        {"sldWhiteBalanceMgG", "10"}, {"chkAutoBlack", "1"}, {"sldLevelAdjColour", "-1"},
        {"sldLevelAdjEnhance", "0"}, {"sldLevelAdjPedestal", "5"}, {"optBW", "2"}, {"optBWLevelAuto", "2"},
        {"optBWLightType", "1"}};
    EXPECT_EQ(values.value, expect);
    EXPECT_EQ(bar.v, 946);
    EXPECT_EQ(bar.steps.size(), 22u);
    EXPECT_FALSE(state.UpdatingFromCamera);
}

TEST_F(CamDataLoad410, LeavesOutTheDX430QueriesAndEndsAt817) {
    values.dx430 = false;
    sim.setState(loaded(sim.state(), 1));
    run(CamDataLoad);
    EXPECT_EQ(commands(), withoutDX430Only(kCamDataQueries430));
    EXPECT_EQ(bar.v, 817);
    EXPECT_EQ(v("cboSenseUpSelect"), "1");
    EXPECT_EQ(v("optBW"), "-");
}

TEST_F(CamDataLoad430, ShutterRulesAndTitleForms) {
    struct Case {
        int manual, exdr;
        bool codeSetB;
        std::string title;
        Strings shutterWrites;
    };
    const Case cases[] = {
        {0, 0, false, "AB", {"cboShutterSpeed=-1", "optShutter=0"}},
        {1, 0, true, "AB", {"cboShutterSpeed=0", "optShutter=1", "cboShutterSpeed=0"}},
        // ExDR wins over a manual speed read before it
        {5, 3, true, "A B", {"cboShutterSpeed=4", "optShutter=1", "cboShutterSpeed=3", "optShutter=2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manual);
        auto s = sim.state();
        s.value02[0x14] = c.manual;
        s.value02[0x0B] = c.exdr;
        s.characterCodeSetB = c.codeSetB;  // the job never sends the trigger itself
        s.title = "  " + c.title + " ";
        sim.setState(s);
        values.writes.clear();
        bar.v = 0;
        run(CamDataLoad);
        EXPECT_EQ(v("txtCamTitle"), c.title);
        Strings shutter;
        for (const auto& w : values.writes)
            if (w.starts_with("cboShutterSpeed") || w.starts_with("optShutter")) shutter.push_back(w);
        EXPECT_EQ(shutter, c.shutterWrites);
    }
}

TEST_F(CamDataLoad430, FailuresOnTheWay) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::pair<std::string, dxcmd::Answer>> boxes;
        std::string last;  // the last query sent
        int bar;
        bool agcWritten;
        std::string blc;
    };
    const std::string bad = "Bad value.\r\nCommand =82:02:13\r\nResult =90:42:13:02";
    const std::string ask = "Receive failed. Do you wish to continue?";
    const Case cases[] = {
        {"bad reply, go on", [&] { sim.injectFault("82:02:13", dxsim::Fault::BadFirstByte); },
         {{bad, dxcmd::Answer::Ok}, {ask, dxcmd::Answer::Yes}}, "82:02:47", 946, false, "0"},
        {"bad reply, stop", [&] { sim.injectFault("82:02:13", dxsim::Fault::BadFirstByte); },
         {{bad, dxcmd::Answer::Ok}, {ask, dxcmd::Answer::No}}, "82:02:13", 12 * 43, false, "0"},
        {"a value the control cannot take",
         [&] {
             auto s = sim.state();
             s.value02[0x15] = 9;  // no such BLC area
             sim.setState(s);
         },
         {{"Unknown error.", dxcmd::Answer::Ok}}, "82:02:47", 946, true, "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.resetToFactory();
        auto s = sim.state();
        s.value02[0x13] = 2;
        sim.setState(s);
        c.arrange();
        for (const auto& [text, answer] : c.boxes) dialogs.expectMessage(text, answer);
        values.value.clear();
        bar.v = 0;
        state.UpdatingFromCamera = true;
        run(CamDataLoad);
        dialogs.verify();
        EXPECT_EQ(commands(), upTo(kCamDataQueries430, c.last));
        EXPECT_EQ(bar.v, c.bar);
        EXPECT_EQ(v("optAGC"), c.agcWritten ? "2" : "-");
        EXPECT_EQ(v("optBLCArea"), c.blc);
    }
}

TEST_F(CamDataLoad430, CameraFallsSilentHalfWay) {
    values.afterWrite = [&](const std::string& w) {
        if (w.starts_with("optBLCArea")) sim.injectFault("", dxsim::Fault::NoReply, 100);
    };
    const Strings q = kCamDataQueries430;
    for (auto it = std::find(q.begin(), q.end(), "82:02:13"); it != q.end(); ++it)
        dialogs.expectMessage("Receive failed.\r\nCommand =" + *it + "\r\nResult =NL");
    run(CamDataLoad);
    EXPECT_EQ(commands(), q);  // every step is still tried
    EXPECT_EQ(v("optAGC"), "-");
    EXPECT_EQ(v("optBWLightType"), "-");
    EXPECT_EQ(bar.v, 946);
}

TEST_F(CamDataLoad430, CancelStopsAtTheNextCheckAndKeepsWhatWasRead) {
    values.afterWrite = [&](const std::string& w) {
        if (w.starts_with("cboSenseUpSelect")) state.TransferCancelled = true;
    };
    run(CamDataLoad);
    EXPECT_EQ(commands(), upTo(kCamDataQueries430, "82:02:0D"));  // no ALC priority
    EXPECT_EQ(v("sldPan"), "3200");
    EXPECT_EQ(v("cboSenseUpSelect"), "0");
    EXPECT_TRUE(state.UpdatingFromCamera) << "the starter clears it";
}

// ---- the preset positions

class PositionLoad : public JobRig {};

TEST_F(PositionLoad, TitlesOfAllRowsSkippingAPresetTheCameraDidNotSelect) {
    auto s = sim.state();
    for (int p = 0; p < 100; ++p) s.presetTitles[p] = "P" + std::to_string(p);
    s.presetTitles[99] = "LAST ONE 16 CHRS";
    sim.setState(s);
    values.titles[7] = "kept";
    sim.injectFault("83:42:00:07", dxsim::Fault::WrongAck);
    dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:07");
    run(PositionTitleLoad);

    Strings expect;
    for (int p = 0; p < 100; ++p) {
        char sel[16];
        std::snprintf(sel, sizeof sel, "83:42:00:%02X", p);
        expect.push_back(sel);
        if (p != 7) expect.push_back("82:06:02");
    }
    EXPECT_EQ(commands(), expect);
    EXPECT_EQ(values.titles[0], "P0");
    EXPECT_EQ(values.titles[10], "P10");
    EXPECT_EQ(values.titles[7], "kept");
    EXPECT_EQ(values.titles[99], "LAST ONE 16 CHRS");
    EXPECT_EQ(values.states, Strings(100, ""));
    EXPECT_EQ(bar.v, 1000);
    EXPECT_FALSE(state.UpdatingFromCamera);
}

TEST_F(PositionLoad, DataOfTheSelectedPresetEndsAt868) {
    auto s = sim.state();
    s.selectedPreset = 3;  // the click has selected it
    s.presetTitles[3] = "DOOR";
    s.value03[0x04] = 4000;
    s.value03[0x05] = 10;
    s.value02[0x11] = 0;
    s.value02[0x12] = 4;
    s.value02[0x15] = 6;
    s.value03[0x06] = 1;
    s.value03[0x14] = 255;
    sim.setState(s);
    values.selected = 3;
    run(PositionDataLoad);
    EXPECT_EQ(commands(), (Strings{"82:06:02", "82:03:04", "82:03:05", "82:02:11", "82:02:12", "82:02:15",
                                   "82:03:06", "82:03:14"}));
    EXPECT_EQ(values.titles[3], "DOOR");
    EXPECT_EQ(values.writes, (Strings{"sldPan=4000", "sldTilt=10", "cboIrisMode=0", "optWhiteBalance=4",
                                      "optBLCArea=6", "sldWhiteBalanceRB=1", "sldWhiteBalanceMgG=255"}));
    EXPECT_EQ(bar.v, 868);
}

TEST_F(PositionLoad, DataLoadCancelledAfterTheTilt) {
    values.selected = 0;
    values.afterWrite = [&](const std::string& w) {
        if (w.starts_with("sldTilt")) state.TransferCancelled = true;
    };
    run(PositionDataLoad);
    EXPECT_EQ(commands(), (Strings{"82:06:02", "82:03:04", "82:03:05"}));
    EXPECT_EQ(values.writes.size(), 2u);
}

// ---- addressing on a multi-drop line

class MultiDropJobs : public JobRig {
protected:
    MultiDropJobs() : JobRig([] {
        auto o = paced(32);
        o.paced = false;  // addressing, not timing
        return o;
    }()) {}
};

TEST_F(MultiDropJobs, EveryCommandAddressedEveryAcknowledgementBare) {
    state.CommStyle = 1;
    state.MachineID = "0C";
    values.selected = 5;
    const std::pair<JobRoutine, size_t> jobs[] = {{&CamDataLoad, 46}, {&PositionDataLoad, 16}, {&PositionTitleLoad, 300}};
    for (const auto& [job, frames] : jobs) {
        state.UpdatingFromCamera = true;
        run(job);
        ASSERT_TRUE(sim.waitForFrames(frames, std::chrono::seconds(2)));
        for (const auto& f : sim.received()) EXPECT_TRUE(f == "A0" || f.starts_with("B1:01:0C:8")) << f;
    }
    EXPECT_EQ(values.titles[99], sim.state(12).presetTitles[99]);
}

// ---- pieces

TEST(Progress, StepsRoundToNearestHalvesToEven) {
    struct Case {
        int from, n, to;
    };
    for (const Case c : {Case{0, 23, 43}, Case{43, 23, 86}, Case{0, 16, 62}, Case{62, 16, 124},
                         Case{0, 7, 143}, Case{858, 100, 868}, Case{990, 100, 1000}}) {
        Bar b;
        b.v = c.from;
        Advance(b, c.n);
        EXPECT_EQ(b.v, c.to) << c.from << " + 1000/" << c.n;
    }
}

TEST(Titles, BothCharacterForms) {
    std::string data;
    auto decode = [&](const std::string& reply) { return DecodeTitle(reply, dxcmd::SplitReply(reply, data)); };
    EXPECT_EQ(decode("8F:06:46:00:21:22:23"), "ABC");
    EXPECT_EQ(decode("8F:07:06:02:04:01:04:02"), "AB");
    EXPECT_EQ(decode("8F:09:06:02:02:00:04:01:02:00"), "A");  // blanks around go
    EXPECT_EQ(decode("NL"), "");
}

TEST(Jobs, TableNamesTheWindowTexts) {
    ASSERT_NE(FindJob("CAMDATALOAD"), nullptr);
    EXPECT_EQ(FindJob("CAMDATALOAD")->caption, "Now loading...");
    EXPECT_EQ(FindJob("POSITIONTITLELOAD")->status, "Now Position Title loading...");
    EXPECT_EQ(FindJob("NOSUCHJOB"), nullptr);
}
