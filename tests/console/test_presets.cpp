// The preset list by mouse, its pop-up menu, the title dialog and the title
// boxes, against the simulated camera.
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "ConsoleRig.h"

namespace {

const char* const kTitleChars =
    "The Camera Title can contain any of the following characters.\r\n[A to Z],[a to z],[0 to 9],[, - . / :] and Space ";

}  // namespace

class TestPresets : public dxtest::RigTest {
    Q_OBJECT

    QTreeWidget* list() { return rig->w<QTreeWidget>("lswPresetPosition"); }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTreeWidgetItem* item = list()->topLevelItem(row);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), button, {}, list()->visualItemRect(item).center());
    }
    QString text(int row, int column) { return list()->topLevelItem(row)->text(column); }
    void popup(const char* item) { rig->w<QAction>(item)->trigger(); }
    // Selects and loads a row; what that sent is forgotten.
    void pick(int row) {
        rig->sim.clearReceived();
        clickRow(row);
        rig->frames(17);
        rig->sim.clearReceived();
    }

private slots:
    void leftClickSelectsAndLoadsRightClickPopsUp() {
        OPEN_RIG();
        auto s = r.sim.state();
        s.presetTitles[12] = "GATE";
        s.presets[12].pan = 5000;
        s.presets[12].blcArea = 4;
        r.sim.setState(s);
        clickRow(12);
        QCOMPARE(r.frames(17).mid(0, 4), (QStringList{"83:42:00:0C", "82:06:02", "A0", "82:03:04"}));
        QCOMPARE(text(12, 1) + "|" + text(12, 2), QStringLiteral("GATE|Selected"));
        QCOMPARE(r.w<QSlider>("sldPan")->value(), 5000);
        QVERIFY(r.opt("optBLCArea", 4)->isChecked());
        QVERIFY(!r.state.UpdatingFromCamera);
        QVERIFY(r.key("VALUE03", "04-PAN POSITION").isEmpty());  // loaded, not recorded
        pick(3);
        QCOMPARE(text(12, 2) + "|" + text(3, 2), QStringLiteral("|Selected"));

        bool popped = false;
        QTimer::singleShot(0, this, [&] {
            if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                popped = m->objectName() == QLatin1String("mnuPosPopup");
                m->close();
            }
        });
        clickRow(40, Qt::RightButton);
        QVERIFY(popped);
        QVERIFY(r.sim.received().empty());
        QCOMPARE(list()->selectedItems().value(0), list()->topLevelItem(3));  // no new selection
        popup("pmnuPositionFunction");
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 1);
        popup("pmnuPanTilt");
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 0);

        // a preset the camera did not select is not loaded
        r.sim.injectFault("83:42:00:05", dxsim::Fault::WrongAck);
        r.dialogs.expectMessage("Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = 83:42:00:05");
        clickRow(5);
        QCOMPARE(r.frames(1), QStringList{"83:42:00:05"});
        QCOMPARE(text(5, 1), QStringLiteral("5  No information"));
    }

    void savePositionSendsTheTitle() {
        OPEN_RIG();
        popup("pmnuSavePosition");  // no row marked: nothing at all
        QVERIFY(r.sim.received().empty());
        pick(7);
        r.dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::No);
        popup("pmnuSavePosition");
        QCOMPARE(r.frames(1), QStringList{"83:45:30:01"});  // the code set goes out anyway
        const struct {
            const char* title;
            const char* frame;  // as recorded; the empty title's trailing colon puts no byte on the line
        } titles[] = {{"", "82:46:02:"},
                      {"ABCDEFGHIJKL", "8E:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C"},
                      {"ABCDEFGHIJKLM", "8F:10:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C:4D"},
                      {"AB/CD-EF.GH:IJ,K", "8F:13:46:02:41:42:2F:43:44:2D:45:46:2E:47:48:3A:49:4A:2C:4B"}};
        for (const auto& t : titles) {
            r.sim.clearReceived();
            list()->topLevelItem(7)->setText(1, QString::fromLatin1(t.title));
            r.dialogs.expectMessage("Is PRISET POSITION of No.7 saved?", dxcmd::Answer::Yes);
            r.dialogs.expectMessage("Completed!");
            popup("pmnuSavePosition");
            const QString frame = QString::fromLatin1(t.frame);
            QCOMPARE(r.frames(3), (QStringList{"83:45:30:01", *t.title ? frame : frame.chopped(1), "83:45:16:01"}));
            QCOMPARE(r.key("STRING", "02-POSITION TITLE No.07"), frame);
            QCOMPARE(r.sim.state().presetTitles[7], std::string(t.title));
        }
        QCOMPARE(r.key("TRIGGER", "32-CHARACTER CODE SET"), QStringLiteral("83:45:30:01"));
    }

    void clearPositionResetsItsRowAndThePositionGroup() {
        OPEN_RIG();
        pick(9);
        r.w<QSlider>("sldPan")->setValue(100);
        r.frames(1);
        r.sim.clearReceived();
        r.dialogs.expectMessage("Are you sure to reset PRISET POSITION of No.9 data to factory settings?",
                                dxcmd::Answer::Yes);
        r.dialogs.expectMessage("Completed!");
        popup("pmnuClearPosition");
        QCOMPARE(r.frames(1), QStringList{"83:45:31:09"});
        QCOMPARE(text(9, 1), QString());
        QCOMPARE(r.w<QSlider>("sldPan")->value(), 3200);
    }

    void editTitleDialog() {
        OPEN_RIG();
        pick(4);
        auto edit = [&](const QString& typed, const char* button, bool refused) {
            QTimer::singleShot(0, this, [=, this] {
                auto* dlg = dxtest::ConsoleRig::shown<QDialog>("frmEditTitle");
                QVERIFY(dlg);
                QCOMPARE(dlg->windowTitle(), QStringLiteral("Edit Title"));
                dxtest::need<QLineEdit>(*dlg, "txtPositionTitle")->setText(typed);
                QTest::mouseClick(dxtest::need<QPushButton>(*dlg, button), Qt::LeftButton);
                if (refused) {
                    QVERIFY(dlg->isVisible());  // stays, for the box to be put right
                    dlg->reject();
                }
            });
            popup("pmnuEditTitle");
        };
        edit("  NORTH  ", "cmdOK", false);
        QCOMPARE(text(4, 1), QStringLiteral("NORTH"));
        edit("SOUTH", "cmdCancel", false);
        QCOMPARE(text(4, 1), QStringLiteral("NORTH"));
        r.dialogs.expectMessage(kTitleChars);
        edit("A_B", "cmdOK", true);
        QCOMPARE(text(4, 1), QStringLiteral("NORTH"));
        QVERIFY(r.sim.received().empty());  // titles are sent by Save Position only
        QCOMPARE(text(4, 2), QStringLiteral("Selected"));
    }

    // Leaving a title box by keyboard trims it, and refuses what the camera cannot show.
    void leavingATitleBoxChecksIt() {
        OPEN_RIG();
        auto* area = r.w<QLineEdit>("txtAreaTitle");
        area->setFocus();
        QTRY_VERIFY(area->hasFocus());
        area->setText(QStringLiteral("  ZONE 1  "));
        QTest::keyClick(area, Qt::Key_Tab);
        QCOMPARE(area->text(), QStringLiteral("ZONE 1"));
        area->setFocus();
        QTRY_VERIFY(area->hasFocus());
        area->setText(QStringLiteral("ZONE_1"));
        r.dialogs.expectMessage(kTitleChars);
        QTest::keyClick(area, Qt::Key_Tab);
        QVERIFY(area->hasFocus());
        QVERIFY(r.sim.received().empty());  // the area title is never sent
    }
};

QTEST_MAIN(TestPresets)
#include "test_presets.moc"
