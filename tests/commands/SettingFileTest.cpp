// Setting files: the loader's order and rules, its refusals, and Save As.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxparams/SettingFile.h"
#include "dxparams/SettingFiles.h"

using namespace dxtest;
using Strings = std::vector<std::string>;

namespace {

// A DX-430 file as the console records one.
const Strings kFullFile = {
    "[OPTION]", "MODEL=0", "COMPORT=3", "DEVICETYPE=3", "COMMUNICATION STYLE=1", "COMMUNICATION MACHINE ID=0C",
    "[STRING]", "01-CAMERA TITLE=85:46:00:41:42:43", "[VALUE03]", "04-PAN POSITION=84:43:04:19:00",
    "05-TILT POSITION=83:43:05:64", "19-ExDR LEVEL=83:43:3A:7D", "06-MANUAL WHITE BALANCE(R-B)=84:43:06:01:48",
    "10-MANUAL WHITE BALANCE(Mg-G)=83:43:14:0A", "23-COLOR LEVEL=84:43:3E:01:02", "22-ENHANCE LEVEL=83:43:3D:7F",
    "08-PEDESTAL LEVEL=84:43:10:01:00", "20-B&W AUTO LEVEL=83:43:3B:7F", "[VALUE02]",
    "17-VARIABLE PAN/TILT SPEED MODE=83:42:22:00", "20-EASY AF MODE=83:42:25:01", "06-IRIS MODE=83:42:11:03",
    "09-MANUAL SHUTTER SPEED=83:42:14:03", "03-ExDR MODE=83:42:0B:03", "04-SENSE UP MODE=83:42:0D:05",
    "05-ALC PRIORITY=83:42:0E:01", "10-BACK LIGHT COMPENSATION(BLC)=83:42:15:06", "08-AGC MODE=83:42:13:03",
    "07-WHITE BALANCE MODE=83:42:12:04", "36-AUTO BLACK CONTROL MODE=83:42:49:01", "35-B&W MODE=83:42:48:06",
    "34-IR LIGHT=83:42:47:01"};

const Strings kFullFileWrites = {
    "mnuTkc=0", "mnuCom=2", "mnuDeviceType=2", "optCommunicationStyle=1", "optCamSel=11", "txtCamTitle=",
    "txtCamTitle=ABC", "sldPan=3200", "sldTilt=100", "optVariablePT=0", "chkFocusEasy=1", "cboIrisMode=3",
    "cboShutterSpeed=2", "optShutter=1", "cboShutterSpeed=1", "sldShutterExDRLevel=-3", "optShutter=2",
    "cboSenseUpSelect=5", "cboSenseUpPriority=1", "optBLCArea=6", "optAGC=3", "optWhiteBalance=4",
    "sldWhiteBalanceRB=200", "sldWhiteBalanceMgG=10", "chkAutoBlack=1", "sldLevelAdjColour=2",
    "sldLevelAdjEnhance=-1", "sldLevelAdjPedestal=0", "optBW=6", "optBWLevelAuto=0", "optBWLightType=1", "refresh="};

std::string file(const Strings& lines) {
    std::string text = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n";
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

}  // namespace

class Loader : public ::testing::Test {
protected:
    void load(const std::string& path) {
        dxparams::ApplySettingFile(layer, values, path);
        EXPECT_FALSE(state.LoadingSettingFile);
        EXPECT_TRUE(view.commandLabels.empty()) << "loading sends nothing";
    }

