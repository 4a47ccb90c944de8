#include <gtest/gtest.h>

#include <string>

#include "dxcmd/Codec.h"

using namespace dxcmd;

TEST(Codec, ValueBytes) {
    const std::pair<int, const char*> plain[] = {
        {0, "00"}, {15, "0F"}, {127, "7F"}, {128, "01:00"}, {300, "02:2C"}, {16383, "7F:7F"}, {-1, "FFFF"}};
    for (const auto& [n, text] : plain) {
        EXPECT_EQ(EncodeValue(int16_t(n)), text) << n;
        if (n >= 0) {
            EXPECT_EQ(DecodeValue(std::string(text)), n) << text;
        }
    }
    const std::pair<int, const char*> offset[] = {{-128, "00"}, {-1, "7F"}, {0, "01:00"}, {5, "01:05"}};
    for (const auto& [n, text] : offset) {
        EXPECT_EQ(EncodeOffsetValue(int16_t(n)), text) << n;
        EXPECT_EQ(DecodeOffsetValue(std::string(text)), n) << text;
    }
    EXPECT_EQ(SplitHexValue("&HC8"), "01:48");
    EXPECT_EQ(DecodeOffsetValue(std::string("xx")), -129);

    std::string five = "5";  // padded in the caller's text
    EXPECT_EQ(DecodeValue(five), 5);
    EXPECT_EQ(five, "05");
    const std::pair<const char*, int> read[] = {{":7F", 127}, {" 19:00 ", 3200}, {"0a", 10}, {"123", -1}, {"", -1},
        {"01:0", -1}, {"GG", -1}, {"1G:00", -1}, {"80", -1}, {"FF:00", -1}, {"01:80", -1}, {"7F:7F:00", -1}};
    for (const auto& [text, n] : read) EXPECT_EQ(DecodeValue(std::string(text)), n) << '"' << text << '"';
}

TEST(Codec, ReplyFields) {
    const std::pair<const char*, std::string> rows[] = {
        {"83:42:11:01", "01"},
        {"84:43:04:01:05", "01:05"},
        {"8E:46:00:41:42:43:44:45:46:47:48:49:4A:4B:4C", "41:42:43:44:45:46:47:48:49:4A:4B:4C"},
        {"8F:0F:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C", "41:42:43:44:45:46:47:48:49:4A:4B:4C"},
        {"NL", ""}, {"NR", ""}, {"", ""}, {"81", ""}, {"82:02:00", ""}, {"ZZ:01:02:03", ""},
        // cut short, or a length below the header's own bytes: no value rather than a wrong one
        {"84:43:04:01", ""}, {"8F:0F:46:02:41", ""}, {"8F:02:46", ""},
    };
    for (const auto& [reply, data] : rows) {
        std::vector<std::string> fields;
        for (size_t i = 0; i < data.size(); i += 3) fields.push_back("&h" + data.substr(i, 2));
        fields.push_back("");
        std::string got = "stale";
        EXPECT_EQ(SplitReply(reply, got), fields) << reply;
        EXPECT_EQ(got, data) << reply;
    }
    for (const auto& [i, v] : {std::pair{0, 0x7F}, {1, 0x0A}, {2, -1}, {9, -1}})  // 2: the trailing empty entry
        EXPECT_EQ(FieldValue({"&h7F", "&h0A", ""}, size_t(i)), v) << i;
    EXPECT_EQ(FieldValue({"&hZZ"}, 0), -1);
}
