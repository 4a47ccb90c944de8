// Input read with parity checking and marking on: a byte that failed parity
// (or a break) arrives as FF 00 x, a real FF as FF FF. The reader gets the
// replacement character for a failed byte, so it can never pass for a good
// one of the same value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dxlink::detail {

class MarkedInput {
public:
    // Appends what `in` decodes to; a marking cut between two reads is
    // finished by the next. An empty replacement keeps the failed byte as
    // received. Returns how many bytes failed.
    size_t decode(std::string_view in, std::string_view replacement, std::string& out);
    void reset() { state_ = State::Plain; }

private:
    enum class State { Plain, Escape, Marked };  // after FF, after FF 00
    State state_ = State::Plain;
};

}  // namespace dxlink::detail
