// Records what the command layer shows in the main window.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dxcmd/Ui.h"

namespace dxtest {

class RecordingView : public dxcmd::IConsoleView {
public:
    bool shown = true;  // the log window
    std::vector<std::string> commandLabels, ackResults, log;
    std::vector<bool> pointer;  // setBusyPointer calls in order
    std::vector<std::pair<std::string, std::string>> ports;  // device, reason

    void setCommandLabel(const std::string& t) override { commandLabels.push_back(t); }
    void setAckResult(const std::string& t) override { ackResults.push_back(t); }
    bool logShown() const override { return shown; }
    void appendLog(const std::string& e) override { log.push_back(e); }
    void setBusyPointer(bool busy) override { pointer.push_back(busy); }
    void showPortStatus(const std::string& device, const std::string& why) override { ports.emplace_back(device, why); }

    std::string ackResult() const { return ackResults.empty() ? "<unset>" : ackResults.back(); }
    bool touched() const {
        return !commandLabels.empty() || !ackResults.empty() || !log.empty() || !pointer.empty() || !ports.empty();
    }
    void clear() { commandLabels.clear(), ackResults.clear(), log.clear(), pointer.clear(), ports.clear(); }
};

}  // namespace dxtest
