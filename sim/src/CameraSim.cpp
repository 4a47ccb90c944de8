#include "dxsim/CameraSim.h"

#include "Camera.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <random>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace dxsim {

using detail::Bytes;
using detail::Clock;

namespace {

constexpr std::chrono::nanoseconds kByte{1'145'833};  // 11 bits at 9600 baud
constexpr uint8_t kAck = 0xA0;
constexpr uint8_t kNak = 0xA1;
constexpr uint8_t kPrefix = 0xB1;

bool frameStart(uint8_t b) { return b >= 0x82 && b <= 0x8F; }

struct InjectedFault {
    std::string prefix;
    Fault fault;
    int count;
};

}  // namespace

namespace detail {

FrameCut cutFrame(const Bytes& pending) {
    FrameCut c;
    if (pending.empty()) return c;
    const uint8_t b = pending[0];
    if (b == kAck) return {FrameCut::Frame, 0, 1, 0};
    if (b == kPrefix) {
        if (pending.size() < 4) return c;
        if (pending[1] != 0x01 || !frameStart(pending[3])) return {FrameCut::Noise};
        c.id = pending[2];
        c.at = 3;
    } else if (!frameStart(b)) {
        return {FrameCut::Noise};
    }
    if (pending[c.at] == 0x8F) {
        if (pending.size() < c.at + 2) return {};
        const uint8_t ll = pending[c.at + 1];
        if (ll < 3) return {FrameCut::Noise};  // too short to hold a group and a code
        c.len = 1 + ll;
    } else {
        c.len = 1 + (pending[c.at] - 0x80);
    }
    if (pending.size() < c.at + c.len) return {};
    c.kind = FrameCut::Frame;
    return c;
}

}  // namespace detail

struct CameraSim::Impl {
    Options opt;
    std::vector<detail::Camera> cameras;

    mutable std::mutex mu;
    mutable std::condition_variable cv;
    std::vector<std::string> received;
    std::vector<std::string> noise;
    std::vector<InjectedFault> faults;
    std::vector<std::pair<std::string, Fault>> met;
    double faultRate = 0;
    std::mt19937 rng;
    std::function<void(bool, const std::string&)> trace;

    std::atomic<bool> paced{true};
    std::atomic<int> turnaroundMs{2};
    std::atomic<bool> serving{false};

    int master = -1;
    int slave = -1;  // held so the master never sees the host's close as a hang-up
    int wake = -1;
    std::string path;
    std::thread thread;

    Bytes pending;  // bytes of a frame not yet complete
    // When each pending byte has fully arrived on the line; paced, the
    // host's bytes queue behind each other at the line rate.
    std::vector<Clock::time_point> pendingAt;
    Bytes noiseRun;
    Clock::time_point lastByte;
    Clock::time_point lineFree;  // the host's line is busy until then

    explicit Impl(const Options& o) : opt(o), rng(o.seed) {
        opt.multiDropCameras = std::clamp(opt.multiDropCameras, 0, 32);
        opt.quietMs = std::max(1, opt.quietMs);
        const int n = opt.multiDropCameras == 0 ? 1 : opt.multiDropCameras;
        for (int i = 0; i < n; ++i) cameras.emplace_back(opt.model, opt.dumpPackets, opt.honourCharacterCodeSet);
        faultRate = opt.faultRate;
        paced = opt.paced;
        turnaroundMs = opt.turnaroundMs;
    }

    detail::Camera* camera(int id) {
        if (id < 1 || id > static_cast<int>(cameras.size())) return nullptr;
        return &cameras[id - 1];
    }

