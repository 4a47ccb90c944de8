// The main window itself: its start-up state, the model profiles, the
// connection settings, the dependent enabled states, the layout and the exit.
#include <QAccessible>
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
#include <QTreeWidget>
#include <cmath>

#include "ConsoleRig.h"

namespace {

const char* const kRestartNotice =
    "When you changed [Communication Style] or [Machine ID],you must restart your camera to take effect.";

QStringList items(QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

}  // namespace

class TestWindow : public dxtest::RigTest {
    Q_OBJECT

    // Every widget of the list that is hidden or disabled, or shown and enabled.
    QString wrong(std::initializer_list<const char*> names, bool on) {
        QStringList bad;
        for (const char* n : names)
            if (rig->w<QWidget>(n)->isEnabled() != on || rig->w<QWidget>(n)->isHidden() == on) bad << n;
        return bad.join(' ');
    }
    // Selects a button without running its handler, then refreshes.
    void refreshWith(const char* group, int id) {
        QAbstractButton* b = rig->opt(group, id);
        const QSignalBlocker block(rig->w<QButtonGroup>(group)), blockButton(b);
        b->setChecked(true);
        rig->win->RefreshControlStates();
    }
    int16_t sendSet() {
        rig->state.LogLabel = "SET (TRIGGER 28)";
        return rig->win->commands().ExecCmd("82:45:2A", "A0", "", "");
    }

private slots:
    void startsWithItsDefaultsAndSendsNothing() {
        OPEN_RIG();
        QCOMPARE(QString::fromStdString(r.state.CurrentFile), r.dir.filePath("current.orn"));
        QFile f(r.dir.filePath("current.orn"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts),
                 (QStringList{"[OPTION]", "MODEL=1", "COMPORT=1", "DEVICETYPE=1", "[APPTYPE]", "APPNAME=DX410_430"}));
        QVERIFY(r.sim.received().empty());
        QVERIFY(r.state.CommPort == 1 && r.state.CommDeviceType == 1 && r.state.CommStyle == 0 && !r.state.busy());
        QCOMPARE(r.state.MachineID, std::string("0"));
        QCOMPARE(r.win->windowTitle(), QStringLiteral("ORN CCTV Camera  DX-410 / DX-430  Controller"));
        QCOMPARE(r.w<QLabel>("lblModel")->text() + r.w<QLabel>("lblCom")->text() + r.w<QLabel>("lblInterface")->text(),
                 QStringLiteral("DX-410COM<u>1</u>RS422A"));
        for (const char* on : {"mnuTkc_1", "mnuCom_0", "mnuDeviceType_0"}) QVERIFY2(r.w<QAction>(on)->isChecked(), on);
        QVERIFY(!r.w<QAction>("mnuTkc_0")->isChecked() && !r.win->isDX430());
        QVERIFY(!r.w<QAction>("mnuDeviceType_2")->isVisible());
        QVERIFY(!r.w<QAction>("mnuLog")->isVisible() && !r.w<QAction>("mnuLog")->isEnabled());  // the diagnostic program's
        QCOMPARE(wrong({"fraBW", "cboSenseUpPriority"}, false), QString());

        auto* list = r.w<QTreeWidget>("lswPresetPosition");
        QCOMPARE(list->topLevelItemCount(), 100);
        QCOMPARE(list->headerItem()->text(1), QStringLiteral("Position Title"));
        for (int row : {0, 7, 99}) {
            const QString n = row ? QString::number(row) : QStringLiteral("00");
            QCOMPARE(list->topLevelItem(row)->text(0), n);
            QCOMPARE(list->topLevelItem(row)->text(1), n + QStringLiteral("  No information"));
            QVERIFY(list->topLevelItem(row)->text(2).isEmpty());
        }
        const struct {
            const char* name;
            int min, max, value, page;
        } sliders[] = {{"sldPan", 0, 6399, 3200, 45},          {"sldTilt", 0, 6400, 1600, 45},
                       {"sldPTSpeed", 0, 7, 5, 1},             {"sldZoomSpeed", 0, 3, 2, 1},
                       {"sldFocusSpeed", 0, 3, 1, 1},          {"sldShutterExDRLevel", -5, 5, 0, 1},
                       {"sldWhiteBalanceRB", 0, 255, 95, 16},  {"sldWhiteBalanceMgG", 0, 255, 63, 16},
                       {"sldLevelAdjColour", -5, 5, 0, 1}};
        for (const auto& s : sliders) {
            auto* w = r.w<QSlider>(s.name);
            QVERIFY2(w->minimum() == s.min && w->maximum() == s.max && w->value() == s.value && w->pageStep() == s.page,
                     s.name);
        }
        // tilt 0 is at the top, where its label is
        QVERIFY(r.w<QSlider>("sldTilt")->invertedAppearance() && r.w<QSlider>("sldTilt")->invertedControls());
        QCOMPARE(items(r.w<QComboBox>("cboIrisMode")), (QStringList{"Manual", "Auto", "Auto(+)", "Auto(-)"}));
        QCOMPARE(items(r.w<QComboBox>("cboShutterSpeed")),
                 (QStringList{"1/120", "1/250", "1/500", "1/1000", "1/2000", "1/4000", "1/10000"}));
        QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")), (QStringList{"Off", "x2"}));
        QCOMPARE(r.w<QComboBox>("cboIrisMode")->currentIndex() * 10 + r.w<QComboBox>("cboShutterSpeed")->currentIndex(), 10);
        QString groups;
        for (const char* g : {"optAuto", "optVariablePT", "optShutter", "optBLCArea", "optAGC", "optWhiteBalance", "optBW",
                              "optBWLevelAuto", "optBWLightType", "optFactorySettings", "optCommunicationStyle"})
            groups += QString::number(r.w<QButtonGroup>(g)->checkedId());
        QCOMPARE(groups, QStringLiteral("01001101000"));
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->count(), 4);
        QCOMPARE(r.w<QTabWidget>("tabCameraCtrl")->currentIndex(), 0);
    }

