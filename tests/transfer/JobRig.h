// A headless job on the simulated camera: the real command layer and link,
// the console's values recorded with the window's ranges.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "dxtransfer/Jobs.h"

namespace dxtest {

using namespace dxtransfer;

class RecordedValues : public IConsoleValues {
public:
    bool dx430 = true;
    std::vector<std::string> writes;             // "sldPan=3200" in order
    std::map<std::string, std::string> value;    // the last write per control
    std::vector<std::string> titles = std::vector<std::string>(100), states = std::vector<std::string>(100, "x");
    int selected = -1;
    std::function<void(const std::string&)> afterWrite;  // e.g. to cancel at a point

    void setSlider(Slider s, int v) override {
        const auto [lo, hi] = sliderRange(s);
        put(ControlName(s), v, v >= lo && v <= hi);
    }
    void setListIndex(List l, int i) override { put(ControlName(l), i, i >= -1 && i < listSize(l)); }
    void selectOption(OptionGroup g, int i) override { put(ControlName(g), i, options(g).count(i) > 0); }
    void setCheck(Check c, int v) override { put(ControlName(c), v, v == 0 || v == 1); }
    void setCameraTitle(const std::string& t) override { record("txtCamTitle", t); }
    int presetRows() const override { return 100; }
    std::string presetRowText(int row) const override { return row == 0 ? "00" : std::to_string(row); }
    void setPresetTitle(int row, const std::string& t) override { titles.at(size_t(row)) = t; }
    void setPresetState(int row, const std::string& s) override { states.at(size_t(row)) = s; }
    int selectedPresetRow() const override { return selected; }
    bool isDX430() const override { return dx430; }

private:
    static std::pair<int, int> sliderRange(Slider s) {
        switch (s) {
        case Slider::Pan: return {0, 6399};
        case Slider::Tilt: return {0, 6400};
        case Slider::WhiteBalanceRB:
        case Slider::WhiteBalanceMgG: return {0, 255};
        default: return {-5, 5};
        }
    }
    int listSize(List l) const {
        switch (l) {
        case List::IrisMode: return 4;
        case List::ShutterSpeed: return 7;
        case List::SenseUpSelect: return dx430 ? 7 : 2;
        case List::SenseUpPriority: return 2;
        }
        return 0;
    }
    static std::set<int> options(OptionGroup g) {
        switch (g) {
        case OptionGroup::VariablePT: return {0, 1};
        case OptionGroup::Shutter: return {0, 1, 2, 4, 5};
        case OptionGroup::BLCArea: return {0, 1, 2, 3, 4, 5, 6};
        case OptionGroup::AGC: return {0, 1, 2, 3};
        case OptionGroup::WhiteBalance: return {1, 4};
        case OptionGroup::BW: return {0, 1, 2, 3, 4, 5, 6};
        case OptionGroup::BWLevelAuto: return {0, 1, 2};
        case OptionGroup::BWLightType: return {0, 1};
        case OptionGroup::CommunicationStyle: return {0, 1};
        case OptionGroup::CamSel: {
            std::set<int> all;
            for (int i = 0; i < 32; ++i) all.insert(i);
            return all;
        }
        }
        return {};
    }
    void put(std::string_view name, int v, bool ok) {
        if (!ok) throw InvalidValue::Property();
        record(std::string(name), std::to_string(v));
    }
    void record(const std::string& name, const std::string& v) {
        writes.push_back(name + "=" + v);
        value[name] = v;
        if (afterWrite) afterWrite(writes.back());
    }
};

struct Bar : IProgress {
    int v = 0;
    std::vector<int> steps;
    int value() const override { return v; }
    void setValue(int x) override {
        v = x;
        steps.push_back(x);
    }
};

inline dxlink::IExComCtrl* QuickLink() {
    auto* l = dxlink_create();
    l->put_SerialTimeout(150);  // a silent camera costs little
    return l;
}

class JobRig : public ::testing::Test {
protected:
    static dxsim::Options paced(int cameras = 0) {
        dxsim::Options o;
        o.multiDropCameras = cameras;
        o.turnaroundMs = 0;
        return o;
    }
    JobRig() : JobRig(paced()) {}
    explicit JobRig(dxsim::Options o) : sim(o) {}
    void SetUp() override {
        ASSERT_TRUE(sim.start());
        ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
        state.UpdatingFromCamera = true;  // as the starter sets it
    }
    void TearDown() override { dialogs.verify(); }

    void run(JobRoutine job) {
        sim.clearReceived();
        JobEnv env{layer, values, bar};
        job(env);
    }
    // What reached the camera, without the host's acknowledgements.
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const auto& f : sim.received())
            if (f != "A0") out.push_back(f);
        return out;
    }
    std::string v(const char* control) { return values.value.count(control) ? values.value[control] : "-"; }

    TempDir dir;
    dxsim::CameraSim sim;
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    dxcmd::CommandLayer layer{state, view, dialogs, QuickLink};
    RecordedValues values;
    Bar bar;
};

}  // namespace dxtest
