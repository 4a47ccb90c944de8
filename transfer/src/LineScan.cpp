// Which cameras of a line answer. An absent ID costs one answer window, not
// the console's time-out, so the probe is an exchange of its own on the
// link; the title of a camera that answered is read as the loads read it.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "JobSupport.h"
#include "dxlink/dxlink.h"
#include "dxparams/Catalogue.h"

namespace dxtransfer {

namespace {

using namespace detail;
namespace cat = dxparams::cat;

struct Release {
    void operator()(dxlink::IExComCtrl* p) const { p->Release(); }
};
using Link = std::unique_ptr<dxlink::IExComCtrl, Release>;

// The camera's acknowledgement of character code set B, which the loads
// send first anyway: 0 acknowledged, 1 something else, 2 nothing in the window.
int16_t Probe(JobEnv& env, const std::string& full, int16_t quietMs, int16_t windowMs) {
    const dxcmd::ProgramState& st = env.commands.state();
    const auto& factory = env.commands.linkFactory();
    Link link(factory ? factory() : nullptr);
    if (!link) return 2;
    // A camera answering after its window must not be taken for this ID:
    // the line has to stay quiet a while first.
    link->put_SerialTimeout(quietMs);
    link->PortOpen(st.CommDeviceType, st.CommPort);
    while (link->Recv(1) != "NL" && !Cancelled(env)) {
    }
    link->put_SerialTimeout(windowMs);
    link->PortOpen(st.CommDeviceType, st.CommPort);
    const int16_t status = link->cmd(full, "A0");
    link->PortClose();
    return status;
}

}  // namespace

void LineScan(JobEnv& env) {
    dxcmd::ProgramState& st = env.commands.state();
    ScanRequest all;
    for (int id = 1; id <= 32; ++id) all.ids.push_back(id);
    const ScanRequest& r = env.scan && !env.scan->ids.empty() ? *env.scan : all;
    const int windowMs = env.scan ? env.scan->windowMs : kScanWindowMs;
    const auto window = static_cast<int16_t>(windowMs);
    const auto quiet = static_cast<int16_t>(std::max(2, windowMs / 4));
    const int16_t style = st.CommStyle;
    const std::string machine = st.MachineID;

    bool answered = false;
    for (int id : r.ids) {
        if (Cancelled(env)) break;
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02X", id);
        st.CommStyle = id == 0 ? 0 : 1;
        st.MachineID = id == 0 ? "0" : prefix;
        std::string full(dxparams::trg::CharacterCodeSetB.command);
        if (id != 0) full = "B1:01:" + st.MachineID + ":" + full;
        // after an answer the rest of it may still be coming: a whole window
        const int16_t status = Probe(env, full, answered ? window : quiet, window);
        answered = status != 2;

        dxparams::ScannedCamera found{id, answered, status == 0, ""};
        if (found.ok) {
            st.LogLabel = std::string(cat::CameraTitle.label);
            try {
                // a bad title is the command layer's to show; the scan goes on
                env.commands.QueryCamera(std::string(cat::CameraTitle.query), st.QueryWaitLong);
                found.ok = st.LastReply != "NL";
                if (found.ok) found.title = DecodeTitle(st.LastReply, st.ReplyFields);
            } catch (const dxcmd::BadReplyError&) {
                found.ok = false;
            }
        }
        Write(env, [&] { env.console.setScannedCamera(found); });
        Advance(env.progress, int(r.ids.size()));
    }
    st.CommStyle = style;
    st.MachineID = machine;
}

}  // namespace dxtransfer
