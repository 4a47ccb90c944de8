// The far end of a pseudo-terminal that answers each complete frame with the
// next scripted bytes, exactly as given. For replies the simulator would not
// produce.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dxtest {

class PtyPeer {
public:
    using Bytes = std::vector<uint8_t>;

    PtyPeer() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (!name) return;
        path_ = name;
        // held open so the host's close is not a hang-up
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
        if (::pipe(wake_) != 0) return;
        thread_ = std::thread([this] { run(); });
    }
    ~PtyPeer() {
        if (wake_[1] >= 0) {
            char c = 0;
            (void)!::write(wake_[1], &c, 1);
        }
        if (thread_.joinable()) thread_.join();
        for (int fd : {master_, slave_, wake_[0], wake_[1]})
            if (fd >= 0) ::close(fd);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool ok() const { return thread_.joinable() && slave_ >= 0; }
    const std::string& devicePath() const { return path_; }

    // The answer to the next command frame (the host's bare A0 is not answered).
    void answer(Bytes reply) {
        std::lock_guard lk(mu_);
        replies_.push_back(std::move(reply));
    }
    std::vector<std::string> frames() const {
        std::lock_guard lk(mu_);
        return frames_;
    }
    bool waitForFrames(size_t n, std::chrono::milliseconds limit) const {
        std::unique_lock lk(mu_);
        return cv_.wait_for(lk, limit, [&] { return frames_.size() >= n; });
    }

private:
    static std::string text(const Bytes& b) {
        static const char* hex = "0123456789ABCDEF";
        std::string s;
        for (size_t i = 0; i < b.size(); ++i) {
            if (i) s += ':';
            s += hex[b[i] >> 4];
            s += hex[b[i] & 15];
        }
        return s;
    }

    // Length of the complete frame at the front of pending, 0 when incomplete.
    static size_t frameLength(const Bytes& p) {
        if (p.empty()) return 0;
        if (p[0] == 0xA0) return 1;
        size_t at = p[0] == 0xB1 ? 3 : 0;
        if (p.size() <= at) return 0;
        size_t len;
        if (p[at] == 0x8F) {
            if (p.size() < at + 2) return 0;
            len = 1 + p[at + 1];
        } else {
            len = 1 + (p[at] & 0x7F);
        }
        return p.size() >= at + len ? at + len : 0;
    }

    void run() {
        Bytes pending;
        for (;;) {
            pollfd fds[2] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[0].revents) return;
            uint8_t buf[256];
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            pending.insert(pending.end(), buf, buf + n);
            while (size_t len = frameLength(pending)) {
                Bytes frame(pending.begin(), pending.begin() + static_cast<long>(len));
                pending.erase(pending.begin(), pending.begin() + static_cast<long>(len));
                Bytes reply;
                {
                    std::lock_guard lk(mu_);
                    frames_.push_back(text(frame));
                    if (!(frame.size() == 1 && frame[0] == 0xA0) && !replies_.empty()) {
                        reply = std::move(replies_.front());
                        replies_.pop_front();
                    }
                }
                cv_.notify_all();
                if (!reply.empty()) (void)!::write(master_, reply.data(), reply.size());
            }
        }
    }

    int master_ = -1, slave_ = -1;
    int wake_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    std::deque<Bytes> replies_;
    std::vector<std::string> frames_;
};

}  // namespace dxtest
