// dxbench: every camera job of the console, through the window's own
// handlers and the transfer window (offscreen), against the simulated camera
// paced both ways, measured against the time its bytes need on the 9600-baud
// line; then the start-up and peak resident memory of the program itself.
// Built, not run by CTest. Options: see kUsage, and README.md "Performance".
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "BenchCore.h"
#include "EventPump.h"
#include "ScriptedDialogs.h"
#include "dxcmd/Codec.h"
#include "dxlink/dxlink.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFiles.h"
#include "dxsim/CameraSim.h"
#include "dxtransfer/Jobs.h"
#include "frmMain.h"

namespace {

using namespace dxbench;
using Clock = std::chrono::steady_clock;
namespace cat = dxparams::cat;

// The trace is whole once the simulator has been quiet this long.
constexpr auto kTraceQuiet = std::chrono::milliseconds(100);

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// This process and the children it has waited for (a job run as a program).
double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const auto tv = [](const timeval& v) { return double(v.tv_sec) + double(v.tv_usec) / 1e6; };
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9 + tv(children.ru_utime) + tv(children.ru_stime);
}

void Sleep(std::chrono::milliseconds ms) {
    pollfd none{-1, 0, 0};
    ::poll(&none, 1, int(ms.count()));
}

// Asks a child to end, and kills it when it has not within `grace`.
void EndChild(pid_t pid, std::chrono::milliseconds grace) {
    ::kill(pid, SIGTERM);
    int st = 0;
    for (auto left = grace; left.count() > 0 && ::waitpid(pid, &st, WNOHANG) == 0; left -= std::chrono::milliseconds(10))
        Sleep(std::chrono::milliseconds(10));
    if (::waitpid(pid, &st, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &st, 0);
    }
}

// A simulated camera and the record of what crossed its line.
class Sim {
public:
    virtual ~Sim() = default;
    virtual std::string device() const = 0;
    // The trace lines since the last call, once the line has gone quiet.
    virtual std::vector<std::string> takeTrace() = 0;
};

