// The preset list and its pop-up, the title boxes, the file menu, the DUMP64
// buttons and the transfer window, driven through the main window against the
// simulated camera: the dialogs they show, what the answers lead to, what the
// transfer window shows while a job runs.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "ConsoleRig.h"
#include "frmUPandDOWN.h"

namespace {

const char* const kAskSave = "Are you sure to save current cahnges to the camera?";
const char* const kAskTitles = "Continuously, is a position title load?";
const char* const kTitleChars =
    "The Camera Title can contain any of the following characters.\r\n"
    "[A to Z],[a to z],[0 to 9],[, - . / :] and Space ";

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestFiles : public dxtest::RigTest {
    Q_OBJECT

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
    // The transfer window's title and text each time they change while a job runs.
    void watchTransfers(QStringList& seen) {
        rig->onWait = [&seen] {
            if (auto* w = dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxtest::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
            }
        };
    }
    QStringList queries() {
        QStringList q;
        for (const auto& f : rig->sim.received())
            if (f != "A0") q << QString::fromStdString(f);
        return q;
    }

private slots:
    void presetListByMouse() {
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

        bool popped = false;  // the right button pops the menu up, and neither selects nor sends
        QTimer::singleShot(0, this, [&] {
            auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            popped = m && m->objectName() == "mnuPosPopup";
            if (m) m->close();
        });
        clickRow(40, Qt::RightButton);
        QVERIFY(popped && r.sim.received().empty() && list()->selectedItems().value(0) == list()->topLevelItem(3));
        menu("pmnuPositionFunction");
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 1);
        menu("pmnuPanTilt");
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 0);

