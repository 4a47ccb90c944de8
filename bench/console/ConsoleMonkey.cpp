// Whole-program fault soak: seeded random operator actions on the real
// window, link and transfer jobs against simulated cameras that fail at
// random, with the program's invariants checked after every action.
// Usage: dxconsole_monkey [--seed N] [--actions N] [--fault-rate R]
//        [--cameras N] [--hangups R] [--max-seconds S] [--log FILE]
// --cameras 1..32 puts that many cameras on a multi-drop line.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "EventPump.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxparams/Catalogue.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kTimeoutMs = 300;  // the link's reply time-out in this soak
const char* const kMoves[] = {"cmdUp", "cmdDown", "cmdLeft", "cmdRight", "cmdUpLeft", "cmdUpRight", "cmdDownLeft",
                              "cmdDownRight", "cmdZoomWide", "cmdZoomTele", "cmdFocusNear", "cmdFocusFar",
                              "cmdIrisOpen", "cmdIrisClose"};
const char* const kStops[] = {"82:45:02", "82:45:05", "82:45:08", "82:45:0B", "82:45:0E", "82:45:0F"};
const char* const kHeld[] = {"release", "release posted during the press", "deactivate, release",
                             "deactivate posted during the press", "tab away, release"};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Command text of a whole frame: its length byte (or the 8F length field)
// matches its bytes.
bool wholeFrame(const std::string& v, std::vector<int>* bytes = nullptr) {
    static const std::regex hex("[0-9A-F]{2}(:[0-9A-F]{2})*:?");
    if (!std::regex_match(v, hex)) return false;
    std::vector<int> b;
    for (size_t i = 0; i + 1 < v.size(); i += 3) b.push_back(std::stoi(v.substr(i, 2), nullptr, 16));
    if (bytes) *bytes = b;
    if (v.back() == ':') return b[0] == 0x82;  // an empty title's frame keeps its colon
    if (b[0] == 0x8F) return b.size() >= 4 && b[1] >= 3 && b.size() == size_t(1 + b[1]);
    return b[0] > 0x80 && b[0] < 0x8F && b.size() == size_t(1 + b[0] - 0x80);
}

// The texts the program may show: exact, or by their fixed start.
bool knownMessage(const std::string& t) {
    static const char* const exact[] = {
        "Communication error! Please check the cable.", "Please choose a camera number.",
        "Receive failed. Do you wish to continue?", "Unknown error.", "Are you sure to cancel?",
        "Continuously, is a position title load?", "Completed!", "This file cannot be used.",
        "You can not use this filename.", "Please choose a file by menu Load Setting File.",
        "Are you sure to save current cahnges to the camera?", "Are you sure to upload?", "File does not exist.",
        "Not ready to start! Try again,please.", "Error!", "Upload error!", "Check Sum Error!",
        "Are you sure to reset camera data to factory settings?",
        "Are you sure to reset without TITLE and PRISET POSITION to factory settings?",
        "The Camera Title can contain any of the following characters.\r\n[A to Z],[a to z],[0 to 9],[, - . / :] and Space ",
        "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect."};
    for (const char* e : exact)
        if (t == e) return true;
    static const char* const starts[] = {"Communication error! Please check the cable.\r\n", "Error!\r\nSECTION = [", "Bad value.\r\nCommand =", "Receive failed.\r\nCommand =",
                                         "Is PRISET POSITION of No.", "Are you sure to reset PRISET POSITION of No.",
                                         "Download stopped: ", "Upload stopped: ", "Download failed: ", "Save failed: ",
                                         "The current settings file could not be written:", "13:", "340:",
                                         "380:"};
    for (const char* s : starts)
        if (t.rfind(s, 0) == 0) return true;
    return false;
}

// Answers every box and file dialog at random; remembers what it was shown.
struct SoakDialogs : dxcmd::IDialogs {
    SoakDialogs(uint32_t seed, std::string dir) : rng(seed), dir(std::move(dir)) {}
    std::mt19937 rng;
    std::string dir;
    std::string currentFile;
    std::map<std::string, int> boxes;
    std::vector<std::string> unknown;
    // a file chosen for saving, with what it held before
    std::optional<std::pair<std::string, std::optional<std::string>>> saved;

