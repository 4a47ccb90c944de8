#include "Camera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dxsim {

namespace {

constexpr uint8_t kAxisCode[5] = {0x04, 0x05, 0x02, 0x03, 0x00};  // pan tilt zoom focus iris
constexpr int kAxisMax[5] = {kPanMax, kTiltMax, kZoomMax, kFocusMax, kIrisMax};
constexpr size_t kCameraTitleMax = 24;
constexpr size_t kPositionTitleMax = 16;

int axisOfCode(uint8_t code) {
    for (int a = 0; a < 5; ++a)
        if (kAxisCode[a] == code) return a;
    return -1;
}

detail::Bytes valueFrame(uint8_t group, uint8_t code, int v) {
    if (v < 128) return {0x83, group, code, static_cast<uint8_t>(v)};
    return {0x84, group, code, static_cast<uint8_t>((v >> 7) & 0x7F), static_cast<uint8_t>(v & 0x7F)};
}

bool sevenBit(const detail::Bytes& b, size_t from) {
    for (size_t i = from; i < b.size(); ++i)
        if (b[i] > 0x7F) return false;
    return true;
}

PresetData factoryPreset(int p) {
    PresetData d;
    d.pan = (p * 64) % (kPanMax + 1);
    d.tilt = 1600;
    d.irisMode = 1;
    d.whiteBalance = 1;  // ATW
    d.wbRB = 128;
    d.wbMgG = 128;
    return d;
}

std::vector<uint8_t> factoryPacketData(Model model, int k) {
    std::vector<uint8_t> d(kPacketDataBytes);
    int salt = model == Model::DX410 ? 3 : 5;
    for (int j = 0; j < kPacketDataBytes; ++j) d[j] = static_cast<uint8_t>((k * 31 + j * 7 + salt) & 0x7F);
    return d;
}

}  // namespace

std::string packetFrame(int number, const std::vector<uint8_t>& data) {
    detail::Bytes f{0x8F, static_cast<uint8_t>(data.size() + 6), 0x4A, 0x00,
                    static_cast<uint8_t>((number >> 7) & 0x7F), static_cast<uint8_t>(number & 0x7F)};
    for (uint8_t d : data) f.push_back(d & 0x7F);
    unsigned sum = 0;
    for (size_t i = 2; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<uint8_t>(sum & 0x7F));
    return detail::toText(f);
}

bool checkPacketFrame(const std::string& text, int* number) {
    detail::Bytes f;
    if (!detail::fromText(text, &f)) return false;
    if (f.size() < 7 || f[0] != 0x8F || f[1] != f.size() - 1 || f[2] != 0x4A || f[3] != 0x00) return false;
    if (!sevenBit(f, 4)) return false;
    unsigned sum = 0;
    for (size_t i = 2; i + 1 < f.size(); ++i) sum += f[i];
    if ((sum & 0x7F) != f.back()) return false;
    if (number) *number = f[4] * 128 + f[5];
    return true;
}

CameraState factoryState(Model model, int dumpPackets) {
    CameraState s;
    s.value02[0x11] = 1;  // iris auto
    s.value02[0x12] = 1;  // white balance ATW
    s.value02[0x13] = 1;  // AGC 10dB
    s.value02[0x22] = 1;  // variable pan/tilt speed on
    s.value02[0x4B] = 1;  // patrol key: patrol
    s.value03[0x00] = 128;
    s.value03[0x03] = 512;
    s.value03[0x04] = 3200;
    s.value03[0x05] = 1600;
    for (uint8_t c : {0x06, 0x10, 0x14, 0x3A, 0x3B, 0x3D, 0x3E}) s.value03[c] = 128;
    s.title = model == Model::DX410 ? "DX-410" : "DX-430";
    for (int p = 0; p < 100; ++p) s.presets[p] = factoryPreset(p);
    dumpPackets = std::clamp(dumpPackets, 1, 16384);
    for (int k = 0; k < dumpPackets; ++k) s.memory.push_back(packetFrame(k, factoryPacketData(model, k)));
    return s;
}

