// Bulk jobs through the command layer and the link against the simulated
// camera, paced both ways with no turnaround: how close each comes to the
// time its bytes need on a 9600-baud line, and what the waiting costs in CPU.
// Built, not run by CTest.
//
//   dxline_bench [--external [DXCAMSIM]] [--repeat N]
//
// By default the simulator serves from a thread of this process, so the
// process CPU includes its pacing; the host thread's CPU is shown apart.
// --external runs dxcamsim as a process of its own and counts the bytes from
// its trace.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../common/QuietView.h"
#include "dxcmd/Codec.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"
#include "dxsim/CameraSim.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;

using View = dxbench::QuietView;

// A bulk job that raises any prompt has failed.
struct Dialogs : dxcmd::IDialogs {
    int shown = 0;
    dxcmd::Answer message(const std::string& text, const std::string&, dxcmd::Icon, dxcmd::Buttons,
                          dxcmd::Answer) override {
        ++shown;
        std::fprintf(stderr, "unexpected prompt: %s\n", text.c_str());
        return dxcmd::Answer::Ok;
    }
    std::optional<std::string> openFile(const std::string&) override {
        ++shown;
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override {
        ++shown;
        return std::nullopt;
    }
};

// Bytes on the line as the simulator saw them: frames in, answers out.
struct Wire {
    std::mutex mu;
    std::condition_variable cv;
    size_t toCamera = 0, fromCamera = 0, frames = 0;

    void seen(bool sent, const std::string& text) {
        const size_t n = text.empty() ? 0 : (text.size() + 1) / 3;
        std::lock_guard lk(mu);
        (sent ? fromCamera : toCamera) += n;
        if (!sent) ++frames;
        cv.notify_all();
    }
    void reset() {
        std::lock_guard lk(mu);
        toCamera = fromCamera = frames = 0;
    }
    bool waitFrames(size_t n, std::chrono::milliseconds limit) {
        std::unique_lock lk(mu);
        return cv.wait_for(lk, limit, [&] { return frames >= n; });
    }
};

double CpuMs(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::string Hex(int v) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

std::string Title(int p) {
    char b[24];
    std::snprintf(b, sizeof b, "TITLE OF POS. %02d", p);  // 16 characters
    return b;
}

// dxcamsim as a child process; its --verbose trace feeds the wire count.
class External {
public:
    External(const std::string& program, Wire& wire) : wire_(wire) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(program.c_str(), "dxcamsim", "--turnaround", "0", "--verbose", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        fd_ = out[0];
        if (pid_ < 0) return;
        std::string line;
        if (!readLine(line, 5000) || line.rfind("dxcamsim: camera on ", 0) != 0) return;
        device_ = line.substr(20);
        reader_ = std::thread([this] {
            std::string l;
            while (readLine(l, -1))
                if (l.size() > 3 && (l[0] == '<' || l[0] == '>')) wire_.seen(l[0] == '>', l.substr(3));
        });
    }
    ~External() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        if (reader_.joinable()) reader_.join();  // ends when the child's stdout closes
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        if (fd_ >= 0) ::close(fd_);
    }
    const std::string& device() const { return device_; }

private:
    bool readLine(std::string& line, int ms) {
        line.clear();
        for (;;) {
            const size_t nl = buf_.find('\n');
            if (nl != std::string::npos) {
                line = buf_.substr(0, nl);
                buf_.erase(0, nl + 1);
                return true;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0) return false;
            char b[4096];
            const ssize_t n = ::read(fd_, b, sizeof b);
            if (n <= 0) return false;
            buf_.append(b, size_t(n));
        }
    }

    Wire& wire_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buf_, device_;
    std::thread reader_;
};

struct Result {
    const char* name;
    int exchanges;
    size_t toCamera, fromCamera;
    double wallMs, cpuMs, hostCpuMs;
    int bad;
};

class Bench {
public:
    explicit Bench(Wire& wire) : wire_(wire), layer_(state_, view_, dialogs_, [] { return dxlink_create(); }) {}

    int dialogsShown() const { return dialogs_.shown; }

    // Each preset selected, then its title written: ExecSend, whose wait
    // takes the camera's answer off the line.
    Result titleSave() {
        return measure("title save", [this] {
            for (int p = 0; p < 100; ++p) {
                std::string frame = "8F:13:46:02";
                for (char c : Title(p)) frame += ":" + Hex(c);
                cmd("83:42:00:" + dxcmd::EncodeValue(int16_t(p)));
                ++exchanges_;
                ++frames_;
                if (layer_.ExecSend(frame, "", "") != 0) ++bad_;
            }
        });
    }

