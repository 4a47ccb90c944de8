// A dialogs fake for tests: every prompt must have been expected, in order,
// and every expected answer must be used. Framework-neutral: failures go to
// the reporter (ADD_FAILURE in GoogleTest, a recorded list in Qt Test).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dxcmd/Ui.h"

namespace dxtest {

class ScriptedDialogs : public dxcmd::IDialogs {
public:
    struct Shown {
        std::string text, title;
        dxcmd::Icon icon;
        dxcmd::Buttons buttons;
        dxcmd::Answer defaultButton;
    };
    using Reporter = std::function<void(const std::string&)>;

    explicit ScriptedDialogs(Reporter report) : report_(std::move(report)) {}
    ~ScriptedDialogs() override { verify(); }

    // Expect a message box with exactly this text; answer it with `answer`.
    void expectMessage(std::string text, dxcmd::Answer answer = dxcmd::Answer::Ok) {
        steps_.push_back({"message \"" + text + "\"", answer, std::nullopt});
    }
    void expectOpenFile(std::optional<std::string> chosen) { steps_.push_back({"open-file dialog", {}, chosen}); }
    void expectSaveFile(std::optional<std::string> chosen) { steps_.push_back({"save-file dialog", {}, chosen}); }

    // Reports every expectation left unused, then forgets them.
    void verify() {
        for (const auto& s : steps_) report_("expected dialog never shown: " + s.what);
        steps_.clear();
    }
    bool pending() const { return !steps_.empty(); }
    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

    dxcmd::Answer message(const std::string& text, const std::string& title, dxcmd::Icon icon, dxcmd::Buttons buttons,
                          dxcmd::Answer defaultButton) override {
        shown_.push_back({text, title, icon, buttons, defaultButton});
        if (const Step* s = next("message \"" + text + "\"", "unexpected message box: \"" + text + "\""))
            return s->answer;
        return buttons == dxcmd::Buttons::Ok      ? dxcmd::Answer::Ok
               : buttons == dxcmd::Buttons::YesNo ? dxcmd::Answer::No
                                                  : dxcmd::Answer::Cancel;
    }
    std::optional<std::string> openFile(const std::string& filter) override {
        const Step* s = next("open-file dialog", "unexpected open-file dialog (filter " + filter + ")");
        return s ? s->file : std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string& filter, const std::string&) override {
        const Step* s = next("save-file dialog", "unexpected save-file dialog (filter " + filter + ")");
        return s ? s->file : std::nullopt;
    }

private:
    struct Step {
        std::string what;
        dxcmd::Answer answer;
        std::optional<std::string> file;
    };
    // The expected step when it is `what`, taken off the script; else reported.
    const Step* next(const std::string& what, const std::string& unexpected) {
        if (steps_.empty() || steps_.front().what != what) {
            report_(unexpected + (steps_.empty() ? std::string() : " (expected " + steps_.front().what + ")"));
            return nullptr;
        }
        taken_ = steps_.front();
        steps_.pop_front();
        return &taken_;
    }

    Reporter report_;
    std::deque<Step> steps_;
    Step taken_;
    std::vector<Shown> shown_;
};

}  // namespace dxtest