// dxcamsim as a process of its own, its --verbose trace into a file that
// is read only between jobs, so reading it costs the timed process nothing.
class ExternalSim final : public Sim {
public:
    ExternalSim(const std::string& program, const std::vector<std::string>& args) {
        char name[] = "/tmp/dxbench-trace-XXXXXX";
        fd_ = ::mkstemp(name);
        if (fd_ < 0) return;
        ::unlink(name);
        std::vector<std::string> all{"dxcamsim", "--verbose"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fd_, 1);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        if (pid_ < 0) return;
        for (const auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end; Sleep(std::chrono::milliseconds(5))) {
            const std::string text = readFrom(0);
            const size_t nl = text.find('\n');
            if (nl == std::string::npos) continue;
            const std::string first = text.substr(0, nl);
            if (first.rfind("dxcamsim: camera on ", 0) == 0) device_ = first.substr(20);
            offset_ = nl + 1;
            break;
        }
    }
    ~ExternalSim() override {
        if (pid_ > 0) EndChild(pid_, std::chrono::seconds(2));
        if (fd_ >= 0) ::close(fd_);
    }
    std::string device() const override { return device_; }
    std::vector<std::string> takeTrace() override {
        off_t size = fileSize();
        auto still = Clock::now();
        for (const auto end = Clock::now() + std::chrono::seconds(3); Clock::now() < end;) {
            Sleep(std::chrono::milliseconds(10));
            const off_t now = fileSize();
            if (now != size) {
                size = now;
                still = Clock::now();
            } else if (Clock::now() - still >= kTraceQuiet) {
                break;
            }
        }
        std::string text = readFrom(offset_);
        const size_t end = text.rfind('\n');
        if (end == std::string::npos) return {};
        text.resize(end + 1);
        offset_ += text.size();
        std::vector<std::string> lines;
        for (size_t at = 0; at < text.size();) {
            const size_t nl = text.find('\n', at);
            lines.push_back(text.substr(at, nl - at));
            at = nl + 1;
        }
        return lines;
    }

private:
    off_t fileSize() const {
        struct stat st{};
        return ::fstat(fd_, &st) == 0 ? st.st_size : 0;
    }
    std::string readFrom(size_t offset) const {
        std::string out;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::pread(fd_, buf, sizeof buf, off_t(offset + out.size()));
            if (n <= 0) return out;
            out.append(buf, size_t(n));
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    size_t offset_ = 0;
    std::string device_;
};

// The simulator on a thread of this process: its pacing counts in cpu_s.
class InProcessSim final : public Sim {
public:
    explicit InProcessSim(const dxsim::Options& o) : sim_(o) {
        sim_.setTrace([this](bool sent, const std::string& text) {
            std::lock_guard lk(mu_);
            lines_.push_back((sent ? ">> " : "<< ") + text);
            last_ = Clock::now();
        });
        if (sim_.start()) device_ = sim_.devicePath();
    }
    std::string device() const override { return device_; }
    std::vector<std::string> takeTrace() override {
        for (const auto end = Clock::now() + std::chrono::seconds(3); Clock::now() < end;) {
            {
                std::lock_guard lk(mu_);
                if (Clock::now() - last_ >= kTraceQuiet) break;
            }
            Sleep(std::chrono::milliseconds(10));
        }
        std::lock_guard lk(mu_);
        return std::exchange(lines_, {});
    }

private:
    dxsim::CameraSim sim_;
    std::string device_;
    std::mutex mu_;
    std::vector<std::string> lines_;
    Clock::time_point last_ = Clock::now();
};

struct SimSet {
    std::unique_ptr<Sim> dx430, dx410, dx430Big, line3;  // line3: Multi Drop, cameras 1 to 3
};

std::unique_ptr<Sim> MakeSim(const Options& o, bool dx430, int packets, int cameras = 0) {
    if (o.inProcess) {
        dxsim::Options so;
        so.multiDropCameras = cameras;
        so.model = dx430 ? dxsim::Model::DX430 : dxsim::Model::DX410;
        so.turnaroundMs = o.turnaroundMs;
        so.dumpPackets = packets;
        return std::make_unique<InProcessSim>(so);
    }
    std::vector<std::string> args{"--model", dx430 ? "430" : "410", "--turnaround", std::to_string(o.turnaroundMs),
                                  "--dump-packets", std::to_string(packets)};
    if (cameras > 0) args.insert(args.end(), {"--cameras", std::to_string(cameras)});
    return std::make_unique<ExternalSim>(o.dxcamsim, args);
}

// dxctl against a simulator; its exit status, -1 when it did not run.
int RunCtl(const Sim& sim, std::vector<std::string> args) {
    args.insert(args.begin(), {"dxctl", "-q", "--device", sim.device()});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(DXCTL_PATH, argv.data());
        ::_exit(127);
    }
    int st = 0;
    if (pid < 0 || ::waitpid(pid, &st, 0) != pid) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// The main window as the program builds it, with scripted dialogs.
struct Console {
    QTemporaryDir dir;
    dxcmd::ProgramState state;
    std::vector<std::string> failures;
    dxtest::ScriptedDialogs dialogs{[this](const std::string& m) { failures.push_back(m); }};
    std::unique_ptr<dxconsole::frmMain> win;

