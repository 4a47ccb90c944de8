// The upload's reader and checks on any dump file, and the download's file
// for any run of reply frames: what a download writes, an upload takes.
#include "DumpFile.h"
#include "FuzzSupport.h"

using namespace dxtransfer::detail;

static std::string HexByte(uint8_t b) { return {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]}; }

// A packet reply's bytes joined again, or "" when it splits into none.
static std::string Rejoined(const std::string& reply) {
    const auto bytes = SplitPacketReply(reply);
    FUZZ_CHECK(bytes.has_value());
    std::string joined;
    for (const std::string& b : *bytes) joined += (joined.empty() ? "" : ":") + b;
    return joined;
}

// The verdict on the first `count` lines, from the whole file at once.
static DumpLines Reference(const std::string& text, int count) {
    DumpLines r{DumpLines::Ok, {}, 0, 0};
    std::string_view rest(text);
    for (int i = 0; i < count && r.result == DumpLines::Ok; ++i) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() && rest.find_first_not_of("\r\n") == std::string_view::npos)
            r = {DumpLines::Short, r.lines, i, 0};
        else if (!IsPacketLine(line))
            r = {DumpLines::NotPacket, r.lines, 0, i + 1};
        else
            r.lines.emplace_back(line);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }
    return r;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = dxfuzz::Text(data, size);
    const std::string path = dxfuzz::WriteScratch("upload.dump", text);
    const int lines = int(std::count(text.begin(), text.end(), '\n'));
    for (int count : {1, std::max(lines, 1), lines + 1, 64}) {
        const DumpLines got = ReadDumpLines(path, count), want = Reference(text, count);
        FUZZ_CHECK(got.result == want.result && got.lines == want.lines && got.held == want.held &&
                   got.badLine == want.badLine);
        FUZZ_CHECK(got.result != DumpLines::Ok || got.lines.size() == size_t(count));
        // a line taken for upload is a frame the download would write back as it is
        for (const std::string& l : got.lines) FUZZ_CHECK(!l.empty() && Rejoined(l) == l);
    }
    SplitPacketReply(text);  // a diagnostic pick is unchecked

    // the download's file for the whole frames in the input, by their header
    std::string file;
    std::vector<std::string> frames;
    for (size_t pos = 0, len = 0; pos < size && frames.size() < 64; pos += len ? len : 1) {
        const uint8_t h = data[pos];
        len = h >= 0x81 && h <= 0x8E ? size_t(h - 0x80) + 1 : 0;
        if (h == 0x8F && pos + 1 < size && data[pos + 1] >= 3) len = size_t(data[pos + 1]) + 1;
        if (pos + len > size) len = 0;
        if (len == 0) continue;
        std::string f;
        for (size_t i = 0; i < len; ++i) f += (i ? ":" : "") + HexByte(data[pos + i]);
        const std::string line = Rejoined(f);
        if (line.empty()) return 0;  // below 83: no packet, and the upload says so
        FUZZ_CHECK(line == f);
        file += line + "\r\n";
        frames.push_back(line);
    }
    if (frames.empty()) return 0;
    const std::string dump = dxfuzz::WriteScratch("download.dump", "");
    PendingFile pending(dump);
    FUZZ_CHECK(pending.ok() && pending.commit(file + "\r\n"));
    const DumpLines back = ReadDumpLines(dump, int(frames.size()));
    FUZZ_CHECK(back.result == DumpLines::Ok && back.lines == frames);
    FUZZ_CHECK(ReadDumpLines(dump, int(frames.size()) + 1).result == DumpLines::Short);
    return 0;
}
