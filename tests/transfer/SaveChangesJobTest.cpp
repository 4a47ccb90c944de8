// Save Changes run as a transfer job: progress per step, Cancel between
// steps, and a line that dies: one box counting what went through.
#include <fstream>

#include "JobRig.h"

using namespace dxtransfer;

namespace {

using dxparams::Handler;

// Each handler sends one command the camera takes, as the console's do; the
// iris mode's differs so that a fault can meet it.
struct OneCommandHandlers : dxparams::IConsoleHandlers {
    explicit OneCommandHandlers(dxcmd::CommandLayer& l) : layer(l) {}
    void run(Handler h) override {
        if (before) before(h);
        layer.ExecCmd(h == Handler::IrisMode ? "83:42:11:01" : "83:42:25:00", "A0", "", "");
    }
    bool isDX430() const override { return true; }
    int selectedStyle() const override { return 0; }

    dxcmd::CommandLayer& layer;
    std::function<void(Handler)> before;
};

}  // namespace

class SaveChangesJob : public dxtest::JobRig {
protected:
    void SetUp() override {
        JobRig::SetUp();
        state.UpdatingFromCamera = false;  // Save Changes sends
        std::ofstream(file) << "[VALUE03]\r\n03-FOCUS POSITION=84:43:03:04:00\r\n";
    }
    JobEnd save() {
        sim.clearReceived();
        state.TransferCancelled = false;
        JobEnv env{layer, values, bar, &handlers, file};
        return RunJob(*FindJob(kSaveChanges), env);
    }

    OneCommandHandlers handlers{layer};
    std::string file = dir.file("site.dat");
};

TEST_F(SaveChangesJob, RunsEveryStepWithProgressAndStopsAtCancel) {
    EXPECT_EQ(FindJob(kSaveChanges)->caption, "Now Saving...");
    EXPECT_EQ(save(), JobEnd::Finished);
    // 23 handlers, the one stored lens position, the two ENTERs
    EXPECT_EQ(commands().size(), 26u);
    // 28 steps, the two stored positions that are missing included
    EXPECT_EQ(bar.steps, 28);
    EXPECT_GE(bar.v, kProgressMax);  // the window's bar stops at its maximum

    handlers.before = [this](Handler h) {
        if (h == Handler::Shutter) state.TransferCancelled = true;
    };
    EXPECT_EQ(save(), JobEnd::Cancelled);
    EXPECT_EQ(commands().size(), 8u);  // up to the shutter's own
}

TEST_F(SaveChangesJob, ADeadLineIsSaidOnceAfterTheCommandsThatWentThrough) {
    sim.injectFault("83:42:11", dxsim::Fault::NoReply);
    dialogs.expectMessage(
        "Communication error! Please check the cable.\r\nStopped after 6 commands of this job; nothing more was sent.");
    EXPECT_EQ(save(), JobEnd::Failed);
    EXPECT_EQ(commands().size(), 7u);
    EXPECT_EQ(commands().back(), "83:42:11:01");

    sim.injectFault("", dxsim::Fault::NoReply, 100);
    dialogs.expectMessage(
        "Communication error! Please check the cable.\r\nStopped after 0 commands of this job; nothing more was sent.");
    EXPECT_EQ(save(), JobEnd::Failed);
    EXPECT_EQ(commands().size(), 1u);
}
