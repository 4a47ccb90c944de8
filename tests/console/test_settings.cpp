// Setting files, Save Changes, the log window, the diagnostic program and
// the about box, driven through the window against the simulated camera.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "../support/RigTest.h"
#include "frmAbout.h"
#include "frmLog.h"

namespace {


const char* const kAskSave = "Are you sure to save current cahnges to the camera?";

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A setting file for Save Changes: the lens positions as read back, the iris
// level a read-back that failed.
QByteArray settingFile(bool dx430, bool multiDrop) {
    QByteArray t = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n[OPTION]\r\nMODEL=" + QByteArray(dx430 ? "0" : "1") +
                   "\r\nCOMMUNICATION STYLE=" + QByteArray(multiDrop ? "1" : "0") +
                   "\r\nCOMMUNICATION MACHINE ID=03\r\n[STRING]\r\n01-CAMERA TITLE=84:46:00:41:42\r\n"
                   "[VALUE03]\r\n05-TILT POSITION=83:43:05:64\r\n03-FOCUS POSITION=84:43:03:04:00\r\n"
                   "02-ZOOM POSITION=84:43:02:01:00\r\n01-MANUAL IRIS LEVEL=NL\r\n";
    return t;
}

}  // namespace

class TestSettings : public dxtest::RigTest {
    Q_OBJECT

    QString path(const char* name) { return rig->dir.filePath(QString::fromLatin1(name)); }
    void load(const QString& file) {
        rig->dialogs.expectOpenFile(file.toStdString());
        rig->w<QAction>("mnuLoadSettingFile")->trigger();
    }
    // Every control a setting file can carry, as text.
    QStringList snapshot() {
        QStringList s;
        for (const char* n : {"sldPan", "sldTilt", "sldShutterExDRLevel", "sldWhiteBalanceRB", "sldWhiteBalanceMgG",
                              "sldLevelAdjColour", "sldLevelAdjEnhance", "sldLevelAdjPedestal"})
            s << QStringLiteral("%1=%2").arg(n).arg(rig->w<QSlider>(n)->value());
        for (const char* n : {"cboIrisMode", "cboShutterSpeed", "cboSenseUpSelect", "cboSenseUpPriority"})
            s << QStringLiteral("%1=%2").arg(n).arg(rig->w<QComboBox>(n)->currentIndex());
        for (const char* n : {"optVariablePT", "optShutter", "optBLCArea", "optAGC", "optWhiteBalance", "optBW",
                              "optBWLevelAuto", "optBWLightType"})
            s << QStringLiteral("%1=%2").arg(n).arg(rig->w<QButtonGroup>(n)->checkedId());
        for (const char* n : {"chkFocusEasy", "chkAutoBlack"})
            s << QStringLiteral("%1=%2").arg(n).arg(rig->w<QCheckBox>(n)->isChecked());
        s << "title=" + rig->w<QLineEdit>("txtCamTitle")->text() << QStringLiteral("dx430=%1").arg(rig->win->isDX430());
        return s;
    }

private slots:

