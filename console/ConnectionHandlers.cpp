// Port, interface, communication style and camera number. None of these
// sends anything: the command layer opens the chosen port per exchange.
#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <cstdio>

#include "dxlink/dxlink.h"
#include "dxparams/SettingFile.h"
#include "frmMain.h"

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

}  // namespace

void frmMain::mnuCom_Click(int index) {
    if (index < 0 || index > 3) return;
    QAction* item = checkOnly(*this, "mnuCom", 4, index);
    deps_.state->CommPort = static_cast<int16_t>(index + 1);
    commands_->WriteProfileValue(str(dxparams::kOptionSection), str(dxparams::kComPortKey),
                                 std::to_string(deps_.state->CommPort));
    need<QLabel>(*this, "lblCom")->setText(item->text());
    showSelectedPort();
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
}

void frmMain::optCamSel_Click(int index) {
    if (index < 0 || index > 31) return;
    char id[8];
    std::snprintf(id, sizeof id, "%02X", index + 1);
    deps_.state->MachineID = id;
    commands_->WriteProfileValue(str(dxparams::kCommunicationSection), str(dxparams::kMachineIdKey),
                                 deps_.state->MachineID);
}

}  // namespace dxconsole
