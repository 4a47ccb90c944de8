// The dump download and upload against the simulated camera at the real
// line rate: wall time against the line time of the bytes exchanged (both
// directions, 11 bits a byte at 9600 baud), and the CPU the job's thread
// spends. Built, not run by CTest.
//
//   dxdump_bench [--packets N] [--turnaround MS] [--runs N] [--pump]
//
// --pump installs an event pump, as the console does, so the link waits in
// slices of 10 ms.
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "../common/QuietView.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"
#include "dxtransfer/Jobs.h"

namespace {

using namespace dxtransfer;
constexpr double kByteSeconds = 11.0 / 9600.0;
constexpr double kLimit = 1.2;

using View = dxbench::QuietView;

// Any box is a failed run.
struct Dialogs : dxcmd::IDialogs {
    int shown = 0;
    dxcmd::Answer message(const std::string& text, const std::string&, dxcmd::Icon, dxcmd::Buttons,
                          dxcmd::Answer) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        ++shown;
        return dxcmd::Answer::Ok;
    }
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override { return std::nullopt; }
};

struct NoConsole : IConsoleValues {
    void setSlider(Slider, int) override {}
    void setListIndex(List, int) override {}
    void selectOption(OptionGroup, int) override {}
    void setCheck(Check, int) override {}
    void setCameraTitle(const std::string&) override {}
    int presetRows() const override { return 0; }
    std::string presetRowText(int) const override { return {}; }
    void setPresetTitle(int, const std::string&) override {}
    void setPresetState(int, const std::string&) override {}
    int selectedPresetRow() const override { return -1; }
    bool isDX430() const override { return true; }
};

struct Bar : IProgress {
    int v = 0;
    int value() const override { return v; }
    void setValue(int x) override { v = x; }
};

double seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double processCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void noPump(void*) {}

}  // namespace

int main(int argc, char** argv) {
    dxsim::Options o;  // paced, the simulator's own turnaround
    int runs = 3;
    bool pump = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--packets" && more) o.dumpPackets = std::atoi(argv[++i]);
        else if (a == "--turnaround" && more) o.turnaroundMs = std::atoi(argv[++i]);
        else if (a == "--runs" && more) runs = std::atoi(argv[++i]);
        else if (a == "--pump") pump = true;
        else {
            std::fprintf(stderr, "usage: %s [--packets N] [--turnaround MS] [--runs N] [--pump]\n", argv[0]);
            return 2;
        }
    }

    dxsim::CameraSim sim(o);
    std::atomic<long> bytes{0};
    sim.setTrace([&](bool, const std::string& text) { bytes += long(text.size() + 1) / 3; });
    if (!sim.start()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 1;
    }
    ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
    if (pump) dxlink_set_event_pump(&noPump, nullptr);

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "dxdump_bench";
    std::filesystem::create_directories(dir);
    dxcmd::ProgramState state;
    state.CurrentFile = (dir / "current.orn").string();
    state.DumpFilePath = (dir / "bench.dmp").string();
    View view;
    Dialogs dialogs;
    dxcmd::CommandLayer layer(state, view, dialogs, [] { return dxlink_create(); });
    NoConsole console;

    std::printf("%d packets, turnaround %d ms, %s\n", o.dumpPackets, o.turnaroundMs,
                pump ? "event pump (10 ms slices)" : "no event pump");
    std::printf("%-9s %7s %9s %9s %9s %10s %9s %9s\n", "job", "bytes", "line s", "limit s", "wall s", "wall/limit",
                "cpu/wall", "proc/wall");
    int failed = 0;
    for (int r = 0; r < runs; ++r) {
        for (JobRoutine job : {&Dump64Download, &Dump64Upload}) {
            Bar bar;
            JobEnv env{layer, console, bar};
            bytes = 0;
            const int boxes = dialogs.shown;
            const double w0 = seconds(CLOCK_MONOTONIC), c0 = seconds(CLOCK_THREAD_CPUTIME_ID), p0 = processCpu();
            job(env);
            const double wall = seconds(CLOCK_MONOTONIC) - w0;
            const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID) - c0, proc = processCpu() - p0;
            // the last A0 may still be on its way into the simulator's count
            while (sim.waitForFrames(sim.received().size() + 1, std::chrono::milliseconds(20))) {
            }
            const double line = double(bytes) * kByteSeconds, limit = kLimit * line;
            const bool ok = dialogs.shown == boxes;
            failed += ok ? 0 : 1;
            std::printf("%-9s %7ld %9.3f %9.3f %9.3f %10.3f %9.3f %9.3f%s\n",
                        job == &Dump64Download ? "download" : "upload", long(bytes), line, limit, wall, wall / limit,
                        cpu / wall, proc / wall, ok ? "" : "  FAILED");
        }
    }
    std::filesystem::remove_all(dir);
    dxlink_set_event_pump(nullptr, nullptr);
    return failed == 0 ? 0 : 1;
}
