#include "dxcmd/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace dxcmd {
namespace {

constexpr size_t kMaxValue = 1023;

// One line of the file: [begin, end) excludes the line end, next is where
// the following line begins.
struct Line {
    size_t begin, end, next;
};

// CR counts as a blank: a CRLF file converted once more has lines that end
// in CR CR LF, and the system routines read those as if it were CRLF.
bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Names compare in ASCII only: the files hold single-byte text of any code page.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    // a UTF-8 mark left by an editor is not part of the first section name
    size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line l{pos, text.size(), text.size()};
        if (nl != std::string::npos) {
            // every CR before the LF belongs to the line end, so a rewrite keeps it
            for (l.end = nl; l.end > pos && text[l.end - 1] == '\r';) --l.end;
            l.next = nl + 1;
        }
        lines.push_back(l);
        pos = l.next;
    }
    return lines;
}

std::string_view lineText(std::string_view text, const Line& l) {
    return text.substr(l.begin, l.end - l.begin);
}

// The section name of a header line, or nothing. Without its ']' the line is
// no header for the system routines: what follows stays in the section before.
bool sectionOf(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.empty() || line[0] != '[') return false;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

// Key and value of a key line, or nothing. The system routines read a line
// without '=' as a key with an empty value; a comment line is no key.
bool keyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    key = trim(line.substr(0, eq));
    value = eq == std::string_view::npos ? std::string_view() : trim(line.substr(eq + 1));
    return eq != std::string_view::npos || (!key.empty() && key[0] != ';');
}

// Where a key is, or would go, among the lines of a file.
struct Place {
    size_t header = std::string::npos;  // the section's header line
    size_t last = std::string::npos;    // its last non-blank line
    size_t key = std::string::npos;     // the key's line
};

// Only the first block of a section counts: that is where the system routines
// look, so a later block of the same name is neither read nor written.
Place locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
             std::string_view key) {
    Place p;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lineText(text, lines[i]);
        std::string_view name, k, v;
        if (sectionOf(line, name)) {
            if (p.header != std::string::npos) break;
            if (sameName(name, section)) p.header = p.last = i;
        } else if (p.header != std::string::npos) {
            if (keyOf(line, k, v) && sameName(k, key)) {
                p.key = i;
                break;
            }
            if (!trim(line).empty()) p.last = i;
        }
    }
    return p;
}

}  // namespace

// A FIFO would block, a device or a huge file would never end.
bool ReadSmallFile(const std::string& path, std::string& out, size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= off_t(maxBytes);
    out.clear();
    char buf[16384];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        out.append(buf, size_t(n));
        ok = out.size() <= maxBytes;  // grew while being read
    }
    ::close(fd);
    return ok;
}

namespace {

bool readFile(const std::string& path, std::string& out) { return ReadSmallFile(path, out, kMaxProfileBytes); }

// A file as the parser sees it: single-byte text. A UTF-16LE file with its
// mark (a "Unicode" file from a Windows editor) is narrowed for parsing, and
// a change goes into it in UTF-16 so the file never mixes encodings.
class Content {
public:
    explicit Content(std::string bytes) : raw_(std::move(bytes)) {
        if (raw_.rfind("\xFF\xFE", 0) != 0) {
            text_ = raw_;
            return;
        }
        auto unit = [this](size_t i) {
            return static_cast<unsigned char>(raw_[i]) | static_cast<unsigned char>(raw_[i + 1]) << 8;
        };
        size_t i = 2;
        for (; i + 1 < raw_.size(); i += 2) {
            rawAt_.push_back(i);
            const unsigned u = unit(i);
            // a surrogate pair is one character, and one '?'
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < raw_.size() && unit(i + 2) >= 0xDC00 &&
                unit(i + 2) < 0xE000)
                i += 2;
            text_ += u <= 0xFF ? static_cast<char>(u) : '?';
        }
        rawAt_.push_back(i);  // a stray last byte stays after anything added at the end
    }

    const std::string& text() const { return text_; }