    // The DX-430 adds black-and-white mode, IR light, ALC priority and more
    // sense-up steps; a switch is the console's business only.
    void modelProfiles() {
        OPEN_RIG();
        const auto only430 = {"fraBW", "fraBWLevelAuto", "fraBWLightType", "cboSenseUpPriority", "lblSenseUpPriority",
                              "optBW_6", "optBWLightType_1"};
        r.w<QAction>("mnuTkc_0")->trigger();
        QVERIFY(r.win->isDX430() && !r.w<QAction>("mnuTkc_1")->isChecked());
        QCOMPARE(r.w<QLabel>("lblModel")->text(), QStringLiteral("DX-430"));
        QCOMPARE(r.key("OPTION", "MODEL"), QStringLiteral("0"));
        QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")), (QStringList{"Off", "x2", "x4", "x8", "x16", "x32", "x24"}));
        QCOMPARE(wrong(only430, true), QString());
        r.state.InitializingConsole = true;  // a value the camera reported; the switch back drops it
        r.w<QComboBox>("cboSenseUpSelect")->setCurrentIndex(6);
        r.state.InitializingConsole = false;
        r.w<QAction>("mnuTkc_1")->trigger();
        QVERIFY(!r.win->isDX430() && !r.w<QAction>("mnuTkc_0")->isChecked());
        QCOMPARE(r.w<QLabel>("lblModel")->text(), QStringLiteral("DX-410"));
        QCOMPARE(r.key("OPTION", "MODEL"), QStringLiteral("1"));
        QCOMPARE(items(r.w<QComboBox>("cboSenseUpSelect")), (QStringList{"Off", "x2"}));
        QCOMPARE(r.w<QComboBox>("cboSenseUpSelect")->currentIndex(), 0);
        QCOMPARE(wrong(only430, false), QString());
        QVERIFY(r.sim.received().empty());
    }

