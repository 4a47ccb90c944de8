#include "BenchHook.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdlib>

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
    watches_.push_back({w, std::move(name), std::move(then)});
    w->installEventFilter(this);
}

void BenchHook::report(const std::string& line) {
    if (fd_ < 0) return;
    const std::string text = line + "\n";
    size_t off = 0;
    while (off < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + off, text.size() - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        off += size_t(n);
    }
}

bool BenchHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint) return false;
    for (auto it = watches_.begin(); it != watches_.end(); ++it) {
        if (it->widget != watched) continue;
        watched->removeEventFilter(this);
        Watch w = std::move(*it);
        watches_.erase(it);
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
