// Private-profile (INI) files with the semantics of the Windows profile
// routines: case-insensitive sections and keys, blanks trimmed, in-place
// replacement, every other line kept byte for byte. Files hold single-byte
// text, or UTF-16LE with its mark, which is read as Latin-1 ('?' for what
// does not fit) and stays UTF-16LE when written.
#pragma once

#include <string>

namespace dxcmd {

// "" when the file, section or key is missing; values cut at 1023 characters.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key);
// Creates file, section or key as needed; replaces atomically (temp file and
// rename). false when the file could not be written.
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);

// Where current.orn lives: programDir when it can be written, else
// fallbackDir (created when missing).
std::string ResolveCurrentFile(const std::string& programDir, const std::string& fallbackDir);

}  // namespace dxcmd
