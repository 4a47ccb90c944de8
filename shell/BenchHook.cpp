#include "BenchHook.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace dxshell {

std::unique_ptr<BenchHook> BenchHook::FromEnvironment() {
    const char* v = std::getenv("DX410_BENCH_FD");
    if (!v || !*v) return nullptr;
    char* end = nullptr;
    const long fd = std::strtol(v, &end, 10);
    if (*end || fd < 0 || fd > 1023) return nullptr;
    const int flags = ::fcntl(int(fd), F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return nullptr;
    // the descriptor is the bench's; children of ours must not keep it open
    ::fcntl(int(fd), F_SETFD, FD_CLOEXEC);
    const char* t = std::getenv("DX410_BENCH_TITLE_LOAD");
    return std::make_unique<BenchHook>(int(fd), t && std::string(t) == "1");
}

BenchHook::BenchHook(int fd, bool titleLoad) : fd_(fd), titleLoad_(titleLoad) {}

BenchHook::~BenchHook() {
    if (fd_ >= 0) ::close(fd_);
}

void BenchHook::watchFirstPaint(QWidget* w, std::string name, std::function<void()> then) {
    watches_.push_back({w, QEvent::Paint, std::move(name), std::move(then)});
    w->installEventFilter(this);
}

void BenchHook::watchShow(QWidget* w, std::string name) {
    watches_.push_back({w, QEvent::Show, std::move(name), {}});
    w->installEventFilter(this);
}

void BenchHook::report(const std::string& name) {
    if (fd_ < 0) return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const long long us = (long long)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
    const std::string text = name + " " + std::to_string(us) + "\n";
    size_t off = 0;
    while (off < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + off, text.size() - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        off += size_t(n);
    }
}

bool BenchHook::eventFilter(QObject* watched, QEvent* event) {
    for (auto it = watches_.begin(); it != watches_.end(); ++it) {
        if (it->widget != watched || it->event != event->type()) continue;
        Watch w = std::move(*it);
        watches_.erase(it);
        if (w.event == QEvent::Show) {
            report(w.name);
            break;
        }
        // after this paint, and the rest of the window's, is done
        QTimer::singleShot(0, this, [this, w] {
            report(w.name);
            if (w.then) w.then();
        });
        break;
    }
    return false;
}

}  // namespace dxshell
