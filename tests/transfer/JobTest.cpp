#include <gtest/gtest.h>

#include <map>

#include "JobRig.h"
#include "dxcmd/Codec.h"

using namespace dxtest;
using Answer = dxcmd::Answer;

namespace {

const Strings kCamDataQueries = {
    "82:06:00", "82:03:04", "82:03:05", "82:02:22", "82:02:25", "82:02:11", "82:02:14", "82:03:3A",
    "82:02:0B", "82:02:0D", "82:02:0E", "82:02:15", "82:02:13", "82:02:12", "82:03:06", "82:03:14",
    "82:02:49", "82:03:3E", "82:03:3D", "82:03:10", "82:02:48", "82:03:3B", "82:02:47"};

Strings upTo(const std::string& last) {
    return Strings(kCamDataQueries.begin(), std::find(kCamDataQueries.begin(), kCamDataQueries.end(), last) + 1);
}

}  // namespace

using Jobs = JobRig;

// Every value away from its default, read in order; the DX-410 has no ALC
// priority and no black-and-white controls.
TEST_F(Jobs, CamDataLoadReadsEveryValue) {
    auto s = sim.state();
    for (auto [item, v] : {std::pair{0x22, 0}, {0x25, 1}, {0x11, 2}, {0x14, 5}, {0x0B, 3}, {0x0D, 5}, {0x0E, 1},
                           {0x15, 3}, {0x13, 2}, {0x12, 4}, {0x49, 1}, {0x48, 2}, {0x47, 1}})
        s.value02[item] = v;
    for (auto [item, v] : {std::pair{0x04, 100}, {0x05, 300}, {0x3A, 131}, {0x06, 200}, {0x14, 10}, {0x3E, 127},
                           {0x3D, 128}, {0x10, 133}, {0x3B, 129}})
        s.value03[item] = v;
    s.title = " CAM A ";
    sim.setState(s);
    std::map<std::string, std::string> expect = {
        {"txtCamTitle", "CAM A"}, {"sldPan", "100"}, {"sldTilt", "300"}, {"optVariablePT", "0"},
        {"chkFocusEasy", "1"}, {"cboIrisMode", "2"}, {"cboShutterSpeed", "3"}, {"optShutter", "2"},
        {"sldShutterExDRLevel", "3"}, {"cboSenseUpSelect", "5"}, {"cboSenseUpPriority", "1"}, {"optBLCArea", "3"},
        {"optAGC", "2"}, {"optWhiteBalance", "4"}, {"sldWhiteBalanceRB", "200"}, {"sldWhiteBalanceMgG", "10"},
        {"chkAutoBlack", "1"}, {"sldLevelAdjColour", "-1"}, {"sldLevelAdjEnhance", "0"},
        {"sldLevelAdjPedestal", "5"}, {"optBW", "2"}, {"optBWLevelAuto", "2"}, {"optBWLightType", "1"}};
    Strings queries = kCamDataQueries;
    run(CamDataLoad);
    EXPECT_EQ(commands(), queries);  // no code-set trigger first
    EXPECT_EQ(values.value, expect);
    EXPECT_EQ(bar.v, 946);
    EXPECT_EQ(bar.steps, 22);
    EXPECT_TRUE(waits.count(200)) << "the title waits long";
    EXPECT_FALSE(state.UpdatingFromCamera);

    values = RecordedValues{};
    values.dx430 = false;
    s.value02[0x0D] = 1;  // the DX-410's sense-up list is shorter
    sim.setState(s);
    expect["cboSenseUpSelect"] = "1";
    for (const char* c : {"cboSenseUpPriority", "optBW", "optBWLevelAuto", "optBWLightType"}) expect.erase(c);
    for (const char* q : {"82:02:0E", "82:02:48", "82:03:3B", "82:02:47"}) std::erase(queries, q);
    run(CamDataLoad);
    EXPECT_EQ(commands(), queries);
    EXPECT_EQ(values.value, expect);
    EXPECT_EQ(bar.v, 817);
}

TEST_F(Jobs, CamDataLoadShutterRulesAndTitleForms) {
    const struct { int manual, exdr; bool codeSetB; std::string title; Strings writes; } cases[] = {
        {0, 0, false, "AB", {"cboShutterSpeed=-1", "optShutter=0"}},
        {1, 0, true, "AB", {"cboShutterSpeed=0", "optShutter=1", "cboShutterSpeed=0"}},
        // ExDR wins over a manual speed read before it
        {5, 3, true, "A B", {"cboShutterSpeed=4", "optShutter=1", "cboShutterSpeed=3", "optShutter=2"}},
    };
    for (const auto& c : cases) {
        auto s = sim.state();
        s.value02[0x14] = c.manual, s.value02[0x0B] = c.exdr, s.title = "  " + c.title + " ";
        s.characterCodeSetB = c.codeSetB;  // the job never sends the trigger itself: both title forms
        sim.setState(s);
        values.writes.clear();
        run(CamDataLoad);
        EXPECT_EQ(v("txtCamTitle"), c.title) << c.manual;
        std::erase_if(values.writes, [](const std::string& w) { return !w.starts_with("cboShutter") && !w.starts_with("optShutter"); });
        EXPECT_EQ(values.writes, c.writes) << c.manual;
    }
}