    // The file with text()[from, to) replaced by single-byte text; in a UTF-16
    // file every other character keeps its bytes, including those narrowed to '?'.
    std::string splice(size_t from, size_t to, const std::string& insert) const {
        if (rawAt_.empty()) return raw_.substr(0, from) + insert + raw_.substr(to);
        std::string wide;
        for (char c : insert) wide += {c, '\0'};  // bytes as Latin-1, as they were read
        return raw_.substr(0, rawAt_[from]) + wide + raw_.substr(rawAt_[to]);
    }

private:
    std::string raw_, text_;
    std::vector<size_t> rawAt_;  // UTF-16 only: where each character of text_ starts in raw_
};

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

namespace {

void syncFolder(const std::filesystem::path& dir) {
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// The running record is rewritten after every acknowledged setting. Its
// text reaches the disk before the rename, so whatever happens the file is
// whole, old or new; what makes the rename itself durable, a flush of the
// folder, runs on a thread of its own once the writes have paused
// (kSyncQuiet, at most kSyncLatest after the first), one per folder however
// many writes came meanwhile: a power cut before then may keep the older
// record, never a broken one.
constexpr auto kSyncQuiet = std::chrono::milliseconds(300);
constexpr auto kSyncLatest = std::chrono::seconds(2);

class BackgroundSync {
public:
    static BackgroundSync& instance() {
        static BackgroundSync s;
        return s;
    }
    void request(const std::string& folder) {
        std::lock_guard lk(mu_);
        const auto now = std::chrono::steady_clock::now();
        if (pending_.empty()) first_ = now;
        last_ = now;
        pending_.insert(folder);
        if (!worker_.joinable()) {
            owner_ = ::getpid();
            worker_ = std::thread([this] { run(); });
        }
        wake_.notify_one();
    }
    void flush() {
        std::unique_lock lk(mu_);
        if (pending_.empty() && !busy_) return;
        now_ = true;
        wake_.notify_one();
        idle_.wait(lk, [this] { return pending_.empty() && !busy_; });
    }
    ~BackgroundSync() {
        {
            std::lock_guard lk(mu_);
            stop_ = true;
        }
        wake_.notify_one();
        if (!worker_.joinable()) return;
        // a forked child has the object but not the thread
        if (owner_ == ::getpid())
            worker_.join();
        else
            new std::thread(std::move(worker_));  // never joined, never destroyed
    }

private:
    BackgroundSync() = default;
    void run() {
        std::unique_lock lk(mu_);
        for (;;) {
            wake_.wait(lk, [this] { return stop_ || !pending_.empty(); });
            if (pending_.empty()) return;  // stopping, and every folder flushed
            // wait for the writes to pause; a stop or a flush cuts it short
            while (!stop_ && !now_) {
                const auto due = std::min(last_ + kSyncQuiet, first_ + kSyncLatest);
                if (std::chrono::steady_clock::now() >= due) break;
                wake_.wait_until(lk, due);
            }
            const std::set<std::string> folders = std::move(pending_);
            pending_.clear();
            now_ = false;
            busy_ = true;
            lk.unlock();
            for (const std::string& folder : folders) syncFolder(folder);
            lk.lock();
            busy_ = false;
            if (pending_.empty()) idle_.notify_all();
        }
    }

    std::mutex mu_;
    std::condition_variable wake_, idle_;
    std::set<std::string> pending_;
    std::chrono::steady_clock::time_point first_, last_;
    bool busy_ = false;
    bool now_ = false;
    bool stop_ = false;
    pid_t owner_ = 0;
    std::thread worker_;
};

// The data always reaches the disk before the rename; the folder's flush
// follows at once (syncFolderNow) or in the background.
bool replaceAtomically(const std::string& path, const std::string& data, bool syncFolderNow) {
    std::filesystem::path target(path);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    // A new file gets 0666 less the umask from the kernel itself; reading
    // the umask would mean changing it, process-wide.
    static std::atomic<unsigned> serial{0};
    std::string name;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = (dir / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                       std::to_string(serial++)))
                   .string();
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    struct stat st {};
    bool ok = true;
    if (::stat(path.c_str(), &st) == 0) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(name.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(name.c_str());
        return false;
    }
    if (syncFolderNow)
        syncFolder(dir);
    else
        BackgroundSync::instance().request(dir.string());
    return true;
}

}  // namespace

