// A dump file back into a camera's memory: the camera's handshake around
// one command per packet line.
#include "DumpFile.h"
#include "JobSupport.h"

namespace dxtransfer {

namespace {

using namespace detail;
namespace xfer = dxparams::xfer;

int16_t command(JobEnv& env, std::string_view label, const std::string& text) {
    env.commands.state().LogLabel = std::string(label);
    return env.commands.ExecCmd(text, "A0", "", "");
}

// The file is judged before START: a refused file leaves no upload open.
bool refuse(JobEnv& env, const DumpLines& file, int packets) {
    const auto unchanged = [&](const std::string& why) {
        DumpMessage(env, "Upload stopped: " + why + ". The camera was not changed.", dxcmd::Icon::Critical);
    };
    switch (file.result) {
    case DumpLines::Ok:
        return false;
    case DumpLines::CannotOpen:
        DumpMessage(env, "File does not exist.", dxcmd::Icon::Critical);
        break;
    case DumpLines::Short:
        unchanged("the camera takes " + std::to_string(packets) + " packets but the dump file holds " +
                  std::to_string(file.held));
        break;
    case DumpLines::NotPacket:
        unchanged("line " + std::to_string(file.badLine) + " of the dump file is not a packet");
        break;
    }
    return true;
}

}  // namespace

void Dump64Upload(JobEnv& env) {
    dxcmd::ProgramState& st = env.commands.state();
    const int16_t wait = st.QueryWaitShort;

    // Without the count there is no telling which lines to send; an upload
    // started and ended empty could leave the camera without its memory.
    const int m = DumpQuery(env, xfer::MaxPacket, wait) ? dxcmd::DecodeValue(st.ReplyData) : -1;
    if (m < 0) {
        DumpMessage(env, "Upload stopped: the packet count could not be read. The camera was not changed.",
                    dxcmd::Icon::Critical);
        return;
    }
    DumpQuery(env, xfer::Timeout, wait);
    const bool ready = DumpQuery(env, xfer::Ready, wait) && Field0(st) > 0;
    if (!ready) {
        DumpMessage(env, "Not ready to start! Try again,please.", dxcmd::Icon::None);
        return;
    }

    const DumpLines file = ReadDumpLines(st.DumpFilePath, m + 1);
    if (refuse(env, file, m + 1)) return;
    if (Cancelled(env)) return;  // nothing started yet: keep it so

    if (command(env, xfer::Start.label, std::string(xfer::Start.command)) != 0) {
        DumpMessage(env, "Error!", dxcmd::Icon::None);
        return;
    }
    for (int k = 0; k <= m; ++k) {
        if (Cancelled(env)) return;
        if (command(env, xfer::PacketWrite.label, file.lines[size_t(k)]) != 0) {
            DumpMessage(env, "Upload error!", dxcmd::Icon::Critical);
            return;
        }
        if (env.progress.value() < kDumpProgressLimit) Advance(env.progress, m + 1);
    }

    const bool checksumError = DumpQuery(env, xfer::CheckErr, wait) && Field0(st) > 0;
    if (checksumError) {
        DumpMessage(env, "Check Sum Error!", dxcmd::Icon::None);
        return;
    }
    if (command(env, xfer::End.label, std::string(xfer::End.command)) != 0)
        DumpMessage(env, "Error!", dxcmd::Icon::None);
}

}  // namespace dxtransfer
