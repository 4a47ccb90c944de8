// The command line's own texts: camera lists, raw command texts and the
// titles CSV. Each parser gives an error for an operator, "" when fine.
#pragma once

#include <string>
#include <vector>

namespace dxctl {

// "all", an ID, or a list like 1,3,7-9: machine IDs 1 to 32, ascending,
// each once.
std::vector<int> ParseCameraList(const std::string& text, std::string& error);

// Colon-separated two-digit hex bytes whose first byte announces the
// frame's length (81..8E, or 8F and a length byte).
bool IsCommandFrame(const std::string& text);

struct TitleRow {
    int position = 0;
    std::string latin1;  // trimmed
};

// RFC 4180 rows "position,title" (an optional header row "position,...");
// UTF-8 limited to Latin-1; every row checked as the console checks a
// title, and positions 0 to 99 once each.
std::vector<TitleRow> ParseTitlesCsv(const std::string& utf8, std::string& error);
std::string TitlesCsv(const std::vector<std::string>& latin1Titles);

}  // namespace dxctl
