// The console seams without a window: a value store for what the window
// would show, the dialogs as lines on stderr, and a progress bar on stderr.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dxcmd/Exec.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFiles.h"
#include "dxtransfer/Jobs.h"

namespace dxctl {

// What the window would show, by control name, with the window's ranges.
class PlainValues : public dxparams::ISettingConsole {
public:
    explicit PlainValues(bool dx430) : dx430_(dx430) {}

    void setSlider(dxparams::Slider s, int v) override;
    void setListIndex(dxparams::List l, int i) override;
    void selectOption(dxparams::OptionGroup g, int i) override;
    void setCheck(dxparams::Check c, int v) override;
    void setCameraTitle(const std::string& latin1) override { cameraTitle_ = latin1; }
    int presetRows() const override { return 100; }
    std::string presetRowText(int row) const override { return row == 0 ? "00" : std::to_string(row); }
    void setPresetTitle(int row, const std::string& latin1) override { presetTitles_.at(size_t(row)) = latin1; }
    void setPresetState(int, const std::string&) override {}
    int selectedPresetRow() const override { return -1; }
    bool isDX430() const override { return dx430_; }
    void selectModel(int i) override;
    void selectComPort(int i) override;
    void selectDeviceType(int i) override;
    void refreshControlStates() override {}
    void setScannedCamera(const dxparams::ScannedCamera& c) override { scanned_.push_back(c); }

    // -1 when the control was never set (or holds no selection)
    int get(std::string_view control) const;
    bool has(std::string_view control) const { return values_.find(control) != values_.end(); }
    const std::string& cameraTitle() const { return cameraTitle_; }
    const std::vector<std::string>& presetTitles() const { return presetTitles_; }
    const std::vector<dxparams::ScannedCamera>& scanned() const { return scanned_; }

private:
    void put(std::string_view control, int v, bool ok, bool element);

    bool dx430_;
    std::map<std::string, int, std::less<>> values_;
    std::string cameraTitle_;
    std::vector<std::string> presetTitles_ = std::vector<std::string>(100);
    std::vector<dxparams::ScannedCamera> scanned_;
};

// One command Save Changes would send through a console handler.
struct Sent {
    std::string label, command, section, key;
    bool send = false;  // ExecSend (a title frame) rather than ExecCmd
};

// The console's handlers over the value store: each turns its control's
// value into the command the window would send, and hands it to the sink.
class PlainHandlers : public dxparams::IConsoleHandlers {
public:
    using Sink = std::function<void(const Sent&)>;
    PlainHandlers(const PlainValues& values, dxcmd::IDialogs& dialogs, Sink sink)
        : values_(values), dialogs_(dialogs), sink_(std::move(sink)) {}
    void run(dxparams::Handler h) override;
    bool isDX430() const override { return values_.isDX430(); }
    int selectedStyle() const override { return -1; }  // the addressing is the command line's

private:
    void send(std::string_view label, const std::string& command, std::string_view section = {},
              std::string_view key = {});
    void param(const dxparams::Param& p, const std::string& command) { send(p.label, command, p.section(), p.key); }
    void digit(const dxparams::Param& p, int n, int base = 16);
    void value(const dxparams::Param& p, int v);
    void twoState(const dxparams::Param& p, int on);

    const PlainValues& values_;
    dxcmd::IDialogs& dialogs_;
    Sink sink_;
};

// Setting-file key -> the command Save Changes would send for it.
using Rendered = std::map<std::string, std::string>;
Rendered Render(const PlainValues& values, dxcmd::IDialogs& dialogs);

// Every message as one line on stderr; questions take the safe answer.
class LineDialogs : public dxcmd::IDialogs {
public:
    explicit LineDialogs(bool quiet) : quiet_(quiet) {}
    dxcmd::Answer message(const std::string& text, const std::string& title, dxcmd::Icon icon,
                          dxcmd::Buttons buttons, dxcmd::Answer defaultButton) override;
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override { return std::nullopt; }
    // a message other than "Completed!" was shown: something failed
    bool failed() const { return failed_; }
    void clearFailed() { failed_ = false; }

private:
    bool quiet_;
    bool failed_ = false;
};

// The window's labels: only why the port would not open is kept.
class QuietView : public dxcmd::IConsoleView {
public:
    void setCommandLabel(const std::string&) override {}
    void setAckResult(const std::string&) override {}
    bool logShown() const override { return false; }
    void appendLog(const std::string&) override {}
    void setBusyPointer(bool) override {}
    void showPortStatus(const std::string& device, const std::string& reason) override {
        device_ = device;
        reason_ = reason;
    }
    const std::string& device() const { return device_; }
    const std::string& reason() const { return reason_; }

private:
    std::string device_, reason_;
};

// A bar on stderr once a job has run for a second, only on a terminal.
class BarProgress : public dxtransfer::IProgress {
public:
    BarProgress(bool enabled, std::string label);
    ~BarProgress() override;
    int value() const override { return value_; }
    void setValue(int v) override;
    void reset(std::string label);

private:
    void finish();
    bool enabled_;
    std::string label_;
    int value_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace dxctl
