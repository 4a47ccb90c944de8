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

#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "dxtransfer/Jobs.h"

namespace dxtest {

using namespace dxtransfer;

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
