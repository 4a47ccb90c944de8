// The serial channel: one port, its line settings as text, and the
// receive waits. Private to the library.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SerialPort.h"

namespace dxlink::detail {

// Message and class of a port notification code; class 0 is never passed on.
struct CommEventInfo {
    const char* message;
    int16_t eventClass;
};
CommEventInfo DescribeCommEvent(int16_t code);

class CIComm {
public:
    using EventPortHandler = std::function<void(int16_t EvtNo, const std::string& EvtMsg)>;

    CIComm();
    CIComm(const CIComm&) = delete;
    CIComm& operator=(const CIComm&) = delete;

    int32_t setPort(int16_t portNo, const std::string& setting);
    std::string setting() const { return ComObj->settings(); }

    // Property lets; the port's rejections propagate as PortSettingError.
    void Com(int16_t p);
    void Baud(const std::string& s);
    void Parity(const std::string& s);
    void data(const std::string& s);
    void SBit(const std::string& s);
    void XON(bool s);
    void RTS(bool s);
    void DTREnable(bool b);
    void RTSEnable(bool b);
    void Buffering(bool b);
    bool Buffering() const { return buffering_; }
    void enaRcvEvent(int t);
    void Timeout(int32_t t);
    void EventLevel(int16_t evt) { eventLevel_ = evt; }
    void TransferMode(int value);
    int TransferMode() const { return ComObj->binaryMode() ? 1 : 0; }

    int32_t openPort();
    int32_t closePort();
    int32_t Send(const std::string& msg);
    int32_t Send(const std::vector<uint8_t>& msg);
    int32_t sendB(uint8_t msg);
    int32_t sendCmd(const std::string& msg);
    void clear();
    void bufferClear() { lineBuffer_.clear(); }
    bool checkInput();
    std::string receive();
    std::vector<uint8_t> receiveB();
    std::string receiveCmd(int16_t clr);

    void setEventPort(EventPortHandler h) { eventPort_ = std::move(h); }

    // Reading on after the first bytes of a reply: waits up to us
    // microseconds for more input, then takes all that is queued (empty
    // when nothing came).
    std::vector<uint8_t> receiveMore(int64_t us);
    int32_t timeoutValue() const { return timeout_; }
    bool timeoutActive() const { return timeoutActive_; }
    SerialPort& port() { return *ComObj; }
    const std::string& lineBuffer() const { return lineBuffer_; }

private:
    std::string receiveWait(bool byteReader);
    void onComm(int16_t code);
    void writeField(size_t from, size_t to, const std::string& s);

    std::unique_ptr<SerialPort> ComObj;
    int32_t timeout_ = 0;
    bool timeoutActive_ = false;
    int16_t eventLevel_ = 2;
    bool buffering_ = false;
    std::string lineBuffer_;
    EventPortHandler eventPort_;
};

}  // namespace dxlink::detail
