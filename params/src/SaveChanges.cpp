// Save Setting File as, and Save Changes.
#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "dxcmd/Codec.h"
#include "dxcmd/Profile.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFiles.h"

namespace dxparams {

namespace {

namespace fs = std::filesystem;

// A stored lens position is sent back as the command it is, when it is one.
// At least group and item after the header.
bool IsFrame(const std::string& v) {
    return v.size() >= 8 && dxcmd::IsHexBytes(v) && dxcmd::FrameBytes(v) == (v.size() + 1) / 3;
}

}  // namespace

SaveAsResult SaveSettingFileAs(const std::string& currentFile, const std::string& target) {
    if (target.empty()) return SaveAsResult::Failed;
    // compared as files: another spelling of the path, or a link, is the same file
    std::error_code ec;
    const fs::path t = fs::absolute(target, ec), c = fs::absolute(currentFile, ec);
    if (t.lexically_normal() == c.lexically_normal() || fs::equivalent(t, c, ec) ||
        fs::weakly_canonical(t, ec) == fs::weakly_canonical(c, ec))
        return SaveAsResult::SameFile;

    std::string data;
    if (!dxcmd::ReadSmallFile(currentFile, data, dxcmd::kMaxProfileBytes)) return SaveAsResult::Failed;
    if (!dxcmd::ReplaceFileAtomically(dxcmd::WriteTarget(t.string()), data)) return SaveAsResult::Failed;
    return SaveAsResult::Copied;
}

void SaveChanges(dxcmd::CommandLayer& commands, IConsoleHandlers& console, const std::string& settingFile,
                 const SaveChangesStep& afterStep) {
    dxcmd::ProgramState& st = commands.state();
    const int style = console.selectedStyle();
    if (style >= 0) st.CommStyle = static_cast<int16_t>(style);
    // the addressed camera, never the "00" of buttons a refresh has cleared;
    // none at all is refused once, not once a command
    if (st.CommStyle == 1 && st.MachineID == "0") {
        commands.dialogs().message("Please choose a camera number.", "Error", dxcmd::Icon::Critical,
                                   dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        return;
    }

    auto stored = [&](const Param& p, std::string_view label) {
        return [&commands, &st, &settingFile, &p, label] {
            const std::string v =
                dxcmd::ReadProfileString(settingFile, std::string(p.section()), std::string(p.key));
            if (!IsFrame(v)) return;  // missing, or a failed read-back: nothing to send
            st.LogLabel = std::string(label);
            commands.ExecCmd(v, "A0", std::string(p.section()), std::string(p.key));
        };
    };
    auto enter = [&commands, &st](const char* command) {
        return [&commands, &st, command] {
            st.LogLabel = std::string(trg::EnterParameter.label);
            commands.ExecCmd(command, "A0", "", "");
        };
    };
    std::vector<std::function<void()>> steps;
    auto run = [&](std::initializer_list<Handler> hs) {
        for (Handler h : hs) steps.push_back([&console, h] { console.run(h); });
    };
    using H = Handler;
    const bool dx430 = console.isDX430();
    run({H::CameraTitleExecute, H::Pan, H::Tilt, H::VariablePT});
    steps.push_back(stored(cat::FocusPosition, cat::FocusPosition.label));
    run({H::FocusEasy});
    steps.push_back(stored(cat::ZoomPosition, cat::ZoomPosition.label));
    steps.push_back(stored(cat::IrisPosition, cat::IrisPosition.labelSet));
    run({H::IrisMode, H::Shutter, H::ShutterSpeed, H::ExDRLevel, H::SenseUp});
    if (dx430) run({H::SenseUpPriority});
    run({H::BLCArea, H::AGC, H::WhiteBalance, H::WhiteBalanceMgG, H::WhiteBalanceRB, H::AutoBlack, H::Colour,
         H::Enhance, H::Pedestal});
    if (dx430) run({H::BW, H::BWLevelAuto, H::BWLightType});
    steps.push_back(enter("83:45:16:00"));
    steps.push_back(enter("83:45:16:01"));

    for (const auto& step : steps) {
        step();
        if (afterStep && !afterStep(int(steps.size()))) return;
    }
}

}  // namespace dxparams
