// The line as it fails on site: an adapter pulled out in the middle of an
// exchange and plugged in again, and descriptors over many exchanges.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using namespace std::chrono_literals;

namespace {

dxsim::Options unpaced() {
    dxsim::Options o;
    o.paced = false;
    o.turnaroundMs = 0;
    o.lateMs = 2000;
    return o;
}

size_t openDescriptors() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

long threadCpuMs() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

}  // namespace

class Line : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("DX410_COM1", port.c_str(), 1);
        state.CurrentFile = dir.file("current.orn");
    }
    // The adapter's device name stays; what is behind it changes.
    void plugIn(dxsim::CameraSim& sim) {
        ASSERT_TRUE(sim.start());
        std::filesystem::remove(port);
        std::filesystem::create_symlink(sim.devicePath(), port);
    }

    dxtest::TempDir dir;
    std::string port = dir.file("ttyUSB0");
    dxcmd::ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    dxcmd::CommandLayer layer{state, view, dialogs, [] {
                                  auto* l = dxlink_create();
                                  l->put_SerialTimeout(3000);
                                  return l;
                              }};
};

TEST_F(Line, PulledOutMidExchangeEndsItAndThePlugBackWorks) {
    auto first = std::make_unique<dxsim::CameraSim>(unpaced());
    plugIn(*first);
    first->injectFault("82:45:2A", dxsim::Fault::Late);  // the camera is slow: the adapter goes first
    std::thread pull([&] {
        first->waitForFrames(1, 3s);
        first->stop();
    });
    dialogs.expectMessage("Communication error! Please check the cable.");
    const long cpu = threadCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(layer.ExecCmd("82:45:2A", "A0", "", ""), 2);
    const auto took = std::chrono::steady_clock::now() - t0;
    pull.join();
    EXPECT_LT(took, 2000ms) << "ended by the hang-up, not the 3 s time-out";
    EXPECT_LT(threadCpuMs() - cpu, 100) << "no spinning on a dead line";
    dialogs.verify();

    dxsim::CameraSim second(unpaced());
    plugIn(second);
    EXPECT_EQ(layer.ExecCmd("82:45:2A", "A0", "", ""), 0);
    state.LogLabel = "PAN POSITION (VALUE03 04)";
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");
}

TEST_F(Line, NoDescriptorLeaksOverTenThousandExchanges) {
    dxsim::CameraSim sim(unpaced());
    plugIn(sim);
    EXPECT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:19:00");  // warm up
    const size_t before = openDescriptors();
    // answered queries: each opens the port twice, for the reply and its A0
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(layer.ExecCmdRecv("82:03:04", "A0", 0), "84:43:04:19:00") << i;
    EXPECT_EQ(openDescriptors(), before);
}
