// The one rig of the window tests: the main window on COM1, offscreen,
// against a simulated camera, with scripted dialogs and a temporary program
// folder; and the Qt Test base that gives each test function a fresh one.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QTemporaryDir>
#include <QtTest>

#include "EventPump.h"
#include "ScriptedDialogs.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace dxtest {

using dxconsole::need;
using Customize = std::function<void(dxconsole::ConsoleDeps&)>;

struct ConsoleRig {
    explicit ConsoleRig(const dxsim::Options& o) : sim(o) {}
    ~ConsoleRig() { dxlink_set_event_pump(nullptr, nullptr); }
    dxsim::CameraSim sim;
    QTemporaryDir dir;
    dxcmd::ProgramState state;
    QStringList failures;
    ScriptedDialogs dialogs{[this](const std::string& m) { failures << QString::fromStdString(m); }};
    std::unique_ptr<dxconsole::frmMain> win;
    std::function<void()> onWait;  // a test's own step at every wait of the link, after the window's events

    // Loads and shows the window; nothing reaches the camera before the test acts.
    bool open(const Customize& customize) {
        if (!sim.start() || !dir.isValid()) return false;
        setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        dxlink_set_event_pump(&pump, this);  // as the program does
        // a short time-out keeps a silent camera from costing 5 s a command
        auto link = [] { auto* l = dxlink_create(); l->put_SerialTimeout(300); return l; };
        dxconsole::ConsoleDeps deps{&state, &dialogs, link, dir.path().toStdString(),
                                    dir.filePath("user").toStdString()};
        if (customize) customize(deps);
        win = std::make_unique<dxconsole::frmMain>(std::move(deps));
        if (!win->load()) return false;
        win->show();
        sim.clearReceived();
        return true;
    }
    static void pump(void* self) {
        dxconsole::PumpEvents(nullptr);
        if (auto& each = static_cast<ConsoleRig*>(self)->onWait) each();
    }
    template <typename T> T* w(const char* name) { return need<T>(*win, name); }
    QAbstractButton* opt(const char* group, int id) { return w<QButtonGroup>(group)->button(id); }
    // A top-level window other than the main one, by name, while it is shown.
    template <typename T> static T* shown(const char* name) {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == name && t->isVisible()) return qobject_cast<T*>(t);
        return nullptr;
    }
    // What reached the camera since the last clear, once n frames did.
    QStringList frames(qsizetype n) {
        sim.waitForFrames(size_t(n), std::chrono::seconds(3));
        QStringList l;
        for (const auto& f : sim.received()) l << QString::fromStdString(f);
        return l;
    }
    QString key(const char* section, const char* k) {
        return QString::fromStdString(dxcmd::ReadProfileString(state.CurrentFile, section, k));
    }
    // The expected dialogs all shown and no other; a confirmation asks with
    // the question icon, No as the default and the program's title (the
    // upload has its own); "Completed!" informs.
    QStringList verify() {
        dialogs.verify();
        for (const auto& s : dialogs.shown()) {
            const bool confirmation = s.buttons == dxcmd::Buttons::YesNo;
            const char* title = s.text == "Are you sure to upload?" ? "Upload" : "";
            if ((confirmation && (s.icon != dxcmd::Icon::Question || s.defaultButton != dxcmd::Answer::No)) ||
                (confirmation && s.title != title) || (s.text == "Completed!" && s.icon != dxcmd::Icon::Information))
                failures << QString::fromStdString("shown with the wrong icon, title or default: " + s.text);
        }
        return failures;
    }
};

class RigTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<ConsoleRig> rig;
    bool open(const dxsim::Options& o = {.paced = false}, const Customize& customize = {}) {
        rig = std::make_unique<ConsoleRig>(o);
        return rig->open(customize);
    }
    // Ends the rig, its dialogs checked.
    void closeRig() {
        const QStringList failures = rig ? rig->verify() : QStringList();
        rig.reset();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void cleanup() { closeRig(); }
};

}  // namespace dxtest

// A fresh window for this test function, as `r`; unpaced unless the test gives the simulator's options.
#define OPEN_RIG(...) QVERIFY(open(__VA_ARGS__)); auto& r = *rig
