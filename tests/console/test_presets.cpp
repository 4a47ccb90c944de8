// The preset list, its pop-up menu, the title dialog, Position Call, Save
// Parameter and the camera title, driven through the window against the
// simulated camera.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "../support/RigTest.h"
#include "dxparams/Titles.h"

namespace {


const std::string kRefused(dxparams::kTitleCharactersMessage);

}  // namespace

class TestPresets : public dxtest::RigTest {
    Q_OBJECT

    QTreeWidget* list() { return rig->w<QTreeWidget>("lswPresetPosition"); }
    QPoint rowPoint(int row) {
        QTreeWidgetItem* item = list()->topLevelItem(row);
        list()->scrollToItem(item);
        return list()->visualItemRect(item).center();
    }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list()->viewport(), button, {}, rowPoint(row));
    }
    void action(const char* name) { rig->w<QAction>(name)->trigger(); }
    void click(const char* name) { QTest::mouseClick(rig->w<QPushButton>(name), Qt::LeftButton); }
    QString title(int row) { return list()->topLevelItem(row)->text(1); }
    QString state(int row) { return list()->topLevelItem(row)->text(2); }
    // Selects and loads a row; what it sent is forgotten.
    void pick(int row) {
        clickRow(row);
        rig->frames(17);
        rig->sim.clearReceived();
    }

