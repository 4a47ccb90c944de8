#include "BenchCore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace dxbench {

namespace {

bool HexPair(const std::string& s, size_t at) {
    return at + 2 <= s.size() && std::isxdigit(static_cast<unsigned char>(s[at])) &&
           std::isxdigit(static_cast<unsigned char>(s[at + 1]));
}

std::string Fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

bool ToInt(const std::string& s, int lo, int hi, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end || v < lo || v > hi) return false;
    out = int(v);
    return true;
}

}  // namespace

const char* const kUsage =
    "usage: dxbench [--runs N] [--turnaround MS] [--quick] [--in-process] [--no-startup]\n"
    "               [--only JOB[,JOB...]] [--dxcamsim PATH] [--program PATH]\n";

size_t TextBytes(const std::string& hex) { return hex.empty() ? 0 : (hex.size() + 1) / 3; }

bool LineCount::add(const std::string& line) {
    if (line.size() < 5 || line[2] != ' ') return false;
    const bool in = line.compare(0, 2, "<<") == 0, out = line.compare(0, 2, ">>") == 0;
    if (!in && !out) return false;
    const std::string text = line.substr(3);
    // whole "XX:XX:..." text only
    if ((text.size() + 1) % 3 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 3)
        if (!HexPair(text, i) || (i + 2 < text.size() && text[i + 2] != ':')) return false;
    const size_t n = TextBytes(text);
    if (out) {
        ++replies;
        bytesReceived += n;
    } else {
        ++(text == "A0" ? hostAcks : exchanges);
        bytesSent += n;
    }
    return true;
}

double LimitSeconds(const LineCount& c, double turnaroundMs) {
    return double(c.bytesSent + c.bytesReceived) * kByteSeconds + double(c.replies) * turnaroundMs / 1000.0;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

JobResult Summarise(const std::string& job, const std::vector<Run>& runs, double turnaroundMs,
                    const std::vector<std::string>& problems) {
    JobResult r;
    r.job = job;
    r.runs = runs.size();
    for (const std::string& p : problems) r.problem += (r.problem.empty() ? "" : "; ") + p;
    if (runs.empty()) {
        if (r.problem.empty()) r.problem = "no run";
        return r;
    }
    r.line = runs.front().line;
    std::vector<double> limit, wall, cpu, wallLimit, cpuWall;
    bool varied = false;
    for (const Run& run : runs) {
        varied = varied || !(run.line == r.line);
        const double l = LimitSeconds(run.line, turnaroundMs);
        limit.push_back(l);
        wall.push_back(run.wallS);
        cpu.push_back(run.cpuS);
        wallLimit.push_back(l > 0 ? run.wallS / l : 0);
        cpuWall.push_back(run.wallS > 0 ? run.cpuS / run.wallS : 0);
    }
    if (r.line.exchanges == 0) r.problem += std::string(r.problem.empty() ? "" : "; ") + "nothing reached the camera";
    if (varied) r.problem += std::string(r.problem.empty() ? "" : "; ") + "runs exchanged different bytes";
    r.limitS = Median(limit);
    r.wallS = Median(wall);
    r.cpuS = Median(cpu);
    r.wallLimit = Median(wallLimit);
    r.cpuWall = Median(cpuWall);
    return r;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char b[8];
                std::snprintf(b, sizeof b, "\\u%04x", c);
                out += b;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonLine(const JobResult& r) {
    std::string s = "{\"job\":" + JsonString(r.job);
    s += ",\"exchanges\":" + std::to_string(r.line.exchanges);
    s += ",\"bytes_sent\":" + std::to_string(r.line.bytesSent);
    s += ",\"bytes_received\":" + std::to_string(r.line.bytesReceived);
    s += ",\"limit_s\":" + Fixed(r.limitS, 6);
    s += ",\"wall_s\":" + Fixed(r.wallS, 6);
    s += ",\"cpu_s\":" + Fixed(r.cpuS, 6);
    s += ",\"wall_limit\":" + Fixed(r.wallLimit, 3);
    s += ",\"cpu_wall\":" + Fixed(r.cpuWall, 4);
    s += ",\"runs\":" + std::to_string(r.runs);
    if (!r.problem.empty()) s += ",\"problem\":" + JsonString(r.problem);
    return s + "}";
}

std::string TableHeader() {
    char b[200];
    std::snprintf(b, sizeof b, "%-22s %5s %7s %7s %9s %9s %8s %7s %8s", "job", "exch", "sent", "recv", "limit s",
                  "wall s", "cpu s", "w/lim", "cpu/w");
    return b;
}

std::string TableRow(const JobResult& r) {
    char b[300];
    std::snprintf(b, sizeof b, "%-22s %5zu %7zu %7zu %9.3f %9.3f %8.4f %7.3f %8.4f", r.job.c_str(), r.line.exchanges,
                  r.line.bytesSent, r.line.bytesReceived, r.limitS, r.wallS, r.cpuS, r.wallLimit, r.cpuWall);
    return std::string(b) + (r.problem.empty() ? "" : "  PROBLEM: " + r.problem);
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    bool runsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--runs" && more) {
            if (!ToInt(args[++i], 1, 1000, o.runs)) return error = "--runs takes 1 to 1000", std::nullopt;
            runsGiven = true;
        } else if (a == "--turnaround" && more) {
            if (!ToInt(args[++i], 0, 1000, o.turnaroundMs)) return error = "--turnaround takes 0 to 1000 ms", std::nullopt;
        } else if (a == "--quick") {
            o.quick = true;
        } else if (a == "--in-process") {
            o.inProcess = true;
        } else if (a == "--no-startup") {
            o.startup = false;
        } else if (a == "--only" && more) {
            std::string list = args[++i];
            for (size_t start = 0; start <= list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                if (comma > start) o.only.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
            if (o.only.empty()) return error = "--only takes job names", std::nullopt;
        } else if (a == "--dxcamsim" && more) {
            o.dxcamsim = args[++i];
        } else if (a == "--program" && more) {
            o.program = args[++i];
        } else {
            error = "unknown or incomplete option: " + a;
            return std::nullopt;
        }
    }
    // a smoke run: each job once
    if (o.quick && !runsGiven) o.runs = 1;
    return o;
}

}  // namespace dxbench
