#include "SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace dxlink::detail {

namespace {

speed_t SpeedFor(int baud) {
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

bool ParseInt(const std::string& s, int& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long l = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || l < 0 || l > 1000000) return false;
    v = int(l);
    return true;
}

// Unix98 pty slaves: the pty driver forces CS8 and drops parity whatever
// is asked, so those two cannot be read back there.
bool IsPseudoTerminal(int fd) {
    struct stat st{};
    if (fstat(fd, &st) != 0) return false;
    const unsigned maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
}

bool ModemLinesUnsupported(int err) { return err == ENOTTY || err == EINVAL; }

}  // namespace

bool ParseLineSettings(const std::string& text, LineSettings& out) {
    std::string f[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t c = text.find(',', start);
        if ((i < 3) == (c == std::string::npos)) return false;
        f[i] = text.substr(start, i < 3 ? c - start : std::string::npos);
        start = c + 1;
    }
    LineSettings s;
    if (!ParseInt(f[0], s.baud) || SpeedFor(s.baud) == B0) return false;
    if (f[1].size() != 1) return false;
    s.parity = char(std::tolower(static_cast<unsigned char>(f[1][0])));
    if (s.parity != 'n' && s.parity != 'e' && s.parity != 'o') return false;
    if (!ParseInt(f[2], s.dataBits) || s.dataBits < 5 || s.dataBits > 8) return false;
    if (f[3] == "1") s.stopBits = 1;
    else if (f[3] == "1.5") s.stopBits = 15;
    else if (f[3] == "2") s.stopBits = 2;
    else return false;
    out = s;
    return true;
}

SerialPort::~SerialPort() { close(); }

void SerialPort::setPortNumber(int16_t n) {
    if (isOpen()) throw PortSettingError(kErrPortAlreadyOpen, "port already open");
    if (n < 1) throw PortSettingError(kErrInvalidPortNumber, "invalid port number");
    port_ = n;
}

void SerialPort::setSettings(const std::string& text) {
    LineSettings s;
    if (!ParseLineSettings(text, s)) throw PortSettingError(kErrInvalidProperty, "invalid line settings");
    const LineSettings old = line_;
    line_ = s;
    if (isOpen()) {
        try {
            applyLine();
        } catch (...) {
            line_ = old;
            throw;
        }
    }
    settingsText_ = text;
}

void SerialPort::setHandshaking(int code) {
    if (code < 0 || code > 3) throw PortSettingError(kErrInvalidProperty, "invalid handshaking");
    const int old = handshaking_;
    handshaking_ = code;
    if (isOpen()) {
        try {
            applyLine();
        } catch (...) {
            handshaking_ = old;
            throw;
        }
    }
}

void SerialPort::applyModemLine(int bit, bool on) {
    if (!isOpen()) return;
    if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0 && !ModemLinesUnsupported(errno))
        throw PortSettingError(kErrCommState, "modem line rejected");
}

void SerialPort::setDtr(bool on) {
    applyModemLine(TIOCM_DTR, on);
    dtr_ = on;
}

void SerialPort::setRts(bool on) {
    applyModemLine(TIOCM_RTS, on);
    rts_ = on;
}

void SerialPort::setInBufferSize(int n) {
    if (isOpen()) throw PortSettingError(kErrPortAlreadyOpen, "port already open");
    if (n < 1) throw PortSettingError(kErrInvalidProperty, "invalid queue size");
    inSize_ = n;
}

void SerialPort::setOutBufferSize(int n) {
    if (isOpen()) throw PortSettingError(kErrPortAlreadyOpen, "port already open");
    if (n < 1) throw PortSettingError(kErrInvalidProperty, "invalid queue size");
    outSize_ = n;
}

