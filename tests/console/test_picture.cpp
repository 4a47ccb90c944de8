// Picture and mode controls driven through the window against the simulated
// camera: the command each change sends, what lands in current.orn, and the
// chains of the shutter, white-balance and auto-mode handlers.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../support/RigTest.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

namespace {


}  // namespace


class TestPicture : public dxtest::RigTest {
    Q_OBJECT

    enum Kind { Slider, List, Group, Check };
    // Sets a control from code, which fires its handler as a click would.
    void set(Kind kind, const char* name, int value) {
        switch (kind) {
        case Slider: rig->w<QSlider>(name)->setValue(value); break;
        case List: rig->w<QComboBox>(name)->setCurrentIndex(value); break;
        case Group: rig->opt(name, value)->setChecked(true); break;
        case Check: rig->w<QCheckBox>(name)->setChecked(value != 0); break;
        }
    }
    // Sends one more command, so that "nothing else was sent" can be seen.
    QString mark() {
        rig->w<QSlider>("sldPan")->setValue(100);
        return "83:43:04:64";
    }

protected:
    void arrange() override {
        rig->win->mnuTkc_Click(0);  // DX-430: every picture control is there
        QCOMPARE(rig->frames(0), QStringList());
    }

private slots:

    // Each step starts from the state the step before left; every change
    // sends one command, recorded under its key once acknowledged.
    void settings() {
        struct Case {
            Kind kind;
            const char* control;
            const char* section;
            const char* key;
            std::vector<std::pair<int, const char*>> steps;
        };
        const Case cases[] = {
            {Slider, "sldShutterExDRLevel", "VALUE03", "19-ExDR LEVEL",
             {{-5, "83:43:3A:7B"}, {-1, "83:43:3A:7F"}, {0, "84:43:3A:01:00"}, {5, "84:43:3A:01:05"}}},
            {Slider, "sldWhiteBalanceRB", "VALUE03", "06-MANUAL WHITE BALANCE(R-B)",
             {{0, "83:43:06:00"}, {127, "83:43:06:7F"}, {128, "84:43:06:01:00"}, {255, "84:43:06:01:7F"}}},
            {Slider, "sldWhiteBalanceMgG", "VALUE03", "10-MANUAL WHITE BALANCE(Mg-G)",
             {{0, "83:43:14:00"}, {255, "84:43:14:01:7F"}}},
            {Slider, "sldLevelAdjColour", "VALUE03", "23-COLOR LEVEL", {{-5, "83:43:3E:7B"}, {5, "84:43:3E:01:05"}}},
            {Slider, "sldLevelAdjEnhance", "VALUE03", "22-ENHANCE LEVEL", {{-5, "83:43:3D:7B"}, {5, "84:43:3D:01:05"}}},
            {Slider, "sldLevelAdjPedestal", "VALUE03", "08-PEDESTAL LEVEL", {{-5, "83:43:10:7B"}, {5, "84:43:10:01:05"}}},
            {List, "cboIrisMode", "VALUE02", "06-IRIS MODE", {{0, "83:42:11:00"}, {3, "83:42:11:03"}}},
            {List, "cboShutterSpeed", "VALUE02", "09-MANUAL SHUTTER SPEED",
             {{1, "83:42:14:03"}, {0, "83:42:14:01"}, {6, "83:42:14:08"}}},
            {List, "cboSenseUpSelect", "VALUE02", "04-SENSE UP MODE", {{6, "83:42:0D:06"}, {0, "83:42:0D:00"}}},
            {List, "cboSenseUpPriority", "VALUE02", "05-ALC PRIORITY", {{1, "83:42:0E:01"}, {0, "83:42:0E:00"}}},
            {Group, "optVariablePT", "VALUE02", "17-VARIABLE PAN/TILT SPEED MODE",
             {{0, "83:42:22:00"}, {1, "83:42:22:01"}}},
            {Group, "optBLCArea", "VALUE02", "10-BACK LIGHT COMPENSATION(BLC)", {{6, "83:42:15:06"}, {0, "83:42:15:00"}}},
            {Group, "optAGC", "VALUE02", "08-AGC MODE", {{0, "83:42:13:00"}, {3, "83:42:13:03"}}},
            {Group, "optBW", "VALUE02", "35-B&W MODE", {{6, "83:42:48:06"}, {0, "83:42:48:00"}}},
            {Group, "optBWLevelAuto", "VALUE03", "20-B&W AUTO LEVEL",
             {{0, "83:43:3B:7F"}, {2, "84:43:3B:01:01"}, {1, "84:43:3B:01:00"}}},
            {Group, "optBWLightType", "VALUE02", "34-IR LIGHT", {{1, "83:42:47:01"}, {0, "83:42:47:00"}}},
            {Check, "chkAutoBlack", "VALUE02", "36-AUTO BLACK CONTROL MODE", {{1, "83:42:49:01"}, {0, "83:42:49:00"}}},
        };
        for (const Case& c : cases) {
            for (const auto& [value, command] : c.steps) {
                rig->sim.clearReceived();
                set(c.kind, c.control, value);
                QCOMPARE(rig->frames(1), QStringList{command});
                QCOMPARE(rig->key(c.section, c.key), QString(command));
            }
        }
        QCOMPARE(rig->w<QCheckBox>("chkAutoBlack")->text(), QString("Auto Black  Off"));
    }

