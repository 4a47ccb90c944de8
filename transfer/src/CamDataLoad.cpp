// Reads the camera title and the picture and position settings into the
// console, one query after another.
#include <array>

#include "JobSupport.h"
#include "dxparams/Catalogue.h"

namespace dxtransfer {

namespace {

using namespace detail;
namespace cat = dxparams::cat;

constexpr int kSteps = 23;

enum class Gate {
    Cancel,             // cancel check first
    None,               // no cancel check
    CancelThenDX430,    // cancel check, then only with the DX-430
    DX430ThenCancel,    // only with the DX-430, then the cancel check
    DX430,              // only with the DX-430, no cancel check
};

enum class Kind {
    SliderValue,   // DecodeValue(ReplyData), guarded by data
    SliderOffset,  // DecodeOffsetValue(ReplyData), guarded by data
    ListData,      // list index = field 0, guarded by data
    List,          // list index = field 0
    Option,        // select button field 0
    Check,         // check box = field 0
    ManualShutter,
    ExDRMode,
    BWLevel,
};

struct Step {
    const dxparams::Param* param;
    Gate gate;
    Kind kind;
    int target;  // the Slider, List, OptionGroup or Check
};

constexpr int T(Slider s) { return int(s); }
constexpr int T(List l) { return int(l); }
constexpr int T(OptionGroup g) { return int(g); }
constexpr int T(Check c) { return int(c); }

constexpr std::array<Step, 22> kValueSteps{{
    {&cat::PanPosition, Gate::Cancel, Kind::SliderValue, T(Slider::Pan)},
    {&cat::TiltPosition, Gate::Cancel, Kind::SliderValue, T(Slider::Tilt)},
    {&cat::VariablePTSpeed, Gate::Cancel, Kind::Option, T(OptionGroup::VariablePT)},
    {&cat::EasyAf, Gate::Cancel, Kind::Check, T(Check::FocusEasy)},
    {&cat::IrisMode, Gate::Cancel, Kind::List, T(List::IrisMode)},
    {&cat::ManualShutterSpeed, Gate::Cancel, Kind::ManualShutter, 0},
    {&cat::ExDRLevel, Gate::None, Kind::SliderOffset, T(Slider::ShutterExDRLevel)},
    {&cat::ExDRMode, Gate::None, Kind::ExDRMode, 0},
    {&cat::SenseUpMode, Gate::Cancel, Kind::ListData, T(List::SenseUpSelect)},
    {&cat::AlcPriority, Gate::CancelThenDX430, Kind::List, T(List::SenseUpPriority)},
    {&cat::BlcArea, Gate::Cancel, Kind::Option, T(OptionGroup::BLCArea)},
    {&cat::Agc, Gate::Cancel, Kind::Option, T(OptionGroup::AGC)},
    {&cat::WhiteBalanceMode, Gate::Cancel, Kind::Option, T(OptionGroup::WhiteBalance)},
    {&cat::WhiteBalanceRB, Gate::None, Kind::SliderValue, T(Slider::WhiteBalanceRB)},
    {&cat::WhiteBalanceMgG, Gate::None, Kind::SliderValue, T(Slider::WhiteBalanceMgG)},
    {&cat::AutoBlack, Gate::Cancel, Kind::Check, T(Check::AutoBlack)},
    {&cat::ColorLevel, Gate::Cancel, Kind::SliderOffset, T(Slider::LevelAdjColour)},
    {&cat::EnhanceLevel, Gate::Cancel, Kind::SliderOffset, T(Slider::LevelAdjEnhance)},
    {&cat::PedestalLevel, Gate::Cancel, Kind::SliderOffset, T(Slider::LevelAdjPedestal)},
    {&cat::BwMode, Gate::DX430ThenCancel, Kind::Option, T(OptionGroup::BW)},
    {&cat::BwAutoLevel, Gate::DX430, Kind::BWLevel, T(OptionGroup::BWLevelAuto)},
    {&cat::IrLight, Gate::DX430, Kind::Option, T(OptionGroup::BWLightType)},
}};

// Manual shutter: 0 no manual speed, 1 the first speed, k + 2 speed k (2 is never sent).
void manualShutter(JobEnv& env, int v) {
    IConsoleValues& c = env.console;
    Write(env, [&] { c.setListIndex(List::ShutterSpeed, v - 1); });
    if (v != 0) {
        Write(env, [&] { c.selectOption(OptionGroup::Shutter, 1); });
        Write(env, [&] { c.setListIndex(List::ShutterSpeed, v == 1 ? 0 : v - 2); });
    } else {
        Write(env, [&] { c.selectOption(OptionGroup::Shutter, 0); });
    }
}

void write(JobEnv& env, const Step& s) {
    const dxcmd::ProgramState& st = env.commands.state();
    IConsoleValues& c = env.console;
    const int f0 = Field0(st);
    switch (s.kind) {
    case Kind::SliderValue:
        if (HasData(st)) Write(env, [&] { c.setSlider(Slider(s.target), dxcmd::DecodeValue(st.ReplyData)); });
        break;
    case Kind::SliderOffset:
        if (HasData(st)) Write(env, [&] { c.setSlider(Slider(s.target), dxcmd::DecodeOffsetValue(st.ReplyData)); });
        break;
    case Kind::ListData:
        if (HasData(st)) Write(env, [&] { c.setListIndex(List(s.target), f0); });
        break;
    case Kind::List:
        if (HasField0(st)) Write(env, [&] { c.setListIndex(List(s.target), f0); });
        break;
    case Kind::Option:
        if (HasField0(st)) Write(env, [&] { c.selectOption(OptionGroup(s.target), f0); });
        break;
    case Kind::Check:
        if (HasField0(st)) Write(env, [&] { c.setCheck(Check(s.target), f0); });
        break;
    case Kind::ManualShutter:
        if (HasField0(st)) manualShutter(env, f0);
        break;
    case Kind::ExDRMode:
        if (HasField0(st) && f0 == 3) Write(env, [&] { c.selectOption(OptionGroup::Shutter, 2); });
        break;
    case Kind::BWLevel:
        if (HasField0(st)) {
            // 127, 128, 129: the inverse of the low, normal and high set commands
            const int level = dxcmd::DecodeValue(st.ReplyData) - 127;
            if (level >= 0 && level <= 2) Write(env, [&] { c.selectOption(OptionGroup::BWLevelAuto, level); });
        }
        break;
    }
}

}  // namespace

void CamDataLoad(JobEnv& env) {
    dxcmd::ProgramState& st = env.commands.state();
    const bool dx430 = env.console.isDX430();

    CharacterCodeSet(env);
    Write(env, [&] { env.console.setCameraTitle(""); });
    switch (Query(env, cat::CameraTitle.label, cat::CameraTitle.query, st.QueryWaitLong)) {
    case Flow::End: return;
    case Flow::Skip: break;
    case Flow::Go:
        Write(env, [&] { env.console.setCameraTitle(DecodeTitle(st.LastReply, st.ReplyFields)); });
        break;
    }
    Advance(env.progress, kSteps);

    for (size_t i = 0; i < kValueSteps.size(); ++i) {
        const Step& s = kValueSteps[i];
        const bool cancelCheck = s.gate == Gate::Cancel || s.gate == Gate::CancelThenDX430 ||
                                 (s.gate == Gate::DX430ThenCancel && dx430);
        if (cancelCheck && Cancelled(env)) return;
        const bool onlyDX430 = s.gate == Gate::CancelThenDX430 || s.gate == Gate::DX430ThenCancel ||
                               s.gate == Gate::DX430;
        if (onlyDX430 && !dx430) continue;

        const Flow flow = Query(env, s.param->label, s.param->query, st.QueryWaitShort);
        if (flow == Flow::End) return;
        if (flow == Flow::Go) write(env, s);
        if (i + 1 < kValueSteps.size()) Advance(env.progress, kSteps);
    }
    st.UpdatingFromCamera = false;
}

}  // namespace dxtransfer
