// The setting-file loader, headless, on any file: it reports what it cannot
// take and goes on, never sends, never throws, and leaves the busy flag clear.
#include "FuzzSupport.h"
#include "RecordedValues.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "dxparams/SettingFile.h"
#include "dxparams/SettingFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = dxfuzz::WriteScratch("settings.dat", dxfuzz::Text(data, size));
    dxcmd::ProgramState state;
    dxtest::RecordingView view;
    dxtest::ScriptedDialogs dialogs{[](const std::string&) {}};  // every box answered as its default button
    dxcmd::CommandLayer layer(state, view, dialogs, {});
    dxtest::RecordedValues console;
    console.dx430 = size % 2 == 0;
    dxparams::ApplySettingFile(layer, console, path);
    FUZZ_CHECK(!state.LoadingSettingFile && !view.touched());  // and nothing was sent
    if (!dxparams::IsSettingFile(path)) {
        FUZZ_CHECK(dialogs.shown().size() == 1 && dialogs.shown()[0].text == "This file cannot be used.");
        FUZZ_CHECK(console.writes.empty() && state.MachineID == "0");
        return 0;
    }
    FUZZ_CHECK(!console.writes.empty() && console.writes.back() == "refresh=");
    // a camera number 01 to 20 (hex), or none
    const int id = state.MachineID.size() == 2 ? std::stoi(state.MachineID, nullptr, 16) : 0;
    FUZZ_CHECK(state.MachineID == "0" || (id >= 1 && id <= 32));
    for (const auto& box : dialogs.shown()) FUZZ_CHECK(box.text.find(':') != std::string::npos);
    return 0;
}