// Nothing is retried: a bad reply asks whether to go on, a silent camera
// only leaves its values unread, a Cancel stops at the next check.
TEST_F(Jobs, CamDataLoadFailuresOnTheWay) {
    const std::string bad = "Bad value.\r\nCommand =82:02:13\r\nResult =90:42:13:02";
    const std::string ask = "Receive failed. Do you wish to continue?";
    std::vector<std::pair<std::string, Answer>> silent;
    for (auto q = std::find(kCamDataQueries.begin(), kCamDataQueries.end(), "82:02:13"); q != kCamDataQueries.end(); ++q)
        silent.emplace_back("Receive failed.\r\nCommand =" + *q + "\r\nResult =NL", Answer::Ok);
    const auto after = [&](const char* control, std::function<void()> f) {
        return [=, this] { values.afterWrite = [=](const std::string& w) { if (w.starts_with(control)) f(); }; };
    };
    const auto set02 = [&](int item, int value) {
        auto s = sim.state();
        s.value02[item] = value;
        sim.setState(s);
    };
    const struct {  // last: the last query sent; ended: UpdatingFromCamera cleared
        const char* name; std::function<void()> arrange; std::vector<std::pair<std::string, Answer>> boxes;
        std::string last; int bar; std::map<std::string, std::string> values; bool ended;
    } cases[] = {
        {"bad reply, go on", [&] { sim.injectFault("82:02:13", dxsim::Fault::BadFirstByte); },
         {{bad, Answer::Ok}, {ask, Answer::Yes}}, "82:02:47", 946, {{"optAGC", "-"}, {"optBLCArea", "0"}}, true},
        {"bad reply, stop", [&] { sim.injectFault("82:02:13", dxsim::Fault::BadFirstByte); },
         {{bad, Answer::Ok}, {ask, Answer::No}}, "82:02:13", 12 * 43, {{"optAGC", "-"}, {"optWhiteBalance", "-"}}, false},
        {"a value the control cannot take", [&] { set02(0x15, 9); },  // no such BLC area
         {{"Unknown error.", Answer::Ok}}, "82:02:47", 946, {{"optAGC", "2"}, {"optBLCArea", "-"}}, true},
        {"camera falls silent", after("optBLCArea", [&] { sim.injectFault("", dxsim::Fault::NoReply, 100); }), silent,
         "82:02:47", 946, {{"optAGC", "-"}, {"optBWLightType", "-"}}, true},
        {"cancelled", after("cboSenseUpSelect", [&] { state.TransferCancelled = true; }), {}, "82:02:0D", 10 * 43,
         {{"sldPan", "3200"}, {"cboSenseUpSelect", "0"}, {"cboSenseUpPriority", "-"}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.resetToFactory();
        sim.clearFaults();
        set02(0x13, 2);
        values = RecordedValues{};
        state.TransferCancelled = false;
        c.arrange();
        for (const auto& [text, answer] : c.boxes) dialogs.expectMessage(text, answer);
        run(CamDataLoad);
        dialogs.verify();
        EXPECT_EQ(commands(), upTo(c.last));
        EXPECT_EQ(bar.v, c.bar);
        for (const auto& [control, value] : c.values) EXPECT_EQ(v(control), value) << control;
        EXPECT_EQ(state.UpdatingFromCamera, !c.ended);
    }
}

TEST_F(Jobs, PositionTitlesOfAllRowsSkippingAPresetTheCameraDidNotSelect) {
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
        expect.push_back("83:42:00:" + dxcmd::EncodeValue(int16_t(p)));
        if (p != 7) expect.push_back("82:06:02");
    }
    EXPECT_EQ(commands(), expect);
    EXPECT_EQ(Strings(values.titles.begin() + 6, values.titles.begin() + 9), (Strings{"P6", "kept", "P8"}));
    EXPECT_EQ(values.titles[99], "LAST ONE 16 CHRS");
    EXPECT_EQ(values.states, Strings(100, ""));
    EXPECT_EQ(bar.v, 1000);
    EXPECT_TRUE(waits.count(200)) << "titles wait long";
    EXPECT_FALSE(state.UpdatingFromCamera);
}

TEST_F(Jobs, PositionDataOfTheSelectedPreset) {
    auto s = sim.state();
    s.selectedPreset = 3;  // the click has selected it
    s.presetTitles[3] = "DOOR";
    for (auto [item, v] : {std::pair{0x11, 0}, {0x12, 4}, {0x15, 6}}) s.value02[item] = v;
    for (auto [item, v] : {std::pair{0x04, 4000}, {0x05, 10}, {0x06, 1}, {0x14, 255}}) s.value03[item] = v;
    sim.setState(s);
    values.selected = 3;
    run(PositionDataLoad);
    const Strings queries = {"82:06:02", "82:03:04", "82:03:05", "82:02:11", "82:02:12", "82:02:15", "82:03:06", "82:03:14"};
    EXPECT_EQ(commands(), queries);
    EXPECT_EQ(values.titles[3], "DOOR");
    EXPECT_EQ(values.writes, (Strings{"sldPan=4000", "sldTilt=10", "cboIrisMode=0", "optWhiteBalance=4",
                                      "optBLCArea=6", "sldWhiteBalanceRB=1", "sldWhiteBalanceMgG=255"}));
    EXPECT_EQ(bar.v, 868);
    EXPECT_TRUE(waits.count(200)) << "the title waits long";

    values.afterWrite = [&](const std::string& w) { state.TransferCancelled = w.starts_with("sldTilt"); };
    run(PositionDataLoad);
    EXPECT_EQ(commands(), Strings(queries.begin(), queries.begin() + 3));
}

TEST(Progress, StepsRoundToNearestHalvesToEven) {
    for (const auto& [from, n, to] : {std::tuple{0, 23, 43}, {43, 23, 86}, {0, 16, 62}, {62, 16, 124}, {0, 7, 143},
                                     {858, 100, 868}, {990, 100, 1000}}) {
        Bar b;
        b.v = from, Advance(b, n);
        EXPECT_EQ(b.v, to) << from << " + 1000/" << n;
    }
}
