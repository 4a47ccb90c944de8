// Function keys and the factory reset, driven through the window against the
// simulated camera.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "../support/ScriptedDialogs.h"
#include "frmMain.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using dxconsole::need;

namespace {

QStringList texts(const std::vector<std::string>& v) {
    QStringList l;
    for (const auto& s : v) l << QString::fromStdString(s);
    return l;
}

dxsim::Options unpaced() {
    dxsim::Options o;
    o.model = dxsim::Model::DX430;
    o.paced = false;
    return o;
}

struct Rig {
    dxsim::CameraSim sim{unpaced()};
    QTemporaryDir dir;
    dxcmd::ProgramState state;
    QStringList failures;
    dxtest::ScriptedDialogs dialogs{[this](const std::string& m) { failures << QString::fromStdString(m); }};
    std::unique_ptr<dxconsole::frmMain> win;

    bool open() {
        if (!sim.start() || !dir.isValid()) return false;
        setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        dxconsole::ConsoleDeps deps{&state, &dialogs,
                                    [] {
                                        auto* l = dxlink_create();
                                        l->put_SerialTimeout(300);
                                        return l;
                                    },
                                    dir.path().toStdString(), dir.filePath("user").toStdString()};
        win = std::make_unique<dxconsole::frmMain>(std::move(deps));
        if (!win->load()) return false;
        win->show();
        sim.clearReceived();
        return true;
    }
    template <typename T>
    T* w(const char* name) { return need<T>(*win, name); }
    QAbstractButton* opt(const char* group, int id) {
        QAbstractButton* b = w<QButtonGroup>(group)->button(id);
        if (!b) throw std::logic_error(std::string(group) + " has no button " + std::to_string(id));
        return b;
    }
    QStringList frames(qsizetype n) {
        sim.waitForFrames(static_cast<size_t>(n), std::chrono::seconds(3));
        return texts(sim.received());
    }
    void click(const char* name) { QTest::mouseClick(w<QPushButton>(name), Qt::LeftButton); }
};

const char* const kAskAll = "Are you sure to reset camera data to factory settings?";
const char* const kAskKeep =
    "Are you sure to reset without TITLE and PRISET POSITION to factory settings?";

}  // namespace

class TestFunctions : public QObject {
    Q_OBJECT
    std::unique_ptr<Rig> rig;

    // Moves a few controls off their defaults; what it sent is forgotten.
    void disturb() {
        rig->w<QSlider>("sldPTSpeed")->setValue(2);
        rig->w<QSlider>("sldPan")->setValue(100);
        rig->frames(1);
        rig->sim.clearReceived();
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        rig = std::make_unique<Rig>();
        QVERIFY(rig->open());
    }
    void cleanup() {
        rig->dialogs.verify();
        const QStringList failures = rig->failures;
        rig.reset();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    void menuLeavesAutoModeFirst_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("auto off") << 0 << QStringList{"82:45:29"};
        QTest::newRow("auto pan") << 1 << QStringList{"83:42:19:00", "82:45:29"};
        QTest::newRow("auto patrol") << 2 << QStringList{"83:42:26:00", "82:45:29"};
        QTest::newRow("auto trace") << 3 << QStringList{"83:42:26:00", "82:45:29"};
    }
    void menuLeavesAutoModeFirst() {
        QFETCH(int, mode);
        QFETCH(QStringList, sent);
        if (mode != 0) {
            rig->opt("optAuto", mode)->setChecked(true);
            rig->frames(2);
            rig->sim.clearReceived();
        }
        rig->click("cmdMenu");
        QCOMPARE(rig->frames(sent.size()), sent);
        QVERIFY(rig->opt("optAuto", 0)->isChecked());
        QCOMPARE(int(rig->win->console().AutoModeIndex), 0);
        QVERIFY(rig->sim.state().menuOn);
    }

