// Numbers to value bytes and back; replies to data fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dxcmd {

std::string EncodeValue(int16_t n);
std::string EncodeOffsetValue(int16_t n);
std::string SplitHexValue(const std::string& s);
// May alter s (a one-character text gets a leading "0"). -1 when s has
// neither form or holds a byte above 0x7F.
int16_t DecodeValue(std::string& s);
int16_t DecodeValue(const std::string& s);
// DecodeValue - 128: -129 when s holds no value.
int16_t DecodeOffsetValue(std::string& s);
int16_t DecodeOffsetValue(const std::string& s);
// ReplyFields form ("&hXX" entries plus a trailing ""); sets replyData.
// A reply shorter than its header announces gives no fields.
std::vector<std::string> SplitReply(const std::string& reply, std::string& replyData);
// The byte written as two hex digits at pos; -1 when there are none.
int HexByteAt(const std::string& s, size_t pos);
// Entry i of ReplyFields read as a number; -1 when empty or not hex.
int FieldValue(const std::vector<std::string>& fields, size_t i);
// Command text's form: two-digit hex bytes joined by ":".
bool IsHexBytes(const std::string& s);
// Bytes a frame spans by its own header, 0 when the header is not one: a
// short frame 0x81..0x8E counts what follows it, a long frame 8F counts from
// its length byte on and must hold at least group and item.
size_t FrameBytes(const std::string& s);

// Index of the first true entry, -1 when none.
template <typename Range>
int16_t SelectedOptionIndex(const Range& selected) {
    int16_t i = 0;
    for (bool on : selected) {
        if (on) return i;
        ++i;
    }
    return -1;
}

}  // namespace dxcmd
