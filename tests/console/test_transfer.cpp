// Connect and the transfer window, driven through the main window against
// the simulated camera.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "../support/RigTest.h"
#include "../support/PumpHook.h"
#include "frmUPandDOWN.h"

namespace {


const char* const kAskTitles = "Continuously, is a position title load?";
const char* const kAskCancel = "Are you sure to cancel?";

dxsim::Options pacedSim() {
    dxsim::Options o;
    o.turnaroundMs = 1;
    return o;
}

}  // namespace

class TestTransfer : public dxtest::RigTest {
    Q_OBJECT

    QStringList queries() {
        QStringList q;
        for (const auto& f : rig->sim.received())
            if (f != "A0") q << QString::fromStdString(f);
        return q;
    }
    void setCamera() {
        auto s = rig->sim.state();
        s.value03[0x04] = 1000;
        s.value02[0x13] = 3;
        s.title = "LOBBY";
        for (int p = 0; p < 100; ++p) s.presetTitles[p] = "T" + std::to_string(p);
        rig->sim.setState(s);
    }

protected:
    std::unique_ptr<Rig> makeRig() override {
        return std::make_unique<Rig>(pacedSim());
    }
    void arrange() override {
        setCamera();
    }

private slots:

    void connectLoadsThenOffersTitles_data() {
        QTest::addColumn<bool>("titles");
        QTest::newRow("no titles") << false;
        QTest::newRow("titles too") << true;
    }
    void connectLoadsThenOffersTitles() {
        QFETCH(bool, titles);
        QStringList seen;  // what the window showed while the job ran
        dxtest::PumpHook hook([&] {
            if (auto* w = Rig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxconsole::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
            }
        });
        rig->dialogs.expectMessage(kAskTitles, titles ? dxcmd::Answer::Yes : dxcmd::Answer::No);
        rig->w<QAction>("mnuConnect")->trigger();

        const QStringList q = queries();
        QCOMPARE(q.first(), QStringLiteral("82:06:00"));
        QCOMPARE(q.size(), titles ? 19 + 200 : 19);  // DX-410: 19 queries
        QCOMPARE(rig->w<QLineEdit>("txtCamTitle")->text(), QStringLiteral("LOBBY"));
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 1000);
        QVERIFY(rig->opt("optAGC", 3)->isChecked());
        auto* list = rig->w<QTreeWidget>("lswPresetPosition");
        QCOMPARE(list->topLevelItem(42)->text(1), titles ? QStringLiteral("T42") : QStringLiteral("42  No information"));
        QVERIFY(!rig->state.UpdatingFromCamera);
        QVERIFY(!Rig::shown<QWidget>("frmUPandDOWN"));
        QStringList expect{"Now loading...|Now loading from the camera..."};
        if (titles) expect << "Now Position Title loading...|Now Position Title loading...";
        QCOMPARE(seen, expect);
        // nothing the load wrote went back to the camera or into the file
        QVERIFY(rig->key("VALUE02", "08-AGC MODE").isEmpty());
    }

    // Cancel is served while the job waits for the camera.
    void cancelDuringTheLoad_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void cancelDuringTheLoad() {
        QFETCH(bool, yes);
        bool clicked = false, hiddenAtOnce = false;
        int barAtClick = 0;
        dxtest::PumpHook hook([&] {
            auto* w = Rig::shown<QWidget>("frmUPandDOWN");
            if (clicked || !w || !queries().contains("82:02:14")) return;
            clicked = true;
            barAtClick = dxconsole::need<QProgressBar>(*w, "prbLoading")->value();
            QTest::mouseClick(dxconsole::need<QPushButton>(*w, "cmdCancel"), Qt::LeftButton);
            hiddenAtOnce = !Rig::shown<QWidget>("frmUPandDOWN");
        });
        rig->dialogs.expectMessage(kAskCancel, yes ? dxcmd::Answer::Yes : dxcmd::Answer::No);
        rig->dialogs.expectMessage(kAskTitles, dxcmd::Answer::No);
        rig->w<QAction>("mnuConnect")->trigger();
        QVERIFY(clicked);
        QVERIFY(barAtClick > 0);
        QCOMPARE(hiddenAtOnce, yes);
        const QStringList q = queries();
        if (yes) {
            QVERIFY2(q.size() < 12, qPrintable(q.join(' ')));  // stopped at its next check
            QCOMPARE(rig->w<QSlider>("sldPan")->value(), 1000);  // read before the cancel: kept
            QVERIFY(!rig->opt("optAGC", 3)->isChecked());
        } else {
            QCOMPARE(q.size(), 19);
            QVERIFY(rig->opt("optAGC", 3)->isChecked());
        }
        QVERIFY(!rig->state.UpdatingFromCamera);
    }

    // The job reads its progress back exactly at once; the bar shows the
    // first move at once, later ones at most every 50 ms, and the job's last
    // value by the time it has ended.
    void progressReadsBackAtOnceAndTheBarCatchesUp() {
        dxtransfer::frmUPandDOWN w(rig->win->commands(), rig->win->values(), rig->win.get());
        auto* bar = dxconsole::need<QProgressBar>(w, "prbLoading");
        w.setValue(10);
        QCOMPARE(w.value(), 10);
        QCOMPARE(bar->value(), 10);
        const struct {
            int set, reads;
        } steps[] = {{20, 20}, {1200, 1000}, {-5, 0}, {700, 700}};
        for (const auto& s : steps) {
            w.setValue(s.set);
            QCOMPARE(w.value(), s.reads);
        }
        QTRY_COMPARE(bar->value(), 700);

        // a move right after the one shown, and the job ends: the bar shows it
        rig->state.TransferJob = "NOSUCHJOB";
        dxtransfer::frmUPandDOWN end(rig->win->commands(), rig->win->values(), rig->win.get());
        auto* endBar = dxconsole::need<QProgressBar>(end, "prbLoading");
        end.setValue(10);
        end.setValue(20);
        QCOMPARE(endBar->value(), 10);
        end.run();
        QCOMPARE(endBar->value(), 20);
        QCOMPARE(end.value(), 20);
    }

    void unknownJobShowsTheWindowAndRunsNothing() {
        rig->win->RunTransferJob("NOSUCHJOB");
        QVERIFY(rig->sim.received().empty());
        QVERIFY(!Rig::shown<QWidget>("frmUPandDOWN"));
    }
};

QTEST_MAIN(TestTransfer)
#include "test_transfer.moc"
