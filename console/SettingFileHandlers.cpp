#include "SettingFileHandlers.h"

#include <QAction>
#include <QButtonGroup>
#include <QWidget>

#include "MotionHandlers.h"
#include "PictureHandlers.h"
#include "PresetHandlers.h"
#include "dxparams/SettingFile.h"
#include "dxtransfer/Jobs.h"

namespace dxconsole {

namespace {

std::string str(std::string_view s) { return std::string(s); }

}  // namespace

SettingFileHandlers::SettingFileHandlers(ConsoleContext& context, MotionHandlers& motion, PictureHandlers& picture,
                                         PresetHandlers& presets)
    : ctx_(context), motion_(motion), picture_(picture), presets_(presets) {
    auto on = [this](const char* name, void (SettingFileHandlers::*h)()) {
        auto* a = need<QAction>(ctx_.window, name);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, h] { guarded(h); });
    };
    on("mnuLoadSettingFile", &SettingFileHandlers::mnuLoadSettingFile_Click);
    on("mnuSaveAs", &SettingFileHandlers::mnuSaveAs_Click);
    on("mnuSaveChanges", &SettingFileHandlers::mnuSaveChanges_Click);
}

void SettingFileHandlers::guarded(void (SettingFileHandlers::*action)()) {
    try {
        (this->*action)();
    } catch (const std::exception&) {
        // nothing here ends the program; the command just ends
    }
}

void SettingFileHandlers::mnuLoadSettingFile_Click() {
    const auto chosen = ctx_.commands.dialogs().openFile(str(dxparams::kSettingFileFilter));
    if (!chosen || chosen->empty()) return;  // cancelled: nothing loaded
    ctx_.console.SettingFilePath = *chosen;
    dxparams::ApplySettingFile(ctx_.commands, ctx_.values, ctx_.console.SettingFilePath);
}

void SettingFileHandlers::mnuSaveAs_Click() {
    const auto chosen = ctx_.commands.dialogs().saveFile(str(dxparams::kSettingFileFilter), "dat");
    if (!chosen || chosen->empty()) return;
    const auto result = dxparams::SaveSettingFileAs(ctx_.state.CurrentFile, *chosen);
    if (result == dxparams::SaveAsResult::SameFile)
        ctx_.commands.dialogs().message("You can not use this filename.", "", dxcmd::Icon::None, dxcmd::Buttons::Ok,
                                        dxcmd::Answer::Ok);
    // a copy that silently did not happen would be found missing on site
    if (result == dxparams::SaveAsResult::Failed)
        ctx_.commands.dialogs().message("Save failed: the setting file could not be written. Nothing was changed.",
                                        "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
}

void SettingFileHandlers::mnuSaveChanges_Click() {
    auto& dialogs = ctx_.commands.dialogs();
    if (ctx_.console.SettingFilePath.empty()) {
        dialogs.message(str(dxparams::kNoSettingFileMessage), "", dxcmd::Icon::None, dxcmd::Buttons::Ok,
                        dxcmd::Answer::Ok);
        return;
    }
    if (dialogs.message(str(dxparams::kSaveChangesQuestion), "", dxcmd::Icon::Question, dxcmd::Buttons::YesNo,
                        dxcmd::Answer::No) != dxcmd::Answer::Yes)
        return;
    // in the transfer window, with progress and Cancel
    ctx_.routines.RunTransferJob(dxtransfer::kSaveChanges);
}

bool SettingFileHandlers::isDX430() const { return ctx_.routines.isDX430(); }

int SettingFileHandlers::selectedStyle() const {
    return PictureHandlers::selectedIndex(need<QButtonGroup>(ctx_.window, "optCommunicationStyle"));
}

void SettingFileHandlers::run(dxparams::Handler h) {
    using H = dxparams::Handler;
    switch (h) {
    case H::CameraTitleExecute: presets_.cmdCmaTitleExec_Click(); break;
    case H::Pan: motion_.sldPan_Change(); break;
    case H::Tilt: motion_.sldTilt_Change(); break;
    case H::VariablePT: picture_.optVariablePT_Click(); break;
    case H::FocusEasy: motion_.chkFocusEasy_Click(); break;
    case H::IrisMode: picture_.cboIrisMode_Click(); break;
    case H::Shutter: picture_.optShutter_Click(); break;
    case H::ShutterSpeed: picture_.cboShutterSpeed_Click(); break;
    case H::ExDRLevel: picture_.sldShutterExDRLevel_Change(); break;
    case H::SenseUp: picture_.cboSenseUpSelect_Click(); break;
    case H::SenseUpPriority: picture_.cboSenseUpPriority_Click(); break;
    case H::BLCArea: picture_.optBLCArea_Click(); break;
    case H::AGC: picture_.optAGC_Click(); break;
    case H::WhiteBalance: picture_.optWhiteBalance_Click(); break;
    case H::WhiteBalanceMgG: picture_.sldWhiteBalanceMgG_Change(); break;
    case H::WhiteBalanceRB: picture_.sldWhiteBalanceRB_Change(); break;
    case H::AutoBlack: picture_.chkAutoBlack_Click(); break;
    case H::Colour: picture_.sldLevelAdjColour_Change(); break;
    case H::Enhance: picture_.sldLevelAdjEnhance_Change(); break;
    case H::Pedestal: picture_.sldLevelAdjPedestal_Change(); break;
    case H::BW: picture_.optBW_Click(); break;
    case H::BWLevelAuto: picture_.optBWLevelAuto_Click(); break;
    case H::BWLightType: picture_.optBWLightType_Click(); break;
    }
}

}  // namespace dxconsole