    bool open() {
        if (!dir.isValid()) return false;
        dxconsole::ConsoleDeps deps{&state, &dialogs, [] { return dxlink_create(); }, dir.path().toStdString(),
                                    dir.filePath("user").toStdString()};
        win = std::make_unique<dxconsole::frmMain>(std::move(deps));
        if (!win->load()) return false;
        win->resize(790, 560);
        win->show();
        QCoreApplication::processEvents();
        return true;
    }
    template <typename T>
    T* w(const char* name) { return dxconsole::need<T>(*win, name); }
    std::string path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    // What went wrong with the dialogs since the last call.
    std::vector<std::string> takeFailures() {
        dialogs.verify();
        return std::exchange(failures, {});
    }
};

struct Job {
    std::string name;
    Sim* sim;
    bool dx430;
    size_t exchanges;                 // expected; 0: not checked
    std::function<void()> prepare;    // before each run, not timed
    std::function<void()> action;     // timed
    std::function<std::string()> check;  // after each run: "" when it went as it should
};

size_t Lines(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    size_t n = 0;
    for (std::string l; std::getline(f, l);)
        if (!l.empty() && l != "\r") ++n;
    return n;
}

// Sixteen characters in every preset title, as a site that named them
// has; written once, untimed, through the command layer.
std::string SetTitles(Console& c) {
    auto& commands = c.win->commands();
    for (int p = 0; p < 100; ++p) {
        char title[24];
        std::snprintf(title, sizeof title, "GATE %02d NORTH %02d", p, 99 - p);
        std::string frame = "8F:13:46:02";
        for (const char* ch = title; *ch; ++ch) {
            char hex[4];
            std::snprintf(hex, sizeof hex, ":%02X", *ch);
            frame += hex;
        }
        if (commands.ExecCmd("83:42:00:" + dxcmd::EncodeValue(int16_t(p)), "A0", "", "") != 0 ||
            commands.ExecSend(frame, "", "") != 0)
            return "preset " + std::to_string(p) + " title not set";
    }
    return {};
}

std::vector<Job> MakeJobs(Console& c, SimSet& sims) {
    const std::string dump64 = c.path("camera64.dmp"), dump200 = c.path("camera200.dmp"),
                      settings = c.path("site.dat"), settingsB = c.path("site-b.dat");
    auto click = [&c](const char* name) { QTest::mouseClick(c.w<QPushButton>(name), Qt::LeftButton); };
    auto download = [&c, click](const std::string& file) {
        c.dialogs.expectSaveFile(file);
        click("cmdExecDownload");
    };
    auto packetsIn = [](const std::string& file, size_t n) {
        return [file, n] {
            const size_t got = Lines(file);
            return got == n ? std::string() : "dump file holds " + std::to_string(got) + " packets";
        };
    };
    std::vector<Job> jobs;
    // the setting changes each run, as an operator's would, so the record is rewritten each time
    auto agc = std::make_shared<int>(0);
    jobs.push_back({"exec_cmd", sims.dx430.get(), true, 1, {}, [&c, agc] {
                        *agc = *agc == 1 ? 2 : 1;
                        const int16_t s = c.win->commands().ExecCmd(std::string(cat::Agc.setShort) + std::to_string(*agc), "A0",
                                                                    std::string(cat::Agc.section()),
                                                                    std::string(cat::Agc.key));
                        if (s != 0) c.failures.push_back("ExecCmd status " + std::to_string(s));
                    }, {}});
    jobs.push_back({"query_camera", sims.dx430.get(), true, 1, {}, [&c] {
                        c.win->commands().QueryCamera(std::string(cat::Agc.query));
                        if (c.state.LastReply.rfind("83:42:13:", 0) != 0)
                            c.failures.push_back("query reply " + c.state.LastReply);
                    }, {}});
    jobs.push_back({"move_right", sims.dx430.get(), true, 3, {}, [&c] {
                        auto* b = c.w<QToolButton>("cmdRight");
                        QTest::mousePress(b, Qt::LeftButton);
                        QTest::mouseRelease(b, Qt::LeftButton);
                    }, {}});
    for (const bool dx430 : {false, true}) {
        jobs.push_back({dx430 ? "cam_data_load_430" : "cam_data_load_410",
                        dx430 ? sims.dx430.get() : sims.dx410.get(), dx430, dx430 ? 23u : 19u,
                        [&c] { c.dialogs.expectMessage("Continuously, is a position title load?", dxcmd::Answer::No); },
                        [&c] { c.w<QAction>("mnuConnect")->trigger(); }, {}});
    }
    jobs.push_back({"position_title_load", sims.dx430.get(), true, 200, {},
                    [&c] { c.win->RunTransferJob(dxtransfer::kPositionTitleLoad); }, {}});
    jobs.push_back({"position_data_load", sims.dx430.get(), true, 9, {}, [&c] {
                        auto* list = c.w<QTreeWidget>("lswPresetPosition");
                        QTreeWidgetItem* row = list->topLevelItem(5);
                        list->scrollToItem(row);
                        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
                    }, {}});
    jobs.push_back({"dump_download_64", sims.dx430.get(), true, 65, {}, [=] { download(dump64); },
                    packetsIn(dump64, 64)});
    jobs.push_back({"dump_download_200", sims.dx430Big.get(), true, 201, {}, [=] { download(dump200); },
                    packetsIn(dump200, 200)});
    jobs.push_back({"dump_upload_64", sims.dx430.get(), true, 70,
                    [&c, dump64, download] {
                        // the upload sends back what a download wrote
                        if (!QFile::exists(QString::fromStdString(dump64))) {
                            download(dump64);
                            c.takeFailures();
                        }
                        c.dialogs.expectOpenFile(dump64);
                        c.dialogs.expectMessage("Are you sure to upload?", dxcmd::Answer::Yes);
                    },
                    [click] { click("cmdExecUpload"); }, {}});
    // Two setting files that differ in four settings, loaded in turn: each
    // Save Changes sends every setting and the record changes in four.
    auto turn = std::make_shared<int>(0);
    jobs.push_back({"save_changes_430", sims.dx430.get(), true, 0,
                    [&c, turn, settings, settingsB] {
                        if (!QFile::exists(QString::fromStdString(settingsB))) {
                            c.dialogs.expectSaveFile(settings);
                            c.w<QAction>("mnuSaveAs")->trigger();
                            auto* agc = c.w<QButtonGroup>("optAGC");
                            agc->button(agc->checkedId() == 3 ? 1 : 3)->click();
                            auto* wb = c.w<QButtonGroup>("optWhiteBalance");
                            wb->button(wb->checkedId() == 4 ? 1 : 4)->click();
                            auto* colour = c.w<QSlider>("sldLevelAdjColour");
                            colour->setValue(colour->value() == 3 ? -3 : 3);
                            c.w<QCheckBox>("chkAutoBlack")->click();
                            c.dialogs.expectSaveFile(settingsB);
                            c.w<QAction>("mnuSaveAs")->trigger();
                        }
                        c.dialogs.expectOpenFile((*turn)++ % 2 ? settingsB : settings);
                        c.w<QAction>("mnuLoadSettingFile")->trigger();
                        c.dialogs.expectMessage(std::string(dxparams::kSaveChangesQuestion), dxcmd::Answer::Yes);
                    },
                    [&c] { c.w<QAction>("mnuSaveChanges")->trigger(); }, {}});

    // dxctl, the jobs as a program: 32 IDs of which 3 answer; three
    // cameras' memory; a setting file that differs from camera 2 in three values
    auto ctl = [&c](Sim* sim, std::vector<std::string> args) {
        return [&c, sim, args] {
            if (const int s = RunCtl(*sim, args); s != 0) c.failures.push_back("dxctl exit status " + std::to_string(s));
        };
    };
    jobs.push_back({"dxctl_scan_32", sims.line3.get(), true, 35, {}, ctl(sims.line3.get(), {"scan"}), {}});
    const std::string backupDir = c.dir.path().toStdString();
    jobs.push_back({"dxctl_backup_3x64", sims.line3.get(), true, 195, {},
                    ctl(sims.line3.get(), {"--camera", "1-3", "backup", backupDir}), packetsIn(backupDir + "/3.dmp", 64)});
    const std::string base = c.path("camera2.dat"), changed = c.path("camera2-changed.dat");
    jobs.push_back({"dxctl_write_changed_3", sims.line3.get(), true, 29,
                    [&c, sim = sims.line3.get(), base, changed] {
                        if (!QFile::exists(QString::fromStdString(changed))) {
                            RunCtl(*sim, {"--camera", "2", "read", "--out", base});
                            std::ifstream in(base, std::ios::binary);
                            std::string text{std::istreambuf_iterator<char>(in), {}};
                            for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                                     {"08-AGC MODE=", "83:42:13:02"},
                                     {"10-BACK LIGHT COMPENSATION(BLC)=", "83:42:15:03"},
                                     {"23-COLOR LEVEL=", "83:43:3E:7E"}}) {
                                const size_t at = text.find(key);
                                if (at == std::string::npos) continue;
                                const size_t end = text.find("\r\n", at);
                                text.replace(at + key.size(), end - at - key.size(), value);
                            }
                            std::ofstream(changed, std::ios::binary) << text;
                        }
                        // the camera back to where the file differs in three values
                        if (RunCtl(*sim, {"--camera", "2", "write", base, "--only-changed"}) != 0)
                            c.failures.push_back("camera 2 not reset");
                    },
                    ctl(sims.line3.get(), {"--camera", "2", "write", changed, "--only-changed"}), {}});
    return jobs;
}

