// The "Selected" mark names only a preset the camera holds selected, so Save
// Position never stores into another one.
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "../support/PumpHook.h"
#include "../support/RigTest.h"
#include "dxtransfer/Jobs.h"

class TestPresetMarks : public dxtest::RigTest {
    Q_OBJECT

    QTreeWidget* list() { return rig->w<QTreeWidget>("lswPresetPosition"); }
    void clickRow(int row) {
        QTreeWidgetItem* item = list()->topLevelItem(row);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    }
    QStringList marked() {
        QStringList rows;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            if (!list()->topLevelItem(i)->text(2).isEmpty()) rows << list()->topLevelItem(i)->text(0);
        return rows;
    }
    // Save Position with no row marked: nothing sent, nothing asked (the
    // scripted dialogs fail on any prompt).
    void savePositionDoesNothing() {
        rig->sim.clearReceived();
        rig->w<QAction>("pmnuSavePosition")->trigger();
        QVERIFY(rig->sim.received().empty());
    }

private slots:
    void aRefusedSelectLeavesNoRowMarked() {
        clickRow(12);
        QTRY_COMPARE(marked(), QStringList{"12"});
        rig->sim.injectFault("83:42:00:05", dxsim::Fault::WrongAck);
        rig->dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:05");
        clickRow(5);
        QCOMPARE(marked(), QStringList());
        savePositionDoesNothing();
    }

    void aCancelledTitleLoadLeavesNoRowMarked() {
        clickRow(50);
        QTRY_COMPARE(marked(), QStringList{"50"});
        bool clicked = false;
        dxtest::PumpHook hook([&] {
            auto* w = Rig::shown<QWidget>("frmUPandDOWN");
            if (clicked || !w || rig->sim.received().size() < 10) return;
            clicked = true;
            QTest::mouseClick(dxconsole::need<QPushButton>(*w, "cmdCancel"), Qt::LeftButton);
        });
        rig->sim.clearReceived();
        rig->dialogs.expectMessage("Are you sure to cancel?", dxcmd::Answer::Yes);
        rig->win->RunTransferJob(dxtransfer::kPositionTitleLoad);
        QVERIFY(clicked);
        QVERIFY(rig->sim.received().size() < 100);  // ended well before row 50
        QCOMPARE(marked(), QStringList());
        savePositionDoesNothing();
    }
};

QTEST_MAIN(TestPresetMarks)
#include "test_presetmarks.moc"
