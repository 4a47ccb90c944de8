// Start-up and shutdown: the screen rule, the single-instance lock, the
// splash, the exit confirmation and the message boxes of the window system.
#include <QAbstractButton>
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/ScriptedDialogs.h"
#include "QtDialogs.h"
#include "StartupChecks.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "frmMain.h"
#include "frmSplash.h"

using dxconsole::need;

namespace {

const char* kExitQuestion =
    "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or <Position Save Menu>?)";
const char* kAlreadyRunning = "This application is already running.";
const char* kResolution = "This application is required Super VGA (800 x 600) or higher-resolution.";

struct Prompts {
    QStringList failures;
    dxtest::ScriptedDialogs dialogs{[this](const std::string& m) { failures << QString::fromStdString(m); }};
    bool clean() {
        dialogs.verify();
        return failures.isEmpty();
    }
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void screenRule();
    void startChecksShowTheirMessages();
    void secondCopyIsRefusedUntilTheFirstIsGone();
    void lockPath();
    void splashClickOpensMainOnce();
    void splashTimerOpensMain();
    void splashKeyOpensMain();
    void failedCheckStopsTheMainWindowLoad();
    void exitConfirmation();
    void filterConversion();
    void messageBoxMapping();
};

void StartupTest::screenRule() {
    QVERIFY(dxshell::ScreenSizeAccepted(800, 600));
    QVERIFY(dxshell::ScreenSizeAccepted(1920, 1080));
    QVERIFY(!dxshell::ScreenSizeAccepted(800, 599));
    QVERIFY(!dxshell::ScreenSizeAccepted(799, 600));
    QVERIFY(!dxshell::ScreenSizeAccepted(640, 480));
    QVERIFY(!dxshell::ScreenSizeAccepted(0, 0));
}

void StartupTest::startChecksShowTheirMessages() {
    QTemporaryDir dir;
    Prompts p;
    dxshell::InstanceLock first(dir.filePath("lock").toStdString());
    dxshell::InstanceLock second(dir.filePath("lock").toStdString());
    QVERIFY(first.acquire());

    QSize screen(1024, 768);
    dxshell::StartupChecks other(p.dialogs, second, [&] { return screen; });
    p.dialogs.expectMessage(kAlreadyRunning);
    QVERIFY(!other.run());
    QCOMPARE(QString::fromStdString(p.dialogs.shown().back().title), QStringLiteral("Error"));
    QCOMPARE(p.dialogs.shown().back().icon, dxcmd::Icon::Critical);

    // the holder passes again (the main window repeats the checks)
    dxshell::StartupChecks mine(p.dialogs, first, [&] { return screen; });
    QVERIFY(mine.run());
    QVERIFY(mine.run());
    screen = QSize(800, 599);
    p.dialogs.expectMessage(kResolution);
    QVERIFY(!mine.run());
    QCOMPARE(QString::fromStdString(p.dialogs.shown().back().title), QStringLiteral("Resolution Error"));
    QCOMPARE(p.dialogs.shown().back().icon, dxcmd::Icon::Critical);
    QVERIFY2(p.clean(), qPrintable(p.failures.join("; ")));
}

void StartupTest::secondCopyIsRefusedUntilTheFirstIsGone() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("DX410.lock").toStdString();
    {
        dxshell::InstanceLock a(path), b(path);
        QVERIFY(a.acquire());
        QVERIFY(!b.acquire());
        a.release();
        QVERIFY(b.acquire());
    }
    {
        // no lock file can be made there: that is no sign of another copy
        dxshell::InstanceLock nowhere(dir.filePath("no/such/dir/DX410.lock").toStdString());
        QVERIFY(nowhere.acquire());
        QVERIFY(!nowhere.held());
    }

    // a holder that dies without cleaning up leaves no lock behind
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // only async-signal-safe calls after fork(): the same lock, by hand
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char got = 0;
    QCOMPARE(::read(ready[0], &got, 1), ssize_t(1));
    ::close(ready[0]);
    QCOMPARE(got, '1');
    dxshell::InstanceLock mine(path);
    QVERIFY(!mine.acquire());
    ::kill(child, SIGKILL);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(mine.acquire());
}

void StartupTest::lockPath() {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    QTemporaryDir dir;
    setenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit().constData(), 1);
    QCOMPARE(QString::fromStdString(dxshell::InstanceLock::DefaultPath()), dir.filePath("DX410.lock"));
    unsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(QString::fromStdString(dxshell::InstanceLock::DefaultPath()),
             QStringLiteral("/tmp/DX410-%1.lock").arg(::getuid()));
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

void StartupTest::splashClickOpensMainOnce() {
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
    QVERIFY(timer->isActive() && timer->isSingleShot());
    QCOMPARE(timer->interval(), 2000);

    QTest::mouseClick(need<QFrame>(splash, "Frame1"), Qt::LeftButton);
    QCOMPARE(opened, 1);
    QVERIFY(!splash.isVisible());
    QVERIFY(!timer->isActive());
    // a late tick or key must not open a second window
    splash.Timer1_Timer();
    splash.Frame1_Click();
    QCOMPARE(opened, 1);
}

