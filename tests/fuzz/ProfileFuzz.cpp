// The INI reader and writer on any file content, single-byte or UTF-16.
// Input: a first line "section<TAB>key<TAB>value" to write, then the file.
#include "FuzzSupport.h"
#include "dxcmd/Profile.h"

using Names = std::pair<std::string, std::string>;

static std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\v\f"), e = s.find_last_not_of(" \t\r\v\f");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The name as the reader matches it: blanks around it dropped, ASCII case folded.
static std::string Folded(const std::string& s) {
    std::string t = Trim(s);
    for (char& c : t) c = c >= 'a' && c <= 'z' ? char(c - 32) : c;
    return t;
}

// Sections and keys the file names, roughly: they are only probes.
static std::vector<Names> NamesIn(std::string text) {
    if (text.rfind("\xFF\xFE", 0) == 0) {
        std::string narrow;
        for (size_t i = 2; i + 1 < text.size(); i += 2) narrow += text[i + 1] ? '?' : text[i];
        text = narrow;
    }
    std::vector<Names> out;
    std::istringstream lines(text);
    for (std::string line, section; out.size() < 12 && std::getline(lines, line);) {
        if ((line = Trim(line)).empty()) continue;
        if (line[0] == '[') section = line.substr(1, line.find(']') - 1);
        else out.emplace_back(section, line.substr(0, line.find('=')));
    }
    return out;
}

static std::string Read(const std::string& path) {
    std::string out;
    FUZZ_CHECK(dxcmd::ReadSmallFile(path, out, dxcmd::kMaxProfileBytes + (1 << 20)));
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = dxfuzz::Text(data, size);
    const size_t nl = in.find('\n');
    if (nl == std::string::npos) return 0;
    const std::string head = in.substr(0, nl), file = in.substr(nl + 1);
    std::string parts[3];
    std::istringstream fields(head);
    std::getline(std::getline(std::getline(fields, parts[0], '\t'), parts[1], '\t'), parts[2]);
    const std::string &section = parts[0], &key = parts[1], &value = parts[2];
    const std::string path = dxfuzz::WriteScratch("profile.ini", file);
    std::vector<Names> probes = NamesIn(file);
    probes.emplace_back(section, key);

    const dxcmd::ProfileSnapshot snapshot(path);
    FUZZ_CHECK(snapshot.readable());
    std::vector<std::string> before;
    for (const Names& n : probes) {
        before.push_back(snapshot.read(n.first, n.second));
        FUZZ_CHECK(before.back().size() <= 1023 && before.back() == dxcmd::ReadProfileString(path, n.first, n.second));
    }
    if (!dxcmd::WriteProfileString(path, section, key, value)) {
        FUZZ_CHECK(Read(path) == file);
        return 0;
    }
    const std::string after = Read(path);
    // a UTF-16 file stays one, whole characters added
    if (file.rfind("\xFF\xFE", 0) == 0)
        FUZZ_CHECK(after.rfind("\xFF\xFE", 0) == 0 && (after.size() - file.size()) % 2 == 0);
    // a value reads back as written unless blanks around it, quotes for the
    // reader to strip or its length say otherwise
    const bool quoted = value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    if (value.size() <= 1023 && Trim(value) == value && !quoted)
        FUZZ_CHECK(dxcmd::ReadProfileString(path, section, key) == value);
    // every other entry reads as it did
    for (size_t i = 0; i < probes.size(); ++i)
        if (Folded(probes[i].first) != Folded(section) || Folded(probes[i].second) != Folded(key))
            FUZZ_CHECK(dxcmd::ReadProfileString(path, probes[i].first, probes[i].second) == before[i]);
    // the same setting written again finds its entry and changes nothing
    FUZZ_CHECK(dxcmd::WriteProfileString(path, section, key, value));
    FUZZ_CHECK(Read(path) == after);
    return 0;
}