namespace detail {

std::string toText(const Bytes& bytes) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ":%02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

bool fromText(const std::string& text, Bytes* out) {
    out->clear();
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    if (text.empty() || (text.size() + 1) % 3 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 3) {
        int h = hex(text[i]), l = hex(text[i + 1]);
        if (h < 0 || l < 0 || (i + 2 < text.size() && text[i + 2] != ':')) return false;
        out->push_back(static_cast<uint8_t>(h * 16 + l));
    }
    return true;
}

Camera::Camera(Model model, int dumpPackets, bool honourCharacterCodeSet)
    : state(factoryState(model, dumpPackets)),
      model_(model),
      dumpPackets_(std::clamp(dumpPackets, 1, 16384)),
      honour_(honourCharacterCodeSet) {}

void Camera::resetToFactory() {
    state = factoryState(model_, dumpPackets_);
    for (double& f : frac_) f = 0;
}

void Camera::replaceState(const CameraState& s, Clock::time_point now) {
    state = s;
    for (int a = 0; a < 5; ++a) {
        frac_[a] = 0;
        last_[a] = now;
    }
}

bool Camera::knownValue02(uint8_t code) const {
    switch (code) {
    case 0x00: case 0x0B: case 0x0D: case 0x11: case 0x12: case 0x13: case 0x14: case 0x15:
    case 0x19: case 0x22: case 0x25: case 0x26: case 0x49: case 0x4A: case 0x4B:
        return true;
    case 0x0E: case 0x47: case 0x48:  // ALC priority, IR and B&W: the 430 only
        return model_ == Model::DX430;
    default:
        return false;
    }
}

bool Camera::knownValue03(uint8_t code) const {
    switch (code) {
    case 0x00: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x10: case 0x14:
    case 0x3A: case 0x3D: case 0x3E:
        return true;
    case 0x3B:
        return model_ == Model::DX430;
    default:
        return false;
    }
}

void Camera::advance(Clock::time_point now) {
    for (int a = 0; a < 5; ++a) {
        if (state.motion[a] == 0) {
            last_[a] = now;
            continue;
        }
        int b = state.motionSpeed[a];
        double rate;  // units per second
        if (a < 2)
            rate = 200.0 * (1 + (b >= 0x10 ? std::min((b - 0x10) / 2, 7) : 0));
        else if (a < 4)
            rate = 100.0 * (1 + std::min(b, 3));
        else
            rate = 64.0;
        double dt = std::chrono::duration<double>(now - last_[a]).count();
        last_[a] = now;
        frac_[a] += state.motion[a] * rate * dt;
        double whole = std::trunc(frac_[a]);
        frac_[a] -= whole;
        int& pos = state.value03[kAxisCode[a]];
        long next = pos + static_cast<long>(whole);
        if (next <= 0 || next >= kAxisMax[a]) frac_[a] = 0;
        pos = static_cast<int>(std::clamp<long>(next, 0, kAxisMax[a]));
    }
}

void Camera::startMotion(int axis, int dir, int speedByte, Clock::time_point now) {
    state.motion[axis] = dir;
    state.motionSpeed[axis] = speedByte;
    frac_[axis] = 0;
    last_[axis] = now;
}

void Camera::stopMotion(int axis, Clock::time_point) {
    state.motion[axis] = 0;
    state.motionSpeed[axis] = 0;
    frac_[axis] = 0;
}

void Camera::recallPreset(int p) {
    const PresetData& d = state.presets[p];
    state.value03[0x04] = d.pan;
    state.value03[0x05] = d.tilt;
    state.value02[0x11] = d.irisMode;
    state.value02[0x12] = d.whiteBalance;
    state.value02[0x15] = d.blcArea;
    state.value03[0x06] = d.wbRB;
    state.value03[0x14] = d.wbMgG;
}

void Camera::storePreset(int p) {
    PresetData& d = state.presets[p];
    d.pan = state.value03[0x04];
    d.tilt = state.value03[0x05];
    d.irisMode = state.value02[0x11];
    d.whiteBalance = state.value02[0x12];
    d.blcArea = state.value02[0x15];
    d.wbRB = state.value03[0x06];
    d.wbMgG = state.value03[0x14];
}

Answer Camera::handle(const Bytes& f, Clock::time_point now) {
    if (state.uploading && now - uploadSeen_ > kUploadIdle) state.uploading = false;  // old memory kept
    Answer a = handleFrame(f, now);
    if (state.uploading) uploadSeen_ = now;
    return a;
}

Answer Camera::handleFrame(const Bytes& f, Clock::time_point now) {
    advance(now);
    if (f.size() < 3) return {};
    const bool isLong = f[0] == 0x8F;
    if (isLong && f.size() < 4) return {};
    const uint8_t group = isLong ? f[2] : f[1];
    const uint8_t code = isLong ? f[3] : f[2];
    const size_t argc = f.size() - (isLong ? 4 : 3);

    switch (group) {
    case 0x02:
    case 0x03:
    case 0x06:
    case 0x0B:
        if (isLong || argc != 0) return {};
        return handleQuery(group, code);
    case 0x0A:
        return handlePacketRead(f);
    case 0x42:
        return handleValue02Set(f);
    case 0x43:
        return handleValue03Set(f);
    case 0x45:
        return handleTrigger(f, now);
    case 0x46:
        return handleString(f);
    case 0x4A:
        return handlePacketWrite(f);
    case 0x4B:
        return handleTransferSet(f);
    default:
        return {};
    }
}

Answer Camera::handleQuery(uint8_t group, uint8_t code) {
    Answer a{true, true, {}};
    switch (group) {
    case 0x02:
        if (!knownValue02(code)) return {};
        a.reply = valueFrame(0x42, code, code == 0x00 ? state.selectedPreset : state.value02[code]);
        return a;
    case 0x03:
        if (!knownValue03(code)) return {};
        a.reply = valueFrame(0x43, code, state.value03[code]);
        return a;
    case 0x06:
        if (code == 0x00)
            a.reply = titleReply(code, state.title);
        else if (code == 0x02)
            a.reply = titleReply(code, state.presetTitles[state.selectedPreset]);
        else
            return {};
        return a;
    case 0x0B: {
        int v;
        switch (code) {
        case 0x01: v = state.uploading ? 0 : 1; break;
        case 0x04: v = static_cast<int>(state.memory.size()) - 1; break;
        case 0x05: v = 10; break;  // seconds the camera waits between packets
        case 0x06:
            v = state.uploading && (state.checksumError || state.uploaded.size() != state.memory.size()) ? 1 : 0;
            break;
        default: return {};
        }
        if (v < 0) {
            a.reply = {0x82, 0x4B, code};
        } else {
            a.reply = valueFrame(0x4B, code, v);
        }
        return a;
    }
    default:
        return {};
    }
}

Bytes Camera::titleReply(uint8_t code, const std::string& title) const {
    // Both forms are long frames: a short frame's third byte is the item
    // code, which would hide the 46 that marks the one-field form.
    Bytes r{0x8F, 0, 0x06, code};
    if (honour_ && state.characterCodeSetB) {
        r[2] = 0x46;
        for (unsigned char c : title) r.push_back(static_cast<uint8_t>((c - 32) & 0x7F));
    } else {
        for (unsigned char c : title) {
            r.push_back(static_cast<uint8_t>(c >> 4));
            r.push_back(static_cast<uint8_t>(c & 0x0F));
        }
    }
    r[1] = static_cast<uint8_t>(r.size() - 1);
    return r;
}

Answer Camera::handleValue02Set(const Bytes& f) {
    if (f.size() != 4 || f[0] != 0x83 || f[3] > 0x7F || !knownValue02(f[2])) return {};
    const uint8_t code = f[2];
    const int v = f[3];
    if (code == 0x00) {
        if (v > 99) return {};
        state.selectedPreset = v;
        // going to a preset ends a manual pan or tilt
        state.motion[0] = state.motion[1] = 0;
        recallPreset(v);
    } else {
        state.value02[code] = v;
    }
    return {true, false, {}};
}

Answer Camera::handleValue03Set(const Bytes& f) {
    int v;
    if (f.size() == 4 && f[0] == 0x83 && f[3] <= 0x7F)
        v = f[3];
    else if (f.size() == 5 && f[0] == 0x84 && f[3] <= 0x7F && f[4] <= 0x7F)
        v = f[3] * 128 + f[4];
    else
        return {};
    const uint8_t code = f[2];
    if (!knownValue03(code)) return {};
    if (int a = axisOfCode(code); a >= 0) {
        state.motion[a] = 0;
        frac_[a] = 0;
        v = std::min(v, kAxisMax[a]);
    }
    state.value03[code] = v;
    return {true, false, {}};
}

Answer Camera::handleTrigger(const Bytes& f, Clock::time_point now) {
    if (f[0] == 0x8F) return {};
    const uint8_t code = f[2];
    const bool hasArg = f.size() == 4;
    if (f.size() > 4 || (hasArg && f[3] > 0x7F)) return {};
    const int arg = hasArg ? f[3] : -1;
    const Answer ok{true, false, {}};

    struct Move {
        uint8_t code;
        int axis, dir;
        bool speed;
    };
    static constexpr Move moves[] = {
        {0x00, 0, +1, true}, {0x01, 0, -1, true},   // pan right, left
        {0x03, 1, -1, true}, {0x04, 1, +1, true},   // tilt up, down
        {0x06, 4, +1, false}, {0x07, 4, -1, false}, // iris open, close
        {0x09, 3, +1, true}, {0x0A, 3, -1, true},   // focus far, near
        {0x0C, 2, +1, true}, {0x0D, 2, -1, true},   // zoom tele, wide
    };
    for (const Move& m : moves) {
        if (m.code != code) continue;
        if (hasArg != m.speed) return {};
        startMotion(m.axis, m.dir, m.speed ? arg : 0, now);
        return ok;
    }
    struct Stop {
        uint8_t code;
        int axis;
    };
    static constexpr Stop stops[] = {{0x02, 0}, {0x05, 1}, {0x08, 4}, {0x0B, 3}, {0x0E, 2}};
    for (const Stop& s : stops) {
        if (s.code != code) continue;
        if (hasArg) return {};
        stopMotion(s.axis, now);
        return ok;
    }

    switch (code) {
    case 0x0F:
        if (hasArg) return {};
        for (int a = 0; a < 5; ++a) stopMotion(a, now);
        return ok;
    case 0x16:
        if (arg == 0x01)
            storePreset(state.selectedPreset);
        else if (arg != 0x00)
            return {};
        ++state.enterCount;
        return ok;
    case 0x1F:
        if (hasArg) return {};
        ++state.onePushCount;
        return ok;
    case 0x29:
        if (hasArg) return {};
        state.menuOn = !state.menuOn;
        return ok;
    case 0x2A:
        if (hasArg) return {};
        ++state.setCount;
        return ok;
    case 0x30:
        if (arg != 0x00 && arg != 0x01) return {};
        state.characterCodeSetB = arg == 0x01;
        return ok;
    case 0x31:
        if (arg < 0 || arg > 99) return {};
        state.presets[arg] = factoryPreset(arg);
        state.presetTitles[arg].clear();
        ++state.presetResetCount;
        return ok;
    case 0x32: {
        if (arg != 0x00 && arg != 0x01) return {};
        CameraState old = std::move(state);
        resetToFactory();
        state.enterCount = old.enterCount;
        state.allClearCount = old.allClearCount + 1;
        state.setCount = old.setCount;
        state.onePushCount = old.onePushCount;
        state.presetResetCount = old.presetResetCount;
        if (arg == 0x01) {
            state.title = old.title;
            for (int p = 0; p < 100; ++p) {
                state.presetTitles[p] = old.presetTitles[p];
                state.presets[p] = old.presets[p];
            }
        }
        return ok;
    }
    default:
        return {};
    }
}

Answer Camera::handleString(const Bytes& f) {
    const bool isLong = f[0] == 0x8F;
    const uint8_t code = isLong ? f[3] : f[2];
    const size_t first = isLong ? 4 : 3;
    std::string text;
    for (size_t i = first; i < f.size(); ++i) {
        if (f[i] < 0x20 || f[i] > 0x7E) return {};
        text += static_cast<char>(f[i]);
    }
    if (code == 0x00) {
        if (text.size() > kCameraTitleMax) return {};
        state.title = text;
    } else if (code == 0x02) {
        if (text.size() > kPositionTitleMax) return {};
        state.presetTitles[state.selectedPreset] = text;
    } else {
        return {};
    }
    return {true, false, {}};
}

Answer Camera::handleTransferSet(const Bytes& f) {
    if (f.size() != 4 || f[0] != 0x83 || f[3] != 0x00) return {};
    if (f[2] == 0x02) {
        state.uploading = true;
        state.uploadEnded = false;
        state.uploaded.clear();
        state.checksumError = false;
        return {true, false, {}};
    }
    if (f[2] == 0x03) {
        if (!state.uploading) return {};
        state.uploading = false;
        // a failed upload leaves the old memory in place and says so
        if (state.checksumError || state.uploaded.size() != state.memory.size()) return {};
        state.memory = state.uploaded;
        state.uploadEnded = true;
        return {true, false, {}};
    }
    return {};
}

Answer Camera::handlePacketRead(const Bytes& f) {
    if (f.size() != 5 || f[0] != 0x84 || f[2] != 0x00 || f[3] > 0x7F || f[4] > 0x7F) return {};
    size_t n = f[3] * 128u + f[4];
    Answer a{true, true, {}};
    if (n >= state.memory.size() || !fromText(state.memory[n], &a.reply)) return {};
    return a;
}

Answer Camera::handlePacketWrite(const Bytes& f) {
    if (!state.uploading || f[0] != 0x8F) return {};
    std::string text = toText(f);
    int number = -1;
    if (!checkPacketFrame(text, &number) || number != static_cast<int>(state.uploaded.size()))
        state.checksumError = true;
    state.uploaded.push_back(text);
    return {true, false, {}};
}

}  // namespace detail
}  // namespace dxsim
