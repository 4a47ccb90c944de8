// The main window: start-up state, model profiles, connection settings,
// dependent enabled states and the layout, against the simulated camera.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

#include "../support/ConsoleRig.h"
#include "dxcmd/Profile.h"
#include "dxlink/dxlink.h"
#include "dxparams/Catalogue.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"

using dxconsole::need;

namespace {

const char* kRestartNotice =
    "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.";

QStringList items(QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

// Every "[SECTION] KEY=value" line of an INI file.
std::set<QString> iniEntries(const QString& path) {
    std::set<QString> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
    QString section;
    while (!f.atEnd()) {
        const QString line = QString::fromLatin1(f.readLine()).trimmed();
        if (line.isEmpty()) continue;
        if (line.startsWith(QLatin1Char('['))) {
            section = line;
            continue;
        }
        out.insert(section + QLatin1Char(' ') + line);
    }
    return out;
}

// The shared rig, plus what only the window's own tests need.
struct Rig : dxtest::ConsoleRig {
    using ConsoleRig::ConsoleRig;
    // Selects a button without running its handler, to test the refresh alone.
    void quietSelect(const char* group, int id) {
        auto* b = opt(group, id);
        QSignalBlocker block(w<QButtonGroup>(group));
        QSignalBlocker blockButton(b);
        b->setChecked(true);
    }
    int16_t sendSet() {
        state.LogLabel = std::string(dxparams::trg::Set.label);
        return win->commands().ExecCmd(std::string(dxparams::trg::Set.command), "A0", "", "");
    }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void startupWritesOnlyItsOptionsAndSendsNothing();
    void startupFallsBackWhenProgramFolderIsUnusable();
    void startupControls();
    void modelSwitch();
    void portAndInterfaceMenus();
    void multiDropAndCameraNumber();
    void restartNoticeWaitsOutBusyStates();
    void refreshRules();
    void refreshDoesNothingWhileLoading();
    void fitsSmallestScreen();
    void everyControlHasAnAccessibleName();
};

void WindowTest::startupWritesOnlyItsOptionsAndSendsNothing() {
    Rig r;
    QVERIFY(r.open());
    QCOMPARE(QString::fromStdString(r.state.CurrentFile), r.dir.filePath("current.orn"));
    const std::set<QString> expected = {"[OPTION] MODEL=1", "[OPTION] COMPORT=1", "[OPTION] DEVICETYPE=1",
                                        "[APPTYPE] APPNAME=DX410_430"};
    QCOMPARE(iniEntries(r.dir.filePath("current.orn")), expected);
    QVERIFY(r.sim.received().empty());
    QCOMPARE(r.state.CommPort, int16_t(1));
    QCOMPARE(r.state.CommDeviceType, int16_t(1));
    QCOMPARE(r.state.CommStyle, int16_t(0));
    QCOMPARE(QString::fromStdString(r.state.MachineID), QStringLiteral("0"));
    QVERIFY(!r.state.busy());
    QVERIFY2(r.clean(), qPrintable(r.failures.join("; ")));
}

void WindowTest::startupFallsBackWhenProgramFolderIsUnusable() {
    Rig r;
    QTemporaryDir scratch;
    const std::string fallback = scratch.filePath("data/dx410").toStdString();
    QVERIFY(r.open(scratch.filePath("no/such/folder").toStdString(), fallback));
    QCOMPARE(QString::fromStdString(r.state.CurrentFile), scratch.filePath("data/dx410/current.orn"));
    QCOMPARE(r.key("APPTYPE", "APPNAME"), QStringLiteral("DX410_430"));
}

void WindowTest::startupControls() {
    Rig r;
    QVERIFY(r.open());
    QCOMPARE(r.win->windowTitle(), QStringLiteral("ORN CCTV Camera  DX-410 / DX-430  Controller"));
    QCOMPARE(r.w<QLabel>("lblModel")->text(), QStringLiteral("DX-410"));
    QCOMPARE(r.w<QLabel>("lblCom")->text(), QStringLiteral("COM<u>1</u>"));  // as the menu shows it
    QCOMPARE(r.w<QLabel>("lblInterface")->text(), QStringLiteral("RS422A"));
    QVERIFY(r.w<QAction>("mnuTkc_1")->isChecked() && !r.w<QAction>("mnuTkc_0")->isChecked());
    QVERIFY(!r.win->isDX430());
    QVERIFY(r.w<QAction>("mnuCom_0")->isChecked() && r.w<QAction>("mnuDeviceType_0")->isChecked());
    QVERIFY(!r.w<QAction>("mnuDeviceType_2")->isVisible());
    QVERIFY(!r.w<QAction>("mnuLog")->isVisible() && !r.w<QAction>("mnuLog")->isEnabled());
    QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")), (QStringList{"Off", "x2"}));
    QCOMPARE(r.w<QComboBox>("cboSenseUpSelect")->currentIndex(), 0);
    QVERIFY(r.w<QGroupBox>("fraBW")->isHidden());

    auto* list = r.w<QTreeWidget>("lswPresetPosition");
    QCOMPARE(list->topLevelItemCount(), 100);
    QCOMPARE(list->columnCount(), 3);
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Position Title"));
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("00"));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("00  No information"));
    QCOMPARE(list->topLevelItem(7)->text(0), QStringLiteral("7"));
    QCOMPARE(list->topLevelItem(7)->text(1), QStringLiteral("7  No information"));
    QCOMPARE(list->topLevelItem(99)->text(0), QStringLiteral("99"));
    for (int i = 0; i < 100; ++i) QVERIFY(list->topLevelItem(i)->text(2).isEmpty());

