// The setting-file loader, headless, on any file: it reports what it cannot
// take and goes on, never sends, never throws, and leaves the busy flag clear.
#include <string>

#include "FuzzSupport.h"
#include "RecordedValues.h"
#include "RecordingView.h"
#include "dxparams/SettingFile.h"
#include "dxparams/SettingFiles.h"

namespace {

// Answers every box with its default and counts them.
struct AnsweringDialogs : dxcmd::IDialogs {
    std::vector<std::string> texts;
    dxcmd::Answer message(const std::string& text, const std::string&, dxcmd::Icon, dxcmd::Buttons,
                          dxcmd::Answer defaultButton) override {
        texts.push_back(text);
        return defaultButton;
    }
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override { return std::nullopt; }
};

bool cameraNumber(const std::string& id) {
    if (id.size() != 2) return false;
    const int n = std::stoi(id, nullptr, 16);
    return n >= 1 && n <= 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = dxfuzz::WriteScratch("settings.dat", dxfuzz::Text(data, size));
    dxcmd::ProgramState state;
    dxtest::RecordingView view;
    AnsweringDialogs dialogs;
    dxcmd::CommandLayer layer(state, view, dialogs, {});
    dxtest::RecordedValues console;
    console.dx430 = size % 2 == 0;

    dxparams::ApplySettingFile(layer, console, path);

    FUZZ_CHECK(!state.LoadingSettingFile);
    FUZZ_CHECK(!view.touched());  // nothing was sent
    const bool usable = dxparams::IsSettingFile(path);
    if (!usable) {
        FUZZ_CHECK(dialogs.texts == std::vector<std::string>{"This file cannot be used."});
        FUZZ_CHECK(console.writes.empty() && state.MachineID == "0");
        return 0;
    }
    FUZZ_CHECK(!console.writes.empty() && console.writes.back() == "refresh=");
    FUZZ_CHECK(state.MachineID == "0" || cameraNumber(state.MachineID));
    for (const std::string& t : dialogs.texts) FUZZ_CHECK(t.find(':') != std::string::npos);
    return 0;
}