        r.sim.injectFault("83:42:00:05", dxsim::Fault::WrongAck);  // a preset the camera did not select is not loaded
        r.dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:05");
        clickRow(5);
        QCOMPARE(r.frames(1), QStringList{"83:42:00:05"});
        QCOMPARE(text(5, 1), "5  No information");
    }

    void saveAndClearPosition() {
        OPEN_RIG();
        menu("pmnuSavePosition");  // no row marked: nothing at all
        QVERIFY(r.sim.received().empty());
        pick(7);
        r.dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::No);
        menu("pmnuSavePosition");
        QCOMPARE(r.frames(1), QStringList{"83:45:30:01"});  // the code set goes out anyway
        // as recorded; the empty title's trailing colon puts no byte on the line
        for (auto [title, frame] : {std::pair{"", "82:46:02:"},
                                    {"ABCDEFGHIJKL", "8E:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C"},
                                    {"ABCDEFGHIJKLM", "8F:10:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C:4D"},
                                    {"AB/CD-EF.GH:IJ,K", "8F:13:46:02:41:42:2F:43:44:2D:45:46:2E:47:48:3A:49:4A:2C:4B"}}) {
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

        pick(9);
        r.w<QSlider>("sldPan")->setValue(100);
        r.frames(1);
        r.sim.clearReceived();
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
        QCOMPARE(text(4, 1), "NORTH");
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
        menu("mnuTkc_0");
        r.w<QLineEdit>("txtCamTitle")->setText("GATE 7");
        QTest::mouseClick(r.w<QPushButton>("cmdCmaTitleExec"), Qt::LeftButton);
        r.w<QSlider>("sldTilt")->setValue(4321);
        r.w<QCheckBox>("chkFocusEasy")->click();
        r.w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        r.opt("optWhiteBalance", 4)->click();
        r.opt("optBWLevelAuto", 2)->click();
        auto snapshot = [&] {
            return QStringList{r.w<QLineEdit>("txtCamTitle")->text(), QString::number(r.win->isDX430()),
                               QString::number(r.w<QSlider>("sldTilt")->value()),
                               QString::number(r.w<QCheckBox>("chkFocusEasy")->isChecked()),
                               QString::number(r.w<QComboBox>("cboSenseUpSelect")->currentIndex()),
                               QString::number(r.w<QButtonGroup>("optWhiteBalance")->checkedId()),
                               QString::number(r.w<QButtonGroup>("optBWLevelAuto")->checkedId())};
        };
        const QStringList before = snapshot();
        r.dialogs.expectSaveFile(path("site.dat").toStdString());
        menu("mnuSaveAs");
        QCOMPARE(contents(path("site.dat")), contents(QString::fromStdString(r.state.CurrentFile)));
        menu("mnuTkc_1");
        r.win->ResetConsole(0);
        QVERIFY(snapshot() != before);
        r.sim.clearReceived();
        load(path("site.dat"));
        QCOMPARE(snapshot(), before);
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

    // Connect loads the camera's values into the window, then offers the titles.
    void connect() {
        for (const bool titles : {false, true}) {
            OPEN_RIG({.turnaroundMs = 1});
            auto s = r.sim.state();
            s.value03[0x04] = 1000;
            s.value02[0x13] = 3;
            s.title = "LOBBY";
            for (int p = 0; p < 100; ++p) s.presetTitles[p] = "T" + std::to_string(p);
            r.sim.setState(s);
            QStringList seen;
            watchTransfers(seen);
            r.dialogs.expectMessage(kAskTitles, titles ? dxcmd::Answer::Yes : dxcmd::Answer::No);
            menu("mnuConnect");
            QCOMPARE(queries().size(), titles ? 19 + 200 : 19);  // DX-410: 19 queries
            QVERIFY(r.w<QLineEdit>("txtCamTitle")->text() == "LOBBY" && r.w<QSlider>("sldPan")->value() == 1000);
            QVERIFY(r.opt("optAGC", 3)->isChecked() && r.key("VALUE02", "08-AGC MODE").isEmpty());  // not recorded
            QCOMPARE(text(42, 1), titles ? "T42" : "42  No information");
            QVERIFY(!r.state.UpdatingFromCamera && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
            QStringList expect{"Now loading...|Now loading from the camera..."};
            if (titles) expect << "Now Position Title loading...|Now Position Title loading...";
            QCOMPARE(seen, expect);
            closeRig();
        }
    }

    // Cancel is served while the job waits for the camera; the window goes at once.
    void cancelDuringTheLoad() {
        for (const bool yes : {true, false}) {
            OPEN_RIG({.turnaroundMs = 1});
            bool clicked = false, hiddenAtOnce = false;
            int barAtClick = 0;
            r.onWait = [&] {
                auto* w = dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN");
                if (clicked || !w || !queries().contains("82:02:14")) return;
                clicked = true;
                barAtClick = dxtest::need<QProgressBar>(*w, "prbLoading")->value();
                QTest::mouseClick(dxtest::need<QPushButton>(*w, "cmdCancel"), Qt::LeftButton);
                hiddenAtOnce = !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN");
            };
            r.dialogs.expectMessage("Are you sure to cancel?", yes ? dxcmd::Answer::Yes : dxcmd::Answer::No);
            r.dialogs.expectMessage(kAskTitles, dxcmd::Answer::No);
            menu("mnuConnect");
            QVERIFY(clicked && barAtClick > 0 && hiddenAtOnce == yes && !r.state.UpdatingFromCamera);
            QVERIFY2(yes ? queries().size() < 12 : queries().size() == 19, qPrintable(queries().join(' ')));
            closeRig();
        }
    }

    // The job reads its progress back exactly at once; the bar shows the first
    // move at once, later ones at most every 50 ms, the last one by the job's end.
    void progress() {
        OPEN_RIG();
        dxtransfer::frmUPandDOWN w(r.win->commands(), r.win->values(), r.win.get());
        auto* bar = dxtest::need<QProgressBar>(w, "prbLoading");
        w.setValue(10);
        QCOMPARE(bar->value(), 10);
        for (auto [set, reads] : {std::pair{20, 20}, {1200, 1000}, {-5, 0}, {700, 700}}) {
            w.setValue(set);
            QCOMPARE(w.value(), reads);
        }
        QTRY_COMPARE(bar->value(), 700);
        r.state.TransferJob = "NOSUCHJOB";
        dxtransfer::frmUPandDOWN end(r.win->commands(), r.win->values(), r.win.get());
        end.setValue(10);
        end.setValue(20);  // right after the one shown, and the job ends: the bar shows it
        QCOMPARE(dxtest::need<QProgressBar>(end, "prbLoading")->value(), 10);
        end.run();
        QCOMPARE(dxtest::need<QProgressBar>(end, "prbLoading")->value(), 20);
        r.win->RunTransferJob("NOSUCHJOB");  // an unknown job runs nothing
        QVERIFY(r.sim.received().empty() && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