    QCOMPARE(r.w<QSlider>("sldPan")->value(), 3200);
    QCOMPARE(r.w<QSlider>("sldTilt")->value(), 1600);
    QCOMPARE(r.w<QSlider>("sldTilt")->orientation(), Qt::Vertical);
    // a vertical slider has its minimum at the bottom unless inverted; tilt 0 is at the top
    QVERIFY(r.w<QSlider>("sldTilt")->invertedAppearance() && r.w<QSlider>("sldTilt")->invertedControls());
    QCOMPARE(r.w<QSlider>("sldPan")->maximum(), 6399);
    QCOMPARE(r.w<QSlider>("sldTilt")->maximum(), 6400);
    QCOMPARE(r.w<QSlider>("sldPan")->pageStep(), 45);
    QCOMPARE(r.w<QSlider>("sldWhiteBalanceRB")->pageStep(), 16);
    QCOMPARE(r.w<QSlider>("sldShutterExDRLevel")->minimum(), -5);
    QCOMPARE(r.w<QComboBox>("cboIrisMode")->currentText(), QStringLiteral("Auto"));
    QCOMPARE(r.w<QComboBox>("cboShutterSpeed")->count(), 7);
    QCOMPARE(r.w<QComboBox>("cboShutterSpeed")->currentText(), QStringLiteral("1/120"));
    QVERIFY(r.w<QLineEdit>("txtAreaTitle")->text().isEmpty());
    QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->count(), 4);
    QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 0);
    QVERIFY(r.opt("optAGC", 1)->isChecked());
    QVERIFY(r.opt("optVariablePT", 1)->isChecked());
    QVERIFY(r.opt("optBWLevelAuto", 1)->isChecked());
    // the log menu belongs to the diagnostic program
    QVERIFY(!r.w<QAction>("mnuLog")->isVisible());
    QVERIFY(!r.w<QAction>("mnuLog")->isEnabled());
}

