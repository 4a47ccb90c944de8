#include "Plain.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unistd.h>

#include "dxcmd/Codec.h"
#include "dxparams/Catalogue.h"
#include "dxparams/Titles.h"

namespace dxctl {

using namespace dxparams;

namespace {

std::string str(std::string_view s) { return std::string(s); }

std::pair<int, int> sliderRange(Slider s) {
    switch (s) {
    case Slider::Pan: return {0, 6399};
    case Slider::Tilt: return {0, 6400};
    case Slider::WhiteBalanceRB:
    case Slider::WhiteBalanceMgG: return {0, 255};
    default: return {-5, 5};
    }
}

std::set<int> optionIndexes(OptionGroup g) {
    switch (g) {
    case OptionGroup::VariablePT:
    case OptionGroup::BWLightType:
    case OptionGroup::CommunicationStyle: return {0, 1};
    case OptionGroup::Shutter: return {0, 1, 2, 4, 5};
    case OptionGroup::BLCArea:
    case OptionGroup::BW: return {0, 1, 2, 3, 4, 5, 6};
    case OptionGroup::AGC: return {0, 1, 2, 3};
    case OptionGroup::WhiteBalance: return {1, 4};
    case OptionGroup::BWLevelAuto: return {0, 1, 2};
    case OptionGroup::CamSel: {
        std::set<int> all;
        for (int i = 0; i < 32; ++i) all.insert(i);
        return all;
    }
    }
    return {};
}

}  // namespace

void PlainValues::put(std::string_view control, int v, bool ok, bool element) {
    if (!ok) throw element ? InvalidValue::Element(v) : InvalidValue::Property();
    values_.insert_or_assign(std::string(control), v);
}

void PlainValues::setSlider(Slider s, int v) {
    const auto [lo, hi] = sliderRange(s);
    put(ControlName(s), v, v >= lo && v <= hi, false);
}

void PlainValues::setListIndex(List l, int i) {
    int size = 2;
    if (l == List::IrisMode) size = 4;
    if (l == List::ShutterSpeed) size = 7;
    if (l == List::SenseUpSelect) size = dx430_ ? 7 : 2;
    put(ControlName(l), i, i >= -1 && i < size, false);
}

void PlainValues::selectOption(OptionGroup g, int i) { put(ControlName(g), i, optionIndexes(g).count(i) > 0, true); }

void PlainValues::setCheck(Check c, int v) { put(ControlName(c), v, v == 0 || v == 1, false); }

void PlainValues::selectModel(int i) {
    put("mnuModel", i, i == 0 || i == 1, true);
    dx430_ = i == 0;
}

void PlainValues::selectComPort(int i) { put("mnuCom", i, i >= 0 && i < 4, true); }

void PlainValues::selectDeviceType(int i) { put("mnuDeviceType", i, i >= 0 && i < 3, true); }

int PlainValues::get(std::string_view control) const {
    const auto it = values_.find(control);
    return it == values_.end() ? -1 : it->second;
}

// ---- the handlers Save Changes runs

void PlainHandlers::send(std::string_view label, const std::string& command, std::string_view section,
                         std::string_view key) {
    sink_({str(label), command, str(section), str(key), false});
}

void PlainHandlers::digit(const Param& p, int n, int base) {
    if (n >= 0 && n < base) param(p, str(p.setShort) + "0123456789ABCDEF"[n]);
}

void PlainHandlers::value(const Param& p, int v) {
    const auto n = static_cast<int16_t>(v);
    const std::string e = p.offset ? dxcmd::EncodeOffsetValue(n) : dxcmd::EncodeValue(n);
    const std::string_view head = e.size() == 2 ? p.setShort : p.setLong;
    if (!head.empty()) param(p, str(head) + e);
}

void PlainHandlers::twoState(const Param& p, int on) {
    if (on < 0) return;
    send(on ? p.labelOn : p.labelOff, str(on ? p.cmdOn : p.cmdOff), p.section(), p.key);
}

void PlainHandlers::run(Handler h) {
    namespace c = cat;
    const PlainValues& v = values_;
    // a value the store never got is one the file or camera did not give: nothing to send
    auto sliderValue = [&](const Param& p, Slider s) {
        const std::string name(ControlName(s));
        if (v.has(name)) value(p, v.get(name));
    };
    switch (h) {
    case Handler::CameraTitleExecute: {
        if (!TitleTextAllowed(v.cameraTitle())) {
            dialogs_.message(str(kTitleCharactersMessage), "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok,
                             dxcmd::Answer::Ok);
            return;
        }
        const auto& codeSet = trg::CharacterCodeSetB;
        send(codeSet.label, str(codeSet.command), "TRIGGER", codeSet.key);
        sink_({str(c::CameraTitle.label), TitleFrame(v.cameraTitle(), c::CameraTitle.code), "STRING",
               str(c::CameraTitle.key), true});
        break;
    }
    case Handler::Pan: sliderValue(c::PanPosition, Slider::Pan); break;
    case Handler::Tilt: sliderValue(c::TiltPosition, Slider::Tilt); break;
    case Handler::VariablePT: twoState(c::VariablePTSpeed, v.get(ControlName(OptionGroup::VariablePT))); break;
    case Handler::FocusEasy: twoState(c::EasyAf, v.get(ControlName(Check::FocusEasy))); break;
    case Handler::IrisMode: {
        const int i = v.get(ControlName(List::IrisMode));
        if (i >= 0) value(c::IrisMode, i);
        break;
    }
    case Handler::Shutter: {
        const auto& exdr = c::ExDRMode;
        const auto& speed = c::ManualShutterSpeed;
        switch (v.get(ControlName(OptionGroup::Shutter))) {
        case 0:
            send(exdr.labelOff, str(exdr.cmdOff), exdr.section(), exdr.key);
            send(speed.label, str(speed.cmdOff), speed.section(), speed.key);
            break;
        case 1:
            send(exdr.labelOff, str(exdr.cmdOff), exdr.section(), exdr.key);
            run(Handler::ShutterSpeed);
            break;
        case 2:
            run(Handler::ExDRLevel);
            send(exdr.labelOn, str(exdr.cmdOn), exdr.section(), exdr.key);
            break;
        default: break;
        }
        break;
    }
    case Handler::ShutterSpeed: {
        const int i = v.get(ControlName(List::ShutterSpeed));
        if (i >= 0) digit(c::ManualShutterSpeed, i == 0 ? 1 : i + 2);  // code 02 is not a speed
        break;
    }
    case Handler::ExDRLevel: sliderValue(c::ExDRLevel, Slider::ShutterExDRLevel); break;
    case Handler::SenseUp: digit(c::SenseUpMode, v.get(ControlName(List::SenseUpSelect))); break;
    case Handler::SenseUpPriority: digit(c::AlcPriority, v.get(ControlName(List::SenseUpPriority))); break;
    case Handler::BLCArea: digit(c::BlcArea, v.get(ControlName(OptionGroup::BLCArea))); break;
    case Handler::AGC: digit(c::Agc, v.get(ControlName(OptionGroup::AGC))); break;
    case Handler::WhiteBalance: {
        const int i = v.get(ControlName(OptionGroup::WhiteBalance));
        digit(c::WhiteBalanceMode, i);
        if (i == 4) {  // AWC: the manual balance applies
            run(Handler::WhiteBalanceRB);
            run(Handler::WhiteBalanceMgG);
        }
        break;
    }
    case Handler::WhiteBalanceMgG: sliderValue(c::WhiteBalanceMgG, Slider::WhiteBalanceMgG); break;
    case Handler::WhiteBalanceRB: sliderValue(c::WhiteBalanceRB, Slider::WhiteBalanceRB); break;
    case Handler::AutoBlack: twoState(c::AutoBlack, v.get(ControlName(Check::AutoBlack))); break;
    case Handler::Colour: sliderValue(c::ColorLevel, Slider::LevelAdjColour); break;
    case Handler::Enhance: sliderValue(c::EnhanceLevel, Slider::LevelAdjEnhance); break;
    case Handler::Pedestal: sliderValue(c::PedestalLevel, Slider::LevelAdjPedestal); break;
    case Handler::BW: digit(c::BwMode, v.get(ControlName(OptionGroup::BW)), 10); break;
    case Handler::BWLevelAuto: {
        const int i = v.get(ControlName(OptionGroup::BWLevelAuto));
        if (i >= 0 && i <= 2) value(c::BwAutoLevel, i - 1);  // low, normal, high: -1, 0, +1
        break;
    }
    case Handler::BWLightType: digit(c::IrLight, v.get(ControlName(OptionGroup::BWLightType)), 10); break;
    }
}

Rendered Render(const PlainValues& values, dxcmd::IDialogs& dialogs) {
    Rendered out;
    PlainHandlers handlers(values, dialogs, [&](const Sent& s) {
        if (!s.section.empty() && s.section != "TRIGGER") out[s.key] = s.command;
    });
    // nothing reaches a link: the only commands SaveChanges sends itself are
    // the stored lens positions (none without a file) and the ENTERs
    dxcmd::ProgramState st;
    st.DiagnosticMode = true;
    QuietView view;
    dxcmd::CommandLayer dry(st, view, dialogs, nullptr);
    SaveChanges(dry, handlers, "");
    return out;
}

// ---- stderr

dxcmd::Answer LineDialogs::message(const std::string& text, const std::string&, dxcmd::Icon icon,
                                   dxcmd::Buttons buttons, dxcmd::Answer) {
    if (icon != dxcmd::Icon::Information) failed_ = true;
    if (!quiet_ || icon != dxcmd::Icon::Information) {
        std::string line;
        for (char ch : text) {
            if (ch == '\r') continue;
            line += ch == '\n' ? ' ' : ch;
        }
        std::fprintf(stderr, "dxctl: %s\n", line.c_str());
    }
    switch (buttons) {
    case dxcmd::Buttons::YesNo: return dxcmd::Answer::No;
    case dxcmd::Buttons::OkCancel: return dxcmd::Answer::Cancel;
    case dxcmd::Buttons::Ok: break;
    }
    return dxcmd::Answer::Ok;
}

BarProgress::BarProgress(bool enabled, std::string label)
    : enabled_(enabled && ::isatty(STDERR_FILENO) == 1), label_(std::move(label)),
      start_(std::chrono::steady_clock::now()) {}

BarProgress::~BarProgress() { finish(); }

void BarProgress::reset(std::string label) {
    finish();
    label_ = std::move(label);
    value_ = 0;
    start_ = std::chrono::steady_clock::now();
}

void BarProgress::finish() {
    if (drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}

void BarProgress::setValue(int v) {
    value_ = std::clamp(v, 0, dxtransfer::kProgressMax);
    if (!enabled_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    constexpr int kWidth = 30;
    const int filled = value_ * kWidth / dxtransfer::kProgressMax;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(kWidth - filled), ' ').c_str(), value_ / 10);
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace dxctl
