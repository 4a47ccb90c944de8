// The console's Option > "Scan Line...": the line scan in the transfer
// window, its findings on the camera buttons.
#include <QAction>

#include "RigTest.h"

class ScanLineTest : public dxtest::RigTest {
    Q_OBJECT

    std::unique_ptr<Rig> makeRig() override { return std::make_unique<Rig>(2); }

private slots:
    void answeringCamerasAreBoldWithTheirTitles() {
        auto* scan = rig->w<QAction>("mnuScanLine");
        QVERIFY(!scan->isEnabled());  // P to P: there is no line to scan
        rig->dialogs.expectMessage(
            "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.");
        rig->opt("optCommunicationStyle", 1)->click();
        QVERIFY(scan->isEnabled());
        auto cam = rig->sim.state(2);
        cam.title = "LOBBY";
        rig->sim.setState(cam, 2);

        scan->trigger();
        for (int id : {1, 2, 3, 32}) {
            QAbstractButton* b = rig->opt("optCamSel", id - 1);
            QCOMPARE(b->font().bold(), id <= 2);
            QCOMPARE(b->toolTip(), id == 2 ? QStringLiteral("LOBBY") : id == 1 ? QStringLiteral("DX-430") : QString());
        }
        QCOMPARE(rig->state.MachineID, std::string("0"));  // the scan addresses no camera after it
    }
};

QTEST_MAIN(ScanLineTest)
#include "test_scanline.moc"
