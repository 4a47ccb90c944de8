// What the two dump jobs share: the packet commands, the dump file's lines
// and a file that replaces its target only once it is complete.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dxparams/Catalogue.h"
#include "dxtransfer/Jobs.h"

namespace dxtransfer::detail {

// The dump jobs stop stepping short of the maximum, so they never pass it.
inline constexpr int kDumpProgressLimit = kProgressMax - 10;

// "84:0A:00:" + packet div 128 + ":" + packet mod 128.
std::string PacketReadCommand(int packet);

// The bytes of a reply frame as the dump file holds them; a frame below 83
// gives none (an empty line). nullopt when the reply is shorter than its
// header says, which only an unchecked (diagnostic) reply can be.
std::optional<std::vector<std::string>> SplitPacketReply(const std::string& reply);

// A dump file line: command text whose first byte matches its length (83 to
// 8E: that byte - 0x80 bytes follow; 8F: the next byte counts itself and
// what follows, at least 3).
bool IsPacketLine(std::string_view line);

// The first `count` lines of a dump file, each a packet line. Reads no more
// than `count` lines can take, however large the file, but for empty lines,
// which are read to the first other character.
struct DumpLines {
    enum Result { Ok, CannotOpen, Short, NotPacket } result = CannotOpen;
    std::vector<std::string> lines;
    int held = 0;     // Short: packet lines before the file ended
    int badLine = 0;  // NotPacket: its line number, from 1
};
DumpLines ReadDumpLines(const std::string& path, int count);

// A query of the handshake; false when its reply was bad (513), so the
// results of the previous query are still in place.
bool DumpQuery(JobEnv& env, const dxparams::TransferCmd& query, int16_t waitTime);

// The operator's message of a dump job: OK button, application title.
void DumpMessage(JobEnv& env, const std::string& text, dxcmd::Icon icon);

// Written under a temporary name in the target's folder and renamed over the
// target when complete, so a failure, cancel or crash leaves the old file.
class PendingFile {
public:
    explicit PendingFile(const std::string& path);  // creates the temporary file
    ~PendingFile();                                 // removes it unless committed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }  // why not, for the operator
    bool commit(const std::string& text);

private:
    void fail(const char* step);

    std::string target_, temp_, dir_, error_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace dxtransfer::detail
