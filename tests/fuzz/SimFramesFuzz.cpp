// The simulator's side of the line without a pty: any bytes through the
// frame cutter, each frame to its camera, each answer read as the host
// reads one. Input: one byte of options, then the line.
#include <string>
#include <vector>

#include "Camera.h"
#include "FuzzSupport.h"

using namespace dxsim;
using namespace dxsim::detail;

namespace {

struct Cut {
    Bytes full;
    size_t at;
    int id;
    int quietBefore;  // NULs among the noise since the frame before
    bool operator==(const Cut&) const = default;
};

// The frames on a line in arrival order; chunk: how many bytes arrive at
// once (0: all of them).
std::vector<Cut> cutLine(const Bytes& line, size_t chunk) {
    std::vector<Cut> out;
    Bytes pending;
    int quiet = 0;
    for (size_t pos = 0; pos < line.size();) {
        const size_t n = chunk == 0 ? line.size() : std::min(chunk, line.size() - pos);
        pending.insert(pending.end(), line.begin() + long(pos), line.begin() + long(pos + n));
        pos += n;
        for (;;) {
            const FrameCut c = cutFrame(pending);
            if (c.kind == FrameCut::NeedMore) break;
            if (c.kind == FrameCut::Noise) {
                quiet += pending[0] == 0;
                pending.erase(pending.begin());
                continue;
            }
            FUZZ_CHECK(c.len >= 1 && c.at + c.len <= pending.size());
            out.push_back({Bytes(pending.begin(), pending.begin() + long(c.at + c.len)), c.at, c.id, quiet});
            quiet = 0;
            pending.erase(pending.begin(), pending.begin() + long(c.at + c.len));
        }
    }
    return out;
}

// What the host takes as a whole reply frame.
bool hostReadsWhole(const Bytes& r) {
    if (r.empty() || r[0] < 0x81 || r[0] > 0x8F) return false;
    if (r[0] < 0x8F) return r.size() == size_t(r[0] - 0x80) + 1;
    return r.size() >= 4 && r[1] >= 3 && r.size() == size_t(r[1]) + 1;
}

void checkState(const CameraState& s) {
    FUZZ_CHECK(s.selectedPreset >= 0 && s.selectedPreset <= 99);
    FUZZ_CHECK(s.title.size() <= 24);
    for (const std::string& t : s.presetTitles) FUZZ_CHECK(t.size() <= 16);
    for (int v : s.value02) FUZZ_CHECK(v >= 0 && v <= 0x7F);
    for (int v : s.value03) FUZZ_CHECK(v >= 0 && v <= 0x3FFF);
    const int axes[] = {s.value03[0x04], s.value03[0x05], s.value03[0x02], s.value03[0x03], s.value03[0x00]};
    const int max[] = {kPanMax, kTiltMax, kZoomMax, kFocusMax, kIrisMax};
    for (int a = 0; a < 5; ++a) FUZZ_CHECK(axes[a] >= 0 && axes[a] <= max[a]);
    FUZZ_CHECK(!s.memory.empty());
    for (const std::string& m : s.memory) FUZZ_CHECK(checkPacketFrame(m, nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t opt = data[0];
    const Model model = opt & 1 ? Model::DX410 : Model::DX430;
    const int cameras = opt & 2 ? 1 + (opt >> 3) % 4 : 0;  // 0: point to point
    const int packets = 1 + (opt >> 5);
    const Bytes line(data + 1, data + size);

    // however the pty hands the bytes over, the same frames come out
    const std::vector<Cut> cuts = cutLine(line, 0);
    FUZZ_CHECK(cutLine(line, 1) == cuts);
    FUZZ_CHECK(cutLine(line, 1 + (opt % 7)) == cuts);

    std::vector<Camera> cams;
    for (int i = 0; i < (cameras ? cameras : 1); ++i) cams.emplace_back(model, packets, (opt & 4) != 0);
    // time as the line takes it; a NUL among the noise stands for a quiet second
    Clock::time_point now{std::chrono::hours(1)};
    for (const Cut& c : cuts) {
        now += std::chrono::microseconds(1146) * c.full.size() + std::chrono::seconds(c.quietBefore);
        const Bytes frame(c.full.begin() + long(c.at), c.full.end());
        if (c.at == 0) FUZZ_CHECK(c.id == 0);
        if (c.full.size() == 1 && c.full[0] == 0xA0) continue;
        Camera* cam = nullptr;
        if (cameras == 0 && c.id == 0) cam = &cams[0];
        if (cameras > 0 && c.id >= 1 && c.id <= cameras) cam = &cams[size_t(c.id - 1)];
        if (!cam) continue;
        const Answer a = cam->handle(frame, now);
        if (!a.accepted) FUZZ_CHECK(!a.query);
        if (a.query) FUZZ_CHECK(hostReadsWhole(a.reply));
        checkState(cam->state);
    }
    return 0;
}
