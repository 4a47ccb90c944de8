// DX410: the splash, the start checks and the console window. Built twice:
// as the program, and as the diagnostic program that talks to no camera.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DX410"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
#ifdef DX410_APP_ID
    // the desktop entry and the icon that an installation provides
    QGuiApplication::setDesktopFileName(QStringLiteral(DX410_APP_ID));
    const QIcon icon = QIcon::fromTheme(QStringLiteral(DX410_APP_ID));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
#endif

    dxcmd::ProgramState state;
    dxconsole::QtDialogs dialogs;
    dxshell::InstanceLock lock;
    dxshell::StartupChecks checks(dialogs, lock, [] { return dxshell::ScreenPixels(QGuiApplication::primaryScreen()); });
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
    splash.show();
    const int rc = app.exec();
    dxlink_set_event_pump(nullptr, nullptr);
    return failed ? failed : rc;
}