bool Wanted(const Options& o, const std::string& name) {
    if (o.only.empty()) return true;
    for (const auto& n : o.only)
        if (n == name) return true;
    return false;
}

JobResult Measure(Console& c, Job& job, const Options& o) {
    std::vector<Run> runs;
    std::vector<std::string> problems;
    ::setenv("DX410_COM1", job.sim->device().c_str(), 1);
    c.w<QAction>(job.dx430 ? "mnuTkc_0" : "mnuTkc_1")->trigger();
    for (int i = 0; i < o.runs; ++i) {
        if (job.prepare) job.prepare();
        QCoreApplication::processEvents();
        // what the job will be asked stays expected; only what went wrong so far is taken
        for (const auto& p : std::exchange(c.failures, {})) problems.push_back("before the run: " + p);
        job.sim->takeTrace();
        const double cpu0 = ProcessCpuSeconds();
        const auto t0 = Clock::now();
        job.action();
        // the repaint the job leaves behind is the job's too
        QCoreApplication::processEvents();
        const auto t1 = Clock::now();
        const double cpu1 = ProcessCpuSeconds();
        Run run;
        run.wallS = Seconds(t0, t1);
        run.cpuS = cpu1 - cpu0;
        for (const std::string& l : job.sim->takeTrace()) run.line.add(l);
        for (const auto& p : c.takeFailures()) problems.push_back(p);
        if (job.check)
            if (std::string p = job.check(); !p.empty()) problems.push_back(p);
        if (job.exchanges && run.line.exchanges != job.exchanges)
            problems.push_back(std::to_string(run.line.exchanges) + " exchanges, expected " +
                               std::to_string(job.exchanges));
        runs.push_back(run);
    }
    // one line per kind of problem is enough
    std::vector<std::string> distinct;
    for (const auto& p : problems)
        if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) distinct.push_back(p);
    return Summarise(job.name, runs, o.turnaroundMs, distinct);
}