    void closeLine() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
        master = slave = -1;
    }

    void traceOut(bool sent, const std::string& text) {
        std::function<void(bool, const std::string&)> t;
        {
            std::lock_guard lk(mu);
            t = trace;
        }
        if (t) t(sent, text);
    }

    void flushNoise() {
        if (noiseRun.empty()) return;
        std::lock_guard lk(mu);
        noise.push_back(detail::toText(noiseRun));
        noiseRun.clear();
    }

    // Takes what the host has written; returns what read() did. The pty
    // hands a frame over at once; paced, each byte counts as arrived only
    // after its own line time, behind the bytes before it.
    ssize_t intake() {
        uint8_t buf[512];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) < 0 && errno == EINTR) {
        }
        if (n <= 0) return n;
        const Clock::time_point now = Clock::now();
        for (ssize_t i = 0; i < n; ++i) {
            Clock::time_point at = now;
            if (paced) {
                at = std::max(lineFree, now) + kByte;
                lineFree = at;
            }
            pending.push_back(buf[i]);
            pendingAt.push_back(at);
            lastByte = at;
        }
        return n;
    }

    // Waits until t; true when stop() was called first. Paced, the host's
    // bytes are taken in meanwhile so that their arrival is timed while the
    // camera is busy, as a UART would; unpaced, they wait in the pty.
    bool waitUntil(Clock::time_point t) {
        bool watchLine = paced && master >= 0;
        for (;;) {
            const auto left = t - Clock::now();
            if (left <= Clock::duration::zero()) return false;
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
            pollfd p[2] = {{wake, POLLIN, 0}, {master, POLLIN, 0}};
            const int r = ::ppoll(p, watchLine ? 2 : 1, &ts, nullptr);
            if (r < 0 && errno != EINTR) return false;
            if (r <= 0) continue;
            if (p[0].revents) return true;
            if (!(p[1].revents & POLLIN) || intake() <= 0) watchLine = false;  // never spin on a dead line
        }
    }

    bool waitStop(int ms) { return ms > 0 && waitUntil(Clock::now() + std::chrono::milliseconds(ms)); }

    // False when stop() cut the answer short. Paced, the first byte starts
    // at `from` (or now, when that has passed).
    bool writeOut(const Bytes& out, Clock::time_point from) {
        if (out.empty() || master < 0) return true;
        if (!paced) {
            size_t off = 0;
            while (off < out.size()) {
                ssize_t w = ::write(master, out.data() + off, out.size() - off);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) break;  // a full line drops the rest, as a real one would
                off += static_cast<size_t>(w);
            }
            return true;
        }
        // absolute times, so that a late wake-up does not stretch the answer
        Clock::time_point t = std::max(from, Clock::now());
        for (uint8_t b : out) {
            t += kByte;
            if (waitUntil(t)) return false;
            while (::write(master, &b, 1) < 0 && errno == EINTR) {
            }
        }
        return true;
    }

    Fault pickFault(const std::string& text, const std::string& bare) {
        std::lock_guard lk(mu);
        Fault f = chooseFault(text, bare);
        if (f != Fault::None) met.emplace_back(text, f);
        return f;
    }

    Fault chooseFault(const std::string& text, const std::string& bare) {
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            if (text.starts_with(it->prefix) || bare.starts_with(it->prefix)) {
                Fault f = it->fault;
                if (--it->count <= 0) faults.erase(it);
                return f;
            }
        }
        if (faultRate > 0 && std::uniform_real_distribution<double>(0, 1)(rng) < faultRate) {
            // a random hang-up would end the session, so it is only ever injected
            static constexpr Fault kinds[] = {Fault::NoReply,     Fault::WrongAck,    Fault::BadFirstByte,
                                              Fault::Truncated,   Fault::NoiseBefore, Fault::Late};
            return kinds[std::uniform_int_distribution<int>(0, 5)(rng)];
        }
        return Fault::None;
    }

    // full: the frame as received, prefix included; frame: without the prefix.
    // arrived: when the frame's last byte was on the line.
    void onFrame(const Bytes& full, const Bytes& frame, int id, Clock::time_point arrived) {
        const std::string text = detail::toText(full);
        {
            std::lock_guard lk(mu);
            received.push_back(text);
        }
        cv.notify_all();
        traceOut(false, text);
        if (full.size() == 1 && full[0] == kAck) return;  // the host's acknowledgement of a reply

        detail::Camera* cam = nullptr;
        if (opt.multiDropCameras == 0) {
            if (id == 0) cam = &cameras[0];
        } else {
            cam = camera(id);
        }
        if (!cam) return;

        const Fault fault = pickFault(text, detail::toText(frame));
        if (fault == Fault::HangUp) {
            serving = false;
            closeLine();
            return;
        }
        if (fault == Fault::NoReply) return;

        Bytes out;
        if (fault == Fault::NoiseBefore) out = {0x00, 0x7F, 0x3C};
        if (fault == Fault::WrongAck) {
            out.push_back(kNak);
        } else {
            detail::Answer a;
            {
                std::lock_guard lk(mu);
                a = cam->handle(frame, Clock::now());
            }
            // unknown or malformed commands are refused rather than ignored,
            // so a wrong command fails at once instead of after a time-out
            out.push_back(a.accepted ? kAck : kNak);
            if (a.accepted && a.query) {
                Bytes r = a.reply;
                if (fault == Fault::BadFirstByte && !r.empty()) r[0] = 0x90;
                if (fault == Fault::Truncated) {
                    // cut after the first data byte, and always by one byte at least
                    const size_t firstData = !r.empty() && r[0] == 0x8F ? 4 : 3;
                    if (!r.empty()) r.resize(std::min(r.size() - 1, firstData + 1));
                }
                out.insert(out.end(), r.begin(), r.end());
            }
        }
        int delay = turnaroundMs.load() + (fault == Fault::Late ? opt.lateMs : 0);
        // paced, the turnaround runs from the frame's end on the line, not
        // from this thread's wake-up after it
        Clock::time_point from = arrived + std::chrono::milliseconds(delay);
        if (!paced) {
            if (waitStop(delay)) return;
            from = Clock::now();
        }
        if (writeOut(out, from)) traceOut(true, detail::toText(out));
    }

    Bytes takePending(size_t n) {
        Bytes out(pending.begin(), pending.begin() + static_cast<long>(n));
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(n));
        pendingAt.erase(pendingAt.begin(), pendingAt.begin() + static_cast<long>(n));
        return out;
    }

    void skipNoise() { noiseRun.push_back(takePending(1)[0]); }

    // Takes every complete frame off the front of pending, each once its
    // last byte is on the line.
    void parse() {
        for (;;) {
            const detail::FrameCut cut = detail::cutFrame(pending);
            if (cut.kind == detail::FrameCut::NeedMore) return;
            if (cut.kind == detail::FrameCut::Noise) {
                skipNoise();
                continue;
            }
            flushNoise();
            // the host's acknowledgement occupies the line like any frame
            const size_t end = cut.at + cut.len;
            if (waitUntil(pendingAt[end - 1])) return;
            const Clock::time_point arrived = pendingAt[end - 1];
            Bytes full = takePending(end);
            Bytes frame(full.begin() + static_cast<long>(cut.at), full.end());
            onFrame(full, frame, cut.id, arrived);
            if (master < 0) return;
        }
    }

    void dropPending() {
        noiseRun.insert(noiseRun.end(), pending.begin(), pending.end());
        pending.clear();
        pendingAt.clear();
        flushNoise();
    }

    void run() {
        // Pacing waits are a character time or less; the default timer
        // slack (50 us) would make every one of them late.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        while (master >= 0) {
            int timeout = -1;
            if (!pending.empty() || !noiseRun.empty()) {
                auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastByte).count();
                timeout = std::max<int>(0, opt.quietMs - static_cast<int>(quiet));
            }
            pollfd p[2] = {{wake, POLLIN, 0}, {master, POLLIN, 0}};
            int r = ::poll(p, 2, timeout);
            if (r < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (p[0].revents) break;
            if (r == 0) {
                dropPending();
                continue;
            }
            if (p[1].revents & POLLIN) {
                const ssize_t n = intake();
                if (n > 0) {
                    parse();
                    continue;
                }
                if (n < 0 && errno == EAGAIN) continue;
            }
            if (p[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                // only our own slave keeps the line up; without it avoid spinning
                if (waitStop(10)) break;
            }
        }
    }
};