    // What the operator sets and the camera takes comes back from a saved file.
    void roundTrip() {
        rig->w<QAction>("mnuTkc_0")->trigger();
        rig->w<QLineEdit>("txtCamTitle")->setText("GATE 7");
        QTest::mouseClick(rig->w<QPushButton>("cmdCmaTitleExec"), Qt::LeftButton);
        rig->w<QSlider>("sldPan")->setValue(1234);
        rig->w<QSlider>("sldTilt")->setValue(4321);
        rig->opt("optVariablePT", 0)->click();
        rig->w<QCheckBox>("chkFocusEasy")->click();
        rig->w<QComboBox>("cboIrisMode")->setCurrentIndex(2);
        rig->opt("optShutter", 1)->click();
        rig->w<QComboBox>("cboShutterSpeed")->setCurrentIndex(4);
        rig->w<QSlider>("sldShutterExDRLevel")->setValue(-2);
        rig->w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        rig->w<QComboBox>("cboSenseUpPriority")->setCurrentIndex(1);
        rig->opt("optBLCArea", 5)->click();
        rig->opt("optAGC", 3)->click();
        rig->opt("optWhiteBalance", 4)->click();
        rig->w<QSlider>("sldWhiteBalanceRB")->setValue(17);
        rig->w<QSlider>("sldWhiteBalanceMgG")->setValue(250);
        rig->w<QCheckBox>("chkAutoBlack")->click();
        rig->w<QSlider>("sldLevelAdjColour")->setValue(-5);
        rig->w<QSlider>("sldLevelAdjEnhance")->setValue(5);
        rig->w<QSlider>("sldLevelAdjPedestal")->setValue(1);
        rig->opt("optBW", 4)->click();
        rig->opt("optBWLevelAuto", 2)->click();
        rig->opt("optBWLightType", 1)->click();
        const QStringList before = snapshot();

        rig->dialogs.expectSaveFile(path("site.dat").toStdString());
        rig->w<QAction>("mnuSaveAs")->trigger();
        QCOMPARE(readFile(path("site.dat")), readFile(QString::fromStdString(rig->state.CurrentFile)));
        rig->w<QAction>("mnuTkc_1")->trigger();
        rig->win->ResetConsole(0);
        QVERIFY(snapshot() != before);
        rig->sim.clearReceived();
        load(path("site.dat"));
        QCOMPARE(snapshot(), before);
        QVERIFY(rig->sim.received().empty());
    }

    void saveAsRefusals() {
        rig->dialogs.expectSaveFile(std::nullopt);  // cancelled: nothing at all
        rig->w<QAction>("mnuSaveAs")->trigger();
        const QString current = QString::fromStdString(rig->state.CurrentFile);
        const QByteArray before = readFile(current);
        QVERIFY(QFile::link(current, path("link.dat")));
        for (const QString& same : {current, path("link.dat")}) {
            rig->dialogs.expectSaveFile(same.toStdString());
            rig->dialogs.expectMessage("You can not use this filename.");
            rig->w<QAction>("mnuSaveAs")->trigger();
        }
        QCOMPARE(readFile(current), before);
        // a folder that is not there: said, not silently skipped
        rig->dialogs.expectSaveFile(path("gone/site.dat").toStdString());
        rig->dialogs.expectMessage("Save failed: the setting file could not be written. Nothing was changed.");
        rig->w<QAction>("mnuSaveAs")->trigger();
        QVERIFY(!QFile::exists(path("gone/site.dat")));
    }

    void saveChangesGuards() {
        rig->dialogs.expectMessage("Please choose a file by menu Load Setting File.");
        rig->w<QAction>("mnuSaveChanges")->trigger();
        writeFile(path("a.dat"), settingFile(true, false));
        load(path("a.dat"));
        rig->dialogs.expectMessage(kAskSave, dxcmd::Answer::No);
        rig->w<QAction>("mnuSaveChanges")->trigger();
        rig->dialogs.expectOpenFile(std::nullopt);  // a cancelled load keeps the file chosen before
        rig->w<QAction>("mnuLoadSettingFile")->trigger();
        QCOMPARE(QString::fromStdString(rig->win->console().SettingFilePath), path("a.dat"));
        QVERIFY(rig->sim.received().empty());
    }

    void saveChangesSendsTheWholeSet_data() {
        QTest::addColumn<bool>("dx430");
        QTest::addColumn<bool>("multiDrop");
        QTest::newRow("DX-430, P to P") << true << false;
        QTest::newRow("DX-410, Multi Drop") << false << true;
    }
    void saveChangesSendsTheWholeSet() {
        QFETCH(bool, dx430);
        QFETCH(bool, multiDrop);
        if (multiDrop) replaceRig(std::make_unique<Rig>(32));
        writeFile(path("set.dat"), settingFile(dx430, multiDrop));
        load(path("set.dat"));
        QStringList expect = {"83:45:30:01", "84:46:00:41:42", "84:43:04:19:00", "83:43:05:64", "83:42:22:01",
                              "84:43:03:04:00", "83:42:25:00", "84:43:02:01:00", "83:42:11:01", "83:42:0B:00",
                              "83:42:14:00", "83:42:14:01", "84:43:3A:01:00", "83:42:0D:00"};
        if (dx430) expect << "83:42:0E:00";
        expect << "83:42:15:00" << "83:42:13:01" << "83:42:12:01" << "83:43:14:3F" << "83:43:06:5F" << "83:42:49:00"
               << "84:43:3E:01:00" << "84:43:3D:01:00" << "84:43:10:01:00";
        if (dx430) expect << "83:42:48:00" << "84:43:3B:01:00" << "83:42:47:00";
        expect << "83:45:16:00" << "83:45:16:01";
        if (multiDrop)
            for (QString& c : expect) c.prepend("B1:01:03:");  // the camera the file addressed
        rig->dialogs.expectMessage(kAskSave, dxcmd::Answer::Yes);
        rig->w<QAction>("mnuSaveChanges")->trigger();
        QCOMPARE(rig->frames(expect.size()), expect);
        QCOMPARE(rig->key("VALUE03", "03-FOCUS POSITION"), QStringLiteral("84:43:03:04:00"));
        QVERIFY(rig->key("VALUE03", "01-MANUAL IRIS LEVEL").isEmpty());  // a failed read-back is not sent
    }

