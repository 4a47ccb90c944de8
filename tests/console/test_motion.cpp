// Pan, tilt and lens handlers driven through the window's controls against
// the simulated camera.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
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


class TestMotion : public dxtest::RigTest {
    Q_OBJECT

    QToolButton* button(const char* name) { return rig->w<QToolButton>(name); }
    void hold(QToolButton* b) { QTest::mousePress(b, Qt::LeftButton); }
    void letGo(QToolButton* b) { QTest::mouseRelease(b, Qt::LeftButton); }
    // Stops every axis at a known place, so that read-backs are known.
    void park() {
        auto s = rig->sim.state();
        for (int a = 0; a < 5; ++a) s.motion[a] = s.motionSpeed[a] = 0;
        s.value03[0x04] = 1000;  // pan   84:43:04:07:68
        s.value03[0x05] = 200;   // tilt  84:43:05:01:48
        s.value03[0x02] = 5;     // zoom  83:43:02:05
        s.value03[0x03] = 300;   // focus 84:43:03:02:2C
        s.value03[0x00] = 100;   // iris  83:43:00:64
        rig->sim.setState(s);
    }

private slots:

    void pressAndRelease_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("speedSlider");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("slider");
        QTest::newRow("right slowest") << "cmdRight" << "sldPTSpeed" << 0 << "83:45:00:10" << "82:45:02:82:03:04"
                                       << "04-PAN POSITION" << "84:43:04:07:68" << "sldPan";
        QTest::newRow("left fastest") << "cmdLeft" << "sldPTSpeed" << 7 << "83:45:01:1E" << "82:45:02:82:03:04"
                                      << "04-PAN POSITION" << "84:43:04:07:68" << "sldPan";
        QTest::newRow("up slowest") << "cmdUp" << "sldPTSpeed" << 0 << "83:45:03:10" << "82:45:05:82:03:05"
                                    << "05-TILT POSITION" << "84:43:05:01:48" << "sldTilt";
        QTest::newRow("down fastest") << "cmdDown" << "sldPTSpeed" << 7 << "83:45:04:1E" << "82:45:05:82:03:05"
                                      << "05-TILT POSITION" << "84:43:05:01:48" << "sldTilt";
        QTest::newRow("tele fastest") << "cmdZoomTele" << "sldZoomSpeed" << 3 << "83:45:0C:03" << "82:45:0E:82:03:02"
                                      << "02-ZOOM POSITION" << "83:43:02:05" << "";
        QTest::newRow("wide slowest") << "cmdZoomWide" << "sldZoomSpeed" << 0 << "83:45:0D:00" << "82:45:0E:82:03:02"
                                      << "02-ZOOM POSITION" << "83:43:02:05" << "";
        QTest::newRow("far fastest") << "cmdFocusFar" << "sldFocusSpeed" << 3 << "83:45:09:03" << "82:45:0B:82:03:03"
                                     << "03-FOCUS POSITION" << "84:43:03:02:2C" << "";
        QTest::newRow("near slowest") << "cmdFocusNear" << "sldFocusSpeed" << 0 << "83:45:0A:00" << "82:45:0B:82:03:03"
                                      << "03-FOCUS POSITION" << "84:43:03:02:2C" << "";
    }
    // Press starts at the slider's speed; release stops, reads the position
    // back into the slider without sending it again, and records the reply.
    void pressAndRelease() {
        QFETCH(QString, name);
        QFETCH(QString, speedSlider);
        QFETCH(int, speed);
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, key);
        QFETCH(QString, position);
        QFETCH(QString, slider);
        rig->w<QSlider>(qPrintable(speedSlider))->setValue(speed);
        auto* b = button(qPrintable(name));
        hold(b);
        QCOMPARE(rig->frames(1), QStringList{start});
        park();
        letGo(b);
        const QStringList sent{start, stop.left(8), stop.mid(9), "A0"};
        QCOMPARE(rig->frames(4), sent);
        QCOMPARE(rig->key("VALUE03", qPrintable(key)), position);
        if (!slider.isEmpty())
            QCOMPARE(rig->w<QSlider>(qPrintable(slider))->value(), slider == "sldPan" ? 1000 : 200);
        QVERIFY(!rig->win->console().SettingPositionSlider);
    }

    void diagonalSendsTwoAndStopsAll() {
        rig->w<QSlider>("sldPTSpeed")->setValue(7);
        auto* b = button("cmdUpRight");
        hold(b);
        QCOMPARE(rig->frames(2), (QStringList{"83:45:00:1E", "83:45:03:1E"}));
        park();
        letGo(b);
        QCOMPARE(rig->frames(7), (QStringList{"83:45:00:1E", "83:45:03:1E", "82:45:0F", "82:03:04", "A0",
                                              "82:03:05", "A0"}));
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 1000);
        QCOMPARE(rig->w<QSlider>("sldTilt")->value(), 200);
        QCOMPARE(rig->key("VALUE03", "05-TILT POSITION"), QString("84:43:05:01:48"));

        // the second half of a diagonal goes out even when the first failed
        rig->sim.clearReceived();
        rig->sim.injectFault("83:45:01", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        hold(button("cmdDownLeft"));
        QCOMPARE(rig->frames(2), (QStringList{"83:45:01:1E", "83:45:04:1E"}));
        letGo(button("cmdDownLeft"));
        QCOMPARE(rig->frames(3).value(2), QString("82:45:0F"));
    }

    void irisStopReadsBackOnlyInManual() {
        hold(button("cmdIrisOpen"));
        letGo(button("cmdIrisOpen"));
        QCOMPARE(rig->frames(2), (QStringList{"82:45:06", "82:45:08"}));

        rig->w<QComboBox>("cboIrisMode")->setCurrentIndex(0);
        rig->sim.clearReceived();
        hold(button("cmdIrisClose"));
        park();
        letGo(button("cmdIrisClose"));
        QCOMPARE(rig->frames(4), (QStringList{"82:45:07", "82:45:08", "82:03:00", "A0"}));
        QCOMPARE(rig->key("VALUE03", "01-MANUAL IRIS LEVEL"), QString("83:43:00:64"));
    }

    void positionSliders_data() {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("command");
        QTest::newRow("pan 0") << "sldPan" << 0 << "83:43:04:00";
        QTest::newRow("pan 127") << "sldPan" << 127 << "83:43:04:7F";
        QTest::newRow("pan 128") << "sldPan" << 128 << "84:43:04:01:00";
        QTest::newRow("pan 6399") << "sldPan" << 6399 << "84:43:04:31:7F";
        QTest::newRow("tilt 0") << "sldTilt" << 0 << "83:43:05:00";
        QTest::newRow("tilt 6400") << "sldTilt" << 6400 << "84:43:05:32:00";
    }
    void positionSliders() {
        QFETCH(QString, slider);
        QFETCH(int, value);
        QFETCH(QString, command);
        rig->w<QSlider>(qPrintable(slider))->setValue(value);
        QCOMPARE(rig->frames(1), QStringList{command});
        QCOMPARE(rig->key("VALUE03", slider == "sldPan" ? "04-PAN POSITION" : "05-TILT POSITION"), command);
    }

    // Nothing came back: the slider and the last record stay as they were.
    void unansweredReadBackKeepsSlider() {
        rig->w<QSlider>("sldTilt")->setValue(1500);
        QCOMPARE(rig->frames(1), QStringList{"84:43:05:0B:5C"});
        rig->sim.clearReceived();
        rig->sim.injectFault("82:03:05", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Receive failed.\r\nCommand =82:03:05\r\nResult =NL");
        hold(button("cmdDown"));
        park();
        letGo(button("cmdDown"));
        QCOMPARE(rig->frames(3), (QStringList{"83:45:04:1A", "82:45:05", "82:03:05"}));
        QCOMPARE(rig->w<QSlider>("sldTilt")->value(), 1500);
        QCOMPARE(rig->key("VALUE03", "05-TILT POSITION"), QString("84:43:05:0B:5C"));
    }

    // The console goes on after a bad reply; all stop then skips the tilt
    // read-back.
    void badReplyOnReadBackKeepsRunning() {
        hold(button("cmdDownRight"));
        park();
        rig->sim.injectFault("82:03:04", dxsim::Fault::BadFirstByte);
        rig->dialogs.expectMessage("Bad value.\r\nCommand =82:03:04\r\nResult =90:43:04:07:68");
        letGo(button("cmdDownRight"));
        QCOMPARE(rig->frames(4), (QStringList{"83:45:00:1A", "83:45:04:1A", "82:45:0F", "82:03:04"}));
        QCOMPARE(rig->key("VALUE03", "04-PAN POSITION"), QString());
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 3200);

        rig->sim.clearReceived();
        hold(button("cmdLeft"));
        letGo(button("cmdLeft"));
        QCOMPARE(rig->frames(4), (QStringList{"83:45:01:1A", "82:45:02", "82:03:04", "A0"}));
    }

    void lostHoldStopsOnce_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("window deactivated") << 0;
        QTest::newRow("button loses focus") << 1;
        QTest::newRow("button hidden") << 2;
        QTest::newRow("button disabled") << 3;
        QTest::newRow("window closed") << 4;
    }
    // The release never reaches the button: the camera must not be left
    // moving, and a late release sends no second stop.
    void lostHoldStopsOnce() {
        QFETCH(int, how);
        auto* b = button("cmdZoomTele");
        hold(b);
        QEvent deactivate(QEvent::WindowDeactivate);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        switch (how) {
        case 0: QApplication::sendEvent(rig->win.get(), &deactivate); break;
        case 1: QApplication::sendEvent(b, &focusOut); break;
        case 2: b->hide(); break;
        case 3: b->setEnabled(false); break;
        case 4:
            rig->dialogs.expectMessage(
                "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or "
                "<Position Save Menu>?)");
            QVERIFY(rig->win->close());
            break;
        }
        const QStringList stopped{"83:45:0C:02", "82:45:0E", "82:03:02", "A0"};
        QCOMPARE(rig->frames(4), stopped);
        letGo(b);
        rig->w<QSlider>("sldPan")->setValue(100);  // whatever the release sent comes before this
        QCOMPARE(rig->frames(5), stopped + QStringList{"83:43:04:64"});
    }

    // A release that arrives while the start command still waits for the
    // camera stops the movement once that exchange is over.
    void releaseDuringStartExchange() {
        struct Pump {
            Pump() { dxlink_set_event_pump([](void*) { QCoreApplication::processEvents(); }, nullptr); }
            ~Pump() { dxlink_set_event_pump(nullptr, nullptr); }
        } pump;
        rig->sim.setTurnaroundMs(60);
        auto* b = button("cmdRight");
        const QPointF at(b->rect().center());
        QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at),
                                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        hold(b);
        QCOMPARE(rig->frames(4), (QStringList{"83:45:00:1A", "82:45:02", "82:03:04", "A0"}));
        QCOMPARE(rig->sim.state().motion[0], 0);
    }

    // No camera chosen on a multi-drop line: the starts are refused, so
    // there is no movement to stop and no second round of refusals.
    void refusedStartNeedsNoStop() {
        rig->state.CommStyle = 1;
        rig->dialogs.expectMessage("Please choose a camera number.");
        rig->dialogs.expectMessage("Please choose a camera number.");
        auto* b = button("cmdUpRight");
        hold(b);
        letGo(b);
        rig->state.CommStyle = 0;
        rig->w<QSlider>("sldPan")->setValue(100);  // the first thing on the line
        QCOMPARE(rig->frames(1), QStringList{"83:43:04:64"});
    }

    void autoFocus() {
        auto* easy = rig->w<QCheckBox>("chkFocusEasy");
        QCOMPARE(easy->text(), QString("Easy AF    Off"));
        easy->setChecked(true);
        QCOMPARE(rig->frames(1), QStringList{"83:42:25:01"});
        QCOMPARE(easy->text(), QString("Easy AF    On"));
        QCOMPARE(rig->key("VALUE02", "20-EASY AF MODE"), QString("83:42:25:01"));

        // the caption follows the box whatever the camera said
        rig->sim.injectFault("83:42:25", dxsim::Fault::WrongAck);
        rig->dialogs.expectMessage(
            "Error!\r\nSECTION = [VALUE02]\r\nKEY = [20-EASY AF MODE]\r\nCommand = 83:42:25:00");
        easy->setChecked(false);
        QCOMPARE(rig->frames(2).value(1), QString("83:42:25:00"));
        QCOMPARE(easy->text(), QString("Easy AF    Off"));
        QCOMPARE(rig->key("VALUE02", "20-EASY AF MODE"), QString("83:42:25:01"));

        rig->sim.clearReceived();
        park();
        QTest::mouseClick(rig->w<QPushButton>("cmdFocusOnepush"), Qt::LeftButton);
        QCOMPARE(rig->frames(3), (QStringList{"82:45:1F", "82:03:03", "A0"}));
        QCOMPARE(rig->key("VALUE03", "03-FOCUS POSITION"), QString("84:43:03:02:2C"));
    }
};

QTEST_MAIN(TestMotion)
#include "test_motion.moc"
