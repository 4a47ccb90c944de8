// The console: the main window with its controls, state and start-up.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "ConsoleContext.h"
#include "ConsoleValues.h"
#include "Handlers.h"
#include "dxcmd/Exec.h"
#include "dxcmd/State.h"
#include "dxcmd/Ui.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;

namespace dxconsole {

// The command log window, which lives with the program shell.
class ICommandLog {
public:
    virtual ~ICommandLog() = default;
    virtual bool shown() const = 0;
    virtual void append(const std::string& entry) = 0;
    virtual void open() = 0;      // shows it, or brings it up with its entries
    virtual void closeLog() = 0;  // closes it; its entries go
};

struct ConsoleDeps {
    dxcmd::ProgramState* state;
    dxcmd::IDialogs* dialogs;
    dxcmd::LinkFactory linkFactory;
    std::string programDir;
    std::string fallbackDir;
    // The shell's single-instance and screen checks, run again by load();
    // false ends the start-up. Empty: no checks.
    std::function<bool()> startChecks = {};
    // The diagnostic program: no camera, replies picked by hand, the log menu shown.
    bool diagnostic = false;
    ICommandLog* log = nullptr;
    // Shows the about box, modal over the window.
    std::function<void(QWidget* owner)> showAbout = {};
    // the current-settings file's name, in programDir or fallbackDir
    std::string currentFileName = "current.orn";
};

class frmMain : public QMainWindow, public dxcmd::IConsoleView, public IConsoleRoutines {
    Q_OBJECT
public:
    explicit frmMain(ConsoleDeps deps, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start values, checks, InitCurrentFile, ResetConsole(0),
    // RefreshControlStates. false when a start check failed.
    bool load();

    dxcmd::CommandLayer& commands() { return *commands_; }
    ConsoleState& console() { return console_; }
    dxcmd::ProgramState& state() { return *deps_.state; }

    void InitCurrentFile();
    void ResetConsole(int scope) override;
    void RefreshControlStates() override;
    bool isDX430() const override;

    void mnuTkc_Click(int index);
    void mnuCom_Click(int index);
    void mnuDeviceType_Click(int index);
    void optCommunicationStyle_Click(int index);
    void optCamSel_Click(int index);
    void mnuConnect_Click();

    // Runs a transfer job in the transfer window and returns once it ended.
    bool RunTransferJob(std::string_view job) override;
    dxparams::ISettingConsole& values() { return *values_; }

    // IConsoleView
    void setCommandLabel(const std::string& text) override;
    void setAckResult(const std::string& text) override;
    bool logShown() const override { return deps_.log && deps_.log->shown(); }
    void appendLog(const std::string& entry) override;
    void setBusyPointer(bool busy) override;
    void showPortStatus(const std::string& device, const std::string& reason) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void connectOwnHandlers();
    void showSelectedPort();
    void showAddressedCamera();
    void forgetPresetMark();
    void sizePresetColumns();
    QButtonGroup* group(const char* name) const;

    ConsoleDeps deps_;
    ConsoleState console_;
    std::unique_ptr<dxcmd::CommandLayer> commands_;
    std::unique_ptr<WindowValues> values_;
    std::unique_ptr<ConsoleContext> context_;
    std::unique_ptr<ConsoleHandlers> handlers_;
    bool busyPointer_ = false;
    bool shownOnce_ = false;
    // set by every exchange
    QLabel* lblCommand_ = nullptr;
    QLabel* lblAckResult_ = nullptr;
    QLabel* lblPortStatus_ = nullptr;
};

}  // namespace dxconsole
