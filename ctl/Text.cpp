#include "Text.h"

#include <cctype>
#include <set>

#include "dxcmd/Codec.h"
#include "dxparams/Titles.h"

namespace dxctl {

namespace {

constexpr size_t kPositionTitleMax = 16;

// A decimal number of at most four digits; -1 otherwise.
int Decimal(const std::string& s) {
    if (s.empty() || s.size() > 4) return -1;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    return std::stoi(s);
}

// UTF-8 to Latin-1; false for bad UTF-8 or a character above U+00FF.
bool Latin1(const std::string& utf8, std::string& out) {
    out.clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += char(b);
        } else if ((b == 0xC2 || b == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            out += char(((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            return false;
        }
    }
    return true;
}

std::string Utf8(const std::string& latin1) {
    std::string out;
    for (char c : latin1) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (b >> 6));
            out += char(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// Records of fields; false on a quote that does not close or stray text after one.
bool SplitCsv(const std::string& text, std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, wasQuoted = false, any = false;
    auto endField = [&] {
        row.push_back(field);
        field.clear();
        wasQuoted = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            if (!field.empty() || wasQuoted) return false;
            quoted = wasQuoted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endField();
            rows.push_back(std::move(row));
            row.clear();
            any = false;
        } else {
            if (wasQuoted) return false;
            field += c;
        }
    }
    if (quoted) return false;
    if (any || !field.empty()) {
        endField();
        rows.push_back(std::move(row));
    }
    return true;
}

std::string Quoted(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos && s == dxparams::TrimBlanks(s)) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::vector<int> ParseCameraList(const std::string& text, std::string& error) {
    std::set<int> ids;
    if (text == "all") {
        for (int i = 1; i <= 32; ++i) ids.insert(i);
        return {ids.begin(), ids.end()};
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = text.find(',', at);
        const std::string item = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const size_t dash = item.find('-');
        const int lo = Decimal(item.substr(0, dash));
        const int hi = dash == std::string::npos ? lo : Decimal(item.substr(dash + 1));
        if (lo < 1 || hi < 1 || lo > 32 || hi > 32 || hi < lo) {
            error = "camera '" + item + "' is not a machine ID 1-32 or a range of them";
            return {};
        }
        for (int i = lo; i <= hi; ++i) ids.insert(i);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return {ids.begin(), ids.end()};
}

bool IsCommandFrame(const std::string& text) {
    return dxcmd::IsHexBytes(text) && dxcmd::FrameBytes(text) == (text.size() + 1) / 3;
}

std::vector<TitleRow> ParseTitlesCsv(const std::string& utf8, std::string& error) {
    std::vector<std::vector<std::string>> records;
    // a spreadsheet's UTF-8 mark is no part of the first field
    const std::string_view bom = "\xEF\xBB\xBF";
    if (!SplitCsv(utf8.starts_with(bom) ? utf8.substr(bom.size()) : utf8, records)) {
        error = "not RFC 4180 CSV (a quote out of place)";
        return {};
    }
    std::vector<TitleRow> rows;
    std::set<int> seen;
    for (size_t r = 0; r < records.size(); ++r) {
        const auto& f = records[r];
        const std::string where = "row " + std::to_string(r + 1) + ": ";
        if (r == 0 && !f.empty() && f[0] == "position") continue;
        if (f.size() == 1 && f[0].empty()) continue;  // a blank line
        if (f.size() != 2) {
            error = where + "needs two fields, position and title";
            return {};
        }
        TitleRow row;
        row.position = Decimal(f[0]);
        if (row.position < 0 || row.position > 99 || !seen.insert(row.position).second) {
            error = where + "position '" + f[0] + "' is not 0-99, or given twice";
            return {};
        }
        std::string latin1;
        if (!Latin1(f[1], latin1) || !dxparams::TitleTextAllowed(latin1)) {
            error = where + "title '" + f[1] + "' holds a character a title may not";
            return {};
        }
        row.latin1 = dxparams::TrimBlanks(latin1);
        if (row.latin1.size() > kPositionTitleMax) {
            error = where + "title '" + f[1] + "' is longer than 16 characters";
            return {};
        }
        rows.push_back(row);
    }
    return rows;
}

std::string TitlesCsv(const std::vector<std::string>& latin1Titles) {
    std::string out = "position,title\r\n";
    for (size_t p = 0; p < latin1Titles.size(); ++p)
        out += std::to_string(p) + "," + Quoted(Utf8(latin1Titles[p])) + "\r\n";
    return out;
}

}  // namespace dxctl
