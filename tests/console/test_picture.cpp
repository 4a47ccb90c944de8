// Picture and mode controls driven through the window against the simulated
// camera: the command each sends, what lands in current.orn, and the chains
// of the shutter, white-balance and auto-mode handlers.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "../support/ScriptedDialogs.h"
#include "frmMain.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using dxconsole::need;

namespace {

QStringList texts(const std::vector<std::string>& v) {
    QStringList l;
    for (const auto& s : v) l << QString::fromStdString(s);
    return l;
}

dxsim::Options unpaced() {
    dxsim::Options o;
    o.model = dxsim::Model::DX430;
    o.paced = false;
    return o;
}

struct Rig {
    dxsim::CameraSim sim{unpaced()};
    QTemporaryDir dir;
    dxcmd::ProgramState state;
    QStringList failures;
    dxtest::ScriptedDialogs dialogs{[this](const std::string& m) { failures << QString::fromStdString(m); }};
    std::unique_ptr<dxconsole::frmMain> win;

    bool open() {
        if (!sim.start() || !dir.isValid()) return false;
        setenv("DX410_COM1", sim.devicePath().c_str(), 1);
        dxconsole::ConsoleDeps deps{&state, &dialogs,
                                    [] {
                                        auto* l = dxlink_create();
                                        l->put_SerialTimeout(300);
                                        return l;
                                    },
                                    dir.path().toStdString(), dir.filePath("user").toStdString()};
        win = std::make_unique<dxconsole::frmMain>(std::move(deps));
        if (!win->load()) return false;
        win->show();
        sim.clearReceived();
        return true;
    }
    template <typename T>
    T* w(const char* name) { return need<T>(*win, name); }
    QAbstractButton* opt(const char* group, int id) {
        QAbstractButton* b = w<QButtonGroup>(group)->button(id);
        if (!b) throw std::logic_error(std::string(group) + " has no button " + std::to_string(id));
        return b;
    }
    QStringList frames(qsizetype n) {
        sim.waitForFrames(static_cast<size_t>(n), std::chrono::seconds(3));
        return texts(sim.received());
    }
    QString key(const QString& section, const QString& k) {
        return QString::fromStdString(
            dxcmd::ReadProfileString(state.CurrentFile, section.toStdString(), k.toStdString()));
    }
};

enum Kind { Slider, List, Group, Check };

}  // namespace

class TestPicture : public QObject {
    Q_OBJECT
    std::unique_ptr<Rig> rig;

