#include "dxparams/ConsoleValues.h"

namespace dxparams {

std::string_view ControlName(Slider s) {
    switch (s) {
    case Slider::Pan: return "sldPan";
    case Slider::Tilt: return "sldTilt";
    case Slider::ShutterExDRLevel: return "sldShutterExDRLevel";
    case Slider::WhiteBalanceRB: return "sldWhiteBalanceRB";
    case Slider::WhiteBalanceMgG: return "sldWhiteBalanceMgG";
    case Slider::LevelAdjColour: return "sldLevelAdjColour";
    case Slider::LevelAdjEnhance: return "sldLevelAdjEnhance";
    case Slider::LevelAdjPedestal: return "sldLevelAdjPedestal";
    }
    return {};
}

std::string_view ControlName(List l) {
    switch (l) {
    case List::IrisMode: return "cboIrisMode";
    case List::ShutterSpeed: return "cboShutterSpeed";
    case List::SenseUpSelect: return "cboSenseUpSelect";
    case List::SenseUpPriority: return "cboSenseUpPriority";
    }
    return {};
}

std::string_view ControlName(OptionGroup g) {
    switch (g) {
    case OptionGroup::VariablePT: return "optVariablePT";
    case OptionGroup::Shutter: return "optShutter";
    case OptionGroup::BLCArea: return "optBLCArea";
    case OptionGroup::AGC: return "optAGC";
    case OptionGroup::WhiteBalance: return "optWhiteBalance";
    case OptionGroup::BW: return "optBW";
    case OptionGroup::BWLevelAuto: return "optBWLevelAuto";
    case OptionGroup::BWLightType: return "optBWLightType";
    case OptionGroup::CommunicationStyle: return "optCommunicationStyle";
    case OptionGroup::CamSel: return "optCamSel";
    }
    return {};
}

std::string_view ControlName(Check c) {
    switch (c) {
    case Check::FocusEasy: return "chkFocusEasy";
    case Check::AutoBlack: return "chkAutoBlack";
    }
    return {};
}

}  // namespace dxparams
