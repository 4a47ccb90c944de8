// Exchange rate of cmd against a pty camera that acknowledges at once, and
// the CPU an idle reply wait costs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>

#include "ExComCtrl.h"
#include "PtyPeer.h"

namespace {

double ThreadCpuMs() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

void BM_CmdExchange(benchmark::State& state) {
    dxtest::PtyPeer peer;
    setenv("DX410_COM1", peer.slavePath().c_str(), 1);
    dxlink::detail::ExComCtrl link;
    link.put_SerialTimeout(1000);
    if (link.PortOpen(1, 1) != 0) {
        state.SkipWithError("port did not open");
        return;
    }
    int failed = 0;
    for (auto _ : state) {
        peer.reply(4, {{{0xA0}}});
        failed += link.cmd("83:45:00:1C", "A0") != 0;
    }
    link.PortClose();
    state.counters["exchanges/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["failed"] = failed;
}
BENCHMARK(BM_CmdExchange)->UseRealTime()->MinTime(2.0);

void BM_IdleReplyWait(benchmark::State& state) {
    dxtest::PtyPeer peer;  // never answers
    setenv("DX410_COM1", peer.slavePath().c_str(), 1);
    dxlink::detail::ExComCtrl link;
    link.put_SerialTimeout(int16_t(state.range(0)));
    if (link.PortOpen(1, 1) != 0) {
        state.SkipWithError("port did not open");
        return;
    }
    double cpu = 0;
    for (auto _ : state) {
        const double before = ThreadCpuMs();
        benchmark::DoNotOptimize(link.cmd("82:45:02", "A0"));
        cpu += ThreadCpuMs() - before;
    }
    link.PortClose();
    state.counters["cpu_ms_per_wait"] = cpu / double(state.iterations());
}
BENCHMARK(BM_IdleReplyWait)->Arg(1000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