    bool quietly = false;  // set-up boxes are not counted

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    dxcmd::Answer message(const std::string& text, const std::string&, dxcmd::Icon, dxcmd::Buttons b,
                          dxcmd::Answer) override {
        if (quietly) return dxcmd::Answer::Ok;
        ++boxes[text.substr(0, text.find("\r\n"))];
        if (!knownMessage(text)) unknown.push_back(text);
        const bool coin = pick(2);
        if (b == dxcmd::Buttons::YesNo) return coin ? dxcmd::Answer::Yes : dxcmd::Answer::No;
        if (b == dxcmd::Buttons::OkCancel) return coin ? dxcmd::Answer::Ok : dxcmd::Answer::Cancel;
        return dxcmd::Answer::Ok;
    }
    static std::string ext(const std::string& filter) { return filter.rfind("Dump", 0) == 0 ? ".dmp" : ".dat"; }
    std::optional<std::string> openFile(const std::string& filter) override {
        const int r = pick(10);
        if (r == 0) return std::nullopt;
        if (r == 1) return dir + "/missing" + ext(filter);
        if (r == 2) return dir + "/garbage" + ext(filter);
        return dir + "/file" + std::to_string(pick(2)) + ext(filter);
    }
    std::optional<std::string> saveFile(const std::string& filter, const std::string&) override {
        const int r = pick(10);
        if (r == 0) return std::nullopt;
        std::string path = dir + "/file" + std::to_string(pick(2)) + ext(filter);
        if (r == 1 && ext(filter) == ".dat") path = currentFile;  // refused: the current-settings file itself
        std::optional<std::string> before;
        if (fs::exists(path)) before = slurp(path);
        saved.emplace(path, before);
        return path;
    }
};

// The line's far end: a simulator behind a fixed device name that a hang-up
// unplugs and the soak plugs in again.
struct Line {
    dxsim::Options options;
    std::string link;
    std::unique_ptr<dxsim::CameraSim> sim;
    int plugs = 0;

    bool plug() {
        auto next = std::make_unique<dxsim::CameraSim>(options);
        if (!next->start()) return false;
        if (sim) {  // the same cameras, plugged in again
            for (int c = 1; c <= std::max(1, options.multiDropCameras); ++c) next->setState(sim->state(c), c);
            next->setFaultRate(options.faultRate, options.seed + uint32_t(plugs));
        }
        sim = std::move(next);
        fs::remove(link);
        fs::create_symlink(sim->devicePath(), link);
        ++plugs;
        return true;
    }
};

class Monkey : public QObject {
public:
    Monkey(Line& line, dxcmd::ProgramState& st, SoakDialogs& d, dxconsole::frmMain& w, uint32_t seed, FILE* log,
           int cameras, double hangups)
        : line_(line), st_(st), dialogs_(d), win_(w), rng_(seed), log_(log), cameras_(cameras), hangups_(hangups) {
        tab_ = dxconsole::need<QTabWidget>(w, "tabCameraCtrl");
        list_ = dxconsole::need<QTreeWidget>(w, "lswPresetPosition");
        for (auto* g : w.findChildren<QButtonGroup*>())
            if (g->objectName() != "optCamSel" && g->objectName() != "optCommunicationStyle")
                for (auto* b : g->buttons()) options_.push_back(b);
        checks_ = w.findChildren<QCheckBox*>();
        sliders_ = w.findChildren<QSlider*>();
        combos_ = w.findChildren<QComboBox*>();
        for (const char* m : kMoves) dxconsole::need<QToolButton>(w, m)->installEventFilter(this);
    }

