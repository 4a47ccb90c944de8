#include "MotionHandlers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <cstdio>

#include "dxcmd/Codec.h"
#include "dxparams/Catalogue.h"

namespace dxconsole {

namespace cat = dxparams::cat;
namespace trg = dxparams::trg;

namespace {

std::string hexByte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

std::string str(std::string_view s) { return std::string(s); }

// Counts a running routine for as long as it runs, also when it throws.
struct Depth {
    explicit Depth(int& d) : d_(d) { ++d_; }
    ~Depth() { --d_; }
    int& d_;
};

}  // namespace

std::string MotionHandlers::PanTiltSpeedByte(int s) {
    if (s < 0 || s > 7) return "10";
    return hexByte(0x10 + 2 * s);
}

std::string MotionHandlers::LensSpeedByte(int s) {
    if (s < 0 || s > 3) return "00";
    return hexByte(s);
}

MotionHandlers::MotionHandlers(ConsoleContext& context)
    : ctx_(context),
      sldPTSpeed_(need<QSlider>(context.window, "sldPTSpeed")),
      sldZoomSpeed_(need<QSlider>(context.window, "sldZoomSpeed")),
      sldFocusSpeed_(need<QSlider>(context.window, "sldFocusSpeed")),
      sldPan_(need<QSlider>(context.window, "sldPan")),
      sldTilt_(need<QSlider>(context.window, "sldTilt")),
      chkFocusEasy_(need<QCheckBox>(context.window, "chkFocusEasy")),
      cmdFocusOnepush_(need<QPushButton>(context.window, "cmdFocusOnepush")),
      cboIrisMode_(need<QComboBox>(context.window, "cboIrisMode")) {
    const QObject& w = context.window;
    buttons_ = {{
        {need<QToolButton>(w, "cmdRight"), &MotionHandlers::pressRight, &MotionHandlers::PanStop},
        {need<QToolButton>(w, "cmdLeft"), &MotionHandlers::pressLeft, &MotionHandlers::PanStop},
        {need<QToolButton>(w, "cmdUp"), &MotionHandlers::pressUp, &MotionHandlers::TiltStop},
        {need<QToolButton>(w, "cmdDown"), &MotionHandlers::pressDown, &MotionHandlers::TiltStop},
        {need<QToolButton>(w, "cmdUpLeft"), &MotionHandlers::pressUpLeft, &MotionHandlers::AllStop},
        {need<QToolButton>(w, "cmdUpRight"), &MotionHandlers::pressUpRight, &MotionHandlers::AllStop},
        {need<QToolButton>(w, "cmdDownLeft"), &MotionHandlers::pressDownLeft, &MotionHandlers::AllStop},
        {need<QToolButton>(w, "cmdDownRight"), &MotionHandlers::pressDownRight, &MotionHandlers::AllStop},
        {need<QToolButton>(w, "cmdZoomTele"), &MotionHandlers::pressZoomTele, &MotionHandlers::ZoomStop},
        {need<QToolButton>(w, "cmdZoomWide"), &MotionHandlers::pressZoomWide, &MotionHandlers::ZoomStop},
        {need<QToolButton>(w, "cmdFocusFar"), &MotionHandlers::pressFocusFar, &MotionHandlers::FocusStop},
        {need<QToolButton>(w, "cmdFocusNear"), &MotionHandlers::pressFocusNear, &MotionHandlers::FocusStop},
        {need<QToolButton>(w, "cmdIrisOpen"), &MotionHandlers::pressIrisOpen, &MotionHandlers::IrisStop},
        {need<QToolButton>(w, "cmdIrisClose"), &MotionHandlers::pressIrisClose, &MotionHandlers::IrisStop},
    }};
    for (auto& b : buttons_) b.widget->installEventFilter(this);
    context.window.installEventFilter(this);

    connect(sldPan_, &QSlider::valueChanged, this, [this] { sldPan_Change(); });
    connect(sldTilt_, &QSlider::valueChanged, this, [this] { sldTilt_Change(); });
    connect(chkFocusEasy_, &QCheckBox::toggled, this, [this] { chkFocusEasy_Click(); });
    connect(cmdFocusOnepush_, &QPushButton::clicked, this, [this] { cmdFocusOnepush_Click(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState s) {
                    if (s != Qt::ApplicationActive) stopHeld();
                });
    }
}

MotionHandlers::~MotionHandlers() = default;

MotionHandlers::Button* MotionHandlers::find(QObject* watched) {
    for (auto& b : buttons_)
        if (b.widget == watched) return &b;
    return nullptr;
}

bool MotionHandlers::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &ctx_.window) {
        if (event->type() == QEvent::WindowDeactivate) stopHeld();
        return false;
    }
    Button* b = find(watched);
    if (!b) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:  // the second press of a quick double click
        onPress(*b);
        break;
    case QEvent::MouseButtonRelease:
        onRelease(*b);
        break;
    case QEvent::FocusOut:
    case QEvent::Hide:
        if (held_ == b) stopHeld();
        break;
    case QEvent::EnabledChange:
        if (held_ == b && !b->widget->isEnabled()) stopHeld();
        break;
    default:
        break;
    }
    return false;
}

