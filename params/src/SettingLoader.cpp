// Fills the console from a setting file. Every control is set as an operator
// would set it, with LoadingSettingFile keeping the handlers from sending.
#include <cctype>
#include <cstdio>
#include <functional>
#include <optional>

#include "dxcmd/Codec.h"
#include "dxcmd/Profile.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFile.h"
#include "dxparams/SettingFiles.h"

namespace dxparams {

namespace {

struct LoadError {
    int number;
    std::string description;
};

LoadError TypeMismatch() { return {13, "Type mismatch"}; }

// A decimal option value as the loader reads it.
int Number(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.front() == ' ') t.erase(0, 1);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.empty() || t.size() > 6) throw TypeMismatch();
    size_t i = t[0] == '-' || t[0] == '+' ? 1 : 0;
    if (i == t.size()) throw TypeMismatch();
    for (size_t j = i; j < t.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(t[j]))) throw TypeMismatch();
    return std::stoi(t);
}

// Command text: two hex digits a byte joined by ":" (an empty title's frame
// keeps its final ":").
bool IsCommandText(const std::string& v) {
    size_t i = 0;
    for (;;) {
        if (i + 2 > v.size() || !std::isxdigit(static_cast<unsigned char>(v[i])) ||
            !std::isxdigit(static_cast<unsigned char>(v[i + 1])))
            return false;
        i += 2;
        if (i == v.size()) return true;
        if (v[i] != ':') return false;
        if (++i == v.size()) return true;
    }
}

// A parameter value split as a camera reply is.
struct Stored {
    std::vector<std::string> fields;
    std::string data;
    bool b() const { return !fields.empty() && !fields[0].empty(); }
    int field0() const { return dxcmd::FieldValue(fields, 0); }
    bool hasData() const { return !data.empty(); }
    int number() const { return dxcmd::DecodeValue(data); }
    int level() const { return dxcmd::DecodeOffsetValue(data); }
};

class Loader {
public:
    Loader(dxcmd::CommandLayer& commands, ISettingConsole& console, const std::string& path)
        : commands_(commands), console_(console), file_(path) {}

