#include "StartupChecks.h"

#include <QLocalServer>
#include <QLocalSocket>
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

FrontRequests::FrontRequests(std::string path) : path_(std::move(path)) {}

FrontRequests::~FrontRequests() = default;

bool FrontRequests::listen(std::function<void()> raise) {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = QString::fromStdString(path_);
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        server_.reset();
        return false;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, raise = std::move(raise)] {
        while (QLocalSocket* peer = server->nextPendingConnection()) {
            peer->disconnectFromServer();
            peer->deleteLater();
            if (raise) raise();
        }
    });
    return true;
}

bool FrontRequests::ask(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path_));
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.disconnectFromServer();
    return true;
}

std::string FrontRequests::DefaultPath() {
    std::string path = InstanceLock::DefaultPath();
    const std::string lock = ".lock";
    if (path.size() >= lock.size() && path.compare(path.size() - lock.size(), lock.size(), lock) == 0)
        path.resize(path.size() - lock.size());
    return path + ".sock";
}

bool ScreenSizeAccepted(int width, int height) {
    return width >= 800 && height >= 600;
}

QSize ScreenPixels(const QScreen* screen) {
    if (!screen) return {0, 0};
    const QSizeF s = QSizeF(screen->geometry().size()) * screen->devicePixelRatio();
    return {qRound(s.width()), qRound(s.height())};
}

bool StartupChecks::run() {
    if (!lock_.acquire()) {
        dialogs_.message("This application is already running.", "Error", dxcmd::Icon::Critical,
                         dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        if (alreadyRunning_) alreadyRunning_();
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
