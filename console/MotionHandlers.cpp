#include "MotionHandlers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
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

// The window's movement keys and the buttons they hold.
struct MoveKey {
    Qt::Key key;
    const char* button;
};
constexpr std::array<MoveKey, 10> kMoveKeys{{
    {Qt::Key_Right, "cmdRight"},
    {Qt::Key_Left, "cmdLeft"},
    {Qt::Key_Up, "cmdUp"},
    {Qt::Key_Down, "cmdDown"},
    {Qt::Key_Home, "cmdUpLeft"},
    {Qt::Key_PageUp, "cmdUpRight"},
    {Qt::Key_End, "cmdDownLeft"},
    {Qt::Key_PageDown, "cmdDownRight"},
    {Qt::Key_Plus, "cmdZoomTele"},
    {Qt::Key_Minus, "cmdZoomWide"},
}};

bool isTextBox(const QWidget* w) {
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// Controls that move their own value or row with these keys keep them.
bool usesNavigationKeys(const QWidget* w) {
    return qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QRadioButton*>(w);
}

}  // namespace

// Sees key events before any widget of the window does.
class MotionHandlers::KeyShortcuts : public QObject {
public:
    explicit KeyShortcuts(MotionHandlers& m) : m_(m) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        auto* receiver = qobject_cast<QWidget*>(watched);
        if (!receiver || receiver->window() != &m_.ctx_.window) return false;
        // decided once, where the key first lands, not again as it goes up to the parents
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus != receiver) return false;
        const auto* k = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        const bool zoom = k->key() == Qt::Key_Plus || k->key() == Qt::Key_Minus;
        if (mods != Qt::NoModifier && !(zoom && mods == Qt::ShiftModifier)) return false;
        if (isTextBox(receiver) || (!zoom && usesNavigationKeys(receiver))) return false;
        Button* b = m_.forShortcut(k->key());
        return b && m_.onKey(*b, event);
    }

private:
    MotionHandlers& m_;
};

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
    using S = Speed;
    const Routine pan = &MotionHandlers::PanStop;
    const Routine tilt = &MotionHandlers::TiltStop;
    const Routine all = &MotionHandlers::AllStop;
    buttons_ = {{
        {need<QToolButton>(w, "cmdRight"), S::PanTilt, &trg::PanRight, nullptr, pan},
        {need<QToolButton>(w, "cmdLeft"), S::PanTilt, &trg::PanLeft, nullptr, pan},
        {need<QToolButton>(w, "cmdUp"), S::PanTilt, &trg::TiltUp, nullptr, tilt},
        {need<QToolButton>(w, "cmdDown"), S::PanTilt, &trg::TiltDown, nullptr, tilt},
        {need<QToolButton>(w, "cmdUpLeft"), S::PanTilt, &trg::PanLeft, &trg::TiltUp, all},
        {need<QToolButton>(w, "cmdUpRight"), S::PanTilt, &trg::PanRight, &trg::TiltUp, all},
        {need<QToolButton>(w, "cmdDownLeft"), S::PanTilt, &trg::PanLeft, &trg::TiltDown, all},
        {need<QToolButton>(w, "cmdDownRight"), S::PanTilt, &trg::PanRight, &trg::TiltDown, all},
        {need<QToolButton>(w, "cmdZoomTele"), S::Zoom, &trg::ZoomTele, nullptr, &MotionHandlers::ZoomStop},
        {need<QToolButton>(w, "cmdZoomWide"), S::Zoom, &trg::ZoomWide, nullptr, &MotionHandlers::ZoomStop},
        {need<QToolButton>(w, "cmdFocusFar"), S::Focus, &trg::FocusFar, nullptr, &MotionHandlers::FocusStop},
        {need<QToolButton>(w, "cmdFocusNear"), S::Focus, &trg::FocusNear, nullptr, &MotionHandlers::FocusStop},
        {need<QToolButton>(w, "cmdIrisOpen"), S::None, &trg::IrisOpen, nullptr, &MotionHandlers::IrisStop},
        {need<QToolButton>(w, "cmdIrisClose"), S::None, &trg::IrisClose, nullptr, &MotionHandlers::IrisStop},
    }};
    for (auto& b : buttons_) b.widget->installEventFilter(this);
    context.window.installEventFilter(this);
    for (const MoveKey& k : kMoveKeys) {
        QWidget* b = need<QToolButton>(w, k.button);
        b->setToolTip(b->toolTip() + QStringLiteral(" (%1)").arg(QKeySequence(k.key).toString(QKeySequence::NativeText)));
    }
    keys_ = std::make_unique<KeyShortcuts>(*this);
    QCoreApplication::instance()->installEventFilter(keys_.get());

    connect(sldPan_, &QSlider::valueChanged, this, [this] { sldPan_Change(); });
    connect(sldTilt_, &QSlider::valueChanged, this, [this] { sldTilt_Change(); });
    connect(chkFocusEasy_, &QCheckBox::toggled, this, [this] { chkFocusEasy_Click(); });
    connect(cmdFocusOnepush_, &QPushButton::clicked, this, [this] {
        dxcmd::Action action(ctx_.commands);
        cmdFocusOnepush_Click();
    });
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
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
            static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier)
            return onKey(*b, event);
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
    movement_ = std::make_unique<dxcmd::Action>(ctx_.commands, dxcmd::Action::Kind::Movement);
    bool reached;
    {
        Depth d(routines_);
        pressing_ = true;
        reached = start(b);
        pressing_ = false;
    }
    if (!reached) {
        // Nothing moved (no camera chosen on a multi-drop line): a stop
        // would only repeat the same refusal.
        held_ = nullptr;
        stopPending_ = false;
        movement_.reset();
        return;
    }
    if (stopPending_) {
        stopPending_ = false;
        stopHeld();
    }
}

