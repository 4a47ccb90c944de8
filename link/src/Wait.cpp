#include "Wait.h"

#include <poll.h>
#include <time.h>

#include <cerrno>

namespace dxlink::detail {

namespace {

constexpr int kSliceMs = 10;

struct PumpHook {
    void (*pump)(void*) = nullptr;
    void* context = nullptr;
    uint64_t lastRun = 0;  // ms, monotonic
};

PumpHook& Hook() {
    static PumpHook hook;
    return hook;
}

uint64_t NowUs64() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

uint64_t NowMs64() { return NowUs64() / 1000u; }

}  // namespace

uint32_t GetTickCount() { return static_cast<uint32_t>(NowMs64()); }

void SetEventPump(void (*pump)(void*), void* context) {
    Hook().pump = pump;
    Hook().context = pump ? context : nullptr;
}

bool HasEventPump() { return Hook().pump != nullptr; }

void RunEventPump() {
    Hook().lastRun = NowMs64();
    PumpHook hook = Hook();  // the pump may replace itself
    if (hook.pump) hook.pump(hook.context);
}

namespace {

// Replies that keep arriving within a slice would otherwise starve the host:
// no repaint, no Cancel, for a whole bulk transfer.
void RunEventPumpIfDue() {
    if (NowMs64() - Hook().lastRun >= uint64_t(kSliceMs)) RunEventPump();
}

}  // namespace

WaitResult WaitOn(int fd, short events, int ms, bool pump) {
    return WaitOnMicros(fd, events, ms < 0 ? -1 : int64_t(ms) * 1000, pump);
}

WaitResult WaitOnMicros(int fd, short events, int64_t us, bool pump) {
    const bool slicing = pump && HasEventPump();
    const uint64_t deadline = us >= 0 ? NowUs64() + uint64_t(us) : 0;
    for (;;) {
        int64_t remaining = -1;
        if (us >= 0) {
            const uint64_t now = NowUs64();
            remaining = now >= deadline ? 0 : int64_t(deadline - now);
        }
        int64_t slice = remaining;
        if (slicing && (slice < 0 || slice > kSliceMs * 1000)) slice = kSliceMs * 1000;

        const timespec ts{time_t(slice / 1000000), long(slice % 1000000) * 1000};
        pollfd p{fd, events, 0};
        const int r = ppoll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, slice < 0 ? nullptr : &ts, nullptr);
        if (r > 0) {
            // A hung-up device stays readable for ever; never spin on it.
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return WaitResult::Hangup;
            if (p.revents & events) {
                if (slicing) RunEventPumpIfDue();
                return WaitResult::Ready;
            }
        } else if (r < 0 && errno != EINTR) {
            return WaitResult::Hangup;
        }
        if (slicing) RunEventPump();
        if (remaining == 0) return WaitResult::TimedOut;
    }
}

}  // namespace dxlink::detail
