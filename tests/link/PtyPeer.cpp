#include "PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace dxtest {

namespace {

const Bytes kMarker = {0xEE, 0x5A, 0xA5, 0xEE, 0x11};

void PauseUs(int us) {
    if (us <= 0) return;
    timespec ts{us / 1000000, long(us % 1000000) * 1000};
    clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, nullptr);
}

}  // namespace

Bytes Hex(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size(); i += 3)
        out.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
    return out;
}

PtyPeer::PtyPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
    slavePath_ = ptsname(master_);
    slaveFd_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveFd_ < 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("no pty slave");
    termios t{};
    tcgetattr(slaveFd_, &t);
    cfmakeraw(&t);
    tcsetattr(slaveFd_, TCSANOW, &t);
    thread_ = std::thread([this] { run(); });
    // A camera's bytes follow each other with the line's own timing; a peer
    // thread that a busy machine preempts between two bytes would pace
    // slower than any line. Where the priority is not granted, as before.
    sched_param sp{};
    sp.sched_priority = 1;
    pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &sp);
}

PtyPeer::~PtyPeer() {
    (void)!write(stopPipe_[1], "x", 1);
    thread_.join();
    close(stopPipe_[0]);
    close(stopPipe_[1]);
    close(slaveFd_);
    close(master_);
}

void PtyPeer::reply(size_t afterBytes, std::vector<Segment> segments) {
    std::lock_guard lock(m_);
    script_.push_back({rxTotal_ + afterBytes, std::move(segments)});
}

void PtyPeer::replyEvery(size_t everyBytes, const Bytes& bytes) {
    std::lock_guard lock(m_);
    everyBytes_ = everyBytes;
    everyReply_ = bytes;
    sinceAnswer_ = 0;
}

void PtyPeer::push(const Bytes& b) { (void)!write(master_, b.data(), b.size()); }

void PtyPeer::run() {
    for (;;) {
        pollfd p[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) continue;
        if (p[1].revents) return;
        uint8_t buf[512];
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        std::vector<Segment> answer;
        {
            std::lock_guard lock(m_);
            rx_.insert(rx_.end(), buf, buf + n);
            rxTotal_ += size_t(n);
            if (!script_.empty() && rxTotal_ >= script_.front().at) {
                answer = std::move(script_.front().segments);
                script_.pop_front();
            } else if (everyBytes_ > 0) {
                // Answers in place of the peer's rx log, which would grow
                // without bound.
                sinceAnswer_ += size_t(n);
                rx_.clear();
                for (; sinceAnswer_ >= everyBytes_; sinceAnswer_ -= everyBytes_)
                    answer.push_back(Segment{everyReply_, 0, 0});
            }
        }
        cv_.notify_all();
        for (const Segment& s : answer) {
            PauseUs(s.delayUs);
            for (size_t i = 0; i < s.bytes.size(); ++i) {
                if (i) PauseUs(s.paceUs);
                if (s.paceUs > 0) (void)!write(master_, &s.bytes[i], 1);
            }
            if (s.paceUs <= 0) (void)!write(master_, s.bytes.data(), s.bytes.size());
        }
    }
}

Bytes PtyPeer::takeSent() {
    (void)!write(slaveFd_, kMarker.data(), kMarker.size());
    std::unique_lock lock(m_);
    auto at = rx_.end();
    const bool seen = cv_.wait_for(lock, std::chrono::seconds(3), [&] {
        at = std::search(rx_.begin(), rx_.end(), kMarker.begin(), kMarker.end());
        return at != rx_.end();
    });
    if (!seen) throw std::runtime_error("marker lost");
    Bytes sent(rx_.begin(), at);
    rx_.erase(rx_.begin(), at + long(kMarker.size()));
    return sent;
}

}  // namespace dxtest
