// The main window on the simulated camera: what each control sends (one
// table), the ways a held button is let go, the start-up state, the model
// profiles, the connection settings, the dependent enabled states, the layout
// and the exit; the preset list and its pop-up, the title boxes, the file
// menu, the DUMP64 buttons and the transfer window: the dialogs they show,
// what the answers lead to, what the transfer window shows while a job runs;
// and the program shell around it: the start checks and the single-instance
// lock, the splash, the message boxes of the window system, the log window of
// the diagnostic program, the about box, the bench's start-up reports and the
// status labels.
#include <fcntl.h>
#include <unistd.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEnterEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "BenchHook.h"
#include "ConsoleRig.h"
#include "QtDialogs.h"
#include "RecordPlace.h"
#include "StartupChecks.h"
#include "StatusLabels.h"
#include "dxtransfer/Jobs.h"
#include "frmAbout.h"
#include "frmLog.h"
#include "frmSplash.h"
#include "frmUPandDOWN.h"

using dxtest::need;

namespace {

const char* const kCable = "Communication error! Please check the cable.";
const char* const kTitleChars =
    "The Camera Title can contain any of the following characters.\r\n"
    "[A to Z],[a to z],[0 to 9],[, - . / :] and Space ";
const char* const kResetAll = "Are you sure to reset camera data to factory settings?";
const char* const kResetKeep = "Are you sure to reset without TITLE and PRISET POSITION to factory settings?";

struct Row {
    const char* control;      // object name; "group:id" for an option button; "key>name" a key held on it
    const char* value = "";   // slider or list value, check state, box text
    const char* frames = "";  // what reaches the camera; "|" parts a press from its release
    // setting-file keys, ";" between: "KEY" holds the row's first frame, "KEY=value" that value; the section
    // is the one the value's group byte names, or "[SECTION]KEY"
    const char* key = "";
    const char* after = "";   // "control=value" read back after the row; "control.on" its enabled state
    QStringList ask = {};     // the dialogs, in order; a question is answered Yes, or No after "N:"
    const char* fault = "";   // "prefix=NL" or "prefix=BAD": the camera fails the next such command
};

// clang-format off
const char *const pan = "04-PAN POSITION", *const tilt = "05-TILT POSITION";
// In order on one window: each row starts from the state the rows before it left.
const Row kTable[] = {
    {"mnuTkc_0", "", "", "[OPTION]MODEL=0"},  // DX-430: every control is there
    {"sldPan", "127", "83:43:04:7F", pan}, {"sldPan", "128", "84:43:04:01:00", pan},
    {"sldTilt", "6400", "84:43:05:32:00", tilt}, {"sldPTSpeed", "0"},
    {"cmdRight", "", "83:45:00:10 | 82:45:02 82:03:04 A0", "04-PAN POSITION=84:43:04:07:68", "sldPan=1000"},
    {"sldPTSpeed", "7"}, {"Space>cmdRight", "", "83:45:00:1E 82:45:02 82:03:04 A0"},
    {"Right>cmdFocusOnepush", "", "83:45:00:1E 82:45:02 82:03:04 A0"}, {"Right>txtCamTitle"},
    {"PgUp>cmdEnter", "", "83:45:00:1E 83:45:03:1E 82:45:0F 82:03:04 A0 82:03:05 A0"},
    {"Space>cmdRight", "", "83:45:00:1E 82:45:02", "", "", {kCable}, "=NL"},  // the stop still goes out
    {"cmdUp", "", "83:45:03:1E | 82:45:05 82:03:05 A0", "05-TILT POSITION=84:43:05:01:48", "sldTilt=200"},
    {"sldPan", "6399", "84:43:04:31:7F", pan}, {"sldTilt", "0", "83:43:05:00", tilt},
    {"cmdUpRight", "", "83:45:00:1E 83:45:03:1E | 82:45:0F 82:03:04 A0 82:03:05 A0", "", "sldPan=1000;sldTilt=200"},
    {"cmdLeft", "", "83:45:01:1E | 82:45:02 82:03:04 A0"}, {"cmdDown", "", "83:45:04:1E | 82:45:05 82:03:05 A0"},
    {"cmdUpLeft", "", "83:45:01:1E 83:45:03:1E | 82:45:0F 82:03:04 A0 82:03:05 A0"},
    // the second half of a diagonal waits on the first; the stop goes out all the same
    {"cmdDownLeft", "", "83:45:01:1E | 82:45:0F", "", "", {kCable}, "83:45:01=NL"},
    // a read-back that failed leaves the slider and the record as they were
    {"sldTilt", "1500", "84:43:05:0B:5C", tilt},
    {"cmdDown", "", "83:45:04:1E | 82:45:05 82:03:05", "05-TILT POSITION=84:43:05:0B:5C", "sldTilt=1500",
     {"Receive failed.\r\nCommand =82:03:05\r\nResult =NL"}, "82:03:05=NL"},
    // a bad pan reply ends the all-stop before the tilt read-back
    {"sldPan", "100", "83:43:04:64", pan},
    {"cmdDownRight", "", "83:45:00:1E 83:45:04:1E | 82:45:0F 82:03:04", "04-PAN POSITION=83:43:04:64",
     "sldPan=100", {"Bad value.\r\nCommand =82:03:04\r\nResult =90:43:04:07:68"}, "82:03:04=BAD"},
    {"sldZoomSpeed", "3"}, {"cmdZoomTele", "", "83:45:0C:03 | 82:45:0E 82:03:02 A0", "02-ZOOM POSITION=83:43:02:05"},
    {"sldZoomSpeed", "0"}, {"cmdZoomWide", "", "83:45:0D:00 | 82:45:0E 82:03:02 A0"}, {"sldFocusSpeed", "3"},
    {"cmdFocusFar", "", "83:45:09:03 | 82:45:0B 82:03:03 A0", "03-FOCUS POSITION=84:43:03:02:2C"},
    {"sldFocusSpeed", "0"}, {"cmdFocusNear", "", "83:45:0A:00 | 82:45:0B 82:03:03 A0"},
    {"cmdIrisOpen", "", "82:45:06 | 82:45:08"},  // the iris is read back in Manual only
    {"cboIrisMode", "0", "83:42:11:00", "06-IRIS MODE"},
    {"cmdIrisClose", "", "82:45:07 | 82:45:08 82:03:00 A0", "01-MANUAL IRIS LEVEL=83:43:00:64"},
    {"cboIrisMode", "3", "83:42:11:03"},
    {"chkFocusEasy", "1", "83:42:25:01", "20-EASY AF MODE", "chkFocusEasy=Easy AF    On"},
    {"chkFocusEasy", "0", "83:42:25:00", "", "chkFocusEasy=Easy AF    Off"},
    {"cmdFocusOnepush", "", "82:45:1F 82:03:03 A0", "03-FOCUS POSITION=84:43:03:02:2C"},
    {"sldShutterExDRLevel", "-1", "83:43:3A:7F", "19-ExDR LEVEL"}, {"sldShutterExDRLevel", "0", "84:43:3A:01:00"},
    {"sldWhiteBalanceRB", "127", "83:43:06:7F", "06-MANUAL WHITE BALANCE(R-B)"},
    {"sldWhiteBalanceRB", "128", "84:43:06:01:00"}, {"sldWhiteBalanceMgG", "255", "84:43:14:01:7F"},
    {"sldWhiteBalanceMgG", "0", "83:43:14:00", "10-MANUAL WHITE BALANCE(Mg-G)"},
    {"sldLevelAdjColour", "-5", "83:43:3E:7B", "23-COLOR LEVEL"}, {"sldLevelAdjColour", "5", "84:43:3E:01:05"},
    {"sldLevelAdjEnhance", "-5", "83:43:3D:7B", "22-ENHANCE LEVEL"}, {"sldLevelAdjEnhance", "5", "84:43:3D:01:05"},
    {"sldLevelAdjPedestal", "-5", "83:43:10:7B", "08-PEDESTAL LEVEL"}, {"sldLevelAdjPedestal", "5", "84:43:10:01:05"},
    {"cboShutterSpeed", "1", "83:42:14:03", "09-MANUAL SHUTTER SPEED"}, {"cboShutterSpeed", "0", "83:42:14:01"},
    {"cboSenseUpSelect", "6", "83:42:0D:06", "04-SENSE UP MODE"}, {"cboSenseUpSelect", "0", "83:42:0D:00"},
    {"cboSenseUpPriority", "1", "83:42:0E:01", "05-ALC PRIORITY"}, {"cboSenseUpPriority", "0", "83:42:0E:00"},
    {"optVariablePT:0", "", "83:42:22:00", "17-VARIABLE PAN/TILT SPEED MODE"}, {"optVariablePT:1", "", "83:42:22:01"},
    {"optBLCArea:6", "", "83:42:15:06", "10-BACK LIGHT COMPENSATION(BLC)"}, {"optBLCArea:0", "", "83:42:15:00"},
    {"optAGC:0", "", "83:42:13:00", "08-AGC MODE"}, {"optAGC:3", "", "83:42:13:03"},
    {"optBW:6", "", "83:42:48:06", "35-B&W MODE"}, {"optBW:0", "", "83:42:48:00"},
    {"optBWLevelAuto:0", "", "83:43:3B:7F", "20-B&W AUTO LEVEL"}, {"optBWLevelAuto:2", "", "84:43:3B:01:01"},
    {"optBWLevelAuto:1", "", "84:43:3B:01:00"},
    {"optBWLightType:1", "", "83:42:47:01", "34-IR LIGHT"}, {"optBWLightType:0", "", "83:42:47:00"},
    {"chkAutoBlack", "1", "83:42:49:01", "36-AUTO BLACK CONTROL MODE", "chkAutoBlack=Auto Black  On"},
    {"chkAutoBlack", "0", "83:42:49:00", "", "chkAutoBlack=Auto Black  Off"},
    // the manual balance goes along with AWC, and only AWC enables it
    {"optWhiteBalance:4", "", "83:42:12:04 84:43:06:01:00 83:43:14:00", "07-WHITE BALANCE MODE",
     "sldWhiteBalanceRB.on=1;sldWhiteBalanceMgG.on=1"},
    {"optWhiteBalance:1", "", "83:42:12:01", "", "sldWhiteBalanceRB.on=0;sldWhiteBalanceMgG.on=0"},
    // the shutter mode brings its speed or ExDR level along
    {"cboShutterSpeed", "1", "83:42:14:03"}, {"sldShutterExDRLevel", "-2", "83:43:3A:7E"},
    {"optShutter:1", "", "83:42:0B:00 83:42:14:03", "03-ExDR MODE", "cboShutterSpeed.on=1;sldShutterExDRLevel.on=0"},
    {"optShutter:2", "", "83:43:3A:7E 83:42:0B:03", "", "cboShutterSpeed.on=0;sldShutterExDRLevel.on=1"},
    {"optShutter:0", "", "83:42:0B:00 83:42:14:00", "09-MANUAL SHUTTER SPEED=83:42:14:00",
     "cboShutterSpeed.on=0;sldShutterExDRLevel.on=0"},
    {"optShutter:5"}, {"optShutter:4"},  // M.ExDR and Auto(AES): nothing for the camera
    // a running auto mode locks the others; Auto Off stops the one that runs
    {"optAuto:1", "", "83:42:4A:00 83:42:19:01", "37-AUTO PAN KEY", "optAuto_2.on=0;optAuto_3.on=0"},
    {"optAuto:0", "", "83:42:19:00", "", "optAuto_2.on=1;optAuto_3.on=1"},
    {"optAuto:2", "", "83:42:4B:01 83:42:26:01", "38-AUTO PATROL KEY", "optAuto_1.on=0;optAuto_3.on=0"},
    {"cmdSet", "", "82:45:2A", "", "optAuto=2"},  // Set leaves it running
    {"optAuto:0", "", "83:42:26:00"}, {"cmdMenu", "", "82:45:29"},
    // the menu key switches a running mode off first
    {"optAuto:1", "", "83:42:4A:00 83:42:19:01"}, {"cmdMenu", "", "83:42:19:00 82:45:29", "", "optAuto=0"},
    {"optAuto:3", "", "83:42:4B:02 83:42:26:01", "38-AUTO PATROL KEY"},
    {"cmdMenu", "", "83:42:26:00 82:45:29", "", "optAuto=0;optAuto_1.on=1"},
    {"cmdPosCall", "", "82:02:00 A0", "", "cmdPosCall=Position = 7"},
    {"cmdPosCall", "", "82:02:00", "", "cmdPosCall=Position = -1",
     {"Receive failed.\r\nCommand =82:02:00\r\nResult =NL"}, "82:02:00=NL"},
    {"cmdPosCall", "", "82:02:00", "", "cmdPosCall=Position = -1",
     {"Bad value.\r\nCommand =82:02:00\r\nResult =90:42:00:07"}, "82:02:00=BAD"},
    // Save Parameter: "Completed!" only for what the camera took
    {"cmdEnter", "", "83:45:16:00", "", "", {"Completed!"}},
    {"cmdEnter", "", "83:45:16:00", "", "", {kCable}, "83:45:16=NL"},
    {"txtCamTitle", " ABCD "}, {"cmdCmaTitleExec", "", "83:45:30:01 86:46:00:41:42:43:44",
     "32-CHARACTER CODE SET;01-CAMERA TITLE=86:46:00:41:42:43:44", "txtCamTitle=ABCD"},
    {"txtCamTitle", "CAFÉ"}, {"cmdCmaTitleExec", "", "", "", "", {kTitleChars}}, {"txtCamTitle", "ABCD"},
    // factory reset: All resets the whole console, the other all but the position group
    {"sldPTSpeed", "2"}, {"optFactorySettings:1", "", "", "", "cmdExecLoadFactorySettings.on=1"},
    {"cmdExecLoadFactorySettings", "", "", "", "sldPTSpeed=2;optFactorySettings=1", {QString("N:") + kResetAll}},
    {"cmdExecLoadFactorySettings", "", "83:45:32:00", "", "sldPTSpeed=5;sldPan=3200;optFactorySettings=0;"
     "cmdExecLoadFactorySettings.on=0", {kResetAll, "Completed!"}},
    {"sldPTSpeed", "2"}, {"sldPan", "100", "83:43:04:64"}, {"optFactorySettings:2"},
    {"cmdExecLoadFactorySettings", "", "83:45:32:01", "", "sldPTSpeed=5;sldPan=100", {kResetKeep, "Completed!"}},
    // unanswered: no "Completed!", the console goes back to its defaults all the same
    {"sldPTSpeed", "2"}, {"optFactorySettings:1"},
    {"cmdExecLoadFactorySettings", "", "83:45:32:00", "", "sldPTSpeed=5;sldPan=3200;optFactorySettings=0",
     {kResetAll, kCable}, "83:45:32=NL"},
};
// clang-format on


const char* const kAskSave = "Are you sure to save current cahnges to the camera?";
const char* const kAskTitles = "Continuously, is a position title load?";

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestWindow : public dxtest::RigTest {
    Q_OBJECT

    // A control's value, list items (the current one starred), text, check
    // mark, or enabled state ("1"/"0", for a name ending in ".on").
    QString value(const QString& name) {
        if (name.endsWith(".on")) return QString::number(rig->w<QWidget>(qPrintable(name.chopped(3)))->isEnabled());
        QObject* c = rig->w<QObject>(qPrintable(name));
        QString v = c->property("text").toString();  // a box's, a label's, a button's
        if (auto* b = qobject_cast<QComboBox*>(c))
            for (int i = 0; i < b->count(); ++i) v += (i == b->currentIndex() ? "*" : "") + b->itemText(i) + " ";
        if (auto* s = qobject_cast<QSlider*>(c)) v = QString::number(s->value());
        if (auto* g = qobject_cast<QButtonGroup*>(c)) v = QString::number(g->checkedId());
        if (auto* a = qobject_cast<QAction*>(c)) v = a->isChecked() ? "on" : "off";
        return v.trimmed();
    }
    // The values, "|" between; "+" after a widget shown and enabled, "-" after one hidden and disabled.
    QString look(std::initializer_list<const char*> names) {
        QStringList out;
        for (const char* n : names) {
            auto* w = QString(n).endsWith(".on") ? nullptr : qobject_cast<QWidget*>(rig->w<QObject>(n));
            out << value(n) + (w && w->isEnabled() != w->isHidden() ? w->isEnabled() ? "+" : "-" : "");
        }
        return out.join('|');
    }
    // Stops every axis at a known place: pan 84:43:04:07:68, tilt 84:43:05:01:48, zoom 83:43:02:05,
    // focus 84:43:03:02:2C, iris 83:43:00:64.
    void park() {
        auto s = rig->sim.state();
        for (int a = 0; a < 5; ++a) s.motion[a] = s.motionSpeed[a] = 0;
        for (auto [item, value] : {std::pair{0x04, 1000}, {0x05, 200}, {0x02, 5}, {0x03, 300}, {0x00, 100}})
            s.value03[item] = value;
        rig->sim.setState(s);
    }
    // A key held on a widget with the focus: it repeats before the release.
    void hold(const QString& key, QWidget* w) {
        const QKeyCombination k = QKeySequence::fromString(key)[0];
        rig->win->activateWindow();
        w->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w);
        for (auto [type, repeat] : {std::pair{QEvent::KeyPress, false}, {QEvent::KeyRelease, true},
                                    {QEvent::KeyPress, true}, {QEvent::KeyRelease, false}}) {
            QKeyEvent e(type, k.key(), k.keyboardModifiers(), QString(), repeat);
            QApplication::sendEvent(w, &e);
        }
    }
    void act(const Row& row, const QStringList& want, qsizetype press) {
        const QString name = row.control, value = QString::fromUtf8(row.value);
        if (name.contains('>')) return hold(name.section('>', 0, 0), rig->w<QWidget>(qPrintable(name.section('>', 1))));
        if (name.contains(':'))
            return rig->opt(qPrintable(name.section(':', 0, 0)), name.section(':', 1).toInt())->click();
        QObject* c = rig->w<QObject>(row.control);
        if (auto* s = qobject_cast<QSlider*>(c)) s->setValue(value.toInt());
        if (auto* l = qobject_cast<QComboBox*>(c)) l->setCurrentIndex(value.toInt());
        if (auto* k = qobject_cast<QCheckBox*>(c)) k->setChecked(value == "1");
        if (auto* e = qobject_cast<QLineEdit*>(c)) e->setText(value);
        if (auto* p = qobject_cast<QPushButton*>(c)) QTest::mouseClick(p, Qt::LeftButton);
        if (auto* a = qobject_cast<QAction*>(c)) a->trigger();
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
        for (const QString& a : row.ask)
            r.dialogs.expectMessage((a.startsWith("N:") ? a.mid(2) : a).toStdString(),
                                    a.startsWith("N:") ? dxcmd::Answer::No
                                    : a.endsWith("?")  ? dxcmd::Answer::Yes : dxcmd::Answer::Ok);
        using dxsim::Fault;
        if (const QString f = row.fault; !f.isEmpty())
            r.sim.injectFault(f.split('=')[0].toStdString(), f.endsWith("=NL") ? Fault::NoReply : Fault::BadFirstByte);
        QStringList want = QString(row.frames).split(' ', Qt::SkipEmptyParts);
        const qsizetype press = want.indexOf("|");
        want.removeAll("|");
        act(row, want, press);
        QCOMPARE(r.frames(want.size()), want);
        QVERIFY2(!r.dialogs.pending() && r.failures.isEmpty(), qPrintable(r.failures.join('\n')));
        const QMap<QString, QString> groups{{"42", "VALUE02"}, {"43", "VALUE03"}, {"45", "TRIGGER"}, {"46", "STRING"}};
        for (const QString& k : QString(row.key).split(';', Qt::SkipEmptyParts)) {
            const QString value = k.contains('=') ? k.section('=', 1) : want.value(0);
            const QString section = k.startsWith('[') ? k.mid(1).section(']', 0, 0) : groups.value(value.mid(3, 2));
            QCOMPARE(r.key(qPrintable(section), qPrintable(k.section('=', 0, 0).section(']', -1))), value);
        }
        for (const QString& a : QString(row.after).split(';', Qt::SkipEmptyParts))
            QCOMPARE(a.section('=', 0, 0) + "=" + value(a.section('=', 0, 0)), a);
    }

