// dxctl's subcommands over the command layer, the jobs and Save Changes.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Plain.h"
#include "dxcmd/Exec.h"
#include "dxlink/dxlink.h"

namespace dxctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct Options {
    int port = 1;
    std::string device;
    std::string interface = "rs422a";
    std::string camera;  // without --camera: P to P
    bool cameraGiven = false;
    bool json = false;
    bool quiet = false;
    std::string record;
    // subcommands
    int windowMs = 50;
    bool p2p = false;
    std::string out;
    std::string file;  // the .dat, .dmp or .csv, or the backup folder
    bool onlyChanged = false, verify = false;
    int preset = -1;
    std::string title;
    bool hasTitle = false;
    std::string command;
};

class Ctl {
public:
    explicit Ctl(Options options);
    ~Ctl();
    Ctl(const Ctl&) = delete;
    Ctl& operator=(const Ctl&) = delete;

    // The checks that need no line; "" when fine.
    std::string prepare(const std::string& subcommand);
    // Runs it and gives the exit status.
    int run(const std::string& subcommand);

private:
    struct LinkRelease {
        void operator()(dxlink::IExComCtrl* p) const { p->Release(); }
    };
    using Link = std::unique_ptr<dxlink::IExComCtrl, LinkRelease>;
    Link openLink(int16_t timeoutMs);  // opened, or not: the link's calls then fail
    std::string checkPort();

    // P to P: {0}; Multi Drop: the IDs of --camera
    std::vector<int> targets() const;
    void address(int id);
    bool interrupted();
    static void pump(void* self);
    bool detectDX430();
    // a job of the transfer window on the values; false when it failed
    bool runJob(std::string_view name, PlainValues& values, const dxtransfer::ScanRequest* scan = nullptr);
    bool loadCamera(PlainValues& values);
    Rendered fileRendered();

    int scan();
    int sendCommand();
    int read();
    int diff();
    int write();
    int dump(bool upload);
    int titlesExport();
    int titlesImport();
    int preset(const std::string& action);

    void print(const std::string& line);
    int finish(int status);

    Options o_;
    dxcmd::ProgramState st_;
    QuietView view_;
    LineDialogs dialogs_;
    dxcmd::CommandLayer commands_;
    BarProgress progress_;
    std::vector<int> cameras_;
    int signalFd_ = -1;
    bool interrupted_ = false;
    bool failed_ = false;
    std::unique_ptr<PlainValues> file_;  // the setting file as the console would load it
    nlohmann::json out_ = nlohmann::json::array();
};

}  // namespace dxctl
