// The console's values as code writes them: the transfer jobs and the
// setting-file loader. The main window implements it by setting its
// controls, so each change fires the control's handler (which sends nothing
// while a busy flag is set); tests record it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace dxparams {

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
enum class OptionGroup {
    VariablePT,
    Shutter,
    BLCArea,
    AGC,
    WhiteBalance,
    BW,
    BWLevelAuto,
    BWLightType,
    CommunicationStyle,
    CamSel,
};
enum class Check { FocusEasy, AutoBlack };

// The window's object names of the controls.
std::string_view ControlName(Slider s);
std::string_view ControlName(List l);
std::string_view ControlName(OptionGroup g);
std::string_view ControlName(Check c);

// A value the control cannot take (out of its range, an index it does not
// have), with the number and description an operator is shown.
class InvalidValue : public std::runtime_error {
public:
    InvalidValue(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    // a value out of a control's range, a list index it does not have
    static InvalidValue Property() { return {380, "Invalid property value"}; }
    // a button or menu item of an array that does not exist
    static InvalidValue Element(int index) {
        return {340, "Control array element '" + std::to_string(index) + "' doesn't exist"};
    }

private:
    int number_;
};

// What a line scan found at one machine ID (0: the camera of a P to P line).
struct ScannedCamera {
    int id = 0;
    bool answered = false;
    bool ok = false;    // it acknowledged the probe and its title was read
    std::string title;  // Latin-1
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

    // A line scan's finding, once per ID asked; only a front end that shows
    // a scan needs it.
    virtual void setScannedCamera(const ScannedCamera&) {}
};

}  // namespace dxparams