void WindowTest::modelSwitch() {
    Rig r;
    QVERIFY(r.open());
    r.w<QAction>("mnuTkc_0")->trigger();
    QVERIFY(r.win->isDX430());
    QVERIFY(!r.w<QAction>("mnuTkc_1")->isChecked());
    QCOMPARE(r.w<QLabel>("lblModel")->text(), QStringLiteral("DX-430"));
    QCOMPARE(r.key("OPTION", "MODEL"), QStringLiteral("0"));
    QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")),
             (QStringList{"Off", "x2", "x4", "x8", "x16", "x32", "x24"}));
    for (const char* n : {"fraBW", "fraBWLevelAuto", "fraBWLightType", "cboSenseUpPriority", "lblSenseUpPriority"}) {
        QVERIFY2(!r.w<QWidget>(n)->isHidden() && r.w<QWidget>(n)->isEnabled(), n);
    }
    QVERIFY(r.opt("optBW", 6)->isEnabled() && !r.opt("optBW", 6)->isHidden());

    {
        // a value the camera reported; the switch back must drop it
        r.state.InitializingConsole = true;
        r.w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        r.state.InitializingConsole = false;
    }
    r.w<QAction>("mnuTkc_1")->trigger();
    QVERIFY(!r.win->isDX430());
    QCOMPARE(r.key("OPTION", "MODEL"), QStringLiteral("1"));
    QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")), (QStringList{"Off", "x2"}));
    QCOMPARE(r.w<QComboBox>("cboSenseUpSelect")->currentText(), QStringLiteral("Off"));
    for (const char* n : {"fraBW", "fraBWLevelAuto", "fraBWLightType", "cboSenseUpPriority", "lblSenseUpPriority"}) {
        QVERIFY2(r.w<QWidget>(n)->isHidden() && !r.w<QWidget>(n)->isEnabled(), n);
    }
    QVERIFY(!r.opt("optBWLightType", 1)->isEnabled());
    // a model switch is the console's business only
    QVERIFY(r.sim.received().empty());
    QVERIFY2(r.clean(), qPrintable(r.failures.join("; ")));
}

void WindowTest::portAndInterfaceMenus() {
    Rig r;
    QVERIFY(r.open());
    QVERIFY(r.w<QLabel>("lblPortStatus")->text().contains(QString::fromStdString(r.sim.devicePath())));

    // COM1 now leads nowhere: only port 3 reaches the camera
    setenv("DX410_COM1", "/nonexistent/dx410-port", 1);
    setenv("DX410_COM3", r.sim.devicePath().c_str(), 1);
    r.w<QAction>("mnuCom_2")->trigger();
    QCOMPARE(r.w<QLabel>("lblCom")->text(), QStringLiteral("COM<u>3</u>"));
    QCOMPARE(r.key("OPTION", "COMPORT"), QStringLiteral("3"));
    QVERIFY(r.w<QAction>("mnuCom_2")->isChecked());
    for (int i : {0, 1, 3}) QVERIFY(!r.w<QAction>(qPrintable(QStringLiteral("mnuCom_%1").arg(i)))->isChecked());
    QVERIFY(r.w<QLabel>("lblPortStatus")->text().startsWith(QStringLiteral("COM3")));
    QVERIFY(r.sim.received().empty());
    QCOMPARE(r.sendSet(), int16_t(0));
    QCOMPARE(r.sim.received(), std::vector<std::string>{"82:45:2A"});
    QCOMPARE(r.w<QLabel>("lblACKResult")->text(), QStringLiteral("Matched!"));
    QVERIFY(!QApplication::overrideCursor());

    // a port that cannot be opened says why, beside the cable message
    r.w<QAction>("mnuCom_0")->trigger();
    r.dialogs.expectMessage("Communication error! Please check the cable.");
    QCOMPARE(r.sendSet(), int16_t(2));
    QVERIFY(r.w<QLabel>("lblPortStatus")->text().contains(QStringLiteral("/nonexistent/dx410-port")));
    QVERIFY(r.w<QLabel>("lblPortStatus")->text().contains(QStringLiteral("could not be opened: not found")));
    // no permission is the usual trouble on a fresh desktop: say what to do
    r.win->showPortStatus("/dev/ttyS0", dxlink_port_error_text(static_cast<int>(dxlink::PortError::Permission)));
    QVERIFY(r.w<QLabel>("lblPortStatus")->text().contains(QStringLiteral("dialout")));
    r.win->showPortStatus("/dev/ttyS0", dxlink_port_error_text(static_cast<int>(dxlink::PortError::Busy)));
    QVERIFY(!r.w<QLabel>("lblPortStatus")->text().contains(QStringLiteral("dialout")));
    unsetenv("DX410_COM3");

    r.w<QAction>("mnuDeviceType_1")->trigger();
    QCOMPARE(r.state.CommDeviceType, int16_t(2));
    QCOMPARE(r.key("OPTION", "DEVICETYPE"), QStringLiteral("2"));
    QCOMPARE(r.w<QLabel>("lblInterface")->text(), QStringLiteral("RS485"));
    QVERIFY(!r.w<QAction>("mnuDeviceType_0")->isChecked());
    // the hidden item, as a setting file selects it
    r.win->mnuDeviceType_Click(2);
    QCOMPARE(r.w<QLabel>("lblInterface")->text(), QStringLiteral("RS232C"));
    QCOMPARE(r.key("OPTION", "DEVICETYPE"), QStringLiteral("3"));
    QVERIFY(r.w<QAction>("mnuDeviceType_2")->isChecked());
    QVERIFY2(r.clean(), qPrintable(r.failures.join("; ")));
}

