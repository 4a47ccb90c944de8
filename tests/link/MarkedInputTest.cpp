// Parity-marked input: what the reader gets for good, failed and FF bytes,
// also when a marking is cut between two reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MarkedInput.h"

using dxlink::detail::MarkedInput;

TEST(MarkedInput, FailedBytesReadAsTheReplacement) {
    struct Case {
        const char* name;
        std::vector<std::string> reads;
        std::string replacement;
        std::string out;
        size_t failed;
    };
    const Case cases[] = {
        {"plain", {"\xA0\x83\x42"}, "?", "\xA0\x83\x42", 0},
        {"a real FF", {std::string("\xA0\xFF\xFF\x12", 4)}, "?", "\xA0\xFF\x12", 0},
        {"a failed byte", {std::string("\xA0\xFF\x00\x43\x12", 5)}, "?", "\xA0?\x12", 1},
        {"a break", {std::string("\xFF\x00\x00", 3)}, "?", "?", 1},
        {"cut after FF", {"\xA0\xFF", std::string("\x00\x43", 2), "\x12"}, "?", "\xA0?\x12", 1},
        {"cut after FF 00", {std::string("\xFF\x00", 2), "\x43"}, "?", "?", 1},
        {"FF FF cut", {"\xFF", "\xFF\x05"}, "?", "\xFF\x05", 0},
        {"no replacement keeps the byte", {std::string("\xFF\x00\x43", 3)}, "", "\x43", 1},
        {"two in a row", {std::string("\xFF\x00\x01\xFF\x00\x02", 6)}, "?", "??", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MarkedInput in;
        std::string out;
        size_t failed = 0;
        for (const auto& r : c.reads) failed += in.decode(r, c.replacement, out);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(failed, c.failed);
    }
}
