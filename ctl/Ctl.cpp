#include "Ctl.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/signalfd.h>
#include <unistd.h>

#include "Text.h"
#include "dxcmd/Codec.h"
#include "dxcmd/Profile.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFile.h"
#include "dxparams/Titles.h"

namespace dxctl {

using json = nlohmann::json;
namespace cat = dxparams::cat;
namespace fs = std::filesystem;

namespace {

std::string str(std::string_view s) { return std::string(s); }

std::string Hex2(int id) {
    char t[4];
    std::snprintf(t, sizeof t, "%02X", id);
    return t;
}

int16_t DeviceType(const std::string& interface) {
    if (interface == "rs485") return 2;
    if (interface == "rs232c") return 3;
    return 1;
}

// The section a setting-file key lives in.
std::string_view SectionOf(const std::string& key) {
    for (const auto& p : dxparams::AllParams())
        if (p.key == key) return p.section();
    return {};
}

}  // namespace

Ctl::Ctl(Options options)
    : o_(std::move(options)), dialogs_(o_.quiet),
      commands_(st_, view_, dialogs_, [] { return dxlink_create(); }),
      progress_(!o_.quiet, "") {
    st_.CommPort = static_cast<int16_t>(o_.port);
    st_.CommDeviceType = DeviceType(o_.interface);
    st_.CurrentFile = o_.record;  // the console's own record is never touched
}

Ctl::~Ctl() {
    dxlink_set_event_pump(nullptr, nullptr);
    if (signalFd_ >= 0) ::close(signalFd_);
}

// ---- set-up

std::string Ctl::prepare(const std::string& sub) {
    if (o_.cameraGiven) {
        std::string error;
        cameras_ = ParseCameraList(o_.camera, error);
        if (!error.empty()) return error;
    }
    if (sub == "send" && !IsCommandFrame(o_.command))
        return "'" + o_.command + "' is not a command: colon-separated hex bytes, the first 81-8F giving the length";
    if ((sub == "diff" || sub == "write")) {
        if (!dxparams::IsSettingFile(o_.file)) return "This file cannot be used. (" + o_.file + ")";
        // loaded once, as the console loads it; the loader's own messages go to stderr
        const std::string id = st_.MachineID;
        file_ = std::make_unique<PlainValues>(true);
        dxparams::ApplySettingFile(commands_, *file_, o_.file);
        st_.MachineID = id;  // the command line addresses, not the file
    }
    if (sub == "restore") {
        std::string probe;
        if (!dxcmd::ReadSmallFile(o_.file, probe, 64 << 20)) return "cannot read the dump file " + o_.file;
    }
    if (sub == "backup") {
        std::error_code ec;
        if (!fs::is_directory(o_.file, ec)) return o_.file + " is not a folder";
    }
    if (sub == "import") {
        std::string text, error;
        if (!dxcmd::ReadSmallFile(o_.file, text, 1 << 20)) return "cannot read " + o_.file;
        if (ParseTitlesCsv(text, error).empty() && !error.empty()) return o_.file + ": " + error;
    }
    if ((sub == "read" && !o_.out.empty()) || sub == "export") {
        if (targets().size() != 1) return "one camera only: the file holds one camera's values";
    }
    if (sub == "call" || sub == "save" || sub == "clear") {
        if (o_.preset < 0 || o_.preset > 99) return "preset " + std::to_string(o_.preset) + " is not 0-99";
        if (o_.hasTitle && (!dxparams::TitleTextAllowed(o_.title) || dxparams::TrimBlanks(o_.title).size() > 16))
            return "title '" + o_.title + "': at most 16 of [A to Z],[a to z],[0 to 9],[, - . / :] and Space";
    }
    if (!o_.device.empty()) {
        // the link finds its device by COM number; this one is COM1 for this run
        ::setenv("DX410_COM1", o_.device.c_str(), 1);
        st_.CommPort = 1;
    }
    return checkPort();
}

Ctl::Link Ctl::openLink(int16_t timeoutMs) {
    Link link(dxlink_create());
    link->put_SerialTimeout(timeoutMs);
    link->PortOpen(st_.CommDeviceType, st_.CommPort);
    return link;
}

std::string Ctl::checkPort() {
    Link link(dxlink_create());
    if (link->PortOpen(st_.CommDeviceType, st_.CommPort) == 0) return "";
    // named as the console's status bar names it
    const std::string device = link->ResolvedDevice().empty() ? "no serial device" : link->ResolvedDevice();
    const dxlink::PortError error = link->LastOpenError();
    const char* why = dxlink_port_error_text(static_cast<int>(error));
    std::string text = "COM" + std::to_string(st_.CommPort) + " (" + device + ") could not be opened: " +
                       (why ? why : "error");
    if (error == dxlink::PortError::Permission) text += " - add your user to the dialout group and log in again";
    return text;
}

std::vector<int> Ctl::targets() const { return cameras_.empty() ? std::vector<int>{0} : cameras_; }

void Ctl::address(int id) {
    st_.CommStyle = id == 0 ? 0 : 1;
    st_.MachineID = id == 0 ? "0" : Hex2(id);
}

void Ctl::pump(void* self) {
    auto* c = static_cast<Ctl*>(self);
    signalfd_siginfo info;
    if (c->signalFd_ >= 0 && ::read(c->signalFd_, &info, sizeof info) == ssize_t(sizeof info)) {
        c->interrupted_ = true;
        // the jobs stop at their next cancel check; Save Changes, which has
        // none, is held by the busy flag that keeps commands off the line
        c->st_.TransferCancelled = true;
        c->st_.LoadingSettingFile = true;
    }
}

bool Ctl::interrupted() {
    pump(this);
    return interrupted_;
}

bool Ctl::detectDX430() {
    // the DX-410 refuses the ALC priority the DX-430 has
    std::string full = str(cat::AlcPriority.query);
    if (st_.CommStyle == 1) full = "B1:01:" + st_.MachineID + ":" + full;
    Link link = openLink(1000);
    const std::string reply = link->CmdRecv(full, "A0", st_.QueryWaitShort);
    if (reply != "NL") link->Send("A0");
    link->PortClose();
    return reply != "NL";
}

bool Ctl::runJob(std::string_view name, PlainValues& values, const dxtransfer::ScanRequest* scan) {
    const dxtransfer::JobInfo* job = dxtransfer::FindJob(name);
    st_.TransferJob = str(name);
    st_.TransferCancelled = interrupted_;
    // as the console: a load's values land in the store, nothing goes back to the camera
    st_.UpdatingFromCamera = name == dxtransfer::kCamDataLoad || name == dxtransfer::kPositionTitleLoad;
    progress_.reset(str(job->status));
    dxtransfer::JobEnv env{commands_, values, progress_, nullptr, {}, scan};
    dialogs_.clearFailed();
    try {
        job->run(env);
    } catch (const std::exception&) {
        dialogs_.message("Unknown error.", "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
    }
    st_.UpdatingFromCamera = false;
    const bool ok = !dialogs_.failed() && !interrupted();
    if (ok) progress_.setValue(dxtransfer::kProgressMax);  // the dumps stop short of the end
    progress_.reset("");
    failed_ = failed_ || dialogs_.failed();
    return ok;
}

bool Ctl::loadCamera(PlainValues& values) { return runJob(dxtransfer::kCamDataLoad, values); }

void Ctl::print(const std::string& line) {
    if (!o_.json) std::printf("%s\n", line.c_str());
}

int Ctl::finish(int status) {
    if (o_.json) std::printf("%s\n", out_.dump(2).c_str());
    std::fflush(stdout);
    if (interrupted()) return kExitInterrupted;
    if (status == kExitOk && failed_) return kExitFailed;
    return status;
}

int Ctl::run(const std::string& sub) {
    // Ctrl-C is read between the link's waits, so an exchange is never cut in half
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    dxlink_set_event_pump(&Ctl::pump, this);

    int status = kExitOk;
    if (sub == "scan") status = scan();
    else if (sub == "send") status = sendCommand();
    else if (sub == "read") status = read();
    else if (sub == "diff") status = diff();
    else if (sub == "write") status = write();
    else if (sub == "backup") status = dump(false);
    else if (sub == "restore") status = dump(true);
    else if (sub == "export") status = titlesExport();
    else if (sub == "import") status = titlesImport();
    else status = preset(sub);
    return finish(status);
}

// ---- scan

int Ctl::scan() {
    dxtransfer::ScanRequest request;
    request.ids = o_.p2p ? std::vector<int>{0} : cameras_;
    request.windowMs = o_.windowMs;
    PlainValues values(true);
    runJob(dxtransfer::kLineScan, values, &request);
    int found = 0, missing = 0;
    for (const auto& c : values.scanned()) {
        if (!c.answered) {
            ++missing;
            continue;
        }
        ++found;
        failed_ = failed_ || !c.ok;
        out_.push_back({{"camera", c.id == 0 ? json(nullptr) : json(c.id)}, {"title", c.title}, {"ok", c.ok}});
        print((c.id == 0 ? std::string("camera") : std::to_string(c.id)) + "\t" + c.title + (c.ok ? "" : "\t(failed)"));
    }
    // on a whole line absent IDs are expected; a camera named on purpose must answer
    if (found == 0 || ((o_.p2p || !cameras_.empty()) && missing > 0)) return kExitFailed;
    return kExitOk;
}

// ---- send

int Ctl::sendCommand() {
    const std::string& c = o_.command;
    const int group = dxcmd::HexByteAt(c, dxcmd::HexByteAt(c, 0) == 0x8F ? 6 : 3);
    int status = kExitOk;
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        st_.LogLabel = "";
        std::string reply;
        if (group >= 0 && group < 0x40) {  // a read: the reply is acknowledged as the console does
            try {
                reply = commands_.ExecCmdRecv(c, "A0", st_.QueryWaitLong);
            } catch (const dxcmd::BadReplyError&) {
                reply = "NL";
            }
        } else {
            reply = commands_.ExecCmd(c, "A0", "", "") == 0 ? "A0" : "NL";
        }
        if (reply == "NL") status = kExitFailed;
        out_.push_back({{"camera", id == 0 ? json(nullptr) : json(id)}, {"reply", reply}});
        print((id == 0 ? "" : std::to_string(id) + "\t") + reply);
    }
    return status;
}

// ---- read, diff, write

int Ctl::read() {
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        PlainValues values(detectDX430());
        if (!loadCamera(values)) {
            failed_ = true;
            continue;
        }
        const Rendered r = Render(values, dialogs_);
        json cam{{"camera", id == 0 ? json(nullptr) : json(id)},
                 {"model", values.isDX430() ? "DX-430" : "DX-410"},
                 {"title", values.cameraTitle()}};
        for (const auto& [key, command] : r) cam["values"][key] = command;
        out_.push_back(cam);
        if (!o_.out.empty()) {
            std::string text = "[APPTYPE]\r\nAPPNAME=" + str(dxparams::kAppId) + "\r\n[OPTION]\r\nMODEL=" +
                               (values.isDX430() ? "0" : "1") + "\r\nCOMPORT=" + std::to_string(st_.CommPort) +
                               "\r\nDEVICETYPE=" + std::to_string(st_.CommDeviceType) + "\r\nCOMMUNICATION STYLE=" +
                               std::to_string(st_.CommStyle) + "\r\nCOMMUNICATION MACHINE ID=" +
                               Hex2(id == 0 ? 1 : id) + "\r\n";
            for (std::string_view section : {"VALUE02", "VALUE03", "STRING"}) {
                text += "[" + str(section) + "]\r\n";
                for (const auto& [key, command] : r)
                    if (SectionOf(key) == section) text += key + "=" + command + "\r\n";
            }
            if (!dxcmd::ReplaceFileAtomically(o_.out, text)) {
                std::fprintf(stderr, "dxctl: cannot write %s\n", o_.out.c_str());
                return kExitUsage;
            }
            continue;
        }
        if (id != 0) print("[camera " + std::to_string(id) + "]");
        print("MODEL = " + std::string(values.isDX430() ? "DX-430" : "DX-410"));
        for (const auto& [key, command] : r) print(key + " = " + command);
    }
    return kExitOk;
}

