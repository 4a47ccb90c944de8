// The long exchanges with a camera, run inside the transfer window: plain
// C++, talking to the command layer and writing into the console through
// IConsoleValues.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dxcmd/Exec.h"
#include "dxparams/SettingFiles.h"
#include "dxtransfer/ConsoleValues.h"

namespace dxtransfer {

// The transfer window's progress bar (0 to 1000).
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
};

inline constexpr int kProgressMax = 1000;

// One of n steps done: the bar moves to the integer nearest value + 1000 / n
// (an exact half to the even neighbour). The value is read back each time, so
// rounding never accumulates.
void Advance(IProgress& progress, int n);

// What a line scan asks: machine IDs (0 alone: one P to P query) and how
// long an absent ID may take.
inline constexpr int kScanWindowMs = 50;
struct ScanRequest {
    std::vector<int> ids;  // empty: 1 to 32
    int windowMs = kScanWindowMs;
};

struct JobEnv {
    dxcmd::CommandLayer& commands;
    IConsoleValues& console;
    IProgress& progress;
    // Save Changes only: the handlers it runs and the loaded setting file.
    dxparams::IConsoleHandlers* handlers = nullptr;
    std::string settingFile = {};
    const ScanRequest* scan = nullptr;  // LINESCAN; null: every ID, the default window
};

using JobRoutine = void (*)(JobEnv&);

struct JobInfo {
    std::string_view name;     // TransferJob
    std::string_view caption;  // the window's caption
    std::string_view status;   // lblStatus
    JobRoutine run;
};

inline constexpr std::string_view kCamDataLoad = "CAMDATALOAD";
inline constexpr std::string_view kPositionTitleLoad = "POSITIONTITLELOAD";
inline constexpr std::string_view kPositionDataLoad = "POSITIONDATALOAD";
inline constexpr std::string_view kDump64Download = "DUMP64DOWNLOAD";
inline constexpr std::string_view kDump64Upload = "DUMP64UPLOAD";
inline constexpr std::string_view kLineScan = "LINESCAN";
inline constexpr std::string_view kSaveChanges = "SAVECHANGES";

// nullptr for a name that is not a job.
const JobInfo* FindJob(std::string_view name);

enum class JobEnd {
    Finished,   // ran its course (a load job may have been ended by a "No")
    Cancelled,  // the operator confirmed Cancel
    Failed,     // the line died: one box said so and nothing more was sent
};

// Runs a job as one action of the command layer; an error escaping the job
// is reported, never passed on.
JobEnd RunJob(const JobInfo& job, JobEnv& env);

void CamDataLoad(JobEnv& env);
void PositionTitleLoad(JobEnv& env);
void PositionDataLoad(JobEnv& env);
// The camera's memory into the dump file at DumpFilePath, and back.
void Dump64Download(JobEnv& env);
void Dump64Upload(JobEnv& env);
// Which machine IDs answer, each with its camera title, into
// IConsoleValues::setScannedCamera.
void LineScan(JobEnv& env);
// Save Changes with a progress step and a cancel check after each of its steps.
void SaveChangesJob(JobEnv& env);

// The title in a title query's reply, in either character form, without
// leading and trailing blanks. Latin-1 text.
std::string DecodeTitle(const std::string& lastReply, const std::vector<std::string>& fields);

}  // namespace dxtransfer