    TempDir dir;
    const std::string path = dir.file("a.dat");
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    dxcmd::CommandLayer layer{state, view, dialogs, {}};
    RecordedValues values;
};

// Each file gives the console writes in the loader's order; a step that
// fails is reported and loading goes on with the next. A file that is not a
// setting file, or not a file, changes nothing.
TEST_F(Loader, Files) {
    const std::string fifo = dir.file("pipe.dat"), refused = "This file cannot be used.";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string text;
        bool dx430;  // before the file's model
        Strings messages, writes;
        std::string machineId, at = {};  // at: another path to load
    } rows[] = {
        {"all keys", file(kFullFile), false, {}, kFullFileWrites, "0C"},
        {"no manual speed",
         file({"[VALUE02]", "09-MANUAL SHUTTER SPEED=83:42:14:00", "03-ExDR MODE=83:42:0B:00", "[VALUE03]",
               "20-B&W AUTO LEVEL=84:43:3B:01:00"}), true, {},
         {"optCamSel=0", "txtCamTitle=", "cboShutterSpeed=-1", "optShutter=0", "optBWLevelAuto=1", "refresh="}, "01"},
        {"the first speed",
         file({"[VALUE02]", "09-MANUAL SHUTTER SPEED=83:42:14:01", "03-ExDR MODE=", "[VALUE03]",
               "20-B&W AUTO LEVEL=84:43:3B:01:01"}), true, {},
         {"optCamSel=0", "txtCamTitle=", "cboShutterSpeed=0", "optShutter=1", "cboShutterSpeed=0", "optBWLevelAuto=2",
          "refresh="}, "01"},
        // "x32" is not on the DX-410's list; an empty machine ID means camera 1
        {"failing steps",
         file({"[OPTION]", "MODEL=one", "COMPORT=9", "COMMUNICATION MACHINE ID=", "[VALUE03]",
               "04-PAN POSITION=84:43:04:7F:7F", "05-TILT POSITION=NL", "[VALUE02]", "04-SENSE UP MODE=83:42:0D:05",
               "08-AGC MODE=83:42:13:02", "07-WHITE BALANCE MODE=not a frame"}), false,
         {"13:Type mismatch", "340:Control array element '8' doesn't exist", "380:Invalid property value",
          "380:Invalid property value", "13:Type mismatch"},
         {"optCamSel=0", "txtCamTitle=", "optAGC=2", "refresh="}, "01"},
        {"another id", "[APPTYPE]\r\nAPPNAME=dx410_430\r\n[OPTION]\r\nMODEL=0\r\n", true, {refused}, {}, "0"},
        {"a folder", "", true, {refused}, {}, "0", dir.path().string()},
        {"a fifo, which would block a plain reader", "", true, {refused}, {}, "0", fifo},
        {"vanished before loading", "", true, {refused}, {}, "0", dir.file("gone.dat")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        values = RecordedValues{};
        values.dx430 = r.dx430;
        state.MachineID = "0";
        writeRaw(path, r.text);
        for (const auto& m : r.messages) dialogs.expectMessage(m);
        load(r.at.empty() ? path : r.at);
        dialogs.verify();
        EXPECT_EQ(values.writes, r.writes);
        EXPECT_EQ(state.MachineID, r.machineId);
    }
    EXPECT_EQ(dxparams::PositionTitleKey(7), "02-POSITION TITLE No.07");
}

TEST(SaveAs, CopiesByteForByteAndRefusesTheCurrentFileUnderAnyName) {
    TempDir dir;
    const std::string current = dir.file("current.orn");
    const std::string text = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n[VALUE02]\r\n08-AGC MODE=83:42:13:02\r\n\xE9\r\n";
    writeRaw(current, text);
    std::filesystem::create_symlink(current, dir.file("link.dat"));
    const std::string dotted = (dir.path() / "." / "current.orn").string();
    for (const std::string& same : {current, dotted, dir.file("link.dat")})
        EXPECT_EQ(dxparams::SaveSettingFileAs(current, same), dxparams::SaveAsResult::SameFile) << same;
    EXPECT_EQ(readRaw(current), text);
    writeRaw(dir.file("old.dat"), "an older setting file");
    EXPECT_EQ(dxparams::SaveSettingFileAs(current, dir.file("old.dat")), dxparams::SaveAsResult::Copied);
    EXPECT_EQ(readRaw(dir.file("old.dat")), text);
    EXPECT_EQ(dxparams::SaveSettingFileAs(current, dir.file("no/such/folder.dat")), dxparams::SaveAsResult::Failed);
    EXPECT_EQ(dir.entries(), 3u) << "no temporary file left behind";
}