void SerialPort::applyLine() {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) throw PortSettingError(kErrCommState, "cannot read line state");
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(HUPCL | CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[line_.dataBits - 5];
    if (line_.parity != 'n') t.c_cflag |= PARENB;
    if (line_.parity == 'o') t.c_cflag |= PARODD;
    // termios has no 1.5 stop bits; the nearest longer frame is 2.
    if (line_.stopBits != 1) t.c_cflag |= CSTOPB;
    // A byte that failed parity is marked, never passed on as it came.
    t.c_iflag &= ~(IGNPAR | ISTRIP | INPCK | PARMRK);
    if (line_.parity != 'n') t.c_iflag |= INPCK | PARMRK;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (handshaking_ & 1) t.c_iflag |= IXON | IXOFF;
    if (handshaking_ & 2) t.c_cflag |= CRTSCTS;
    const speed_t sp = SpeedFor(line_.baud);
    cfsetispeed(&t, sp);
    cfsetospeed(&t, sp);
    requested_ = t;
    // EINVAL may only mean that the C library saw a bit the driver ignores
    // (a pty drops parity); the read-back below decides.
    if (tcsetattr(fd_, TCSANOW, &t) != 0 && errno != EINVAL)
        throw PortSettingError(kErrCommState, "line settings rejected");

    // tcsetattr succeeds if any one change took; check them all.
    termios back{};
    if (tcgetattr(fd_, &back) != 0) throw PortSettingError(kErrCommState, "cannot read line state");
    // what the driver marks is what must be decoded
    marked_ = (back.c_iflag & PARMRK) && !(back.c_iflag & (IGNPAR | ISTRIP));
    marks_.reset();
    tcflag_t mask = CSTOPB | CRTSCTS | CLOCAL | CREAD;
    if (!IsPseudoTerminal(fd_)) mask |= CSIZE | PARENB | PARODD;
    if ((back.c_cflag & mask) != (t.c_cflag & mask) ||
        (back.c_iflag & (IXON | IXOFF)) != (t.c_iflag & (IXON | IXOFF)) ||
        cfgetospeed(&back) != sp || cfgetispeed(&back) != sp)
        throw PortSettingError(kErrCommState, "line settings did not take");
}

int32_t SerialPort::failOpen(PortError e, int err) {
    if (fd_ >= 0) {
        // a pty whose master stays open would otherwise keep refusing others
        if (exclusive_) ioctl(fd_, TIOCNXCL);
        if (locked_) flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
    locked_ = false;
    exclusive_ = false;
    openError_ = e;
    openErrno_ = err;
    switch (e) {
    case PortError::NotFound:
    case PortError::NotSerial: return kErrInvalidPortNumber;
    case PortError::Busy: return kErrPortAlreadyOpen;
    case PortError::Permission:
    case PortError::Gone: return kErrDeviceUnavailable;
    default: return kErrCommState;
    }
}

int32_t SerialPort::open() {
    if (isOpen()) return kErrPortAlreadyOpen;
    openError_ = PortError::None;
    openErrno_ = 0;
    const ComResolution r = ResolveComPort(port_);
    device_ = r.device;
    if (device_.empty()) return failOpen(PortError::NotFound, ENOENT);

    fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO: return failOpen(PortError::NotFound, err);
        case EACCES:
        case EPERM: return failOpen(PortError::Permission, err);
        case EBUSY:
        case EWOULDBLOCK: return failOpen(PortError::Busy, err);
        case EIO: return failOpen(PortError::Gone, err);
        default: return failOpen(PortError::Other, err);
        }
    }
    if (!isatty(fd_)) return failOpen(PortError::NotSerial, ENOTTY);
    // The advisory lock also keeps out root, which TIOCEXCL does not.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        return failOpen(err == EWOULDBLOCK ? PortError::Busy : PortError::Other, err);
    }
    locked_ = true;
    if (ioctl(fd_, TIOCEXCL) == 0)
        exclusive_ = true;
    else if (errno != ENOTTY)
        return failOpen(PortError::Other, errno);

    try {
        applyLine();
        applyModemLine(TIOCM_DTR, dtr_);
        applyModemLine(TIOCM_RTS, rts_);
    } catch (const PortSettingError&) {
        const int err = errno;
        return failOpen(err == EIO ? PortError::Gone : PortError::Other, err);
    }
    // Whatever the line held before this open is no reply to us.
    tcflush(fd_, TCIFLUSH);
    rx_.clear();
    pending_.clear();
    // What happened on the line before this open is not reported.
    lineSeen_ = LineSample{};
    SampleLine(fd_, lineSeen_, true);
    return 0;
}

int32_t SerialPort::close() {
    if (!isOpen()) return kErrPortNotOpen;
    if (exclusive_) ioctl(fd_, TIOCNXCL);
    if (locked_) flock(fd_, LOCK_UN);
    const int r = ::close(fd_);
    fd_ = -1;
    locked_ = false;
    exclusive_ = false;
    rx_.clear();
    pending_.clear();
    return r == 0 ? 0 : kErrDeviceUnavailable;
}

bool SerialPort::service() {
    if (!isOpen()) return false;
    flushPending();
    bool got = false;
    bool alive = true;
    while (int(rx_.size()) < inSize_) {
        char buf[256];
        size_t want = size_t(inSize_) - rx_.size();
        if (want > sizeof buf) want = sizeof buf;
        const ssize_t n = ::read(fd_, buf, want);
        if (n > 0) {
            if (marked_)
                parityErrors_ += marks_.decode(std::string_view(buf, size_t(n)), parityReplace_, rx_);
            else
                rx_.append(buf, size_t(n));
            got = true;
            continue;
        }
        // 0 with VMIN=0 means nothing queued; a hangup shows in poll().
        if (n < 0 && errno != EAGAIN && errno != EINTR) alive = false;
        break;
    }
    checkLine();
    if (got && rThreshold_ > 0 && isOpen()) emit(kEvReceive);
    return alive;
}