    // Selects a button without running its handler, then refreshes.
    void refreshWith(const char* group, int id) {
        QAbstractButton* b = rig->opt(group, id);
        const QSignalBlocker block(rig->w<QButtonGroup>(group)), blockButton(b);
        b->setChecked(true);
        rig->win->RefreshControlStates();
    }
    int16_t sendSet() { return rig->win->commands().ExecCmd("82:45:2A", "A0", "", ""); }

    QTreeWidget* list() { return rig->w<QTreeWidget>("lswPresetPosition"); }
    QString text(int row, int column) { return list()->topLevelItem(row)->text(column); }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        list()->scrollToItem(list()->topLevelItem(row));
        const QPoint at = list()->visualItemRect(list()->topLevelItem(row)).center();
        QTest::mouseClick(list()->viewport(), button, {}, at);
    }
    // Selects and loads a row; what that sent is forgotten.
    void pick(int row) {
        rig->sim.clearReceived();
        clickRow(row);
        rig->frames(17);
        rig->sim.clearReceived();
    }
    void menu(const char* item) { rig->w<QAction>(item)->trigger(); }
    QString path(const char* name) { return rig->dir.filePath(name); }
    void load(const QString& file) {
        rig->dialogs.expectOpenFile(file.toStdString());
        menu("mnuLoadSettingFile");
    }
    // The transfer window's title and text each time they change while a job runs; then `also`.
    void watchTransfers(QStringList& seen, std::function<void(QWidget&)> also = {}) {
        rig->onWait = [&seen, also] {
            if (auto* w = dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxtest::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
                if (also) also(*w);
            }
        };
    }
    // No row marked "Selected", so Save Position sends and asks nothing.
    void unmarked() {
        QVERIFY(list()->findItems("Selected", Qt::MatchExactly, 2).isEmpty());
        rig->sim.clearReceived();
        menu("pmnuSavePosition");
        QVERIFY(rig->sim.received().empty());
    }
    QStringList queries() {
        QStringList q;
        for (const auto& f : rig->sim.received())
            if (f != "A0") q << QString::fromStdString(f);
        return q;
    }