std::string WriteTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    return ec ? path : real.string();
}

bool ReplaceFileAtomically(const std::string& path, const std::string& data) {
    return replaceAtomically(path, data, true);
}

void FlushProfileWrites() { BackgroundSync::instance().flush(); }

namespace {

bool replaceFile(const std::string& path, const std::string& data) { return replaceAtomically(path, data, false); }

std::string readValue(const std::string& text, const std::string& section, const std::string& key) {
    const std::vector<Line> lines = splitLines(text);
    const Place p = locate(text, lines, trim(section), trim(key));
    if (p.key == std::string::npos) return "";
    std::string_view k, v;
    keyOf(lineText(text, lines[p.key]), k, v);
    // a value in matching quotes loses them, as the system routines do
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    std::string out(v.substr(0, kMaxValue));
    // the system routines hand back a C string
    size_t nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return out;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key) {
    std::string bytes;
    if (!readFile(path, bytes)) return "";
    return readValue(Content(std::move(bytes)).text(), section, key);
}

ProfileSnapshot::ProfileSnapshot(const std::string& path) {
    std::string bytes;
    readable_ = readFile(path, bytes);
    if (readable_) text_ = Content(std::move(bytes)).text();
}

std::string ProfileSnapshot::read(const std::string& section, const std::string& key) const {
    return readValue(text_, section, key);
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value) {
    const std::string_view sec = trim(section), k = trim(key);
    // a line break or a stray '=' / ']' would change other entries of the file
    auto unsafe = [](std::string_view s, const char* extra) {
        return s.find_first_of(std::string("\r\n") + '\0' + extra) != std::string_view::npos;
    };
    if (sec.empty() || k.empty() || unsafe(section, "]") || unsafe(key, "=[") ||
        unsafe(value, ""))
        return false;

    std::string bytes;
    if (!readFile(path, bytes) && ::access(path.c_str(), F_OK) == 0) return false;
    const Content file(std::move(bytes));
    const std::string& text = file.text();

    const std::vector<Line> lines = splitLines(text);
    // new lines end as the file's first line does
    std::string eol = "\r\n";
    if (!lines.empty() && lines[0].next > lines[0].end)
        eol = text.substr(lines[0].end, lines[0].next - lines[0].end);
    const Place p = locate(text, lines, sec, k);
    const std::string entry = std::string(k) + "=" + value + eol;
    size_t from, to;
    std::string insert;
    if (p.key != std::string::npos) {
        // the name stays as it was written; only the value changes
        const Line& l = lines[p.key];
        std::string_view line = lineText(text, l), lk, lv;
        keyOf(line, lk, lv);
        size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            from = l.begin + eq + 1;
            insert = value;
        } else {
            from = static_cast<size_t>(lk.data() + lk.size() - text.data());
            insert = "=" + value;
        }
        to = l.end;
    } else if (p.header == std::string::npos) {
        from = to = text.size();
        if (!text.empty() && text.back() != '\n') insert = eol;
        insert += "[" + std::string(sec) + "]" + eol + entry;
    } else {
        const Line& after = lines[p.last];
        from = to = after.next;
        // the last line of the file may have no line end
        insert = (after.next > after.end ? "" : eol) + entry;
    }
    // the entry already reads so: the file stays as it is, unwritten
    if (std::string_view(text).substr(from, to - from) == insert) return true;
    return replaceFile(path, file.splice(from, to, insert));
}

std::string ResolveCurrentFile(const std::string& programDir, const std::string& fallbackDir,
                               const std::string& name) {
    if (!programDir.empty() && ::access(programDir.c_str(), W_OK) == 0) {
        // access() does not see read-only mounts and the like: try for real
        std::string probe = (std::filesystem::path(programDir) / ".current.orn.probeXXXXXX").string();
        std::vector<char> buf(probe.begin(), probe.end());
        buf.push_back('\0');
        int fd = ::mkstemp(buf.data());
        if (fd >= 0) {
            ::close(fd);
            ::unlink(buf.data());
            return (std::filesystem::path(programDir) / name).string();
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(fallbackDir, ec);
    return (std::filesystem::path(fallbackDir) / name).string();
}

}  // namespace dxcmd
