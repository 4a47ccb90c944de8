// The camera's memory, packet by packet, into a dump file.
#include "DumpFile.h"
#include "JobSupport.h"

namespace dxtransfer {

namespace {

using namespace detail;
namespace xfer = dxparams::xfer;

// A dump with a packet missing would upload as a different memory.
void stopped(JobEnv& env, const std::string& what) {
    DumpMessage(env, "Download stopped: " + what + " could not be read. No file was written.", dxcmd::Icon::Critical);
}

void notWritten(JobEnv& env, const PendingFile& file) {
    DumpMessage(env, "Download failed: the dump file could not be written (" + file.error() + ").\r\n" +
                         env.commands.state().DumpFilePath,
                dxcmd::Icon::Critical);
}

}  // namespace

void Dump64Download(JobEnv& env) {
    dxcmd::ProgramState& st = env.commands.state();
    if (st.DumpFilePath.empty()) return;
    // made first, so a folder we cannot write costs no time on the line
    PendingFile file(st.DumpFilePath);
    if (!file.ok()) {
        notWritten(env, file);
        return;
    }

    const int m = DumpQuery(env, xfer::MaxPacket, st.QueryWaitShort) ? dxcmd::DecodeValue(st.ReplyData) : -1;
    if (m < 0) {
        stopped(env, "the packet count");
        return;
    }

    std::string text;
    for (int k = 0; k <= m; ++k) {
        if (Cancelled(env)) return;
        st.LogLabel = std::string(xfer::Packet.label);
        std::optional<std::vector<std::string>> bytes;
        try {
            const std::string reply = env.commands.ExecCmdRecv(PacketReadCommand(k), "A0", st.QueryWaitLong);
            // "NL" and a refused address have shown their own box
            if (reply != "NL" && !reply.empty()) bytes = SplitPacketReply(reply);
        } catch (const dxcmd::BadReplyError&) {
        }
        if (!bytes) {
            stopped(env, "packet " + std::to_string(k));
            return;
        }
        for (const std::string& b : *bytes) text += b + ":";
        if (!text.empty() && text.back() == ':') text.pop_back();
        text += "\r\n";
        if (env.progress.value() < kDumpProgressLimit) Advance(env.progress, m + 1);
    }
    // a cancel during the last packet still means no file
    if (Cancelled(env)) return;
    text += "\r\n";
    if (!file.commit(text)) notWritten(env, file);
}

}  // namespace dxtransfer
