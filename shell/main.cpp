// DX410: the splash, the start checks and the console window. Built twice:
// as the program, and as the diagnostic program that talks to no camera.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

#include "BenchHook.h"
#include "EventPump.h"
#include "QtDialogs.h"
#include "RecordPlace.h"
#include "StartupChecks.h"
#include "dxcmd/State.h"
#include "dxlink/dxlink.h"
#include "dxtransfer/Jobs.h"
#include "frmMain.h"
#include "frmAbout.h"
#include "frmLog.h"
#include "frmRst.h"
#include "frmSplash.h"

namespace {

#ifdef DX410_DIAGNOSTIC_PROGRAM
constexpr bool kDiagnostic = true;
#else
constexpr bool kDiagnostic = false;
#endif

// Where current.orn is kept: an installed program uses the per-user data folder.
dxshell::RecordPlace SettingsPlace() {
    const QString dir = QCoreApplication::applicationDirPath();
    bool installed = false;
#ifdef DX410_INSTALLED_MARKER
    installed = QFileInfo::exists(dir + QStringLiteral("/" DX410_INSTALLED_MARKER));
#endif
    return dxshell::RecordPlaceFor(kDiagnostic, installed, dir.toStdString(),
                                   QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString());
}

constexpr const char* kProgram = kDiagnostic ? "DX410-diagnostic" : "DX410";

// Answers --help, --version and a wrong argument before any window, display
// or port is touched; -1 lets the program start. Qt's own options (-platform,
// -style, ...) still reach QApplication.
int AnswerCommandLine(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowtitle", "qwindowicon", "style", "stylesheet", "display", "session"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(args)) {
        std::fprintf(stderr, "%s: %s See --help.\n", kProgram, qPrintable(parser.errorText()));
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s: unexpected argument '%s' (see --help)\n", kProgram,
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("usage: %s [--help] [--version]\n"
                    "%s\n"
                    "\n"
                    "  -h, --help  show this help and exit\n"
                    "  --version   show the version and exit\n"
                    "\n"
                    "COM1 to COM4 are the devices named by DX410_COM1 to DX410_COM4, else the\n"
                    "serial devices found (see %s(1)).\n",
                    kProgram,
                    kDiagnostic ? "The DX-410 / DX-430 console that reaches no camera: replies are picked by hand."
                                : "Console for DX-410 and DX-430 dome cameras on a serial line.",
                    kProgram);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", kProgram, DX410_VERSION);
        return 0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int rc = AnswerCommandLine(argc, argv); rc >= 0) return rc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DX410"));
    QApplication::setApplicationVersion(QStringLiteral(DX410_VERSION));
#ifdef DX410_APP_ID
    // the desktop entry and the icon that an installation provides
    QGuiApplication::setDesktopFileName(QStringLiteral(DX410_APP_ID));
    const QIcon icon = QIcon::fromTheme(QStringLiteral(DX410_APP_ID));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
#endif

    dxcmd::ProgramState state;
    dxconsole::QtDialogs dialogs;
    dxshell::InstanceLock lock;
    dxshell::FrontRequests front;
    dxshell::StartupChecks checks(dialogs, lock, [] { return dxshell::ScreenPixels(QGuiApplication::primaryScreen()); });
    checks.onAlreadyRunning([&front] { front.ask(); });
    if (!checks.run()) return 1;

    dxlink_set_event_pump(&dxconsole::PumpEvents, nullptr);

    const auto bench = dxshell::BenchHook::FromEnvironment();
    dxshell::frmLog log(dialogs);
    std::unique_ptr<dxconsole::frmMain> window;
    int failed = 0;
    dxshell::frmSplash splash([&] {
        if (bench) bench->report("open");
        const dxshell::RecordPlace place = SettingsPlace();
        dxconsole::ConsoleDeps deps{&state, &dialogs, [] { return dxlink_create(); }, place.programDir,
                                    place.userDir, [&checks] { return checks.run(); }};
        deps.currentFileName = place.fileName;
        deps.diagnostic = kDiagnostic;
        deps.log = &log;
        deps.showAbout = [&dialogs, &state](QWidget* owner) {
            dxshell::frmAbout about(dialogs, owner, {}, QString::fromStdString(state.CurrentFile));
            about.exec();
        };
        window = std::make_unique<dxconsole::frmMain>(std::move(deps));
        // so that no operator takes it for the program that drives cameras
        if (kDiagnostic) window->setWindowTitle(window->windowTitle() + QStringLiteral(" (diagnostic)"));
        dialogs.setParent(window.get());
        if (kDiagnostic)
            window->commands().setReplyPicker([&window](dxcmd::ProgramState& s) {
                dxshell::frmRst picker(s, window.get());
                picker.exec();
            });
        if (!window->load()) {
            failed = 1;
            QCoreApplication::exit(1);
            return;
        }
        // room to breathe, but never more than the screen offers
        QSize size(790, 560);
        if (const QScreen* screen = window->screen()) size = size.boundedTo(screen->availableGeometry().size());
        window->resize(size.expandedTo(window->minimumSizeHint()));
        if (bench)
            bench->watchFirstPaint(window.get(), "shown", [&] {
                if (!bench->titleLoad()) return;
                window->RunTransferJob(dxtransfer::kPositionTitleLoad);
                bench->report("titles");
            });
        window->show();
    });
    if (bench) {
        // the splash's timer starts as it is shown
        bench->watchShow(&splash, "splash-show");
        bench->watchFirstPaint(&splash, "splash");
    }
    // a later start brings whichever window is on top here to the front
    front.listen([&window, &splash] {
        QWidget* top = window ? static_cast<QWidget*>(window.get()) : &splash;
        for (QWidget* w : {top, QApplication::activeModalWidget()}) {
            if (!w || !w->isVisible()) continue;
            if (w->isMinimized()) w->showNormal();
            w->raise();
            w->activateWindow();
        }
    });
    splash.show();
    const int rc = app.exec();
    dxlink_set_event_pump(nullptr, nullptr);
    return failed ? failed : rc;
}
