#include "RawClient.h"

#include <cerrno>
#include <cstdio>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

using Bytes = std::vector<uint8_t>;

static std::string toText(const Bytes& b) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ":%02X" : "%02X", b[i]);
        s += buf;
    }
    return s;
}

static Bytes fromText(const std::string& text) {
    Bytes b;
    for (size_t i = 0; i + 1 < text.size(); i += 3) b.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return b;
}

RawClient::RawClient(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
}

RawClient::~RawClient() {
    if (fd_ >= 0) ::close(fd_);
}

void RawClient::send(const std::string& text) {
    for (uint8_t c : fromText(text)) {
        while (::write(fd_, &c, 1) < 0 && errno == EINTR) {
        }
    }
}

static Bytes readBytes(int fd, size_t n, std::chrono::milliseconds limit) {
    Bytes out;
    auto end = std::chrono::steady_clock::now() + limit;
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || !(p.revents & POLLIN)) break;
        uint8_t buf[256];
        ssize_t got = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) break;
        out.insert(out.end(), buf, buf + got);
    }
    return out;
}

std::string RawClient::read(size_t n, std::chrono::milliseconds limit) {
    return toText(readBytes(fd_, n, limit));
}

std::string RawClient::readAnswer(bool query, std::chrono::milliseconds limit) {
    Bytes all = readBytes(fd_, 1, limit);
    if (all.size() == 1 && all[0] == 0xA0 && query) {
        Bytes h = readBytes(fd_, 1, limit);
        all.insert(all.end(), h.begin(), h.end());
        if (h.size() == 1 && h[0] >= 0x82 && h[0] <= 0x8E) {
            Bytes rest = readBytes(fd_, h[0] - 0x80u, limit);
            all.insert(all.end(), rest.begin(), rest.end());
        } else if (h.size() == 1 && h[0] == 0x8F) {
            Bytes ll = readBytes(fd_, 1, limit);
            all.insert(all.end(), ll.begin(), ll.end());
            if (ll.size() == 1 && ll[0] > 1) {
                Bytes rest = readBytes(fd_, ll[0] - 1u, limit);
                all.insert(all.end(), rest.begin(), rest.end());
            }
        }
    }
    return toText(all);
}

dxsim::Options fastOptions() {
    dxsim::Options o;
    o.paced = false;
    o.turnaroundMs = 0;
    o.quietMs = 1000;  // a loaded machine must not split a frame
    return o;
}

std::string decodeTitle(const std::string& frame) {
    Bytes f = fromText(frame);
    if (f.size() < 3) return "?";
    size_t first, count;
    if (f[0] == 0x8F) {
        first = 4;
        count = f[1] >= 3 ? f[1] - 3u : 0;
    } else {
        first = 3;
        count = f[0] >= 0x83 ? f[0] - 130u : 0;
    }
    if (first + count > f.size()) return "?";
    const bool oneField = f[2] == 0x46;
    std::string s;
    int kept = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t v = f[first + i];
        if (oneField) {
            s += static_cast<char>(v + 32);
        } else if (i % 2 == 0) {
            kept = v & 0x0F;
        } else {
            s += static_cast<char>(kept * 16 + (v & 0x0F));
        }
    }
    return s;
}

}  // namespace simtest
