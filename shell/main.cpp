// DX410: the splash, the start checks and the console window. Built twice:
// as the program, and as the diagnostic program that talks to no camera.
#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <memory>

#include "EventPump.h"
#include "QtDialogs.h"
#include "StartupChecks.h"
#include "dxcmd/State.h"
#include "dxlink/dxlink.h"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DX410"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    dxcmd::ProgramState state;
    dxconsole::QtDialogs dialogs;
    dxshell::InstanceLock lock;
    dxshell::StartupChecks checks(dialogs, lock, [] { return dxshell::ScreenPixels(QGuiApplication::primaryScreen()); });
    if (!checks.run()) return 1;

    dxlink_set_event_pump(&dxconsole::PumpEvents, nullptr);

    dxshell::frmLog log(dialogs);
    std::unique_ptr<dxconsole::frmMain> window;
    int failed = 0;
    dxshell::frmSplash splash([&] {
        dxconsole::ConsoleDeps deps{&state, &dialogs, [] { return dxlink_create(); },
                                    QCoreApplication::applicationDirPath().toStdString(),
                                    QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString(),
                                    [&checks] { return checks.run(); }};
        deps.diagnostic = kDiagnostic;
        deps.log = &log;
        deps.showAbout = [&dialogs](QWidget* owner) {
            dxshell::frmAbout about(dialogs, owner);
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
        window->show();
    });
    splash.show();
    const int rc = app.exec();
    dxlink_set_event_pump(nullptr, nullptr);
    return failed ? failed : rc;
}
