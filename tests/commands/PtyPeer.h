// The camera end of a pseudo-terminal: answers each complete frame from the
// host with the next scripted bytes, exactly as given, for replies the
// simulator would never produce. The host's bare A0 is recorded, not answered.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dxtest {

class PtyPeer {
public:
    PtyPeer() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || !::ptsname(master_)) return;
        path_ = ::ptsname(master_);
        // held open so the host's close is not a hang-up
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) return;
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
        thread_ = std::thread([this] { run(); });
    }
    ~PtyPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (int fd : {master_, slave_}) ::close(fd);
    }

    bool ok() const { return thread_.joinable(); }
    const std::string& devicePath() const { return path_; }

    // The answer to the next command frame, as "A0:84:43" ("" answers
    // nothing), written `delayMs` after the frame, like a slow camera.
    void answer(const std::string& hex, int delayMs = 0) {
        std::lock_guard lk(mu_);
        replies_.push_back({hex, delayMs});
    }
    // Every frame so far, once `n` have come (bounded), as command text.
    std::vector<std::string> frames(size_t n) const {
        std::unique_lock lk(mu_);
        cv_.wait_for(lk, std::chrono::seconds(3), [&] { return frames_.size() >= n; });
        return frames_;
    }

private:
    // Length of the complete frame at the front, 0 while incomplete.
    static size_t frameLength(const std::vector<uint8_t>& p) {
        if (!p.empty() && p[0] == 0xA0) return 1;
        const size_t at = !p.empty() && p[0] == 0xB1 ? 3 : 0;
        const bool isLong = p.size() > at && p[at] == 0x8F;
        if (p.size() <= at + (isLong ? 1 : 0)) return 0;
        const size_t len = at + 1 + (isLong ? p[at + 1] : p[at] & 0x7F);
        return p.size() >= len ? len : 0;
    }
    void run() {
        std::vector<uint8_t> pending;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            uint8_t buf[256];
            const ssize_t n = ::poll(&p, 1, 20) == 1 ? ::read(master_, buf, sizeof buf) : 0;
            if (n > 0) pending.insert(pending.end(), buf, buf + n);
            while (size_t len = frameLength(pending)) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                std::string text;
                for (size_t i = 0; i < len; ++i) text += std::string(i ? ":" : "") + kHex[pending[i] >> 4] + kHex[pending[i] & 15];
                pending.erase(pending.begin(), pending.begin() + long(len));
                std::pair<std::string, int> reply;
                {
                    std::lock_guard lk(mu_);
                    frames_.push_back(text);
                    if (text != "A0" && !replies_.empty()) reply = replies_.front(), replies_.pop_front();
                }
                cv_.notify_all();
                std::this_thread::sleep_for(std::chrono::milliseconds(reply.second));
                std::vector<uint8_t> out;
                for (size_t i = 0; i + 1 < reply.first.size(); i += 3) out.push_back(uint8_t(std::stoi(reply.first.substr(i, 2), nullptr, 16)));
                if (!out.empty()) (void)!::write(master_, out.data(), out.size());
            }
        }
    }

    int master_ = -1, slave_ = -1;
    std::atomic<bool> stop_{false};
    std::string path_;
    std::thread thread_;
    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    std::deque<std::pair<std::string, int>> replies_;  // hex text, delay in ms
    std::vector<std::string> frames_;
};

}  // namespace dxtest
