#include "DumpFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dxcmd/Profile.h"

namespace dxtransfer::detail {

namespace {

// The longest frame: 8F with length FF, 256 bytes.
constexpr size_t kMaxLineChars = 256 * 3 - 1;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int hexByte(std::string_view s, size_t pos) {
    if (pos + 2 > s.size()) return -1;
    const int hi = hexDigit(s[pos]), lo = hexDigit(s[pos + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

std::string twoDigits(int v) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", unsigned(v) & 0xFF);
    return b;
}

bool onlyLineEnds(std::string_view s) { return s.find_first_not_of("\r\n") == std::string_view::npos; }

// Whether the unread rest of a file holds nothing but line ends.
bool onlyLineEndsFollow(int fd) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        if (!onlyLineEnds(std::string_view(buf, size_t(n)))) return false;
    }
}

}  // namespace

std::string PacketReadCommand(int packet) {
    return std::string(dxparams::xfer::Packet.command) + twoDigits(packet / 128) + ":" + twoDigits(packet % 128);
}

std::optional<std::vector<std::string>> SplitPacketReply(const std::string& reply) {
    const int h = hexByte(reply, 0);
    if (h < 0x83) return std::vector<std::string>{};
    const int last = h == 0x8F ? hexByte(reply, 3) : h - 0x80;
    if (last < 0 || reply.size() < size_t(last) * 3 + 2) return std::nullopt;
    std::vector<std::string> bytes;
    for (int i = 0; i <= last; ++i) bytes.push_back(reply.substr(size_t(i) * 3, 2));
    return bytes;
}

bool IsPacketLine(std::string_view line) {
    if (line.size() < 2 || line.size() > kMaxLineChars || (line.size() + 1) % 3 != 0) return false;
    const size_t n = (line.size() + 1) / 3;
    for (size_t i = 0; i < n; ++i) {
        if (hexByte(line, 3 * i) < 0) return false;
        if (i + 1 < n && line[3 * i + 2] != ':') return false;
    }
    const int h = hexByte(line, 0);
    if (h >= 0x83 && h <= 0x8E) return n == size_t(h - 0x80) + 1;
    if (h != 0x8F || n < 2) return false;
    const int length = hexByte(line, 3);
    return length >= 3 && n == size_t(length) + 1;
}

DumpLines ReadDumpLines(const std::string& path, int count) {
    DumpLines r;
    // non-blocking: a fifo given as the file must not hang the job
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return r;
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        ::close(fd);
        return r;
    }
    // Each wanted line with its CR LF fits in this; past it the verdict is
    // already made (a longer line is no packet line), but for a run of empty
    // lines: only what follows it tells a short file from a gap.
    const size_t cap = size_t(count) * (kMaxLineChars + 2) + 2;
    std::string text;
    char buf[65536];
    bool readFailed = false, ended = false;
    while (text.size() < cap) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, cap - text.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) readFailed = true;
        ended = n == 0;
        if (n <= 0) break;
        text.append(buf, size_t(n));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (readFailed) return r;

    std::string_view rest(text);
    for (int i = 0; i < count; ++i) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() && onlyLineEnds(rest) && (ended || onlyLineEndsFollow(fd))) {
            r.result = DumpLines::Short;
            r.held = i;
            return r;
        }
        if (!IsPacketLine(line)) {
            r.result = DumpLines::NotPacket;
            r.badLine = i + 1;
            return r;
        }
        r.lines.emplace_back(line);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }
    r.result = DumpLines::Ok;
    return r;
}

bool DumpQuery(JobEnv& env, const dxparams::TransferCmd& query, int16_t waitTime) {
    env.commands.state().LogLabel = std::string(query.label);
    try {
        env.commands.QueryCamera(std::string(query.command), waitTime);
    } catch (const dxcmd::BadReplyError&) {
        return false;  // the command layer has shown "Bad value."
    }
    return true;
}

void DumpMessage(JobEnv& env, const std::string& text, dxcmd::Icon icon) {
    env.commands.dialogs().message(text, "", icon, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
}

PendingFile::PendingFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(dxcmd::WriteTarget(path));
    target_ = target.string();
    dir_ = target.parent_path().empty() ? std::string(".") : target.parent_path().string();
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = (fs::path(dir_) / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                   std::to_string(serial++)))
                    .string();
        // 0666: the kernel applies the umask to a new file
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        fail("create");
        temp_.clear();
        return;
    }
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && ::fchmod(fd_, st.st_mode & 07777) != 0) fail("chmod");
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void PendingFile::fail(const char* step) {
    error_ = std::string(step) + ": " + std::strerror(errno);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool PendingFile::commit(const std::string& text) {
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            fail("write");
            return false;
        }
        done += size_t(n);
    }
    if (::fsync(fd_) != 0) {
        fail("fsync");
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail("close");
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail("rename");
        return false;
    }
    committed_ = true;
    // the rename itself survives a crash only once the folder is on disk
    const int dfd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace dxtransfer::detail