void MotionHandlers::onPress(Button& b) {
    // One movement at a time; a press arriving while an exchange of ours
    // waits for the camera would find the port in use.
    if (held_ || routines_ > 0 || !b.widget->isEnabled()) return;
    held_ = &b;
    stopPending_ = false;
    {
        Depth d(routines_);
        pressing_ = true;
        (this->*b.press)();
        pressing_ = false;
    }
    if (stopPending_) {
        stopPending_ = false;
        stopHeld();
    }
}

void MotionHandlers::onRelease(Button& b) {
    if (held_ == &b) stopHeld();
}

void MotionHandlers::stopHeld() {
    if (!held_) return;
    // Released while the start command still waits for its answer: stop
    // once that exchange is over, or the camera would keep moving.
    if (pressing_) {
        stopPending_ = true;
        return;
    }
    Button* b = held_;
    held_ = nullptr;
    Depth d(routines_);
    (this->*b->stop)();
}

void MotionHandlers::stopHeldMovement() { stopHeld(); }

void MotionHandlers::send(std::string_view label, const std::string& command,
                          std::string_view section, std::string_view key) {
    ctx_.state.LogLabel = str(label);
    ctx_.commands.ExecCmd(command, "A0", str(section), str(key));
}

void MotionHandlers::pressRight() {
    send(trg::PanRight.label, str(trg::PanRight.command) + PanTiltSpeedByte(sldPTSpeed_->value()));
}
void MotionHandlers::pressLeft() {
    send(trg::PanLeft.label, str(trg::PanLeft.command) + PanTiltSpeedByte(sldPTSpeed_->value()));
}
void MotionHandlers::pressUp() {
    send(trg::TiltUp.label, str(trg::TiltUp.command) + PanTiltSpeedByte(sldPTSpeed_->value()));
}
void MotionHandlers::pressDown() {
    send(trg::TiltDown.label, str(trg::TiltDown.command) + PanTiltSpeedByte(sldPTSpeed_->value()));
}
void MotionHandlers::pressUpLeft() {
    const std::string s = PanTiltSpeedByte(sldPTSpeed_->value());
    send(trg::PanLeft.label, str(trg::PanLeft.command) + s);
    send(trg::TiltUp.label, str(trg::TiltUp.command) + s);
}
void MotionHandlers::pressUpRight() {
    const std::string s = PanTiltSpeedByte(sldPTSpeed_->value());
    send(trg::PanRight.label, str(trg::PanRight.command) + s);
    send(trg::TiltUp.label, str(trg::TiltUp.command) + s);
}
void MotionHandlers::pressDownLeft() {
    const std::string s = PanTiltSpeedByte(sldPTSpeed_->value());
    send(trg::PanLeft.label, str(trg::PanLeft.command) + s);
    send(trg::TiltDown.label, str(trg::TiltDown.command) + s);
}
void MotionHandlers::pressDownRight() {
    const std::string s = PanTiltSpeedByte(sldPTSpeed_->value());
    send(trg::PanRight.label, str(trg::PanRight.command) + s);
    send(trg::TiltDown.label, str(trg::TiltDown.command) + s);
}
void MotionHandlers::pressZoomTele() {
    send(trg::ZoomTele.label, str(trg::ZoomTele.command) + LensSpeedByte(sldZoomSpeed_->value()));
}
void MotionHandlers::pressZoomWide() {
    send(trg::ZoomWide.label, str(trg::ZoomWide.command) + LensSpeedByte(sldZoomSpeed_->value()));
}
void MotionHandlers::pressFocusFar() {
    send(trg::FocusFar.label, str(trg::FocusFar.command) + LensSpeedByte(sldFocusSpeed_->value()));
}
void MotionHandlers::pressFocusNear() {
    send(trg::FocusNear.label, str(trg::FocusNear.command) + LensSpeedByte(sldFocusSpeed_->value()));
}
void MotionHandlers::pressIrisOpen() { send(trg::IrisOpen.label, str(trg::IrisOpen.command)); }
void MotionHandlers::pressIrisClose() { send(trg::IrisClose.label, str(trg::IrisClose.command)); }

