// A simulated DX-410 / DX-430 camera (or a multi-drop line of up to 32 of
// them) behind a pseudo-terminal. Tests run it in-process; dxcamsim wraps it
// as a program. No Qt here.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dxsim {

enum class Model { DX410, DX430 };

enum class Fault {
    None,
    NoReply,        // swallow the command, answer nothing
    WrongAck,       // answer A1 instead of A0 (and no frame)
    BadFirstByte,   // query reply frame starts with 0x90
    Truncated,      // query reply frame cut after its first data byte
    NoiseBefore,    // a few garbage bytes before the answer
    Late,           // answer after Options::lateMs
    HangUp,         // close the line (the pty goes away)
};

struct Options {
    Model model = Model::DX430;
    // 0: one camera on a point-to-point line (answers unaddressed frames).
    // 1..32: that many cameras, IDs 1..n, on a multi-drop line; only frames
    // with the prefix B1:01:ID are answered, by camera ID.
    int multiDropCameras = 0;
    bool paced = true;            // 11 bits a byte at 9600 baud, the host's frames and the answers
    int turnaroundMs = 2;         // delay between a frame's last byte and the answer
    int lateMs = 6000;            // delay of Fault::Late
    // Title replies: true answers one field per character only after the
    // character-code-set-B trigger (83:45:30:01); false always answers two
    // fields per character.
    bool honourCharacterCodeSet = true;
    int dumpPackets = 64;         // packets 0..dumpPackets-1
    double faultRate = 0.0;       // chance per command of a random fault
    uint32_t seed = 1;
    int quietMs = 100;            // a frame unfinished this long after its last byte is dropped
};

// What a preset position stores besides its title.
struct PresetData {
    int pan = 0;           // VALUE03 04
    int tilt = 0;          // VALUE03 05
    int irisMode = 0;      // VALUE02 11
    int whiteBalance = 0;  // VALUE02 12
    int blcArea = 0;       // VALUE02 15
    int wbRB = 0;          // VALUE03 06
    int wbMgG = 0;         // VALUE03 14
};

// Axis limits of the simulated lens and head.
inline constexpr int kPanMax = 6399;
inline constexpr int kTiltMax = 6400;
inline constexpr int kZoomMax = 1023;
inline constexpr int kFocusMax = 1023;
inline constexpr int kIrisMax = 255;

// What one camera remembers; values are raw protocol values.
struct CameraState {
    int value02[128] = {};        // VALUE02 by item code
    int value03[128] = {};        // VALUE03 by item code (0..16383)
    std::string title;            // camera title
    std::string presetTitles[100];
    int selectedPreset = 0;
    bool characterCodeSetB = false;
    bool menuOn = false;
    int enterCount = 0;           // ENTER (83:45:16:xx) received
    int allClearCount = 0;
    // moving axes: +1 / -1 / 0 per axis: pan, tilt, zoom, focus, iris
    int motion[5] = {};
    int motionSpeed[5] = {};
    // upload handshake
    bool uploading = false;
    bool uploadEnded = false;
    std::vector<std::string> uploaded;  // packet frames received during upload
    bool checksumError = false;
    std::vector<std::string> memory;    // packet reply frames 0..n-1
    // additions
    PresetData presets[100];
    int setCount = 0;             // SET (82:45:2A) received
    int onePushCount = 0;         // ONE PUSH AUTO FOCUS received
    int presetResetCount = 0;     // 83:45:31:pp received
};

class CameraSim {
public:
    explicit CameraSim(Options options = {});
    ~CameraSim();
    CameraSim(const CameraSim&) = delete;
    CameraSim& operator=(const CameraSim&) = delete;

    // Opens the pty pair and starts serving on a thread of its own.
    bool start();
    void stop();
    std::string devicePath() const;   // the slave side, e.g. /dev/pts/7

    // Every frame received, as command text (prefix included), oldest first.
    std::vector<std::string> received() const;
    void clearReceived();
    // Waits (bounded) until at least n frames were received.
    bool waitForFrames(size_t n, std::chrono::milliseconds limit) const;

    // The next `count` commands whose text starts with `prefix` (prefix ""
    // matches every command) meet `fault`.
    void injectFault(const std::string& prefix, Fault fault, int count = 1);
    void clearFaults();
    void setFaultRate(double rate, uint32_t seed);

    void setPaced(bool paced);
    void setTurnaroundMs(int ms);

    // Camera 1 on a point-to-point line; camera id on a multi-drop line.
    CameraState state(int camera = 1) const;
    void setState(const CameraState& s, int camera = 1);
    void resetToFactory(int camera = 1);

    // additions
    // Bytes that began no frame, and frames cut short by a quiet line, as
    // command text in arrival order.
    std::vector<std::string> noise() const;
    // Faults met so far (injected or at random), with the command text that
    // met each, oldest first.
    std::vector<std::pair<std::string, Fault>> faultsMet() const;
    // False once the line was hung up (Fault::HangUp) or before start().
    bool running() const;
    // Called on the serving thread for each frame received (sent = false)
    // and each answer written (sent = true); for --verbose.
    void setTrace(std::function<void(bool sent, const std::string& text)> trace);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The factory data a camera starts with (and returns to after ALL CLEAR).
CameraState factoryState(Model model, int dumpPackets);

// Packet frames: 8F:LL:4A:00:hh:ll:<data>:ck, where ck is the sum of the
// bytes from 4A to the last data byte, mod 128.
inline constexpr int kPacketDataBytes = 16;
std::string packetFrame(int number, const std::vector<uint8_t>& data);
// True when text is a packet frame whose length byte and checksum hold;
// number receives the packet number.
bool checkPacketFrame(const std::string& text, int* number);

}  // namespace dxsim