CameraSim::CameraSim(Options options) : impl_(std::make_unique<Impl>(options)) {}

CameraSim::~CameraSim() { stop(); }

bool CameraSim::start() {
    Impl& d = *impl_;
    if (d.thread.joinable()) return d.serving;
    d.pending.clear();
    d.pendingAt.clear();
    d.noiseRun.clear();
    d.lineFree = {};
    d.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d.master < 0) return false;
    char name[128];
    if (::grantpt(d.master) != 0 || ::unlockpt(d.master) != 0 || ::ptsname_r(d.master, name, sizeof name) != 0) {
        d.closeLine();
        return false;
    }
    d.path = name;
    d.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d.slave < 0) {
        d.closeLine();
        return false;
    }
    termios t{};
    if (::tcgetattr(d.slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(d.slave, TCSANOW, &t);
    }
    ::fcntl(d.master, F_SETFL, ::fcntl(d.master, F_GETFL) | O_NONBLOCK);
    d.wake = ::eventfd(0, EFD_CLOEXEC);
    if (d.wake < 0) {
        d.closeLine();
        return false;
    }
    d.serving = true;
    d.thread = std::thread([&d] { d.run(); });
    return true;
}

void CameraSim::stop() {
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(d.wake, &one, sizeof one);
        d.thread.join();
    }
    d.closeLine();
    if (d.wake >= 0) ::close(d.wake);
    d.wake = -1;
    d.serving = false;
}

