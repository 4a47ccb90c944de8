// Pan, tilt and lens: press-and-hold movement buttons, their stop routines
// with position read-back, the position sliders and the auto-focus controls.
#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <string_view>
#include <string>

#include "ConsoleContext.h"

class QCheckBox;
class QComboBox;
class QEvent;
class QPushButton;
class QSlider;
class QToolButton;

namespace dxparams {
struct Param;
struct Trigger;
}  // namespace dxparams

namespace dxconsole {

class ConsoleHandlers;

class MotionHandlers : public QObject {
public:
    explicit MotionHandlers(ConsoleContext& context);
    ~MotionHandlers() override;

    void sldPan_Change();
    void sldTilt_Change();
    void chkFocusEasy_Click();
    void cmdFocusOnepush_Click();

    void PanStop();
    void TiltStop();
    void AllStop();
    void ZoomStop();
    void FocusStop();
    void IrisStop();

    // Stops the movement of a button still held (window closing).
    void stopHeldMovement();

    // Speed bytes: 0..7 -> 10..1E, anything else 10; 0..3 -> 00..03, else 00.
    static std::string PanTiltSpeedByte(int s);
    static std::string LensSpeedByte(int s);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class KeyShortcuts;
    using Routine = void (MotionHandlers::*)();
    enum class Speed { None, PanTilt, Zoom, Focus };
    struct Button {
        QToolButton* widget;
        Speed speed;
        const dxparams::Trigger* first;
        const dxparams::Trigger* second;  // diagonals: the tilt half
        Routine stop;
    };

    // false when every start command was refused before reaching the line
    bool start(const Button& b);
    void onPress(Button& b);
    void onRelease(Button& b);
    // Space on a focused button, and the window's movement keys: a key held
    // is a mouse button held. true when the key was taken.
    bool onKey(Button& b, QEvent* event);
    Button* forShortcut(int key);
    void stopHeld();
    Button* find(QObject* watched);

    int16_t send(std::string_view label, const std::string& command,
                 std::string_view section = {}, std::string_view key = {});
    int16_t send(const dxparams::Trigger& complete);  // a trigger without argument
    // A stop goes out even when the move met a dead line.
    void stop(const dxparams::Trigger& t);
    bool readBack(const dxparams::Param& p, QSlider* slider);
    void positionChanged(QSlider* slider, std::string_view setShort, std::string_view setLong,
                         std::string_view label, std::string_view key);

    ConsoleContext& ctx_;
    QSlider* sldPTSpeed_;
    QSlider* sldZoomSpeed_;
    QSlider* sldFocusSpeed_;
    QSlider* sldPan_;
    QSlider* sldTilt_;
    QCheckBox* chkFocusEasy_;
    QPushButton* cmdFocusOnepush_;
    QComboBox* cboIrisMode_;
    std::array<Button, 14> buttons_;
    std::unique_ptr<KeyShortcuts> keys_;

    Button* held_ = nullptr;     // the button whose movement runs
    // the press, its stop and read-back are one action of the command layer
    std::unique_ptr<dxcmd::Action> movement_;
    bool pressing_ = false;      // inside a press routine
    bool stopPending_ = false;   // released (or lost) while the press ran
    int routines_ = 0;           // depth of press and stop routines
};

// The group inside what InstallHandlers returned (Save Changes calls its
// handlers directly). Throws std::logic_error for any other object.
MotionHandlers& motionGroup(ConsoleHandlers& installed);

}  // namespace dxconsole
