// dxlink: the camera link library. Owns a serial port for the length of one
// exchange and turns colon-separated hex command text into bytes on the line.
// No Qt here; the host reaches everything through this header.
#pragma once

#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define DXLINK_API __attribute__((visibility("default")))
#else
#define DXLINK_API
#endif

namespace dxlink {

// Why the last PortOpen failed, in the operator's terms.
enum class PortError : int {
    None = 0,
    NotFound = 1,    // ENOENT, ENODEV, ENXIO, or no device for that COM number
    Permission = 2,  // EACCES, EPERM
    Busy = 3,        // EBUSY, EWOULDBLOCK: another holder of the port
    Gone = 4,        // EIO: the device went away
    NotSerial = 5,   // the path is not a terminal device
    Other = 6,       // anything else, or a line setting the device rejected
};

// How a COM number was resolved to a device.
struct ComResolution {
    std::string device;  // "" when nothing was found
    bool fromEnvironment = false;  // DX410_COMn was set
};

// The link object's default interface. The virtual members up to and
// including the SerialTimeout properties are in the interface's slot order;
// everything after them is Linux plumbing.
class IExComCtrl {
public:
    // 1..8: methods
    virtual int16_t PortOpen(int16_t DeviceType, int16_t port) = 0;
    virtual void PortClose() = 0;
    virtual std::string CmdRecv(const std::string& command, const std::string& ack, int16_t WaitTime) = 0;
    virtual int16_t SendStr(const std::string& sendData, int16_t addValue) = 0;
    virtual int16_t Send(const std::string& sendData) = 0;
    virtual std::string Recv(int16_t receiveLength) = 0;
    virtual int16_t cmd(const std::string& command, const std::string& ack) = 0;
    virtual int16_t CmdStr(const std::string& command, const std::string& ack, int16_t addValue) = 0;
    // 9..26: properties, get then let
    virtual int16_t get_port() const = 0;
    virtual void put_port(int16_t v) = 0;
    virtual int16_t get_DeviceType() const = 0;
    virtual void put_DeviceType(int16_t v) = 0;
    virtual int16_t get_Baudrate() const = 0;
    virtual void put_Baudrate(int16_t v) = 0;
    virtual int16_t get_Databit() const = 0;
    virtual void put_Databit(int16_t v) = 0;
    virtual int16_t get_Parity() const = 0;
    virtual void put_Parity(int16_t v) = 0;
    virtual int16_t get_Stopbit() const = 0;
    virtual void put_Stopbit(int16_t v) = 0;
    virtual int16_t get_FlowControl() const = 0;
    virtual void put_FlowControl(int16_t v) = 0;
    virtual int16_t get_Transmit() const = 0;
    virtual void put_Transmit(int16_t v) = 0;
    virtual int16_t get_SerialTimeout() const = 0;
    virtual void put_SerialTimeout(int16_t v) = 0;

    // Event interface: EndInit(), raised when PortOpen fails.
    using EndInitHandler = void (*)(void* context);
    virtual void SetEndInitHandler(EndInitHandler handler, void* context) = 0;

    // Diagnostics for the host: which device the last PortOpen used and why
    // it failed (PortError::None after a good open).
    virtual std::string ResolvedDevice() const = 0;
    virtual PortError LastOpenError() const = 0;
    virtual int LastOpenErrno() const = 0;

    // Releases the object; releasing closes the port.
    virtual void Release() = 0;

protected:
    virtual ~IExComCtrl() = default;

public:
    // Whether any byte came back in the last exchange: a silent line is not a
    // wrong answer. (After the destructor, so older slots keep their places.)
    virtual bool LastReplyHeard() const = 0;
};

}  // namespace dxlink

extern "C" {

// Creates a link object with the default PortConfig. Never returns null.
DXLINK_API dxlink::IExComCtrl* dxlink_create(void);

// The host's event pump, called between the poll() slices of every wait so
// that its user interface stays live. Null switches it off.
typedef void (*dxlink_event_pump)(void* context);
DXLINK_API void dxlink_set_event_pump(dxlink_event_pump pump, void* context);

// Process-wide wait values shared by all link objects.
DXLINK_API int16_t dxlink_reply_wait_ms(void);
DXLINK_API bool dxlink_link_idle(void);
DXLINK_API void dxlink_set_link_idle(bool idle);

// Text of a PortError for an operator ("not found", "busy", ...).
DXLINK_API const char* dxlink_port_error_text(int error);
}

namespace dxlink {
// COMn: the device named by DX410_COMn when set, else the n-th of
// /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS* (each in numeric order).
DXLINK_API ComResolution ResolveComPort(int n);
}  // namespace dxlink