    // What one exchange spends on the port besides the line: a query's
    // acknowledgement opens it a second time. -1 when an open failed.
    double openCloseMicros(int n) {
        dxlink::IExComCtrl* link = dxlink_create();
        const auto t0 = Clock::now();
        bool opened = true;
        for (int i = 0; i < n; ++i) {
            opened = link->PortOpen(1, 1) == 0 && opened;
            link->PortClose();
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
        link->Release();
        return opened ? us : -1;
    }

    Result titleLoad() {
        return measure("position titles", [this] {
            for (int p = 0; p < 100; ++p) {
                cmd("83:42:00:" + dxcmd::EncodeValue(int16_t(p)));
                // the saved title, two fields a character
                std::string want = "8F:23:06:02";
                for (char c : Title(p)) want += ":" + Hex(c >> 4) + ":" + Hex(c & 15);
                if (query("82:06:02", 200) != want) ++bad_;
            }
        });
    }

    Result cameraDataLoad() {
        static const char* const kItems[] = {"82:03:04", "82:03:05", "82:02:22", "82:02:25", "82:02:11", "82:02:14",
                                             "82:03:3A", "82:02:0B", "82:02:0D", "82:02:0E", "82:02:15", "82:02:13",
                                             "82:02:12", "82:03:06", "82:03:14", "82:02:49", "82:03:3E", "82:03:3D",
                                             "82:03:10", "82:02:48", "82:03:3B", "82:02:47"};
        return measure("camera data", [this] {
            if (query("82:06:00", 200).rfind("8F:", 0) != 0) ++bad_;
            for (const char* q : kItems) {
                const std::string r = query(q, 0);
                if (r.size() < 8 || r.substr(6, 2) != std::string(q).substr(6, 2)) ++bad_;
            }
        });
    }

    Result memoryDump() {
        return measure("memory dump", [this] {
            for (int k = 0; k < 64; ++k) {
                const std::string r = query("84:0A:00:00:" + Hex(k), 200);
                if (r.rfind("8F:16:4A:00:00:" + Hex(k), 0) != 0 || r.size() != 23 * 3 - 1) ++bad_;
            }
        });
    }

private:
    void cmd(const std::string& c) {
        ++exchanges_;
        ++frames_;
        if (layer_.ExecCmd(c, "A0", "", "") != 0) ++bad_;
    }
    std::string query(const std::string& c, int16_t wait) {
        ++exchanges_;
        try {
            std::string r = layer_.ExecCmdRecv(c, "A0", wait);
            frames_ += r == "NL" ? 1 : 2;  // a good reply is acknowledged
            if (r == "NL") ++bad_;
            return r;
        } catch (const dxcmd::BadReplyError& e) {
            ++frames_;
            ++bad_;
            return e.reply();
        }
    }

    Result measure(const char* name, const std::function<void()>& job) {
        wire_.reset();
        exchanges_ = 0;
        frames_ = 0;
        bad_ = 0;
        const double cpu0 = CpuMs(CLOCK_PROCESS_CPUTIME_ID), host0 = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        const auto t0 = Clock::now();
        job();
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const double cpu = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0, host = CpuMs(CLOCK_THREAD_CPUTIME_ID) - host0;
        // the last acknowledgement is still crossing the line when the host is done
        if (!wire_.waitFrames(size_t(frames_), std::chrono::seconds(3))) ++bad_;
        std::lock_guard lk(wire_.mu);
        return {name, exchanges_, wire_.toCamera, wire_.fromCamera, wall, cpu, host, bad_};
    }

    Wire& wire_;
    dxcmd::ProgramState state_;
    View view_;
    Dialogs dialogs_;
    dxcmd::CommandLayer layer_;
    int exchanges_ = 0, frames_ = 0, bad_ = 0;
};

void Print(const Result& r) {
    const size_t bytes = r.toCamera + r.fromCamera;
    const double limit = double(bytes) * kByteMs;  // turnaround 0
    std::printf("%-16s %4d %5zu+%-5zu %6zu %9.1f %9.1f %6.3f %8.1f %7.3f %9.3f%s\n", r.name, r.exchanges,
                r.toCamera, r.fromCamera, bytes, limit, r.wallMs, r.wallMs / limit, r.cpuMs, r.cpuMs / r.wallMs,
                r.hostCpuMs / r.wallMs, r.bad ? "  BAD REPLIES" : "");
}

}  // namespace

int main(int argc, char** argv) {
    std::string program;
    int repeat = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--external") == 0) {
            program = i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i] : DXCAMSIM_PATH;
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: dxline_bench [--external [DXCAMSIM]] [--repeat N]\n");
            return 2;
        }
    }

    Wire wire;
    std::optional<dxsim::CameraSim> sim;
    std::optional<External> external;
    std::string device;
    if (program.empty()) {
        dxsim::Options o;  // paced both ways
        o.turnaroundMs = 0;
        sim.emplace(o);
        sim->setTrace([&wire](bool sent, const std::string& text) { wire.seen(sent, text); });
        if (!sim->start()) {
            std::fprintf(stderr, "simulator did not start\n");
            return 1;
        }
        device = sim->devicePath();
    } else {
        external.emplace(program, wire);
        device = external->device();
        if (device.empty()) {
            std::fprintf(stderr, "%s did not start\n", program.c_str());
            return 1;
        }
    }
    ::setenv("DX410_COM1", device.c_str(), 1);

    Bench bench(wire);
    std::printf("simulator %s, paced both ways, turnaround 0; limit = bytes x 11 / 9600 s\n",
                external ? "in its own process" : "in this process (its CPU counts in cpu/wall)");
    std::printf("%-16s %4s %11s %6s %9s %9s %6s %8s %7s %9s\n", "sequence", "exch", "out+in", "bytes",
                "limit ms", "wall ms", "w/lim", "cpu ms", "cpu/w", "host cpu/w");
    bool ok = true;
    for (int i = 0; i < repeat; ++i) {
        // the saved titles are what the load reads back
        for (const Result& r : {bench.titleSave(), bench.titleLoad(), bench.cameraDataLoad(), bench.memoryDump()}) {
            Print(r);
            ok = ok && r.bad == 0;
        }
    }
    std::printf("port open + close: %.0f us\n", bench.openCloseMicros(200));
    if (bench.dialogsShown()) std::printf("prompts shown: %d\n", bench.dialogsShown());
    return ok && bench.dialogsShown() == 0 ? 0 : 1;
}
