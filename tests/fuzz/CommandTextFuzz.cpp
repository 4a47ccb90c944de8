// Command text to the bytes the link sends, and bytes back to text.
#include <string>
#include <vector>

#include "ExComCtrl.h"
#include "FuzzSupport.h"

using namespace dxlink::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = dxfuzz::Text(data, size);
    const std::vector<uint8_t> sent = HexTextBytes(text);
    FUZZ_CHECK(!sent.empty() && sent.size() <= text.size() + 1);
    ParseHexPair(text);

    // what the link reads it writes as text that sends as the same bytes
    const std::vector<uint8_t> bytes(data, data + std::min<size_t>(size, 1024));
    if (bytes.empty()) return 0;
    const std::string hex = ReplyHexText(bytes);
    FUZZ_CHECK(hex.size() == 3 * bytes.size() - 1);
    FUZZ_CHECK(HexTextBytes(hex) == bytes);
    FUZZ_CHECK(HexByteText(bytes[0]) == hex.substr(0, 2));

    // the reading rules on a reply as it grows: once whole, it stays whole
    // (past the longest frame there is nothing new to learn)
    const std::string ack = HexByteText(bytes[0]);
    bool complete = false;
    for (size_t n = 1; n <= std::min<size_t>(bytes.size(), 260); ++n) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(n));
        const ReplyState s = QueryReplyState(part, ack).state;
        if (complete) FUZZ_CHECK(s == ReplyState::Complete);
        complete = s == ReplyState::Complete;
        AckReplyState(part, 1 + bytes[0] % 4);
    }
    return 0;
}