private slots:
    void eachControlSendsItsCommand() {
        OPEN_RIG();
        auto s = r.sim.state();
        s.selectedPreset = 7;
        r.sim.setState(s);
        for (const Row& row : kTable) {
            run(row);
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(QString("at %1 %2").arg(row.control, row.value)));
        }
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
            if (how == 4) r.dialogs.expectMessage("Are you sure to exit program? (Was a setup saved by "
                                                  "<Save Parameter Button> or <Position Save Menu>?)");
            if (how == 4) QVERIFY(r.win->close() && !r.win->isVisible());
            const QStringList stopped{"83:45:0C:02", "82:45:0E", "82:03:02", "A0"};
            QCOMPARE(r.frames(4), stopped);
            QTest::mouseRelease(b, Qt::LeftButton);
            r.w<QSlider>("sldPan")->setValue(100);  // whatever the release sent comes before this
            QCOMPARE(r.frames(5), stopped + QStringList{"83:43:04:64"});
            closeRig();
        }
    }

    // A release that comes in while the start command still waits for the
    // camera stops the movement once that exchange is over.
    void releaseDuringTheStartExchange() {
        OPEN_RIG();
        r.onWait = [] { QCoreApplication::processEvents(); };
        r.sim.setTurnaroundMs(60);
        auto* b = r.w<QToolButton>("cmdRight");
        const QPointF at(b->rect().center());
        QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at),
                                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
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
        QTest::mouseClick(r.w<QToolButton>("cmdUpRight"), Qt::LeftButton);
        r.state.CommStyle = 0;
        r.w<QSlider>("sldPan")->setValue(100);  // the first thing on the line
        QCOMPARE(r.frames(1), QStringList{"83:43:04:64"});
    }

    // ---- the window itself
    void startsWithItsDefaultsAndSendsNothing() {
        OPEN_RIG();
        QCOMPARE(QString::fromStdString(r.state.CurrentFile), r.dir.filePath("current.orn"));
        QCOMPARE(contents(r.dir.filePath("current.orn")),
                 "[OPTION]\r\nMODEL=1\r\nCOMPORT=1\r\nDEVICETYPE=1\r\n[APPTYPE]\r\nAPPNAME=DX410_430\r\n");
        QVERIFY(r.sim.received().empty());
        QVERIFY(r.state.CommPort == 1 && r.state.CommDeviceType == 1 && r.state.CommStyle == 0 && !r.state.busy());
        QVERIFY(r.state.MachineID == "0" && !r.w<QAction>("mnuDeviceType_2")->isVisible());
        // the log menu is the diagnostic program's
        QVERIFY(!r.w<QAction>("mnuLog")->isVisible() && !r.w<QAction>("mnuLog")->isEnabled());
        QCOMPARE(r.win->windowTitle(), "ORN CCTV Camera  DX-410 / DX-430  Controller");
        QCOMPARE(look({"lblModel", "lblCom", "lblInterface", "mnuTkc_1", "fraBW", "cboSenseUpPriority"}),
                 "DX-410+|COM<u>1</u>+|RS422A+|on|-|*Motion Picture-");
        QVERIFY(list()->topLevelItemCount() == 100 && list()->headerItem()->text(1) == "Position Title");
        QCOMPARE(text(0, 0) + text(0, 1) + text(7, 0) + text(7, 1) + text(99, 0) + text(99, 1) + text(7, 2),
                 "0000  No information77  No information9999  No information");
        QCOMPARE(look({"sldPan", "sldTilt", "sldPTSpeed", "sldZoomSpeed", "sldFocusSpeed", "sldWhiteBalanceRB",
                       "sldWhiteBalanceMgG", "sldShutterExDRLevel", "cboIrisMode", "cboShutterSpeed"}),
                 "3200+|1600+|5+|2+|1+|95|63|0|Manual *Auto Auto(+) Auto(-)+|"
                 "*1/120 1/250 1/500 1/1000 1/2000 1/4000 1/10000");
        for (auto [name, min, max, page] : {std::tuple{"sldPan", 0, 6399, 45}, {"sldTilt", 0, 6400, 45},
                                            {"sldWhiteBalanceRB", 0, 255, 16}, {"sldLevelAdjColour", -5, 5, 1}}) {
            auto* s = r.w<QSlider>(name);
            QVERIFY2(s->minimum() == min && s->maximum() == max && s->pageStep() == page, name);
        }
        // tilt 0 is at the top, where its label is
        QVERIFY(r.w<QSlider>("sldTilt")->invertedAppearance() && r.w<QSlider>("sldTilt")->invertedControls());
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 0);
        // a list's accessible name is its current item: its caption, not the frame's, labels it
        for (auto [box, caption] : {std::pair{"cboIrisMode", "Iris"}, {"cboShutterSpeed", "Speed"},
                                    {"cboSenseUpSelect", "Sense up"}, {"cboSenseUpPriority", "Priority"}}) {
            const auto l = QAccessible::queryAccessibleInterface(r.w<QWidget>(box))->relations(QAccessible::Label);
            QVERIFY2(l.size() == 1 && l[0].first->text(QAccessible::Name) == caption, box);
        }
    }

    // The DX-430 adds black-and-white mode, IR light, ALC priority and more
    // sense-up steps; a switch is the console's business only.
    void modelProfiles() {
        OPEN_RIG();
        const auto only430 = {"fraBW", "fraBWLevelAuto", "fraBWLightType", "cboSenseUpPriority", "lblSenseUpPriority",
                              "optBW_6", "optBWLightType_1"};
        r.w<QAction>("mnuTkc_0")->trigger();
        QCOMPARE(look({"lblModel", "mnuTkc_0", "mnuTkc_1", "cboSenseUpSelect"}),
                 "DX-430+|on|off|*Off x2 x4 x8 x16 x32 x24+");
        QCOMPARE(look(only430), "+|+|+|*Motion Picture+|Priority+|Alarm4+|IR+");
        QVERIFY(r.win->isDX430() && r.key("OPTION", "MODEL") == "0");
        r.state.InitializingConsole = true;  // a value the camera reported; the switch back drops it
        r.w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        r.state.InitializingConsole = false;
        r.w<QAction>("mnuTkc_1")->trigger();
        QCOMPARE(look({"lblModel", "mnuTkc_0", "mnuTkc_1", "cboSenseUpSelect"}), "DX-410+|off|on|*Off x2+");
        QCOMPARE(look(only430), "-|-|-|*Motion Picture-|Priority-|Alarm4-|IR-");
        QVERIFY(!r.win->isDX430() && r.key("OPTION", "MODEL") == "1" && r.sim.received().empty());
    }

    void portAndInterfaceMenus() {
        OPEN_RIG();
        auto* status = r.w<QLabel>("lblPortStatus");
        QCOMPARE(status->text(), QString::fromStdString("COM1: " + r.sim.devicePath()));
        setenv("DX410_COM1", "/nonexistent/dx410-port", 1);  // only port 3 reaches the camera now
        setenv("DX410_COM3", r.sim.devicePath().c_str(), 1);
        r.w<QAction>("mnuCom_2")->trigger();
        QCOMPARE(look({"lblCom", "mnuCom_0", "mnuCom_1", "mnuCom_2", "mnuCom_3"}), "COM<u>3</u>+|off|off|on|off");
        QVERIFY(r.key("OPTION", "COMPORT") == "3" && status->text().startsWith("COM3"));
        QCOMPARE(sendSet(), int16_t(0));
        QCOMPARE(r.sim.received(), std::vector<std::string>{"82:45:2A"});
        QCOMPARE(r.w<QLabel>("lblACKResult")->text(), "Matched!");
        QVERIFY(!QApplication::overrideCursor());
        // a port that cannot be opened says why, beside the cable message
        r.w<QAction>("mnuCom_0")->trigger();
        r.dialogs.expectMessage(std::string(kCable) +
                                "\r\nCOM1 (/nonexistent/dx410-port) could not be opened: not found.");
        QCOMPARE(sendSet(), int16_t(2));
        QCOMPARE(status->text(), "COM1 (/nonexistent/dx410-port) could not be opened: not found.");
        // no permission is the usual trouble on a fresh desktop: say what to do
        r.win->showPortStatus("/dev/ttyS0", dxlink_port_error_text(static_cast<int>(dxlink::PortError::Permission)));
        QVERIFY(status->text().contains("dialout"));
        r.win->showPortStatus("/dev/ttyS0", dxlink_port_error_text(static_cast<int>(dxlink::PortError::Busy)));
        QVERIFY(!status->text().contains("dialout"));
        unsetenv("DX410_COM3");
        r.w<QAction>("mnuDeviceType_1")->trigger();
        QCOMPARE(look({"lblInterface", "mnuDeviceType_0", "mnuDeviceType_1"}), "RS485+|off|on");
        QVERIFY(r.state.CommDeviceType == 2 && r.key("OPTION", "DEVICETYPE") == "2");
        r.win->mnuDeviceType_Click(2);  // the hidden item, as a setting file selects it
        QCOMPARE(look({"lblInterface", "mnuDeviceType_1", "mnuDeviceType_2"}), "RS232C+|off|on");
        QCOMPARE(r.key("OPTION", "DEVICETYPE"), "3");
    }

    void multiDropAndCameraNumber() {
        OPEN_RIG({.multiDropCameras = 16, .paced = false});
        const auto cams = r.w<QButtonGroup>("optCamSel")->buttons();
        auto camsAre = [&](bool on) {
            return cams.size() == 32 && std::ranges::all_of(cams, [&](auto* b) { return b->isEnabled() == on; }) &&
                   std::ranges::none_of(cams, [](auto* b) { return b->isChecked(); });
        };
        r.state.UpdatingFromCamera = true;  // the notice waits out a load from the camera
        r.opt("optCommunicationStyle", 1)->click();
        r.state.UpdatingFromCamera = false;
        r.dialogs.expectMessage(
            "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.");
        r.opt("optCommunicationStyle", 0)->click();
        QVERIFY(!r.w<QGroupBox>("fraCamSel")->isEnabled());
        r.opt("optCommunicationStyle", 1)->click();  // said once only
        QVERIFY(r.dialogs.shown().size() == 1 && r.dialogs.shown().back().icon == dxcmd::Icon::Information);
        QVERIFY(r.key("COMMUNICATION", "STYLE") == "1" && camsAre(true));
        QCOMPARE(r.w<QLabel>("lblAddressedCamera")->text(), "No camera chosen");
        r.dialogs.expectMessage("Please choose a camera number.");  // refused before anything reaches the line
        QCOMPARE(sendSet(), dxcmd::kStatusRefused);
        QVERIFY(r.sim.received().empty());
        r.opt("optCamSel", 9)->click();
        QCOMPARE(r.key("COMMUNICATION", "MACHINE ID"), "0A");
        QCOMPARE(sendSet(), int16_t(0));
        QCOMPARE(r.sim.received(), std::vector<std::string>{"B1:01:0A:82:45:2A"});
        r.opt("optCamSel", 31)->click();
        QCOMPARE(r.w<QLabel>("lblAddressedCamera")->text(), "Camera 32");
        // back to one camera: numbers off, camera kept
        r.opt("optCommunicationStyle", 0)->click();
        QVERIFY(r.key("COMMUNICATION", "STYLE") == "0" && !r.w<QGroupBox>("fraCamSel")->isEnabled() && camsAre(false));
        QCOMPARE(r.w<QLabel>("lblAddressedCamera")->text(), "P to P");
        r.opt("optCommunicationStyle", 1)->click();
        QVERIFY(camsAre(true));  // none shown chosen after the refresh; the camera is still named
        QCOMPARE(r.w<QLabel>("lblAddressedCamera")->text(), "Camera 32");
    }

    // Option > "Scan Line..." is there for a multi-drop line only; the cameras that answer are in bold, titled.
    void scanLine() {
        OPEN_RIG({.multiDropCameras = 2, .paced = false});
        auto* scan = r.w<QAction>("mnuScanLine");
        QVERIFY(!scan->isEnabled());
        r.dialogs.expectMessage(
            "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.");
        r.opt("optCommunicationStyle", 1)->click();
        auto cam = r.sim.state(2);
        cam.title = "LOBBY";
        r.sim.setState(cam, 2);
        scan->trigger();
        for (auto [id, tip] : {std::pair{1, "DX-430"}, {2, "LOBBY"}, {3, ""}, {32, ""}}) {
            QAbstractButton* b = r.opt("optCamSel", id - 1);
            QVERIFY2(b->font().bold() == (id <= 2) && b->toolTip() == tip, tip);
        }
        QCOMPARE(r.state.MachineID, "0");  // the scan leaves no camera addressed
    }

    void enabledStates() {
        OPEN_RIG();
        // shutter speed, ExDR level, manual white balance, factory reset, auto modes, camera numbers
        const auto tracked = {
            "cboShutterSpeed.on", "lblShutterSpeed.on", "lblExDRLevel.on", "sldShutterExDRLevel.on",
            "lblExDRLevelMin.on",
            "lblExDRLevelMax.on", "sldWhiteBalanceRB.on", "lblWhiteBalanceRB.on", "lblWhiteBalanceRBMin.on",
            "lblWhiteBalanceRBMax.on", "sldWhiteBalanceMgG.on", "lblWhiteBalanceMgG.on", "lblWhiteBalanceMgGMin.on",
            "lblWhiteBalanceMgGMax.on", "cmdExecLoadFactorySettings.on", "optAuto_0.on", "optAuto_1.on", "optAuto_2.on",
            "optAuto_3.on", "fraCamSel.on"};
        auto on = [&] {
            QString s = look(tracked).remove('|');
            for (int at : {2, 7, 16, 18, 23}) s.insert(at, ' ');
            return s;
        };
        QCOMPARE(on(), "00 0000 00000000 0 1111 0");  // Normal shutter, ATW, no reset, P to P
        for (auto [group, id, states] : {std::tuple{"optAuto", 2, "00 0000 00000000 0 1010 0"},
                                         {"optAuto", 0, "00 0000 00000000 0 1111 0"},
                                         {"optShutter", 1, "11 0000 00000000 0 1111 0"},
                                         {"optShutter", 2, "00 1111 00000000 0 1111 0"},
                                         {"optShutter", 5, "00 1111 00000000 0 1111 0"},  // M.ExDR, AES: as they were
                                         {"optWhiteBalance", 4, "00 1111 11111111 0 1111 0"},
                                         {"optFactorySettings", 2, "00 1111 11111111 1 1111 0"},
                                         {"optCommunicationStyle", 1, "00 1111 11111111 1 1111 1"},
                                         {"optFactorySettings", 0, "00 1111 11111111 0 1111 1"}}) {
            refreshWith(group, id);
            QVERIFY2(on() == states, qPrintable(group + on()));
        }
        for (bool* flag : {&r.state.LoadingSettingFile, &r.state.UpdatingFromCamera}) {
            *flag = true;  // nothing changes while a load fills the console
            refreshWith("optCommunicationStyle", 0);
            refreshWith("optFactorySettings", 1);
            *flag = false;
            QCOMPARE(on(), "00 1111 11111111 0 1111 1");
        }
        // the handlers that change what is enabled refresh, also when they send nothing
        for (auto [group, id] : {std::pair{"optShutter", 4}, {"optShutter", 5}, {"optWhiteBalance", 1}, {"optAuto", 1},
                                 {"optAuto", 0}}) {
            r.w<QWidget>("cmdExecLoadFactorySettings")->setEnabled(false);
            r.opt(group, id)->click();
            QVERIFY2(r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled(), group);
        }
    }

    // On an 800 x 600 screen every control has its room, the sliders enough to
    // set a value by mouse.
    void fitsTheSmallestScreen() {
        OPEN_RIG();
        r.w<QAction>("mnuTkc_0")->trigger();  // the model with every control shown
        const QSize frame(12, 40), need = r.win->minimumSizeHint();  // frame and title bar of a typical desktop
        QVERIFY2(need.width() + frame.width() <= 800 && need.height() + frame.height() <= 600,
                 qPrintable(QString("minimum %1 x %2").arg(need.width()).arg(need.height())));
        r.win->resize(QSize(800, 600) - frame);
        QVERIFY(QTest::qWaitForWindowExposed(r.win.get()));
        auto at = [&](QWidget* c) { return QRect(c->mapTo(r.win.get(), QPoint(0, 0)), c->size()); };
        auto* tab = r.w<QTabWidget>("tabCameraCtrl");
        QStringList bad;
        for (int page = 0; page < tab->count(); ++page) {
            tab->setCurrentIndex(page);
            r.win->layout()->activate();
            for (auto* c : r.win->centralWidget()->findChildren<QWidget*>()) {
                const QString n = c->objectName();
                if (!c->isVisible() || n.isEmpty() || n.startsWith("qt_")) continue;
                const QSize min = c->minimumSizeHint();
                if (!at(r.win->centralWidget()).contains(at(c)) || c->width() < min.width() ||
                    c->height() < min.height())
                    bad << n;
                auto* s = qobject_cast<QSlider*>(c);
                if (!s) continue;
                const int length = s->orientation() == Qt::Horizontal ? s->width() : s->height();
                if (length < (n == "sldPan" ? 250 : n == "sldTilt" ? 150 : 120)) bad << n;
            }
        }
        bad.removeDuplicates();
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(", ")));
    }

    // A start check that fails ends the load before any of the console's set-up.
    void failedStartCheckStopsTheLoad() {
        int checks = 0;
        QVERIFY(!open({.paced = false}, [&](dxconsole::ConsoleDeps& d) { d.startChecks = [&] { return !++checks; }; }));
        QVERIFY(checks == 1 && rig->state.CurrentFile.empty() && !QFile::exists(rig->dir.filePath("current.orn")));
        QVERIFY(rig->w<QLabel>("lblModel")->text().isEmpty());
    }

    // ---- the program shell around the window
    void startChecks() {
        QVERIFY(dxshell::ScreenSizeAccepted(800, 600) && dxshell::ScreenSizeAccepted(1920, 1080));
        QVERIFY(!dxshell::ScreenSizeAccepted(800, 599) && !dxshell::ScreenSizeAccepted(799, 600));
        rig = std::make_unique<dxtest::ConsoleRig>(dxsim::Options{});  // for its dialogs only
        auto& dialogs = rig->dialogs;
        QTemporaryDir dir;
        dxshell::InstanceLock first(dir.filePath("lock").toStdString()), second(dir.filePath("lock").toStdString());
        QVERIFY(first.acquire());
        QSize screen(1024, 768);
        dxshell::StartupChecks other(dialogs, second, [&] { return screen; });
        dialogs.expectMessage("This application is already running.");
        QVERIFY(!other.run());
        dxshell::StartupChecks mine(dialogs, first, [&] { return screen; });
        QVERIFY(mine.run() && mine.run());  // the holder passes again: the main window repeats the checks
        screen = QSize(800, 599);
        dialogs.expectMessage("This application is required Super VGA (800 x 600) or higher-resolution.");
        QVERIFY(!mine.run());
        const auto& shown = dialogs.shown();
        QVERIFY(shown[0].title == "Error" && shown[1].title == "Resolution Error");
        QVERIFY(shown[0].icon == dxcmd::Icon::Critical && shown[1].icon == dxcmd::Icon::Critical);
        first.release();  // gone with its holder
        QVERIFY(second.acquire());
        // no lock file can be made there: that is no sign of another copy
        dxshell::InstanceLock nowhere(dir.filePath("no/such/dir/DX410.lock").toStdString());
        QVERIFY(nowhere.acquire() && !nowhere.held());

        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        QCOMPARE(QString::fromStdString(dxshell::InstanceLock::DefaultPath()), dir.filePath("DX410.lock"));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(dxshell::InstanceLock::DefaultPath(), "/tmp/DX410-" + std::to_string(getuid()) + ".lock");
        if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);

        // the diagnostic program, its replies picked by hand, keeps a record of its own
        QVERIFY(QDir(dir.path()).mkpath("bin"));
        const std::string bin = dir.filePath("bin").toStdString(), home = dir.filePath("home").toStdString();
        for (auto [diag, inst, file] :
             {std::tuple{false, false, "bin/current.orn"}, {true, false, "bin/current-diagnostic.orn"},
              {false, true, "home/DX410/current.orn"}, {true, true, "home/DX410-diagnostic/current-diagnostic.orn"}}) {
            const auto p = dxshell::RecordPlaceFor(diag, inst, bin, home);
            QCOMPARE(dxcmd::ResolveCurrentFile(p.programDir, p.userDir, p.fileName), dir.filePath(file).toStdString());
        }
    }

    // A click, a key or the timer opens the main window, once.
    void splashOpensTheMainWindowOnce() {
        for (int how = 0; how < 3; ++how) {
            int opened = 0;
            dxshell::frmSplash splash([&] { ++opened; });
            QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(need<QLabel>(splash, "lblVersion")->text(), "Version 1.0.0");
            QCOMPARE(need<QLabel>(splash, "lblCompanyProduct")->text(), "ORN CCTV");
            QVERIFY(!need<QLabel>(splash, "imgLogo")->pixmap().isNull());
            for (const char* n : {"lblProductName", "lblCompany", "lblCopyright", "lblWarning"})
                QVERIFY2(need<QLabel>(splash, n)->text().isEmpty(), n);
            splash.show();
            QVERIFY(QTest::qWaitForWindowExposed(&splash));
            auto* timer = need<QTimer>(splash, "Timer1");
            QVERIFY(timer->isActive() && timer->isSingleShot() && timer->interval() == 2000);
            if (how == 0) QTest::mouseClick(need<QFrame>(splash, "Frame1"), Qt::LeftButton);
            if (how == 1) QTest::keyClick(&splash, Qt::Key_Space);
            QTRY_COMPARE_WITH_TIMEOUT(opened, 1, 5000);
            QVERIFY(!splash.isVisible() && !timer->isActive());
            splash.Timer1_Timer();  // a late tick, click or key opens no second window
            splash.Frame1_Click();
            QTest::keyClick(&splash, Qt::Key_Space);
            QCOMPARE(opened, 1);
        }
    }

    void messageBoxesAndFileFilters() {
        using namespace dxcmd;
        auto box = dxconsole::BuildMessageBox("Receive failed.\r\nCommand =82:02:00\r\nResult =NL", "", Icon::Critical,
                                              Buttons::Ok, Answer::Ok, nullptr);
        QVERIFY(box->text() == "Receive failed.\nCommand =82:02:00\nResult =NL" && box->windowTitle() == "ORN CCTV");
        QVERIFY(box->icon() == QMessageBox::Critical && box->standardButtons() == QMessageBox::Ok);
        box = dxconsole::BuildMessageBox("Upload?", "Upload", Icon::Question, Buttons::YesNo, Answer::No, nullptr);
        QVERIFY(box->windowTitle() == "Upload" && box->icon() == QMessageBox::Question);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
        box = dxconsole::BuildMessageBox("Exit?", "", Icon::Question, Buttons::OkCancel, Answer::Ok, nullptr);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
        box = dxconsole::BuildMessageBox("Completed!", "", Icon::Information, Buttons::Ok, Answer::Ok, nullptr);
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(dxconsole::QtFileFilter("Setting File(*.dat)|*.dat|ALL Files(*.*)|*.*|"),
                 "Setting File(*.dat);;ALL Files(*.*)");
        QCOMPARE(dxconsole::QtFileFilter("Logs|*.txt;*.log|") + dxconsole::QtFileFilter(""), "Logs (*.txt *.log)");
    }

    // The diagnostic program touches no port and shows the log menu; the log
    // window writes its file in CRLF lines and closes with the main window.
    void logWindowOfTheDiagnosticProgram() {
        std::unique_ptr<dxshell::frmLog> log;
        OPEN_RIG({.paced = false}, [&](dxconsole::ConsoleDeps& d) {
            log = std::make_unique<dxshell::frmLog>(*d.dialogs);
            d.diagnostic = true;
            d.log = log.get();
        });
        r.win->commands().setReplyPicker([](dxcmd::ProgramState& s) { s.SimulatedReply = "83:42:00:07"; });
        r.w<QAction>("mnuLog")->trigger();
        QVERIFY(r.w<QAction>("mnuLog")->isVisible() && log->shown());
        QTest::mouseClick(r.w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(r.w<QPushButton>("cmdPosCall"), Qt::LeftButton);
        QVERIFY(r.w<QPushButton>("cmdPosCall")->text() == "Position = 7" && r.sim.received().empty());
        r.dialogs.expectSaveFile(path("log.txt").toStdString());
        QTest::mouseClick(need<QPushButton>(*log, "cmdOut"), Qt::LeftButton);
        QCOMPARE(contents(path("log.txt")),
                 "<<ExecCmd>>SET (TRIGGER 28)\r\n82:45:2A\r\nA0\r\n0\r\n\r\n"
                 "<<ExecCmdRecv>>PRISET POSITION TITLE (VALUE02 01))\r\n82:02:00\r\nA0\r\n\r\n\r\n");
        r.dialogs.expectSaveFile(path("gone/log.txt").toStdString());
        r.dialogs.expectMessage("Output failed: the log file could not be written.");
        log->cmdOut_Click();
        QTest::mouseClick(need<QPushButton>(*log, "cmdClear"), Qt::LeftButton);
        QCOMPARE(need<QListWidget>(*log, "lstLog")->count(), 0);
        QTest::mouseClick(r.w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(need<QPushButton>(*log, "cmdClose"), Qt::LeftButton);
        r.w<QAction>("mnuLog")->trigger();
        QCOMPARE(need<QListWidget>(*log, "lstLog")->count(), 0);  // reopened empty
        r.dialogs.expectMessage(
            "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or <Position Save Menu>?)",
            dxcmd::Answer::Cancel);
        r.w<QAction>("mnuExit")->trigger();
        const auto& ask = r.dialogs.shown().back();
        QVERIFY(ask.icon == dxcmd::Icon::Question && ask.buttons == dxcmd::Buttons::OkCancel && ask.title.empty());
        // the log closes with the main window, even when that is cancelled
        QVERIFY(r.win->isVisible() && !log->shown());
        closeRig();
    }

    void aboutBox() {
        OPEN_RIG();
        dxshell::frmAbout about(r.dialogs, r.win.get(), [] { return false; });
        QCOMPARE(about.windowTitle() + "|" + need<QLabel>(about, "lblVersion")->text(), "About ORN CCTV|Version 1.0.0");
        r.dialogs.expectMessage("System Information Is Unavailable At This Time");
        QTest::mouseClick(need<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
        QVERIFY(!dxshell::StartSystemInfo({"no-such-system-info-tool"}));
        // an installed program's user learns where the settings are kept
        const QString current = QString::fromStdString(r.state.CurrentFile);
        dxshell::frmAbout named(r.dialogs, r.win.get(), [] { return false; }, current);
        QVERIFY(need<QLabel>(named, "lblCurrentFile")->text().endsWith(current));
    }

    // Each moment once, in order, each line "name microseconds" on the
    // monotonic clock; a hook only for a descriptor open for writing.
    void benchReports() {
        int p[2];
        QCOMPARE(::pipe(p), 0);
        int steps = 0;
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        {
            dxshell::BenchHook hook(p[1], false);
            QWidget a, b;
            hook.watchShow(&b, "splash-show");
            hook.watchFirstPaint(&b, "splash");
            b.show();
            QVERIFY(QTest::qWaitForWindowExposed(&b));
            QCoreApplication::processEvents();
            hook.report("open");
            hook.watchFirstPaint(&a, "shown", [&] { ++steps, hook.report("titles"); });
            a.show();
            QTRY_COMPARE(steps, 1);
            a.repaint();  // later paints report nothing
            b.repaint();
            QCoreApplication::processEvents();
        }
        QFile pipe;
        QVERIFY(steps == 1 && pipe.open(p[0], QIODevice::ReadOnly, QFile::AutoCloseHandle));
        long long last = (long long)start.tv_sec * 1000000 + start.tv_nsec / 1000;
        QStringList names;
        for (const QByteArray& line : pipe.readAll().split('\n')) {
            names << line.split(' ').value(0);
            QVERIFY2(line.isEmpty() || (line.count(' ') == 1 && line.split(' ')[1].toLongLong() >= last), line);
            last = line.split(' ').value(1).toLongLong();
        }
        QCOMPARE(names, QStringList({"splash-show", "splash", "open", "shown", "titles", ""}));
        // the descriptor's mode ("-": the value as it is), DX410_BENCH_TITLE_LOAD, hooked, title load
        for (auto [fd, titles, hooked, titleLoad] :
             {std::tuple{"", "", false, false}, {"-three", "", false, false}, {"-999", "", false, false},
              {"r", "1", false, false}, {"w", "", true, false}, {"rw", "1", true, true}, {"w", "yes", true, false}}) {
            const QByteArray mode = fd;
            const int opened = mode.isEmpty() || mode[0] == '-' ? -1 : ::open("/dev/null", mode == "r" ? O_RDONLY
                                                                          : mode == "w" ? O_WRONLY : O_RDWR);
            if (!mode.isEmpty()) qputenv("DX410_BENCH_FD", opened >= 0 ? QByteArray::number(opened) : mode.mid(1));
            if (*titles) qputenv("DX410_BENCH_TITLE_LOAD", titles);
            const auto hook = dxshell::BenchHook::FromEnvironment();
            qunsetenv("DX410_BENCH_FD");
            qunsetenv("DX410_BENCH_TITLE_LOAD");
            QVERIFY2(bool(hook) == hooked && (!hook || hook->titleLoad() == titleLoad), fd);
            if (opened >= 0 && !hook) ::close(opened);  // a hook owns its descriptor
        }
    }

    // The status labels: their text is selectable while the mouse is over one
    // or text is selected in it, and a new text, however long, relayouts nothing.
    void statusLabels() {
        OPEN_RIG();
        auto* l = r.w<QLabel>("lblCommand");
        QCursor::setPos(0, 0);  // away from the label: only the test's own events count
        // E enter, L leave, S select all, T new text
        for (auto [steps, selectable] : {std::pair{"", false}, {"E", true}, {"EL", false}, {"ESL", true},
                                         {"ESLTEL", false}, {"ET", true}, {"ELL", false}}) {
            for (const char* c = *steps ? steps : "L"; *c; ++c) {
                QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), l->mapToGlobal(QPointF(2, 2)));
                QEvent leave(QEvent::Leave);
                if (*c == 'E' || *c == 'L') QApplication::sendEvent(l, *c == 'E' ? &enter : &leave);
                if (*c == 'S') l->setSelection(0, 5);
                if (*c == 'T') r.win->setCommandLabel("82:06:02");
                QCoreApplication::processEvents();
            }
            QVERIFY2(l->textInteractionFlags() == (selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction),
                     steps);
            r.win->setCommandLabel("83:42:13:01");  // no selection left over
        }
        struct Count : QObject {
            int n = 0;
            bool eventFilter(QObject*, QEvent* e) override { return n += e->type() == QEvent::LayoutRequest, false; }
        } relayouts;
        r.win->centralWidget()->installEventFilter(&relayouts);
        for (const char* t : {"83:42:13:01", "", "Error! a much longer text than the label is wide, and more"}) {
            r.win->setAckResult(t);
            QCoreApplication::processEvents();
        }
        QVERIFY(relayouts.n == 0 && r.w<QLabel>("lblACKResult")->text().startsWith("Error!"));
        r.win->resize(r.win->size() + QSize(100, 0));  // the window's own resizes still reach the label
        QTRY_VERIFY(l->width() == l->parentWidget()->width() && l->parentWidget() != r.win->centralWidget());
    }

    // ---- the preset list, the title boxes, the file menu, the dump buttons and the transfer window
    void presetList() {
        OPEN_RIG();
        auto s = r.sim.state();
        s.presetTitles[12] = "GATE";
        s.presets[12].pan = 5000;
        s.presets[12].blcArea = 4;
        r.sim.setState(s);
        clickRow(12);
        QCOMPARE(r.frames(17).mid(0, 4), (QStringList{"83:42:00:0C", "82:06:02", "A0", "82:03:04"}));
        QCOMPARE(text(12, 1) + "|" + text(12, 2), "GATE|Selected");
        QVERIFY(r.w<QSlider>("sldPan")->value() == 5000 && r.opt("optBLCArea", 4)->isChecked());
        QVERIFY(!r.state.UpdatingFromCamera && r.key("VALUE03", "04-PAN POSITION").isEmpty());  // loaded, not recorded
        pick(3);
        QCOMPARE(text(12, 2) + "|" + text(3, 2), "|Selected");

        auto* pop = r.w<QMenu>("mnuPosPopup");  // by the right button, which neither selects nor sends, or Shift+F10
        for (const bool byKey : {false, true}) {
            QString named;  // the pop-up's first item names the row
            QTimer::singleShot(0, pop, [&] { if (pop->isVisible()) named = pop->actions()[0]->text(); pop->close(); });
            byKey ? QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier) : clickRow(40, Qt::RightButton);
            QCOMPARE(named, "Position No.3");
            QVERIFY(r.sim.received().empty() && list()->selectedItems().value(0) == list()->topLevelItem(3));
        }
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(r.frames(17).mid(0, 2), (QStringList{"83:42:00:03", "82:06:02"}));
        r.sim.clearReceived();
        for (auto [item, page] : {std::pair{"pmnuPositionFunction", 1}, {"pmnuPanTilt", 0}}) {
            menu(item);
            QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), page);
        }

        QCOMPARE(text(3, 2), "Selected");
        r.w<QAction>("mnuCom_1")->trigger();  // another port may reach another camera
        r.w<QAction>("mnuCom_0")->trigger();
        unmarked();

        r.sim.injectFault("83:42:00:05", dxsim::Fault::WrongAck);  // a preset the camera did not select is not loaded
        r.dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:05");
        clickRow(5);
        QCOMPARE(r.frames(1), QStringList{"83:42:00:05"});
        QCOMPARE(text(5, 1), "5  No information");
        unmarked();

        pick(50);  // a title load cancelled leaves no mark either
        bool clicked = false;
        QStringList seen;
        watchTransfers(seen, [&](QWidget& w) {
            if (!clicked && r.sim.received().size() >= 10)
                clicked = true, QTest::mouseClick(need<QPushButton>(w, "cmdCancel"), Qt::LeftButton);
        });
        r.dialogs.expectMessage("Are you sure to cancel?", dxcmd::Answer::Yes);
        r.win->RunTransferJob(dxtransfer::kPositionTitleLoad);
        QVERIFY(clicked && r.sim.received().size() < 100);  // well before row 50
        unmarked();
    }

    void saveAndClearPosition() {
        OPEN_RIG();
        unmarked();
        pick(7);
        r.dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::No);
        menu("pmnuSavePosition");
        QCOMPARE(r.frames(1), QStringList{"83:45:30:01"});  // the code set goes out anyway
        // as recorded; the empty title's trailing colon puts no byte on the line
        for (auto [title, frame] : {std::pair{"", "82:46:02:"},
                                    {"ABCDEFGHIJKL", "8E:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C"},
                                    {"ABCDEFGHIJKLM", "8F:10:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C:4D"},
                                    {"AB/CD-EF.GH:IJ,K", "8F:13:46:02:41:42:2F:43:44:2D:45:46:2E:47:48:3A:49:4A:2C:4B"}
                                    }) {
            r.sim.clearReceived();
            list()->topLevelItem(7)->setText(1, title);
            r.dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::Yes);
            r.dialogs.expectMessage("Completed!");
            menu("pmnuSavePosition");
            const QString f = frame;
            QCOMPARE(r.frames(3), (QStringList{"83:45:30:01", *title ? f : f.chopped(1), "83:45:16:01"}));
            QVERIFY(r.key("STRING", "02-POSITION TITLE No.07") == f && r.sim.state().presetTitles[7] == title);
        }
        QCOMPARE(r.key("TRIGGER", "32-CHARACTER CODE SET"), "83:45:30:01");

        pick(9);  // its pan 0
        r.dialogs.expectMessage("Are you sure to reset PRISET POSITION of No.9 data to factory settings?",
                                dxcmd::Answer::Yes);
        r.dialogs.expectMessage("Completed!");
        menu("pmnuClearPosition");
        QCOMPARE(r.frames(1), QStringList{"83:45:31:09"});
        QVERIFY(text(9, 1).isEmpty() && r.w<QSlider>("sldPan")->value() == 3200);  // and the position group reset
    }

    // The title dialog and the title boxes trim what was typed and refuse what
    // the camera cannot show; leaving a box by keyboard checks it.
    void titles() {
        OPEN_RIG();
        pick(4);
        auto edit = [&](const QString& typed, const char* button, bool refused) {
            QTimer::singleShot(0, this, [=, this] {
                auto* dlg = dxtest::ConsoleRig::shown<QDialog>("frmEditTitle");
                QVERIFY(dlg && dlg->windowTitle() == "Edit Title");
                dxtest::need<QLineEdit>(*dlg, "txtPositionTitle")->setText(typed);
                QTest::mouseClick(dxtest::need<QPushButton>(*dlg, button), Qt::LeftButton);
                QCOMPARE(dlg->isVisible(), refused);  // stays, for the box to be put right
                if (refused) dlg->reject();
            });
            menu("pmnuEditTitle");
        };
        edit("  NORTH  ", "cmdOK", false);
        QCOMPARE(text(4, 1), "NORTH");
        edit("SOUTH", "cmdCancel", false);
        r.dialogs.expectMessage(kTitleChars);
        edit("A_B", "cmdOK", true);
        QCOMPARE(text(4, 1) + "|" + text(4, 2), "NORTH|Selected");

        auto* area = r.w<QLineEdit>("txtAreaTitle");
        r.win->activateWindow();  // back from the dialog
        for (auto [typed, kept] : {std::pair{"  ZONE 1  ", "ZONE 1"}, {"ZONE_1", "ZONE_1"}}) {
            area->setFocus();
            QTRY_VERIFY(area->hasFocus());
            area->setText(typed);
            if (QString(typed) == kept) r.dialogs.expectMessage(kTitleChars);
            QTest::keyClick(area, Qt::Key_Tab);
            QVERIFY(area->text() == kept && area->hasFocus() == (QString(typed) == kept));
        }
        QVERIFY(r.sim.received().empty());  // titles are sent by Save Position only, the area title never
    }

    // What the operator set comes back from a saved file, and loading sends nothing.
    void saveAsThenLoad() {
        OPEN_RIG();
        for (auto [control, value] : {std::pair{"mnuTkc_0", ""}, {"txtCamTitle", "GATE 7"}, {"cmdCmaTitleExec", ""},
                                      {"sldTilt", "4321"}, {"chkFocusEasy", "1"}, {"cboSenseUpSelect", "6"},
                                      {"optWhiteBalance:4", ""}, {"optBWLevelAuto:2", ""}})
            act({control, value}, {}, 0);
        const auto controls = {"txtCamTitle", "mnuTkc_0", "sldTilt", "chkFocusEasy", "cboSenseUpSelect",
                               "optWhiteBalance", "optBWLevelAuto"};
        const QString before = look(controls);
        r.dialogs.expectSaveFile(path("site.dat").toStdString());
        menu("mnuSaveAs");
        QCOMPARE(contents(path("site.dat")), contents(QString::fromStdString(r.state.CurrentFile)));
        menu("mnuTkc_1");
        r.win->ResetConsole(0);
        QVERIFY(look(controls) != before);
        r.sim.clearReceived();
        load(path("site.dat"));
        QCOMPARE(look(controls), before);
        QVERIFY(r.sim.received().empty());

        r.dialogs.expectSaveFile(std::nullopt);  // cancelled: nothing at all
        menu("mnuSaveAs");
        r.dialogs.expectSaveFile(r.state.CurrentFile);
        r.dialogs.expectMessage("You can not use this filename.");
        menu("mnuSaveAs");
        r.dialogs.expectSaveFile(path("gone/site.dat").toStdString());
        r.dialogs.expectMessage("Save failed: the setting file could not be written. Nothing was changed.");
        menu("mnuSaveAs");
        QVERIFY(!QFile::exists(path("gone/site.dat")));

        auto* speed = r.w<QComboBox>("cboShutterSpeed");  // every manual speed, 1/10000 the last
        for (int i = 0; i < speed->count(); ++i) {
            r.opt("optShutter", 1)->click();
            speed->setCurrentIndex(i);
            r.dialogs.expectSaveFile(path("speed.dat").toStdString());
            menu("mnuSaveAs");
            speed->setCurrentIndex(i ? 0 : 1);
            r.opt("optShutter", 0)->click();
            load(path("speed.dat"));
            QVERIFY2(r.opt("optShutter", 1)->isChecked() && speed->currentIndex() == i, qPrintable(speed->itemText(i)));
        }
    }

    // Save Changes writes the loaded file's set through the console's own
    // handlers: the lens positions as read back, not an iris read-back that failed.
    void saveChanges() {
        for (const bool dx430 : {true, false}) {
            OPEN_RIG({.multiDropCameras = dx430 ? 0 : 32, .paced = false});
            r.dialogs.expectMessage("Please choose a file by menu Load Setting File.");
            menu("mnuSaveChanges");
            QFile f(path("set.dat"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[APPTYPE]\r\nAPPNAME=DX410_430\r\n[OPTION]\r\nMODEL=" + QByteArray(dx430 ? "0" : "1") +
                    "\r\nCOMMUNICATION STYLE=" + QByteArray(dx430 ? "0" : "1") +
                    "\r\nCOMMUNICATION MACHINE ID=03\r\n[STRING]\r\n01-CAMERA TITLE=84:46:00:41:42\r\n[VALUE03]\r\n"
                    "05-TILT POSITION=83:43:05:64\r\n03-FOCUS POSITION=84:43:03:04:00\r\n"
                    "02-ZOOM POSITION=84:43:02:01:00\r\n01-MANUAL IRIS LEVEL=NL\r\n");
            f.close();
            load(path("set.dat"));
            r.dialogs.expectMessage(kAskSave, dxcmd::Answer::No);
            menu("mnuSaveChanges");
            r.dialogs.expectOpenFile(std::nullopt);  // a cancelled load keeps the file chosen before
            menu("mnuLoadSettingFile");
            QVERIFY(r.sim.received().empty());
            QString expect =
                "83:45:30:01 84:46:00:41:42 84:43:04:19:00 83:43:05:64 83:42:22:01 84:43:03:04:00 83:42:25:00 "
                "84:43:02:01:00 83:42:11:01 83:42:0B:00 83:42:14:00 83:42:14:01 84:43:3A:01:00 83:42:0D:00 ";
            if (dx430) expect += "83:42:0E:00 ";
            expect += "83:42:15:00 83:42:13:01 83:42:12:01 83:43:14:3F 83:43:06:5F 83:42:49:00 84:43:3E:01:00 "
                      "84:43:3D:01:00 84:43:10:01:00 ";
            if (dx430) expect += "83:42:48:00 84:43:3B:01:00 83:42:47:00 ";
            expect += "83:45:16:00 83:45:16:01";
            if (!dx430) expect = "B1:01:03:" + expect.replace(" ", " B1:01:03:");  // the camera the file addressed
            r.dialogs.expectMessage(kAskSave, dxcmd::Answer::Yes);
            menu("mnuSaveChanges");
            QCOMPARE(r.frames(expect.count(' ') + 1).join(' '), expect);
            QVERIFY(r.key("VALUE03", "03-FOCUS POSITION") == "84:43:03:04:00" &&
                    r.key("VALUE03", "01-MANUAL IRIS LEVEL").isEmpty());
            closeRig();
        }
    }

    void dumpDownloadThenUpload() {
        OPEN_RIG({.turnaroundMs = 1, .dumpPackets = 8});
        QStringList seen;
        watchTransfers(seen);
        auto s = r.sim.state();
        const auto memory = s.memory;
        const std::string file = path("camera.dmp").toStdString();
        r.dialogs.expectSaveFile(std::nullopt);  // nothing goes out without a file and a yes
        r.w<QPushButton>("cmdExecDownload")->click();
        r.dialogs.expectOpenFile(std::nullopt);
        r.w<QPushButton>("cmdExecUpload")->click();
        r.dialogs.expectOpenFile(file);
        r.dialogs.expectMessage("Are you sure to upload?", dxcmd::Answer::No);
        r.w<QPushButton>("cmdExecUpload")->click();
        QVERIFY(r.sim.received().empty());

        r.dialogs.expectSaveFile(file);
        r.w<QPushButton>("cmdExecDownload")->click();
        QVERIFY(contents(path("camera.dmp")).startsWith(QByteArray::fromStdString(memory.front() + "\r\n")));
        for (size_t k = 0; k < s.memory.size(); ++k) s.memory[k] = dxsim::packetFrame(int(k), {1, 2, 3});
        r.sim.setState(s);
        r.dialogs.expectOpenFile(file);
        r.dialogs.expectMessage("Are you sure to upload?", dxcmd::Answer::Yes);
        r.w<QPushButton>("cmdExecUpload")->click();
        QVERIFY(r.sim.state().memory == memory);
        QCOMPARE(seen, QStringList({"Now Downloading...|Now Downloading from the camera...",
                                    "Now Uploading...|Now Uploading to the camera..."}));
    }

    // Connect loads the camera's values into the window, then offers the titles, not after a cancel;
    // Cancel is served while the job waits for the camera, and the window goes at once.
    void connect() {
        using dxcmd::Answer;
        // the titles too; the answer to Cancel, clicked once the preset number was asked ("": not clicked)
        for (auto [titles, cancel] : {std::pair{false, ""}, {true, ""}, {false, "Y"}, {false, "N"}}) {
            OPEN_RIG({.turnaroundMs = 1});
            auto s = r.sim.state();
            s.value03[0x04] = 1000;
            s.value02[0x13] = 3;
            s.title = "LOBBY";
            for (int p = 0; p < 100; ++p) s.presetTitles[p] = "T" + std::to_string(p);
            r.sim.setState(s);
            QStringList seen;
            bool hiddenAtOnce = false;
            int barAtClick = 0;
            watchTransfers(seen, [&](QWidget& w) {
                if (!*cancel || barAtClick || !queries().contains("82:02:14")) return;
                barAtClick = dxtest::need<QProgressBar>(w, "prbLoading")->value();
                QTest::mouseClick(dxtest::need<QPushButton>(w, "cmdCancel"), Qt::LeftButton);
                hiddenAtOnce = !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN");
            });
            if (*cancel) r.dialogs.expectMessage("Are you sure to cancel?", *cancel == 'Y' ? Answer::Yes : Answer::No);
            if (*cancel != 'Y') r.dialogs.expectMessage(kAskTitles, titles ? Answer::Yes : Answer::No);
            menu("mnuConnect");
            const bool stopped = *cancel == 'Y';  // at its next check, what it read before kept
            const qsizetype asked = queries().size();  // DX-410: 19 queries, and two for each title
            QVERIFY2(stopped ? asked < 12 : asked == (titles ? 219 : 19), qPrintable(queries().join(' ')));
            QVERIFY(r.w<QLineEdit>("txtCamTitle")->text() == "LOBBY" && r.w<QSlider>("sldPan")->value() == 1000);
            QVERIFY(r.opt("optAGC", 3)->isChecked() == !stopped && r.key("VALUE02", "08-AGC MODE").isEmpty());
            QCOMPARE(text(42, 1), titles ? "T42" : "42  No information");
            QVERIFY(!r.state.UpdatingFromCamera && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
            QVERIFY(hiddenAtOnce == stopped && (barAtClick > 0) == bool(*cancel));
            const QString load = "Now loading...|Now loading from the camera...";
            const QString titleLoad = "/Now Position Title loading...|Now Position Title loading...";
            if (!*cancel) QCOMPARE(seen.join('/'), load + (titles ? titleLoad : ""));
            closeRig();
        }
    }

    // The job reads its progress back at once, clamped to the bar; the bar shows
    // the first move at once, a quick second one by the time the job has ended.
    void progress() {
        OPEN_RIG();
        r.state.TransferJob = "NOSUCHJOB";
        dxtransfer::frmUPandDOWN w(r.win->commands(), r.win->values(), r.win.get());
        auto* bar = dxtest::need<QProgressBar>(w, "prbLoading");
        w.setValue(-5);
        w.setValue(1200);
        QVERIFY(w.value() == 1000 && bar->value() == 0);
        w.run();
        QCOMPARE(bar->value(), 1000);
        r.win->RunTransferJob("NOSUCHJOB");  // an unknown job runs nothing
        QVERIFY(r.sim.received().empty() && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
