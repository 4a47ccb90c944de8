#include "StartupChecks.h"

#include <QScreen>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dxshell {

InstanceLock::InstanceLock(std::string path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire() {
    if (fd_ >= 0) return true;
    // O_NOFOLLOW: a planted symlink in a shared /tmp must not be followed
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing drops the lock; the file stays for the next run
    fd_ = -1;
}

std::string InstanceLock::DefaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && ::access(runtime, W_OK) == 0) return std::string(runtime) + "/DX410.lock";
    return "/tmp/DX410-" + std::to_string(::getuid()) + ".lock";
}

bool ScreenSizeAccepted(int width, int height) {
    return width >= 800 && height >= 600;
}

QSize ScreenPixels(const QScreen* screen) {
    if (!screen) return {0, 0};
    const QSizeF s = screen->geometry().size();
    return {qRound(s.width()), qRound(s.height())};
}

bool StartupChecks::run() {
    if (!lock_.acquire()) {
        dialogs_.message("This application is already running.", "Error", dxcmd::Icon::Critical,
                         dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        return false;
    }
    const QSize s = screenSize_ ? screenSize_() : QSize();
    if (!ScreenSizeAccepted(s.width(), s.height())) {
        dialogs_.message("This application is required Super VGA (800 x 600) or higher-resolution.",
                         "Resolution Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        return false;
    }
    return true;
}

}  // namespace dxshell
