// The upload's reader and checks on any dump file, and the download's file
// for any run of reply frames: what a download writes, an upload takes.
#include <string>
#include <string_view>
#include <vector>

#include "DumpFile.h"
#include "FuzzSupport.h"

using namespace dxtransfer::detail;

namespace {

std::string hexByte(uint8_t b) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

// The verdict on the first `count` lines, from the whole file at once.
DumpLines reference(const std::string& text, int count) {
    DumpLines r;
    std::string_view rest(text);
    for (int i = 0; i < count; ++i) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() && rest.find_first_not_of("\r\n") == std::string_view::npos) {
            r.result = DumpLines::Short;
            r.held = i;
            return r;
        }
        if (!IsPacketLine(line)) {
            r.result = DumpLines::NotPacket;
            r.badLine = i + 1;
            return r;
        }
        r.lines.emplace_back(line);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }
    r.result = DumpLines::Ok;
    return r;
}

void checkRead(const std::string& path, const std::string& text, int count) {
    const DumpLines got = ReadDumpLines(path, count), want = reference(text, count);
    FUZZ_CHECK(got.result == want.result);
    FUZZ_CHECK(got.lines == want.lines);
    FUZZ_CHECK(got.held == want.held && got.badLine == want.badLine);
    if (got.result == DumpLines::Ok) FUZZ_CHECK(got.lines.size() == size_t(count));
    for (const std::string& l : got.lines) {
        // a line taken for upload is a frame the download would write back as it is
        const auto bytes = SplitPacketReply(l);
        FUZZ_CHECK(bytes && !bytes->empty());
        std::string joined;
        for (const std::string& b : *bytes) joined += (joined.empty() ? "" : ":") + b;
        FUZZ_CHECK(joined == l);
    }
}

// Reply frames as the command layer passes them on: whole, by their header.
std::vector<std::string> framesIn(const uint8_t* data, size_t size) {
    std::vector<std::string> out;
    for (size_t pos = 0; pos < size && out.size() < 64;) {
        const uint8_t h = data[pos];
        size_t len = 0;
        if (h >= 0x81 && h <= 0x8E) len = size_t(h - 0x80) + 1;
        if (h == 0x8F && pos + 1 < size && data[pos + 1] >= 3) len = size_t(data[pos + 1]) + 1;
        if (len == 0 || pos + len > size) {
            ++pos;
            continue;
        }
        std::string f;
        for (size_t i = 0; i < len; ++i) f += (i ? ":" : "") + hexByte(data[pos + i]);
        out.push_back(f);
        pos += len;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = dxfuzz::Text(data, size);
    const std::string path = dxfuzz::WriteScratch("upload.dump", text);
    const int lines = int(std::count(text.begin(), text.end(), '\n'));
    for (int count : {1, lines, lines + 1, 64})
        if (count >= 1) checkRead(path, text, count);
    SplitPacketReply(text);  // a diagnostic pick is unchecked

    // the download's file for these frames, through its writer
    const std::vector<std::string> frames = framesIn(data, size);
    std::string file;
    std::vector<std::string> expected;
    for (const std::string& f : frames) {
        const auto bytes = SplitPacketReply(f);
        FUZZ_CHECK(bytes.has_value());
        if (bytes->empty()) return 0;  // below 83: no packet, and the upload says so
        std::string line;
        for (const std::string& b : *bytes) line += (line.empty() ? "" : ":") + b;
        FUZZ_CHECK(line == f);
        file += line + "\r\n";
        expected.push_back(line);
    }
    if (frames.empty()) return 0;
    file += "\r\n";
    const std::string dump = dxfuzz::ScratchPath("download.dump");
    {
        PendingFile pending(dump);
        FUZZ_CHECK(pending.ok() && pending.commit(file));
    }
    const DumpLines back = ReadDumpLines(dump, int(frames.size()));
    FUZZ_CHECK(back.result == DumpLines::Ok && back.lines == expected);
    FUZZ_CHECK(ReadDumpLines(dump, int(frames.size()) + 1).result == DumpLines::Short);
    return 0;
}