Rendered Ctl::fileRendered() { return Render(*file_, dialogs_); }

int Ctl::diff() {
    const Rendered want = fileRendered();
    int status = kExitOk;
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        PlainValues values(detectDX430());
        if (!loadCamera(values)) continue;
        const Rendered have = Render(values, dialogs_);
        json cam{{"camera", id == 0 ? json(nullptr) : json(id)}, {"differences", json::array()}};
        for (const auto& [key, command] : want) {
            const auto it = have.find(key);
            const std::string camera = it == have.end() ? "" : it->second;
            if (camera == command) continue;
            status = kExitFailed;
            cam["differences"].push_back({{"key", key}, {"camera", camera}, {"file", command}});
            print((id == 0 ? "" : std::to_string(id) + "\t") + key + "\tcamera " +
                  (camera.empty() ? "-" : camera) + "\tfile " + command);
        }
        out_.push_back(cam);
    }
    return status;
}

int Ctl::write() {
    const Rendered want = fileRendered();
    int status = kExitOk;
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        std::set<std::string> differing;
        std::string lensFile = o_.file;
        if (o_.onlyChanged) {
            PlainValues values(detectDX430());
            if (!loadCamera(values)) continue;
            const Rendered have = Render(values, dialogs_);
            for (const auto& [key, command] : want) {
                const auto it = have.find(key);
                if (it == have.end() || it->second != command) differing.insert(key);
            }
            // stored lens positions go only when the camera is elsewhere
            bool lensMoved = false;
            for (const dxparams::Param* p : {&cat::FocusPosition, &cat::ZoomPosition, &cat::IrisPosition}) {
                const std::string v = dxcmd::ReadProfileString(o_.file, str(p->section()), str(p->key));
                if (!IsCommandFrame(v)) continue;
                st_.LogLabel = str(p->label);
                try {
                    commands_.QueryCamera(str(p->query));
                } catch (const dxcmd::BadReplyError&) {
                }
                lensMoved = lensMoved || st_.LastReply != v;
            }
            if (!lensMoved) lensFile.clear();
            if (differing.empty() && lensFile.empty()) {
                out_.push_back({{"camera", id == 0 ? json(nullptr) : json(id)}, {"sent", 0}});
                print((id == 0 ? "" : std::to_string(id) + "\t") + "no changes");
                continue;
            }
        }
        int sent = 0;
        dialogs_.clearFailed();
        PlainHandlers handlers(*file_, dialogs_, [&](const Sent& s) {
            if (o_.onlyChanged && !differing.count(s.key)) return;
            if (interrupted()) return;
            st_.LogLabel = s.label;
            if (s.send)
                commands_.ExecSend(s.command, s.section, s.key);
            else
                commands_.ExecCmd(s.command, "A0", s.section, s.key);
            ++sent;
        });
        dxparams::SaveChanges(commands_, handlers, lensFile);
        failed_ = failed_ || dialogs_.failed();
        json cam{{"camera", id == 0 ? json(nullptr) : json(id)}, {"sent", sent}};
        print((id == 0 ? "" : std::to_string(id) + "\t") + "sent " + std::to_string(sent) + " values");
        if (o_.verify && !interrupted()) {
            PlainValues back(file_->isDX430());
            if (loadCamera(back)) {
                const Rendered have = Render(back, dialogs_);
                cam["differences"] = json::array();
                for (const auto& [key, command] : want) {
                    const auto it = have.find(key);
                    if (it != have.end() && it->second == command) continue;
                    status = kExitFailed;
                    cam["differences"].push_back({{"key", key}, {"camera", it == have.end() ? "" : it->second},
                                                  {"file", command}});
                    print((id == 0 ? "" : std::to_string(id) + "\t") + "differs: " + key);
                }
            }
        }
        out_.push_back(cam);
    }
    return status;
}