    void portAndInterfaceMenus() {
        OPEN_RIG();
        QVERIFY(r.w<QLabel>("lblPortStatus")->text().contains(QString::fromStdString(r.sim.devicePath())));
        // COM1 now leads nowhere: only port 3 reaches the camera
        setenv("DX410_COM1", "/nonexistent/dx410-port", 1);
        setenv("DX410_COM3", r.sim.devicePath().c_str(), 1);
        r.w<QAction>("mnuCom_2")->trigger();
        QCOMPARE(r.w<QLabel>("lblCom")->text(), QStringLiteral("COM<u>3</u>"));
        QCOMPARE(r.key("OPTION", "COMPORT"), QStringLiteral("3"));
        for (int i = 0; i < 4; ++i) QCOMPARE(r.w<QAction>(qPrintable(QStringLiteral("mnuCom_%1").arg(i)))->isChecked(), i == 2);
        QVERIFY(r.w<QLabel>("lblPortStatus")->text().startsWith(QStringLiteral("COM3")));
        QCOMPARE(sendSet(), int16_t(0));
        QCOMPARE(r.sim.received(), std::vector<std::string>{"82:45:2A"});
        QCOMPARE(r.w<QLabel>("lblACKResult")->text(), QStringLiteral("Matched!"));
        QVERIFY(!QApplication::overrideCursor());

        // a port that cannot be opened says why, beside the cable message
        r.w<QAction>("mnuCom_0")->trigger();
        r.dialogs.expectMessage("Communication error! Please check the cable.");
        QCOMPARE(sendSet(), int16_t(2));
        QVERIFY(r.w<QLabel>("lblPortStatus")->text().endsWith(
            QStringLiteral("(/nonexistent/dx410-port) could not be opened: not found")));
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
        r.win->mnuDeviceType_Click(2);  // the hidden item, as a setting file selects it
        QCOMPARE(r.w<QLabel>("lblInterface")->text(), QStringLiteral("RS232C"));
        QCOMPARE(r.key("OPTION", "DEVICETYPE"), QStringLiteral("3"));
        QVERIFY(r.w<QAction>("mnuDeviceType_2")->isChecked());
    }

    void multiDropAndCameraNumber() {
        OPEN_RIG(dxtest::Unpaced(16));
        r.state.UpdatingFromCamera = true;  // the notice waits out a load from the camera
        r.opt("optCommunicationStyle", 1)->click();
        r.state.UpdatingFromCamera = false;
        QVERIFY(r.dialogs.shown().empty());
        r.dialogs.expectMessage(kRestartNotice);
        r.opt("optCommunicationStyle", 0)->click();
        QVERIFY(!r.w<QGroupBox>("fraCamSel")->isEnabled());
        r.opt("optCommunicationStyle", 1)->click();  // said once only
        QCOMPARE(r.dialogs.shown().size(), size_t(1));
        QCOMPARE(r.dialogs.shown().back().icon, dxcmd::Icon::Information);
        QCOMPARE(r.state.CommStyle, int16_t(1));
        QCOMPARE(r.key("COMMUNICATION", "STYLE"), QStringLiteral("1"));
        QVERIFY(r.w<QGroupBox>("fraCamSel")->isEnabled());
        auto* addressed = r.w<QLabel>("lblAddressedCamera");
        QCOMPARE(addressed->text(), QStringLiteral("No camera chosen"));
        const auto cams = r.w<QButtonGroup>("optCamSel")->buttons();
        QCOMPARE(cams.size(), 32);
        for (auto* b : cams) QVERIFY(b->isEnabled() && !b->isChecked());
        // no camera chosen yet: refused before anything reaches the line
        r.dialogs.expectMessage("Please choose a camera number.");
        QCOMPARE(sendSet(), dxcmd::kStatusRefused);
        QVERIFY(r.sim.received().empty());

        r.opt("optCamSel", 9)->click();
        QCOMPARE(r.key("COMMUNICATION", "MACHINE ID"), QStringLiteral("0A"));
        QCOMPARE(sendSet(), int16_t(0));
        QCOMPARE(r.sim.received(), std::vector<std::string>{"B1:01:0A:82:45:2A"});
        r.opt("optCamSel", 31)->click();
        QCOMPARE(r.state.MachineID, std::string("20"));
        QCOMPARE(addressed->text(), QStringLiteral("Camera 32"));

        // back to one camera: numbers off, camera kept
        r.opt("optCommunicationStyle", 0)->click();
        QCOMPARE(r.key("COMMUNICATION", "STYLE"), QStringLiteral("0"));
        QVERIFY(!r.w<QGroupBox>("fraCamSel")->isEnabled());
        for (auto* b : cams) QVERIFY(!b->isEnabled() && !b->isChecked());
        QCOMPARE(addressed->text(), QStringLiteral("P to P"));
        r.opt("optCommunicationStyle", 1)->click();
        // the buttons show none after the refresh; the camera addressed is still named
        for (auto* b : cams) QVERIFY(!b->isChecked());
        QCOMPARE(addressed->text(), QStringLiteral("Camera 32"));
        QCOMPARE(r.state.MachineID, std::string("20"));
    }

