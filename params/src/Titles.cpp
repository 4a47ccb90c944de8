#include "dxparams/Titles.h"

#include <cstdio>

namespace dxparams {

std::string TrimBlanks(std::string_view text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

bool TitleTextAllowed(std::string_view text) {
    for (char c : TrimBlanks(text)) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == ' ' || c == ',' || c == '-' || c == '.' || c == '/' || c == ':';
        if (!ok) return false;
    }
    return true;
}

std::string TitleFrame(std::string_view latin1, std::string_view code) {
    const size_t n = latin1.size();
    char head[16];
    if (n <= 12)
        std::snprintf(head, sizeof head, "8%X:46:", unsigned(n + 2));
    else
        std::snprintf(head, sizeof head, "8F:%02X:46:", unsigned(n + 3));
    std::string frame = head;
    frame += code;
    frame += ':';
    for (size_t i = 0; i < n; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", unsigned(static_cast<unsigned char>(latin1[i])));
        if (i) frame += ':';
        frame += hex;
    }
    return frame;
}

}  // namespace dxparams
