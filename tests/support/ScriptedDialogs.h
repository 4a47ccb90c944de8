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
        steps_.push_back({Kind::Message, std::move(text), answer, std::nullopt});
    }
    void expectOpenFile(std::optional<std::string> chosen) {
        steps_.push_back({Kind::Open, "", dxcmd::Answer::Ok, std::move(chosen)});
    }
    void expectSaveFile(std::optional<std::string> chosen) {
        steps_.push_back({Kind::Save, "", dxcmd::Answer::Ok, std::move(chosen)});
    }

    // Reports every expectation left unused, then forgets them.
    void verify() {
        for (const auto& s : steps_)
            report_("expected dialog never shown: " + describe(s));
        steps_.clear();
    }
    bool pending() const { return !steps_.empty(); }
    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

    dxcmd::Answer message(const std::string& text, const std::string& title, dxcmd::Icon icon,
                          dxcmd::Buttons buttons, dxcmd::Answer defaultButton) override {
        shown_.push_back({text, title, icon, buttons, defaultButton});
        if (steps_.empty() || steps_.front().kind != Kind::Message || steps_.front().text != text) {
            report_("unexpected message box: \"" + text + "\"" +
                    (steps_.empty() ? std::string() : " (expected " + describe(steps_.front()) + ")"));
            return buttons == dxcmd::Buttons::Ok ? dxcmd::Answer::Ok
                   : buttons == dxcmd::Buttons::YesNo ? dxcmd::Answer::No
                                                       : dxcmd::Answer::Cancel;
        }
        auto a = steps_.front().answer;
        steps_.pop_front();
        return a;
    }
    std::optional<std::string> openFile(const std::string& filter) override {
        return file(Kind::Open, filter);
    }
    std::optional<std::string> saveFile(const std::string& filter, const std::string&) override {
        return file(Kind::Save, filter);
    }

private:
    enum class Kind { Message, Open, Save };
    struct Step {
        Kind kind;
        std::string text;
        dxcmd::Answer answer;
        std::optional<std::string> file;
    };
    static std::string describe(const Step& s) {
        switch (s.kind) {
        case Kind::Message: return "message \"" + s.text + "\"";
        case Kind::Open: return "open-file dialog";
        case Kind::Save: return "save-file dialog";
        }
        return "";
    }
    std::optional<std::string> file(Kind kind, const std::string& filter) {
        if (steps_.empty() || steps_.front().kind != kind) {
            report_(std::string("unexpected ") + (kind == Kind::Open ? "open" : "save") +
                    "-file dialog (filter " + filter + ")");
            return std::nullopt;
        }
        auto f = steps_.front().file;
        steps_.pop_front();
        return f;
    }

    Reporter report_;
    std::deque<Step> steps_;
    std::vector<Shown> shown_;
};

}  // namespace dxtest
