// The file menu, the DUMP64 buttons and the transfer window, driven through
// the main window against the simulated camera: the dialogs they show, what
// their answers lead to, and what the transfer window shows while a job runs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

#include "ConsoleRig.h"
#include "frmUPandDOWN.h"

namespace {

const char* const kAskSave = "Are you sure to save current cahnges to the camera?";
const char* const kAskTitles = "Continuously, is a position title load?";

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

dxsim::Options paced(int dumpPackets = 64) {
    dxsim::Options o;
    o.turnaroundMs = 1;
    o.dumpPackets = dumpPackets;
    return o;
}

}  // namespace

class TestFiles : public dxtest::RigTest {
    Q_OBJECT

    QString path(const char* name) { return rig->dir.filePath(QString::fromLatin1(name)); }
    void load(const QString& file) {
        rig->dialogs.expectOpenFile(file.toStdString());
        rig->w<QAction>("mnuLoadSettingFile")->trigger();
    }
    // The transfer window's title and text each time they change while a job runs.
    dxtest::PumpHook watchTransfers(QStringList& seen) {
        return dxtest::PumpHook([&seen] {
            if (auto* w = dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxtest::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
            }
        });
    }
    QStringList queries() {
        QStringList q;
        for (const auto& f : rig->sim.received())
            if (f != "A0") q << QString::fromStdString(f);
        return q;
    }

private slots:
    // What the operator set comes back from a saved file, and loading sends nothing.
    void saveAsThenLoadRestoresTheConsole() {
        OPEN_RIG();
        r.w<QAction>("mnuTkc_0")->trigger();
        r.w<QLineEdit>("txtCamTitle")->setText("GATE 7");
        QTest::mouseClick(r.w<QPushButton>("cmdCmaTitleExec"), Qt::LeftButton);
        r.w<QSlider>("sldTilt")->setValue(4321);
        r.w<QCheckBox>("chkFocusEasy")->click();
        r.w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        r.opt("optWhiteBalance", 4)->click();
        r.w<QSlider>("sldWhiteBalanceMgG")->setValue(250);
        r.opt("optBWLevelAuto", 2)->click();
        auto snapshot = [&] {
            return QStringList{r.w<QLineEdit>("txtCamTitle")->text(), QString::number(r.win->isDX430()),
                               QString::number(r.w<QSlider>("sldTilt")->value()),
                               QString::number(r.w<QCheckBox>("chkFocusEasy")->isChecked()),
                               QString::number(r.w<QComboBox>("cboSenseUpSelect")->currentIndex()),
                               QString::number(r.w<QButtonGroup>("optWhiteBalance")->checkedId()),
                               QString::number(r.w<QSlider>("sldWhiteBalanceMgG")->value()),
                               QString::number(r.w<QButtonGroup>("optBWLevelAuto")->checkedId())};
        };
        const QStringList before = snapshot();
        r.dialogs.expectSaveFile(path("site.dat").toStdString());
        r.w<QAction>("mnuSaveAs")->trigger();
        QCOMPARE(contents(path("site.dat")), contents(QString::fromStdString(r.state.CurrentFile)));
        r.w<QAction>("mnuTkc_1")->trigger();
        r.win->ResetConsole(0);
        QVERIFY(snapshot() != before);
        r.sim.clearReceived();
        load(path("site.dat"));
        QCOMPARE(snapshot(), before);
        QVERIFY(r.sim.received().empty());
    }

    void saveAsRefusals() {
        OPEN_RIG();
        r.dialogs.expectSaveFile(std::nullopt);  // cancelled: nothing at all
        r.w<QAction>("mnuSaveAs")->trigger();
        r.dialogs.expectSaveFile(r.state.CurrentFile);
        r.dialogs.expectMessage("You can not use this filename.");
        r.w<QAction>("mnuSaveAs")->trigger();
        r.dialogs.expectSaveFile(path("gone/site.dat").toStdString());
        r.dialogs.expectMessage("Save failed: the setting file could not be written. Nothing was changed.");
        r.w<QAction>("mnuSaveAs")->trigger();
        QVERIFY(!QFile::exists(path("gone/site.dat")));
    }

