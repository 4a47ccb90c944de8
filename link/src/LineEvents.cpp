#include "LineEvents.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include "SerialPort.h"

namespace dxlink::detail {

std::vector<int16_t> LineEventsBetween(const LineSample& before, const LineSample& now) {
    std::vector<int16_t> out;
    const bool counts = before.haveCounts && now.haveCounts;
    const bool lines = before.haveLines && now.haveLines;
    // Counters only grow; != also holds across a wrap.
    if (counts) {
        if (now.brk != before.brk) out.push_back(kEvBreak);
        if (now.frame != before.frame) out.push_back(kEvFrame);
        if (now.overrun != before.overrun) out.push_back(kEvOverrun);
        // Our own queue never drops input (it leaves the rest in the
        // kernel), so the overflow that loses data is the kernel's.
        if (now.bufOverrun != before.bufOverrun) out.push_back(kEvRxOverflow);
        if (now.parity != before.parity) out.push_back(kEvParity);
    }
    // A counter also catches a line that changed and came back between two
    // samples.
    const auto changed = [&](int bit, int LineSample::*counter) {
        return (lines && ((now.lines ^ before.lines) & bit)) || (counts && now.*counter != before.*counter);
    };
    if (changed(TIOCM_CTS, &LineSample::cts)) out.push_back(kEvCts);
    if (changed(TIOCM_DSR, &LineSample::dsr)) out.push_back(kEvDsr);
    if (changed(TIOCM_CD, &LineSample::dcd)) out.push_back(kEvCd);
    if (changed(TIOCM_RI, &LineSample::rng)) out.push_back(kEvRing);
    return out;
}

void SampleLine(int fd, LineSample& s, bool probe) {
    serial_icounter_struct ic{};
    if ((probe || s.haveCounts) && ioctl(fd, TIOCGICOUNT, &ic) == 0) {
        s.haveCounts = true;
        s.brk = ic.brk;
        s.frame = ic.frame;
        s.overrun = ic.overrun;
        s.bufOverrun = ic.buf_overrun;
        s.parity = ic.parity;
        s.cts = ic.cts;
        s.dsr = ic.dsr;
        s.dcd = ic.dcd;
        s.rng = ic.rng;
    }
    int bits = 0;
    if ((probe || s.haveLines) && ioctl(fd, TIOCMGET, &bits) == 0) {
        s.haveLines = true;
        s.lines = bits;
    }
}

}  // namespace dxlink::detail
