#include "dxcmd/Exec.h"

#include <algorithm>
#include <string>

#include "dxcmd/Codec.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"

namespace dxcmd {
namespace {

// How long ExecSend waits for the camera's answer to what it sent.
constexpr int16_t kSendAnswerWaitMs = 250;

// A frame that names a group and an item must name the query's: a camera
// that answered an earlier query too late leaves that answer on the line,
// and taken for this one it would be recorded under the wrong key (and
// later sent back to the camera as that setting). The group may come in
// its read or write form (titles use both).
bool answersQuery(const std::string& frame, const std::string& query) {
    const int h = HexByteAt(frame, 0);
    if (h < 0x83) return true;  // no group and item to compare
    const size_t at = h == 0x8F ? 6 : 3;  // character of the group byte
    const int qGroup = HexByteAt(query, 3), qItem = HexByteAt(query, 6);
    if (qGroup < 0 || qItem < 0 || qGroup >= 0x40) return true;  // not a read
    return (HexByteAt(frame, at) & ~0x40) == qGroup && HexByteAt(frame, at + 3) == qItem;
}

// A query reply is valid when it holds a whole frame that answers the
// query: one cut short, or one whose header cannot be right, would be
// acknowledged and decoded into a wrong value. What follows the frame is
// not part of it.
bool validReply(const std::string& reply, const std::string& query, std::string& frame) {
    const size_t need = FrameBytes(reply);
    if (need == 0 || (reply.size() + 1) / 3 < need) return false;
    frame = reply.substr(0, 3 * need - 1);
    return answersQuery(frame, query);
}

std::string errorText(const std::string& section, const std::string& key, const std::string& full) {
    return "Error!\r\nSECTION = [" + section + "]\r\nKEY = [" + key + "]\r\nCommand = " + full;
}

// A failed read-back must not replace a recorded position: Save Changes sends it back.
bool failedReadBack(const std::string& value) {
    return value.empty() || value == "NL" || value == "NR";
}

class BusyPointer {
public:
    explicit BusyPointer(IConsoleView& v) : v_(v) { v_.setBusyPointer(true); }
    ~BusyPointer() { v_.setBusyPointer(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
private:
    IConsoleView& v_;
};

std::string stoppedAfter(int commands) {
    return "Stopped after " + std::to_string(commands) + (commands == 1 ? " command" : " commands") +
           " of this job; nothing more was sent.";
}

}  // namespace

Action::Action(CommandLayer& commands, Kind kind)
    : c_(commands),
      wasJob_(commands.action_.job),
      wasHolding_(commands.action_.holdFailure),
      wasSent_(commands.action_.sent) {
    auto& a = c_.action_;
    if (a.depth++ == 0) {
        a = {};
        a.depth = 1;
    }
    if (kind == Kind::Job) {
        a.job = true;
        a.sent = 0;
    }
    // another control worked while a movement button is held says its own failure
    a.holdFailure = kind == Kind::Movement;
}

Action::~Action() {
    auto& a = c_.action_;
    a.job = wasJob_;
    a.holdFailure = wasHolding_;
    a.sent = wasSent_;
    if (--a.depth > 0) return;
    const std::optional<std::string> held = std::move(a.held);
    a = {};
    // no stop came after the failed move: its failure is what is said
    if (held) c_.dialogs_.message(*held, "", Icon::Critical, Buttons::Ok, Answer::Ok);
}

bool Action::failed() const { return c_.action_.dead; }

void CommandLayer::sayFailure(std::string text) {
    if (action_.depth > 0) {
        action_.dead = true;
        if (action_.job) text += "\r\n" + stoppedAfter(action_.sent);
        if (action_.holdFailure) {
            action_.held = std::move(text);
            return;
        }
    }
    dialogs_.message(text, "", Icon::Critical, Buttons::Ok, Answer::Ok);
}

void CommandLayer::LinkDeleter::operator()(dxlink::IExComCtrl* p) const {
    if (p) p->Release();
}

CommandLayer::CommandLayer(ProgramState& state, IConsoleView& view, IDialogs& dialogs, LinkFactory factory)
    : state_(state), view_(view), dialogs_(dialogs), factory_(std::move(factory)) {}

bool CommandLayer::address(const std::string& command, std::string& full) {
    if (state_.CommStyle == 1) {
        if (state_.MachineID == "0") {
            dialogs_.message("Please choose a camera number.", "Error", Icon::Critical, Buttons::Ok, Answer::Ok);
            return false;
        }
        full = "B1:01:" + state_.MachineID + ":" + command;
    } else {
        full = command;
    }
    return true;
}

int16_t CommandLayer::open(LinkPtr& link, std::string* failure) {
    if (!link) link = LinkPtr(factory_ ? factory_() : nullptr);
    if (!link) {
        view_.showPortStatus("", "no link");
        if (failure) *failure = PortOpenFailure(state_.CommPort, "", "no link");
        return 1;
    }
    int16_t rc = link->PortOpen(state_.CommDeviceType, state_.CommPort);
    std::string reason;
    if (rc != 0) {
        const char* t = dxlink_port_error_text(static_cast<int>(link->LastOpenError()));
        reason = t ? t : "";
        if (failure) *failure = PortOpenFailure(state_.CommPort, link->ResolvedDevice(), reason);
    }
    view_.showPortStatus(link->ResolvedDevice(), reason);
    return rc;
}

std::string PortOpenFailure(int port, const std::string& device, const std::string& reason) {
    std::string text = "COM" + std::to_string(port) + " (" + (device.empty() ? "no serial device" : device) +
                       ") could not be opened: " + reason + ".";
    if (reason.find("permission") != std::string::npos)
        text += " Add your user to the dialout group and log in again.";
    return text;
}

void CommandLayer::log(std::initializer_list<std::string> entries) {
    if (!view_.logShown()) return;
    for (const auto& e : entries) view_.appendLog(e);
}

int16_t CommandLayer::ExecCmd(const std::string& command, const std::string& ack,
                              const std::string& section, const std::string& key) {
    if (state_.busy()) return 0;
    if (actionFailed()) return 2;  // the line died earlier in this action
    std::string full;
    if (!address(command, full)) return kStatusRefused;

    view_.setCommandLabel(full);
    view_.setAckResult("");
    BusyPointer hourglass(view_);

    LinkPtr link;
    int16_t status = 2;
    std::string openFailure;
    if (state_.DiagnosticMode) {
        status = 0;
    } else {
        open(link, &openFailure);
        if (link) {
            status = link->cmd(full, ack);
            link->PortClose();
        }
    }

    log({"<<ExecCmd>>" + state_.LogLabel, full, ack, std::to_string(status), ""});

    if (status != 2) ++action_.sent;
    if (status == 0) {
        view_.setAckResult("Matched!");
        if (!section.empty() && !state_.LoadingSettingFile) WriteProfileValue(section, key, command);
    } else if (status == 1) {
        std::string text = errorText(section, key, full);
        view_.setAckResult(text);
        dialogs_.message(text, "", Icon::Critical, Buttons::Ok, Answer::Ok);
    } else {
        // a port that did not open says why, beside the cable
        std::string text = "Communication error! Please check the cable.";
        if (!openFailure.empty()) text += "\r\n" + openFailure;
        sayFailure(std::move(text));
    }
    return status;
}

int16_t CommandLayer::ExecSend(const std::string& command, const std::string& section,
                               const std::string& key) {
    if (actionFailed()) return 1;
    std::string full;
    if (!address(command, full)) return 1;

    view_.setCommandLabel(full);
    view_.setAckResult("");

    LinkPtr link;
    int16_t opened = 0;
    int16_t sent = 0;
    if (!state_.DiagnosticMode) {
        if (!link) link = LinkPtr(factory_ ? factory_() : nullptr);
        // The camera acknowledges a title too. Left unread, that A0 would
        // arrive during the next exchange and be taken as its answer; a
        // short bound keeps a camera that stays silent from costing seconds.
        if (link) link->put_SerialTimeout(std::min<int16_t>(link->get_SerialTimeout(), kSendAnswerWaitMs));
        opened = open(link);
        sent = 1;
        if (link) {
            sent = link->Send(full);
            if (opened == 0 && sent == 0) link->Recv(1);  // the answer itself decides nothing
            link->PortClose();
        }
    }

    log({"<<ExecSend>>" + state_.LogLabel, full, std::to_string(sent), ""});

    if (opened == 0) {
        ++action_.sent;
        view_.setAckResult("Matched!");
        if (!section.empty()) WriteProfileValue(section, key, command);
        return sent;
    }
    std::string text = errorText(section, key, full);
    view_.setAckResult(text);
    sayFailure(text);
    // nothing reached the camera through a closed port
    return sent != 0 ? sent : 1;
}

std::string CommandLayer::ExecCmdRecv(const std::string& command, const std::string& ack, int16_t waitTime) {
    if (actionFailed()) return "NL";
    std::string full;
    if (!address(command, full)) return "";

    view_.setCommandLabel(full);
    view_.setAckResult("");

    if (state_.DiagnosticMode) {
        log({"<<ExecCmdRecv>>" + state_.LogLabel, full, ack, "", ""});
        if (picker_) picker_(state_);
        return state_.SimulatedReply;  // unchecked, as picked
    }

    LinkPtr link;
    std::string reply = "NL";
    const bool opened = open(link) == 0;
    if (link) {
        reply = link->CmdRecv(full, ack, waitTime);
        link->PortClose();
    }

    log({"<<ExecCmdRecv>>" + state_.LogLabel, full, ack, reply, ""});

    if (reply == "NL") {
        view_.setAckResult("Receive failed.");
        const std::string text = "Receive failed.\r\nCommand =" + full + "\r\nResult =" + reply;
        // a refused or garbled answer is not a dead line
        if (!opened || !link->LastReplyHeard())
            sayFailure(text);
        else
            dialogs_.message(text, "", Icon::Critical, Buttons::Ok, Answer::Ok);
        return reply;
    }
    ++action_.sent;
    std::string frame;
    if (validReply(reply, command, frame)) {
        // the camera waits for this; it is never addressed
        open(link);
        link->Send("A0");
        link->PortClose();
        return frame;
    }
    view_.setAckResult(reply);
    dialogs_.message("Bad value.\r\nCommand =" + full + "\r\nResult =" + reply, "", Icon::Critical,
                     Buttons::Ok, Answer::Ok);
    throw BadReplyError(reply);
}

int16_t CommandLayer::ExecStop(const std::string& command, const std::string& ack) {
    ActionState& a = action_;
    std::optional<std::string> moveFailure = std::move(a.held);
    a.held.reset();
    const bool dead = a.dead, hold = a.holdFailure;
    a.dead = false;
    a.holdFailure = false;
    const int16_t status = ExecCmd(command, ack, "", "");
    a.holdFailure = hold;
    if (status == 0 && moveFailure) dialogs_.message(*moveFailure, "", Icon::Critical, Buttons::Ok, Answer::Ok);
    a.dead = a.dead || dead;
    return status;
}

void CommandLayer::RecordSetting(const std::string& value, const std::string& section,
                                 const std::string& key) {
    if (state_.busy() || section.empty() || failedReadBack(value)) return;
    WriteProfileValue(section, key, value);
}

void CommandLayer::QueryCamera(const std::string& command) { QueryCamera(command, state_.QueryWaitShort); }

void CommandLayer::QueryCamera(const std::string& command, int16_t waitTime) {
    std::string reply = ExecCmdRecv(command, "A0", waitTime);
    std::string data;
    std::vector<std::string> fields = SplitReply(reply, data);
    state_.LastReply = std::move(reply);
    state_.ReplyFields = std::move(fields);
    state_.ReplyData = std::move(data);
}

bool CommandLayer::WriteProfileValue(const std::string& section, const std::string& key,
                                     const std::string& value) {
    if (state_.CurrentFile.empty()) return false;  // no record kept at all
    const bool written = WriteProfileString(state_.CurrentFile, section, key, value);
    // A setting the camera took but the record lost would be missing from
    // the next saved setting file: said once, until writing works again.
    if (!written && !recordFailureShown_)
        dialogs_.message(RecordFailedMessage(state_.CurrentFile), "Error", Icon::Critical, Buttons::Ok, Answer::Ok);
    recordFailureShown_ = !written;
    return written;
}

std::string RecordFailedMessage(const std::string& path) {
    return "The current settings file could not be written:\r\n" + path +
           "\r\nSettings are not recorded until it can be written again.";
}

std::string CommandLayer::ReadProfileValue(const std::string& path, const std::string& section,
                                           const std::string& key) {
    return ReadProfileString(path, section, key);
}

}  // namespace dxcmd
