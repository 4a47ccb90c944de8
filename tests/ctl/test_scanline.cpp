// The console's Option > "Scan Line...": the line scan in the transfer
// window, its findings on the camera buttons.
#include <QAction>

#include "ConsoleRig.h"

class ScanLineTest : public dxtest::RigTest {
    Q_OBJECT

private slots:
    void answeringCamerasAreBoldWithTheirTitles() {
        OPEN_RIG({.multiDropCameras = 2, .paced = false});
        auto* scan = r.w<QAction>("mnuScanLine");
        QVERIFY(!scan->isEnabled());  // P to P: there is no line to scan
        r.dialogs.expectMessage(
            "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.");
        r.opt("optCommunicationStyle", 1)->click();
        QVERIFY(scan->isEnabled());
        auto cam = r.sim.state(2);
        cam.title = "LOBBY";
        r.sim.setState(cam, 2);

        scan->trigger();
        for (int id : {1, 2, 3, 32}) {
            QAbstractButton* b = r.opt("optCamSel", id - 1);
            QCOMPARE(b->font().bold(), id <= 2);
            QCOMPARE(b->toolTip(), id == 2 ? QStringLiteral("LOBBY") : id == 1 ? QStringLiteral("DX-430") : QString());
        }
        QCOMPARE(r.state.MachineID, std::string("0"));  // the scan addresses no camera after it
    }
};

QTEST_MAIN(ScanLineTest)
#include "test_scanline.moc"
