// Clock and blocking waits shared by the channel and the link object.
#pragma once

#include <cstdint>

namespace dxlink::detail {

// Milliseconds since an arbitrary start, monotonic, wrapping at 32 bits.
uint32_t GetTickCount();

// Microseconds since an arbitrary start, monotonic.
int64_t NowMicros();

// Milliseconds from start to now, correct across the 32-bit wrap.
inline uint32_t TicksSince(uint32_t start) { return GetTickCount() - start; }

void SetEventPump(void (*pump)(void*), void* context);
bool HasEventPump();
void RunEventPump();

enum class WaitResult { Ready, TimedOut, Hangup };

// Blocks in poll() on fd (or on nothing when fd < 0) for up to ms
// milliseconds (ms < 0: no limit). With pumping on and a pump installed the
// wait is cut into slices of about 10 ms and the pump runs between them, so
// the host stays live; otherwise one poll covers the whole time.
WaitResult WaitOn(int fd, short events, int ms, bool pump);
// The same to the microsecond (us < 0: no limit), for waits of a few
// character times that whole milliseconds would stretch by half.
WaitResult WaitOnMicros(int fd, short events, int64_t us, bool pump);

}  // namespace dxlink::detail