void WindowTest::multiDropAndCameraNumber() {
    Rig r(16);
    QVERIFY(r.open());
    QVERIFY(!r.w<QGroupBox>("fraCamSel")->isEnabled());

    r.dialogs.expectMessage(kRestartNotice);
    r.opt("optCommunicationStyle", 1)->click();
    QCOMPARE(r.dialogs.shown().back().icon, dxcmd::Icon::Information);
    QCOMPARE(r.state.CommStyle, int16_t(1));
    QCOMPARE(r.key("COMMUNICATION", "STYLE"), QStringLiteral("1"));
    QVERIFY(r.w<QGroupBox>("fraCamSel")->isEnabled());
    auto* addressed = r.w<QLabel>("lblAddressedCamera");
    QCOMPARE(addressed->text(), QStringLiteral("No camera chosen"));
    auto cams = r.w<QButtonGroup>("optCamSel")->buttons();
    QCOMPARE(cams.size(), 32);
    for (auto* b : cams) QVERIFY(b->isEnabled() && !b->isChecked());

    // no camera chosen yet: refused before anything reaches the line
    r.dialogs.expectMessage("Please choose a camera number.");
    QCOMPARE(r.sendSet(), dxcmd::kStatusRefused);
    QVERIFY(r.sim.received().empty());

    r.opt("optCamSel", 9)->click();
    QCOMPARE(QString::fromStdString(r.state.MachineID), QStringLiteral("0A"));
    QCOMPARE(r.key("COMMUNICATION", "MACHINE ID"), QStringLiteral("0A"));
    QCOMPARE(r.sendSet(), int16_t(0));
    QCOMPARE(r.sim.received(), std::vector<std::string>{"B1:01:0A:82:45:2A"});
    r.opt("optCamSel", 31)->click();
    QCOMPARE(QString::fromStdString(r.state.MachineID), QStringLiteral("20"));
    QCOMPARE(addressed->text(), QStringLiteral("Camera 32"));

    // back to one camera: no second notice, numbers off, camera kept
    r.opt("optCommunicationStyle", 0)->click();
    QCOMPARE(r.state.CommStyle, int16_t(0));
    QCOMPARE(r.key("COMMUNICATION", "STYLE"), QStringLiteral("0"));
    QVERIFY(!r.w<QGroupBox>("fraCamSel")->isEnabled());
    for (auto* b : cams) QVERIFY(!b->isEnabled() && !b->isChecked());
    QCOMPARE(QString::fromStdString(r.state.MachineID), QStringLiteral("20"));
    QCOMPARE(addressed->text(), QStringLiteral("P to P"));
    r.opt("optCommunicationStyle", 1)->click();
    QCOMPARE(r.dialogs.shown().size(), size_t(2));
    // the buttons show none after the refresh; the camera addressed is still named
    for (auto* b : cams) QVERIFY(!b->isChecked());
    QCOMPARE(addressed->text(), QStringLiteral("Camera 32"));
    QVERIFY2(r.clean(), qPrintable(r.failures.join("; ")));
}