    // The console remembers an auto mode its buttons no longer show: the
    // menu key still switches it off first.
    void menuSwitchesOffRememberedMode() {
        rig->win->console().AutoModeIndex = 1;
        QVERIFY(rig->opt("optAuto", 0)->isChecked());
        rig->click("cmdMenu");
        QCOMPARE(rig->frames(2), (QStringList{"83:42:19:00", "82:45:29"}));
        QCOMPARE(int(rig->win->console().AutoModeIndex), 0);
    }

    void setLeavesAutoMode() {
        rig->opt("optAuto", 2)->setChecked(true);
        rig->frames(2);
        rig->sim.clearReceived();
        rig->click("cmdSet");
        QCOMPARE(rig->frames(1), QStringList{"82:45:2A"});
        QVERIFY(rig->opt("optAuto", 2)->isChecked());
        QCOMPARE(int(rig->win->console().AutoModeIndex), 2);
        QCOMPARE(rig->sim.state().setCount, 1);
    }

    void executeEnabledOnlyWithAChoice() {
        auto* exec = rig->w<QPushButton>("cmdExecLoadFactorySettings");
        QVERIFY(!exec->isEnabled());
        rig->opt("optFactorySettings", 2)->setChecked(true);
        QVERIFY(exec->isEnabled());
        rig->opt("optFactorySettings", 0)->setChecked(true);
        QVERIFY(!exec->isEnabled());
        QCOMPARE(rig->frames(0), QStringList());
    }

    void factoryReset_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("panAfter");  // the position group is reset only by "All"
        QTest::newRow("all") << 1 << kAskAll << "83:45:32:00" << 3200;
        QTest::newRow("keep titles and positions") << 2 << kAskKeep << "83:45:32:01" << 100;
    }
    void factoryReset() {
        QFETCH(int, choice);
        QFETCH(QString, question);
        QFETCH(QString, command);
        QFETCH(int, panAfter);
        disturb();
        rig->opt("optFactorySettings", choice)->setChecked(true);

        // No: nothing sent, nothing reset
        rig->dialogs.expectMessage(question.toStdString(), dxcmd::Answer::No);
        rig->click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(0), QStringList());
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 2);
        QVERIFY(rig->opt("optFactorySettings", choice)->isChecked());

        rig->dialogs.expectMessage(question.toStdString(), dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Completed!");
        rig->click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(1), QStringList{command});
        QCOMPARE(rig->sim.state().allClearCount, 1);
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 5);
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), panAfter);
        QVERIFY(rig->opt("optFactorySettings", 0)->isChecked());
        QVERIFY(!rig->w<QPushButton>("cmdExecLoadFactorySettings")->isEnabled());

        const auto& shown = rig->dialogs.shown();
        QCOMPARE(shown.size(), size_t(3));
        for (size_t i : {size_t(0), size_t(1)}) {
            QCOMPARE(shown[i].icon, dxcmd::Icon::Question);
            QCOMPARE(shown[i].buttons, dxcmd::Buttons::YesNo);
            QCOMPARE(shown[i].defaultButton, dxcmd::Answer::No);
            QCOMPARE(shown[i].title, std::string());
        }
        QCOMPARE(shown[2].icon, dxcmd::Icon::Information);
        QCOMPARE(shown[2].buttons, dxcmd::Buttons::Ok);
    }

    // A reset the camera does not answer is not reported as completed, but
    // the console still returns to its defaults.
    void unansweredResetStillResetsConsole() {
        disturb();
        rig->opt("optFactorySettings", 1)->setChecked(true);
        rig->sim.injectFault("83:45:32", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage(kAskAll, dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        rig->click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(1), QStringList{"83:45:32:00"});
        QCOMPARE(rig->sim.state().allClearCount, 0);
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 5);
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 3200);
        QVERIFY(rig->opt("optFactorySettings", 0)->isChecked());
    }
};

QTEST_MAIN(TestFunctions)
#include "test_functions.moc"