    // Save Changes writes the loaded file's set through the console's own
    // handlers: the lens positions as read back, not the iris read-back that failed.
    void saveChanges() {
        for (const bool dx430 : {true, false}) {
            OPEN_RIG(dxtest::Unpaced(dx430 ? 0 : 32));
            r.dialogs.expectMessage("Please choose a file by menu Load Setting File.");
            r.w<QAction>("mnuSaveChanges")->trigger();
            QFile f(path("set.dat"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[APPTYPE]\r\nAPPNAME=DX410_430\r\n[OPTION]\r\nMODEL=" + QByteArray(dx430 ? "0" : "1") +
                    "\r\nCOMMUNICATION STYLE=" + QByteArray(dx430 ? "0" : "1") +
                    "\r\nCOMMUNICATION MACHINE ID=03\r\n[STRING]\r\n01-CAMERA TITLE=84:46:00:41:42\r\n"
                    "[VALUE03]\r\n05-TILT POSITION=83:43:05:64\r\n03-FOCUS POSITION=84:43:03:04:00\r\n"
                    "02-ZOOM POSITION=84:43:02:01:00\r\n01-MANUAL IRIS LEVEL=NL\r\n");
            f.close();
            load(path("set.dat"));
            r.dialogs.expectMessage(kAskSave, dxcmd::Answer::No);
            r.w<QAction>("mnuSaveChanges")->trigger();
            r.dialogs.expectOpenFile(std::nullopt);  // a cancelled load keeps the file chosen before
            r.w<QAction>("mnuLoadSettingFile")->trigger();
            QVERIFY(r.sim.received().empty());

            QStringList expect = {"83:45:30:01", "84:46:00:41:42", "84:43:04:19:00", "83:43:05:64", "83:42:22:01",
                                  "84:43:03:04:00", "83:42:25:00", "84:43:02:01:00", "83:42:11:01", "83:42:0B:00",
                                  "83:42:14:00", "83:42:14:01", "84:43:3A:01:00", "83:42:0D:00"};
            if (dx430) expect << "83:42:0E:00";
            expect << "83:42:15:00" << "83:42:13:01" << "83:42:12:01" << "83:43:14:3F" << "83:43:06:5F" << "83:42:49:00"
                   << "84:43:3E:01:00" << "84:43:3D:01:00" << "84:43:10:01:00";
            if (dx430) expect << "83:42:48:00" << "84:43:3B:01:00" << "83:42:47:00";
            expect << "83:45:16:00" << "83:45:16:01";
            if (!dx430)
                for (QString& c : expect) c.prepend("B1:01:03:");  // the camera the file addressed
            r.dialogs.expectMessage(kAskSave, dxcmd::Answer::Yes);
            r.w<QAction>("mnuSaveChanges")->trigger();
            QCOMPARE(r.frames(expect.size()), expect);
            QCOMPARE(r.key("VALUE03", "03-FOCUS POSITION"), QStringLiteral("84:43:03:04:00"));
            QVERIFY(r.key("VALUE03", "01-MANUAL IRIS LEVEL").isEmpty());
            closeRig();
        }
    }

    void dumpDownloadThenUpload() {
        OPEN_RIG(paced(8));
        QStringList seen;
        const auto hook = watchTransfers(seen);
        auto s = r.sim.state();
        const auto memory = s.memory;
        const QString file = path("camera.dmp");
        // nothing goes out without a file and a yes
        r.dialogs.expectSaveFile(std::nullopt);
        r.w<QPushButton>("cmdExecDownload")->click();
        r.dialogs.expectOpenFile(std::nullopt);
        r.w<QPushButton>("cmdExecUpload")->click();
        r.dialogs.expectOpenFile(file.toStdString());
        r.dialogs.expectMessage("Are you sure to upload?", dxcmd::Answer::No);
        r.w<QPushButton>("cmdExecUpload")->click();
        QVERIFY(r.sim.received().empty());

        r.dialogs.expectSaveFile(file.toStdString());
        r.w<QPushButton>("cmdExecDownload")->click();
        QVERIFY(contents(file).startsWith(QByteArray::fromStdString(memory.front() + "\r\n")));
        for (size_t k = 0; k < s.memory.size(); ++k) s.memory[k] = dxsim::packetFrame(int(k), {1, 2, 3});
        r.sim.setState(s);
        r.dialogs.expectOpenFile(file.toStdString());
        r.dialogs.expectMessage("Are you sure to upload?", dxcmd::Answer::Yes);
        r.w<QPushButton>("cmdExecUpload")->click();
        QVERIFY(r.sim.state().memory == memory);
        QCOMPARE(seen, QStringList({"Now Downloading...|Now Downloading from the camera...",
                                    "Now Uploading...|Now Uploading to the camera..."}));
    }

    // Connect loads the camera's values into the window, then offers the titles.
    void connect() {
        for (const bool titles : {false, true}) {
            OPEN_RIG(paced());
            auto s = r.sim.state();
            s.value03[0x04] = 1000;
            s.value02[0x13] = 3;
            s.title = "LOBBY";
            for (int p = 0; p < 100; ++p) s.presetTitles[p] = "T" + std::to_string(p);
            r.sim.setState(s);
            QStringList seen;
            const auto hook = watchTransfers(seen);
            r.dialogs.expectMessage(kAskTitles, titles ? dxcmd::Answer::Yes : dxcmd::Answer::No);
            r.w<QAction>("mnuConnect")->trigger();
            QCOMPARE(queries().size(), titles ? 19 + 200 : 19);  // DX-410: 19 queries
            QCOMPARE(r.w<QLineEdit>("txtCamTitle")->text(), QStringLiteral("LOBBY"));
            QCOMPARE(r.w<QSlider>("sldPan")->value(), 1000);
            QVERIFY(r.opt("optAGC", 3)->isChecked());
            QCOMPARE(r.w<QTreeWidget>("lswPresetPosition")->topLevelItem(42)->text(1),
                     titles ? QStringLiteral("T42") : QStringLiteral("42  No information"));
            QVERIFY(!r.state.UpdatingFromCamera && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
            QStringList expect{"Now loading...|Now loading from the camera..."};
            if (titles) expect << "Now Position Title loading...|Now Position Title loading...";
            QCOMPARE(seen, expect);
            QVERIFY(r.key("VALUE02", "08-AGC MODE").isEmpty());  // loaded, not recorded
            closeRig();
        }
    }

    // Cancel is served while the job waits for the camera; the window goes at once.
    void cancelDuringTheLoad() {
        for (const bool yes : {true, false}) {
            OPEN_RIG(paced());
            bool clicked = false, hiddenAtOnce = false;
            int barAtClick = 0;
            const dxtest::PumpHook hook([&] {
                auto* w = dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN");
                if (clicked || !w || !queries().contains("82:02:14")) return;
                clicked = true;
                barAtClick = dxtest::need<QProgressBar>(*w, "prbLoading")->value();
                QTest::mouseClick(dxtest::need<QPushButton>(*w, "cmdCancel"), Qt::LeftButton);
                hiddenAtOnce = !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN");
            });
            r.dialogs.expectMessage("Are you sure to cancel?", yes ? dxcmd::Answer::Yes : dxcmd::Answer::No);
            r.dialogs.expectMessage(kAskTitles, dxcmd::Answer::No);
            r.w<QAction>("mnuConnect")->trigger();
            QVERIFY(clicked && barAtClick > 0);
            QCOMPARE(hiddenAtOnce, yes);
            QVERIFY2(yes ? queries().size() < 12 : queries().size() == 19, qPrintable(queries().join(' ')));
            QVERIFY(!r.state.UpdatingFromCamera);
            closeRig();
        }
    }

    // The job reads its progress back exactly at once; the bar shows the
    // first move at once, later ones at most every 50 ms, and the job's last
    // value by the time it has ended.
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
        // a move right after the one shown, and the job ends: the bar shows it
        r.state.TransferJob = "NOSUCHJOB";
        dxtransfer::frmUPandDOWN end(r.win->commands(), r.win->values(), r.win.get());
        auto* endBar = dxtest::need<QProgressBar>(end, "prbLoading");
        end.setValue(10);
        end.setValue(20);
        QCOMPARE(endBar->value(), 10);
        end.run();
        QCOMPARE(endBar->value(), 20);
        r.win->RunTransferJob("NOSUCHJOB");  // an unknown job runs nothing
        QVERIFY(r.sim.received().empty() && !dxtest::ConsoleRig::shown<QWidget>("frmUPandDOWN"));
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
