#include "dxtransfer/Jobs.h"

#include <array>

#include "JobSupport.h"
#include "dxcmd/Codec.h"

namespace dxtransfer {

void Advance(IProgress& progress, int n) {
    if (n <= 0) return;
    // value + 1000 / n in exact integers, an exact half to the even neighbour
    const long num = long(progress.value()) * n + kProgressMax;
    long q = num / n;
    const long twice = 2 * (num % n);
    if (twice > n || (twice == n && q % 2 != 0)) ++q;
    progress.setValue(int(q));
}

const JobInfo* FindJob(std::string_view name) {
    static constexpr std::array kJobs{
        JobInfo{kCamDataLoad, "Now loading...", "Now loading from the camera...", &CamDataLoad},
        JobInfo{kPositionTitleLoad, "Now Position Title loading...", "Now Position Title loading...",
                &PositionTitleLoad},
        JobInfo{kPositionDataLoad, "Now Position Data loading...", "Now Position Data loading...",
                &PositionDataLoad},
        JobInfo{kDump64Download, "Now Downloading...", "Now Downloading from the camera...", &Dump64Download},
        JobInfo{kDump64Upload, "Now Uploading...", "Now Uploading to the camera...", &Dump64Upload},
        JobInfo{kLineScan, "Now Scanning...", "Now scanning the line for cameras...", &LineScan},
        JobInfo{kSaveChanges, "Now Saving...", "Now saving to the camera...", &SaveChangesJob},
    };
    for (const JobInfo& j : kJobs)
        if (j.name == name) return &j;
    return nullptr;
}

JobEnd RunJob(const JobInfo& job, JobEnv& env) {
    dxcmd::Action action(env.commands, dxcmd::Action::Kind::Job);
    try {
        job.run(env);
    } catch (const std::exception&) {
        env.commands.dialogs().message("Unknown error.", "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok,
                                       dxcmd::Answer::Ok);
    }
    if (action.failed()) return JobEnd::Failed;
    return env.commands.state().TransferCancelled ? JobEnd::Cancelled : JobEnd::Finished;
}

void SaveChangesJob(JobEnv& env) {
    if (!env.handlers) return;
    dxparams::SaveChanges(env.commands, *env.handlers, env.settingFile, [&env](int steps) {
        Advance(env.progress, steps);
        return !detail::Cancelled(env);
    });
}

std::string DecodeTitle(const std::string& lastReply, const std::vector<std::string>& fields) {
    // the third byte 46 marks one field per character (code set B)
    const bool oneField = lastReply.size() >= 8 && lastReply.compare(6, 2, "46") == 0;
    std::string title;
    int kept = -1;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].empty()) continue;
        const int v = dxcmd::FieldValue(fields, i);
        if (v < 0) continue;
        if (oneField) {
            title += char((v + 32) & 0xFF);
        } else if (i % 2 == 0) {
            kept = v & 0x0F;
        } else {
            title += char((kept < 0 ? 0 : kept) * 16 + (v & 0x0F));
            kept = -1;
        }
    }
    const size_t b = title.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return title.substr(b, title.find_last_not_of(' ') - b + 1);
}

}  // namespace dxtransfer