    // A Cancel click now and then while a transfer job waits for the camera.
    void maybeCancel() {
        if (pick(40) != 0) return;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == "frmUPandDOWN" && t->isVisible()) {
                note("  Cancel clicked in the transfer window");
                QTest::mouseClick(dxconsole::need<QPushButton>(*t, "cmdCancel"), Qt::LeftButton);
                return;
            }
    }

    bool eventFilter(QObject*, QEvent* e) override {
        if (pressing_ && e->type() == QEvent::MouseButtonRelease) ++earlyReleases_;
        return false;
    }

    int run(int actions, double maxSeconds) {
        const auto begun = Clock::now();
        Clock::duration longest{};
        int done = 0;
        for (index_ = 0; index_ < actions; ++index_, ++done) {
            if (std::chrono::duration<double>(Clock::now() - begun).count() > maxSeconds) break;
            sim().clearReceived();
            metBefore_ = sim().faultsMet().size();
            moved_ = false;
            dialogs_.saved.reset();
            copiedRecord_.reset();
            if (hangups_ > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < hangups_) {
                note("the cable will be pulled at the next command");
                sim().injectFault("", dxsim::Fault::HangUp);
            }
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
            const auto received = sim().received();
            size_t exchanges = 0;
            for (const auto& f : received) exchanges += f != "A0";
            exchanges_ += exchanges;
            // every exchange ends within its time-out and its bytes' line time
            const auto bound = 3000ms + (exchanges + 1) * std::chrono::milliseconds(2 * kTimeoutMs + 100);
            if (took > bound) violation("took " + ms(took) + " ms for " + std::to_string(exchanges) + " exchanges");
            if (moved_) checkStopped();
            if (st_.busy()) violation("a busy flag is still set");
            if (!win_.isVisible()) violation("the main window is gone");
            checkCurrentFile();
            checkSavedFile();
            for (const auto& u : dialogs_.unknown) violation("a box the program never shows: " + u);
            dialogs_.unknown.clear();
            if (!sim().running()) {
                faultsMet_ += sim().faultsMet().size();
                note("the cable is plugged in again");
                if (!line_.plug()) return std::printf("cannot plug the camera in again\n"), 2;
            }
        }
        std::printf("actions %d (%d on a control not shown), %d releases taken during the press, exchanges %zu, "
                    "faults met %zu (%d on a stop left the camera moving), line plugged in %d times, %s s, "
                    "longest action %s ms\nboxes:\n",
                    done, skipped_, earlyReleases_, exchanges_, faultsMet_ + sim().faultsMet().size(),
                    toleratedStops_, line_.plugs - 1,
                    std::to_string(std::chrono::duration<double>(Clock::now() - begun).count()).c_str(),
                    ms(longest).c_str());
        for (const auto& [text, n] : dialogs_.boxes) std::printf("  %5d  %s\n", n, text.c_str());
        std::printf("violations: %d\n", violations_);
        return violations_ ? 1 : 0;
    }

