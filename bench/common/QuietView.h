// The console's status outputs for a bench without a window: the last
// acknowledgement text is kept, everything else goes nowhere.
#pragma once

#include <string>

#include "dxcmd/Ui.h"

namespace dxbench {

struct QuietView : dxcmd::IConsoleView {
    std::string ack;
    void setCommandLabel(const std::string&) override {}
    void setAckResult(const std::string& t) override { ack = t; }
    bool logShown() const override { return false; }
    void appendLog(const std::string&) override {}
    void setBusyPointer(bool) override {}
    void showPortStatus(const std::string&, const std::string&) override {}
};

}  // namespace dxbench