private slots:

    void leftClickSelectsAndLoadsThePreset() {
        auto s = rig->sim.state();
        s.presetTitles[12] = "GATE";
        s.presets[12].pan = 5000;
        s.presets[12].blcArea = 4;
        rig->sim.setState(s);
        clickRow(12);
        QCOMPARE(rig->frames(17).mid(0, 4),
                 (QStringList{"83:42:00:0C", "82:06:02", "A0", "82:03:04"}));
        QCOMPARE(title(12), QStringLiteral("GATE"));
        QCOMPARE(state(12), QStringLiteral("Selected"));
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 5000);
        QVERIFY(rig->opt("optBLCArea", 4)->isChecked());
        QVERIFY(!rig->state.UpdatingFromCamera);
        QVERIFY(rig->key("VALUE03", "04-PAN POSITION").isEmpty());  // loaded, not recorded
        clickRow(3);
        QCOMPARE(state(12), QString());
        QCOMPARE(state(3), QStringLiteral("Selected"));
    }

    void rightClickOpensThePopupAndSendsNothing() {
        pick(2);
        bool popped = false;
        QTimer::singleShot(0, this, [&] {
            if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                popped = m->objectName() == QLatin1String("mnuPosPopup");
                m->close();
            }
        });
        clickRow(40, Qt::RightButton);
        QVERIFY(popped);
        QVERIFY(rig->sim.received().empty());
        QCOMPARE(list()->selectedItems().value(0), list()->topLevelItem(2));  // no new selection
        clickRow(40);  // the next left click does load
        QCOMPARE(rig->frames(1).first(), QStringLiteral("83:42:00:28"));
    }

    void aPresetTheCameraDidNotSelectIsNotLoaded() {
        rig->sim.injectFault("83:42:00:05", dxsim::Fault::WrongAck);
        rig->dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:05");
        clickRow(5);
        QCOMPARE(rig->frames(1), QStringList{"83:42:00:05"});
        QCOMPARE(title(5), QStringLiteral("5  No information"));
    }

    void savePositionSendsTheTitleFrame_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("wire");  // the frame as the camera takes it
        // the empty title's trailing colon puts one more byte, 00, on the line
        QTest::newRow("empty") << "" << "82:46:02:" << "82:46:02";
        QTest::newRow("12") << "ABCDEFGHIJKL" << "8E:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C" << "";
        QTest::newRow("13") << "ABCDEFGHIJKLM" << "8F:10:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C:4D" << "";
        QTest::newRow("16") << "AB/CD-EF.GH:IJ,K" << "8F:13:46:02:41:42:2F:43:44:2D:45:46:2E:47:48:3A:49:4A:2C:4B" << "";
    }
    void savePositionSendsTheTitleFrame() {
        QFETCH(QString, text);
        QFETCH(QString, frame);
        QFETCH(QString, wire);
        if (wire.isEmpty()) wire = frame;
        pick(7);
        list()->topLevelItem(7)->setText(1, text);
        rig->dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Completed!");
        action("pmnuSavePosition");
        QCOMPARE(rig->frames(3), (QStringList{"83:45:30:01", wire, "83:45:16:01"}));
        QCOMPARE(rig->key("STRING", "02-POSITION TITLE No.07"), frame);
        QCOMPARE(rig->key("TRIGGER", "32-CHARACTER CODE SET"), QStringLiteral("83:45:30:01"));
        QCOMPARE(QString::fromStdString(rig->sim.state().presetTitles[7]), text);
    }

    void savePositionAnsweredNoOrWithNothingSelected() {
        action("pmnuSavePosition");  // no row marked: nothing at all
        QVERIFY(rig->sim.received().empty());
        pick(1);
        rig->dialogs.expectMessage("Is PRISET POSITION of No.1 saved?", dxcmd::Answer::No);
        action("pmnuSavePosition");
        QCOMPARE(rig->frames(1), QStringList{"83:45:30:01"});  // the code set goes out anyway
    }

    void clearPositionResetsItsRowAndThePositionGroup() {
        pick(9);
        rig->w<QSlider>("sldPan")->setValue(100);
        rig->frames(1);
        rig->sim.clearReceived();
        rig->dialogs.expectMessage("Are you sure to reset PRISET POSITION of No.9 data to factory settings?",
                                   dxcmd::Answer::Yes);
        rig->dialogs.expectMessage("Completed!");
        action("pmnuClearPosition");
        QCOMPARE(rig->frames(1), QStringList{"83:45:31:09"});
        QCOMPARE(title(9), QString());
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 3200);
    }

    void editTitleDialog() {
        pick(4);
        auto edit = [&](const QString& typed, const char* button, bool refused) {
            QTimer::singleShot(0, this, [=, this] {
                auto* dlg = Rig::shown<QDialog>("frmEditTitle");
                QVERIFY(dlg);
                QCOMPARE(dlg->windowTitle(), QStringLiteral("Edit Title"));
                auto* box = dxconsole::need<QLineEdit>(*dlg, "txtPositionTitle");
                box->setText(typed);
                QTest::mouseClick(dxconsole::need<QPushButton>(*dlg, button), Qt::LeftButton);
                if (refused) {
                    QVERIFY(dlg->isVisible());  // stays, for the box to be put right
                    dlg->reject();
                }
            });
            action("pmnuEditTitle");
        };
        edit("  NORTH  ", "cmdOK", false);
        QCOMPARE(title(4), QStringLiteral("NORTH"));
        edit("SOUTH", "cmdCancel", false);
        QCOMPARE(title(4), QStringLiteral("NORTH"));
        rig->dialogs.expectMessage(kRefused);
        edit("A_B", "cmdOK", true);
        QCOMPARE(title(4), QStringLiteral("NORTH"));
        QVERIFY(rig->sim.received().empty());  // titles are sent by Save Position only
        QCOMPARE(state(4), QStringLiteral("Selected"));
    }

    void positionCallShowsTheCamerasPreset() {
        auto s = rig->sim.state();
        s.selectedPreset = 7;
        rig->sim.setState(s);
        click("cmdPosCall");
        QCOMPARE(rig->w<QPushButton>("cmdPosCall")->text(), QStringLiteral("Position = 7"));
        rig->sim.injectFault("82:02:00", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Receive failed.\r\nCommand =82:02:00\r\nResult =NL");
        click("cmdPosCall");
        QCOMPARE(rig->w<QPushButton>("cmdPosCall")->text(), QStringLiteral("Position = -1"));
        rig->sim.injectFault("82:02:00", dxsim::Fault::BadFirstByte);
        rig->dialogs.expectMessage("Bad value.\r\nCommand =82:02:00\r\nResult =90:42:00:07");
        click("cmdPosCall");  // survived, caption as it was
        QCOMPARE(rig->w<QPushButton>("cmdPosCall")->text(), QStringLiteral("Position = -1"));
    }

    void saveParameterCompletesOnlyWhatTheCameraTook() {
        rig->dialogs.expectMessage("Completed!");
        click("cmdEnter");
        QCOMPARE(rig->frames(1), QStringList{"83:45:16:00"});
        rig->sim.injectFault("83:45:16", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        click("cmdEnter");
    }

    void cameraTitleIsCheckedAndSent() {
        auto* box = rig->w<QLineEdit>("txtCamTitle");
        box->setText(QStringLiteral(" ABCD "));
        click("cmdCmaTitleExec");
        QCOMPARE(rig->frames(2), (QStringList{"83:45:30:01", "86:46:00:41:42:43:44"}));
        QCOMPARE(rig->key("STRING", "01-CAMERA TITLE"), QStringLiteral("86:46:00:41:42:43:44"));
        QCOMPARE(rig->sim.state().title, std::string("ABCD"));

        rig->sim.clearReceived();
        box->setText(QStringLiteral("CAFÉ"));
        rig->dialogs.expectMessage(kRefused);
        click("cmdCmaTitleExec");
        QVERIFY(rig->sim.received().empty());
        QCOMPARE(rig->win->focusWidget(), box);
    }

    void leavingATitleBoxChecksIt() {
        auto* area = rig->w<QLineEdit>("txtAreaTitle");
        area->setFocus();
        QTRY_VERIFY(area->hasFocus());
        area->setText(QStringLiteral("  ZONE 1  "));
        QTest::keyClick(area, Qt::Key_Tab);
        QCOMPARE(area->text(), QStringLiteral("ZONE 1"));
        area->setFocus();
        QTRY_VERIFY(area->hasFocus());
        area->setText(QStringLiteral("ZONE_1"));
        rig->dialogs.expectMessage(kRefused);
        QTest::keyClick(area, Qt::Key_Tab);
        QVERIFY(area->hasFocus());
        QVERIFY(rig->sim.received().empty());  // the area title is never sent
    }
};

QTEST_MAIN(TestPresets)
#include "test_presets.moc"
