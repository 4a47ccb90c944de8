// Start-up contents, defaults, model profiles and dependent enabled states.
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include "dxcmd/Profile.h"
#include "dxparams/SettingFile.h"
#include "frmMain.h"

namespace dxconsole {

namespace {

// Sets a busy flag for a scope and puts back what it was.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

std::string str(std::string_view v) { return std::string(v); }

void fill(QComboBox* box, const QStringList& items, int selected) {
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(selected);
}

void select(QButtonGroup* g, int id) {
    if (auto* b = g->button(id)) b->setChecked(true);
}

bool selected(QButtonGroup* g, int id) {
    auto* b = g->button(id);
    return b && b->isChecked();
}

const QStringList kSenseUp430 = {"Off", "x2", "x4", "x8", "x16", "x32", "x24"};
const QStringList kSenseUp410 = {"Off", "x2"};

}  // namespace

void frmMain::InitCurrentFile() {
    auto& st = *deps_.state;
    st.CurrentFile = dxcmd::ResolveCurrentFile(deps_.programDir, deps_.fallbackDir, deps_.currentFileName);
    {
        FlagScope init(st.InitializingConsole);
        mnuTkc_Click(1);
    }
    st.InitializingConsole = false;
    mnuCom_Click(0);
    mnuDeviceType_Click(0);
    console_.RestartNoticeShown = false;
    commands_->WriteProfileValue(str(dxparams::kAppTypeSection), str(dxparams::kAppNameKey),
                                 str(dxparams::kAppId));
}

void frmMain::mnuTkc_Click(int index) {
    if (index < 0 || index > 1) return;
    auto& st = *deps_.state;
    QAction* items[2] = {need<QAction>(*this, "mnuTkc_0"), need<QAction>(*this, "mnuTkc_1")};
    for (auto* a : items) a->setChecked(false);
    items[index]->setChecked(true);
    console_.ModelIndex = static_cast<int16_t>(index);
    commands_->WriteProfileValue(str(dxparams::kOptionSection), str(dxparams::kModelKey), std::to_string(index));
    need<QLabel>(*this, "lblModel")->setText(items[index]->text());

    const bool dx430 = index == 0;
    QWidget* parts[] = {need<QWidget>(*this, "lblSenseUpPriority"), need<QWidget>(*this, "cboSenseUpPriority"),
                        need<QWidget>(*this, "fraBW"), need<QWidget>(*this, "fraBWLevelAuto"),
                        need<QWidget>(*this, "fraBWLightType")};
    for (auto* w : parts) {
        w->setEnabled(dx430);
        w->setVisible(dx430);
    }
    for (const char* name : {"optBW", "optBWLevelAuto", "optBWLightType"})
        for (auto* b : group(name)->buttons()) {
            b->setEnabled(dx430);
            b->setVisible(dx430);
        }
    // A model switch only changes what the window offers; the rebuilt list's
    // handler must not send a sense-up setting to the camera.
    FlagScope init(st.InitializingConsole);
    fill(need<QComboBox>(*this, "cboSenseUpSelect"), dx430 ? kSenseUp430 : kSenseUp410, 0);
}

void frmMain::sizePresetColumns() {
    auto* list = need<QTreeWidget>(*this, "lswPresetPosition");
    // before the first show the list has no real width yet
    const double width = list->isVisible() ? list->width() : list->minimumWidth();
    list->setColumnWidth(0, static_cast<int>(width / 7.5));
    list->setColumnWidth(1, static_cast<int>(width / 1.6));
    list->setColumnWidth(2, static_cast<int>(width / 6));
}

bool frmMain::isDX430() const {
    return need<QAction>(*this, "mnuTkc_0")->isChecked();
}

void frmMain::ResetConsole(int scope) {
    auto& st = *deps_.state;
    FlagScope init(st.InitializingConsole);

    if (scope == 0) {
        need<QTabWidget>(*this, "tabCameraCtrl")->setCurrentIndex(0);
        need<QLineEdit>(*this, "txtCamTitle")->clear();
        need<QLineEdit>(*this, "txtAreaTitle")->clear();
        auto* list = need<QTreeWidget>(*this, "lswPresetPosition");
        list->clear();
        list->setColumnCount(3);
        list->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Position Title"), QStringLiteral("State")});
        sizePresetColumns();
        QList<QTreeWidgetItem*> rows;
        rows.reserve(100);
        rows.append(new QTreeWidgetItem(QStringList{QStringLiteral("00"), QStringLiteral("00  No information"), QString()}));
        for (int p = 1; p <= 99; ++p) {
            const QString n = QString::number(p);
            rows.append(new QTreeWidgetItem(QStringList{n, n + QStringLiteral("  No information"), QString()}));
        }
        list->addTopLevelItems(rows);
    }

    if (scope == 0 || scope == 1) {
        need<QSlider>(*this, "sldPan")->setValue(3200);
        need<QSlider>(*this, "sldTilt")->setValue(1600);
        fill(need<QComboBox>(*this, "cboIrisMode"), {"Manual", "Auto", "Auto(+)", "Auto(-)"}, 1);
        select(group("optBLCArea"), 0);
        select(group("optWhiteBalance"), 1);
        need<QSlider>(*this, "sldWhiteBalanceRB")->setValue(95);
        need<QSlider>(*this, "sldWhiteBalanceMgG")->setValue(63);
    }

    if (scope == 0 || scope == 2) {
        need<QSlider>(*this, "sldPTSpeed")->setValue(5);
        select(group("optAuto"), 0);
        select(group("optVariablePT"), 1);
        need<QSlider>(*this, "sldFocusSpeed")->setValue(1);
        need<QCheckBox>(*this, "chkFocusEasy")->setChecked(false);
        need<QSlider>(*this, "sldZoomSpeed")->setValue(2);
        select(group("optShutter"), 0);
        fill(need<QComboBox>(*this, "cboShutterSpeed"),
             {"1/120", "1/250", "1/500", "1/1000", "1/2000", "1/4000", "1/10000"}, 0);
        need<QSlider>(*this, "sldShutterExDRLevel")->setValue(0);
        fill(need<QComboBox>(*this, "cboSenseUpSelect"), isDX430() ? kSenseUp430 : kSenseUp410, 0);
        fill(need<QComboBox>(*this, "cboSenseUpPriority"), {"Motion", "Picture"}, 0);
        select(group("optAGC"), 1);
        need<QCheckBox>(*this, "chkAutoBlack")->setChecked(false);
        need<QSlider>(*this, "sldLevelAdjColour")->setValue(0);
        need<QSlider>(*this, "sldLevelAdjEnhance")->setValue(0);
        need<QSlider>(*this, "sldLevelAdjPedestal")->setValue(0);
        select(group("optBW"), 0);
        select(group("optBWLevelAuto"), 1);
        select(group("optBWLightType"), 0);
        select(group("optFactorySettings"), 0);
    }
}

void frmMain::RefreshControlStates() {
    const auto& st = *deps_.state;
    if (st.LoadingSettingFile || st.UpdatingFromCamera) return;

    // 1. camera numbers: only for a multi-drop line, and none shown chosen
    const bool multiDrop = !selected(group("optCommunicationStyle"), 0);
    need<QGroupBox>(*this, "fraCamSel")->setEnabled(multiDrop);
    need<QAction>(*this, "mnuScanLine")->setEnabled(multiDrop);
    auto* cams = group("optCamSel");
    const bool exclusive = cams->exclusive();
    cams->setExclusive(false);
    for (auto* b : cams->buttons()) {
        b->setChecked(false);
        b->setEnabled(multiDrop);
    }
    cams->setExclusive(exclusive);

    // 2. auto modes: a running mode can only be switched off
    auto* autoModes = group("optAuto");
    if (selected(autoModes, 0)) {
        for (int i = 0; i < 4; ++i) autoModes->button(i)->setEnabled(true);
    } else {
        for (int on = 1; on <= 3; ++on) {
            if (!selected(autoModes, on)) continue;
            autoModes->button(0)->setEnabled(true);
            for (int i = 1; i <= 3; ++i)
                if (i != on) autoModes->button(i)->setEnabled(false);
            break;
        }
    }

    // 3. shutter: speed list for manual, level for ExDR
    auto* shutter = group("optShutter");
    auto setSpeed = [this](bool on) {
        need<QWidget>(*this, "cboShutterSpeed")->setEnabled(on);
        need<QWidget>(*this, "lblShutterSpeed")->setEnabled(on);
    };
    auto setLevel = [this](bool on) {
        for (const char* n : {"lblExDRLevel", "sldShutterExDRLevel", "lblExDRLevelMin", "lblExDRLevelMax"})
            need<QWidget>(*this, n)->setEnabled(on);
    };
    if (selected(shutter, 0)) {
        setSpeed(false);
        setLevel(false);
    } else if (selected(shutter, 1)) {
        setSpeed(true);
        setLevel(false);
    } else if (selected(shutter, 2)) {
        setSpeed(false);
        setLevel(true);
    }

    // 4. manual white balance values only away from ATW
    const bool manualWB = !selected(group("optWhiteBalance"), 1);
    for (const char* n : {"sldWhiteBalanceRB", "lblWhiteBalanceRB", "lblWhiteBalanceRBMin", "lblWhiteBalanceRBMax",
                          "sldWhiteBalanceMgG", "lblWhiteBalanceMgG", "lblWhiteBalanceMgGMin",
                          "lblWhiteBalanceMgGMax"})
        need<QWidget>(*this, n)->setEnabled(manualWB);

    // 5. factory reset needs a choice
    need<QWidget>(*this, "cmdExecLoadFactorySettings")->setEnabled(!selected(group("optFactorySettings"), 0));
}

}  // namespace dxconsole