    void autoBlackCaptionWhenUnanswered() {
        auto* box = rig->w<QCheckBox>("chkAutoBlack");
        rig->sim.injectFault("83:42:49", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        box->setChecked(true);
        QCOMPARE(rig->frames(1), QStringList{"83:42:49:01"});
        QCOMPARE(box->text(), QString("Auto Black  On"));
        QCOMPARE(rig->key("VALUE02", "36-AUTO BLACK CONTROL MODE"), QString());
    }

    // "Auto Off" sends the stop of the mode switched on last; the window
    // locks the other modes while one runs.
    void autoModes() {
        const std::pair<int, QStringList> steps[] = {
            {1, {"83:42:4A:00", "83:42:19:01"}}, {0, {"83:42:19:00"}},
            {2, {"83:42:4B:01", "83:42:26:01"}}, {0, {"83:42:26:00"}},
            {3, {"83:42:4B:02", "83:42:26:01"}}, {0, {"83:42:26:00"}},
        };
        for (const auto& [id, sent] : steps) {
            rig->sim.clearReceived();
            set(Group, "optAuto", id);
            QCOMPARE(rig->frames(sent.size()), sent);
            QCOMPARE(int(rig->win->console().AutoModeIndex), id);
            for (int other : {1, 2, 3}) QCOMPARE(rig->opt("optAuto", other)->isEnabled(), id == 0 || other == id);
        }
        QCOMPARE(rig->key("VALUE02", "37-AUTO PAN KEY"), QString("83:42:4A:00"));
        QCOMPARE(rig->key("VALUE02", "38-AUTO PATROL KEY"), QString("83:42:4B:02"));

        // a mode switched on while the console fills itself is remembered too
        rig->state.UpdatingFromCamera = true;
        set(Group, "optAuto", 1);
        rig->state.UpdatingFromCamera = false;
        rig->sim.clearReceived();
        set(Group, "optAuto", 0);
        QCOMPARE(rig->frames(1), QStringList{"83:42:19:00"});
    }

    void shutterChain() {
        set(List, "cboShutterSpeed", 1);
        set(Slider, "sldShutterExDRLevel", -2);
        auto* speed = rig->w<QComboBox>("cboShutterSpeed");
        auto* level = rig->w<QSlider>("sldShutterExDRLevel");
        struct Step {
            int id;
            QStringList sent;
            bool speedOn, levelOn;
        };
        const Step steps[] = {
            {1, {"83:42:0B:00", "83:42:14:03"}, true, false},
            {2, {"83:43:3A:7E", "83:42:0B:03"}, false, true},
            {0, {"83:42:0B:00", "83:42:14:00"}, false, false},
        };
        rig->frames(2);
        for (const Step& s : steps) {
            rig->sim.clearReceived();
            set(Group, "optShutter", s.id);
            QCOMPARE(rig->frames(2), s.sent);
            QCOMPARE(speed->isEnabled(), s.speedOn);
            QCOMPARE(level->isEnabled(), s.levelOn);
        }
        QCOMPARE(rig->key("VALUE02", "03-ExDR MODE"), QString("83:42:0B:00"));
        QCOMPARE(rig->key("VALUE02", "09-MANUAL SHUTTER SPEED"), QString("83:42:14:00"));

        // M.ExDR and Auto(AES) send nothing but still refresh the window
        auto* exec = rig->w<QPushButton>("cmdExecLoadFactorySettings");
        rig->sim.clearReceived();
        for (int id : {5, 4}) {
            exec->setEnabled(true);  // out of step with "No"; a refresh puts it right
            set(Group, "optShutter", id);
            QVERIFY(!exec->isEnabled());
        }
        const QString m = mark();
        QCOMPARE(rig->frames(1), QStringList{m});
    }

    void whiteBalanceChain() {
        auto* rb = rig->w<QSlider>("sldWhiteBalanceRB");
        auto* mg = rig->w<QSlider>("sldWhiteBalanceMgG");
        QVERIFY(!rb->isEnabled());
        set(Group, "optWhiteBalance", 4);
        QCOMPARE(rig->frames(3), (QStringList{"83:42:12:04", "83:43:06:5F", "83:43:14:3F"}));
        QVERIFY(rb->isEnabled() && mg->isEnabled());

        rig->sim.clearReceived();
        set(Group, "optWhiteBalance", 1);
        const QString m = mark();
        QCOMPARE(rig->frames(2), (QStringList{"83:42:12:01", m}));
        QVERIFY(!rb->isEnabled() && !mg->isEnabled());
        QCOMPARE(rig->key("VALUE02", "07-WHITE BALANCE MODE"), QString("83:42:12:01"));
    }

    // The DX-410 has no B&W mode and two sense-up steps; switching models
    // sends nothing.
    void modelSwitchHidesBlackAndWhite() {
        auto* bw = rig->w<QGroupBox>("fraBW");
        QVERIFY(!bw->isHidden());
        QCOMPARE(rig->w<QComboBox>("cboSenseUpSelect")->count(), 7);
        rig->win->mnuTkc_Click(1);
        QVERIFY(bw->isHidden());
        QVERIFY(rig->w<QGroupBox>("fraBWLightType")->isHidden());
        QVERIFY(rig->w<QComboBox>("cboSenseUpPriority")->isHidden());
        QVERIFY(!rig->opt("optBW", 6)->isEnabled());
        QCOMPARE(rig->w<QComboBox>("cboSenseUpSelect")->count(), 2);
        rig->win->mnuTkc_Click(0);
        QVERIFY(!bw->isHidden());
        QVERIFY(rig->opt("optBW", 6)->isEnabled());
        const QString m = mark();
        QCOMPARE(rig->frames(1), QStringList{m});
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
