#include "Wait.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace dxlink::detail {

namespace {

struct PumpHook {
    void (*pump)(void*) = nullptr;
    void* context = nullptr;
    int64_t lastRun = 0;  // us, monotonic
};

PumpHook& Hook() {
    static PumpHook hook;
    return hook;
}

}  // namespace

int64_t NowMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + int64_t(ts.tv_nsec) / 1000;
}

uint32_t GetTickCount() { return static_cast<uint32_t>(NowMicros() / 1000); }

void SetEventPump(void (*pump)(void*), void* context) {
    Hook().pump = pump;
    Hook().context = pump ? context : nullptr;
}

bool HasEventPump() { return Hook().pump != nullptr; }

void RunEventPump() {
    PumpHook hook = Hook();  // the pump may replace itself
    if (hook.pump) hook.pump(hook.context);
    // counted from its end, so a slow pump still leaves the wait its slice
    Hook().lastRun = NowMicros();
}

namespace {

constexpr int64_t kSliceUs = 10000;

// The host's pump runs about every 10 ms however the waits are cut: more
// often would only cost (each run may repaint), less would leave the host
// without repaint and Cancel, also while replies keep arriving.
int64_t MicrosUntilPumpDue(int64_t now) { return std::max<int64_t>(0, Hook().lastRun + kSliceUs - now); }

void RunEventPumpIfDue() {
    if (MicrosUntilPumpDue(NowMicros()) == 0) RunEventPump();
}

}  // namespace

WaitResult WaitOn(int fd, short events, int ms, bool pump) {
    return WaitOnMicros(fd, events, ms < 0 ? -1 : int64_t(ms) * 1000, pump);
}

WaitResult WaitOnMicros(int fd, short events, int64_t us, bool pump) {
    const bool slicing = pump && HasEventPump();
    const int64_t deadline = us >= 0 ? NowMicros() + us : 0;
    for (;;) {
        const int64_t now = NowMicros();
        int64_t remaining = -1;
        if (us >= 0) remaining = std::max<int64_t>(0, deadline - now);
        int64_t slice = remaining;
        if (slicing) {
            const int64_t due = MicrosUntilPumpDue(now);
            if (slice < 0 || slice > due) slice = due;
        }

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
        if (slicing) RunEventPumpIfDue();
        if (remaining == 0 || (us >= 0 && NowMicros() >= deadline)) return WaitResult::TimedOut;
    }
}

}  // namespace dxlink::detail
