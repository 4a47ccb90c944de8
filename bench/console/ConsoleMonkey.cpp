// Randomized operator soak of the main window on the real link against the
// simulated camera (paced, random faults), driven through real input events.
// Usage: dxconsole_monkey [--seed N] [--actions N] [--fault-rate R] [--log FILE]
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
constexpr auto kActionBound = 3s;
const char* const kMoves[] = {"cmdUp", "cmdDown", "cmdLeft", "cmdRight", "cmdUpLeft", "cmdUpRight", "cmdDownLeft",
                              "cmdDownRight", "cmdZoomWide", "cmdZoomTele", "cmdFocusNear", "cmdFocusFar",
                              "cmdIrisOpen", "cmdIrisClose"};
const char* const kStops[] = {"82:45:02", "82:45:05", "82:45:08", "82:45:0B", "82:45:0E", "82:45:0F"};
const char* const kHeld[] = {"release", "release posted during the press", "deactivate, release",
                             "deactivate posted during the press", "tab away, release"};

void pump(void*) { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// Answers every box at random and counts them by their first line.
struct RandomDialogs : dxcmd::IDialogs {
    explicit RandomDialogs(uint32_t seed) : rng(seed) {}
    std::mt19937 rng;
    std::map<std::string, int> boxes;
    dxcmd::Answer message(const std::string& text, const std::string&, dxcmd::Icon, dxcmd::Buttons b,
                          dxcmd::Answer) override {
        ++boxes[text.substr(0, text.find("\r\n"))];
        const bool coin = rng() & 1;
        if (b == dxcmd::Buttons::YesNo) return coin ? dxcmd::Answer::Yes : dxcmd::Answer::No;
        if (b == dxcmd::Buttons::OkCancel) return coin ? dxcmd::Answer::Ok : dxcmd::Answer::Cancel;
        return dxcmd::Answer::Ok;
    }
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override { return std::nullopt; }
};

// A whole frame: its length byte (or the 8F length field) matches its bytes.
bool wholeFrame(const std::string& v) {
    static const std::regex hex("[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2})*");
    if (!std::regex_match(v, hex)) return true;  // not a frame at all
    std::vector<int> b;
    for (size_t i = 0; i < v.size(); i += 3) b.push_back(std::stoi(v.substr(i, 2), nullptr, 16));
    if (b.size() > 3 && b[0] == 0xB1) b.erase(b.begin(), b.begin() + 3);
    if (b[0] == 0x8F) return b.size() >= 2 && b.size() == size_t(1 + b[1]);
    if (b[0] > 0x80 && b[0] < 0x8F) return b.size() == size_t(1 + b[0] - 0x80);
    return true;
}

class Monkey : public QObject {
public:
    Monkey(dxsim::CameraSim& sim, dxcmd::ProgramState& st, RandomDialogs& d, dxconsole::frmMain& w, uint32_t seed,
           FILE* log)
        : sim_(sim), st_(st), dialogs_(d), win_(w), rng_(seed), log_(log) {
        tab_ = dxconsole::need<QTabWidget>(w, "tabCameraCtrl");
        for (auto* g : w.findChildren<QButtonGroup*>())
            if (g->objectName() != "optCamSel" && g->objectName() != "optCommunicationStyle")
                for (auto* b : g->buttons()) options_.push_back(b);
        checks_ = w.findChildren<QCheckBox*>();
        sliders_ = w.findChildren<QSlider*>();
        combos_ = w.findChildren<QComboBox*>();
        for (const char* m : kMoves) dxconsole::need<QToolButton>(w, m)->installEventFilter(this);
    }

    // Counts the releases that reached a button while its press was still being handled.
    bool eventFilter(QObject*, QEvent* e) override {
        if (pressing_ && e->type() == QEvent::MouseButtonRelease) ++earlyReleases_;
        return false;
    }

    int run(int actions) {
        const auto begun = Clock::now();
        Clock::duration longest{};
        for (index_ = 0; index_ < actions; ++index_) {
            sim_.clearReceived();
            metBefore_ = sim_.faultsMet().size();
            moved_ = false;
            const auto t0 = Clock::now();
            try {
                act();
            } catch (const std::exception& e) {
                violation(std::string("exception escaped: ") + e.what());
            } catch (...) {
                violation("unknown exception escaped");
            }
            const auto took = Clock::now() - t0;
            longest = std::max(longest, took);
            if (took > kActionBound) violation("took " + ms(took) + " ms");
            if (moved_) checkStopped();
            if (st_.busy()) violation("a busy flag is still set");
            checkCurrentFile();
            for (const auto& f : sim_.received()) exchanges_ += f != "A0";
        }
        std::printf("actions %d (%d on a control not shown, %d clicks that left a check or option unchanged), "
                    "%d releases taken during the press, exchanges %zu, faults met %zu (%d on a stop left the camera moving), "
                    "%s s, longest action %s ms\nboxes:\n",
                    actions, skipped_, unchanged_, earlyReleases_, exchanges_, sim_.faultsMet().size(), toleratedStops_,
                    std::to_string(std::chrono::duration<double>(Clock::now() - begun).count()).c_str(),
                    ms(longest).c_str());
        for (const auto& [text, n] : dialogs_.boxes) std::printf("  %5d  %s\n", n, text.c_str());
        std::printf("violations: %d\n", violations_);
        return violations_ ? 1 : 0;
    }

private:
    static std::string ms(Clock::duration d) {
        return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    template <typename T> T* any(const QList<T*>& l) { return l.isEmpty() ? nullptr : l[pick(int(l.size()))]; }

    void note(const std::string& what) {
        recent_.push_back("#" + std::to_string(index_) + " " + what);
        if (recent_.size() > 12) recent_.pop_front();
        if (log_) std::fprintf(log_, "%s\n", recent_.back().c_str()), std::fflush(log_);
    }

    void violation(const std::string& what) {
        ++violations_;
        std::printf("VIOLATION at action %d: %s\n  last actions:\n", index_, what.c_str());
        for (const auto& a : recent_) std::printf("    %s\n", a.c_str());
        std::printf("  camera received:");
        for (const auto& f : sim_.received()) std::printf(" [%s]", f.c_str());
        std::printf("\n  faults met:");
        const auto met = sim_.faultsMet();
        for (size_t i = metBefore_; i < met.size(); ++i) std::printf(" [%s]=%d", met[i].first.c_str(), int(met[i].second));
        std::printf("\n");
    }

    // Operators see only what is on the current page; bring its page up first.
    bool reveal(QWidget* w) {
        for (int i = 0; i < tab_->count(); ++i)
            if (tab_->widget(i)->isAncestorOf(w)) tab_->setCurrentIndex(i);
        return w->isVisible() && w->isEnabled();
    }

    static QPoint hit(QWidget* w) {
        // a check or radio button reacts on its indicator and text, not on its stretched tail
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) return {6, w->height() / 2};
        return w->rect().center();
    }

    void click(QWidget* w, const std::string& what) {
        note(what);
        if (!reveal(w)) return skipped();
        auto* b = qobject_cast<QAbstractButton*>(w);
        const bool was = b && b->isChecked();
        QTest::mouseClick(w, Qt::LeftButton, {}, hit(w));
        if (qobject_cast<QCheckBox*>(w) ? b->isChecked() == was : qobject_cast<QRadioButton*>(w) && !b->isChecked())
            ++unchanged_;
    }
    void skipped() {
        recent_.back() += " (not shown)";
        if (log_) std::fprintf(log_, "  (not shown)\n"), std::fflush(log_);
        ++skipped_;
    }

    void act() {
        const int r = pick(100);
        if (r < 35) return move();
        if (r < 55) {
            QWidget* w = r < 50 ? static_cast<QWidget*>(any(options_)) : any(checks_);
            return click(w, "click " + w->objectName().toStdString());
        }
        if (r < 65) {
            auto* s = any(sliders_);
            const int v = s->minimum() + pick(s->maximum() - s->minimum() + 1);
            note("slider " + s->objectName().toStdString() + " = " + std::to_string(v));
            return reveal(s) ? s->setValue(v) : skipped();
        }
        if (r < 73) {
            auto* c = any(combos_);
            if (c->count() == 0) return;
            const int i = pick(c->count());
            note("combo " + c->objectName().toStdString() + " = " + std::to_string(i));
            return reveal(c) ? c->setCurrentIndex(i) : skipped();
        }
        if (r < 80) {
            const int i = pick(tab_->count());
            note("tab " + std::to_string(i));
            return tab_->setCurrentIndex(i);
        }
        if (r < 83) return trigger("mnuTkc_" + std::to_string(pick(2)));
        if (r < 87) {  // one action on a port that is not there, then back to the camera
            trigger("mnuCom_" + std::to_string(1 + pick(3)));
            act();
            return trigger("mnuCom_0");
        }
        if (r < 90) return click(dxconsole::need<QPushButton>(win_, "cmdMenu"), "Camera Menu");
        if (r < 93) return click(dxconsole::need<QPushButton>(win_, "cmdSet"), "Set");
        const int kind = 1 + pick(2);
        click(dxconsole::need<QButtonGroup>(win_, "optFactorySettings")->button(kind),
              "factory setting " + std::to_string(kind));
        click(dxconsole::need<QPushButton>(win_, "cmdExecLoadFactorySettings"), "Excecute factory reset");
    }

    void trigger(const std::string& name) {
        note("menu " + name);
        dxconsole::need<QAction>(win_, name.c_str())->trigger();
    }

    void move() {
        auto* b = dxconsole::need<QToolButton>(win_, kMoves[pick(std::size(kMoves))]);
        const int how = pick(int(std::size(kHeld)));
        note("press " + b->objectName().toStdString() + ", " + kHeld[how]);
        if (!reveal(b)) return skipped();
        moved_ = true;
        const QPoint p = b->rect().center();
        if (how == 1)
            QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, p, b->mapToGlobal(p),
                                                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        if (how == 3) QCoreApplication::postEvent(&win_, new QEvent(QEvent::WindowDeactivate));
        pressing_ = true;
        QTest::mousePress(b, Qt::LeftButton, {}, p);
        pressing_ = false;
        QCoreApplication::sendPostedEvents();  // a posted event the press never pumped
        if (how == 2) {
            QEvent e(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(&win_, &e);
        }
        if (how == 4) tab_->setCurrentIndex(1 + pick(tab_->count() - 1));
        QTest::mouseRelease(b, Qt::LeftButton, {}, p);
        if (how == 2 || how == 3) {
            QEvent e(QEvent::WindowActivate);
            QCoreApplication::sendEvent(&win_, &e);
        }
    }

    // Late answers hold the camera back: give it time to work through the stop.
    void checkStopped() {
        const auto still = [this] {
            const auto s = sim_.state();
            return std::any_of(std::begin(s.motion), std::end(s.motion), [](int m) { return m != 0; });
        };
        const auto end = Clock::now() + 3s;
        while (still() && Clock::now() < end) std::this_thread::sleep_for(5ms);
        if (!still()) return;
        auto s = sim_.state();
        const auto met = sim_.faultsMet();
        const bool stopFailed = std::any_of(met.begin() + long(metBefore_), met.end(), [](const auto& f) {
            return std::any_of(std::begin(kStops), std::end(kStops), [&](const char* c) { return f.first.ends_with(c); });
        });
        std::string m;
        for (int v : s.motion) m += std::to_string(v) + " ";
        if (stopFailed) ++toleratedStops_;
        else violation("camera still moving after the release (motion " + m + ")");
        // the operator would press again; start the next action still
        std::fill(std::begin(s.motion), std::end(s.motion), 0);
        sim_.setState(s);
    }

    void checkCurrentFile() {
        const std::string& path = st_.CurrentFile;
        const std::string app = dxcmd::ReadProfileString(path, "APPTYPE", "APPNAME");
        if (app != "DX410_430") return violation("current.orn APPNAME is \"" + app + "\"");
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const auto eq = line.find('=');
            if (line.empty() || line[0] == '[' || eq == std::string::npos) continue;
            std::string v = line.substr(eq + 1);
            v.erase(0, v.find_first_not_of(" \t"));
            v.erase(v.find_last_not_of(" \t") + 1);
            if (v == "NL" || !wholeFrame(v)) return violation("current.orn holds " + line);
        }
    }

    dxsim::CameraSim& sim_;
    dxcmd::ProgramState& st_;
    RandomDialogs& dialogs_;
    dxconsole::frmMain& win_;
    std::mt19937 rng_;
    FILE* log_;
    QTabWidget* tab_;
    QList<QAbstractButton*> options_;
    QList<QCheckBox*> checks_;
    QList<QSlider*> sliders_;
    QList<QComboBox*> combos_;
    std::deque<std::string> recent_;
    int index_ = 0, violations_ = 0, toleratedStops_ = 0, earlyReleases_ = 0, skipped_ = 0, unchanged_ = 0;
    size_t exchanges_ = 0, metBefore_ = 0;
    bool moved_ = false, pressing_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    uint32_t seed = 1;
    int actions = 3000;
    double rate = 0.1;
    std::string logPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seed") seed = uint32_t(std::stoul(argv[i + 1]));
        else if (a == "--actions") actions = std::stoi(argv[i + 1]);
        else if (a == "--fault-rate") rate = std::stod(argv[i + 1]);
        else if (a == "--log") logPath = argv[i + 1];
    }
    dxsim::Options o;
    o.faultRate = rate;
    o.seed = seed;
    o.lateMs = 600;  // past the link's 300 ms, without stalling the camera for long
    dxsim::CameraSim sim(o);
    QTemporaryDir dir;
    if (!sim.start() || !dir.isValid()) return std::fprintf(stderr, "no simulator\n"), 2;
    setenv("DX410_COM1", sim.devicePath().c_str(), 1);
    for (int n = 2; n <= 4; ++n)  // never a real port of this machine
        setenv(("DX410_COM" + std::to_string(n)).c_str(), ("/nonexistent/dx410-com" + std::to_string(n)).c_str(), 1);
    dxlink_set_event_pump(&pump, nullptr);
    int rc;
    {
        dxcmd::ProgramState state;
        RandomDialogs dialogs(seed * 2654435761u + 1);
        auto link = [] {
            auto* l = dxlink_create();
            l->put_SerialTimeout(300);
            return l;
        };
        dxconsole::frmMain win(
            dxconsole::ConsoleDeps{&state, &dialogs, link, dir.path().toStdString(), dir.filePath("user").toStdString()});
        if (!win.load()) return std::fprintf(stderr, "load failed\n"), 2;
        win.show();
        win.activateWindow();
        if (!QTest::qWaitForWindowExposed(&win)) return std::fprintf(stderr, "window not shown\n"), 2;
        FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "w");
        std::printf("seed %u, %d actions, fault rate %.2f\n", seed, actions, rate);
        rc = Monkey(sim, state, dialogs, win, seed, log).run(actions);
        if (log) std::fclose(log);
    }
    dxlink_set_event_pump(nullptr, nullptr);
    return rc;
}
