// The INI reader and writer on any file content, single-byte or UTF-16.
// Input: a first line "section<TAB>key<TAB>value" to write, then the file.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "dxcmd/Profile.h"

namespace {

using Names = std::pair<std::string, std::string>;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

bool same(const Names& a, const Names& b) {
    return upper(trim(a.first)) == upper(trim(b.first)) && upper(trim(a.second)) == upper(trim(b.second));
}

// Sections and keys the file names, roughly: they are only probes.
std::vector<Names> namesIn(std::string text) {
    if (text.rfind("\xFF\xFE", 0) == 0) {
        std::string narrow;
        for (size_t i = 2; i + 1 < text.size(); i += 2) narrow += text[i + 1] ? '?' : text[i];
        text = narrow;
    }
    std::vector<Names> out;
    std::string section;
    size_t pos = 0;
    while (pos < text.size() && out.size() < 12) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        const std::string line = trim(text.substr(pos, nl - pos));
        pos = nl + 1;
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (!line.empty()) {
            out.emplace_back(section, line.substr(0, line.find('=')));
        }
    }
    return out;
}

// A value that reads back exactly as written: no blanks around it, no
// quotes for the reader to strip, no longer than a read returns.
bool readsBackAsIs(const std::string& v) {
    if (v.size() > 1023 || trim(v) != v) return false;
    return v.size() < 2 || !((v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = dxfuzz::Text(data, size);
    const size_t nl = in.find('\n');
    if (nl == std::string::npos) return 0;
    const std::string head = in.substr(0, nl), file = in.substr(nl + 1);
    std::string parts[3];
    for (size_t i = 0, from = 0; i < 3 && from <= head.size(); ++i) {
        const size_t tab = i < 2 ? head.find('\t', from) : std::string::npos;
        parts[i] = head.substr(from, tab == std::string::npos ? std::string::npos : tab - from);
        from = tab == std::string::npos ? head.size() + 1 : tab + 1;
    }
    const Names target{parts[0], parts[1]};
    const std::string& value = parts[2];

    const std::string path = dxfuzz::WriteScratch("profile.ini", file);
    std::vector<Names> probes = namesIn(file);
    probes.push_back(target);

    const dxcmd::ProfileSnapshot snapshot(path);
    FUZZ_CHECK(snapshot.readable());
    std::vector<std::string> before;
    for (const Names& n : probes) {
        before.push_back(snapshot.read(n.first, n.second));
        FUZZ_CHECK(before.back().size() <= 1023);
        FUZZ_CHECK(before.back() == dxcmd::ReadProfileString(path, n.first, n.second));
    }

    const bool written = dxcmd::WriteProfileString(path, target.first, target.second, value);
    std::string after;
    FUZZ_CHECK(dxcmd::ReadSmallFile(path, after, dxcmd::kMaxProfileBytes + (1 << 20)));
    if (!written) {
        FUZZ_CHECK(after == file);
        return 0;
    }
    // a UTF-16 file stays one, whole characters added
    if (file.rfind("\xFF\xFE", 0) == 0)
        FUZZ_CHECK(after.rfind("\xFF\xFE", 0) == 0 && (after.size() - file.size()) % 2 == 0);
    if (readsBackAsIs(value)) FUZZ_CHECK(dxcmd::ReadProfileString(path, target.first, target.second) == value);
    // every other entry reads as it did
    for (size_t i = 0; i < probes.size(); ++i)
        if (!same(probes[i], target))
            FUZZ_CHECK(dxcmd::ReadProfileString(path, probes[i].first, probes[i].second) == before[i]);
    // the same setting written again finds its entry and changes nothing
    FUZZ_CHECK(dxcmd::WriteProfileString(path, target.first, target.second, value));
    std::string again;
    FUZZ_CHECK(dxcmd::ReadSmallFile(path, again, dxcmd::kMaxProfileBytes + (1 << 20)));
    FUZZ_CHECK(again == after);
    return 0;
}
