// Setting files: the loader's order and rules, its refusals, and Save As.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "dxparams/SettingFiles.h"

using namespace dxtest;
using Strings = std::vector<std::string>;

namespace {

// A DX-430 file as the console records one, lines joined by eol.
std::string fullFile(const std::string& eol) {
    const Strings lines = {
        "[APPTYPE]", "APPNAME=DX410_430", "[OPTION]", "MODEL=0", "COMPORT=3", "DEVICETYPE=3",
        "COMMUNICATION STYLE=1", "COMMUNICATION MACHINE ID=0C", "[STRING]", "01-CAMERA TITLE=85:46:00:41:42:43",
        "[VALUE03]", "04-PAN POSITION=84:43:04:19:00", "05-TILT POSITION=83:43:05:64",
        "19-ExDR LEVEL=83:43:3A:7D", "06-MANUAL WHITE BALANCE(R-B)=84:43:06:01:48",
        "10-MANUAL WHITE BALANCE(Mg-G)=83:43:14:0A", "23-COLOR LEVEL=84:43:3E:01:02",
        "22-ENHANCE LEVEL=83:43:3D:7F", "08-PEDESTAL LEVEL=84:43:10:01:00", "20-B&W AUTO LEVEL=83:43:3B:7F",
        "[VALUE02]", "17-VARIABLE PAN/TILT SPEED MODE=83:42:22:00", "20-EASY AF MODE=83:42:25:01",
        "06-IRIS MODE=83:42:11:03", "09-MANUAL SHUTTER SPEED=83:42:14:03", "03-ExDR MODE=83:42:0B:03",
        "04-SENSE UP MODE=83:42:0D:05", "05-ALC PRIORITY=83:42:0E:01", "10-BACK LIGHT COMPENSATION(BLC)=83:42:15:06",
        "08-AGC MODE=83:42:13:03", "07-WHITE BALANCE MODE=83:42:12:04", "36-AUTO BLACK CONTROL MODE=83:42:49:01",
        "35-B&W MODE=83:42:48:06", "34-IR LIGHT=83:42:47:01"};
    std::string text;
    for (const auto& l : lines) text += l + eol;
    return text;
}

const Strings kFullFileWrites = {
    "mnuTkc=0", "mnuCom=2", "mnuDeviceType=2", "optCommunicationStyle=1", "optCamSel=11", "txtCamTitle=",
    "txtCamTitle=ABC", "sldPan=3200", "sldTilt=100", "optVariablePT=0", "chkFocusEasy=1", "cboIrisMode=3",
    "cboShutterSpeed=2", "optShutter=1", "cboShutterSpeed=1", "sldShutterExDRLevel=-3", "optShutter=2",
    "cboSenseUpSelect=5", "cboSenseUpPriority=1", "optBLCArea=6", "optAGC=3", "optWhiteBalance=4",
    "sldWhiteBalanceRB=200", "sldWhiteBalanceMgG=10", "chkAutoBlack=1", "sldLevelAdjColour=2",
    "sldLevelAdjEnhance=-1", "sldLevelAdjPedestal=0", "optBW=6", "optBWLevelAuto=0", "optBWLightType=1", "refresh="};

const char* const kRefused = "This file cannot be used.";

}  // namespace

class Loader : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        writeRaw(path, text);
        return path;
    }
    void load(const std::string& path) {
        dxparams::ApplySettingFile(layer, values, path);
        EXPECT_FALSE(state.LoadingSettingFile);
    }
    std::string header() { return "[APPTYPE]\r\nAPPNAME=DX410_430\r\n"; }

    TempDir dir;
    dxcmd::ProgramState state;
    RecordingView view;
    ScriptedDialogs dialogs{[](const std::string& m) { ADD_FAILURE() << m; }};
    dxcmd::CommandLayer layer{state, view, dialogs, {}};
    RecordedValues values;
};

