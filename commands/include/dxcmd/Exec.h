// Command execution: every exchange with a camera goes through here.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "dxcmd/State.h"
#include "dxcmd/Ui.h"

namespace dxlink { class IExComCtrl; }

namespace dxcmd {

// Creates a fresh link object for one exchange (dxlink_create in the program).
using LinkFactory = std::function<dxlink::IExComCtrl*()>;

// The diagnostic build's reply picker: shown modally, it may store the chosen
// reply in ProgramState::SimulatedReply.
using ReplyPicker = std::function<void(ProgramState&)>;

// Application error 513: a query reply with a bad first byte.
class BadReplyError : public std::runtime_error {
public:
    explicit BadReplyError(const std::string& reply)
        : std::runtime_error("Bad value."), reply_(reply) {}
    int code() const { return 513; }
    const std::string& reply() const { return reply_; }
private:
    std::string reply_;
};

// ExecCmd's result when Multi Drop has no camera chosen: nothing was sent.
inline constexpr int16_t kStatusRefused = 3;

class CommandLayer;

// One operator action: a button press with its stop and read-back, a job,
// Save Changes. Once an exchange inside met a communication error (nothing
// answered at all, or the port would not open), the rest of the action is
// not sent and shows nothing: its one box has told what failed. A bad or
// refused reply does not count. Actions opened inside another are part of it.
class Action {
public:
    enum class Kind {
        Plain,
        Job,       // its box says after how many of its commands it stopped
        Movement,  // the move's failure waits for the stop (ExecStop)
    };
    explicit Action(CommandLayer& commands, Kind kind = Kind::Plain);
    ~Action();
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

    bool failed() const;

private:
    CommandLayer& c_;
    bool wasJob_;
    bool wasHolding_;
    int wasSent_;
};

class CommandLayer {
public:
    CommandLayer(ProgramState& state, IConsoleView& view, IDialogs& dialogs, LinkFactory factory);

    // 0 matched, 1 other reply, 2 no reply; 0 also when a busy flag is set;
    // kStatusRefused when Multi Drop has no camera chosen.
    int16_t ExecCmd(const std::string& command, const std::string& ack,
                    const std::string& section, const std::string& key);
    // 0 sent, nonzero failed (1 also when refused or when the port did not open).
    int16_t ExecSend(const std::string& command, const std::string& section, const std::string& key);
    // The reply; "NL" when none; "" when refused. Throws BadReplyError.
    std::string ExecCmdRecv(const std::string& command, const std::string& ack, int16_t waitTime);
    // A stop: sent even after the action's move met a communication error (a
    // camera whose answer was lost must still stop). When it fails, its
    // failure alone is said; when it matches, the move's held-back one.
    int16_t ExecStop(const std::string& command, const std::string& ack);
    // A communication error has ended the current action.
    bool actionFailed() const { return action_.depth > 0 && action_.dead; }
    void RecordSetting(const std::string& value, const std::string& section, const std::string& key);

    // LastReply, ReplyFields, ReplyData from one query (QueryWaitShort).
    // Throws BadReplyError, leaving the three untouched.
    void QueryCamera(const std::string& command);
    // The same with another wait (QueryWaitLong for titles and packets).
    void QueryCamera(const std::string& command, int16_t waitTime);

    // Writes to CurrentFile; true when written. The first failure is shown
    // (RecordFailedMessage), then none until a write succeeds again.
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value);
    std::string ReadProfileValue(const std::string& path, const std::string& section, const std::string& key);

    void setReplyPicker(ReplyPicker picker) { picker_ = std::move(picker); }

    ProgramState& state() { return state_; }
    // The boxes of the handlers and jobs: none is shown once the current
    // action met a dead line (each answers its default button).
    IDialogs& dialogs() { return gated_; }
    IConsoleView& view() { return view_; }
    // For an exchange the execution routines do not make (a line scan's probe).
    const LinkFactory& linkFactory() const { return factory_; }

private:
    friend class Action;
    class GatedDialogs : public IDialogs {
    public:
        explicit GatedDialogs(CommandLayer& c) : c_(c) {}
        Answer message(const std::string& text, const std::string& title, Icon icon, Buttons buttons,
                       Answer defaultButton) override {
            if (c_.actionFailed()) return defaultButton;
            return c_.dialogs_.message(text, title, icon, buttons, defaultButton);
        }
        std::optional<std::string> openFile(const std::string& filter) override { return c_.dialogs_.openFile(filter); }
        std::optional<std::string> saveFile(const std::string& filter, const std::string& defaultExt) override {
            return c_.dialogs_.saveFile(filter, defaultExt);
        }

    private:
        CommandLayer& c_;
    };
    struct ActionState {
        int depth = 0;
        bool dead = false;
        bool job = false;
        bool holdFailure = false;
        int sent = 0;  // commands of the job that got through
        std::optional<std::string> held;
    };
    // The box of an exchange that met a communication error.
    void sayFailure(std::string text);

    // false when Multi Drop has no camera chosen (the refusal box was shown).
    bool address(const std::string& command, std::string& full);
    struct LinkDeleter { void operator()(dxlink::IExComCtrl* p) const; };
    using LinkPtr = std::unique_ptr<dxlink::IExComCtrl, LinkDeleter>;
    // Creates the link when `link` is empty, then PortOpen; the open result.
    // A port that did not open leaves its PortOpenFailure text in `failure`.
    int16_t open(LinkPtr& link, std::string* failure = nullptr);
    void log(std::initializer_list<std::string> entries);

    ProgramState& state_;
    IConsoleView& view_;
    IDialogs& dialogs_;
    GatedDialogs gated_{*this};
    LinkFactory factory_;
    ReplyPicker picker_;
    bool recordFailureShown_ = false;
    ActionState action_;
};

// Why port COMn could not be opened, with what to do about it where that is
// known: "COM1 (/dev/ttyUSB0) could not be opened: busy." An empty device is
// "no serial device".
std::string PortOpenFailure(int port, const std::string& device, const std::string& reason);

// What the operator is told when the current-settings file cannot be written.
std::string RecordFailedMessage(const std::string& path);

}  // namespace dxcmd