// ---- the program itself: start-up and peak resident memory

struct ProgramRun {
    double startupS = -1;      // spawn to main window painted, the splash's own wait taken out
    double splashShownS = -1;  // spawn to splash painted
    double splashWaitS = -1;   // splash shown to its timer opening the main window
    double mainWindowS = -1;   // timer to main window painted
    double titleLoadS = -1;
    double peakRssMb = -1, rssMb = -1;
    std::string problem;
};

double StatusMb(pid_t pid, const char* field) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return -1;
}

// Reads one report line within the limit; "" when none came.
std::string ReadReport(int fd, std::string& buffer, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        const size_t nl = buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) return {};
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return {};
        buffer.append(buf, size_t(n));
    }
}

ProgramRun RunProgram(const std::string& program, const std::string& device, const std::string& runtimeDir) {
    ProgramRun r;
    int p[2];
    if (::pipe(p) != 0) return r.problem = "no pipe", r;
    constexpr int kReportFd = 3;
    // everything the child needs, made before fork
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        for (const char* drop : {"DX410_COM1=", "DX410_BENCH_", "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR="})
            if (v.rfind(drop, 0) == 0) goto skip;
        env.push_back(v);
    skip:;
    }
    env.push_back("DX410_COM1=" + device);
    env.push_back("DX410_BENCH_FD=" + std::to_string(kReportFd));
    env.push_back("DX410_BENCH_TITLE_LOAD=1");
    env.push_back("QT_QPA_PLATFORM=offscreen");
    // its own instance lock, whatever else runs on this machine
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);

    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(p[1], kReportFd);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        for (int fd = kReportFd + 1; fd < 1024; ++fd) ::close(fd);
        ::execve(program.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(p[1]);
    if (devnull >= 0) ::close(devnull);
    if (pid < 0) {
        ::close(p[0]);
        return r.problem = "fork failed", r;
    }
    // "name microseconds", CLOCK_MONOTONIC as steady_clock here
    std::string buffer;
    const double spawn = std::chrono::duration<double>(t0.time_since_epoch()).count();
    double at[5] = {};
    const char* const order[] = {"splash-show", "splash", "open", "shown", "titles"};
    for (int i = 0; i < 5; ++i) {
        const std::string got = ReadReport(p[0], buffer, std::chrono::seconds(i == 4 ? 60 : 15));
        const size_t space = got.find(' ');
        if (space == std::string::npos || got.substr(0, space) != order[i]) {
            r.problem = std::string("no \"") + order[i] + "\" report";
            break;
        }
        at[i] = std::atof(got.c_str() + space + 1) / 1e6 - spawn;
        if (i == 4) {
            r.peakRssMb = StatusMb(pid, "VmHWM:");
            r.rssMb = StatusMb(pid, "VmRSS:");
        }
    }
    if (r.problem.empty()) {
        r.splashShownS = at[1];
        r.splashWaitS = at[2] - at[0];
        r.mainWindowS = at[3] - at[2];
        r.startupS = at[0] + r.mainWindowS;
        r.titleLoadS = at[4] - at[3];
    }
    EndChild(pid, std::chrono::seconds(3));
    ::close(p[0]);
    return r;
}

