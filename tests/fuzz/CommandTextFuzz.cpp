// Command text to the bytes the link sends, and bytes back to text.
#include "ExComCtrl.h"
#include "FuzzSupport.h"

using namespace dxlink::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = dxfuzz::Text(data, size);
    FUZZ_CHECK(!HexTextBytes(text).empty() && HexTextBytes(text).size() <= text.size() + 1);
    ParseHexPair(text);

    // what the link reads it writes as text that sends as the same bytes
    const std::vector<uint8_t> bytes(data, data + std::min<size_t>(size, 1024));
    if (bytes.empty()) return 0;
    const std::string hex = ReplyHexText(bytes);
    FUZZ_CHECK(hex.size() == 3 * bytes.size() - 1 && HexTextBytes(hex) == bytes);

    // the reading rules on a reply as it grows: once whole, it stays whole
    // (past the longest frame there is nothing new to learn)
    bool complete = false;
    for (size_t n = 1; n <= std::min<size_t>(bytes.size(), 260); ++n) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(n));
        const bool whole = QueryReplyState(part, HexByteText(bytes[0])).state == ReplyState::Complete;
        FUZZ_CHECK(whole || !complete);
        complete = whole;
        AckReplyState(part, 1 + bytes[0] % 4);
    }
    return 0;
}
