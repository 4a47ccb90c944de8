// What each control of the main window sends to the simulated camera: one
// table, run in order on one window (each row starts from the state the
// rows before it left), then the ways a held button is let go.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "ConsoleRig.h"

namespace {

const char* const kCable = "Communication error! Please check the cable.";
const char* const kTitleChars =
    "The Camera Title can contain any of the following characters.\r\n[A to Z],[a to z],[0 to 9],[, - . / :] and Space ";
const char* const kResetAll = "Are you sure to reset camera data to factory settings?";
const char* const kResetKeep = "Are you sure to reset without TITLE and PRISET POSITION to factory settings?";

struct Row {
    const char* control;      // object name; "group:id" for an option button
    const char* value = "";   // slider or list value, check state, box text
    const char* frames = "";  // what reaches the camera; "|" parts a press from its release
    const char* key = "";     // "SECTION/KEY" recorded as the row's first frame, or "SECTION/KEY=value"; ";" between
    const char* after = "";   // "control=value" read back after the row; "control.on" its enabled state
    QStringList ask = {};     // the dialogs, in order; "Y:" or "N:" answers a question
    const char* fault = "";   // "prefix=NL|ACK|BAD": the camera fails the next such command
};

}  // namespace

class TestControls : public dxtest::RigTest {
    Q_OBJECT

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
    QString valueOf(const QString& name) {
        if (name.endsWith(QLatin1String(".on")))
            return QString::number(rig->w<QWidget>(qPrintable(name.chopped(3)))->isEnabled());
        if (name.endsWith(QLatin1String(".focus")))
            return QString::number(rig->win->focusWidget() == rig->w<QWidget>(qPrintable(name.chopped(6))));
        QObject* c = rig->w<QObject>(qPrintable(name));
        if (auto* s = qobject_cast<QSlider*>(c)) return QString::number(s->value());
        if (auto* l = qobject_cast<QComboBox*>(c)) return QString::number(l->currentIndex());
        if (auto* g = qobject_cast<QButtonGroup*>(c)) return QString::number(g->checkedId());
        if (auto* b = qobject_cast<QAbstractButton*>(c)) return b->text();
        if (auto* e = qobject_cast<QLineEdit*>(c)) return e->text();
        return qobject_cast<QLabel*>(c)->text();
    }
    void act(const Row& row, const QStringList& want, qsizetype press) {
        const QString name = QString::fromLatin1(row.control);
        const QString value = QString::fromUtf8(row.value);
        if (name.contains(QLatin1Char(':'))) {
            rig->opt(qPrintable(name.section(':', 0, 0)), name.section(':', 1).toInt())->click();
            return;
        }
        QObject* c = rig->w<QObject>(row.control);
        if (auto* s = qobject_cast<QSlider*>(c)) s->setValue(value.toInt());
        if (auto* l = qobject_cast<QComboBox*>(c)) l->setCurrentIndex(value.toInt());
        if (auto* k = qobject_cast<QCheckBox*>(c)) k->setChecked(value == QLatin1String("1"));
        if (auto* e = qobject_cast<QLineEdit*>(c)) e->setText(value);
        if (auto* a = qobject_cast<QAction*>(c)) a->trigger();
        if (auto* p = qobject_cast<QPushButton*>(c)) QTest::mouseClick(p, Qt::LeftButton);
        if (auto* t = qobject_cast<QToolButton*>(c)) {
            QTest::mousePress(t, Qt::LeftButton);
            QCOMPARE(rig->frames(press), want.mid(0, press));  // the start goes out on the press
            park();
            QTest::mouseRelease(t, Qt::LeftButton);
        }
    }
    void run(const Row& row) {
        auto& r = *rig;
        r.sim.clearReceived();
        for (const QString& a : row.ask) {
            const bool q = a.startsWith(QLatin1String("Y:")) || a.startsWith(QLatin1String("N:"));
            r.dialogs.expectMessage((q ? a.mid(2) : a).toStdString(),
                                    !q ? dxcmd::Answer::Ok : a[0] == 'Y' ? dxcmd::Answer::Yes : dxcmd::Answer::No);
        }
        if (*row.fault) {
            const QString f = QString::fromLatin1(row.fault);
            const QString how = f.section('=', 1);
            r.sim.injectFault(f.section('=', 0, 0).toStdString(), how == QLatin1String("NL")    ? dxsim::Fault::NoReply
                                                                  : how == QLatin1String("ACK") ? dxsim::Fault::WrongAck
                                                                                                : dxsim::Fault::BadFirstByte);
        }
        QStringList want = QString::fromLatin1(row.frames).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const qsizetype press = want.indexOf(QStringLiteral("|"));
        want.removeAll(QStringLiteral("|"));
        act(row, want, press);
        QCOMPARE(r.frames(want.size()), want);
        QVERIFY2(!r.dialogs.pending() && r.failures.isEmpty(), qPrintable(r.failures.join('\n')));
        for (const QString& k : QString::fromLatin1(row.key).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString value = k.contains(QLatin1Char('=')) ? k.section('=', 1) : want.value(0);
            QCOMPARE(r.key(qPrintable(k.section('/', 0, 0)), qPrintable(k.section('/', 1).section('=', 0, 0))), value);
        }
        for (const QString& a : QString::fromLatin1(row.after).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            QCOMPARE(a.section('=', 0, 0) + "=" + valueOf(a.section('=', 0, 0)), a);
    }

private slots:
    void eachControlSendsItsCommand() {
        OPEN_RIG();
        auto s = r.sim.state();
        s.selectedPreset = 7;
        r.sim.setState(s);
        const char* pan = "VALUE03/04-PAN POSITION";
        const char* tilt = "VALUE03/05-TILT POSITION";
        const char* auto2 = "optAuto_1.on=0;optAuto_2.on=1;optAuto_3.on=0";
        const Row table[] = {
            {"mnuTkc_0", "", "", "OPTION/MODEL=0"},  // DX-430: every control is there
            {"sldPan", "127", "83:43:04:7F", pan},
            {"sldPan", "128", "84:43:04:01:00", pan},
            {"sldTilt", "6400", "84:43:05:32:00", tilt},
            {"sldPTSpeed", "0"},
            {"cmdRight", "", "83:45:00:10 | 82:45:02 82:03:04 A0", "VALUE03/04-PAN POSITION=84:43:04:07:68", "sldPan=1000"},
            {"sldPTSpeed", "7"},
            {"cmdUp", "", "83:45:03:1E | 82:45:05 82:03:05 A0", "VALUE03/05-TILT POSITION=84:43:05:01:48", "sldTilt=200"},
            {"sldPan", "6399", "84:43:04:31:7F", pan},
            {"sldTilt", "0", "83:43:05:00", tilt},
            {"cmdUpRight", "", "83:45:00:1E 83:45:03:1E | 82:45:0F 82:03:04 A0 82:03:05 A0", "", "sldPan=1000;sldTilt=200"},
            {"cmdLeft", "", "83:45:01:1E | 82:45:02 82:03:04 A0"},
            {"cmdDown", "", "83:45:04:1E | 82:45:05 82:03:05 A0"},
            {"cmdUpLeft", "", "83:45:01:1E 83:45:03:1E | 82:45:0F 82:03:04 A0 82:03:05 A0"},
            // the second half of a diagonal goes out even when the first failed
            {"cmdDownLeft", "", "83:45:01:1E 83:45:04:1E | 82:45:0F 82:03:04 A0 82:03:05 A0", "", "", {kCable}, "83:45:01=NL"},
            // a read-back that failed leaves the slider and the record as they were
            {"sldTilt", "1500", "84:43:05:0B:5C", tilt},
            {"cmdDown", "", "83:45:04:1E | 82:45:05 82:03:05", "VALUE03/05-TILT POSITION=84:43:05:0B:5C", "sldTilt=1500",
             {"Receive failed.\r\nCommand =82:03:05\r\nResult =NL"}, "82:03:05=NL"},
            // a bad pan reply ends the all-stop before the tilt read-back
            {"sldPan", "100", "83:43:04:64", pan},
            {"cmdDownRight", "", "83:45:00:1E 83:45:04:1E | 82:45:0F 82:03:04", "VALUE03/04-PAN POSITION=83:43:04:64",
             "sldPan=100", {"Bad value.\r\nCommand =82:03:04\r\nResult =90:43:04:07:68"}, "82:03:04=BAD"},
            {"sldZoomSpeed", "3"},
            {"cmdZoomTele", "", "83:45:0C:03 | 82:45:0E 82:03:02 A0", "VALUE03/02-ZOOM POSITION=83:43:02:05"},
            {"sldZoomSpeed", "0"},
            {"cmdZoomWide", "", "83:45:0D:00 | 82:45:0E 82:03:02 A0"},
            {"sldFocusSpeed", "3"},
            {"cmdFocusFar", "", "83:45:09:03 | 82:45:0B 82:03:03 A0", "VALUE03/03-FOCUS POSITION=84:43:03:02:2C"},
            {"sldFocusSpeed", "0"},
            {"cmdFocusNear", "", "83:45:0A:00 | 82:45:0B 82:03:03 A0"},
            {"cmdIrisOpen", "", "82:45:06 | 82:45:08"},  // the iris is read back in Manual only
            {"cboIrisMode", "0", "83:42:11:00", "VALUE02/06-IRIS MODE"},
            {"cmdIrisClose", "", "82:45:07 | 82:45:08 82:03:00 A0", "VALUE03/01-MANUAL IRIS LEVEL=83:43:00:64"},
            {"cboIrisMode", "3", "83:42:11:03"},
            {"chkFocusEasy", "1", "83:42:25:01", "VALUE02/20-EASY AF MODE", "chkFocusEasy=Easy AF    On"},
            {"chkFocusEasy", "0", "83:42:25:00", "", "chkFocusEasy=Easy AF    Off"},
            {"cmdFocusOnepush", "", "82:45:1F 82:03:03 A0", "VALUE03/03-FOCUS POSITION=84:43:03:02:2C"},
            {"sldShutterExDRLevel", "-1", "83:43:3A:7F", "VALUE03/19-ExDR LEVEL"},
            {"sldShutterExDRLevel", "0", "84:43:3A:01:00"},
            {"sldShutterExDRLevel", "5", "84:43:3A:01:05"},
            {"sldWhiteBalanceRB", "127", "83:43:06:7F", "VALUE03/06-MANUAL WHITE BALANCE(R-B)"},
            {"sldWhiteBalanceRB", "128", "84:43:06:01:00"},
            {"sldWhiteBalanceMgG", "0", "83:43:14:00", "VALUE03/10-MANUAL WHITE BALANCE(Mg-G)"},
            {"sldWhiteBalanceMgG", "255", "84:43:14:01:7F"},
            {"sldLevelAdjColour", "-5", "83:43:3E:7B", "VALUE03/23-COLOR LEVEL"},
            {"sldLevelAdjColour", "5", "84:43:3E:01:05"},
            {"sldLevelAdjEnhance", "-5", "83:43:3D:7B", "VALUE03/22-ENHANCE LEVEL"},
            {"sldLevelAdjEnhance", "5", "84:43:3D:01:05"},
            {"sldLevelAdjPedestal", "-5", "83:43:10:7B", "VALUE03/08-PEDESTAL LEVEL"},
            {"sldLevelAdjPedestal", "5", "84:43:10:01:05"},
            {"cboShutterSpeed", "1", "83:42:14:03", "VALUE02/09-MANUAL SHUTTER SPEED"},  // code 02 is no speed
            {"cboShutterSpeed", "0", "83:42:14:01"},
            {"cboShutterSpeed", "6", "83:42:14:08"},
            {"cboSenseUpSelect", "6", "83:42:0D:06", "VALUE02/04-SENSE UP MODE"},
            {"cboSenseUpSelect", "0", "83:42:0D:00"},
            {"cboSenseUpPriority", "1", "83:42:0E:01", "VALUE02/05-ALC PRIORITY"},
            {"cboSenseUpPriority", "0", "83:42:0E:00"},
            {"optVariablePT:0", "", "83:42:22:00", "VALUE02/17-VARIABLE PAN/TILT SPEED MODE"},
            {"optVariablePT:1", "", "83:42:22:01"},
            {"optBLCArea:6", "", "83:42:15:06", "VALUE02/10-BACK LIGHT COMPENSATION(BLC)"},
            {"optBLCArea:0", "", "83:42:15:00"},
            {"optAGC:0", "", "83:42:13:00", "VALUE02/08-AGC MODE"},
            {"optAGC:3", "", "83:42:13:03"},
            {"optBW:6", "", "83:42:48:06", "VALUE02/35-B&W MODE"},
            {"optBW:0", "", "83:42:48:00"},
            {"optBWLevelAuto:0", "", "83:43:3B:7F", "VALUE03/20-B&W AUTO LEVEL"},
            {"optBWLevelAuto:2", "", "84:43:3B:01:01"},
            {"optBWLevelAuto:1", "", "84:43:3B:01:00"},
            {"optBWLightType:1", "", "83:42:47:01", "VALUE02/34-IR LIGHT"},
            {"optBWLightType:0", "", "83:42:47:00"},
            {"chkAutoBlack", "1", "83:42:49:01", "VALUE02/36-AUTO BLACK CONTROL MODE", "chkAutoBlack=Auto Black  On"},
            {"chkAutoBlack", "0", "83:42:49:00", "", "chkAutoBlack=Auto Black  Off"},
            // the manual balance goes along with AWC, and only AWC enables it
            {"optWhiteBalance:4", "", "83:42:12:04 84:43:06:01:00 84:43:14:01:7F", "VALUE02/07-WHITE BALANCE MODE",
             "sldWhiteBalanceRB.on=1;sldWhiteBalanceMgG.on=1"},
            {"optWhiteBalance:1", "", "83:42:12:01", "", "sldWhiteBalanceRB.on=0;sldWhiteBalanceMgG.on=0"},
            // the shutter mode brings its speed or ExDR level along
            {"cboShutterSpeed", "1", "83:42:14:03"},
            {"sldShutterExDRLevel", "-2", "83:43:3A:7E"},
            {"optShutter:1", "", "83:42:0B:00 83:42:14:03", "VALUE02/03-ExDR MODE",
             "cboShutterSpeed.on=1;sldShutterExDRLevel.on=0"},
            {"optShutter:2", "", "83:43:3A:7E 83:42:0B:03", "", "cboShutterSpeed.on=0;sldShutterExDRLevel.on=1"},
            {"optShutter:0", "", "83:42:0B:00 83:42:14:00", "VALUE02/09-MANUAL SHUTTER SPEED=83:42:14:00",
             "cboShutterSpeed.on=0;sldShutterExDRLevel.on=0"},
            {"optShutter:5"},  // M.ExDR and Auto(AES): nothing for the camera
            {"optShutter:4"},
            // a running auto mode locks the others; Auto Off stops the one that runs
            {"optAuto:1", "", "83:42:4A:00 83:42:19:01", "VALUE02/37-AUTO PAN KEY", "optAuto_2.on=0;optAuto_3.on=0"},
            {"optAuto:0", "", "83:42:19:00", "", "optAuto_2.on=1;optAuto_3.on=1"},
            {"optAuto:2", "", "83:42:4B:01 83:42:26:01", "VALUE02/38-AUTO PATROL KEY", auto2},
            {"cmdSet", "", "82:45:2A", "", "optAuto=2"},  // Set leaves it running
            {"optAuto:0", "", "83:42:26:00"},
            {"cmdMenu", "", "82:45:29"},
            // the menu key switches a running mode off first
            {"optAuto:1", "", "83:42:4A:00 83:42:19:01"},
            {"cmdMenu", "", "83:42:19:00 82:45:29", "", "optAuto=0;optAuto_2.on=1"},
            {"optAuto:3", "", "83:42:4B:02 83:42:26:01", "VALUE02/38-AUTO PATROL KEY"},
            {"cmdMenu", "", "83:42:26:00 82:45:29", "", "optAuto=0"},
            {"cmdPosCall", "", "82:02:00 A0", "", "cmdPosCall=Position = 7"},
            {"cmdPosCall", "", "82:02:00", "", "cmdPosCall=Position = -1", {"Receive failed.\r\nCommand =82:02:00\r\nResult =NL"},
             "82:02:00=NL"},
            {"cmdPosCall", "", "82:02:00", "", "cmdPosCall=Position = -1",
             {"Bad value.\r\nCommand =82:02:00\r\nResult =90:42:00:07"}, "82:02:00=BAD"},
            // Save Parameter: "Completed!" only for what the camera took
            {"cmdEnter", "", "83:45:16:00", "", "", {"Completed!"}},
            {"cmdEnter", "", "83:45:16:00", "", "", {kCable}, "83:45:16=NL"},
            {"txtCamTitle", " ABCD "},
            {"cmdCmaTitleExec", "", "83:45:30:01 86:46:00:41:42:43:44",
             "TRIGGER/32-CHARACTER CODE SET;STRING/01-CAMERA TITLE=86:46:00:41:42:43:44", "txtCamTitle=ABCD"},
            {"txtCamTitle", "CAFÉ"},
            {"cmdCmaTitleExec", "", "", "", "txtCamTitle.focus=1", {kTitleChars}},
            // factory reset: All resets the whole console, the other all but the position group
            {"sldPTSpeed", "2"},
            {"optFactorySettings:1", "", "", "", "cmdExecLoadFactorySettings.on=1"},
            {"cmdExecLoadFactorySettings", "", "", "", "sldPTSpeed=2;optFactorySettings=1", {QString("N:") + kResetAll}},
            {"cmdExecLoadFactorySettings", "", "83:45:32:00", "",
             "sldPTSpeed=5;sldPan=3200;optFactorySettings=0;cmdExecLoadFactorySettings.on=0",
             {QString("Y:") + kResetAll, "Completed!"}},
            {"sldPTSpeed", "2"},
            {"sldPan", "100", "83:43:04:64"},
            {"optFactorySettings:2"},
            {"cmdExecLoadFactorySettings", "", "83:45:32:01", "", "sldPTSpeed=5;sldPan=100",
             {QString("Y:") + kResetKeep, "Completed!"}},
            // unanswered: no "Completed!", the console goes back to its defaults all the same
            {"sldPTSpeed", "2"},
            {"optFactorySettings:1"},
            {"cmdExecLoadFactorySettings", "", "83:45:32:00", "", "sldPTSpeed=5;sldPan=3200;optFactorySettings=0",
             {QString("Y:") + kResetAll, kCable}, "83:45:32=NL"},
        };
        for (const Row& row : table) {
            run(row);
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(QStringLiteral("at %1 %2").arg(row.control, row.value)));
        }
        QCOMPARE(r.sim.state().allClearCount, 2);
    }

