// The simulator's side of the line without a pty: any bytes through the
// frame cutter, each frame to its camera, each answer read as the host
// reads one. Input: one byte of options, then the line.
#include "Camera.h"
#include "FuzzSupport.h"

using namespace dxsim;
using namespace dxsim::detail;

struct Cut {
    Bytes full;
    size_t at;
    int id, quietBefore;  // NULs among the noise since the frame before
    bool operator==(const Cut&) const = default;
};

// The frames on a line in arrival order, `chunk` bytes arriving at once (0: all).
static std::vector<Cut> CutLine(const Bytes& line, size_t chunk) {
    std::vector<Cut> out;
    Bytes pending;
    int quiet = 0;
    for (size_t pos = 0; pos < line.size();) {
        const size_t n = chunk == 0 ? line.size() : std::min(chunk, line.size() - pos);
        pending.insert(pending.end(), line.begin() + long(pos), line.begin() + long(pos + n));
        pos += n;
        for (FrameCut c; (c = cutFrame(pending)).kind != FrameCut::NeedMore;) {
            const bool noise = c.kind == FrameCut::Noise;
            const size_t end = noise ? 1 : c.at + c.len;
            FUZZ_CHECK(noise || (c.len >= 1 && end <= pending.size()));
            if (!noise) out.push_back({Bytes(pending.begin(), pending.begin() + long(end)), c.at, c.id, quiet});
            quiet = noise ? quiet + (pending[0] == 0) : 0;
            pending.erase(pending.begin(), pending.begin() + long(end));
        }
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t opt = data[0];
    const int cameras = opt & 2 ? 1 + (opt >> 3) % 4 : 0;  // 0: point to point
    const Bytes line(data + 1, data + size);
    // however the pty hands the bytes over, the same frames come out
    const std::vector<Cut> cuts = CutLine(line, 0);
    FUZZ_CHECK(CutLine(line, 1) == cuts && CutLine(line, 1 + (opt % 7)) == cuts);

    std::vector<Camera> cams(size_t(cameras ? cameras : 1), Camera(opt & 1 ? Model::DX410 : Model::DX430,
                                                                   1 + (opt >> 5), (opt & 4) != 0));
    // time as the line takes it; a NUL among the noise stands for a quiet second
    Clock::time_point now{std::chrono::hours(1)};
    for (const Cut& c : cuts) {
        now += std::chrono::microseconds(1146) * c.full.size() + std::chrono::seconds(c.quietBefore);
        FUZZ_CHECK(c.at > 0 || c.id == 0);
        const bool own = cameras == 0 ? c.id == 0 : c.id >= 1 && c.id <= cameras;
        if ((c.full.size() == 1 && c.full[0] == 0xA0) || !own) continue;
        Camera& cam = cams[size_t(cameras ? c.id - 1 : 0)];
        const Answer a = cam.handle(Bytes(c.full.begin() + long(c.at), c.full.end()), now);
        FUZZ_CHECK(a.accepted || !a.query);
        // a reply is one whole frame as the host reads it
        const Bytes& r = a.reply;
        if (a.query) FUZZ_CHECK(!r.empty() && r[0] >= 0x81 && r[0] <= 0x8F);
        if (a.query && r[0] < 0x8F) FUZZ_CHECK(r.size() == r[0] - 0x80u + 1u);
        if (a.query && r[0] == 0x8F) FUZZ_CHECK(r.size() >= 4 && r.size() == r[1] + 1u && r[1] >= 3);
        const CameraState& s = cam.state;
        FUZZ_CHECK(s.selectedPreset >= 0 && s.selectedPreset <= 99 && s.title.size() <= 24 && !s.memory.empty());
        for (const std::string& t : s.presetTitles) FUZZ_CHECK(t.size() <= 16);
        for (int v : s.value02) FUZZ_CHECK(v >= 0 && v <= 0x7F);
        for (int v : s.value03) FUZZ_CHECK(v >= 0 && v <= 0x3FFF);
        const int axis[] = {0x04, 0x05, 0x02, 0x03, 0x00}, max[] = {kPanMax, kTiltMax, kZoomMax, kFocusMax, kIrisMax};
        for (int x = 0; x < 5; ++x) FUZZ_CHECK(s.value03[axis[x]] >= 0 && s.value03[axis[x]] <= max[x]);
        for (const std::string& m : s.memory) FUZZ_CHECK(checkPacketFrame(m, nullptr));
    }
    return 0;
}
