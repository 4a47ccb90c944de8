#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dxcmd/Codec.h"

using namespace dxcmd;

TEST(Codec, EncodeValueUsesOneByteUpTo127AndTwoAbove) {
    EXPECT_EQ(EncodeValue(0), "00");
    EXPECT_EQ(EncodeValue(9), "09");
    EXPECT_EQ(EncodeValue(15), "0F");
    EXPECT_EQ(EncodeValue(127), "7F");
    EXPECT_EQ(EncodeValue(128), "01:00");
    EXPECT_EQ(EncodeValue(200), "01:48");
    EXPECT_EQ(EncodeValue(300), "02:2C");
    EXPECT_EQ(EncodeValue(16383), "7F:7F");
    EXPECT_EQ(EncodeValue(-1), "FFFF");  // what the original does with a negative
}

TEST(Codec, EncodeOffsetValueShiftsBy128) {
    EXPECT_EQ(EncodeOffsetValue(-128), "00");
    EXPECT_EQ(EncodeOffsetValue(-5), "7B");
    EXPECT_EQ(EncodeOffsetValue(-1), "7F");
    EXPECT_EQ(EncodeOffsetValue(0), "01:00");
    EXPECT_EQ(EncodeOffsetValue(3), "01:03");
    EXPECT_EQ(EncodeOffsetValue(5), "01:05");
}

TEST(Codec, SplitHexValueAcceptsBothPrefixForms) {
    EXPECT_EQ(SplitHexValue("C8"), "01:48");
    EXPECT_EQ(SplitHexValue("&HC8"), "01:48");
    EXPECT_EQ(SplitHexValue("3FFF"), "7F:7F");
    EXPECT_EQ(SplitHexValue("80"), "01:00");
}

TEST(Codec, DecodeValueReadsBothFormsAndPadsTheCallersText) {
    std::string five = "5";
    EXPECT_EQ(DecodeValue(five), 5);
    EXPECT_EQ(five, "05");
    EXPECT_EQ(DecodeValue(std::string(":7F")), 127);
    EXPECT_EQ(DecodeValue(std::string("01:05")), 133);
    EXPECT_EQ(DecodeValue(std::string("7F:7F")), 16383);
    EXPECT_EQ(DecodeValue(std::string(" 19:00 ")), 3200);
    EXPECT_EQ(DecodeValue(std::string("0a")), 10);
}

TEST(Codec, DecodeValueRejectsMalformedAndEightBitText) {
    for (const char* bad : {"123", "", "  ", "01:0", "GG", "1G:00", "80", "FF:00", "01:80", "7F:7F:00"})
        EXPECT_EQ(DecodeValue(std::string(bad)), -1) << '"' << bad << '"';
}

TEST(Codec, DecodeOffsetValueIsDecodeMinus128) {
    EXPECT_EQ(DecodeOffsetValue(std::string("01:05")), 5);
    EXPECT_EQ(DecodeOffsetValue(std::string("7F")), -1);
    EXPECT_EQ(DecodeOffsetValue(std::string("00")), -128);
    EXPECT_EQ(DecodeOffsetValue(std::string("xx")), -129);
    for (int v : {-128, -1, 0, 1, 5, 1000, 16255})
        EXPECT_EQ(DecodeOffsetValue(EncodeOffsetValue(static_cast<int16_t>(v))), v);
    for (int v : {0, 1, 127, 128, 129, 3200, 16383})
        EXPECT_EQ(DecodeValue(EncodeValue(static_cast<int16_t>(v))), v);
}

TEST(Codec, SplitReplyShortFrames) {
    std::string data = "stale";
    auto f = SplitReply("83:42:11:01", data);
    EXPECT_EQ(f, (std::vector<std::string>{"&h01", ""}));
    EXPECT_EQ(data, "01");

    f = SplitReply("84:43:04:01:05", data);
    EXPECT_EQ(f, (std::vector<std::string>{"&h01", "&h05", ""}));
    EXPECT_EQ(data, "01:05");
    EXPECT_EQ(DecodeValue(data), 133);

    // 8E: twelve fields from the fourth byte on
    f = SplitReply("8E:46:00:41:42:43:44:45:46:47:48:49:4A:4B:4C", data);
    ASSERT_EQ(f.size(), 13u);
    EXPECT_EQ(f[0], "&h41");
    EXPECT_EQ(f[11], "&h4C");
    EXPECT_EQ(f[12], "");
    EXPECT_EQ(data, "41:42:43:44:45:46:47:48:49:4A:4B:4C");
}

TEST(Codec, SplitReplyLongFrame) {
    std::string data;
    // 8F, LL = 0F: twelve fields from the fifth byte on
    auto f = SplitReply("8F:0F:46:02:41:42:43:44:45:46:47:48:49:4A:4B:4C", data);
    ASSERT_EQ(f.size(), 13u);
    EXPECT_EQ(f[0], "&h41");
    EXPECT_EQ(f[11], "&h4C");
    EXPECT_EQ(data, "41:42:43:44:45:46:47:48:49:4A:4B:4C");
}

TEST(Codec, SplitReplyWithoutData) {
    for (const char* r : {"NL", "NR", "", "81", "82:02:00", "ZZ:01:02:03"}) {
        std::string data = "stale";
        auto f = SplitReply(r, data);
        EXPECT_EQ(f, std::vector<std::string>{""}) << r;
        EXPECT_EQ(data, "") << r;
    }
}

TEST(Codec, SplitReplyCutShortGivesNoValue) {
    std::string data;
    auto f = SplitReply("84:43:04:01", data);  // header promises two data bytes
    EXPECT_EQ(f, std::vector<std::string>{""});
    EXPECT_EQ(data, "");
    f = SplitReply("8F:0F:46:02:41", data);
    EXPECT_EQ(data, "");
    f = SplitReply("8F:02:46", data);  // length below the header's own bytes
    EXPECT_EQ(f, std::vector<std::string>{""});
}

TEST(Codec, FieldValueReadsEntries) {
    std::string data;
    auto f = SplitReply("84:43:04:7F:0A", data);
    EXPECT_EQ(FieldValue(f, 0), 0x7F);
    EXPECT_EQ(FieldValue(f, 1), 0x0A);
    EXPECT_EQ(FieldValue(f, 2), -1);  // the trailing empty entry
    EXPECT_EQ(FieldValue(f, 9), -1);
    EXPECT_EQ(FieldValue({"&hZZ"}, 0), -1);
}

TEST(Codec, SelectedOptionIndexFindsFirstSelected) {
    EXPECT_EQ(SelectedOptionIndex(std::array{false, true, true}), 1);
    EXPECT_EQ(SelectedOptionIndex(std::array{false, false}), -1);
    EXPECT_EQ(SelectedOptionIndex(std::vector<bool>{}), -1);
}
