// The link object behind dxlink::IExComCtrl.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CIComm.h"
#include "dxlink/dxlink.h"

namespace dxlink::detail {

struct PortConfig {
    int16_t port = 1;
    int16_t DeviceType = 1;
    int16_t Baudrate = 9600;
    int16_t Databit = 8;
    int16_t Parity = 2;
    int16_t Stopbit = 1;
    int16_t FlowControl = 0;
    int16_t Transmit = 0;
    int16_t SerialTimeout = 5000;
};

// Process-wide wait values shared by all link objects.
int16_t& ReplyWaitMs();
bool& LinkIdle();

// How far a reply that has started to arrive is from being whole.
enum class ReplyState {
    Complete,    // nothing more is expected
    Incomplete,  // more bytes are known to be due
    Expected,    // as long as expected; a longer, wrong, reply would go on back to back
    Unknown,     // read on until the line goes quiet
};
struct ReplyCheck {
    ReplyCheck(ReplyState s, size_t m = 0) : state(s), missing(m) {}
    ReplyState state;
    // Incomplete: at least this many bytes are still to come (0: not known).
    // The line brings them no faster than one a character time.
    size_t missing;
};
using ReplyRule = std::function<ReplyCheck(const std::vector<uint8_t>&)>;

// Reply rules of the exchanges.
ReplyCheck QueryReplyState(const std::vector<uint8_t>& reply, const std::string& ack);
ReplyCheck AckReplyState(const std::vector<uint8_t>& reply, size_t ackBytes);

// After a reply as long as expected, how long a read waits from the moment
// its last byte was seen for a byte that would follow it back to back: one
// character time and a quarter for late delivery, never under 1 ms (on a
// fast line scheduling alone is slower than a character).
int64_t BackToBackWaitMicros(int64_t characterMicros);

// Command text to bytes.
std::string SplitToken(std::string& text, char delimiter);
uint8_t ParseHexPair(const std::string& s);
std::vector<uint8_t> HexTextBytes(std::string text);
std::string HexByteText(uint8_t b);
std::string ReplyHexText(const std::vector<uint8_t>& bytes);

class ExComCtrl final : public IExComCtrl {
public:
    ExComCtrl() = default;
    ~ExComCtrl() override;

    int16_t PortOpen(int16_t DeviceType, int16_t port) override;
    void PortClose() override;
    std::string CmdRecv(const std::string& command, const std::string& ack, int16_t WaitTime) override;
    int16_t SendStr(const std::string& sendData, int16_t addValue) override;
    int16_t Send(const std::string& sendData) override;
    std::string Recv(int16_t receiveLength) override;
    int16_t cmd(const std::string& command, const std::string& ack) override;
    int16_t CmdStr(const std::string& command, const std::string& ack, int16_t addValue) override;

    int16_t get_port() const override { return cfg_.port; }
    void put_port(int16_t v) override { cfg_.port = v; }
    int16_t get_DeviceType() const override { return cfg_.DeviceType; }
    void put_DeviceType(int16_t v) override { cfg_.DeviceType = v; }
    int16_t get_Baudrate() const override { return cfg_.Baudrate; }
    void put_Baudrate(int16_t v) override { cfg_.Baudrate = v; }
    int16_t get_Databit() const override { return cfg_.Databit; }
    void put_Databit(int16_t v) override { cfg_.Databit = v; }
    int16_t get_Parity() const override { return cfg_.Parity; }
    void put_Parity(int16_t v) override { cfg_.Parity = v; }
    int16_t get_Stopbit() const override { return cfg_.Stopbit; }
    void put_Stopbit(int16_t v) override { cfg_.Stopbit = v; }
    int16_t get_FlowControl() const override { return cfg_.FlowControl; }
    void put_FlowControl(int16_t v) override { cfg_.FlowControl = v; }
    int16_t get_Transmit() const override { return cfg_.Transmit; }
    void put_Transmit(int16_t v) override { cfg_.Transmit = v; }
    int16_t get_SerialTimeout() const override { return cfg_.SerialTimeout; }
    void put_SerialTimeout(int16_t v) override { cfg_.SerialTimeout = v; }

    void SetEndInitHandler(EndInitHandler handler, void* context) override {
        endInit_ = handler;
        endInitContext_ = context;
    }
    std::string ResolvedDevice() const override { return resolved_; }
    PortError LastOpenError() const override { return openError_; }
    int LastOpenErrno() const override { return openErrno_; }
    void Release() override { delete this; }
    bool LastReplyHeard() const override { return replyHeard_; }

    // Plumbing for tests of this library.
    CIComm* channel() { return channel_.get(); }

    // The steps of an exchange.
    size_t SendHexText(const std::string& text, const ReplyRule& rule);
    void SendBytes(const std::vector<uint8_t>& bytes, const ReplyRule& rule);
    void WaitMs(int ms, const ReplyRule& rule);
    std::vector<uint8_t> ReadReplyBytes(const ReplyRule& rule);
    std::string ReadReplyHex(const ReplyRule& rule);
    std::string ReadReplyText(const ReplyRule& rule);

private:
    void OpenChannel();
    int16_t SendWithRule(const std::string& text, const ReplyRule& rule);

    PortConfig cfg_;
    std::unique_ptr<CIComm> channel_;
    EndInitHandler endInit_ = nullptr;
    void* endInitContext_ = nullptr;
    std::string resolved_;
    size_t replyParityErrors_ = 0;  // in the last reply read
    bool replyHeard_ = false;       // the last reply read had any byte
    PortError openError_ = PortError::None;
    int openErrno_ = 0;
};

}  // namespace dxlink::detail
