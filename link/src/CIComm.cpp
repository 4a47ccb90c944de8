#include "CIComm.h"

namespace dxlink::detail {

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

CommEventInfo DescribeCommEvent(int16_t code) {
    switch (code) {
    case 1001: return {"中断信号が受信されました", 2};
    case 1002: return {"CTS タイムアウトです", 2};
    case 1003: return {"DSR タイムアウトです", 2};
    case 1004: return {"フレーム エラーです", 2};
    case 1006: return {"データが失われました", 2};
    case 1007: return {"CD (RLSD) タイムアウトです", 2};
    case 1008: return {"受信バッファがオーバーフローしました", 2};
    case 1009: return {"パリティ エラーです", 2};
    case 1010: return {"送信バッファがいっぱいです", 2};
    case 1011: return {"デバイス コントロール ブロック(DCB)が取得される予期しないエラーです", 2};
    case 1: return {"送信バッファに SThreshold プロパティで指定された数の文字が入っています", 4};
    case 2: return {"RThreshold プロパティで指定された数の文字を受信しました", 1};
    case 3: return {"CTS ラインの状態が変化しました", 4};
    case 4: return {"DSR ラインの状態が変化しました", 4};
    case 5: return {"CD ラインの状態が変化しました", 4};
    case 6: return {"リング インジケータの状態が変化しました", 4};
    case 7: return {"入力ストリーム内に EOF 文字が検出されました", 4};
    default: return {"不明なエラーです", 0};
    }
}

CIComm::CIComm() : ComObj(std::make_unique<SerialPort>()) {
    SerialPort& p = *ComObj;
    p.setDtr(false);
    p.setRts(false);
    p.setEofEnable(false);
    p.setHandshaking(0);
    p.setInBufferSize(1024);
    p.setOutBufferSize(512);
    p.setBinaryMode(false);
    p.setNullDiscard(false);
    p.setParityReplace("?");
    p.setRThreshold(0);
    p.setSThreshold(0);
    p.purgeInput();
    p.setReadLength(0);
    p.setPortNumber(1);
    p.setSettings("9600,n,8,1");
    p.setNotify([this](int16_t code) { onComm(code); });
}

void CIComm::onComm(int16_t code) {
    const CommEventInfo info = DescribeCommEvent(code);
    if ((info.eventClass & eventLevel_) && eventPort_) eventPort_(code, info.message);
}

int32_t CIComm::setPort(int16_t portNo, const std::string& setting) {
    try {
        ComObj->setPortNumber(portNo);
        ComObj->setSettings(setting);
    } catch (const PortSettingError& e) {
        return e.number;
    }
    return 0;
}

void CIComm::Com(int16_t p) { ComObj->setPortNumber(p); }

void CIComm::writeField(size_t from, size_t to, const std::string& s) {
    const std::string t = ComObj->settings();
    ComObj->setSettings(t.substr(0, from) + s + (to == std::string::npos ? std::string() : t.substr(to)));
}

void CIComm::Baud(const std::string& s) {
    const size_t c1 = ComObj->settings().find(',');
    if (c1 == std::string::npos) throw PortSettingError(kErrInvalidProperty, "invalid line settings");
    writeField(0, c1, s);
}

void CIComm::Parity(const std::string& s) {
    const std::string& t = ComObj->settings();
    const size_t c1 = t.find(',');
    const size_t c2 = c1 == std::string::npos ? c1 : t.find(',', c1 + 1);
    if (c2 == std::string::npos) throw PortSettingError(kErrInvalidProperty, "invalid line settings");
    writeField(c1 + 1, c2, s == "EVEN" ? "e" : s == "ODD" ? "o" : "n");
}

void CIComm::data(const std::string& s) {
    const std::string& t = ComObj->settings();
    const size_t c1 = t.find(',');
    const size_t c2 = c1 == std::string::npos ? c1 : t.find(',', c1 + 1);
    const size_t c3 = c2 == std::string::npos ? c2 : t.find(',', c2 + 1);
    if (c3 == std::string::npos) throw PortSettingError(kErrInvalidProperty, "invalid line settings");
    writeField(c2 + 1, c3, s);
}

void CIComm::SBit(const std::string& s) {
    const size_t last = ComObj->settings().rfind(',');
    if (last == std::string::npos) throw PortSettingError(kErrInvalidProperty, "invalid line settings");
    writeField(last + 1, std::string::npos, s);
}

void CIComm::XON(bool s) {
    const bool rts = ComObj->handshaking() >= 2;
    ComObj->setHandshaking(s ? (rts ? 3 : 1) : (rts ? 2 : 0));
}

void CIComm::RTS(bool s) {
    const int c = ComObj->handshaking();
    const bool noXon = c == 0 || c == 2;
    ComObj->setHandshaking(s ? (noXon ? 2 : 3) : (noXon ? 0 : 1));
}

void CIComm::DTREnable(bool b) { ComObj->setDtr(b); }
void CIComm::RTSEnable(bool b) { ComObj->setRts(b); }

void CIComm::Buffering(bool b) {
    buffering_ = b;
    lineBuffer_.clear();
}

void CIComm::enaRcvEvent(int t) { ComObj->setRThreshold(t == -1 ? 1 : 0); }

void CIComm::Timeout(int32_t t) {
    timeout_ = t;
    timeoutActive_ = t > 0;
}

void CIComm::TransferMode(int value) { ComObj->setBinaryMode(value == 1); }

int32_t CIComm::openPort() {
    lineBuffer_.clear();
    return ComObj->open();
}

int32_t CIComm::closePort() {
    lineBuffer_.clear();
    int32_t err = 0;
    // Bytes already written are still on their way on a real line; let
    // them out, and discard only what could not leave. A pty's output flush
    // also throws away what the far side has not read yet, so a drained
    // port is not flushed.
    if (!ComObj->drainOutput())
        if (int32_t e = ComObj->purgeOutput()) err = e;
    if (int32_t e = ComObj->purgeInput()) err = e;
    if (int32_t e = ComObj->close()) err = e;
    return err;
}

int32_t CIComm::Send(const std::string& msg) {
    return ComObj->write(reinterpret_cast<const uint8_t*>(msg.data()), msg.size());
}

int32_t CIComm::Send(const std::vector<uint8_t>& msg) { return ComObj->write(msg.data(), msg.size()); }

int32_t CIComm::sendB(uint8_t msg) { return ComObj->write(&msg, 1); }

int32_t CIComm::sendCmd(const std::string& msg) { return Send(msg + '\r'); }

void CIComm::clear() {
    ComObj->purgeInput();
    if (buffering_) lineBuffer_.clear();
}

bool CIComm::checkInput() { return ComObj->inBufferCount() > 0; }

std::string CIComm::receiveWait(bool byteReader) {
    SerialPort& p = *ComObj;
    if (!p.isOpen()) return {};
    const uint32_t start = GetTickCount();
    if (byteReader) p.setReadLength(p.inBufferCount());
    if (timeoutActive_) {
        for (;;) {
            if (p.inBufferCount() != 0) break;
            const uint32_t elapsed = TicksSince(start);
            if (elapsed > uint32_t(timeout_)) break;
            if (p.waitInput(int(uint32_t(timeout_) - elapsed) + 1, true) == WaitResult::Hangup) break;
        }
    }
    return p.read();
}

std::string CIComm::receive() { return receiveWait(false); }

std::vector<uint8_t> CIComm::receiveB() { return Bytes(receiveWait(true)); }

std::vector<uint8_t> CIComm::receiveMore(int64_t us) {
    SerialPort& p = *ComObj;
    if (!p.isOpen() || us < 0) return {};
    if (p.waitInputMicros(us, true) != WaitResult::Ready) return {};
    const int keep = p.readLength();
    p.setReadLength(0);
    std::string got = p.read();
    p.setReadLength(keep);
    return Bytes(got);
}

std::string CIComm::receiveCmd(int16_t clr) {
    SerialPort& p = *ComObj;
    std::string line;
    if (buffering_ && !lineBuffer_.empty()) {
        const size_t cr = lineBuffer_.find('\r');
        if (cr != std::string::npos) {
            line = lineBuffer_.substr(0, cr);
            if (clr != 0) lineBuffer_.erase(0, cr + 1);
            return line;
        }
        line = lineBuffer_;
    }
    lineBuffer_.clear();
    const int keep = p.readLength();
    p.setReadLength(1);
    const uint32_t start = GetTickCount();
    for (;;) {
        if (!p.isOpen()) break;
        if (p.inBufferCount() > 0) {
            const std::string c = p.read();
            if (c == "\r") {
                if (clr == 0 && buffering_) lineBuffer_ = line;
                break;
            }
            line += c;
        }
        // a steady stream without CR still ends at the time-out
        int wait = -1;
        if (timeoutActive_) {
            const uint32_t elapsed = TicksSince(start);
            if (elapsed > uint32_t(timeout_)) {
                if (!line.empty() && (eventLevel_ & 2))
                    if (eventPort_) eventPort_(101, "データが不完全なままタイムアウトしました");
                if (buffering_) lineBuffer_ = line;
                line.clear();
                break;
            }
            wait = int(uint32_t(timeout_) - elapsed) + 1;
        }
        // This reader does not hand control to the host while it waits.
        if (p.waitInput(wait, false) == WaitResult::Hangup) break;
    }
    p.setReadLength(keep);
    return line;
}

}  // namespace dxlink::detail