void WindowTest::restartNoticeWaitsOutBusyStates() {
    Rig r;
    QVERIFY(r.open());
    r.state.UpdatingFromCamera = true;
    r.opt("optCommunicationStyle", 1)->click();
    r.state.UpdatingFromCamera = false;
    QCOMPARE(r.state.CommStyle, int16_t(1));
    QVERIFY(r.dialogs.shown().empty());
    r.dialogs.expectMessage(kRestartNotice);
    r.opt("optCommunicationStyle", 0)->click();
    QCOMPARE(r.dialogs.shown().size(), size_t(1));
    QVERIFY2(r.clean(), qPrintable(r.failures.join("; ")));
}

void WindowTest::refreshRules() {
    Rig r;
    QVERIFY(r.open());
    auto enabled = [&](std::initializer_list<const char*> names) {
        QStringList wrong;
        for (const char* n : names)
            if (!r.w<QWidget>(n)->isEnabled()) wrong << n;
        return wrong.join(' ');
    };
    auto disabled = [&](std::initializer_list<const char*> names) {
        QStringList wrong;
        for (const char* n : names)
            if (r.w<QWidget>(n)->isEnabled()) wrong << n;
        return wrong.join(' ');
    };
    const auto speed = {"cboShutterSpeed", "lblShutterSpeed"};
    const auto level = {"lblExDRLevel", "sldShutterExDRLevel", "lblExDRLevelMin", "lblExDRLevelMax"};
    const auto wb = {"sldWhiteBalanceRB", "lblWhiteBalanceRB", "lblWhiteBalanceRBMin", "lblWhiteBalanceRBMax",
                     "sldWhiteBalanceMgG", "lblWhiteBalanceMgG", "lblWhiteBalanceMgGMin", "lblWhiteBalanceMgGMax"};

    // after start-up: Normal shutter, ATW, no factory reset
    QCOMPARE(disabled(speed), QString());
    QCOMPARE(disabled(level), QString());
    QCOMPARE(disabled(wb), QString());
    QVERIFY(!r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled());
    for (int i = 0; i < 4; ++i) QVERIFY(r.opt("optAuto", i)->isEnabled());

    r.quietSelect("optAuto", 2);
    r.win->RefreshControlStates();
    QVERIFY(r.opt("optAuto", 0)->isEnabled() && r.opt("optAuto", 2)->isEnabled());
    QVERIFY(!r.opt("optAuto", 1)->isEnabled() && !r.opt("optAuto", 3)->isEnabled());
    r.quietSelect("optAuto", 0);
    r.win->RefreshControlStates();
    for (int i = 0; i < 4; ++i) QVERIFY(r.opt("optAuto", i)->isEnabled());

    r.quietSelect("optShutter", 1);
    r.win->RefreshControlStates();
    QCOMPARE(enabled(speed), QString());
    QCOMPARE(disabled(level), QString());
    r.quietSelect("optShutter", 2);
    r.win->RefreshControlStates();
    QCOMPARE(disabled(speed), QString());
    QCOMPARE(enabled(level), QString());
    // M.ExDR and AES leave the last state alone
    r.quietSelect("optShutter", 5);
    r.win->RefreshControlStates();
    QCOMPARE(disabled(speed), QString());
    QCOMPARE(enabled(level), QString());

    r.quietSelect("optWhiteBalance", 4);
    r.win->RefreshControlStates();
    QCOMPARE(enabled(wb), QString());
    r.quietSelect("optWhiteBalance", 1);
    r.win->RefreshControlStates();
    QCOMPARE(disabled(wb), QString());

    r.quietSelect("optFactorySettings", 2);
    r.win->RefreshControlStates();
    QVERIFY(r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled());
    r.quietSelect("optFactorySettings", 0);
    r.win->RefreshControlStates();
    QVERIFY(!r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled());
    QVERIFY(r.sim.received().empty());
}

