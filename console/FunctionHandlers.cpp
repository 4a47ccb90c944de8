#include "FunctionHandlers.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPushButton>

#include "PictureHandlers.h"
#include "dxparams/Catalogue.h"
#include "dxtransfer/Jobs.h"

namespace dxconsole {

namespace trg = dxparams::trg;

namespace {

constexpr const char* kDumpFilter = "Dump File(*.dmp)|*.dmp|ALL Files(*.*)|*.*|";

// A dump button never ends the program: whatever goes wrong ends the handler.
template <typename F>
void trapped(F&& handler) {
    try {
        handler();
    } catch (...) {
    }
}

}  // namespace

FunctionHandlers::FunctionHandlers(ConsoleContext& context, PictureHandlers& picture)
    : ctx_(context),
      picture_(picture),
      optAuto_(need<QButtonGroup>(context.window, "optAuto")),
      optFactorySettings_(need<QButtonGroup>(context.window, "optFactorySettings")),
      cmdMenu_(need<QPushButton>(context.window, "cmdMenu")),
      cmdSet_(need<QPushButton>(context.window, "cmdSet")),
      cmdExecLoadFactorySettings_(need<QPushButton>(context.window, "cmdExecLoadFactorySettings")),
      cmdExecDownload_(need<QPushButton>(context.window, "cmdExecDownload")),
      cmdExecUpload_(need<QPushButton>(context.window, "cmdExecUpload")) {
    connect(cmdMenu_, &QPushButton::clicked, this, [this] {
        dxcmd::Action action(ctx_.commands);  // the auto mode's off and MENU
        cmdMenu_Click();
    });
    connect(cmdSet_, &QPushButton::clicked, this, [this] { cmdSet_Click(); });
    connect(optFactorySettings_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) optFactorySettings_Click();
    });
    connect(cmdExecLoadFactorySettings_, &QPushButton::clicked, this,
            [this] { cmdExecLoadFactorySettings_Click(); });
    connect(cmdExecDownload_, &QPushButton::clicked, this, [this] { cmdExecDownload_Click(); });
    connect(cmdExecUpload_, &QPushButton::clicked, this, [this] { cmdExecUpload_Click(); });
}

void FunctionHandlers::cmdMenu_Click() {
    const int mode = ctx_.console.AutoModeIndex;
    if (mode >= 1 && mode <= 3) {
        // The automatic function goes off before the camera opens its menu.
        QAbstractButton* off = optAuto_->button(0);
        if (off && !off->isChecked())
            off->setChecked(true);  // its handler switches the mode off
        else
            picture_.optAuto_Click();  // already showing "Auto Off": switch off anyway
    }
    ctx_.state.LogLabel = std::string(trg::Menu.label);
    ctx_.commands.ExecCmd(std::string(trg::Menu.command), "A0", "", "");
}

void FunctionHandlers::cmdSet_Click() {
    ctx_.state.LogLabel = std::string(trg::Set.label);
    ctx_.commands.ExecCmd(std::string(trg::Set.command), "A0", "", "");
}

void FunctionHandlers::optFactorySettings_Click() { ctx_.routines.RefreshControlStates(); }

void FunctionHandlers::cmdExecLoadFactorySettings_Click() {
    const int i = PictureHandlers::selectedIndex(optFactorySettings_);
    if (i != 1 && i != 2) return;
    const bool all = i == 1;
    const char* question =
        all ? "Are you sure to reset camera data to factory settings?"
            : "Are you sure to reset without TITLE and PRISET POSITION to factory settings?";
    auto& dialogs = ctx_.commands.dialogs();
    if (dialogs.message(question, "", dxcmd::Icon::Question, dxcmd::Buttons::YesNo,
                        dxcmd::Answer::No) != dxcmd::Answer::Yes)
        return;
    const auto& reset = all ? trg::AllClear : trg::AllClearKeepPositions;
    ctx_.state.LogLabel = std::string(reset.label);
    const int16_t status = ctx_.commands.ExecCmd(std::string(reset.command), "A0", "", "");
    if (status == 0)
        dialogs.message("Completed!", "", dxcmd::Icon::Information, dxcmd::Buttons::Ok,
                        dxcmd::Answer::Ok);
    ctx_.routines.ResetConsole(all ? 0 : 2);
    ctx_.routines.RefreshControlStates();
}

void FunctionHandlers::cmdExecDownload_Click() {
    trapped([this] {
        ctx_.state.TransferJob = std::string(dxtransfer::kDump64Download);
        // the dialog asks before an existing file is replaced
        const auto file = ctx_.commands.dialogs().saveFile(kDumpFilter, "dmp");
        if (!file) return;
        ctx_.state.DumpFilePath = *file;
        ctx_.routines.RunTransferJob(dxtransfer::kDump64Download);
    });
}

void FunctionHandlers::cmdExecUpload_Click() {
    trapped([this] {
        ctx_.state.TransferJob = std::string(dxtransfer::kDump64Upload);
        auto& dialogs = ctx_.commands.dialogs();
        const auto file = dialogs.openFile(kDumpFilter);
        if (!file) return;
        ctx_.state.DumpFilePath = *file;
        if (dialogs.message("Are you sure to upload?", "Upload", dxcmd::Icon::Question, dxcmd::Buttons::YesNo,
                            dxcmd::Answer::No) != dxcmd::Answer::Yes)
            return;
        ctx_.routines.RunTransferJob(dxtransfer::kDump64Upload);
    });
}

}  // namespace dxconsole