    // A mode the buttons no longer show, or one switched on while the console
    // filled itself, is still switched off before the menu opens.
    void menuSwitchesOffARememberedMode() {
        OPEN_RIG();
        r.win->console().AutoModeIndex = 1;
        QTest::mouseClick(r.w<QPushButton>("cmdMenu"), Qt::LeftButton);
        QCOMPARE(r.frames(2), (QStringList{"83:42:19:00", "82:45:29"}));
        r.state.UpdatingFromCamera = true;
        r.opt("optAuto", 3)->click();
        r.state.UpdatingFromCamera = false;
        r.sim.clearReceived();
        r.opt("optAuto", 0)->click();
        QCOMPARE(r.frames(1), QStringList{"83:42:26:00"});
        QVERIFY(r.sim.state().menuOn);
    }

    // The release never reaches the button: the camera must not be left
    // moving, and a late release sends no second stop.
    void lostHoldStopsOnce() {
        for (int how = 0; how < 5; ++how) {
            OPEN_RIG();
            auto* b = r.w<QToolButton>("cmdZoomTele");
            QTest::mousePress(b, Qt::LeftButton);
            QEvent deactivate(QEvent::WindowDeactivate);
            QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            if (how == 0) QApplication::sendEvent(r.win.get(), &deactivate);
            if (how == 1) QApplication::sendEvent(b, &focusOut);
            if (how == 2) b->hide();
            if (how == 3) b->setEnabled(false);
            if (how == 4) {
                r.dialogs.expectMessage("Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or "
                                        "<Position Save Menu>?)");
                QVERIFY(r.win->close());
                QVERIFY(!r.win->isVisible());
            }
            const QStringList stopped{"83:45:0C:02", "82:45:0E", "82:03:02", "A0"};
            QCOMPARE(r.frames(4), stopped);
            QCOMPARE(r.sim.state().motion[2], 0);
            QTest::mouseRelease(b, Qt::LeftButton);
            r.w<QSlider>("sldPan")->setValue(100);  // whatever the release sent comes before this
            QCOMPARE(r.frames(5), stopped + QStringList{"83:43:04:64"});
            closeRig();
        }
    }