private:
    dxsim::CameraSim& sim() { return *line_.sim; }
    static std::string ms(Clock::duration d) {
        return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    template <typename T> T* any(const QList<T*>& l) { return l.isEmpty() ? nullptr : l[pick(int(l.size()))]; }

    void note(const std::string& what) {
        recent_.push_back("#" + std::to_string(index_) + " " + what);
        if (recent_.size() > 16) recent_.pop_front();
        if (log_) std::fprintf(log_, "%s\n", recent_.back().c_str()), std::fflush(log_);
    }

    void violation(const std::string& what) {
        ++violations_;
        std::printf("VIOLATION at action %d: %s\n  last actions:\n", index_, what.c_str());
        for (const auto& a : recent_) std::printf("    %s\n", a.c_str());
        std::printf("  camera received:");
        for (const auto& f : sim().received()) std::printf(" [%s]", f.c_str());
        std::printf("\n  faults met:");
        const auto met = sim().faultsMet();
        for (size_t i = metBefore_; i < met.size(); ++i) std::printf(" [%s]=%d", met[i].first.c_str(), int(met[i].second));
        std::printf("\n");
    }

    bool reveal(QWidget* w) {
        for (int i = 0; i < tab_->count(); ++i)
            if (tab_->widget(i)->isAncestorOf(w)) tab_->setCurrentIndex(i);
        return w->isVisible() && w->isEnabled();
    }

    static QPoint hit(QWidget* w) {
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) return {6, w->height() / 2};
        return w->rect().center();
    }

    void click(QWidget* w, const std::string& what) {
        note(what);
        if (!reveal(w)) return skipped();
        QTest::mouseClick(w, Qt::LeftButton, {}, hit(w));
    }
    void clickButton(const char* name, const std::string& what) { click(dxconsole::need<QPushButton>(win_, name), what); }
    void skipped() {
        recent_.back() += " (not shown)";
        ++skipped_;
    }
    void trigger(const std::string& name) {
        note("menu " + name);
        dxconsole::need<QAction>(win_, name.c_str())->trigger();
    }

    void act() {
        const int r = pick(200);
        if (r < 50) return move();
        if (r < 80) {
            QWidget* w = r < 72 ? static_cast<QWidget*>(any(options_)) : any(checks_);
            return click(w, "click " + w->objectName().toStdString());
        }
        if (r < 98) {
            auto* s = any(sliders_);
            const int v = s->minimum() + pick(s->maximum() - s->minimum() + 1);
            note("slider " + s->objectName().toStdString() + " = " + std::to_string(v));
            return reveal(s) ? s->setValue(v) : skipped();
        }
        if (r < 110) {
            auto* c = any(combos_);
            if (c->count() == 0) return;
            const int i = pick(c->count());
            note("combo " + c->objectName().toStdString() + " = " + std::to_string(i));
            return reveal(c) ? c->setCurrentIndex(i) : skipped();
        }
        if (r < 114) return trigger("mnuTkc_" + std::to_string(pick(2)));
        if (r < 117) {  // one action on a port that is not there, then back to the camera
            trigger("mnuCom_" + std::to_string(1 + pick(3)));
            act();
            // a setting file saved meanwhile is a copy of the record as it was then
            if (dialogs_.saved) copiedRecord_ = slurp(st_.CurrentFile);
            return trigger("mnuCom_0");
        }
        if (r < 120) return clickButton("cmdMenu", "Camera Menu");
        if (r < 123) return clickButton("cmdSet", "Set");
        if (r < 126) {
            const int kind = 1 + pick(2);
            click(dxconsole::need<QButtonGroup>(win_, "optFactorySettings")->button(kind),
                  "factory setting " + std::to_string(kind));
            return clickButton("cmdExecLoadFactorySettings", "Excecute factory reset");
        }
        if (r < 134) return presetRow();
        if (r < 142) return popup();
        if (r < 146) return clickButton("cmdPosCall", "Position Call");
        if (r < 149) return clickButton("cmdEnter", "Save Parameter");
        if (r < 154) return cameraTitle();
        if (r < 160) return trigger("mnuConnect");
        if (r < 166) return clickButton("cmdExecDownload", "Download");
        if (r < 171) return clickButton("cmdExecUpload", "Upload");
        if (r < 178) return trigger("mnuLoadSettingFile");
        if (r < 184) return trigger("mnuSaveAs");
        if (r < 190) return trigger("mnuSaveChanges");
        if (cameras_ > 0) return cameraNumber();
        return trigger("mnuDeviceType_" + std::to_string(pick(2)));
    }

    void presetRow() {
        const int row = pick(list_->topLevelItemCount());
        note("preset row " + std::to_string(row));
        tab_->setCurrentIndex(pick(tab_->count()));
        auto* item = list_->topLevelItem(row);
        list_->scrollToItem(item);
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, list_->visualItemRect(item).center());
    }

    void popup() {
        static const char* const items[] = {"pmnuSavePosition", "pmnuClearPosition", "pmnuPanTilt",
                                            "pmnuPositionFunction"};
        trigger(items[pick(4)]);
    }

    void cameraTitle() {
        static const char* const titles[] = {"", "GATE 7", "ENTRANCE/NORTH-1", "A_B", "  lobby  ", "X.Y:Z,1"};
        auto* box = dxconsole::need<QLineEdit>(win_, "txtCamTitle");
        box->setText(QString::fromLatin1(titles[pick(6)]));
        clickButton("cmdCmaTitleExec", "camera title \"" + box->text().toStdString() + "\"");
    }

    void cameraNumber() {
        auto* styles = dxconsole::need<QButtonGroup>(win_, "optCommunicationStyle");
        if (!styles->button(1)->isChecked()) return click(styles->button(1), "Multi Drop");
        const int cam = pick(cameras_ + 2);  // now and then one nobody answers for
        click(dxconsole::need<QButtonGroup>(win_, "optCamSel")->button(std::min(cam, 31)),
              "camera number " + std::to_string(std::min(cam, 31) + 1));
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
        QCoreApplication::sendPostedEvents();
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

    void checkStopped() {
        const auto still = [this] {
            const auto s = sim().state(st_.CommStyle == 1 ? std::max(1, camera()) : 1);
            return std::any_of(std::begin(s.motion), std::end(s.motion), [](int m) { return m != 0; });
        };
        const auto end = Clock::now() + 3s;
        while (still() && Clock::now() < end) std::this_thread::sleep_for(5ms);
        if (!still()) return;
        const auto met = sim().faultsMet();
        const bool stopFailed = !sim().running() || std::any_of(met.begin() + long(metBefore_), met.end(), [](const auto& f) {
            return std::any_of(std::begin(kStops), std::end(kStops), [&](const char* c) { return f.first.ends_with(c); });
        });
        if (stopFailed)
            ++toleratedStops_;
        else
            violation("camera still moving after the release");
        for (int c = 1; c <= std::max(1, cameras_); ++c) {
            auto s = sim().state(c);
            std::fill(std::begin(s.motion), std::end(s.motion), 0);
            sim().setState(s, c);
        }
    }
    int camera() const { return std::stoi(st_.MachineID, nullptr, 16); }

    // The current-settings file always parses, and every value in it is a
    // whole frame of the parameter its key names.
    void checkCurrentFile() {
        const std::string& path = st_.CurrentFile;
        if (dxcmd::ReadProfileString(path, "APPTYPE", "APPNAME") != "DX410_430")
            return violation("current.orn lost its APPNAME");
        std::ifstream in(path);
        std::string line, section;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
                continue;
            }
            const auto eq = line.find('=');
            if (eq == std::string::npos || section == "APPTYPE" || section == "OPTION" || section == "COMMUNICATION")
                continue;
            const std::string key = line.substr(0, eq), v = line.substr(eq + 1);
            std::vector<int> b;
            if (!wholeFrame(v, &b)) return violation("current.orn holds " + line);
            if (!belongs(section, key, b)) return violation("current.orn holds another parameter's frame: " + line);
        }
    }
    static bool belongs(const std::string& section, const std::string& key, const std::vector<int>& b) {
        const size_t at = b[0] == 0x8F ? 2 : 1;  // group and item after the header (and length)
        if (b.size() < at + 2) return b[0] == 0x82 && section == "STRING";
        const int group = b[at], item = b[at + 1];
        if (section == "TRIGGER") return key == "32-CHARACTER CODE SET" && group == 0x45 && item == 0x30;
        if (section == "STRING") return group == 0x46 && item == (key.rfind("01-", 0) == 0 ? 0x00 : 0x02);
        for (const auto& p : dxparams::AllParams())
            if (p.section() == section && p.key == key)
                return group == (section == "VALUE02" ? 0x42 : 0x43) && item == std::stoi(std::string(p.code), nullptr, 16);
        return false;
    }

    // A dump or setting file chosen for saving is whole or untouched.
    void checkSavedFile() {
        if (!dialogs_.saved) return;
        const auto& [path, before] = *dialogs_.saved;
        if (path == st_.CurrentFile) return;
        const bool exists = fs::exists(path);
        const std::string now = exists ? slurp(path) : std::string();
        if ((before && exists && now == *before) || (!before && !exists)) return;  // untouched
        if (path.ends_with(".dat")) {
            const std::string current = copiedRecord_ ? *copiedRecord_ : slurp(st_.CurrentFile);
            if (now != current)
                violation("setting file is neither the old one nor a copy: " + path + "\n--- file (" +
                          std::to_string(now.size()) + " bytes)\n" + now + "\n--- before (" +
                          (before ? std::to_string(before->size()) + " bytes)\n" + *before : "none)") +
                          "\n--- current.orn (" + std::to_string(current.size()) + " bytes)\n" + current);
            return;
        }
        // a dump: packet lines, CR LF each, one more empty line
        if (now.size() < 4 || now.substr(now.size() - 4) != "\r\n\r\n") return violation("dump not whole: " + path);
        std::istringstream lines(now.substr(0, now.size() - 2));
        std::string l;
        while (std::getline(lines, l)) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            if (!wholeFrame(l)) return violation("dump line is no packet: " + l);
        }
    }

    Line& line_;
    std::optional<std::string> copiedRecord_;
    dxcmd::ProgramState& st_;
    SoakDialogs& dialogs_;
    dxconsole::frmMain& win_;
    std::mt19937 rng_;
    FILE* log_;
    int cameras_;
    double hangups_;
    QTabWidget* tab_;
    QTreeWidget* list_;
    QList<QAbstractButton*> options_;
    QList<QCheckBox*> checks_;
    QList<QSlider*> sliders_;
    QList<QComboBox*> combos_;
    std::deque<std::string> recent_;
    int index_ = 0, violations_ = 0, toleratedStops_ = 0, earlyReleases_ = 0, skipped_ = 0;
    size_t exchanges_ = 0, metBefore_ = 0, faultsMet_ = 0;
    bool moved_ = false, pressing_ = false;
};