void MotionHandlers::onRelease(Button& b) {
    if (held_ == &b) stopHeld();
}

bool MotionHandlers::onKey(Button& b, QEvent* event) {
    // a held key repeats as release and press pairs: the movement goes on
    if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) return true;
    const bool press = event->type() == QEvent::KeyPress;
    b.widget->setDown(press);
    if (press)
        onPress(b);
    else
        onRelease(b);
    return true;
}

MotionHandlers::Button* MotionHandlers::forShortcut(int key) {
    for (const MoveKey& k : kMoveKeys)
        if (k.key == key)
            for (auto& b : buttons_)
                if (b.widget->objectName() == QLatin1String(k.button)) return &b;
    return nullptr;
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
    b->widget->setDown(false);  // a key held when the window lost focus never comes up
    Depth d(routines_);
    const std::unique_ptr<dxcmd::Action> action = std::move(movement_);
    (this->*b->stop)();
}

void MotionHandlers::stopHeldMovement() { stopHeld(); }

int16_t MotionHandlers::send(std::string_view label, const std::string& command,
                             std::string_view section, std::string_view key) {
    ctx_.state.LogLabel = str(label);
    return ctx_.commands.ExecCmd(command, "A0", str(section), str(key));
}

int16_t MotionHandlers::send(const dxparams::Trigger& t) { return send(t.label, str(t.command)); }

void MotionHandlers::stop(const dxparams::Trigger& t) {
    ctx_.state.LogLabel = str(t.label);
    ctx_.commands.ExecStop(str(t.command), "A0");
}

// The speed slider is read once, so both halves of a diagonal share it.
bool MotionHandlers::start(const Button& b) {
    std::string speed;
    switch (b.speed) {
    case Speed::PanTilt: speed = PanTiltSpeedByte(sldPTSpeed_->value()); break;
    case Speed::Zoom: speed = LensSpeedByte(sldZoomSpeed_->value()); break;
    case Speed::Focus: speed = LensSpeedByte(sldFocusSpeed_->value()); break;
    case Speed::None: break;
    }
    bool reached = send(b.first->label, str(b.first->command) + speed) != dxcmd::kStatusRefused;
    if (b.second) reached = send(b.second->label, str(b.second->command) + speed) != dxcmd::kStatusRefused || reached;
    return reached;
}

// false after a bad reply: the command layer has shown "Bad value." and
// nothing else of the routine is asked.
bool MotionHandlers::readBack(const dxparams::Param& p, QSlider* slider) {
    auto& st = ctx_.state;
    st.LogLabel = str(p.label);
    try {
        ctx_.commands.QueryCamera(str(p.query));
    } catch (const dxcmd::BadReplyError&) {
        return false;
    }
    if (slider && !st.ReplyData.empty()) {
        const int16_t v = dxcmd::DecodeValue(st.ReplyData);
        if (v >= 0) {  // -1: not a position at all
            ctx_.console.SettingPositionSlider = true;
            slider->setValue(v);
            ctx_.console.SettingPositionSlider = false;
        }
    }
    ctx_.commands.RecordSetting(st.LastReply, "VALUE03", str(p.key));
    return true;
}

void MotionHandlers::PanStop() {
    stop(trg::PanStop);
    readBack(cat::PanPosition, sldPan_);
}

void MotionHandlers::TiltStop() {
    stop(trg::TiltStop);
    readBack(cat::TiltPosition, sldTilt_);
}

void MotionHandlers::AllStop() {
    stop(trg::AllStop);
    if (readBack(cat::PanPosition, sldPan_)) readBack(cat::TiltPosition, sldTilt_);
}

void MotionHandlers::ZoomStop() {
    stop(trg::ZoomStop);
    readBack(cat::ZoomPosition, nullptr);
}

void MotionHandlers::FocusStop() {
    stop(trg::FocusStop);
    readBack(cat::FocusPosition, nullptr);
}

void MotionHandlers::IrisStop() {
    stop(trg::IrisStop);
    if (cboIrisMode_->currentIndex() == 0) readBack(cat::IrisPosition, nullptr);  // "Manual" only
}

void MotionHandlers::cmdFocusOnepush_Click() {
    send(trg::OnePushAf);
    readBack(cat::FocusPosition, nullptr);
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
