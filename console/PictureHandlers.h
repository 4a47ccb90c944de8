// Picture and mode settings: iris mode, variable pan/tilt speed, auto modes,
// shutter and ExDR, sense-up, BLC area, AGC, white balance, auto black, the
// level adjustments and the black-and-white mode.
#pragma once

#include <QObject>
#include <string>

#include "ConsoleContext.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QSlider;

namespace dxparams { struct Param; }

namespace dxconsole {

class ConsoleHandlers;

class PictureHandlers : public QObject {
public:
    explicit PictureHandlers(ConsoleContext& context);

    void cboIrisMode_Click();
    void optVariablePT_Click();
    void optAuto_Click();
    void optShutter_Click();
    void cboShutterSpeed_Click();
    void sldShutterExDRLevel_Change();
    void cboSenseUpSelect_Click();
    void cboSenseUpPriority_Click();
    void optBLCArea_Click();
    void optAGC_Click();
    void optWhiteBalance_Click();
    void sldWhiteBalanceRB_Change();
    void sldWhiteBalanceMgG_Change();
    void chkAutoBlack_Click();
    void sldLevelAdjColour_Change();
    void sldLevelAdjEnhance_Change();
    void sldLevelAdjPedestal_Change();
    void optBW_Click();
    void optBWLevelAuto_Click();
    void optBWLightType_Click();

    // The lowest id checked in the group, -1 when none is.
    static int selectedIndex(const QButtonGroup* group);

private:
    void send(std::string_view label, const std::string& command,
              std::string_view section = {}, std::string_view key = {});
    void sendParam(const dxparams::Param& p, const std::string& command);
    // head + one hex digit of n (0..15)
    void sendDigit(const dxparams::Param& p, int n);
    void sendValue(const dxparams::Param& p, int v);   // 83/84 head by the value's length

    ConsoleContext& ctx_;
    QComboBox* cboIrisMode_;
    QButtonGroup* optVariablePT_;
    QButtonGroup* optAuto_;
    QButtonGroup* optShutter_;
    QComboBox* cboShutterSpeed_;
    QSlider* sldShutterExDRLevel_;
    QComboBox* cboSenseUpSelect_;
    QComboBox* cboSenseUpPriority_;
    QButtonGroup* optBLCArea_;
    QButtonGroup* optAGC_;
    QButtonGroup* optWhiteBalance_;
    QSlider* sldWhiteBalanceRB_;
    QSlider* sldWhiteBalanceMgG_;
    QCheckBox* chkAutoBlack_;
    QSlider* sldLevelAdjColour_;
    QSlider* sldLevelAdjEnhance_;
    QSlider* sldLevelAdjPedestal_;
    QButtonGroup* optBW_;
    QButtonGroup* optBWLevelAuto_;
    QButtonGroup* optBWLightType_;
};

// The group inside what InstallHandlers returned (Save Changes calls its
// handlers directly). Throws std::logic_error for any other object.
PictureHandlers& pictureGroup(ConsoleHandlers& installed);

}  // namespace dxconsole
