#include "ExComCtrl.h"

#include <algorithm>
#include <cctype>

#include <poll.h>

namespace dxlink::detail {

namespace {

struct LinkModule {
    int16_t replyWaitMs = 0;
    bool linkIdle = false;
};

LinkModule& Module() {
    static LinkModule m;
    return m;
}

// Longest silence inside a frame that is known to be unfinished; USB
// adapters hand bytes over in chunks.
constexpr int kIncompleteGapMs = 50;
constexpr size_t kMaxReply = 1024;

std::string Terminator(int16_t addValue) {
    switch (addValue) {
    case 1: return "\r\n";
    case 2: return "\r";
    case 3: return "\n";
    default: return {};
    }
}

int HexDigit(char c) {
    c = char(std::toupper(static_cast<unsigned char>(c)));
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

std::string NlTokens(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += i ? ":NL" : "NL";
    return out;
}

}  // namespace

int16_t& ReplyWaitMs() { return Module().replyWaitMs; }
bool& LinkIdle() { return Module().linkIdle; }

ReplyCheck QueryReplyState(const std::vector<uint8_t>& reply, const std::string& ack) {
    if (reply.empty()) return {ReplyState::Incomplete};
    if (HexByteText(reply[0]) != ack) return {ReplyState::Unknown};
    if (reply.size() < 2) return {ReplyState::Incomplete, 1};
    const uint8_t head = reply[1];
    size_t whole = 0;
    if (head >= 0x81 && head <= 0x8E) {
        whole = 2 + (head - 0x80);
    } else if (head == 0x8F) {
        // a length byte, then at least group and item
        if (reply.size() < 3) return {ReplyState::Incomplete, 3};
        // a length below 3 cannot hold group and item: no frame to wait
        // for, so read on until the line is quiet and let the host judge it
        if (reply[2] < 3) return {ReplyState::Unknown};
        whole = 2 + reply[2];  // the length byte counts itself
    } else {
        return {ReplyState::Unknown};
    }
    if (reply.size() >= whole) return {ReplyState::Complete};
    return {ReplyState::Incomplete, whole - reply.size()};
}

ReplyCheck AckReplyState(const std::vector<uint8_t>& reply, size_t ackBytes) {
    if (reply.size() < ackBytes) return {ReplyState::Incomplete, ackBytes - reply.size()};
    return {reply.size() == ackBytes ? ReplyState::Expected : ReplyState::Unknown};
}

int64_t BackToBackWaitMicros(int64_t characterMicros) {
    return std::max<int64_t>(1000, characterMicros + characterMicros / 4);
}

std::string SplitToken(std::string& text, char delimiter) {
    const size_t p = text.find(delimiter);
    if (p == std::string::npos || p == 0) return {};
    std::string token = text.substr(0, p);
    const size_t rest = text.find_first_not_of(' ', p + 1);
    text = rest == std::string::npos ? std::string() : text.substr(rest);
    return token;
}

uint8_t ParseHexPair(const std::string& s) {
    if (s.empty()) return 0;
    return uint8_t(HexDigit(s.front()) * 16 + HexDigit(s.back()));
}

std::vector<uint8_t> HexTextBytes(std::string text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() + 1);
    for (;;) {
        const std::string token = SplitToken(text, ':');
        if (token.empty()) {
            out.push_back(ParseHexPair(text));
            return out;
        }
        out.push_back(ParseHexPair(token));
    }
}

std::string HexByteText(uint8_t b) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

std::string ReplyHexText(const std::vector<uint8_t>& bytes) {
    std::string out;
    const size_t n = bytes.size();
    for (size_t i = 0; i <= 1023 && i < n; ++i) {
        out += HexByteText(bytes[i]);
        if (i + 1 != n) out += ':';
    }
    return out;
}

ExComCtrl::~ExComCtrl() = default;

void ExComCtrl::OpenChannel() {
    CIComm& c = *channel_;
    c.Com(1);
    c.Baud("9600");
    c.data("8");
    c.SBit("1");
    c.Parity("NON");
    c.XON(false);
    c.RTS(false);
    c.DTREnable(true);
    c.RTSEnable(true);
    c.Buffering(false);
    c.EventLevel(3);
    c.Timeout(100);
    c.enaRcvEvent(-1);

    c.Com(cfg_.port);
    c.Baud(std::to_string(cfg_.Baudrate));
    c.data(std::to_string(cfg_.Databit));
    c.SBit(cfg_.Stopbit == 2 ? "1.5" : cfg_.Stopbit == 3 ? "2" : "1");
    c.Parity(cfg_.Parity == 1 ? "ODD" : cfg_.Parity == 2 ? "EVEN" : "NON");
    c.XON(cfg_.FlowControl == 1);
    c.RTS(cfg_.FlowControl == 2);
    c.DTREnable(true);
    c.RTSEnable(true);
    c.Buffering(false);
    c.EventLevel(3);
    c.Timeout(cfg_.SerialTimeout);
    c.enaRcvEvent(-1);
    c.TransferMode(1);
}

int16_t ExComCtrl::PortOpen(int16_t DeviceType, int16_t port) {
    channel_.reset();
    channel_ = std::make_unique<CIComm>();
    cfg_.port = port;
    cfg_.DeviceType = DeviceType;
    resolved_.clear();
    openError_ = PortError::None;
    openErrno_ = 0;

    bool opened = false;
    try {
        OpenChannel();
        const int32_t err = channel_->openPort();
        SerialPort& p = channel_->port();
        resolved_ = p.device();
        if (err == 0) {
            opened = true;
        } else {
            openError_ = p.lastOpenError() == PortError::None ? PortError::Other : p.lastOpenError();
            openErrno_ = p.lastOpenErrno();
        }
    } catch (const std::exception&) {
        // A setting the port rejected: the port stays closed.
        resolved_ = ResolveComPort(port).device;
        openError_ = PortError::Other;
    }
    if (!opened && endInit_) endInit_(endInitContext_);
    LinkIdle() = true;
    return opened ? 0 : 1;
}

void ExComCtrl::PortClose() {
    if (channel_) {
        channel_->closePort();
        channel_.reset();
    }
    LinkIdle() = true;
}

void ExComCtrl::WaitMs(int ms, const ReplyRule& rule) {
    const uint32_t start = GetTickCount();
    for (;;) {
        const uint32_t elapsed = TicksSince(start);
        if (ms <= 0 || elapsed >= uint32_t(ms) || LinkIdle()) return;
        const int64_t leftUs = int64_t(uint32_t(ms) - elapsed) * 1000;
        int fd = -1;
        int64_t lineUs = 0;
        if (channel_ && channel_->port().isOpen()) {
            SerialPort& p = channel_->port();
            const std::string& queued = p.peek();
            if (rule && !queued.empty()) {
                const ReplyCheck check = rule({queued.begin(), queued.end()});
                // The wait is only there to let the reply arrive; once it is
                // whole there is nothing left to wait for.
                if (check.state == ReplyState::Complete) return;
                // the rest cannot arrive sooner: no wake-up for every byte
                if (check.state == ReplyState::Incomplete && check.missing > 1)
                    lineUs = int64_t(check.missing - 1) * p.characterMicros();
            }
            // a full queue takes nothing more, and poll() would not block
            if (int(queued.size()) >= p.inBufferSize()) return;
            fd = p.fd();
        }
        // a pump may end the wait (LinkIdle): look again after each slice
        int64_t slice = HasEventPump() ? std::min<int64_t>(leftUs, 10000) : leftUs;
        if (lineUs > 0) {
            WaitOnMicros(-1, 0, std::min(lineUs, slice), true);
            continue;
        }
        if (WaitOnMicros(fd, POLLIN, slice, true) == WaitResult::Hangup && fd >= 0)
            WaitOnMicros(-1, 0, slice, true);
    }
}

void ExComCtrl::SendBytes(const std::vector<uint8_t>& bytes, const ReplyRule& rule) {
    if (channel_)
        for (uint8_t b : bytes) channel_->sendB(b);
    WaitMs(ReplyWaitMs(), rule);
}

size_t ExComCtrl::SendHexText(const std::string& text, const ReplyRule& rule) {
    const std::vector<uint8_t> bytes = HexTextBytes(text);
    SendBytes(bytes, rule);
    return bytes.size();
}

int16_t ExComCtrl::SendWithRule(const std::string& text, const ReplyRule& rule) {
    replyHeard_ = false;
    return SendHexText(text, rule) > 0 ? 0 : 1;
}

std::vector<uint8_t> ExComCtrl::ReadReplyBytes(const ReplyRule& rule) {
    replyHeard_ = false;
    if (!channel_) return {};
    CIComm& c = *channel_;
    const uint32_t start = GetTickCount();
    const size_t parityBefore = c.port().parityErrors();
    std::vector<uint8_t> bytes = c.receiveB();
    // the newest byte had arrived by then
    int64_t lastSeen = NowMicros();
    if (bytes.size() > kMaxReply) bytes.resize(kMaxReply);
    // The first read takes what was queued when the first byte came; a
    // reply still on its way is read on until it is whole or the line is
    // quiet, within the same time-out. Bytes known to be due cannot come
    // faster than the line brings them, so the read sleeps through their
    // line time rather than waking for each. Once a reply is as long as
    // expected only a longer, wrong, one can go on, and it goes on back to
    // back: its next byte is due a character time after the last one.
    // Anything else may come from a sender that stalls between bytes, so
    // the line must stay quiet for five. Fast lines keep 2 ms, or
    // scheduling delays alone would end a reply early.
    const int64_t charUs = c.port().characterMicros();
    const int64_t quietUs = std::max<int64_t>(2000, 5 * charUs);
    while (!bytes.empty() && bytes.size() < kMaxReply && c.timeoutActive()) {
        const ReplyCheck check = rule ? rule(bytes) : ReplyCheck{ReplyState::Unknown};
        if (check.state == ReplyState::Complete) break;
        const uint32_t elapsed = TicksSince(start);
        if (elapsed >= uint32_t(c.timeoutValue())) break;
        const int64_t left = int64_t(uint32_t(c.timeoutValue()) - elapsed) * 1000;
        int64_t gap = quietUs;
        if (check.state == ReplyState::Incomplete) {
            gap = kIncompleteGapMs * 1000;
            const int64_t lineUs = lastSeen + int64_t(check.missing) * charUs - charUs - NowMicros();
            if (check.missing > 1 && lineUs > 0) WaitOnMicros(-1, 0, std::min(lineUs, left), true);
        } else if (check.state == ReplyState::Expected) {
            gap = std::max<int64_t>(0, lastSeen + BackToBackWaitMicros(charUs) - NowMicros());
        }
        const std::vector<uint8_t> more = c.receiveMore(std::min(gap, left));
        if (more.empty()) break;
        lastSeen = NowMicros();
        const size_t take = std::min(more.size(), kMaxReply - bytes.size());
        bytes.insert(bytes.end(), more.begin(), more.begin() + long(take));
    }
    c.clear();
    replyParityErrors_ = c.port().parityErrors() - parityBefore;
    replyHeard_ = !bytes.empty() || replyParityErrors_ > 0;
    return bytes;
}

std::string ExComCtrl::ReadReplyHex(const ReplyRule& rule) { return ReplyHexText(ReadReplyBytes(rule)); }

std::string ExComCtrl::ReadReplyText(const ReplyRule& rule) {
    const std::vector<uint8_t> bytes = ReadReplyBytes(rule);
    const auto end = std::find(bytes.begin(), bytes.end(), uint8_t(0));
    return {bytes.begin(), end};
}

int16_t ExComCtrl::Send(const std::string& sendData) { return SendWithRule(sendData, nullptr); }

std::string ExComCtrl::CmdRecv(const std::string& command, const std::string& ack, int16_t WaitTime) {
    LinkIdle() = false;
    ReplyWaitMs() = WaitTime;
    const ReplyRule rule = [&ack](const std::vector<uint8_t>& r) { return QueryReplyState(r, ack); };
    if (SendWithRule(command, rule) == 1) return "NL";
    const std::string reply = ReadReplyHex(rule);
    // a byte that failed parity makes the reply no reply at all
    if (reply.substr(0, 2) != ack || replyParityErrors_ > 0) return "NL";
    std::string result = reply.size() <= 5 ? std::string() : reply.substr(3);
    LinkIdle() = true;
    return result;
}

int16_t ExComCtrl::cmd(const std::string& command, const std::string& ack) {
    const size_t ackBytes = 1 + size_t(std::count(ack.begin(), ack.end(), ':'));
    const ReplyRule rule = [ackBytes](const std::vector<uint8_t>& r) { return AckReplyState(r, ackBytes); };
    if (SendWithRule(command, rule) == 1) return 2;
    const std::string reply = ReadReplyHex(rule);
    if (reply.empty()) return 2;
    return reply == ack ? 0 : 1;
}

std::string ExComCtrl::Recv(int16_t receiveLength) {
    if (receiveLength < 1 || receiveLength > 1024) return NlTokens(receiveLength);
    const size_t want = size_t(receiveLength);
    const std::vector<uint8_t> bytes =
        ReadReplyBytes([want](const std::vector<uint8_t>& r) { return AckReplyState(r, want); });
    if (bytes.empty()) return NlTokens(receiveLength);
    const size_t n = bytes.size();
    std::string out;
    for (size_t i = 0; i < want; ++i) {
        if (i < n) {
            out += HexByteText(bytes[i]);
            if (i + 1 != n) out += ':';
        } else {
            out += ":NL";
        }
    }
    return out;
}

int16_t ExComCtrl::SendStr(const std::string& sendData, int16_t addValue) {
    if (!channel_) return -1;
    return channel_->Send(sendData + Terminator(addValue)) == 0 ? 0 : -1;
}

int16_t ExComCtrl::CmdStr(const std::string& command, const std::string& ack, int16_t addValue) {
    const std::string term = Terminator(addValue);
    const std::string expected = ack + term;
    if (channel_) channel_->Send(command + term);
    const std::string reply = ReadReplyText(
        [n = expected.size()](const std::vector<uint8_t>& r) { return AckReplyState(r, n); });
    return reply == expected ? 0 : 1;
}

}  // namespace dxlink::detail

using dxlink::detail::ExComCtrl;

extern "C" {

DXLINK_API dxlink::IExComCtrl* dxlink_create(void) { return new ExComCtrl(); }

DXLINK_API void dxlink_set_event_pump(dxlink_event_pump pump, void* context) {
    dxlink::detail::SetEventPump(pump, context);
}

DXLINK_API int16_t dxlink_reply_wait_ms(void) { return dxlink::detail::ReplyWaitMs(); }
DXLINK_API bool dxlink_link_idle(void) { return dxlink::detail::LinkIdle(); }
DXLINK_API void dxlink_set_link_idle(bool idle) { dxlink::detail::LinkIdle() = idle; }

DXLINK_API const char* dxlink_port_error_text(int error) {
    switch (static_cast<dxlink::PortError>(error)) {
    case dxlink::PortError::None: return "";
    case dxlink::PortError::NotFound: return "not found";
    case dxlink::PortError::Permission: return "permission denied";
    case dxlink::PortError::Busy: return "busy";
    case dxlink::PortError::Gone: return "device gone";
    case dxlink::PortError::NotSerial: return "not a serial device";
    default: return "error";
    }
}
}
