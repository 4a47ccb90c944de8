// Title texts: the characters a title may hold and the frame that sets it.
#pragma once

#include <string>
#include <string_view>

namespace dxparams {

// The message shown when a title holds a character it may not.
inline constexpr std::string_view kTitleCharactersMessage =
    "The Camera Title can contain any of the following characters.\r\n"
    "[A to Z],[a to z],[0 to 9],[, - . / :] and Space ";

// The text without leading and trailing blanks.
std::string TrimBlanks(std::string_view text);

// Letters, digits, blank and , - . / : only (after trimming); true when empty.
bool TitleTextAllowed(std::string_view text);

// The frame that sets a title: "8n:46:cc:..." up to 12 characters,
// "8F:LL:46:cc:..." from 13 on. code: "00" camera title, "02" position title.
// The text is Latin-1, one byte a character.
std::string TitleFrame(std::string_view latin1, std::string_view code);

}  // namespace dxparams