Monkey* gMonkey = nullptr;

void pump(void*) {
    dxconsole::PumpEvents(nullptr);
    if (gMonkey) gMonkey->maybeCancel();
}

}  // namespace

// The offscreen platform says so each time a window is raised; not news here.
void quietPlatform(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(msg));
    if (type == QtFatalMsg) std::abort();
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietPlatform);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    uint32_t seed = 1;
    int actions = 3000, cameras = 0;
    double rate = 0.1, hangups = 0.0, maxSeconds = 1e9;
    std::string logPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seed") seed = uint32_t(std::stoul(argv[i + 1]));
        else if (a == "--actions") actions = std::stoi(argv[i + 1]);
        else if (a == "--fault-rate") rate = std::stod(argv[i + 1]);
        else if (a == "--cameras") cameras = std::clamp(std::stoi(argv[i + 1]), 0, 32);
        else if (a == "--hangups") hangups = std::stod(argv[i + 1]);
        else if (a == "--max-seconds") maxSeconds = std::stod(argv[i + 1]);
        else if (a == "--log") logPath = argv[i + 1];
    }
    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    Line line;
    line.options.faultRate = rate;
    line.options.seed = seed;
    line.options.lateMs = 2 * kTimeoutMs;  // past the link's time-out, without stalling the camera for long
    line.options.multiDropCameras = cameras;
    line.options.dumpPackets = 16;
    line.link = dir.filePath("ttyUSB0").toStdString();
    if (!line.plug()) return std::fprintf(stderr, "no simulator\n"), 2;
    setenv("DX410_COM1", line.link.c_str(), 1);
    for (int n = 2; n <= 4; ++n)  // never a real port of this machine
        setenv(("DX410_COM" + std::to_string(n)).c_str(), ("/nonexistent/dx410-com" + std::to_string(n)).c_str(), 1);
    QDir(dir.path()).mkpath("files");
    const std::string files = dir.filePath("files").toStdString();
    std::ofstream(files + "/garbage.dat") << "\x01\x02 not a setting file [[[\n";
    std::ofstream(files + "/garbage.dmp") << "8F:zz\r\n";
    dxlink_set_event_pump(&pump, nullptr);
    int rc;
    {
        dxcmd::ProgramState state;
        SoakDialogs dialogs(seed * 2654435761u + 1, files);
        auto link = [] {
            auto* l = dxlink_create();
            l->put_SerialTimeout(kTimeoutMs);
            return l;
        };
        dxconsole::frmMain win(
            dxconsole::ConsoleDeps{&state, &dialogs, link, dir.path().toStdString(), dir.filePath("user").toStdString()});
        if (!win.load()) return std::fprintf(stderr, "load failed\n"), 2;
        dialogs.currentFile = state.CurrentFile;
        win.show();
        win.activateWindow();
        if (!QTest::qWaitForWindowExposed(&win)) return std::fprintf(stderr, "window not shown\n"), 2;
        FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "w");
        std::printf("seed %u, %d actions, fault rate %.2f, %s, hang-ups %.3f\n", seed, actions, rate,
                    cameras ? (std::to_string(cameras) + " cameras on a multi-drop line").c_str() : "one camera",
                    hangups);
        if (cameras > 0) {  // the operator sets the console up for the line first
            dialogs.quietly = true;
            dxconsole::need<QButtonGroup>(win, "optCommunicationStyle")->button(1)->click();
            dxconsole::need<QButtonGroup>(win, "optCamSel")->button(0)->click();
            dialogs.quietly = false;
        }
        Monkey monkey(line, state, dialogs, win, seed, log, cameras, hangups);
        gMonkey = &monkey;
        rc = monkey.run(actions, maxSeconds);
        gMonkey = nullptr;
        if (log) std::fclose(log);
    }
    dxlink_set_event_pump(nullptr, nullptr);
    return rc;
}
