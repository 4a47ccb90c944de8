// The checks the program runs before it shows a window: one running copy
// per user, and a screen of at least 800 x 600.
#pragma once

#include <QSize>
#include <functional>
#include <string>

#include "dxcmd/Ui.h"

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

bool ScreenSizeAccepted(int width, int height);
// The screen's size in whole pixels; 0 x 0 without a screen.
QSize ScreenPixels(const QScreen* screen);

class StartupChecks {
public:
    StartupChecks(dxcmd::IDialogs& dialogs, InstanceLock& lock, std::function<QSize()> screenSize)
        : dialogs_(dialogs), lock_(lock), screenSize_(std::move(screenSize)) {}
    // Shows the reason and returns false when the program must end.
    bool run();

private:
    dxcmd::IDialogs& dialogs_;
    InstanceLock& lock_;
    std::function<QSize()> screenSize_;
};

}  // namespace dxshell
