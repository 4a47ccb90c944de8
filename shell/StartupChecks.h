// The checks the program runs before it shows a window: one running copy
// per user, and a screen of at least 800 x 600; and the running copy's
// answer to a second start.
#pragma once

#include <QSize>
#include <functional>
#include <memory>
#include <string>

#include "dxcmd/Ui.h"

class QLocalServer;
class QScreen;

namespace dxshell {

// An flock() on a per-user lock file, held while this object lives. The
// kernel drops it with the process, so a crashed copy leaves nothing behind.
class InstanceLock {
public:
    explicit InstanceLock(std::string path = DefaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // false only when another holder has the lock. A lock file that cannot
    // be opened at all proves no other copy, so it does not stop the program.
    bool acquire();
    bool held() const { return fd_ >= 0; }
    void release();
    const std::string& path() const { return path_; }

    // $XDG_RUNTIME_DIR/DX410.lock, else /tmp/DX410-<uid>.lock
    static std::string DefaultPath();

private:
    std::string path_;
    int fd_ = -1;
};

// A second start asks the running copy, through a per-user local socket
// beside the lock, to bring its window to the front.
class FrontRequests {
public:
    explicit FrontRequests(std::string path = DefaultPath());
    ~FrontRequests();
    FrontRequests(const FrontRequests&) = delete;
    FrontRequests& operator=(const FrontRequests&) = delete;

    // The running copy: raise runs for each later start. Only the holder
    // of the lock may call it, as it replaces a socket left by a crash.
    bool listen(std::function<void()> raise);
    // A second start: false when no running copy took the request.
    bool ask(int timeoutMs = 1000) const;

    // the lock's path with .sock for .lock
    static std::string DefaultPath();

private:
    std::string path_;
    std::unique_ptr<QLocalServer> server_;
};

bool ScreenSizeAccepted(int width, int height);
// The screen's size in device pixels (a scale factor of 2 halves its
// logical size, not its resolution); 0 x 0 without a screen.
QSize ScreenPixels(const QScreen* screen);

class StartupChecks {
public:
    StartupChecks(dxcmd::IDialogs& dialogs, InstanceLock& lock, std::function<QSize()> screenSize)
        : dialogs_(dialogs), lock_(lock), screenSize_(std::move(screenSize)) {}
    // Shows the reason and returns false when the program must end.
    bool run();
    // runs after the "already running" message has been answered
    void onAlreadyRunning(std::function<void()> f) { alreadyRunning_ = std::move(f); }

private:
    dxcmd::IDialogs& dialogs_;
    InstanceLock& lock_;
    std::function<QSize()> screenSize_;
    std::function<void()> alreadyRunning_;
};

}  // namespace dxshell