// Throws BadReplyError; the command layer has shown "Bad value." by then.
void MotionHandlers::readBack(std::string_view query, std::string_view label, std::string_view key,
                              QSlider* slider) {
    auto& st = ctx_.state;
    st.LogLabel = str(label);
    ctx_.commands.QueryCamera(str(query));
    if (slider && !st.ReplyData.empty()) {
        const int16_t v = dxcmd::DecodeValue(st.ReplyData);
        if (v >= 0) {  // -1: not a position at all
            ctx_.console.SettingPositionSlider = true;
            slider->setValue(v);
            ctx_.console.SettingPositionSlider = false;
        }
    }
    ctx_.commands.RecordSetting(st.LastReply, "VALUE03", str(key));
}

void MotionHandlers::PanStop() {
    send(trg::PanStop.label, str(trg::PanStop.command));
    try {
        readBack(cat::PanPosition.query, cat::PanPosition.label, cat::PanPosition.key, sldPan_);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::TiltStop() {
    send(trg::TiltStop.label, str(trg::TiltStop.command));
    try {
        readBack(cat::TiltPosition.query, cat::TiltPosition.label, cat::TiltPosition.key, sldTilt_);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::AllStop() {
    send(trg::AllStop.label, str(trg::AllStop.command));
    try {
        readBack(cat::PanPosition.query, cat::PanPosition.label, cat::PanPosition.key, sldPan_);
        readBack(cat::TiltPosition.query, cat::TiltPosition.label, cat::TiltPosition.key, sldTilt_);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::ZoomStop() {
    send(trg::ZoomStop.label, str(trg::ZoomStop.command));
    try {
        readBack(cat::ZoomPosition.query, cat::ZoomPosition.label, cat::ZoomPosition.key, nullptr);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::FocusStop() {
    send(trg::FocusStop.label, str(trg::FocusStop.command));
    try {
        readBack(cat::FocusPosition.query, cat::FocusPosition.label, cat::FocusPosition.key, nullptr);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::IrisStop() {
    send(trg::IrisStop.label, str(trg::IrisStop.command));
    if (cboIrisMode_->currentIndex() != 0) return;  // the lens sets its own iris
    try {
        readBack(cat::IrisPosition.query, cat::IrisPosition.label, cat::IrisPosition.key, nullptr);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::cmdFocusOnepush_Click() {
    send(trg::OnePushAf.label, str(trg::OnePushAf.command));
    try {
        readBack(cat::FocusPosition.query, cat::FocusPosition.label, cat::FocusPosition.key, nullptr);
    } catch (const dxcmd::BadReplyError&) {
    }
}

void MotionHandlers::chkFocusEasy_Click() {
    const auto& p = cat::EasyAf;
    const bool on = chkFocusEasy_->isChecked();
    send(on ? p.labelOn : p.labelOff, str(on ? p.cmdOn : p.cmdOff), p.section(), p.key);
    chkFocusEasy_->setText(on ? QStringLiteral("Easy AF    On") : QStringLiteral("Easy AF    Off"));
}

void MotionHandlers::positionChanged(QSlider* slider, std::string_view setShort,
                                     std::string_view setLong, std::string_view label,
                                     std::string_view key) {
    if (ctx_.console.SettingPositionSlider) return;
    const std::string e = dxcmd::EncodeValue(static_cast<int16_t>(slider->value()));
    send(label, str(e.size() == 2 ? setShort : setLong) + e, "VALUE03", key);
}

void MotionHandlers::sldPan_Change() {
    const auto& p = cat::PanPosition;
    positionChanged(sldPan_, p.setShort, p.setLong, p.label, p.key);
}

void MotionHandlers::sldTilt_Change() {
    const auto& p = cat::TiltPosition;
    positionChanged(sldTilt_, p.setShort, p.setLong, p.label, p.key);
}

}  // namespace dxconsole