// The 1-minute load average: other work on the machine skews every figure.
std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string one;
    f >> one;
    return one.empty() ? "?" : one;
}

std::string Fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

}  // namespace

// The offscreen platform's notes on window features it lacks are no
// finding of the bench.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")) ||
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (type == QtFatalMsg) std::abort();
}

int main(int argc, char** argv) {
    std::string error;
    const auto parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        std::fprintf(stderr, "dxbench: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    Options o = *parsed;
    if (o.dxcamsim.empty()) o.dxcamsim = DXCAMSIM_PATH;
    if (o.program.empty()) o.program = DX410_PATH;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // the start-up child must not inherit our own console's port
    ::signal(SIGPIPE, SIG_IGN);

    qInstallMessageHandler(QuietOffscreenNotes);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    SimSet sims;
    sims.dx430 = MakeSim(o, true, 64);
    sims.dx410 = MakeSim(o, false, 64);
    sims.dx430Big = MakeSim(o, true, 200);
    sims.line3 = MakeSim(o, true, 64, 3);
    for (Sim* s : {sims.dx430.get(), sims.dx410.get(), sims.dx430Big.get(), sims.line3.get()})
        if (s->device().empty()) {
            std::fprintf(stderr, "dxbench: the simulator did not start (%s)\n", o.dxcamsim.c_str());
            return 1;
        }

    std::printf("dxbench: simulator %s, paced both ways, turnaround %d ms; median of %d run%s\n",
                o.inProcess ? "in this process (its pacing counts in cpu)" : "in its own process (dxcamsim)",
                o.turnaroundMs, o.runs, o.runs == 1 ? "" : "s");
    std::printf("limit = (bytes sent + received) x 11 / 9600 s + turnaround x replies\n");
    const std::string loadStart = LoadAverage();
    std::printf("load average %s on %ld cores\n", loadStart.c_str(), ::sysconf(_SC_NPROCESSORS_ONLN));
    bool ok = true;
    std::vector<std::string> json;
    {
        Console console;
        dxlink_set_event_pump(&dxconsole::PumpEvents, nullptr);
        ::setenv("DX410_COM1", sims.dx430->device().c_str(), 1);
        if (!console.open()) {
            std::fprintf(stderr, "dxbench: the main window did not load\n");
            return 1;
        }
        if (const std::string p = SetTitles(console); !p.empty()) {
            std::fprintf(stderr, "dxbench: %s\n", p.c_str());
            return 1;
        }
        console.takeFailures();
        std::printf("%s\n", TableHeader().c_str());
        std::fflush(stdout);
        std::vector<Job> jobs = MakeJobs(console, sims);
        for (Job& job : jobs) {
            if (!Wanted(o, job.name)) continue;
            const JobResult r = Measure(console, job, o);
            ok = ok && r.problem.empty();
            std::printf("%s\n", TableRow(r).c_str());
            std::fflush(stdout);
            json.push_back(JsonLine(r));
        }
        console.win.reset();
        dxlink_set_event_pump(nullptr, nullptr);
    }

    if (o.startup && Wanted(o, "startup")) {
        QTemporaryDir runtime;
        ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
        std::vector<double> startup, splash, wait, window, titles, peak, rss;
        std::string problem;
        for (int i = 0; i < o.runs; ++i) {
            const ProgramRun r = RunProgram(o.program, sims.dx430->device(), runtime.path().toStdString());
            sims.dx430->takeTrace();
            if (!r.problem.empty()) {
                problem = r.problem;
                continue;
            }
            startup.push_back(r.startupS);
            splash.push_back(r.splashShownS);
            wait.push_back(r.splashWaitS);
            window.push_back(r.mainWindowS);
            titles.push_back(r.titleLoadS);
            peak.push_back(r.peakRssMb);
            rss.push_back(r.rssMb);
        }
        ok = ok && problem.empty();
        std::printf("program start-up to main window shown, the splash's wait (%.0f ms) out: %.1f ms; splash painted "
                    "after %.1f ms, main window painted %.1f ms after the splash's timer\n",
                    Median(wait) * 1000, Median(startup) * 1000, Median(splash) * 1000, Median(window) * 1000);
        std::printf("program peak resident memory after a position title load (%.1f s): %.1f MB (resident now %.1f MB)%s\n",
                    Median(titles), Median(peak), Median(rss), problem.empty() ? "" : ("  PROBLEM: " + problem).c_str());
        std::string p = problem.empty() ? "" : ",\"problem\":" + JsonString(problem);
        json.push_back("{\"job\":\"startup\",\"startup_s\":" + Fixed(Median(startup), 4) +
                       ",\"splash_wait_s\":" + Fixed(Median(wait), 4) + ",\"splash_shown_s\":" +
                       Fixed(Median(splash), 4) + ",\"main_window_s\":" + Fixed(Median(window), 4) +
                       ",\"runs\":" + std::to_string(startup.size()) + p + "}");
        json.push_back("{\"job\":\"peak_rss\",\"peak_rss_mb\":" + Fixed(Median(peak), 1) + ",\"rss_mb\":" +
                       Fixed(Median(rss), 1) + ",\"after\":\"position_title_load\",\"title_load_s\":" +
                       Fixed(Median(titles), 3) + ",\"runs\":" + std::to_string(peak.size()) + p + "}");
    }
    const std::string loadEnd = LoadAverage();
    std::printf("load average %s at the end\n", loadEnd.c_str());
    json.push_back("{\"job\":\"machine\",\"cores\":" + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) +
                   ",\"load_start\":" + loadStart + ",\"load_end\":" + loadEnd + ",\"turnaround_ms\":" +
                   std::to_string(o.turnaroundMs) + ",\"simulator\":" +
                   JsonString(o.inProcess ? "in-process" : "dxcamsim") + "}");
    for (const auto& j : json) std::printf("%s\n", j.c_str());
    return ok ? 0 : 1;
}
