// The arithmetic of dxbench, apart from Qt and the simulator so that it can
// be tested: what crossed the line (from the simulator's trace), the line
// limit of a job, medians, and the table and JSON lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dxbench {

// One byte on the line: start, 8 data, parity, stop bits at 9600 baud.
inline constexpr double kByteSeconds = 11.0 / 9600.0;

// The bytes of command text ("83:42:13:01" is 4); 0 for "".
size_t TextBytes(const std::string& hex);

// What the simulator saw during a job: each "<< frame" a frame from the
// host, each ">> answer" one answer after one turnaround.
struct LineCount {
    size_t exchanges = 0;  // frames from the host but its bare A0 acknowledgements
    size_t hostAcks = 0;   // the host's A0 after a query's reply
    size_t replies = 0;    // answers the camera wrote
    size_t bytesSent = 0;  // host to camera
    size_t bytesReceived = 0;

    // One trace line; false (and nothing counted) when it is not one.
    bool add(const std::string& traceLine);
    bool operator==(const LineCount&) const = default;
};

// Every byte of both directions at the line rate, plus the turnaround
// before each answer.
double LimitSeconds(const LineCount& c, double turnaroundMs);

// The middle value; the mean of the two middle ones for an even count; 0
// for none.
double Median(std::vector<double> values);

struct Run {
    LineCount line;
    double wallS = 0;
    double cpuS = 0;
};

struct JobResult {
    std::string job;
    LineCount line;  // of the first run
    double limitS = 0, wallS = 0, cpuS = 0, wallLimit = 0, cpuWall = 0;  // medians over the runs
    size_t runs = 0;
    // empty when every run went as it should
    std::string problem;
};

// Medians over the runs; the ratios are taken per run, then their median.
// A run whose line count differs from the first is a problem: the job did
// not do the same thing each time.
JobResult Summarise(const std::string& job, const std::vector<Run>& runs, double turnaroundMs,
                    const std::vector<std::string>& problems);

std::string JsonLine(const JobResult& r);
std::string TableHeader();
std::string TableRow(const JobResult& r);

// A JSON string with its quotes; control characters escaped.
std::string JsonString(const std::string& s);

struct Options {
    int runs = 3;
    int turnaroundMs = 2;  // the simulator's default
    bool quick = false;
    bool inProcess = false;
    bool startup = true;
    std::vector<std::string> only;  // job names; empty: all
    std::string dxcamsim, program;  // paths; empty: the ones built with the bench
};

// nullopt and a message on a bad command line.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);
extern const char* const kUsage;

}  // namespace dxbench
