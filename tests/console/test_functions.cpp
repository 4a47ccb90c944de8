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

#include "../support/RigTest.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace {


}  // namespace


const char* const kAskAll = "Are you sure to reset camera data to factory settings?";
const char* const kAskKeep = "Are you sure to reset without TITLE and PRISET POSITION to factory settings?";

class TestFunctions : public dxtest::RigTest {
    Q_OBJECT

    void click(const char* name) { QTest::mouseClick(rig->w<QPushButton>(name), Qt::LeftButton); }
    void autoMode(int id) {
        rig->opt("optAuto", id)->setChecked(true);
        rig->frames(2);
        rig->sim.clearReceived();
    }
    // Moves two controls off their defaults; what that sent is forgotten.
    void disturb() {
        rig->w<QSlider>("sldPTSpeed")->setValue(2);
        rig->w<QSlider>("sldPan")->setValue(100);
        rig->frames(1);
        rig->sim.clearReceived();
    }

private slots:

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
        if (mode != 0) autoMode(mode);
        click("cmdMenu");
        QCOMPARE(rig->frames(sent.size()), sent);
        QVERIFY(rig->opt("optAuto", 0)->isChecked());
        QCOMPARE(int(rig->win->console().AutoModeIndex), 0);
        QVERIFY(rig->sim.state().menuOn);
    }

    // A mode the buttons no longer show is still switched off first.
    void menuSwitchesOffRememberedMode() {
        rig->win->console().AutoModeIndex = 1;
        click("cmdMenu");
        QCOMPARE(rig->frames(2), (QStringList{"83:42:19:00", "82:45:29"}));
        QCOMPARE(int(rig->win->console().AutoModeIndex), 0);
    }

    void setLeavesAutoMode() {
        autoMode(2);
        click("cmdSet");
        QCOMPARE(rig->frames(1), QStringList{"82:45:2A"});
        QVERIFY(rig->opt("optAuto", 2)->isChecked());
        QCOMPARE(int(rig->win->console().AutoModeIndex), 2);
    }

    void factoryReset_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("panAfter");  // only "All" resets the position group
        QTest::newRow("all") << 1 << kAskAll << "83:45:32:00" << 3200;
        QTest::newRow("keep titles and positions") << 2 << kAskKeep << "83:45:32:01" << 100;
    }
    void factoryReset() {
        QFETCH(int, choice);
        QFETCH(QString, question);
        QFETCH(QString, command);
        QFETCH(int, panAfter);
        disturb();
        rig->opt("optFactorySettings", choice)->setChecked(true);  // enables "Excecute"

        rig->dialogs.expectMessage(question.toStdString(), dxcmd::Answer::No);
        click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(0), QStringList());
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 2);
        QVERIFY(rig->opt("optFactorySettings", choice)->isChecked());

        rig->dialogs.expectMessage(question.toStdString(), dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Completed!");
        click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(1), QStringList{command});
        QCOMPARE(rig->sim.state().allClearCount, 1);
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 5);
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), panAfter);
        QVERIFY(rig->opt("optFactorySettings", 0)->isChecked());
        QVERIFY(!rig->w<QPushButton>("cmdExecLoadFactorySettings")->isEnabled());

        const auto& shown = rig->dialogs.shown();
        QCOMPARE(shown.size(), size_t(3));
        for (size_t i : {0, 1}) {
            QCOMPARE(shown[i].icon, dxcmd::Icon::Question);
            QCOMPARE(shown[i].buttons, dxcmd::Buttons::YesNo);
            QCOMPARE(shown[i].defaultButton, dxcmd::Answer::No);
            QCOMPARE(shown[i].title, std::string());
        }
        QCOMPARE(shown[2].icon, dxcmd::Icon::Information);
    }

    // Not answered: no "Completed!", but the console still returns to its
    // defaults.
    void unansweredResetStillResetsConsole() {
        disturb();
        rig->opt("optFactorySettings", 1)->setChecked(true);
        rig->sim.injectFault("83:45:32", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage(kAskAll, dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        click("cmdExecLoadFactorySettings");
        QCOMPARE(rig->frames(1), QStringList{"83:45:32:00"});
        QCOMPARE(rig->w<QSlider>("sldPTSpeed")->value(), 5);
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 3200);
        QVERIFY(rig->opt("optFactorySettings", 0)->isChecked());
    }
};

QTEST_MAIN(TestFunctions)
#include "test_functions.moc"
