// Reply splitting, value and title decoding on any reply text: as the link
// writes one (the input's bytes in hex) and as it stands (a diagnostic pick
// or a setting-file value is unchecked text).
#include "FuzzSupport.h"
#include "dxcmd/Codec.h"
#include "dxtransfer/Jobs.h"

static void checkValue(const std::string& text) {
    const int16_t n = dxcmd::DecodeValue(text);
    FUZZ_CHECK(n == -1 || (n >= 0 && n <= 127 * 128 + 127));
    FUZZ_CHECK(dxcmd::DecodeOffsetValue(text) == int16_t(n - 128));
    std::string altered = text;
    FUZZ_CHECK(dxcmd::DecodeValue(altered) == n);
    if (n >= 0)
        FUZZ_CHECK(dxcmd::DecodeValue(dxcmd::EncodeValue(n)) == n &&
                   dxcmd::DecodeOffsetValue(dxcmd::EncodeOffsetValue(int16_t(n - 128))) == n - 128);
}

static void checkReply(const std::string& reply, bool wellFormed) {
    std::string data = "left over", joined;
    const std::vector<std::string> fields = dxcmd::SplitReply(reply, data);
    FUZZ_CHECK(!fields.empty() && fields.back().empty());
    for (size_t i = 0; i + 1 < fields.size(); ++i) {
        FUZZ_CHECK(fields[i].size() == 4 && fields[i].compare(0, 2, "&h") == 0);
        FUZZ_CHECK(!wellFormed || dxcmd::FieldValue(fields, i) >= 0);
        joined += (i ? ":" : "") + fields[i].substr(2);
    }
    FUZZ_CHECK(joined == data);
    checkValue(data);
    const std::string title = dxtransfer::DecodeTitle(reply, fields);
    FUZZ_CHECK(title.size() <= fields.size() && (title.empty() || (title.front() != ' ' && title.back() != ' ')));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = dxfuzz::Text(data, size);
    checkReply(text, false);
    checkValue(text);
    std::string hex;  // as the link hands it over: no more than 1024 bytes
    for (size_t i = 0; i < std::min<size_t>(size, 1024); ++i)
        hex += (i ? ":" : "") + std::string{"0123456789ABCDEF"[data[i] >> 4], "0123456789ABCDEF"[data[i] & 15]};
    checkReply(hex, true);
    return 0;
}