    void enabledStates() {
        OPEN_RIG();
        auto on = [&] {  // shutter speed, ExDR level, manual white balance, factory reset, auto modes
            QString s;
            for (const char* n : {"cboShutterSpeed", "lblShutterSpeed", " ", "lblExDRLevel", "sldShutterExDRLevel",
                                  "lblExDRLevelMin", "lblExDRLevelMax", " ", "sldWhiteBalanceRB", "lblWhiteBalanceRB",
                                  "lblWhiteBalanceRBMin", "lblWhiteBalanceRBMax", "sldWhiteBalanceMgG", "lblWhiteBalanceMgG",
                                  "lblWhiteBalanceMgGMin", "lblWhiteBalanceMgGMax", " ", "cmdExecLoadFactorySettings", " ",
                                  "optAuto_0", "optAuto_1", "optAuto_2", "optAuto_3", " ", "fraCamSel"})
                s += *n == ' ' ? QStringLiteral(" ") : QString::number(r.w<QWidget>(n)->isEnabled());
            return s;
        };
        QCOMPARE(on(), QStringLiteral("00 0000 00000000 0 1111 0"));  // Normal shutter, ATW, no reset, P to P
        const struct {
            const char* group;
            int id;
            const char* states;
        } rules[] = {
            {"optAuto", 2, "00 0000 00000000 0 1010 0"},       {"optAuto", 0, "00 0000 00000000 0 1111 0"},
            {"optShutter", 1, "11 0000 00000000 0 1111 0"},    {"optShutter", 2, "00 1111 00000000 0 1111 0"},
            {"optShutter", 5, "00 1111 00000000 0 1111 0"},    // M.ExDR and AES leave the last state alone
            {"optWhiteBalance", 4, "00 1111 11111111 0 1111 0"}, {"optFactorySettings", 2, "00 1111 11111111 1 1111 0"},
            {"optCommunicationStyle", 1, "00 1111 11111111 1 1111 1"}, {"optFactorySettings", 0, "00 1111 11111111 0 1111 1"},
        };
        for (const auto& rule : rules) {
            refreshWith(rule.group, rule.id);
            QVERIFY2(on() == QLatin1String(rule.states), qPrintable(rule.group + on()));
        }
        // nothing changes while a load fills the console
        for (bool* flag : {&r.state.LoadingSettingFile, &r.state.UpdatingFromCamera}) {
            *flag = true;
            refreshWith("optCommunicationStyle", 0);
            refreshWith("optFactorySettings", 1);
            *flag = false;
            QCOMPARE(on(), QStringLiteral("00 1111 11111111 0 1111 1"));
        }
        // the handlers that change what is enabled refresh, also when they send nothing
        for (auto [g, id] : {std::pair{"optShutter", 4}, {"optShutter", 5}, {"optWhiteBalance", 1}, {"optAuto", 1}, {"optAuto", 0}}) {
            r.w<QWidget>("cmdExecLoadFactorySettings")->setEnabled(false);
            r.opt(g, id)->click();
            QVERIFY2(r.w<QWidget>("cmdExecLoadFactorySettings")->isEnabled(), g);
        }
    }