// ---- memory

int Ctl::dump(bool upload) {
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        st_.DumpFilePath = upload ? o_.file
                                  : (fs::path(o_.file) / (id == 0 ? std::string("camera") : std::to_string(id)))
                                            .string() + ".dmp";
        PlainValues unused(true);
        const bool ok = runJob(upload ? dxtransfer::kDump64Upload : dxtransfer::kDump64Download, unused);
        out_.push_back({{"camera", id == 0 ? json(nullptr) : json(id)}, {"file", st_.DumpFilePath}, {"ok", ok}});
        print((id == 0 ? "" : std::to_string(id) + "\t") + (ok ? "done\t" : "failed\t") + st_.DumpFilePath);
    }
    return kExitOk;
}

// ---- titles and presets

int Ctl::titlesExport() {
    address(targets().front());
    PlainValues values(true);
    if (!runJob(dxtransfer::kPositionTitleLoad, values)) return kExitFailed;
    if (!dxcmd::ReplaceFileAtomically(o_.file, TitlesCsv(values.presetTitles()))) {
        std::fprintf(stderr, "dxctl: cannot write %s\n", o_.file.c_str());
        return kExitUsage;
    }
    return kExitOk;
}

int Ctl::titlesImport() {
    std::string text, error;
    dxcmd::ReadSmallFile(o_.file, text, 1 << 20);
    const std::vector<TitleRow> rows = ParseTitlesCsv(text, error);
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        PlainValues values(true);
        if (!runJob(dxtransfer::kPositionTitleLoad, values)) continue;
        int sent = 0;
        dialogs_.clearFailed();
        const auto& codeSet = dxparams::trg::CharacterCodeSetB;
        st_.LogLabel = str(codeSet.label);
        commands_.ExecCmd(str(codeSet.command), "A0", "TRIGGER", str(codeSet.key));
        for (const TitleRow& row : rows) {
            if (interrupted()) break;
            if (values.presetTitles()[size_t(row.position)] == row.latin1) continue;
            const auto p = static_cast<int16_t>(row.position);
            st_.LogLabel = str(cat::PresetPosition.labelSet);
            if (commands_.ExecCmd(str(cat::PresetPosition.setShort) + dxcmd::EncodeValue(p), "A0", "", "") != 0)
                continue;  // another preset would get the title
            st_.LogLabel = str(cat::PositionTitle.label);
            commands_.ExecSend(dxparams::TitleFrame(row.latin1, cat::PositionTitle.code), "STRING",
                               dxparams::PositionTitleKey(p));
            st_.LogLabel = str(dxparams::trg::EnterPosition.label);
            commands_.ExecCmd(str(dxparams::trg::EnterPosition.command), "A0", "", "");
            ++sent;
        }
        failed_ = failed_ || dialogs_.failed();
        out_.push_back({{"camera", id == 0 ? json(nullptr) : json(id)}, {"sent", sent}});
        print((id == 0 ? "" : std::to_string(id) + "\t") + "sent " + std::to_string(sent) + " titles");
    }
    return kExitOk;
}

