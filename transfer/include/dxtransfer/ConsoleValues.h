// What the transfer jobs write into the console. The main window implements
// it by setting its controls, so each change fires the control's handler
// (which sends nothing while UpdatingFromCamera is set); tests record it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace dxtransfer {

enum class Slider {
    Pan,
    Tilt,
    ShutterExDRLevel,
    WhiteBalanceRB,
    WhiteBalanceMgG,
    LevelAdjColour,
    LevelAdjEnhance,
    LevelAdjPedestal,
};
enum class List { IrisMode, ShutterSpeed, SenseUpSelect, SenseUpPriority };
enum class OptionGroup { VariablePT, Shutter, BLCArea, AGC, WhiteBalance, BW, BWLevelAuto, BWLightType };
enum class Check { FocusEasy, AutoBlack };

// The window's object names of the controls.
std::string_view ControlName(Slider s);
std::string_view ControlName(List l);
std::string_view ControlName(OptionGroup g);
std::string_view ControlName(Check c);

// A value the control cannot take (out of its range, an index it does not
// have). The jobs report it as "Unknown error." and go on.
class InvalidValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IConsoleValues {
public:
    virtual ~IConsoleValues() = default;
    // Each throws InvalidValue when the control cannot take the value.
    virtual void setSlider(Slider s, int value) = 0;
    virtual void setListIndex(List l, int index) = 0;     // -1: nothing selected
    virtual void selectOption(OptionGroup g, int index) = 0;
    virtual void setCheck(Check c, int value) = 0;        // 0 clear, 1 checked
    virtual void setCameraTitle(const std::string& latin1) = 0;

    // The preset list: rows "00", "1" .. "99".
    virtual int presetRows() const = 0;
    virtual std::string presetRowText(int row) const = 0;
    virtual void setPresetTitle(int row, const std::string& latin1) = 0;
    virtual void setPresetState(int row, const std::string& state) = 0;
    virtual int selectedPresetRow() const = 0;            // -1: none

    virtual bool isDX430() const = 0;                     // the DX-430 model item is checked
};

}  // namespace dxtransfer
