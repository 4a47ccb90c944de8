// The preset positions: every title, or one preset's title and stored data.
#include <array>

#include "JobSupport.h"
#include "dxparams/Catalogue.h"

namespace dxtransfer {

namespace {

using namespace detail;
namespace cat = dxparams::cat;

struct DataStep {
    const dxparams::Param* param;
    bool slider;  // slider value from the data; else an option or list index from field 0
    int target;
};

constexpr std::array<DataStep, 7> kDataSteps{{
    {&cat::PanPosition, true, int(Slider::Pan)},
    {&cat::TiltPosition, true, int(Slider::Tilt)},
    {&cat::IrisMode, false, int(List::IrisMode)},
    {&cat::WhiteBalanceMode, false, int(OptionGroup::WhiteBalance)},
    {&cat::BlcArea, false, int(OptionGroup::BLCArea)},
    {&cat::WhiteBalanceRB, true, int(Slider::WhiteBalanceRB)},
    {&cat::WhiteBalanceMgG, true, int(Slider::WhiteBalanceMgG)},
}};

// Any failure inside abandons the rest of the position; End: the job ends.
Flow positionLoad(JobEnv& env, int row, bool titlesOnly) {
    dxcmd::ProgramState& st = env.commands.state();
    CharacterCodeSet(env);

    Flow flow = Query(env, cat::PositionTitle.label, cat::PositionTitle.query, st.QueryWaitLong);
    if (flow != Flow::Go) return flow;
    try {
        env.console.setPresetTitle(row, DecodeTitle(st.LastReply, st.ReplyFields));
    } catch (const std::exception&) {
        ReportOtherError(env);
        return Flow::Skip;
    }
    if (titlesOnly) return Flow::Go;

    for (size_t i = 0; i < kDataSteps.size(); ++i) {
        if (Cancelled(env)) return Flow::End;
        const DataStep& s = kDataSteps[i];
        flow = Query(env, s.param->label, s.param->query, st.QueryWaitShort);
        if (flow != Flow::Go) return flow;
        try {
            if (s.slider) {
                if (HasData(st)) env.console.setSlider(Slider(s.target), dxcmd::DecodeValue(st.ReplyData));
            } else if (HasField0(st)) {
                if (s.param == &cat::IrisMode)
                    env.console.setListIndex(List(s.target), Field0(st));
                else
                    env.console.selectOption(OptionGroup(s.target), Field0(st));
            }
        } catch (const std::exception&) {
            ReportOtherError(env);
            return Flow::Skip;
        }
        if (i + 1 < kDataSteps.size()) Advance(env.progress, 7);
    }
    return Flow::Go;
}

}  // namespace

void PositionTitleLoad(JobEnv& env) {
    dxcmd::ProgramState& st = env.commands.state();
    const auto& select = cat::PresetPosition;
    const int rows = env.console.presetRows();
    // all at once: a cancel part way must not leave a mark below on a preset
    // the camera no longer holds selected
    for (int row = 0; row < rows; ++row) Write(env, [&] { env.console.setPresetState(row, ""); });
    for (int row = 0; row < rows; ++row) {
        if (Cancelled(env)) return;
        const int position = std::atoi(env.console.presetRowText(row).c_str());
        // the selection must reach the camera: the flag is cleared for this one call
        st.LogLabel = std::string(select.labelSet);
        st.UpdatingFromCamera = false;
        const int16_t status = env.commands.ExecCmd(std::string(select.setShort) +
                                                        dxcmd::EncodeValue(static_cast<int16_t>(position)),
                                                    "A0", "", "");
        st.UpdatingFromCamera = true;
        // a preset the camera did not select would answer with another one's title
        if (status == 0 && positionLoad(env, row, true) == Flow::End) return;
        Advance(env.progress, 100);
    }
    st.UpdatingFromCamera = false;
}

void PositionDataLoad(JobEnv& env) {
    const int row = env.console.selectedPresetRow();
    if (row >= 0 && positionLoad(env, row, false) == Flow::End) return;
    Advance(env.progress, 100);
    env.commands.state().UpdatingFromCamera = false;
}

}  // namespace dxtransfer