void SerialPort::checkLine() {
    if (!lineSeen_.haveCounts && !lineSeen_.haveLines) return;
    LineSample now = lineSeen_;
    SampleLine(fd_, now, false);
    const std::vector<int16_t> events = LineEventsBetween(lineSeen_, now);
    // Stored before the handlers run, so one that reads again sees no repeat.
    lineSeen_ = now;
    for (const int16_t code : events) emit(code);
}

void SerialPort::flushPending() {
    while (!pending_.empty()) {
        const ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n <= 0) break;
        pending_.erase(0, size_t(n));
    }
}

int SerialPort::inBufferCount() {
    if (!isOpen()) return 0;
    service();
    int kernel = 0;
    if (ioctl(fd_, FIONREAD, &kernel) != 0) kernel = 0;
    return int(rx_.size()) + kernel;
}

int32_t SerialPort::purgeInput() {
    if (!isOpen()) return kErrPortNotOpen;
    rx_.clear();
    return tcflush(fd_, TCIFLUSH) == 0 ? 0 : kErrDeviceUnavailable;
}

int32_t SerialPort::purgeOutput() {
    if (!isOpen()) return kErrPortNotOpen;
    pending_.clear();
    return tcflush(fd_, TCOFLUSH) == 0 ? 0 : kErrDeviceUnavailable;
}

std::string SerialPort::read() {
    if (!isOpen()) return {};
    service();
    const size_t n = readLength_ > 0 ? std::min(rx_.size(), size_t(readLength_)) : rx_.size();
    std::string out = rx_.substr(0, n);
    rx_.erase(0, n);
    return out;
}

int32_t SerialPort::write(const uint8_t* data, size_t n) {
    if (!isOpen()) return kErrPortNotOpen;
    ++writeCalls_;
    flushPending();
    size_t done = 0;
    if (pending_.empty()) {
        while (done < n) {
            const ssize_t w = ::write(fd_, data + done, n - done);
            if (w > 0) {
                done += size_t(w);
                continue;
            }
            if (w < 0 && errno == EINTR) continue;
            if (w < 0 && errno != EAGAIN) return kErrWrite;
            break;
        }
    }
    // What the device cannot take now waits in our own output queue.
    const size_t rest = n - done;
    if (pending_.size() + rest > size_t(outSize_)) {
        emit(kEvSendQueueFull);
        return kErrWrite;
    }
    pending_.append(reinterpret_cast<const char*>(data) + done, rest);
    return 0;
}

WaitResult SerialPort::waitInput(int ms, bool pump) {
    return waitInputMicros(ms < 0 ? -1 : int64_t(ms) * 1000, pump);
}

WaitResult SerialPort::waitInputMicros(int64_t us, bool pump) {
    if (!isOpen()) return WaitResult::Hangup;
    if (!service()) return WaitResult::Hangup;
    if (!rx_.empty()) return WaitResult::Ready;
    const WaitResult r = WaitOnMicros(fd_, POLLIN, us, pump);
    if (r == WaitResult::TimedOut) return r;
    const bool alive = service();
    if (!rx_.empty()) return WaitResult::Ready;
    return alive && r == WaitResult::Ready ? WaitResult::Ready : WaitResult::Hangup;
}

const std::string& SerialPort::peek() {
    service();
    return rx_;
}

unsigned SerialPort::characterMicros() const {
    const int bits = 1 + line_.dataBits + (line_.parity != 'n' ? 1 : 0) + (line_.stopBits == 1 ? 1 : 2);
    return unsigned(bits * 1000000LL / line_.baud);
}

bool SerialPort::drainOutput() {
    if (!isOpen()) return false;
    const uint32_t start = GetTickCount();
    uint32_t limit = 0;
    for (;;) {
        flushPending();
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
        queued += int(pending_.size());
        if (queued == 0) return true;
        if (limit == 0) limit = std::min(uint32_t(queued) * characterMicros() / 1000u * 2u + 20u, 2000u);
        if (TicksSince(start) > limit) return false;
        // what is queued needs its line time; looking sooner finds it still there
        WaitOnMicros(-1, 0, int64_t(queued) * characterMicros(), true);
    }
}

}  // namespace dxlink::detail
