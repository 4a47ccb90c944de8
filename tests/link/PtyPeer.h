// The camera end of a pseudo-terminal: reads what the link writes and
// answers with scripted bytes, optionally paced like a real line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace dxtest {

using Bytes = std::vector<uint8_t>;

inline Bytes Hex(const std::string& text) {  // "A0:84" -> {0xA0, 0x84}
    Bytes out;
    for (size_t i = 0; i < text.size(); i += 3) out.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
    return out;
}

struct Segment {
    Bytes bytes;
    int delayUs = 0;  // before its first byte
    int paceUs = 0;   // between its bytes; 0: one write
};

class PtyPeer {
public:
    PtyPeer() {
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
        // preempted between two bytes, the peer would pace slower than any line
        const sched_param sp{1};
        pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &sp);
    }
    ~PtyPeer() {
        (void)!write(stopPipe_[1], "x", 1);
        thread_.join();
        for (int fd : {stopPipe_[0], stopPipe_[1], slaveFd_, master_}) close(fd);
    }

    const std::string& slavePath() const { return slavePath_; }

    // Answer once `afterBytes` more bytes have come from the link.
    void reply(size_t afterBytes, std::vector<Segment> segments) {
        std::lock_guard lock(m_);
        script_.emplace_back(rxTotal_ + afterBytes, std::move(segments));
    }

    // Exactly what the link wrote since the last call: a marker written
    // behind it on the slave side shows where its bytes end.
    Bytes takeSent() {
        static const Bytes marker = {0xEE, 0x5A, 0xA5, 0xEE, 0x11};
        (void)!write(slaveFd_, marker.data(), marker.size());
        std::unique_lock lock(m_);
        auto at = rx_.end();
        if (!cv_.wait_for(lock, std::chrono::seconds(3), [&] {
                return (at = std::search(rx_.begin(), rx_.end(), marker.begin(), marker.end())) != rx_.end();
            }))
            throw std::runtime_error("marker lost");
        Bytes sent(rx_.begin(), at);
        rx_.erase(rx_.begin(), at + long(marker.size()));
        return sent;
    }

private:
    static void PauseUs(int us) {
        const timespec ts{us / 1000000, long(us % 1000000) * 1000};
        if (us > 0) clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, nullptr);
    }

    void run() {
        for (uint8_t buf[512];;) {
            pollfd p[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (poll(p, 2, -1) > 0 && p[1].revents) return;
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            std::vector<Segment> answer;
            {
                std::lock_guard lock(m_);
                rx_.insert(rx_.end(), buf, buf + n);
                rxTotal_ += size_t(n);
                if (!script_.empty() && rxTotal_ >= script_.front().first) {
                    answer = std::move(script_.front().second);
                    script_.pop_front();
                }
            }
            cv_.notify_all();
            for (const Segment& s : answer) {
                PauseUs(s.delayUs);
                if (s.paceUs <= 0) (void)!write(master_, s.bytes.data(), s.bytes.size());
                for (size_t i = 0; s.paceUs > 0 && i < s.bytes.size(); ++i) {
                    PauseUs(i ? s.paceUs : 0);
                    (void)!write(master_, &s.bytes[i], 1);
                }
            }
        }
    }

    // the slave held open for the peer's life keeps the master working while
    // the link has the port closed
    int master_ = -1, slaveFd_ = -1, stopPipe_[2] = {-1, -1};
    std::string slavePath_;
    std::mutex m_;
    std::condition_variable cv_;
    Bytes rx_;
    size_t rxTotal_ = 0;
    std::deque<std::pair<size_t, std::vector<Segment>>> script_;
    std::thread thread_;
};

}  // namespace dxtest
