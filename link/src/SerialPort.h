// The port object: one serial device on POSIX termios, opened by COM number.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "LineEvents.h"
#include "MarkedInput.h"
#include "Wait.h"
#include "dxlink/dxlink.h"

namespace dxlink::detail {

// Error numbers of the port object (the numbers an operator's tools know).
enum PortErrorNumber : int32_t {
    kErrInvalidProperty = 380,
    kErrInvalidPortNumber = 8002,
    kErrPortAlreadyOpen = 8005,
    kErrDeviceUnavailable = 8010,
    kErrPortNotOpen = 8012,
    kErrCommState = 8015,
    kErrWrite = 8018,
};

// Raised by setters the port rejects; the channel passes it on.
struct PortSettingError : std::runtime_error {
    PortSettingError(int32_t n, const std::string& what) : std::runtime_error(what), number(n) {}
    int32_t number;
};

struct LineSettings {
    int baud = 9600;
    char parity = 'n';  // n, e, o
    int dataBits = 8;
    int stopBits = 1;  // 1, 15 (one and a half), 2
};

// "9600,n,8,1"; false when the text is not four valid fields.
bool ParseLineSettings(const std::string& text, LineSettings& out);

// Port notification codes. Not raised on Linux: the CTS/DSR/CD time-outs
// (1002, 1003, 1007), for the kernel keeps no such timers; 1011, for a line
// state that cannot be read comes back as an error number; the send
// threshold (1), which termios lacks; EOF (7), for the line is raw.
enum CommEvent : int16_t {
    kEvSend = 1,
    kEvReceive = 2,
    kEvCts = 3,
    kEvDsr = 4,
    kEvCd = 5,
    kEvRing = 6,
    kEvBreak = 1001,
    kEvFrame = 1004,
    kEvOverrun = 1006,
    kEvRxOverflow = 1008,
    kEvParity = 1009,
    kEvSendQueueFull = 1010,
};

class SerialPort {
public:
    using Notify = std::function<void(int16_t code)>;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    void setPortNumber(int16_t n);
    int16_t portNumber() const { return port_; }
    void setSettings(const std::string& text);
    const std::string& settings() const { return settingsText_; }

    int32_t open();
    int32_t close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void setHandshaking(int code);
    int handshaking() const { return handshaking_; }
    void setDtr(bool on);
    void setRts(bool on);

    // Creation settings with no effect on a raw termios line; kept so the
    // channel can set them like any other.
    void setEofEnable(bool v) { eofEnable_ = v; }
    void setNullDiscard(bool v) { nullDiscard_ = v; }
    // What a byte that failed parity reads as ("" keeps it as received).
    void setParityReplace(const std::string& v) { parityReplace_ = v; }
    void setSThreshold(int v) { sThreshold_ = v; }
    void setRThreshold(int v) { rThreshold_ = v; }
    int rThreshold() const { return rThreshold_; }

    void setInBufferSize(int n);
    void setOutBufferSize(int n);
    int inBufferSize() const { return inSize_; }
    int outBufferSize() const { return outSize_; }

    // Bytes waiting: what the kernel holds plus what this object buffered.
    int inBufferCount();
    int32_t purgeInput();
    int32_t purgeOutput();

    void setReadLength(int n) { readLength_ = n < 0 ? 0 : n; }
    int readLength() const { return readLength_; }
    void setBinaryMode(bool b) { binary_ = b; }
    bool binaryMode() const { return binary_; }

    // Takes up to the read length (all when 0) of the queued bytes.
    std::string read();
    int32_t write(const uint8_t* data, size_t n);

    // Waits up to ms (or us) for input to be queued.
    WaitResult waitInput(int ms, bool pump);
    WaitResult waitInputMicros(int64_t us, bool pump);
    // Queued bytes without taking them.
    const std::string& peek();
    // Bits of one character on the line, in microseconds.
    unsigned characterMicros() const;
    // Lets output already accepted reach the line, bounded by what it
    // takes at the line rate.
    // true when everything written has left (nothing unsent remains)
    bool drainOutput();

    void setNotify(Notify n) { notify_ = std::move(n); }

    // Tests only: serves fd (a non-blocking socket) as an open port whose
    // driver marks parity errors, which no pseudo-terminal can be made to do.
    void adoptMarked(int fd) {
        close();
        fd_ = fd;
        marked_ = true;
        marks_.reset();
    }

    const std::string& device() const { return device_; }
    PortError lastOpenError() const { return openError_; }
    int lastOpenErrno() const { return openErrno_; }
    size_t writeCalls() const { return writeCalls_; }
    // Bytes received that failed parity, since the port was created.
    size_t parityErrors() const { return parityErrors_; }
    // The attributes this object asked the device for at the last apply.
    const termios& requested() const { return requested_; }

private:
    int32_t failOpen(PortError e, int err);
    void applyLine();  // throws PortSettingError
    void applyModemLine(int bit, bool on);
    bool service();  // pulls input and pushes pending output; false on hangup
    void flushPending();
    void checkLine();  // raises what the driver saw since the last look
    void emit(int16_t code) {
        if (notify_) notify_(code);
    }

    int fd_ = -1;
    bool locked_ = false;
    bool exclusive_ = false;  // our TIOCEXCL took; undo it when we let go
    int16_t port_ = 1;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_;
    int handshaking_ = 0;
    bool dtr_ = false;
    bool rts_ = false;
    bool eofEnable_ = false;
    bool nullDiscard_ = false;
    std::string parityReplace_ = "?";
    int sThreshold_ = 0;
    int rThreshold_ = 0;
    int inSize_ = 1024;
    int outSize_ = 512;
    int readLength_ = 0;
    bool binary_ = false;
    std::string rx_;
    std::string pending_;
    LineSample lineSeen_;
    Notify notify_;
    std::string device_;
    PortError openError_ = PortError::None;
    int openErrno_ = 0;
    size_t writeCalls_ = 0;
    termios requested_{};
    bool marked_ = false;  // parity marking is on
    MarkedInput marks_;
    size_t parityErrors_ = 0;
};

}  // namespace dxlink::detail
