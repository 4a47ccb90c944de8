// The main window on COM1, pointed at a simulated camera, with scripted
// dialogs and a temporary program folder. Shared by the console tests.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "ScriptedDialogs.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace dxtest {

inline dxsim::Options UnpacedSim(int multiDrop = 0) {
    dxsim::Options o;
    o.paced = false;
    o.multiDropCameras = multiDrop;
    return o;
}

struct ConsoleRig {
    explicit ConsoleRig(int multiDrop = 0) : sim(UnpacedSim(multiDrop)) {}
    explicit ConsoleRig(const dxsim::Options& o) : sim(o) {}

    dxsim::CameraSim sim;
    QTemporaryDir dir;
    dxcmd::ProgramState state;
    QStringList failures;
    ScriptedDialogs dialogs{[this](const std::string& m) { failures << QString::fromStdString(m); }};
    std::unique_ptr<dxconsole::frmMain> win;

    // Builds and loads the window; nothing reaches the camera before the
    // caller's first action (the record of received frames starts empty).
    // Changes the window's dependencies before it is built (log, about box, diagnostic).
    std::function<void(dxconsole::ConsoleDeps&)> customize;

    bool open(std::string programDir = {}, std::string fallbackDir = {}) {
        if (!sim.start() || !dir.isValid()) return false;
        setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        if (programDir.empty()) programDir = dir.path().toStdString();
        if (fallbackDir.empty()) fallbackDir = dir.filePath("user").toStdString();
        auto link = [] {
            auto* l = dxlink_create();
            l->put_SerialTimeout(300);  // keeps a silent camera from costing 5 s a command
            return l;
        };
        dxconsole::ConsoleDeps deps{&state, &dialogs, link, programDir, fallbackDir};
        if (customize) customize(deps);
        win = std::make_unique<dxconsole::frmMain>(std::move(deps));
        return win->load();
    }

    // As open(), with the window on screen and the record of frames cleared.
    bool openShown() {
        if (!open()) return false;
        win->show();
        sim.clearReceived();
        return true;
    }

    template <typename T>
    T* w(const char* name) { return dxconsole::need<T>(*win, name); }
    // A top-level window other than the main one, by name; nullptr when none is shown.
    template <typename T>
    static T* shown(const char* name) {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == QLatin1String(name) && t->isVisible()) return qobject_cast<T*>(t);
        return nullptr;
    }
    QAbstractButton* opt(const char* group, int id) {
        if (QAbstractButton* b = w<QButtonGroup>(group)->button(id)) return b;
        throw std::logic_error(std::string(group) + " has no button " + std::to_string(id));
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
    // Ends a test's rig: the dialog failures it collected, the rig gone.
    static QStringList finish(std::unique_ptr<ConsoleRig>& rig) {
        rig->dialogs.verify();
        const QStringList failures = rig->failures;
        rig.reset();
        return failures;
    }

    // Every expected dialog was shown and nothing else.
    bool clean() {
        dialogs.verify();
        return failures.isEmpty();
    }
};

}  // namespace dxtest
