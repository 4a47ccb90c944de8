// A port that cannot be opened: the communication error box says why.
#include <gtest/gtest.h>

#include <cstdlib>

#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"

TEST(PortCause, TheBoxNamesThePortAndTheCause) {
    dxtest::TempDir dir;
    const std::string missing = dir.file("ttyUSB7");
    ::setenv("DX410_COM3", missing.c_str(), 1);
    dxcmd::ProgramState state;
    state.CommPort = 3;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    dxcmd::CommandLayer layer{state, view, dialogs, [] { return dxlink_create(); }};

    dialogs.expectMessage("Communication error! Please check the cable.\r\nCOM3 (" + missing +
                          ") could not be opened: not found.");
    EXPECT_EQ(layer.ExecCmd("82:45:29", "A0", "", ""), 2);
    dialogs.verify();
    ::unsetenv("DX410_COM3");
    // the one cause with a remedy the operator can apply
    EXPECT_EQ(dxcmd::PortOpenFailure(1, "/dev/ttyUSB0", "permission denied"),
              "COM1 (/dev/ttyUSB0) could not be opened: permission denied. Add your user to the dialout group and "
              "log in again.");
}
