// Setting files: loading one into the console, saving the current settings
// as one, and writing a loaded set to the camera.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "dxcmd/Exec.h"
#include "dxparams/ConsoleValues.h"

namespace dxparams {

// What the loader sets besides the values: the option menus and the
// enabled states. Each throws InvalidValue for an item that does not exist.
class ISettingConsole : public IConsoleValues {
public:
    virtual void selectModel(int index) = 0;       // 0 DX-430, 1 DX-410
    virtual void selectComPort(int index) = 0;     // 0..3: COM1..COM4
    virtual void selectDeviceType(int index) = 0;  // 0 RS422A, 1 RS485, 2 RS232C
    virtual void refreshControlStates() = 0;
};

// Fills the console from a setting file; sends nothing. A step that fails is
// reported (its number, ":" and its description) and loading goes on.
void ApplySettingFile(dxcmd::CommandLayer& commands, ISettingConsole& console, const std::string& path);

// Copies the current-settings file to target through a temporary file and a
// rename. SameFile when target is the current-settings file itself, under
// whatever name.
enum class SaveAsResult { Copied, SameFile, Failed };
SaveAsResult SaveSettingFileAs(const std::string& currentFile, const std::string& target);

// The console handlers Save Changes runs, in its order.
enum class Handler {
    CameraTitleExecute,
    Pan,
    Tilt,
    VariablePT,
    FocusEasy,
    IrisMode,
    Shutter,
    ShutterSpeed,
    ExDRLevel,
    SenseUp,
    SenseUpPriority,
    BLCArea,
    AGC,
    WhiteBalance,
    WhiteBalanceMgG,
    WhiteBalanceRB,
    AutoBlack,
    Colour,
    Enhance,
    Pedestal,
    BW,
    BWLevelAuto,
    BWLightType,
};

class IConsoleHandlers {
public:
    virtual ~IConsoleHandlers() = default;
    virtual void run(Handler h) = 0;
    virtual bool isDX430() const = 0;
    virtual int selectedStyle() const = 0;  // the communication-style button, -1 none
};

// Called after each step of Save Changes with the number of steps; false
// stops the sequence there (a cancel).
using SaveChangesStep = std::function<bool(int steps)>;

// Writes the console's settings and the stored lens positions to the
// addressed camera, then the two ENTER commands.
void SaveChanges(dxcmd::CommandLayer& commands, IConsoleHandlers& console, const std::string& settingFile,
                 const SaveChangesStep& afterStep = {});

inline constexpr std::string_view kSaveChangesQuestion = "Are you sure to save current cahnges to the camera?";
inline constexpr std::string_view kNoSettingFileMessage = "Please choose a file by menu Load Setting File.";

}  // namespace dxparams
