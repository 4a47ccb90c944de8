// What the console's handler groups share: the command layer, the program
// state, the console's own state and the routines of the main window.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dxcmd/Exec.h"
#include "dxcmd/State.h"
#include "dxparams/SettingFiles.h"

class QWidget;

namespace dxconsole {

struct ConsoleState {
    int16_t ModelIndex = 0;            // 0 DX-430, 1 DX-410
    std::string SettingFilePath;
    bool RestartNoticeShown = false;
    int16_t AutoModeIndex = 0;         // 0 none, 1 auto pan, 2 auto patrol, 3 auto trace
    bool SettingPositionSlider = false;
    std::string EditedTitle;           // handed to the title dialog and back
};

// Routines of the main window that the handler groups call.
class IConsoleRoutines {
public:
    virtual ~IConsoleRoutines() = default;
    virtual void RefreshControlStates() = 0;
    virtual void ResetConsole(int scope) = 0;
    virtual bool isDX430() const = 0;   // the DX-430 model item is checked
    // Shows the transfer window for the job and returns once the job ended;
    // the load jobs run with UpdatingFromCamera set. false when it was
    // cancelled, ended by the operator or stopped at a dead line.
    virtual bool RunTransferJob(std::string_view job) = 0;
};

struct ConsoleContext {
    QWidget& window;
    dxcmd::CommandLayer& commands;
    dxcmd::ProgramState& state;
    ConsoleState& console;
    IConsoleRoutines& routines;
    dxparams::ISettingConsole& values;  // the controls as code sets them
};

// A named child of the window; a missing one is a programming error, so say
// which.
template <typename T>
T* need(const QObject& root, const char* name) {
    T* w = root.findChild<T*>(QString::fromLatin1(name));
    if (!w) throw std::logic_error(std::string("console control missing: ") + name);
    return w;
}

}  // namespace dxconsole
