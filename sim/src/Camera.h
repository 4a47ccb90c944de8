// One simulated camera: its state and what it makes of a frame. No I/O here;
// CameraSim owns the line and the timing.
#pragma once

#include "dxsim/CameraSim.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace dxsim::detail {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

std::string toText(const Bytes& bytes);
// Strict parse of command text ("83:45:00:1C"); false on anything else.
bool fromText(const std::string& text, Bytes* out);

// What the bytes at the front of the host's line hold.
struct FrameCut {
    enum Kind {
        NeedMore,  // the start of a frame, not yet whole
        Noise,     // the first byte begins no frame
        Frame,     // a frame: an acknowledgement, or a command with or without its prefix
    } kind = NeedMore;
    size_t at = 0;   // where the frame proper starts, after a B1:01:ID prefix
    size_t len = 0;  // its bytes from `at` on
    int id = 0;      // the prefix's camera ID; 0 without a prefix
};
FrameCut cutFrame(const Bytes& pending);

struct Answer {
    bool accepted = false;  // A0 (true) or A1 (false)
    bool query = false;     // a reply frame follows the A0
    Bytes reply;            // the reply frame
};

class Camera {
public:
    Camera(Model model, int dumpPackets, bool honourCharacterCodeSet);

    Answer handle(const Bytes& frame, Clock::time_point now);
    // An upload that hears nothing for this long is dropped, as its TIMEOUT
    // answer (10 s) announces, so a failed upload does not leave the camera
    // refusing the next one for good.
    static constexpr std::chrono::seconds kUploadIdle{10};
    // Moves the axes that are running up to now.
    void advance(Clock::time_point now);
    void resetToFactory();
    void replaceState(const CameraState& s, Clock::time_point now);

    CameraState state;

private:
    Answer handleFrame(const Bytes& frame, Clock::time_point now);
    Answer handleValue02Set(const Bytes& f);
    Answer handleValue03Set(const Bytes& f);
    Answer handleQuery(uint8_t group, uint8_t code);
    Answer handleTrigger(const Bytes& f, Clock::time_point now);
    Answer handleString(const Bytes& f);
    Answer handleTransferSet(const Bytes& f);
    Answer handlePacketRead(const Bytes& f);
    Answer handlePacketWrite(const Bytes& f);
    Bytes titleReply(uint8_t code, const std::string& title) const;
    bool knownValue02(uint8_t code) const;
    bool knownValue03(uint8_t code) const;
    void startMotion(int axis, int dir, int speedByte, Clock::time_point now);
    void stopMotion(int axis, Clock::time_point now);
    void recallPreset(int p);
    void storePreset(int p);

    Model model_;
    int dumpPackets_;
    bool honour_;
    double frac_[5] = {};
    Clock::time_point last_[5] = {};
    Clock::time_point uploadSeen_ = {};
};

}  // namespace dxsim::detail
