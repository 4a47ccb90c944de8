#include "PictureHandlers.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

#include "dxcmd/Codec.h"
#include "dxparams/Catalogue.h"

namespace dxconsole {

namespace cat = dxparams::cat;

namespace {

std::string str(std::string_view s) { return std::string(s); }

// One digit after a head ending in "0"; "" when n has no single digit.
std::string digit(int n, int base) {
    if (n < 0 || n >= base) return {};
    return std::string(1, "0123456789ABCDEF"[n]);
}

}  // namespace

PictureHandlers::PictureHandlers(ConsoleContext& context)
    : ctx_(context),
      cboIrisMode_(need<QComboBox>(context.window, "cboIrisMode")),
      optVariablePT_(need<QButtonGroup>(context.window, "optVariablePT")),
      optAuto_(need<QButtonGroup>(context.window, "optAuto")),
      optShutter_(need<QButtonGroup>(context.window, "optShutter")),
      cboShutterSpeed_(need<QComboBox>(context.window, "cboShutterSpeed")),
      sldShutterExDRLevel_(need<QSlider>(context.window, "sldShutterExDRLevel")),
      cboSenseUpSelect_(need<QComboBox>(context.window, "cboSenseUpSelect")),
      cboSenseUpPriority_(need<QComboBox>(context.window, "cboSenseUpPriority")),
      optBLCArea_(need<QButtonGroup>(context.window, "optBLCArea")),
      optAGC_(need<QButtonGroup>(context.window, "optAGC")),
      optWhiteBalance_(need<QButtonGroup>(context.window, "optWhiteBalance")),
      sldWhiteBalanceRB_(need<QSlider>(context.window, "sldWhiteBalanceRB")),
      sldWhiteBalanceMgG_(need<QSlider>(context.window, "sldWhiteBalanceMgG")),
      chkAutoBlack_(need<QCheckBox>(context.window, "chkAutoBlack")),
      sldLevelAdjColour_(need<QSlider>(context.window, "sldLevelAdjColour")),
      sldLevelAdjEnhance_(need<QSlider>(context.window, "sldLevelAdjEnhance")),
      sldLevelAdjPedestal_(need<QSlider>(context.window, "sldLevelAdjPedestal")),
      optBW_(need<QButtonGroup>(context.window, "optBW")),
      optBWLevelAuto_(need<QButtonGroup>(context.window, "optBWLevelAuto")),
      optBWLightType_(need<QButtonGroup>(context.window, "optBWLightType")) {
    // each operator change is one action: a dead line stops its other commands
    auto act = [this](void (PictureHandlers::*h)()) {
        dxcmd::Action action(ctx_.commands);
        (this->*h)();
    };
    auto onList = [this, act](QComboBox* c, void (PictureHandlers::*h)()) {
        connect(c, &QComboBox::currentIndexChanged, this, [act, h] { act(h); });
    };
    auto onGroup = [this, act](QButtonGroup* g, void (PictureHandlers::*h)()) {
        connect(g, &QButtonGroup::idToggled, this, [act, h](int, bool on) {
            if (on) act(h);
        });
    };
    auto onSlider = [this, act](QSlider* s, void (PictureHandlers::*h)()) {
        connect(s, &QSlider::valueChanged, this, [act, h] { act(h); });
    };
    onList(cboIrisMode_, &PictureHandlers::cboIrisMode_Click);
    onGroup(optVariablePT_, &PictureHandlers::optVariablePT_Click);
    onGroup(optAuto_, &PictureHandlers::optAuto_Click);
    onGroup(optShutter_, &PictureHandlers::optShutter_Click);
    onList(cboShutterSpeed_, &PictureHandlers::cboShutterSpeed_Click);
    onSlider(sldShutterExDRLevel_, &PictureHandlers::sldShutterExDRLevel_Change);
    onList(cboSenseUpSelect_, &PictureHandlers::cboSenseUpSelect_Click);
    onList(cboSenseUpPriority_, &PictureHandlers::cboSenseUpPriority_Click);
    onGroup(optBLCArea_, &PictureHandlers::optBLCArea_Click);
    onGroup(optAGC_, &PictureHandlers::optAGC_Click);
    onGroup(optWhiteBalance_, &PictureHandlers::optWhiteBalance_Click);
    onSlider(sldWhiteBalanceRB_, &PictureHandlers::sldWhiteBalanceRB_Change);
    onSlider(sldWhiteBalanceMgG_, &PictureHandlers::sldWhiteBalanceMgG_Change);
    connect(chkAutoBlack_, &QCheckBox::toggled, this, [this] { chkAutoBlack_Click(); });
    onSlider(sldLevelAdjColour_, &PictureHandlers::sldLevelAdjColour_Change);
    onSlider(sldLevelAdjEnhance_, &PictureHandlers::sldLevelAdjEnhance_Change);
    onSlider(sldLevelAdjPedestal_, &PictureHandlers::sldLevelAdjPedestal_Change);
    onGroup(optBW_, &PictureHandlers::optBW_Click);
    onGroup(optBWLevelAuto_, &PictureHandlers::optBWLevelAuto_Click);
    onGroup(optBWLightType_, &PictureHandlers::optBWLightType_Click);
}

int PictureHandlers::selectedIndex(const QButtonGroup* group) {
    int best = -1;
    for (QAbstractButton* b : group->buttons()) {
        const int id = group->id(b);
        if (b->isChecked() && id >= 0 && (best < 0 || id < best)) best = id;
    }
    return best;
}

void PictureHandlers::send(std::string_view label, const std::string& command,
                           std::string_view section, std::string_view key) {
    ctx_.state.LogLabel = str(label);
    ctx_.commands.ExecCmd(command, "A0", str(section), str(key));
}

void PictureHandlers::sendParam(const dxparams::Param& p, const std::string& command) {
    send(p.label, command, p.section(), p.key);
}

void PictureHandlers::sendDigit(const dxparams::Param& p, int n) {
    const std::string d = digit(n, 16);
    if (!d.empty()) sendParam(p, str(p.setShort) + d);
}

void PictureHandlers::sendValue(const dxparams::Param& p, int v) {
    const auto n = static_cast<int16_t>(v);
    const std::string e = p.offset ? dxcmd::EncodeOffsetValue(n) : dxcmd::EncodeValue(n);
    const std::string_view head = e.size() == 2 ? p.setShort : p.setLong;
    if (!head.empty()) sendParam(p, str(head) + e);
}

void PictureHandlers::cboIrisMode_Click() {
    const int i = cboIrisMode_->currentIndex();
    if (i >= 0) sendValue(cat::IrisMode, i);
}

void PictureHandlers::optVariablePT_Click() {
    const auto& p = cat::VariablePTSpeed;
    const int i = selectedIndex(optVariablePT_);
    if (i < 0) return;
    if (i == 0)
        send(p.labelOff, str(p.cmdOff), p.section(), p.key);
    else
        send(p.labelOn, str(p.cmdOn), p.section(), p.key);
}

void PictureHandlers::optAuto_Click() {
    auto& mode = ctx_.console.AutoModeIndex;
    switch (selectedIndex(optAuto_)) {
    case 0:
        if (mode == 1)
            send(cat::AutoPan.labelOff, str(cat::AutoPan.cmdOff));
        else if (mode == 2 || mode == 3)
            send(cat::AutoPatrol.labelOff, str(cat::AutoPatrol.cmdOff));
        mode = 0;
        break;
    case 1:
        send(cat::AutoPanKey.labelOff, str(cat::AutoPanKey.cmdOff), cat::AutoPanKey.section(),
             cat::AutoPanKey.key);
        send(cat::AutoPan.labelOn, str(cat::AutoPan.cmdOn));
        mode = 1;
        break;
    case 2:
        send(cat::AutoPatrolKey.labelOff, str(cat::AutoPatrolKey.cmdOff),
             cat::AutoPatrolKey.section(), cat::AutoPatrolKey.key);
        send(cat::AutoPatrol.labelOn, str(cat::AutoPatrol.cmdOn));
        mode = 2;
        break;
    case 3:
        send(cat::AutoPatrolKey.labelOn, str(cat::AutoPatrolKey.cmdOn),
             cat::AutoPatrolKey.section(), cat::AutoPatrolKey.key);
        send(cat::AutoPatrol.labelOn, str(cat::AutoPatrol.cmdOn));
        mode = 3;
        break;
    default:
        return;  // nothing selected: nothing to switch
    }
    ctx_.routines.RefreshControlStates();
}

void PictureHandlers::optShutter_Click() {
    const auto& exdr = cat::ExDRMode;
    const auto& speed = cat::ManualShutterSpeed;
    switch (selectedIndex(optShutter_)) {
    case 0:
        send(exdr.labelOff, str(exdr.cmdOff), exdr.section(), exdr.key);
        send(speed.label, str(speed.cmdOff), speed.section(), speed.key);
        break;
    case 1:
        send(exdr.labelOff, str(exdr.cmdOff), exdr.section(), exdr.key);
        cboShutterSpeed_Click();
        break;
    case 2:
        sldShutterExDRLevel_Change();
        send(exdr.labelOn, str(exdr.cmdOn), exdr.section(), exdr.key);
        break;
    case -1:
        return;
    default:  // M.ExDR, Auto(AES): the camera needs nothing
        break;
    }
    ctx_.routines.RefreshControlStates();
}

void PictureHandlers::cboShutterSpeed_Click() {
    const int i = cboShutterSpeed_->currentIndex();
    if (i < 0) return;
    sendDigit(cat::ManualShutterSpeed, i == 0 ? 1 : i + 2);  // code 02 is not a speed
}

void PictureHandlers::sldShutterExDRLevel_Change() {
    sendValue(cat::ExDRLevel, sldShutterExDRLevel_->value());
}

void PictureHandlers::cboSenseUpSelect_Click() {
    const int i = cboSenseUpSelect_->currentIndex();
    if (i >= 0) sendDigit(cat::SenseUpMode, i);
}

void PictureHandlers::cboSenseUpPriority_Click() {
    const int i = cboSenseUpPriority_->currentIndex();
    if (i >= 0) sendDigit(cat::AlcPriority, i);
}

void PictureHandlers::optBLCArea_Click() {
    const int i = selectedIndex(optBLCArea_);
    if (i >= 0) sendDigit(cat::BlcArea, i);
}

void PictureHandlers::optAGC_Click() {
    const int i = selectedIndex(optAGC_);
    if (i >= 0) sendDigit(cat::Agc, i);
}

void PictureHandlers::optWhiteBalance_Click() {
    const int i = selectedIndex(optWhiteBalance_);
    if (i < 0) return;
    sendDigit(cat::WhiteBalanceMode, i);
    if (i == 4) {  // AWC: the manual balance applies
        sldWhiteBalanceRB_Change();
        sldWhiteBalanceMgG_Change();
    }
    ctx_.routines.RefreshControlStates();
}

void PictureHandlers::sldWhiteBalanceRB_Change() {
    sendValue(cat::WhiteBalanceRB, sldWhiteBalanceRB_->value());
}

void PictureHandlers::sldWhiteBalanceMgG_Change() {
    sendValue(cat::WhiteBalanceMgG, sldWhiteBalanceMgG_->value());
}

void PictureHandlers::chkAutoBlack_Click() {
    const auto& p = cat::AutoBlack;
    const bool on = chkAutoBlack_->isChecked();
    send(on ? p.labelOn : p.labelOff, str(on ? p.cmdOn : p.cmdOff), p.section(), p.key);
    chkAutoBlack_->setText(on ? QStringLiteral("Auto Black  On") : QStringLiteral("Auto Black  Off"));
}

void PictureHandlers::sldLevelAdjColour_Change() {
    sendValue(cat::ColorLevel, sldLevelAdjColour_->value());
}

void PictureHandlers::sldLevelAdjEnhance_Change() {
    sendValue(cat::EnhanceLevel, sldLevelAdjEnhance_->value());
}

void PictureHandlers::sldLevelAdjPedestal_Change() {
    sendValue(cat::PedestalLevel, sldLevelAdjPedestal_->value());
}

void PictureHandlers::optBW_Click() {
    const std::string d = digit(selectedIndex(optBW_), 10);
    if (!d.empty()) sendParam(cat::BwMode, str(cat::BwMode.setShort) + d);
}

void PictureHandlers::optBWLevelAuto_Click() {
    const int i = selectedIndex(optBWLevelAuto_);
    if (i >= 0 && i <= 2) sendValue(cat::BwAutoLevel, i - 1);  // low, normal, high: -1, 0, +1
}

void PictureHandlers::optBWLightType_Click() {
    const std::string d = digit(selectedIndex(optBWLightType_), 10);
    if (!d.empty()) sendParam(cat::IrLight, str(cat::IrLight.setShort) + d);
}

}  // namespace dxconsole