// The same file however its lines end: Windows, Unix, or converted twice.
TEST_F(Loader, EveryKeyInItsOrderWhateverTheLineEnds) {
    for (const char* eol : {"\r\n", "\n", "\r\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(eol)));
        values = RecordedValues{};
        values.dx430 = false;  // the file's model comes first
        load(write("all.dat", fullFile(eol)));
        EXPECT_EQ(values.writes, kFullFileWrites);
        EXPECT_EQ(state.MachineID, "0C");
        EXPECT_TRUE(view.commandLabels.empty()) << "loading sends nothing";
    }
}

TEST_F(Loader, RefusedFilesChangeNothing) {
    const std::string fifo = dir.file("pipe.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Strings files = {
        write("none.dat", "[OPTION]\r\nMODEL=0\r\n"),
        write("case.dat", "[APPTYPE]\r\nAPPNAME=dx410_430\r\n[OPTION]\r\nMODEL=0\r\n"),
        write("binary.dat", std::string("\x00\xFF\x8F[APPTYPE\x01\x02", 12)),
        dir.path().string(),   // a folder
        fifo,                  // would block a plain reader for ever
        dir.file("gone.dat"),  // vanished before loading
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f);
        dialogs.expectMessage(kRefused);
        load(f);
        dialogs.verify();
        EXPECT_TRUE(values.writes.empty());
    }
}

TEST_F(Loader, AStepThatFailsIsReportedAndLoadingGoesOn) {
    const std::string file = header() +
                             "[OPTION]\r\nMODEL=one\r\nCOMPORT=9\r\nCOMMUNICATION MACHINE ID=\r\n"
                             "[VALUE03]\r\n04-PAN POSITION=84:43:04:7F:7F\r\n05-TILT POSITION=NL\r\n"
                             "[VALUE02]\r\n04-SENSE UP MODE=83:42:0D:05\r\n08-AGC MODE=83:42:13:02\r\n"
                             "07-WHITE BALANCE MODE=not a frame\r\n";
    values.dx430 = false;  // "x32" is not on the DX-410's list
    for (const char* m : {"13:Type mismatch", "340:Control array element '8' doesn't exist",
                          "380:Invalid property value", "380:Invalid property value", "13:Type mismatch"})
        dialogs.expectMessage(m);
    load(write("bad.dat", file));
    // an empty machine ID means camera 1; the steps after each failure ran
    EXPECT_EQ(state.MachineID, "01");
    EXPECT_EQ(values.writes, (Strings{"optCamSel=0", "txtCamTitle=", "optAGC=2", "refresh="}));
}

TEST_F(Loader, ShutterPrecedenceAndBlackAndWhiteLevel) {
    struct Case {
        std::string manual, exdr, level;
        Strings writes;
    };
    const Case cases[] = {
        {"83:42:14:00", "83:42:0B:00", "84:43:3B:01:00",
         {"cboShutterSpeed=-1", "optShutter=0", "optBWLevelAuto=1"}},
        {"83:42:14:01", "", "84:43:3B:01:01", {"cboShutterSpeed=0", "optShutter=1", "cboShutterSpeed=0", "optBWLevelAuto=2"}},
        {"83:42:14:03", "83:42:0B:03", "83:43:3B:7F",
         {"cboShutterSpeed=2", "optShutter=1", "cboShutterSpeed=1", "optShutter=2", "optBWLevelAuto=0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manual);
        values = RecordedValues{};
        load(write("s.dat", header() + "[VALUE02]\r\n09-MANUAL SHUTTER SPEED=" + c.manual + "\r\n03-ExDR MODE=" +
                                 c.exdr + "\r\n[VALUE03]\r\n20-B&W AUTO LEVEL=" + c.level + "\r\n"));
        Strings got;
        for (const auto& w : values.writes)
            if (w.starts_with("cboShutter") || w.starts_with("optShutter") || w.starts_with("optBWLevel")) got.push_back(w);
        EXPECT_EQ(got, c.writes);
    }
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
