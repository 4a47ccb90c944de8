// A headless job on the simulated camera: the real command layer and link,
// the console's values recorded with the window's ranges.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "dxtransfer/Jobs.h"

namespace dxtest {

using namespace dxtransfer;
using Strings = std::vector<std::string>;

struct Bar : IProgress {
    int v = 0, steps = 0;
    int value() const override { return v; }
    void setValue(int x) override { v = x, ++steps; }
};

class JobRig : public ::testing::Test {
protected:
    explicit JobRig(dxsim::Options o = {}) : sim((o.turnaroundMs = 0, o)) {}
    void SetUp() override {
        ASSERT_TRUE(sim.start());
        ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
    }
    void TearDown() override { dialogs.verify(); }

    // Runs the job; at each pump of the user interface `waits` gets the
    // link's reply wait, and onPump runs (the window's Cancel, say).
    void run(JobRoutine job, bool updating = true) {  // as the starter sets the flag
        state.UpdatingFromCamera = updating;
        sim.clearReceived();
        waits.clear();
        bar = Bar{};
        JobEnv env{layer, values, bar};
        dxlink_set_event_pump([](void* rig) { static_cast<JobRig*>(rig)->pumped(); }, this);
        job(env);
        dxlink_set_event_pump(nullptr, nullptr);
    }
    void pumped() {
        waits.insert(dxlink_reply_wait_ms());
        if (onPump) onPump();
    }
    // What reached the camera, without the host's acknowledgements.
    Strings commands() const {
        Strings out = sim.received();
        return std::erase(out, "A0"), out;
    }
    std::string v(const std::string& control) { return values.value.count(control) ? values.value[control] : "-"; }

    TempDir dir;
    dxsim::CameraSim sim;
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    // a silent camera costs little
    dxcmd::CommandLayer layer{state, view, dialogs, [] { auto* l = dxlink_create(); l->put_SerialTimeout(150); return l; }};
    RecordedValues values;
    Bar bar;
    std::set<int> waits;
    std::function<void()> onPump;
};

}  // namespace dxtest
