// dxcamsim: a simulated camera (or a multi-drop line of them) on a pty.
#include "dxsim/CameraSim.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <memory>
#include <getopt.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void usage(FILE* f) {
    std::fputs(
        "usage: dxcamsim [--model 410|430] [--cameras N] [--no-pace] [--turnaround MS]\n"
        "                [--dump-packets N] [--fault-rate R] [--seed S] [--link PATH] [--verbose]\n"
        "       dxcamsim --help | --version\n",
        f);
}

void help() {
    usage(stdout);
    std::fputs(
        "\nA simulated DX-410 or DX-430 camera (or a multi-drop line of them) on a pseudo-terminal.\n\n"
        "  --model 410|430     camera model (default 430)\n"
        "  --cameras N         a multi-drop line with cameras 1..N (1 to 32)\n"
        "  --no-pace           answer at once instead of at 9600 baud\n"
        "  --turnaround MS     delay before each answer (default 2)\n"
        "  --dump-packets N    the memory holds packets 0..N-1 (1 to 16384, default 64)\n"
        "  --fault-rate R      meet each command with a random fault with chance R (0 to 1)\n"
        "  --seed S            the faults' seed (default 1)\n"
        "  --link PATH         a symlink PATH to the pty, removed at exit\n"
        "  --verbose           print each frame received and each answer written\n"
        "  -h, --help          show this help and exit\n"
        "  --version           show the version and exit\n",
        stdout);
}

bool toInt(const char* s, long lo, long hi, long* out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (errno || !end || *end || end == s || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool intOption(const char* s, long lo, long hi, const char* usage, int* out) {
    long v = 0;
    if (!toInt(s, lo, hi, &v)) {
        std::fprintf(stderr, "dxcamsim: %s\n", usage);
        return false;
    }
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    dxsim::Options opt;
    std::string link;
    bool verbose = false;
    double rate = 0;
    long seed = 1;

    static const option longs[] = {
        {"model", required_argument, nullptr, 'm'},      {"cameras", required_argument, nullptr, 'c'},
        {"no-pace", no_argument, nullptr, 'n'},          {"turnaround", required_argument, nullptr, 't'},
        {"fault-rate", required_argument, nullptr, 'f'}, {"seed", required_argument, nullptr, 's'},
        {"link", required_argument, nullptr, 'l'},       {"verbose", no_argument, nullptr, 'v'},
        {"dump-packets", required_argument, nullptr, 'p'},
        {"help", no_argument, nullptr, 'h'},             {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    // one line of our own for a wrong option, not getopt's message and the usage
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, ":h", longs, nullptr)) != -1;) {
        switch (c) {
        case 'm':
            if (std::strcmp(optarg, "410") == 0)
                opt.model = dxsim::Model::DX410;
            else if (std::strcmp(optarg, "430") == 0)
                opt.model = dxsim::Model::DX430;
            else {
                std::fprintf(stderr, "dxcamsim: --model takes 410 or 430\n");
                return 2;
            }
            break;
        case 'c':
            if (!intOption(optarg, 1, 32, "--cameras takes 1 to 32", &opt.multiDropCameras)) return 2;
            break;
        case 'n': opt.paced = false; break;
        case 't':
            if (!intOption(optarg, 0, 60000, "--turnaround takes 0 to 60000 ms", &opt.turnaroundMs)) return 2;
            break;
        case 'p':
            if (!intOption(optarg, 1, 16384, "--dump-packets takes 1 to 16384", &opt.dumpPackets)) return 2;
            break;
        case 'f': {
            char* end = nullptr;
            rate = std::strtod(optarg, &end);
            if (!end || end == optarg || *end || !std::isfinite(rate) || rate < 0 || rate > 1) {
                std::fprintf(stderr, "dxcamsim: --fault-rate takes 0 to 1\n");
                return 2;
            }
            break;
        }
        case 's':
            if (!toInt(optarg, 0, 0xFFFFFFFFL, &seed)) {
                std::fprintf(stderr, "dxcamsim: bad --seed\n");
                return 2;
            }
            break;
        case 'l': link = optarg; break;
        case 'v': verbose = true; break;
        case 'h': help(); return 0;
        case 'V': std::printf("dxcamsim %s\n", DX410_VERSION); return 0;
        case ':':
            std::fprintf(stderr, "dxcamsim: %s needs a value (see --help)\n", argv[optind - 1]);
            return 2;
        default:
            std::fprintf(stderr, "dxcamsim: unknown option '%s' (see --help)\n", argv[optind - 1]);
            return 2;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "dxcamsim: unexpected argument '%s' (see --help)\n", argv[optind]);
        return 2;
    }
    opt.faultRate = rate;
    opt.seed = static_cast<uint32_t>(seed);

    // Block the signals before the serving thread exists so only sigwait sees them.
    sigset_t sigs;
    sigemptyset(&sigs);
    sigaddset(&sigs, SIGINT);
    sigaddset(&sigs, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &sigs, nullptr);

    // a reader that goes away (| head) must not take the symlink cleanup with it
    std::signal(SIGPIPE, SIG_IGN);
    dxsim::CameraSim sim(opt);
    // The trace is on from the start, held back until the device line is
    // out: a host that is quick, or knows the --link path, must not have its
    // first frames missing from the trace. Unlocked before sim goes away.
    auto out = std::make_shared<std::mutex>();
    std::unique_lock deviceLine(*out);
    if (verbose) {
        sim.setTrace([out](bool sent, const std::string& text) {
            std::lock_guard lk(*out);
            std::fprintf(stdout, "%s %s\n", sent ? ">>" : "<<", text.c_str());
            std::fflush(stdout);
        });
    }
    if (!sim.start()) {
        std::fprintf(stderr, "dxcamsim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    if (!link.empty()) {
        struct stat st;
        // an existing symlink is replaced, never a real file
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "dxcamsim: %s exists and is not a symlink\n", link.c_str());
                return 1;
            }
            ::unlink(link.c_str());
        }
        if (::symlink(sim.devicePath().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "dxcamsim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("dxcamsim: camera on %s\n", sim.devicePath().c_str());
    std::fflush(stdout);
    deviceLine.unlock();

    int sig = 0;
    sigwait(&sigs, &sig);

    sim.stop();
    if (!link.empty()) ::unlink(link.c_str());
    return 0;
}