    // A release that arrives while the start command still waits for the
    // camera stops the movement once that exchange is over.
    void releaseDuringTheStartExchange() {
        OPEN_RIG();
        dxtest::PumpHook pump([] {});
        r.sim.setTurnaroundMs(60);
        auto* b = r.w<QToolButton>("cmdRight");
        const QPointF at(b->rect().center());
        QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at), Qt::LeftButton,
                                                       Qt::NoButton, Qt::NoModifier));
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(r.frames(4), (QStringList{"83:45:00:1A", "82:45:02", "82:03:04", "A0"}));
        QCOMPARE(r.sim.state().motion[0], 0);
    }

    // No camera chosen on a multi-drop line: the starts are refused, so there
    // is no movement to stop and no second round of refusals.
    void refusedStartNeedsNoStop() {
        OPEN_RIG();
        r.state.CommStyle = 1;
        r.dialogs.expectMessage("Please choose a camera number.");
        r.dialogs.expectMessage("Please choose a camera number.");
        auto* b = r.w<QToolButton>("cmdUpRight");
        QTest::mousePress(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
        r.state.CommStyle = 0;
        r.w<QSlider>("sldPan")->setValue(100);  // the first thing on the line
        QCOMPARE(r.frames(1), QStringList{"83:43:04:64"});
    }
};

QTEST_MAIN(TestControls)
#include "test_controls.moc"