void WindowTest::refreshDoesNothingWhileLoading() {
    Rig r;
    QVERIFY(r.open());
    r.quietSelect("optFactorySettings", 1);
    r.quietSelect("optCommunicationStyle", 1);
    for (bool* flag : {&r.state.LoadingSettingFile, &r.state.UpdatingFromCamera}) {
        *flag = true;
        r.win->RefreshControlStates();
        *flag = false;
        QVERIFY(!r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled());
        QVERIFY(!r.w<QWidget>("fraCamSel")->isEnabled());
    }
    r.win->RefreshControlStates();
    QVERIFY(r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled());
    QVERIFY(r.w<QWidget>("fraCamSel")->isEnabled());
}

void WindowTest::fitsSmallestScreen() {
    Rig r;
    QVERIFY(r.open());
    r.w<QAction>("mnuTkc_0")->trigger();  // the model with every control shown
    // window frame and title bar of a typical desktop
    const int frameW = 12, frameH = 40;
    const QSize need = r.win->minimumSizeHint();
    QVERIFY2(need.width() + frameW <= 800 && need.height() + frameH <= 600,
             qPrintable(QStringLiteral("minimum %1 x %2").arg(need.width()).arg(need.height())));
    r.win->resize(800 - frameW, 600 - frameH);
    r.win->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.win.get()));

    auto* tab = r.w<QTabWidget>("tabCameraCtrl");
    auto checkInside = [](QWidget* area, QStringList& bad) {
        for (auto* c : area->findChildren<QWidget*>()) {
            if (!c->isVisible() || c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QRect g(c->mapTo(area, QPoint(0, 0)), c->size());
            const QSize min = c->minimumSizeHint();
            if (!area->rect().contains(g) || (min.isValid() && (c->width() < min.width() || c->height() < min.height())))
                bad << c->objectName();
        }
    };
    QStringList bad;
    for (int page = 0; page < tab->count(); ++page) {
        tab->setCurrentIndex(page);
        r.win->layout()->activate();
        QWidget* p = tab->widget(page);
        QVERIFY(!p->findChildren<QWidget*>().isEmpty());
        checkInside(p, bad);
    }
    checkInside(r.win->centralWidget(), bad);
    QVERIFY2(bad.isEmpty(), qPrintable(bad.join(' ')));

    // Room to set a value by mouse, and end labels that say which slider they
    // belong to, on the window as laid out at this size.
    struct Ends {
        const char* slider;
        int length;
        const char* minLabel;
        const char* maxLabel;
    };
    const Ends sliders[] = {
        {"sldPan", 250, "lblPanMin", "lblPanMax"},
        {"sldTilt", 150, "lblTiltMin", "lblTiltMax"},
        {"sldPTSpeed", 120, "lblPTSpeedMin", "lblPTSpeedMax"},
        {"sldZoomSpeed", 120, "lblZoomSpeedMin", "lblZoomSpeedMax"},
        {"sldFocusSpeed", 120, "lblFocusSpeedMin", "lblFocusSpeedMax"},
        {"sldShutterExDRLevel", 120, "lblExDRLevelMin", "lblExDRLevelMax"},
        {"sldLevelAdjColour", 120, "lblLevelAdjColourMin", "lblLevelAdjColourMax"},
        {"sldLevelAdjEnhance", 120, "lblLevelAdjEnhanceMin", "lblLevelAdjEnhanceMax"},
        {"sldLevelAdjPedestal", 120, "lblLevelAdjPedestalMin", "lblLevelAdjPedestalMax"},
        {"sldWhiteBalanceRB", 120, "lblWhiteBalanceRBMin", "lblWhiteBalanceRBMax"},
        {"sldWhiteBalanceMgG", 120, "lblWhiteBalanceMgGMin", "lblWhiteBalanceMgGMax"},
    };
    QCOMPARE(r.win->findChildren<QSlider*>().size(), qsizetype(std::size(sliders)));
    auto inWindow = [&](QWidget* c) { return QRect(c->mapTo(r.win.get(), QPoint(0, 0)), c->size()); };
    auto gap = [](const QRect& a, const QRect& b) {
        const int dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
        const int dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
        return std::hypot(dx, dy);
    };
    QStringList cramped, ambiguous;
    for (int page = 0; page < tab->count(); ++page) {
        tab->setCurrentIndex(page);
        r.win->layout()->activate();
        QList<const Ends*> shown;
        for (const Ends& e : sliders)
            if (r.w<QSlider>(e.slider)->isVisible()) shown << &e;
        for (const Ends* e : shown) {
            auto* s = r.w<QSlider>(e->slider);
            const int length = s->orientation() == Qt::Horizontal ? s->width() : s->height();
            qInfo("%s: %d px", e->slider, length);
            if (length < e->length) cramped << QStringLiteral("%1 %2 px").arg(e->slider).arg(length);
        }
        if (!cramped.isEmpty()) continue;
        for (const Ends* e : shown) {
            auto* s = r.w<QSlider>(e->slider);
            const QRect sr = inWindow(s);
            // where the lowest and highest values sit
            QPointF low = s->orientation() == Qt::Horizontal ? QPointF(sr.left(), sr.center().y())
                                                             : QPointF(sr.center().x(), sr.bottom());
            QPointF high = s->orientation() == Qt::Horizontal ? QPointF(sr.right(), sr.center().y())
                                                              : QPointF(sr.center().x(), sr.top());
            if (s->invertedAppearance()) std::swap(low, high);
            for (const char* name : {e->minLabel, e->maxLabel}) {
                const QRect lr = inWindow(r.w<QLabel>(name));
                const QPointF c = lr.center();
                const QPointF own = name == e->minLabel ? low : high, other = name == e->minLabel ? high : low;
                if (QLineF(c, own).length() >= QLineF(c, other).length()) ambiguous << QString::fromLatin1(name);
                for (const Ends* o : shown) {
                    if (o == e) continue;
                    if (gap(lr, inWindow(r.w<QSlider>(o->slider))) <= gap(lr, sr))
                        ambiguous << QStringLiteral("%1 (nearer %2)").arg(name, o->slider);
                    // the end labels of two sliders side by side on one line
                    for (const char* otherName : {o->minLabel, o->maxLabel}) {
                        const QRect olr = inWindow(r.w<QLabel>(otherName));
                        if (olr.top() <= lr.bottom() && lr.top() <= olr.bottom() && gap(lr, olr) < 12)
                            ambiguous << QStringLiteral("%1 beside %2").arg(name, otherName);
                    }
                }
            }
        }
    }
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(", ")));
    QVERIFY2(ambiguous.isEmpty(), qPrintable(ambiguous.join(", ")));
}