int Ctl::preset(const std::string& action) {
    const auto n = static_cast<int16_t>(o_.preset);
    const std::string select = str(cat::PresetPosition.setShort) + dxcmd::EncodeValue(n);
    for (int id : targets()) {
        if (interrupted()) break;
        address(id);
        dialogs_.clearFailed();
        if (action == "call") {
            st_.LogLabel = str(cat::PresetPosition.labelSet);
            commands_.ExecCmd(select, "A0", "", "");
        } else if (action == "clear") {
            commands_.ExecCmd(str(dxparams::trg::PositionReset.command) + dxcmd::EncodeValue(n), "A0", "", "");
        } else {
            // selecting the preset moves the camera there: what a preset stores
            // is read first and put back before ENTER stores it
            std::vector<std::string> current;
            for (const dxparams::Param* p : {&cat::PanPosition, &cat::TiltPosition, &cat::IrisMode,
                                             &cat::WhiteBalanceMode, &cat::BlcArea, &cat::WhiteBalanceRB,
                                             &cat::WhiteBalanceMgG}) {
                st_.LogLabel = str(p->label);
                try {
                    commands_.QueryCamera(str(p->query));
                    if (IsCommandFrame(st_.LastReply)) current.push_back(st_.LastReply);
                } catch (const dxcmd::BadReplyError&) {
                }
            }
            if (dialogs_.failed()) {
                failed_ = true;
                continue;  // storing a half-read position would be worse than none
            }
            st_.LogLabel = str(cat::PresetPosition.labelSet);
            if (commands_.ExecCmd(select, "A0", "", "") == 0) {
                for (const std::string& frame : current) commands_.ExecCmd(frame, "A0", "", "");
                if (o_.hasTitle) {
                    const auto& codeSet = dxparams::trg::CharacterCodeSetB;
                    st_.LogLabel = str(codeSet.label);
                    commands_.ExecCmd(str(codeSet.command), "A0", "TRIGGER", str(codeSet.key));
                    st_.LogLabel = str(cat::PositionTitle.label);
                    commands_.ExecSend(dxparams::TitleFrame(dxparams::TrimBlanks(o_.title), cat::PositionTitle.code),
                                       "STRING", dxparams::PositionTitleKey(n));
                }
                st_.LogLabel = str(dxparams::trg::EnterPosition.label);
                commands_.ExecCmd(str(dxparams::trg::EnterPosition.command), "A0", "", "");
            }
        }
        failed_ = failed_ || dialogs_.failed();
        out_.push_back({{"camera", id == 0 ? json(nullptr) : json(id)}, {"ok", !dialogs_.failed()}});
        print((id == 0 ? "" : std::to_string(id) + "\t") + (dialogs_.failed() ? "failed" : "done"));
    }
    return kExitOk;
}

}  // namespace dxctl