    bool usable() const { return read(kAppTypeSection, kAppNameKey) == kAppId; }
    void run();

private:
    std::string read(std::string_view section, std::string_view key) const {
        return file_.read(std::string(section), std::string(key));
    }
    Stored stored(const Param& p) const {
        const std::string v = read(p.section(), p.key);
        Stored s;
        if (v.empty() || v == "NL") return s;  // a failed read-back recorded by an older version
        if (!IsCommandText(v)) throw TypeMismatch();
        s.fields = dxcmd::SplitReply(v, s.data);
        return s;
    }
    // One step; a failure is shown and loading goes on with the next.
    void step(const std::function<void()>& f) {
        try {
            f();
        } catch (const LoadError& e) {
            report(e.number, e.description);
        } catch (const InvalidValue& e) {
            report(e.number(), e.what());
        } catch (const std::exception&) {
            report(5, "Invalid procedure call or argument");
        }
    }
    void report(int number, const std::string& description) {
        commands_.dialogs().message(std::to_string(number) + ":" + description, "", dxcmd::Icon::None,
                                    dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
    }
    void slider(const Param& p, Slider s, bool offset) {
        step([&] {
            const Stored v = stored(p);
            if (v.hasData()) console_.setSlider(s, offset ? v.level() : v.number());
        });
    }
    void option(const Param& p, OptionGroup g) {
        step([&] {
            const Stored v = stored(p);
            if (v.b()) console_.selectOption(g, v.field0());
        });
    }

    dxcmd::CommandLayer& commands_;
    ISettingConsole& console_;
    dxcmd::ProfileSnapshot file_;
};

void Loader::run() {
    namespace c = cat;
    dxcmd::ProgramState& st = commands_.state();

    step([&] {
        const std::string v = read(kOptionSection, kModelKey);
        if (!v.empty()) console_.selectModel(Number(v));  // first: the profile decides what can be set
    });
    step([&] {
        const std::string v = read(kOptionSection, kComPortKey);
        if (!v.empty()) console_.selectComPort(Number(v) - 1);
    });
    step([&] {
        const std::string v = read(kOptionSection, kDeviceTypeKey);
        if (!v.empty()) console_.selectDeviceType(Number(v) - 1);
    });
    step([&] {
        const std::string v = read(kOptionSection, kLoaderStyleKey);
        if (!v.empty()) console_.selectOption(OptionGroup::CommunicationStyle, Number(v));
    });
    step([&] {
        std::string v = read(kOptionSection, kLoaderMachineIdKey);
        if (v.empty()) v = "01";
        // an ID that names no camera would address another one
        int id = -1;
        if (v.size() <= 2 && IsCommandText(v.size() == 1 ? "0" + v : v)) id = std::stoi(v, nullptr, 16);
        if (id < 1 || id > 32) throw InvalidValue::Property();
        char text[4];
        std::snprintf(text, sizeof text, "%02X", id);
        st.MachineID = text;
        console_.selectOption(OptionGroup::CamSel, id - 1);
    });
    step([&] {
        console_.setCameraTitle("");
        const std::string v = read(c::CameraTitle.section(), c::CameraTitle.key);
        if (v.empty()) return;
        if (!IsCommandText(v)) throw TypeMismatch();
        std::string data, title;
        for (const std::string& f : dxcmd::SplitReply(v, data))
            if (!f.empty()) title += char(dxcmd::FieldValue({f}, 0));
        console_.setCameraTitle(title);
    });

    slider(c::PanPosition, Slider::Pan, false);
    slider(c::TiltPosition, Slider::Tilt, false);
    option(c::VariablePTSpeed, OptionGroup::VariablePT);
    step([&] {
        const Stored v = stored(c::EasyAf);
        if (v.b()) console_.setCheck(Check::FocusEasy, v.field0());
    });
    step([&] {
        const Stored v = stored(c::IrisMode);
        if (v.b()) console_.setListIndex(List::IrisMode, v.field0());
    });
    // Each statement of the row on its own: a failed one does not skip the rest.
    std::optional<int> shutter;
    step([&] {
        const Stored v = stored(c::ManualShutterSpeed);
        if (v.b()) shutter = v.field0();
    });
    if (shutter) {
        const int b = *shutter;
        if (b == 0) {
            step([&] { console_.setListIndex(List::ShutterSpeed, -1); });
            step([&] { console_.selectOption(OptionGroup::Shutter, 0); });
        } else {
            // the row sets the index again below, so one past the list here
            // (1/10000 is b = 8) is no fault
            try {
                console_.setListIndex(List::ShutterSpeed, b - 1);
            } catch (const InvalidValue&) {
            }
            step([&] { console_.selectOption(OptionGroup::Shutter, 1); });
            step([&] { console_.setListIndex(List::ShutterSpeed, b == 1 ? 0 : b - 2); });
        }
    }
    slider(c::ExDRLevel, Slider::ShutterExDRLevel, true);
    step([&] {
        // after the manual speed, so ExDR wins when both are stored
        const Stored v = stored(c::ExDRMode);
        if (v.b() && v.field0() == 3) console_.selectOption(OptionGroup::Shutter, 2);
    });
    step([&] {
        const Stored v = stored(c::SenseUpMode);
        if (v.hasData()) console_.setListIndex(List::SenseUpSelect, v.field0());
    });
    if (console_.isDX430())
        step([&] {
            const Stored v = stored(c::AlcPriority);
            if (v.b()) console_.setListIndex(List::SenseUpPriority, v.field0());
        });
    option(c::BlcArea, OptionGroup::BLCArea);
    option(c::Agc, OptionGroup::AGC);
    option(c::WhiteBalanceMode, OptionGroup::WhiteBalance);
    slider(c::WhiteBalanceRB, Slider::WhiteBalanceRB, false);
    slider(c::WhiteBalanceMgG, Slider::WhiteBalanceMgG, false);
    step([&] {
        const Stored v = stored(c::AutoBlack);
        if (v.b()) console_.setCheck(Check::AutoBlack, v.field0());
    });
    slider(c::ColorLevel, Slider::LevelAdjColour, true);
    slider(c::EnhanceLevel, Slider::LevelAdjEnhance, true);
    slider(c::PedestalLevel, Slider::LevelAdjPedestal, true);
    if (console_.isDX430()) {
        option(c::BwMode, OptionGroup::BW);
        step([&] {
            // stored as the exact set commands 83:43:3B:7F, 84:43:3B:01:00, 84:43:3B:01:01
            const Stored v = stored(c::BwAutoLevel);
            if (!v.hasData()) return;
            const int level = v.number() - 127;
            if (level >= 0 && level <= 2) console_.selectOption(OptionGroup::BWLevelAuto, level);
        });
        option(c::IrLight, OptionGroup::BWLightType);
    }
}

}  // namespace

void ApplySettingFile(dxcmd::CommandLayer& commands, ISettingConsole& console, const std::string& path) {
    dxcmd::ProgramState& st = commands.state();
    st.LoadingSettingFile = true;
    struct Clear {
        dxcmd::ProgramState& st;
        ~Clear() { st.LoadingSettingFile = false; }
    } clear{st};
    Loader loader(commands, console, path);
    if (!loader.usable()) {
        commands.dialogs().message("This file cannot be used.", "", dxcmd::Icon::None, dxcmd::Buttons::Ok,
                                   dxcmd::Answer::Ok);
        return;
    }
    loader.run();
    st.LoadingSettingFile = false;
    console.refreshControlStates();
}

}  // namespace dxparams
