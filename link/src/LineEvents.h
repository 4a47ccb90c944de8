// Line errors and modem-line changes as the kernel reports them, and the
// notifications they give.
#pragma once

#include <cstdint>
#include <vector>

namespace dxlink::detail {

struct LineSample {
    // Counters of the driver (TIOCGICOUNT); a pty and many USB adapters
    // have none.
    bool haveCounts = false;
    int brk = 0, frame = 0, overrun = 0, bufOverrun = 0, parity = 0;
    int cts = 0, dsr = 0, dcd = 0, rng = 0;
    // Modem input lines (TIOCMGET), TIOCM_* bits.
    bool haveLines = false;
    int lines = 0;
};

// Notification codes for what changed between two samples, in a fixed
// order: break, framing, overrun, queue overflow, parity, CTS, DSR, CD, RI.
// Each kind is reported once however many times it happened in between.
std::vector<int16_t> LineEventsBetween(const LineSample& before, const LineSample& now);

// Reads into s the parts the device has (with probe: tries both, and the
// parts it cannot read stay unset). A read that fails later leaves that
// part as it was, so a glitch neither loses nor invents a change.
void SampleLine(int fd, LineSample& s, bool probe);

}  // namespace dxlink::detail