std::string CameraSim::devicePath() const { return impl_->path; }

std::vector<std::string> CameraSim::received() const {
    std::lock_guard lk(impl_->mu);
    return impl_->received;
}

void CameraSim::clearReceived() {
    std::lock_guard lk(impl_->mu);
    impl_->received.clear();
}

bool CameraSim::waitForFrames(size_t n, std::chrono::milliseconds limit) const {
    std::unique_lock lk(impl_->mu);
    return impl_->cv.wait_for(lk, limit, [&] { return impl_->received.size() >= n; });
}

void CameraSim::injectFault(const std::string& prefix, Fault fault, int count) {
    if (count <= 0 || fault == Fault::None) return;
    std::lock_guard lk(impl_->mu);
    impl_->faults.push_back({prefix, fault, count});
}

void CameraSim::clearFaults() {
    std::lock_guard lk(impl_->mu);
    impl_->faults.clear();
    impl_->faultRate = 0;
}

void CameraSim::setFaultRate(double rate, uint32_t seed) {
    std::lock_guard lk(impl_->mu);
    impl_->faultRate = std::clamp(rate, 0.0, 1.0);
    impl_->rng.seed(seed);
}

void CameraSim::setPaced(bool paced) { impl_->paced = paced; }

void CameraSim::setTurnaroundMs(int ms) { impl_->turnaroundMs = std::max(0, ms); }

CameraState CameraSim::state(int camera) const {
    std::lock_guard lk(impl_->mu);
    detail::Camera* cam = impl_->camera(camera);
    if (!cam) return {};
    cam->advance(Clock::now());
    return cam->state;
}

void CameraSim::setState(const CameraState& s, int camera) {
    std::lock_guard lk(impl_->mu);
    if (detail::Camera* cam = impl_->camera(camera)) cam->replaceState(s, Clock::now());
}

void CameraSim::resetToFactory(int camera) {
    std::lock_guard lk(impl_->mu);
    if (detail::Camera* cam = impl_->camera(camera)) cam->resetToFactory();
}

std::vector<std::string> CameraSim::noise() const {
    std::lock_guard lk(impl_->mu);
    return impl_->noise;
}

std::vector<std::pair<std::string, Fault>> CameraSim::faultsMet() const {
    std::lock_guard lk(impl_->mu);
    return impl_->met;
}

bool CameraSim::running() const { return impl_->serving; }

void CameraSim::setTrace(std::function<void(bool sent, const std::string& text)> trace) {
    std::lock_guard lk(impl_->mu);
    impl_->trace = std::move(trace);
}

}  // namespace dxsim
