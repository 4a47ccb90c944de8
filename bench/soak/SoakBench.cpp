// Throughput and soak of the command layer over the real link against the
// simulated camera. Built, not run by CTest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "../common/QuietView.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using dxsim::Fault;

namespace {

constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;
const std::string kSet = "83:42:12:01";       // 4 bytes, answered A0
const std::string kQuery = "82:03:04";        // 3 bytes, answered A0 + 84:43:04:hh:ll, then our A0
const std::string kTitle = "86:46:00:53:4F:41:4B";

using View = dxbench::QuietView;

struct Dialogs : dxcmd::IDialogs {
    int shown = 0;
    dxcmd::Answer message(const std::string&, const std::string&, dxcmd::Icon, dxcmd::Buttons,
                          dxcmd::Answer) override {
        ++shown;
        return dxcmd::Answer::Ok;
    }
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override { return std::nullopt; }
};

struct Rig {
    dxsim::CameraSim sim;
    dxcmd::ProgramState state;
    View view;
    Dialogs dialogs;
    dxcmd::CommandLayer layer;
    // frames seen and answers written by the simulator, for waiting until it is idle
    std::mutex mu;
    std::condition_variable cv;
    size_t commands = 0, answers = 0;

    Rig(dxsim::Options o, int16_t timeoutMs)
        : sim(o), layer(state, view, dialogs, [timeoutMs] {
              auto* l = dxlink_create();
              if (timeoutMs > 0) l->put_SerialTimeout(timeoutMs);
              return l;
          }) {
        sim.setTrace([this](bool sent, const std::string& text) {
            std::lock_guard lk(mu);
            if (sent) ++answers;
            else if (text != "A0") ++commands;
            cv.notify_all();
        });
        if (!sim.start()) std::abort();
        ::setenv("DX410_COM1", sim.devicePath().c_str(), 1);
    }
    // Waits (bounded) until the simulator has seen `sent` commands and dealt with each.
    bool idle(size_t sent, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        std::unique_lock lk(mu);
        for (;;) {
            size_t swallowed = 0;
            for (auto& f : sim.faultsMet()) swallowed += f.second == Fault::NoReply;
            if (commands >= sent && answers + swallowed >= sent) return true;
            if (Clock::now() >= end) return false;
            cv.wait_for(lk, 5ms);  // a swallowed command writes nothing to wake us
        }
    }
};

void Report(benchmark::State& st, double lineMs, double simMs, Clock::duration total) {
    const double ms = std::chrono::duration<double, std::milli>(total).count() / double(st.iterations());
    st.counters["exchanges_per_s"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
    st.counters["ms_per_exchange"] = ms;
    st.counters["line_ms"] = lineMs;         // every byte at 9600 baud, 11 bits, plus turnaround
    st.counters["sim_paced_ms"] = simMs;     // what the pty really paces: the camera's bytes
    st.counters["overhead_ms"] = ms - lineMs;
}

void BM_ExecCmdSet(benchmark::State& st) {
    Rig rig({}, 0);
    const auto t0 = Clock::now();
    for (auto _ : st)
        if (rig.layer.ExecCmd(kSet, "A0", "", "") != 0) st.SkipWithError("set command failed");
    Report(st, (4 + 1) * kByteMs + 2, 1 * kByteMs + 2, Clock::now() - t0);
}
BENCHMARK(BM_ExecCmdSet)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_QueryValue03(benchmark::State& st) {
    Rig rig({}, 0);
    const auto t0 = Clock::now();
    for (auto _ : st) {
        rig.layer.QueryCamera(kQuery);
        if (rig.state.LastReply != "84:43:04:19:00") st.SkipWithError(("reply " + rig.state.LastReply).c_str());
    }
    Report(st, (3 + 6 + 1) * kByteMs + 2, 6 * kByteMs + 2, Clock::now() - t0);
}
BENCHMARK(BM_QueryValue03)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Aborts with a plain message when one exchange outlives any sane bound.
struct Watchdog {
    std::atomic<int64_t> startedMs{-1};
    std::atomic<bool> done{false};
    std::thread t{[this] {
        while (!done) {
            std::this_thread::sleep_for(100ms);
            const int64_t s = startedMs;
            const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
            if (s >= 0 && now - s > 10000) {
                std::fprintf(stderr, "HANG: one exchange has run for %lld ms\n", (long long)(now - s));
                std::abort();
            }
        }
    }};
    ~Watchdog() { done = true; t.join(); }
};

void BM_Soak(benchmark::State& st) {
    constexpr int16_t kTimeout = 300;
    constexpr int kExchanges = 300;
    constexpr uint32_t kSeed = 410;
    dxsim::Options o;
    o.lateMs = 700;  // past the time-out, short enough to soak quickly
    Rig rig(o, kTimeout);
    Watchdog dog;
    std::map<std::string, int> outcomes, faultsBy;
    int misclassified = 0, overBound = 0, recoveries = 0, recoveryFailed = 0, sent = 0, notIdle = 0;
    double worstMs = 0;
    std::string worstWhat;
    int v = 0;

    // One exchange through the layer; returns its outcome text and the faults it met.
    auto run = [&](int kind, std::vector<Fault>& met) {
        const size_t before = rig.sim.faultsMet().size();
        dog.startedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
        const auto t0 = Clock::now();
        std::string out;
        v ^= 1;
        const std::string set = "83:42:12:0" + std::to_string(v);
        if (kind == 0) {
            out = "cmd " + std::to_string(rig.layer.ExecCmd(set, "A0", "", ""));
        } else if (kind == 1) {
            try {
                rig.state.LastReply.clear();
                rig.layer.QueryCamera(kQuery);
                out = rig.state.LastReply == "NL" ? "query NL"
                      : rig.state.LastReply == "84:43:04:19:00" ? "query ok" : "query WRONG " + rig.state.LastReply;
            } catch (const dxcmd::BadReplyError& e) {
                out = "query " + std::to_string(e.code());
            }
        } else {
            out = "send " + std::to_string(rig.layer.ExecSend(kTitle, "", ""));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        dog.startedMs = -1;
        ++sent;
        if (!rig.idle(size_t(sent), 3s)) ++notIdle;
        const auto all = rig.sim.faultsMet();
        for (size_t i = before; i < all.size(); ++i) met.push_back(all[i].second);
        if (ms > worstMs) worstMs = ms, worstWhat = out;
        if (ms > kTimeout + 100) {
            ++overBound;
            std::printf("  over bound: %s took %.1f ms\n", out.c_str(), ms);
        }
        // A success the camera cannot have given: swallowed, refused, late, or a spoilt reply.
        const bool ok = out == "cmd 0" || out == "query ok";
        for (Fault f : met) {
            const bool spoils = f == Fault::NoReply || f == Fault::WrongAck || f == Fault::Late ||
                                (kind == 1 && (f == Fault::BadFirstByte || f == Fault::Truncated));
            if (ok && spoils) {
                ++misclassified;
                std::printf("  MISCLASSIFIED: %s with fault %d, reply '%s'\n", out.c_str(), int(f),
                            kind == 1 ? rig.state.LastReply.c_str() : "");
            }
        }
        if (out == "cmd 0" && rig.sim.state().value02[0x12] != v) {
            ++misclassified;
            std::printf("  MISCLASSIFIED: cmd 0 but the camera holds %d\n", rig.sim.state().value02[0x12]);
        }
        if (out.starts_with("query WRONG")) {
            ++misclassified;
            std::printf("  MISCLASSIFIED: %s taken as a good reply after %.1f ms\n", out.c_str(), ms);
        }
        return out;
    };

    static const char* kFaultName[] = {"None", "NoReply", "WrongAck", "BadFirstByte", "Truncated",
                                       "NoiseBefore", "Late", "HangUp"};
    for (auto _ : st) {
        rig.sim.setFaultRate(0.2, kSeed);
        for (int i = 0; i < kExchanges; ++i) {
            std::vector<Fault> met;
            const int kind = i % 3;
            const std::string out = run(kind, met);
            ++outcomes[out];
            for (Fault f : met) ++faultsBy[out + " <- " + kFaultName[int(f)]];
            if (met.empty()) continue;
            rig.sim.setFaultRate(0, 0);
            std::vector<Fault> none;
            ++recoveries;
            const std::string again = run(0, none);
            if (again != "cmd 0") {
                ++recoveryFailed;
                std::printf("  no recovery after %s: %s\n", out.c_str(), again.c_str());
            }
            rig.sim.setFaultRate(0.2, kSeed + uint32_t(i) + 1);
        }
    }
    // A title frame's A0 comes after ExecSend has closed the port; the next
    // exchange must not take it for its own answer.
    int staleAcks = 0;
    rig.sim.setFaultRate(0, 0);
    for (int i = 0; i < 20; ++i) {
        auto cam = rig.sim.state();
        cam.value02[0x12] = 0;
        rig.sim.setState(cam);
        rig.sim.injectFault("83:42:12", Fault::NoReply);
        rig.layer.ExecSend(kTitle, "", "");
        const int16_t rc = rig.layer.ExecCmd(kSet, "A0", "", "");
        sent += 2;
        if (!rig.idle(size_t(sent), 3s)) ++notIdle;
        const auto met = rig.sim.faultsMet();
        if (rc == 0 && rig.sim.state().value02[0x12] == 0 && met.back().second == Fault::NoReply &&
            met.back().first == kSet)
            ++staleAcks;
    }
    misclassified += staleAcks;
    std::printf("soak: ExecSend then a swallowed ExecCmd at once, 20 times: %d reported success\n", staleAcks);
    std::printf("soak: %d exchanges (timeout %d ms, fault rate 0.2, seed %u)\n", sent, kTimeout, kSeed);
    for (auto& [k, n] : outcomes) std::printf("  outcome %-16s %4d\n", k.c_str(), n);
    for (auto& [k, n] : faultsBy) std::printf("  fault   %-28s %4d\n", k.c_str(), n);
    std::printf("  worst exchange %.1f ms (%s); over %d ms: %d; misclassified: %d; recoveries %d, failed %d; "
                "sim not idle: %d; dialogs %d\n",
                worstMs, worstWhat.c_str(), kTimeout + 100, overBound, misclassified, recoveries, recoveryFailed,
                notIdle, rig.dialogs.shown);
    st.counters["worst_ms"] = worstMs;
    st.counters["over_bound"] = overBound;
    st.counters["misclassified"] = misclassified;
    st.counters["recovery_failed"] = recoveryFailed;
    if (misclassified || overBound || recoveryFailed) st.SkipWithError("soak found faults, see above");
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
