// Port, interface, communication style and camera number. None of these
// sends anything: the command layer opens the chosen port per exchange.
#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <cstdio>

#include "dxlink/dxlink.h"
#include "dxparams/SettingFile.h"
#include "PresetHandlers.h"
#include "SettingFileHandlers.h"
#include "frmMain.h"
#include "frmUPandDOWN.h"

namespace dxconsole {

namespace {

constexpr const char* kRestartNotice =
    "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.";

std::string str(std::string_view v) { return std::string(v); }

// Checks item `index` of a menu item array and returns it.
QAction* checkOnly(const QObject& root, const char* array, int count, int index) {
    QAction* chosen = nullptr;
    for (int i = 0; i < count; ++i) {
        auto* a = need<QAction>(root, qPrintable(QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(i)));
        a->setChecked(i == index);
        if (i == index) chosen = a;
    }
    return chosen;
}

// A menu caption as the menu shows it: "COM&1" reads COM1 with the 1 underlined.
QString menuCaption(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            if (text[i] == QLatin1Char('&'))
                out += QStringLiteral("&amp;");
            else
                out += QStringLiteral("<u>") + QString(text[i]).toHtmlEscaped() + QStringLiteral("</u>");
        } else {
            out += QString(text[i]).toHtmlEscaped();
        }
    }
    return out;
}

}  // namespace

void frmMain::mnuCom_Click(int index) {
    if (index < 0 || index > 3) return;
    QAction* item = checkOnly(*this, "mnuCom", 4, index);
    deps_.state->CommPort = static_cast<int16_t>(index + 1);
    commands_->WriteProfileValue(str(dxparams::kOptionSection), str(dxparams::kComPortKey),
                                 std::to_string(deps_.state->CommPort));
    need<QLabel>(*this, "lblCom")->setText(menuCaption(item->text()));
    showSelectedPort();
    forgetPresetMark();
}

// Another port, style or camera may hold another preset selected.
void frmMain::forgetPresetMark() {
    if (handlers_) presetGroup(*handlers_).forgetSelection();
}

void frmMain::showSelectedPort() {
    const auto r = dxlink::ResolveComPort(deps_.state->CommPort);
    showPortStatus(r.device, "");
}

void frmMain::mnuDeviceType_Click(int index) {
    if (index < 0 || index > 2) return;
    QAction* item = checkOnly(*this, "mnuDeviceType", 3, index);
    deps_.state->CommDeviceType = static_cast<int16_t>(index + 1);
    commands_->WriteProfileValue(str(dxparams::kOptionSection), str(dxparams::kDeviceTypeKey),
                                 std::to_string(deps_.state->CommDeviceType));
    need<QLabel>(*this, "lblInterface")->setText(item->text());
}

void frmMain::optCommunicationStyle_Click(int index) {
    auto& st = *deps_.state;
    if (!st.busy() && !console_.RestartNoticeShown) {
        deps_.dialogs->message(kRestartNotice, "", dxcmd::Icon::Information, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        console_.RestartNoticeShown = true;
    }
    const int selected = group("optCommunicationStyle")->checkedId();
    st.CommStyle = static_cast<int16_t>(selected >= 0 ? selected : index);
    commands_->WriteProfileValue(str(dxparams::kCommunicationSection), str(dxparams::kStyleKey),
                                 std::to_string(st.CommStyle));
    RefreshControlStates();
    showAddressedCamera();
    forgetPresetMark();
}

void frmMain::optCamSel_Click(int index) {
    if (index < 0 || index > 31) return;
    char id[8];
    std::snprintf(id, sizeof id, "%02X", index + 1);
    deps_.state->MachineID = id;
    commands_->WriteProfileValue(str(dxparams::kCommunicationSection), str(dxparams::kMachineIdKey),
                                 deps_.state->MachineID);
    showAddressedCamera();
    forgetPresetMark();
}

void frmMain::showAddressedCamera() {
    const auto& st = *deps_.state;
    QString text = QStringLiteral("P to P");
    if (st.CommStyle == 1) {
        bool ok = false;
        const int id = QString::fromStdString(st.MachineID).toInt(&ok, 16);
        text = ok && id > 0 ? QStringLiteral("Camera %1").arg(id) : QStringLiteral("No camera chosen");
    }
    need<QLabel>(*this, "lblAddressedCamera")->setText(text);
}

bool frmMain::RunTransferJob(std::string_view job) {
    auto& st = *deps_.state;
    const bool load = job == dxtransfer::kCamDataLoad || job == dxtransfer::kPositionTitleLoad ||
                      job == dxtransfer::kPositionDataLoad;
    st.TransferJob = std::string(job);
    if (load) st.UpdatingFromCamera = true;
    dxtransfer::JobEnd end;
    {
        dxparams::IConsoleHandlers* handlers = handlers_ ? &settingFileGroup(*handlers_) : nullptr;
        dxtransfer::frmUPandDOWN window(*commands_, *values_, this, handlers, console_.SettingFilePath);
        end = window.run();
    }
    // a load job clears the flag itself only when it ran to its end
    const bool completed = end == dxtransfer::JobEnd::Finished && !(load && st.UpdatingFromCamera);
    // cleared before the refresh, so a cancelled load leaves the enabled
    // states matching what it loaded
    if (load) st.UpdatingFromCamera = false;
    RefreshControlStates();
    return completed;
}

void frmMain::mnuConnect_Click() {
    // nothing to go on with after a cancelled or failed load
    if (!RunTransferJob(dxtransfer::kCamDataLoad)) return;
    const auto answer = deps_.dialogs->message("Continuously, is a position title load?", "", dxcmd::Icon::Question,
                                               dxcmd::Buttons::YesNo, dxcmd::Answer::No);
    if (answer == dxcmd::Answer::Yes) RunTransferJob(dxtransfer::kPositionTitleLoad);
}

}  // namespace dxconsole