    // Brings the control to `value` as an operator would; when it holds that
    // value already, moves it away first and forgets what that sent.
    void change(Kind kind, const QString& name, int value) {
        const QByteArray n = name.toLatin1();
        auto settle = [this](bool moved) {
            if (moved) rig->sim.waitForFrames(1, std::chrono::seconds(3));
            rig->sim.clearReceived();
        };
        switch (kind) {
        case Slider: {
            auto* s = rig->w<QSlider>(n);
            const bool moved = s->value() == value;
            if (moved) s->setValue(value == s->minimum() ? value + 1 : value - 1);
            settle(moved);
            s->setValue(value);
            break;
        }
        case List: {
            auto* c = rig->w<QComboBox>(n);
            const bool moved = c->currentIndex() == value;
            if (moved) c->setCurrentIndex(value == 0 ? 1 : 0);
            settle(moved);
            c->setCurrentIndex(value);
            break;
        }
        case Group: {
            auto* g = rig->w<QButtonGroup>(n);
            const bool moved = g->checkedId() == value;
            if (moved) {
                for (QAbstractButton* b : g->buttons())
                    if (g->id(b) != value) {
                        b->setChecked(true);
                        break;
                    }
            }
            settle(moved);
            rig->opt(n, value)->setChecked(true);
            break;
        }
        case Check: {
            auto* c = rig->w<QCheckBox>(n);
            const bool moved = c->isChecked() == (value != 0);
            if (moved) c->setChecked(value == 0);
            settle(moved);
            c->setChecked(value != 0);
            break;
        }
        }
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        rig = std::make_unique<Rig>();
        QVERIFY(rig->open());
        rig->win->mnuTkc_Click(0);  // DX-430: every picture control is there
        QCOMPARE(rig->frames(0), QStringList());
    }
    void cleanup() {
        rig->dialogs.verify();
        const QStringList failures = rig->failures;
        rig.reset();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    void settings_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        const QString v2 = "VALUE02", v3 = "VALUE03";
        auto row = [](const char* name, Kind k, const char* control, int value, const char* command,
                      QString section, const char* key) {
            QTest::newRow(name) << int(k) << control << value << command << section << key;
        };
        row("ExDR -5", Slider, "sldShutterExDRLevel", -5, "83:43:3A:7B", v3, "19-ExDR LEVEL");
        row("ExDR -1", Slider, "sldShutterExDRLevel", -1, "83:43:3A:7F", v3, "19-ExDR LEVEL");
        row("ExDR 0", Slider, "sldShutterExDRLevel", 0, "84:43:3A:01:00", v3, "19-ExDR LEVEL");
        row("ExDR 5", Slider, "sldShutterExDRLevel", 5, "84:43:3A:01:05", v3, "19-ExDR LEVEL");
        row("R-B 0", Slider, "sldWhiteBalanceRB", 0, "83:43:06:00", v3, "06-MANUAL WHITE BALANCE(R-B)");
        row("R-B 127", Slider, "sldWhiteBalanceRB", 127, "83:43:06:7F", v3, "06-MANUAL WHITE BALANCE(R-B)");
        row("R-B 128", Slider, "sldWhiteBalanceRB", 128, "84:43:06:01:00", v3, "06-MANUAL WHITE BALANCE(R-B)");
        row("R-B 255", Slider, "sldWhiteBalanceRB", 255, "84:43:06:01:7F", v3, "06-MANUAL WHITE BALANCE(R-B)");
        row("Mg-G 0", Slider, "sldWhiteBalanceMgG", 0, "83:43:14:00", v3, "10-MANUAL WHITE BALANCE(Mg-G)");
        row("Mg-G 255", Slider, "sldWhiteBalanceMgG", 255, "84:43:14:01:7F", v3, "10-MANUAL WHITE BALANCE(Mg-G)");
        row("colour -5", Slider, "sldLevelAdjColour", -5, "83:43:3E:7B", v3, "23-COLOR LEVEL");
        row("colour 5", Slider, "sldLevelAdjColour", 5, "84:43:3E:01:05", v3, "23-COLOR LEVEL");
        row("enhance -5", Slider, "sldLevelAdjEnhance", -5, "83:43:3D:7B", v3, "22-ENHANCE LEVEL");
        row("enhance 5", Slider, "sldLevelAdjEnhance", 5, "84:43:3D:01:05", v3, "22-ENHANCE LEVEL");
        row("pedestal -5", Slider, "sldLevelAdjPedestal", -5, "83:43:10:7B", v3, "08-PEDESTAL LEVEL");
        row("pedestal 5", Slider, "sldLevelAdjPedestal", 5, "84:43:10:01:05", v3, "08-PEDESTAL LEVEL");
        row("iris Manual", List, "cboIrisMode", 0, "83:42:11:00", v2, "06-IRIS MODE");
        row("iris Auto(-)", List, "cboIrisMode", 3, "83:42:11:03", v2, "06-IRIS MODE");
        row("speed 1/120", List, "cboShutterSpeed", 0, "83:42:14:01", v2, "09-MANUAL SHUTTER SPEED");
        row("speed 1/250", List, "cboShutterSpeed", 1, "83:42:14:03", v2, "09-MANUAL SHUTTER SPEED");
        row("speed 1/10000", List, "cboShutterSpeed", 6, "83:42:14:08", v2, "09-MANUAL SHUTTER SPEED");
        row("sense-up Off", List, "cboSenseUpSelect", 0, "83:42:0D:00", v2, "04-SENSE UP MODE");
        row("sense-up x24", List, "cboSenseUpSelect", 6, "83:42:0D:06", v2, "04-SENSE UP MODE");
        row("priority Motion", List, "cboSenseUpPriority", 0, "83:42:0E:00", v2, "05-ALC PRIORITY");
        row("priority Picture", List, "cboSenseUpPriority", 1, "83:42:0E:01", v2, "05-ALC PRIORITY");
        row("variable P/T Off", Group, "optVariablePT", 0, "83:42:22:00", v2, "17-VARIABLE PAN/TILT SPEED MODE");
        row("variable P/T On", Group, "optVariablePT", 1, "83:42:22:01", v2, "17-VARIABLE PAN/TILT SPEED MODE");
        row("BLC OFF", Group, "optBLCArea", 0, "83:42:15:00", v2, "10-BACK LIGHT COMPENSATION(BLC)");
        row("BLC 6", Group, "optBLCArea", 6, "83:42:15:06", v2, "10-BACK LIGHT COMPENSATION(BLC)");
        row("AGC Off", Group, "optAGC", 0, "83:42:13:00", v2, "08-AGC MODE");
        row("AGC Super", Group, "optAGC", 3, "83:42:13:03", v2, "08-AGC MODE");
        row("B&W Off", Group, "optBW", 0, "83:42:48:00", v2, "35-B&W MODE");
        row("B&W Alarm4", Group, "optBW", 6, "83:42:48:06", v2, "35-B&W MODE");
        row("level Low", Group, "optBWLevelAuto", 0, "83:43:3B:7F", v3, "20-B&W AUTO LEVEL");
        row("level Normal", Group, "optBWLevelAuto", 1, "84:43:3B:01:00", v3, "20-B&W AUTO LEVEL");
        row("level High", Group, "optBWLevelAuto", 2, "84:43:3B:01:01", v3, "20-B&W AUTO LEVEL");
        row("light Normal", Group, "optBWLightType", 0, "83:42:47:00", v2, "34-IR LIGHT");
        row("light IR", Group, "optBWLightType", 1, "83:42:47:01", v2, "34-IR LIGHT");
        row("auto black On", Check, "chkAutoBlack", 1, "83:42:49:01", v2, "36-AUTO BLACK CONTROL MODE");
        row("auto black Off", Check, "chkAutoBlack", 0, "83:42:49:00", v2, "36-AUTO BLACK CONTROL MODE");
    }
    // One command per change, recorded under its key once acknowledged.
    void settings() {
        QFETCH(int, kind);
        QFETCH(QString, control);
        QFETCH(int, value);
        QFETCH(QString, command);
        QFETCH(QString, section);
        QFETCH(QString, key);
        change(Kind(kind), control, value);
        QCOMPARE(rig->frames(1), QStringList{command});
        QCOMPARE(rig->key(section, key), command);
    }