    void logWindowAndDiagnosticProgram() {
        rig.reset();
        rig = std::make_unique<Rig>();
        dxshell::frmLog log(rig->dialogs);
        rig->customize = [&](dxconsole::ConsoleDeps& d) {
            d.diagnostic = true;
            d.log = &log;
        };
        QVERIFY(rig->openShown());
        rig->win->commands().setReplyPicker([](dxcmd::ProgramState& s) { s.SimulatedReply = "83:42:00:07"; });
        QVERIFY(rig->w<QAction>("mnuLog")->isVisible());
        rig->w<QAction>("mnuLog")->trigger();
        QVERIFY(log.shown());
        QTest::mouseClick(rig->w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(rig->w<QPushButton>("cmdPosCall"), Qt::LeftButton);
        QCOMPARE(rig->w<QPushButton>("cmdPosCall")->text(), QStringLiteral("Position = 7"));
        QVERIFY(rig->sim.received().empty());  // no port is touched

        rig->dialogs.expectSaveFile(path("log.txt").toStdString());
        log.cmdOut_Click();
        QCOMPARE(readFile(path("log.txt")),
                 QByteArray("<<ExecCmd>>SET (TRIGGER 28)\r\n82:45:2A\r\nA0\r\n0\r\n\r\n"
                            "<<ExecCmdRecv>>PRISET POSITION TITLE (VALUE02 01))\r\n82:02:00\r\nA0\r\n\r\n\r\n"));
        rig->dialogs.expectSaveFile(path("gone/log.txt").toStdString());
        rig->dialogs.expectMessage("Output failed: the log file could not be written.");
        log.cmdOut_Click();
        QTest::mouseClick(dxconsole::need<QPushButton>(log, "cmdClear"), Qt::LeftButton);
        QCOMPARE(dxconsole::need<QListWidget>(log, "lstLog")->count(), 0);
        QTest::mouseClick(rig->w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(dxconsole::need<QPushButton>(log, "cmdClose"), Qt::LeftButton);
        rig->w<QAction>("mnuLog")->trigger();
        QCOMPARE(dxconsole::need<QListWidget>(log, "lstLog")->count(), 0);  // reopened empty
        rig->dialogs.expectMessage(
            "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or <Position Save Menu>?)",
            dxcmd::Answer::Cancel);
        rig->win->close();
        QVERIFY(!log.shown());  // closed with the main window's close, even when that is cancelled
    }

    void aboutBox() {
        dxshell::frmAbout about(rig->dialogs, rig->win.get(), [] { return false; });
        QCOMPARE(about.windowTitle(), QStringLiteral("About ORN CCTV"));
        QCOMPARE(dxconsole::need<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version 1.0.0"));
        rig->dialogs.expectMessage("System Information Is Unavailable At This Time");
        QTest::mouseClick(dxconsole::need<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
        QVERIFY(!dxshell::StartSystemInfo({QStringLiteral("no-such-system-info-tool")}));
        // an installed program's user learns where the settings are kept
        const QString current = QString::fromStdString(rig->state.CurrentFile);
        dxshell::frmAbout named(rig->dialogs, rig->win.get(), [] { return false; }, current);
        QVERIFY(dxconsole::need<QLabel>(named, "lblCurrentFile")->text().endsWith(current));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