void WindowTest::everyControlHasAnAccessibleName() {
    Rig r;
    QVERIFY(r.open());
    r.win->show();
    QStringList unnamed, anonymous;
    for (auto* c : r.win->findChildren<QWidget*>()) {
        const bool internal = c->objectName().startsWith(QLatin1String("qt_")) ||
                              qobject_cast<QTabBar*>(c->parentWidget()) || qobject_cast<QScrollBar*>(c);
        if (internal) continue;
        const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QAbstractSlider*>(c) ||
                             qobject_cast<QComboBox*>(c) || qobject_cast<QLineEdit*>(c) ||
                             qobject_cast<QTreeWidget*>(c) || qobject_cast<QGroupBox*>(c);
        if (control && c->objectName().isEmpty()) anonymous << QString::fromLatin1(c->metaObject()->className());
        if (c->objectName().isEmpty()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) unnamed << c->objectName();
    }
    QVERIFY2(anonymous.isEmpty(), qPrintable(anonymous.join(' ')));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(' ')));
    // the option arrays are all there, under their names
    QCOMPARE(r.w<QButtonGroup>("optCamSel")->buttons().size(), 32);
    QCOMPARE(r.w<QButtonGroup>("optBLCArea")->buttons().size(), 7);
    QCOMPARE(r.w<QButtonGroup>("optBW")->buttons().size(), 7);
}

QTEST_MAIN(WindowTest)
#include "test_window.moc"