void StartupTest::splashTimerOpensMain() {
    int opened = 0;
    dxshell::frmSplash splash([&] { ++opened; });
    splash.show();
    QTRY_COMPARE_WITH_TIMEOUT(opened, 1, 5000);
    QVERIFY(!splash.isVisible());
    QTest::mouseClick(need<QFrame>(splash, "Frame1"), Qt::LeftButton);
    QCOMPARE(opened, 1);
}

void StartupTest::splashKeyOpensMain() {
    int opened = 0;
    dxshell::frmSplash splash([&] { ++opened; });
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Space);
    QCOMPARE(opened, 1);
    QVERIFY(!splash.isVisible());
}

void StartupTest::failedCheckStopsTheMainWindowLoad() {
    QTemporaryDir dir;
    Prompts p;
    dxcmd::ProgramState state;
    int checks = 0;
    dxconsole::ConsoleDeps deps{&state, &p.dialogs, [] { return dxlink_create(); }, dir.path().toStdString(),
                                dir.filePath("user").toStdString(), [&] {
                                    ++checks;
                                    return false;
                                }};
    dxconsole::frmMain win(std::move(deps));
    QVERIFY(!win.load());
    QCOMPARE(checks, 1);
    // nothing of the console's set-up ran
    QVERIFY(state.CurrentFile.empty());
    QVERIFY(!QFile::exists(dir.filePath("current.orn")));
    QVERIFY(need<QLabel>(win, "lblModel")->text().isEmpty());
}

void StartupTest::exitConfirmation() {
    dxsim::Options o;
    o.paced = false;
    dxsim::CameraSim sim(o);
    QVERIFY(sim.start());
    setenv("DX410_COM1", sim.devicePath().c_str(), 1);
    QTemporaryDir dir;
    Prompts p;
    dxcmd::ProgramState state;
    dxconsole::ConsoleDeps deps{&state, &p.dialogs,
                                [] {
                                    auto* l = dxlink_create();
                                    l->put_SerialTimeout(300);
                                    return l;
                                },
                                dir.path().toStdString(), dir.filePath("user").toStdString()};
    dxconsole::frmMain win(std::move(deps));
    QVERIFY(win.load());
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));

    p.dialogs.expectMessage(kExitQuestion, dxcmd::Answer::Cancel);
    need<QAction>(win, "mnuExit")->trigger();
    QVERIFY(win.isVisible());
    QCOMPARE(p.dialogs.shown().back().icon, dxcmd::Icon::Question);
    QCOMPARE(p.dialogs.shown().back().buttons, dxcmd::Buttons::OkCancel);
    QVERIFY(p.dialogs.shown().back().title.empty());
    QCOMPARE(need<QLabel>(win, "lblModel")->text(), QStringLiteral("DX-410"));

    // held pan: closing stops the camera before the window goes
    auto* right = need<QToolButton>(win, "cmdRight");
    QTest::mousePress(right, Qt::LeftButton);
    QVERIFY(sim.waitForFrames(1, std::chrono::seconds(3)));
    QCOMPARE(sim.received().front(), std::string("83:45:00:1A"));
    p.dialogs.expectMessage(kExitQuestion, dxcmd::Answer::Ok);
    QVERIFY(win.close());
    QVERIFY(!win.isVisible());
    QVERIFY(sim.waitForFrames(2, std::chrono::seconds(3)));
    QCOMPARE(sim.received().at(1), std::string("82:45:02"));
    QCOMPARE(sim.state().motion[0], 0);
    QVERIFY2(p.clean(), qPrintable(p.failures.join("; ")));
}

void StartupTest::filterConversion() {
    QCOMPARE(dxconsole::QtFileFilter("Setting File(*.dat)|*.dat|ALL Files(*.*)|*.*|"),
             QStringLiteral("Setting File(*.dat);;ALL Files(*.*)"));
    QCOMPARE(dxconsole::QtFileFilter("Dump File(*.dmp)|*.dmp|"), QStringLiteral("Dump File(*.dmp)"));
    QCOMPARE(dxconsole::QtFileFilter("Logs|*.txt;*.log|"), QStringLiteral("Logs (*.txt *.log)"));
    QCOMPARE(dxconsole::QtFileFilter(""), QString());
}

void StartupTest::messageBoxMapping() {
    using namespace dxcmd;
    auto box = dxconsole::BuildMessageBox("Receive failed.\r\nCommand =82:02:00\r\nResult =NL", "", Icon::Critical,
                                          Buttons::Ok, Answer::Ok, nullptr);
    QCOMPARE(box->text(), QStringLiteral("Receive failed.\nCommand =82:02:00\nResult =NL"));
    QCOMPARE(box->windowTitle(), QStringLiteral("ORN CCTV"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->buttons().size(), 1);

    box = dxconsole::BuildMessageBox("Are you sure to upload?", "Upload", Icon::Question, Buttons::YesNo, Answer::No,
                                     nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Upload"));
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));

    box = dxconsole::BuildMessageBox(kExitQuestion, "", Icon::Question, Buttons::OkCancel, Answer::Ok, nullptr);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));

    box = dxconsole::BuildMessageBox("Completed!", "", Icon::Information, Buttons::Ok, Answer::Ok, nullptr);
    QCOMPARE(box->icon(), QMessageBox::Information);
}

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
