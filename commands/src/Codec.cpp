#include "dxcmd/Codec.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace dxcmd {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A byte written as exactly two hex digits.
std::optional<int> hexByte(const std::string& s, size_t pos) {
    if (pos + 2 > s.size()) return std::nullopt;
    int hi = hexDigit(s[pos]), lo = hexDigit(s[pos + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    return hi * 16 + lo;
}

// Upper-case hex of a 16-bit value; negatives show their two's complement.
std::string hex16(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<uint16_t>(v)));
    return buf;
}

std::string twoDigits(int v) {
    std::string s = hex16(v);
    return s.size() == 1 ? "0" + s : s;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

int HexByteAt(const std::string& s, size_t pos) { return hexByte(s, pos).value_or(-1); }

bool IsHexBytes(const std::string& s) {
    if (s.size() < 2 || (s.size() + 1) % 3 != 0) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (i % 3 == 2 ? s[i] != ':' : hexDigit(s[i]) < 0) return false;
    return true;
}

size_t FrameBytes(const std::string& s) {
    const int h = HexByteAt(s, 0);
    if (h < 0x81 || h > 0x8F) return 0;
    if (h < 0x8F) return size_t(h - 0x80) + 1;
    const int length = HexByteAt(s, 3);
    return length >= 3 ? size_t(length) + 1 : 0;
}

std::string SplitHexValue(const std::string& s) {
    std::string t = s.rfind("&H", 0) == 0 ? s.substr(2) : s;
    // read as far as the text is hex, like the original number parser
    uint32_t acc = 0;
    for (char c : t) {
        int d = hexDigit(c);
        if (d < 0) break;
        acc = (acc << 4) | static_cast<uint32_t>(d);
    }
    int v = static_cast<int16_t>(static_cast<uint16_t>(acc));
    int high = v >= 0 ? v / 128 : -((-v + 127) / 128);  // rounded down
    int low = v & 0x7F;
    return twoDigits(high) + ":" + twoDigits(low);
}

std::string EncodeValue(int16_t n) {
    std::string s = hex16(n);
    if (n > 127) return SplitHexValue(s);
    return s.size() == 1 ? "0" + s : s;
}

std::string EncodeOffsetValue(int16_t n) {
    return EncodeValue(static_cast<int16_t>(n + 128));
}

int16_t DecodeValue(std::string& s) {
    std::string t = trimmed(s);
    if (t.size() == 1) {
        s = "0" + s;
        t = "0" + t;
    }
    if (!t.empty() && t[0] == ':') t.erase(0, 1);
    if (t.size() == 2) {
        auto b = hexByte(t, 0);
        return b && *b <= 0x7F ? static_cast<int16_t>(*b) : -1;
    }
    if (t.size() == 5) {
        auto hi = hexByte(t, 0), lo = hexByte(t, 3);
        if (!hi || !lo || *hi > 0x7F || *lo > 0x7F) return -1;
        return static_cast<int16_t>(*hi * 128 + *lo);
    }
    return -1;
}

int16_t DecodeValue(const std::string& s) {
    std::string copy = s;
    return DecodeValue(copy);
}

int16_t DecodeOffsetValue(std::string& s) {
    return static_cast<int16_t>(DecodeValue(s) - 128);
}

int16_t DecodeOffsetValue(const std::string& s) {
    std::string copy = s;
    return DecodeOffsetValue(copy);
}

std::vector<std::string> SplitReply(const std::string& reply, std::string& replyData) {
    replyData.clear();
    int count = 0;
    bool isLong = false;
    if (reply != "NL" && reply != "NR" && !reply.empty()) {
        auto h = hexByte(reply, 0);
        if (h && *h >= 0x83) {
            if (*h < 0x8F) {
                count = *h - 130;
            } else {
                isLong = true;
                auto ll = hexByte(reply, 3);
                count = ll ? *ll - 3 : 0;
            }
        }
    }
    if (count < 0) count = 0;
    const size_t first = isLong ? 12 : 9;
    // a reply cut short carries no value rather than a wrong one
    if (count > 0 && reply.size() < first + 3 * static_cast<size_t>(count) - 1) count = 0;

    std::vector<std::string> fields(static_cast<size_t>(count) + 1);
    for (int i = 0; i < count; ++i) {
        std::string f = reply.substr(first + 3 * static_cast<size_t>(i), 2);
        fields[static_cast<size_t>(i)] = "&h" + f;
        if (i) replyData += ':';
        replyData += f;
    }
    return fields;
}

int FieldValue(const std::vector<std::string>& fields, size_t i) {
    if (i >= fields.size()) return -1;
    const std::string& f = fields[i];
    if (f.size() != 4 || (f.compare(0, 2, "&h") != 0 && f.compare(0, 2, "&H") != 0)) return -1;
    auto b = hexByte(f, 2);
    return b ? *b : -1;
}

}  // namespace dxcmd
