// Pan, tilt and lens handlers driven through the window's controls against
// the simulated camera.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
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

// A started simulator, and the window on COM1 pointed at it.
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
    QAbstractButton* opt(const char* group, int id) { return w<QButtonGroup>(group)->button(id); }
    // What reached the camera since the last clear, once n frames arrived.
    QStringList frames(qsizetype n) {
        sim.waitForFrames(static_cast<size_t>(n), std::chrono::seconds(3));
        return texts(sim.received());
    }
    QString key(const char* section, const char* k) {
        return QString::fromStdString(dxcmd::ReadProfileString(state.CurrentFile, section, k));
    }
    void hold(QToolButton* b) { QTest::mousePress(b, Qt::LeftButton); }
    void letGo(QToolButton* b) { QTest::mouseRelease(b, Qt::LeftButton); }
    // Stops every axis at fixed positions so that read-backs are known.
    void park(int pan, int tilt) {
        auto s = sim.state();
        for (int a = 0; a < 5; ++a) s.motion[a] = s.motionSpeed[a] = 0;
        s.value03[0x04] = pan;
        s.value03[0x05] = tilt;
        sim.setState(s);
    }
};

}  // namespace

class TestMotion : public QObject {
    Q_OBJECT
    std::unique_ptr<Rig> rig;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        rig = std::make_unique<Rig>();
        QVERIFY(rig->open());
    }
    void cleanup() {
        rig->dialogs.verify();
        const QStringList failures = rig->failures;
        rig.reset();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    void pressAndRelease_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("stop");
        QTest::addColumn<QString>("key");
        const QStringList pan{"82:45:02", "82:03:04", "A0"};
        const QStringList tilt{"82:45:05", "82:03:05", "A0"};
        const QStringList zoom{"82:45:0E", "82:03:02", "A0"};
        const QStringList focus{"82:45:0B", "82:03:03", "A0"};
        QTest::newRow("right slowest") << "cmdRight" << "sldPTSpeed" << 0 << "83:45:00:10" << pan << "04-PAN POSITION";
        QTest::newRow("left fastest") << "cmdLeft" << "sldPTSpeed" << 7 << "83:45:01:1E" << pan << "04-PAN POSITION";
        QTest::newRow("up slowest") << "cmdUp" << "sldPTSpeed" << 0 << "83:45:03:10" << tilt << "05-TILT POSITION";
        QTest::newRow("down fastest") << "cmdDown" << "sldPTSpeed" << 7 << "83:45:04:1E" << tilt << "05-TILT POSITION";
        QTest::newRow("tele fastest") << "cmdZoomTele" << "sldZoomSpeed" << 3 << "83:45:0C:03" << zoom << "02-ZOOM POSITION";
        QTest::newRow("wide slowest") << "cmdZoomWide" << "sldZoomSpeed" << 0 << "83:45:0D:00" << zoom << "02-ZOOM POSITION";
        QTest::newRow("far fastest") << "cmdFocusFar" << "sldFocusSpeed" << 3 << "83:45:09:03" << focus << "03-FOCUS POSITION";
        QTest::newRow("near slowest") << "cmdFocusNear" << "sldFocusSpeed" << 0 << "83:45:0A:00" << focus << "03-FOCUS POSITION";
    }
    // Press starts at the slider's speed, release stops and records where
    // the axis ended; the slider of a read-back sends no set command.
    void pressAndRelease() {
        QFETCH(QString, button);
        QFETCH(QString, slider);
        QFETCH(int, speed);
        QFETCH(QString, start);
        QFETCH(QStringList, stop);
        QFETCH(QString, key);
        rig->w<QSlider>(qPrintable(slider))->setValue(speed);
        rig->sim.clearReceived();
        auto* b = rig->w<QToolButton>(qPrintable(button));
        rig->hold(b);
        QCOMPARE(rig->frames(1), QStringList{start});
        rig->letGo(b);
        QCOMPARE(rig->frames(1 + stop.size()), QStringList{start} + stop);
        QCOMPARE(rig->key("VALUE03", qPrintable(key)), QString::fromStdString(rig->state.LastReply));
        QVERIFY(rig->key("VALUE03", qPrintable(key)).startsWith("8"));
        const dxsim::CameraState after = rig->sim.state();
        for (int m : after.motion) QCOMPARE(m, 0);
    }

    void readBackMovesSliderWithoutSending() {
        auto* pan = rig->w<QSlider>("sldPan");
        auto* right = rig->w<QToolButton>("cmdRight");
        rig->hold(right);
        QCOMPARE(rig->frames(1), QStringList{"83:45:00:1A"});  // start speed 5
        rig->park(1000, 1600);
        rig->letGo(right);
        QCOMPARE(rig->frames(4), (QStringList{"83:45:00:1A", "82:45:02", "82:03:04", "A0"}));
        QCOMPARE(pan->value(), 1000);
        QCOMPARE(rig->key("VALUE03", "04-PAN POSITION"), QString("84:43:04:07:68"));
        QVERIFY(!rig->win->console().SettingPositionSlider);
    }

    void diagonalSendsTwoAndStopsAll() {
        rig->w<QSlider>("sldPTSpeed")->setValue(7);
        rig->sim.clearReceived();
        auto* b = rig->w<QToolButton>("cmdUpRight");
        rig->hold(b);
        QCOMPARE(rig->frames(2), (QStringList{"83:45:00:1E", "83:45:03:1E"}));
        rig->park(6399, 0);
        rig->letGo(b);
        QCOMPARE(rig->frames(7), (QStringList{"83:45:00:1E", "83:45:03:1E", "82:45:0F", "82:03:04", "A0",
                                              "82:03:05", "A0"}));
        QCOMPARE(rig->w<QSlider>("sldPan")->value(), 6399);
        QCOMPARE(rig->w<QSlider>("sldTilt")->value(), 0);
        QCOMPARE(rig->key("VALUE03", "04-PAN POSITION"), QString("84:43:04:31:7F"));
        QCOMPARE(rig->key("VALUE03", "05-TILT POSITION"), QString("83:43:05:00"));
    }

    void diagonalSecondCommandAfterFailedFirst() {
        rig->sim.injectFault("83:45:01", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        auto* b = rig->w<QToolButton>("cmdDownLeft");
        rig->hold(b);
        QCOMPARE(rig->frames(2), (QStringList{"83:45:01:1A", "83:45:04:1A"}));
        rig->letGo(b);
        QCOMPARE(rig->frames(7).mid(2, 1), QStringList{"82:45:0F"});
    }

    void irisStopReadsBackOnlyInManual() {
        auto* open = rig->w<QToolButton>("cmdIrisOpen");
        rig->hold(open);
        rig->letGo(open);
        QCOMPARE(rig->frames(2), (QStringList{"82:45:06", "82:45:08"}));
        QCOMPARE(rig->key("VALUE03", "01-MANUAL IRIS LEVEL"), QString());

        rig->w<QComboBox>("cboIrisMode")->setCurrentIndex(0);
        rig->sim.clearReceived();
        auto* close = rig->w<QToolButton>("cmdIrisClose");
        rig->hold(close);
        rig->letGo(close);
        QCOMPARE(rig->frames(4), (QStringList{"82:45:07", "82:45:08", "82:03:00", "A0"}));
        QVERIFY(rig->key("VALUE03", "01-MANUAL IRIS LEVEL").startsWith("83:43:00:") ||
                rig->key("VALUE03", "01-MANUAL IRIS LEVEL").startsWith("84:43:00:"));
    }

    void positionSliders_data() {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("key");
        QTest::newRow("pan 0") << "sldPan" << 0 << "83:43:04:00" << "04-PAN POSITION";
        QTest::newRow("pan 127") << "sldPan" << 127 << "83:43:04:7F" << "04-PAN POSITION";
        QTest::newRow("pan 128") << "sldPan" << 128 << "84:43:04:01:00" << "04-PAN POSITION";
        QTest::newRow("pan 6399") << "sldPan" << 6399 << "84:43:04:31:7F" << "04-PAN POSITION";
        QTest::newRow("tilt 0") << "sldTilt" << 0 << "83:43:05:00" << "05-TILT POSITION";
        QTest::newRow("tilt 6400") << "sldTilt" << 6400 << "84:43:05:32:00" << "05-TILT POSITION";
    }
    void positionSliders() {
        QFETCH(QString, slider);
        QFETCH(int, value);
        QFETCH(QString, command);
        QFETCH(QString, key);
        rig->w<QSlider>(qPrintable(slider))->setValue(value);
        QCOMPARE(rig->frames(1), QStringList{command});
        QCOMPARE(rig->key("VALUE03", qPrintable(key)), command);
    }

    // A set the camera never answers is reported and not recorded.
    void unansweredSetIsNotRecorded() {
        rig->w<QSlider>("sldPan")->setValue(100);
        QCOMPARE(rig->frames(1), QStringList{"83:43:04:64"});
        rig->sim.clearReceived();
        rig->sim.injectFault("84:43:04", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Communication error! Please check the cable.");
        rig->w<QSlider>("sldPan")->setValue(200);
        QCOMPARE(rig->frames(1), QStringList{"84:43:04:01:48"});
        QCOMPARE(rig->key("VALUE03", "04-PAN POSITION"), QString("83:43:04:64"));
    }

    // Nothing came back: the slider and the last record stay as they were.
    void unansweredReadBackKeepsSlider() {
        rig->w<QSlider>("sldTilt")->setValue(1500);
        QCOMPARE(rig->frames(1), QStringList{"84:43:05:0B:5C"});
        rig->sim.clearReceived();
        rig->sim.injectFault("82:03:05", dxsim::Fault::NoReply);
        rig->dialogs.expectMessage("Receive failed.\r\nCommand =82:03:05\r\nResult =NL");
        auto* down = rig->w<QToolButton>("cmdDown");
        rig->hold(down);
        rig->park(1000, 1600);
        rig->letGo(down);
        QCOMPARE(rig->frames(3), (QStringList{"83:45:04:1A", "82:45:05", "82:03:05"}));
        QCOMPARE(rig->w<QSlider>("sldTilt")->value(), 1500);
        QCOMPARE(rig->key("VALUE03", "05-TILT POSITION"), QString("84:43:05:0B:5C"));
    }

    // The console goes on after a bad reply; for all stop the tilt
    // read-back is not asked.
    void badReplyOnReadBackKeepsRunning() {
        auto* b = rig->w<QToolButton>("cmdDownRight");
        rig->hold(b);
        rig->park(3200, 1600);
        rig->sim.injectFault("82:03:04", dxsim::Fault::BadFirstByte);
        rig->dialogs.expectMessage("Bad value.\r\nCommand =82:03:04\r\nResult =90:43:04:19:00");
        rig->letGo(b);
        QCOMPARE(rig->frames(4), (QStringList{"83:45:00:1A", "83:45:04:1A", "82:45:0F", "82:03:04"}));
        QCOMPARE(rig->key("VALUE03", "04-PAN POSITION"), QString());
        QCOMPARE(rig->key("VALUE03", "05-TILT POSITION"), QString());
        QVERIFY(!rig->win->console().SettingPositionSlider);

        // and the next movement works as usual
        rig->sim.clearReceived();
        auto* left = rig->w<QToolButton>("cmdLeft");
        rig->hold(left);
        rig->letGo(left);
        QCOMPARE(rig->frames(4), (QStringList{"83:45:01:1A", "82:45:02", "82:03:04", "A0"}));
    }

    void lostHoldStopsOnce_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("window deactivated") << 0;
        QTest::newRow("button loses focus") << 1;
        QTest::newRow("button hidden") << 2;
        QTest::newRow("button disabled") << 3;
        QTest::newRow("window closed") << 4;
    }
    // The release never comes to the button: the camera must not be left
    // moving, and a late release sends no second stop.
    void lostHoldStopsOnce() {
        QFETCH(int, how);
        auto* b = rig->w<QToolButton>("cmdZoomTele");
        rig->hold(b);
        QCOMPARE(rig->frames(1), QStringList{"83:45:0C:02"});
        switch (how) {
        case 0: {
            QEvent e(QEvent::WindowDeactivate);
            QApplication::sendEvent(rig->win.get(), &e);
            break;
        }
        case 1: {
            QFocusEvent e(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(b, &e);
            break;
        }
        case 2: b->hide(); break;
        case 3: b->setEnabled(false); break;
        case 4:
            rig->dialogs.expectMessage(
                "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or "
                "<Position Save Menu>?)");
            QVERIFY(rig->win->close());
            break;
        }
        const QStringList stopped{"83:45:0C:02", "82:45:0E", "82:03:02", "A0"};
        QCOMPARE(rig->frames(4), stopped);
        QCOMPARE(rig->sim.state().motion[2], 0);
        rig->letGo(b);
        rig->w<QSlider>("sldPan")->setValue(100);  // anything sent by the release comes before this
        QCOMPARE(rig->frames(5), stopped + QStringList{"83:43:04:64"});
    }

    // A release that arrives while the start command still waits for the
    // camera stops the movement once that exchange is over.
    void releaseDuringStartExchange() {
        struct Pump {
            Pump() { dxlink_set_event_pump([](void*) { QCoreApplication::processEvents(); }, nullptr); }
            ~Pump() { dxlink_set_event_pump(nullptr, nullptr); }
        } pump;
        rig->sim.setTurnaroundMs(60);
        auto* b = rig->w<QToolButton>("cmdRight");
        const QPointF at(b->rect().center());
        QCoreApplication::postEvent(
            b, new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at), Qt::LeftButton,
                               Qt::NoButton, Qt::NoModifier));
        rig->hold(b);
        QCOMPARE(rig->frames(4), (QStringList{"83:45:00:1A", "82:45:02", "82:03:04", "A0"}));
        QCOMPARE(rig->sim.state().motion[0], 0);
    }

    void easyAfCaptionFollowsState() {
        auto* easy = rig->w<QCheckBox>("chkFocusEasy");
        QCOMPARE(easy->text(), QString("Easy AF    Off"));
        easy->setChecked(true);
        QCOMPARE(rig->frames(1), QStringList{"83:42:25:01"});
        QCOMPARE(easy->text(), QString("Easy AF    On"));
        QCOMPARE(rig->key("VALUE02", "20-EASY AF MODE"), QString("83:42:25:01"));

        rig->sim.injectFault("83:42:25", dxsim::Fault::WrongAck);
        rig->dialogs.expectMessage(
            "Error!\r\nSECTION = [VALUE02]\r\nKEY = [20-EASY AF MODE]\r\nCommand = 83:42:25:00");
        easy->setChecked(false);
        QCOMPARE(rig->frames(2), (QStringList{"83:42:25:01", "83:42:25:00"}));
        QCOMPARE(easy->text(), QString("Easy AF    Off"));
        QCOMPARE(rig->key("VALUE02", "20-EASY AF MODE"), QString("83:42:25:01"));
    }

    void onePushReadsFocus() {
        QTest::mouseClick(rig->w<QPushButton>("cmdFocusOnepush"), Qt::LeftButton);
        QCOMPARE(rig->frames(3), (QStringList{"82:45:1F", "82:03:03", "A0"}));
        QCOMPARE(rig->sim.state().onePushCount, 1);
        QCOMPARE(rig->key("VALUE03", "03-FOCUS POSITION"), QString::fromStdString(rig->state.LastReply));
        QVERIFY(!rig->state.LastReply.empty());
    }
};

QTEST_MAIN(TestMotion)
#include "test_motion.moc"