    void autoBlackCaptionAndUnansweredSet() {
        auto* box = rig->w<QCheckBox>("chkAutoBlack");
        QCOMPARE(box->text(), QString("Auto Black  Off"));
        rig->sim.injectFault("83:42:49", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        box->setChecked(true);
        QCOMPARE(rig->frames(1), QStringList{"83:42:49:01"});
        QCOMPARE(box->text(), QString("Auto Black  On"));
        QCOMPARE(rig->key("VALUE02", "36-AUTO BLACK CONTROL MODE"), QString());
    }

    // Each "Auto Off" sends the stop of the mode that was switched on last.
    void autoModes() {
        struct Step {
            int id;
            QStringList sent;
        };
        const Step steps[] = {
            {1, {"83:42:4A:00", "83:42:19:01"}}, {0, {"83:42:19:00"}},
            {2, {"83:42:4B:01", "83:42:26:01"}}, {0, {"83:42:26:00"}},
            {3, {"83:42:4B:02", "83:42:26:01"}}, {0, {"83:42:26:00"}},
        };
        for (const Step& s : steps) {
            rig->sim.clearReceived();
            rig->opt("optAuto", s.id)->setChecked(true);
            QCOMPARE(rig->frames(s.sent.size()), s.sent);
            QCOMPARE(int(rig->win->console().AutoModeIndex), s.id);
            // the window re-derived its states: other modes are locked while one runs
            for (int other : {1, 2, 3})
                QCOMPARE(rig->opt("optAuto", other)->isEnabled(), s.id == 0 || other == s.id);
        }
        QCOMPARE(rig->key("VALUE02", "37-AUTO PAN KEY"), QString("83:42:4A:00"));
        QCOMPARE(rig->key("VALUE02", "38-AUTO PATROL KEY"), QString("83:42:4B:02"));
    }

    // A mode switched on while the console fills itself is remembered too.
    void autoModeRememberedWhileSuppressed() {
        rig->state.UpdatingFromCamera = true;
        rig->opt("optAuto", 3)->setChecked(true);
        rig->state.UpdatingFromCamera = false;
        QCOMPARE(int(rig->win->console().AutoModeIndex), 3);
        rig->opt("optAuto", 0)->setChecked(true);
        QCOMPARE(rig->frames(1), QStringList{"83:42:26:00"});
        QCOMPARE(int(rig->win->console().AutoModeIndex), 0);
    }

    void shutterChain() {
        rig->w<QComboBox>("cboShutterSpeed")->setCurrentIndex(1);
        rig->w<QSlider>("sldShutterExDRLevel")->setValue(-2);
        rig->frames(2);
        auto* speed = rig->w<QComboBox>("cboShutterSpeed");
        auto* level = rig->w<QSlider>("sldShutterExDRLevel");

        rig->sim.clearReceived();
        rig->opt("optShutter", 1)->setChecked(true);
        QCOMPARE(rig->frames(2), (QStringList{"83:42:0B:00", "83:42:14:03"}));
        QVERIFY(speed->isEnabled());
        QVERIFY(!level->isEnabled());

        rig->sim.clearReceived();
        rig->opt("optShutter", 2)->setChecked(true);
        QCOMPARE(rig->frames(2), (QStringList{"83:43:3A:7E", "83:42:0B:03"}));
        QVERIFY(!speed->isEnabled());
        QVERIFY(level->isEnabled());
        QCOMPARE(rig->key("VALUE02", "03-ExDR MODE"), QString("83:42:0B:03"));

        rig->sim.clearReceived();
        rig->opt("optShutter", 0)->setChecked(true);
        QCOMPARE(rig->frames(2), (QStringList{"83:42:0B:00", "83:42:14:00"}));
        QVERIFY(!speed->isEnabled());
        QVERIFY(!level->isEnabled());
        QCOMPARE(rig->key("VALUE02", "09-MANUAL SHUTTER SPEED"), QString("83:42:14:00"));
    }

    // M.ExDR and Auto(AES) send nothing but still refresh the window.
    void shutterModesWithoutCommand() {
        auto* exec = rig->w<QPushButton>("cmdExecLoadFactorySettings");
        for (int id : {5, 4}) {
            exec->setEnabled(true);  // out of step with "No"; a refresh puts it right
            rig->opt("optShutter", id)->setChecked(true);
            QVERIFY(!exec->isEnabled());
        }
        rig->w<QSlider>("sldPan")->setValue(100);  // a frame to wait for
        QCOMPARE(rig->frames(1), QStringList{"83:43:04:64"});
    }

    void whiteBalanceChain() {
        auto* rb = rig->w<QSlider>("sldWhiteBalanceRB");
        auto* mg = rig->w<QSlider>("sldWhiteBalanceMgG");
        QVERIFY(!rb->isEnabled());
        rig->opt("optWhiteBalance", 4)->setChecked(true);
        QCOMPARE(rig->frames(3), (QStringList{"83:42:12:04", "83:43:06:5F", "83:43:14:3F"}));
        QVERIFY(rb->isEnabled());
        QVERIFY(mg->isEnabled());
        QCOMPARE(rig->key("VALUE03", "10-MANUAL WHITE BALANCE(Mg-G)"), QString("83:43:14:3F"));

        rig->sim.clearReceived();
        rig->opt("optWhiteBalance", 1)->setChecked(true);
        rig->w<QSlider>("sldPan")->setValue(100);  // closes the sequence
        QCOMPARE(rig->frames(2), (QStringList{"83:42:12:01", "83:43:04:64"}));
        QVERIFY(!rb->isEnabled());
        QVERIFY(!mg->isEnabled());
        QCOMPARE(rig->key("VALUE02", "07-WHITE BALANCE MODE"), QString("83:42:12:01"));
    }

    // The DX-410 has no B&W mode and only two sense-up steps; switching
    // models sends nothing.
    void modelSwitchHidesBlackAndWhite() {
        auto* bw = rig->w<QGroupBox>("fraBW");
        auto* senseUp = rig->w<QComboBox>("cboSenseUpSelect");
        QVERIFY(!bw->isHidden());
        QCOMPARE(senseUp->count(), 7);
        rig->win->mnuTkc_Click(1);
        QVERIFY(bw->isHidden());
        QVERIFY(rig->w<QGroupBox>("fraBWLightType")->isHidden());
        QVERIFY(rig->w<QComboBox>("cboSenseUpPriority")->isHidden());
        QVERIFY(!rig->opt("optBW", 6)->isEnabled());
        QCOMPARE(senseUp->count(), 2);
        rig->win->mnuTkc_Click(0);
        QVERIFY(!bw->isHidden());
        QVERIFY(rig->opt("optBW", 6)->isEnabled());
        rig->w<QSlider>("sldPan")->setValue(100);  // the only frame
        QCOMPARE(rig->frames(1), QStringList{"83:43:04:64"});
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
