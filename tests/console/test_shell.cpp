// The program shell around the main window: the start checks and the
// single-instance lock, the splash, the message boxes of the window system,
// the log window of the diagnostic program, the about box, the bench's
// start-up reports and the status labels.
#include <fcntl.h>
#include <unistd.h>

#include <QEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <ctime>

#include "BenchHook.h"
#include "ConsoleRig.h"
#include "QtDialogs.h"
#include "StartupChecks.h"
#include "StatusLabels.h"
#include "frmAbout.h"
#include "frmLog.h"
#include "frmSplash.h"

using dxtest::need;

class TestShell : public dxtest::RigTest {
    Q_OBJECT

private slots:
    void startChecks() {
        QVERIFY(dxshell::ScreenSizeAccepted(800, 600) && dxshell::ScreenSizeAccepted(1920, 1080));
        QVERIFY(!dxshell::ScreenSizeAccepted(800, 599) && !dxshell::ScreenSizeAccepted(799, 600));
        QTemporaryDir dir;
        QStringList failures;
        dxtest::ScriptedDialogs dialogs([&](const std::string& m) { failures << QString::fromStdString(m); });
        dxshell::InstanceLock first(dir.filePath("lock").toStdString()), second(dir.filePath("lock").toStdString());
        QVERIFY(first.acquire());
        QSize screen(1024, 768);
        dxshell::StartupChecks other(dialogs, second, [&] { return screen; });
        dialogs.expectMessage("This application is already running.");
        QVERIFY(!other.run());
        // the holder passes again (the main window repeats the checks)
        dxshell::StartupChecks mine(dialogs, first, [&] { return screen; });
        QVERIFY(mine.run() && mine.run());
        screen = QSize(800, 599);
        dialogs.expectMessage("This application is required Super VGA (800 x 600) or higher-resolution.");
        QVERIFY(!mine.run());
        dialogs.verify();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        const auto& shown = dialogs.shown();
        QVERIFY(shown[0].title == "Error" && shown[1].title == "Resolution Error");
        QVERIFY(shown[0].icon == dxcmd::Icon::Critical && shown[1].icon == dxcmd::Icon::Critical);

        first.release();  // gone with its holder
        QVERIFY(second.acquire());
        // no lock file can be made there: that is no sign of another copy
        dxshell::InstanceLock nowhere(dir.filePath("no/such/dir/DX410.lock").toStdString());
        QVERIFY(nowhere.acquire() && !nowhere.held());

        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        QCOMPARE(QString::fromStdString(dxshell::InstanceLock::DefaultPath()), dir.filePath("DX410.lock"));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(QString::fromStdString(dxshell::InstanceLock::DefaultPath()),
                 QStringLiteral("/tmp/DX410-%1.lock").arg(::getuid()));
        if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);
    }

    // A click, a key or the timer opens the main window, once.
    void splashOpensTheMainWindowOnce() {
        for (int how = 0; how < 3; ++how) {
            int opened = 0;
            dxshell::frmSplash splash([&] { ++opened; });
            QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(need<QLabel>(splash, "lblVersion")->text(), QStringLiteral("Version 1.0.0"));
            QCOMPARE(need<QLabel>(splash, "lblCompanyProduct")->text(), QStringLiteral("ORN CCTV"));
            for (const char* n : {"lblProductName", "lblCompany", "lblCopyright", "lblWarning"})
                QVERIFY2(need<QLabel>(splash, n)->text().isEmpty(), n);
            QVERIFY(!need<QLabel>(splash, "imgLogo")->pixmap().isNull());
            splash.show();
            QVERIFY(QTest::qWaitForWindowExposed(&splash));
            auto* timer = need<QTimer>(splash, "Timer1");
            QVERIFY(timer->isActive() && timer->isSingleShot() && timer->interval() == 2000);
            if (how == 0) QTest::mouseClick(need<QFrame>(splash, "Frame1"), Qt::LeftButton);
            if (how == 1) QTest::keyClick(&splash, Qt::Key_Space);
            QTRY_COMPARE_WITH_TIMEOUT(opened, 1, 5000);
            QVERIFY(!splash.isVisible() && !timer->isActive());
            // a late tick, click or key opens no second window
            splash.Timer1_Timer();
            splash.Frame1_Click();
            QTest::keyClick(&splash, Qt::Key_Space);
            QCOMPARE(opened, 1);
        }
    }

    void messageBoxesAndFileFilters() {
        using namespace dxcmd;
        auto box = dxconsole::BuildMessageBox("Receive failed.\r\nCommand =82:02:00\r\nResult =NL", "", Icon::Critical,
                                              Buttons::Ok, Answer::Ok, nullptr);
        QCOMPARE(box->text(), QStringLiteral("Receive failed.\nCommand =82:02:00\nResult =NL"));
        QCOMPARE(box->windowTitle(), QStringLiteral("ORN CCTV"));
        QVERIFY(box->icon() == QMessageBox::Critical && box->standardButtons() == QMessageBox::Ok);
        box = dxconsole::BuildMessageBox("Are you sure to upload?", "Upload", Icon::Question, Buttons::YesNo, Answer::No,
                                         nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("Upload"));
        QVERIFY(box->icon() == QMessageBox::Question && box->standardButtons() == (QMessageBox::Yes | QMessageBox::No));
        QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
        box = dxconsole::BuildMessageBox("Exit?", "", Icon::Question, Buttons::OkCancel, Answer::Ok, nullptr);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
        box = dxconsole::BuildMessageBox("Completed!", "", Icon::Information, Buttons::Ok, Answer::Ok, nullptr);
        QCOMPARE(box->icon(), QMessageBox::Information);

        QCOMPARE(dxconsole::QtFileFilter("Setting File(*.dat)|*.dat|ALL Files(*.*)|*.*|"),
                 QStringLiteral("Setting File(*.dat);;ALL Files(*.*)"));
        QCOMPARE(dxconsole::QtFileFilter("Logs|*.txt;*.log|"), QStringLiteral("Logs (*.txt *.log)"));
        QCOMPARE(dxconsole::QtFileFilter(""), QString());
    }

    // The diagnostic program touches no port and shows the log menu; the log
    // window writes its file in CRLF lines and closes with the main window.
    void logWindowOfTheDiagnosticProgram() {
        dxshell::frmLog* shownLog = nullptr;
        std::unique_ptr<dxshell::frmLog> owned;
        OPEN_RIG(dxtest::Unpaced(), [&](dxconsole::ConsoleDeps& d) {
            owned = std::make_unique<dxshell::frmLog>(*d.dialogs);
            shownLog = owned.get();
            d.diagnostic = true;
            d.log = shownLog;
        });
        r.win->commands().setReplyPicker([](dxcmd::ProgramState& s) { s.SimulatedReply = "83:42:00:07"; });
        QVERIFY(r.w<QAction>("mnuLog")->isVisible());
        r.w<QAction>("mnuLog")->trigger();
        QVERIFY(shownLog->shown());
        QTest::mouseClick(r.w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(r.w<QPushButton>("cmdPosCall"), Qt::LeftButton);
        QCOMPARE(r.w<QPushButton>("cmdPosCall")->text(), QStringLiteral("Position = 7"));
        QVERIFY(r.sim.received().empty());

        const QString file = r.dir.filePath("log.txt");
        r.dialogs.expectSaveFile(file.toStdString());
        QTest::mouseClick(need<QPushButton>(*shownLog, "cmdOut"), Qt::LeftButton);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("<<ExecCmd>>SET (TRIGGER 28)\r\n82:45:2A\r\nA0\r\n0\r\n\r\n"
                                         "<<ExecCmdRecv>>PRISET POSITION TITLE (VALUE02 01))\r\n82:02:00\r\nA0\r\n\r\n\r\n"));
        r.dialogs.expectSaveFile(r.dir.filePath("gone/log.txt").toStdString());
        r.dialogs.expectMessage("Output failed: the log file could not be written.");
        shownLog->cmdOut_Click();
        QTest::mouseClick(need<QPushButton>(*shownLog, "cmdClear"), Qt::LeftButton);
        QCOMPARE(need<QListWidget>(*shownLog, "lstLog")->count(), 0);
        QTest::mouseClick(r.w<QPushButton>("cmdSet"), Qt::LeftButton);
        QTest::mouseClick(need<QPushButton>(*shownLog, "cmdClose"), Qt::LeftButton);
        r.w<QAction>("mnuLog")->trigger();
        QCOMPARE(need<QListWidget>(*shownLog, "lstLog")->count(), 0);  // reopened empty
        r.dialogs.expectMessage(
            "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or <Position Save Menu>?)",
            dxcmd::Answer::Cancel);
        r.win->close();
        QVERIFY(!shownLog->shown());  // closed with the main window's close, even when that is cancelled
        closeRig();
    }

    void aboutBox() {
        OPEN_RIG();
        dxshell::frmAbout about(r.dialogs, r.win.get(), [] { return false; });
        QCOMPARE(about.windowTitle(), QStringLiteral("About ORN CCTV"));
        QCOMPARE(need<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version 1.0.0"));
        r.dialogs.expectMessage("System Information Is Unavailable At This Time");
        QTest::mouseClick(need<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
        QVERIFY(!dxshell::StartSystemInfo({QStringLiteral("no-such-system-info-tool")}));
        // an installed program's user learns where the settings are kept
        const QString current = QString::fromStdString(r.state.CurrentFile);
        dxshell::frmAbout named(r.dialogs, r.win.get(), [] { return false; }, current);
        QVERIFY(need<QLabel>(named, "lblCurrentFile")->text().endsWith(current));
    }

    // Each moment once, in order, each line "name microseconds" on the
    // monotonic clock; a hook only for a descriptor open for writing.
    void benchReports() {
        int p[2];
        QCOMPARE(::pipe(p), 0);
        int steps = 0;
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        {
            dxshell::BenchHook hook(p[1], false);
            QWidget a, b;
            hook.watchShow(&b, "splash-show");
            hook.watchFirstPaint(&b, "splash");
            b.show();
            QVERIFY(QTest::qWaitForWindowExposed(&b));
            QCoreApplication::processEvents();
            hook.report("open");
            hook.watchFirstPaint(&a, "shown", [&] { ++steps, hook.report("titles"); });
            a.show();
            QTRY_COMPARE(steps, 1);
            a.hide();
            a.show();
            a.repaint();
            b.repaint();
            QCoreApplication::processEvents();
            QCOMPARE(steps, 1);
        }
        QByteArray out(4096, '\0');
        out.truncate(std::max<ssize_t>(0, ::read(p[0], out.data(), out.size())));
        ::close(p[0]);
        const QList<QByteArray> lines = out.split('\n');
        const QList<QByteArray> names{"splash-show", "splash", "open", "shown", "titles", ""};
        QCOMPARE(lines.size(), names.size());
        long long last = (long long)start.tv_sec * 1000000 + start.tv_nsec / 1000;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QCOMPARE(lines[i].split(' ').value(0), names[i]);
            const long long us = lines[i].split(' ').value(1).toLongLong();
            QVERIFY(lines[i].split(' ').size() == 2 && us >= last);
            last = us;
        }

        const struct {
            const char* fd;  // "r", "w", "rw": a descriptor opened so
            const char* titles;
            bool hooked, titleLoad;
        } envs[] = {{nullptr, nullptr, false, false}, {"three", nullptr, false, false}, {"999", nullptr, false, false},
                    {"r", "1", false, false},         {"w", nullptr, true, false},      {"rw", "1", true, true},
                    {"w", "yes", true, false}};
        for (const auto& e : envs) {
            const int mode = !e.fd ? -1 : !qstrcmp(e.fd, "r") ? O_RDONLY : !qstrcmp(e.fd, "w") ? O_WRONLY : !qstrcmp(e.fd, "rw") ? O_RDWR : -1;
            const int fd = mode >= 0 ? ::open("/dev/null", mode | O_CLOEXEC) : -1;
            if (e.fd) qputenv("DX410_BENCH_FD", fd >= 0 ? QByteArray::number(fd) : QByteArray(e.fd));
            if (e.titles) qputenv("DX410_BENCH_TITLE_LOAD", e.titles);
            const auto hook = dxshell::BenchHook::FromEnvironment();
            qunsetenv("DX410_BENCH_FD");
            qunsetenv("DX410_BENCH_TITLE_LOAD");
            QCOMPARE(bool(hook), e.hooked);
            if (hook) QCOMPARE(hook->titleLoad(), e.titleLoad);
            if (fd >= 0 && !hook) ::close(fd);  // a hook owns its descriptor
        }
    }

    // The status labels' text is selectable while the mouse is over a label
    // or text is selected in it; a label held out of the layout changes its
    // text without a relayout and still follows the window's size.
    void statusLabels() {
        auto send = [](QLabel& l, QEvent::Type type) {
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), l.mapToGlobal(QPointF(2, 2)));
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&l, type == QEvent::Enter ? static_cast<QEvent*>(&enter) : &leave);
        };
        // E enter, L leave, S select all, T new text
        for (auto [steps, selectable] : {std::pair{"", false}, {"E", true}, {"EL", false}, {"ESL", true},
                                         {"ESLTEL", false}, {"ET", true}, {"ELL", false}}) {
            QLabel l(QStringLiteral("83:42:13:01"));
            l.setTextInteractionFlags(Qt::TextSelectableByMouse);
            dxconsole::SelectableUnderMouse(&l);
            QCursor::setPos(0, 0);  // away from the label: only the test's own events count
            l.move(400, 400);
            l.show();
            QVERIFY(QTest::qWaitForWindowExposed(&l));
            for (const char* c = steps; *c; ++c) {
                if (*c == 'E' || *c == 'L') send(l, *c == 'E' ? QEvent::Enter : QEvent::Leave);
                if (*c == 'S') l.setSelection(0, 5);
                if (*c == 'T') l.setText(QStringLiteral("82:06:02"));
                QCoreApplication::processEvents();
            }
            QVERIFY2(l.textInteractionFlags() == (selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction), steps);
        }

        QWidget w;
        auto* row = new QHBoxLayout(&w);
        auto* held = new QLabel;
        held->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        held->setFixedHeight(20);
        row->addWidget(held, 1);
        row->addWidget(new QLabel(QStringLiteral("other")), 1);
        dxconsole::HoldOutOfLayout(held);
        w.resize(400, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(held->parentWidget() != &w && held->parentWidget()->parentWidget() == &w);
        QCOMPARE(held->size(), held->parentWidget()->size());
        const QRect before = held->parentWidget()->geometry();
        struct Count : QObject {
            int n = 0;
            bool eventFilter(QObject*, QEvent* e) override { return n += e->type() == QEvent::LayoutRequest, false; }
        } relayouts;
        w.installEventFilter(&relayouts);
        for (const char* t : {"83:42:13:01", "", "Error! a much longer text than the label is wide"}) {
            held->setText(QString::fromLatin1(t));
            QCoreApplication::processEvents();
        }
        QCOMPARE(relayouts.n, 0);
        QCOMPARE(held->parentWidget()->geometry(), before);
        w.resize(600, 40);
        QTRY_COMPARE(held->width(), held->parentWidget()->width());
        QVERIFY(held->width() > before.width());
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
