// Private-profile (INI) files with the semantics of the Windows profile
// routines: case-insensitive sections and keys, blanks trimmed, in-place
// replacement, every other line kept byte for byte. Files hold single-byte
// text, or UTF-16LE with its mark, which is read as Latin-1 ('?' for what
// does not fit) and stays UTF-16LE when written.
#pragma once

#include <string>

namespace dxcmd {

// A profile file read once, so that every key comes from the same version of
// it. Empty (every key reads "") when the file cannot be read.
class ProfileSnapshot {
public:
    explicit ProfileSnapshot(const std::string& path);
    bool readable() const { return readable_; }
    std::string read(const std::string& section, const std::string& key) const;

private:
    bool readable_ = false;
    std::string text_;  // single-byte text as parsed
};

// "" when the file, section or key is missing; values cut at 1023 characters.
// Only regular files up to kMaxProfileBytes are read.
inline constexpr size_t kMaxProfileBytes = 4 << 20;

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key);
// Creates file, section or key as needed; replaces atomically (temp file and
// rename), so a reader sees the old text or the new one. false when the file
// could not be written. The new text is on the disk before the rename; the
// folder, which makes the rename last, is flushed on a thread of its own once
// the writes pause (within two seconds): a power cut before then may keep the
// older text, never a broken one.
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);
// Returns once every profile written so far has been flushed to the disk.
void FlushProfileWrites();

// Replaces path by data through a temporary file in the same folder, fsynced
// and renamed, so a crash leaves either the old file or the new one. An
// existing file keeps its permissions. false when nothing was replaced.
bool ReplaceFileAtomically(const std::string& path, const std::string& data);

// The file to replace for path: through a symbolic link, the file it points
// to, so the link stays a link; path itself otherwise (a dangling link too).
std::string WriteTarget(const std::string& path);

// Reads a regular file of at most maxBytes; false otherwise (a FIFO, a
// device, a folder, a file too large).
bool ReadSmallFile(const std::string& path, std::string& out, size_t maxBytes);

// Where the current-settings file lives: programDir when it can be written,
// else fallbackDir (created when missing).
std::string ResolveCurrentFile(const std::string& programDir, const std::string& fallbackDir,
                               const std::string& name = "current.orn");

}  // namespace dxcmd
