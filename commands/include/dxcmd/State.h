// Program-wide state of the command layer, owned by the program (one object,
// no globals). Handlers and jobs reach it through the CommandLayer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dxcmd {

struct ProgramState {
    // connection (set by the connection settings)
    int16_t CommPort = 1;        // COM number
    int16_t CommDeviceType = 1;  // 1 RS422A, 2 RS485, 3 RS232C
    int16_t CommStyle = 0;       // 0 "P to P", 1 "Multi Drop"
    std::string MachineID = "0"; // "01".."20"; "0" while no camera is chosen

    std::string LogLabel;
    std::string CurrentFile;     // the current-settings file

    // busy flags: while any is set ExecCmd and RecordSetting do nothing
    bool InitializingConsole = false;
    bool LoadingSettingFile = false;
    bool UpdatingFromCamera = false;

    int16_t QueryWaitShort = 0;
    int16_t QueryWaitLong = 200;

    // query results (QueryCamera)
    std::string LastReply;
    std::vector<std::string> ReplyFields;
    std::string ReplyData;

    // transfer state
    std::string TransferJob;
    bool TransferCancelled = false;
    std::string DumpFilePath;

    // The diagnostic program talks to no camera: commands succeed on the spot
    // and query replies are picked by hand. Off in the delivered program.
    bool DiagnosticMode = false;
    std::string SimulatedReply;  // the diagnostic build's picked reply

    bool busy() const { return InitializingConsole || LoadingSettingFile || UpdatingFromCamera; }
};

// Sets every member to its start value (the main window's load).
inline void ResetProgramState(ProgramState& s) {
    std::string current = s.CurrentFile;
    s = ProgramState{};
    s.CurrentFile = current;
}

}  // namespace dxcmd