    void fitsTheSmallestScreen() {
        OPEN_RIG();
        r.w<QAction>("mnuTkc_0")->trigger();  // the model with every control shown
        const int frameW = 12, frameH = 40;   // window frame and title bar of a typical desktop
        const QSize need = r.win->minimumSizeHint();
        QVERIFY2(need.width() + frameW <= 800 && need.height() + frameH <= 600,
                 qPrintable(QStringLiteral("minimum %1 x %2").arg(need.width()).arg(need.height())));
        r.win->resize(800 - frameW, 600 - frameH);
        QVERIFY(QTest::qWaitForWindowExposed(r.win.get()));
        auto* tab = r.w<QTabWidget>("tabCameraCtrl");
        auto at = [&](QWidget* c) { return QRect(c->mapTo(r.win.get(), QPoint(0, 0)), c->size()); };
        QStringList bad;
        for (int page = 0; page < tab->count(); ++page) {
            tab->setCurrentIndex(page);
            r.win->layout()->activate();
            for (auto* c : r.win->centralWidget()->findChildren<QWidget*>()) {
                if (!c->isVisible() || c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_"))) continue;
                const QSize min = c->minimumSizeHint();
                if (!r.win->centralWidget()->rect().contains(c->mapTo(r.win->centralWidget(), c->rect().bottomRight())) ||
                    (min.isValid() && (c->width() < min.width() || c->height() < min.height())))
                    bad << c->objectName();
                // room to set a value by mouse; end labels nearer their own end of the slider
                auto* s = qobject_cast<QSlider*>(c);
                if (!s) continue;
                const bool across = s->orientation() == Qt::Horizontal;
                const int length = across ? s->width() : s->height();
                const QString n = c->objectName();
                if (length < (n == QLatin1String("sldPan") ? 250 : n == QLatin1String("sldTilt") ? 150 : 120))
                    bad << QStringLiteral("%1 %2 px").arg(n).arg(length);
                const QString base = n == QLatin1String("sldShutterExDRLevel") ? QStringLiteral("lblExDRLevel") : "lbl" + n.mid(3);
                const QRect sr = at(s);
                QPointF low = across ? QPointF(sr.left(), sr.center().y()) : QPointF(sr.center().x(), sr.bottom());
                QPointF high = across ? QPointF(sr.right(), sr.center().y()) : QPointF(sr.center().x(), sr.top());
                if (s->invertedAppearance()) std::swap(low, high);
                const QPointF minAt = at(r.w<QLabel>(qPrintable(base + "Min"))).center();
                const QPointF maxAt = at(r.w<QLabel>(qPrintable(base + "Max"))).center();
                if (QLineF(minAt, low).length() >= QLineF(minAt, high).length() ||
                    QLineF(maxAt, high).length() >= QLineF(maxAt, low).length())
                    bad << n + QStringLiteral(" end labels");
            }
        }
        bad.removeDuplicates();
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(", ")));
    }

    void everyControlHasAnAccessibleName() {
        OPEN_RIG();
        QStringList unnamed;
        for (auto* c : r.win->findChildren<QWidget*>()) {
            if (c->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<QTabBar*>(c->parentWidget()) ||
                qobject_cast<QScrollBar*>(c))
                continue;
            const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QAbstractSlider*>(c) ||
                                 qobject_cast<QComboBox*>(c) || qobject_cast<QLineEdit*>(c) ||
                                 qobject_cast<QTreeWidget*>(c) || qobject_cast<QGroupBox*>(c);
            if (control && c->objectName().isEmpty()) unnamed << QString::fromLatin1(c->metaObject()->className());
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
            if (!c->objectName().isEmpty() && (!a || a->text(QAccessible::Name).trimmed().isEmpty())) unnamed << c->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(' ')));
        QCOMPARE(r.w<QButtonGroup>("optBLCArea")->buttons().size() + r.w<QButtonGroup>("optBW")->buttons().size(), 14);
    }

    void exitAsksFirst() {
        OPEN_RIG();
        r.dialogs.expectMessage(
            "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or <Position Save Menu>?)",
            dxcmd::Answer::Cancel);
        r.w<QAction>("mnuExit")->trigger();
        QVERIFY(r.win->isVisible());
        const auto& ask = r.dialogs.shown().back();
        QVERIFY(ask.icon == dxcmd::Icon::Question && ask.buttons == dxcmd::Buttons::OkCancel && ask.title.empty());
    }

    // A start check that fails ends the load before any of the console's set-up.
    void failedStartCheckStopsTheLoad() {
        rig = std::make_unique<dxtest::ConsoleRig>(dxtest::Unpaced());
        int checks = 0;
        QVERIFY(!rig->open([&](dxconsole::ConsoleDeps& d) { d.startChecks = [&] { return ++checks, false; }; }));
        QCOMPARE(checks, 1);
        QVERIFY(rig->state.CurrentFile.empty() && !QFile::exists(rig->dir.filePath("current.orn")));
        QVERIFY(rig->w<QLabel>("lblModel")->text().isEmpty());
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
