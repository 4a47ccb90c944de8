// The seam between the plain layers and the window system. The console
// implements both interfaces with widgets; tests script them.
#pragma once

#include <optional>
#include <string>

namespace dxcmd {

enum class Icon { None, Critical, Question, Information };
enum class Buttons { Ok, YesNo, OkCancel };
enum class Answer { Ok, Cancel, Yes, No };

// Message boxes and file dialogs. Texts are the system's own; "\r\n" in a
// text is a line break. An empty title means the application title.
class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual Answer message(const std::string& text, const std::string& title, Icon icon,
                           Buttons buttons, Answer defaultButton) = 0;
    // filter in the "Name(*.ext)|*.ext|ALL Files(*.*)|*.*|" form; nullopt on cancel
    virtual std::optional<std::string> openFile(const std::string& filter) = 0;
    virtual std::optional<std::string> saveFile(const std::string& filter,
                                                const std::string& defaultExt) = 0;
};

// The main window's status labels, log and pointer.
class IConsoleView {
public:
    virtual ~IConsoleView() = default;
    virtual void setCommandLabel(const std::string& text) = 0;   // lblCommand
    virtual void setAckResult(const std::string& text) = 0;      // lblACKResult
    virtual bool logShown() const = 0;
    virtual void appendLog(const std::string& entry) = 0;
    virtual void setBusyPointer(bool busy) = 0;                  // hourglass
    // Where the port of the last exchange lives, and why it would not open
    // (reason "" after a good open).
    virtual void showPortStatus(const std::string& device, const std::string& reason) = 0;
};

inline constexpr const char* kAppTitle = "ORN CCTV";

}  // namespace dxcmd
