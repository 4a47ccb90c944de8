// dxbench's arithmetic: what the trace counts, the line limit, medians, the
// table and JSON lines, and the command line.
#include "BenchCore.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dxbench;

TEST(LineCount, CountsTraceLinesByDirection) {
    const struct {
        const char* line;
        bool counted;
        LineCount after;  // from zero
    } cases[] = {
        {"<< 83:42:13:01", true, {1, 0, 0, 4, 0}},
        {"<< A0", true, {0, 1, 0, 1, 0}},  // the host's acknowledgement of a reply
        {"<< B1:01:03:82:02:13", true, {1, 0, 0, 6, 0}},
        {">> A0", true, {0, 0, 1, 0, 1}},
        {">> A0:83:42:13:01", true, {0, 0, 1, 0, 5}},
        {"dxcamsim: camera on /dev/pts/3", false, {}},
        {"<< ", false, {}},
        {"<<83:42", false, {}},
        {"<< 83:4", false, {}},
        {"<< 83:42:", false, {}},
        {"<< 8G:42", false, {}},
        {"<> 83:42", false, {}},
        {"<< 83-42", false, {}},
    };
    for (const auto& c : cases) {
        LineCount n;
        EXPECT_EQ(n.add(c.line), c.counted) << c.line;
        EXPECT_TRUE(n == c.after) << c.line;
    }
}

TEST(LineCount, LimitIsEveryByteAtElevenBitsPlusATurnaroundPerReply) {
    LineCount n;
    for (const char* l : {"<< 82:02:13", ">> A0:83:42:13:01", "<< A0"}) ASSERT_TRUE(n.add(l));
    EXPECT_EQ(n.exchanges, 1u);
    EXPECT_EQ(n.hostAcks, 1u);
    EXPECT_EQ(n.replies, 1u);
    EXPECT_EQ(n.bytesSent, 4u);
    EXPECT_EQ(n.bytesReceived, 5u);
    const struct {
        double turnaroundMs, seconds;
    } cases[] = {{0, 9 * 11.0 / 9600}, {2, 9 * 11.0 / 9600 + 0.002}, {40, 9 * 11.0 / 9600 + 0.040}};
    for (const auto& c : cases) EXPECT_NEAR(LimitSeconds(n, c.turnaroundMs), c.seconds, 1e-12) << c.turnaroundMs;
    EXPECT_EQ(LimitSeconds(LineCount{}, 2), 0);
}

TEST(Median, MiddleOrMeanOfTheTwoMiddle) {
    const struct {
        std::vector<double> v;
        double m;
    } cases[] = {{{}, 0}, {{3}, 3}, {{5, 1, 3}, 3}, {{4, 1, 3, 2}, 2.5}, {{2, 2, 9, 2}, 2}};
    for (const auto& c : cases) EXPECT_EQ(Median(c.v), c.m) << c.v.size();
}

namespace {

dxbench::Run MakeRun(double wall, double cpu, size_t exchanges = 1) {
    dxbench::Run r;
    for (size_t i = 0; i < exchanges; ++i) {
        r.line.add("<< 83:42:13:01");
        r.line.add(">> A0");
    }
    r.wallS = wall;
    r.cpuS = cpu;
    return r;
}

}  // namespace

TEST(Summarise, MediansOfEachRunsRatios) {
    // limit of one exchange at turnaround 2: 5 bytes and one reply
    const double limit = 5 * 11.0 / 9600 + 0.002;
    const JobResult r =
        Summarise("exec_cmd", {MakeRun(2 * limit, 0.001), MakeRun(1 * limit, 0.004), MakeRun(4 * limit, 0.0)}, 2, {});
    EXPECT_EQ(r.runs, 3u);
    EXPECT_TRUE(r.problem.empty()) << r.problem;
    EXPECT_NEAR(r.limitS, limit, 1e-12);
    EXPECT_NEAR(r.wallS, 2 * limit, 1e-12);
    EXPECT_NEAR(r.cpuS, 0.001, 1e-12);
    EXPECT_NEAR(r.wallLimit, 2, 1e-9);
    // per run 0.001/2L, 0.004/L, 0: the middle one, not median cpu over median wall
    EXPECT_NEAR(r.cpuWall, 0.001 / (2 * limit), 1e-9);
}

TEST(Summarise, ProblemsAreNamed) {
    const struct {
        std::vector<dxbench::Run> runs;
        std::vector<std::string> problems;
        const char* expected;  // "" none
    } cases[] = {
        {{MakeRun(0.01, 0), MakeRun(0.01, 0)}, {}, ""},
        {{MakeRun(0.01, 0), MakeRun(0.01, 0, 2)}, {}, "runs exchanged different bytes"},
        {{MakeRun(0.01, 0, 0)}, {}, "nothing reached the camera"},
        {{MakeRun(0.01, 0)}, {"a", "b"}, "a; b"},
        {{}, {}, "no run"},
    };
    for (const auto& c : cases) EXPECT_EQ(Summarise("j", c.runs, 2, c.problems).problem, c.expected) << c.expected;
}

TEST(Report, JsonLineHoldsEveryFieldAndEscapes) {
    JobResult r = Summarise("title \"load\"", {MakeRun(0.5, 0.01, 2)}, 0, {"bad\nreply"});
    const std::string j = JsonLine(r);
    for (const char* field : {"{\"job\":\"title \\\"load\\\"\"", "\"exchanges\":2", "\"bytes_sent\":8",
                              "\"bytes_received\":2", "\"limit_s\":0.011458", "\"wall_s\":0.500000",
                              "\"cpu_s\":0.010000", "\"wall_limit\":43.636", "\"cpu_wall\":0.0200", "\"runs\":1",
                              "\"problem\":\"bad\\nreply\"}"})
        EXPECT_NE(j.find(field), std::string::npos) << field << " in " << j;
    EXPECT_EQ(j.find('\n'), std::string::npos);
    EXPECT_EQ(JsonLine(Summarise("ok", {MakeRun(0.5, 0.01)}, 0, {})).find("problem"), std::string::npos);
    EXPECT_EQ(JsonString(std::string("a\x01z\t")), "\"a\\u0001z\\t\"");
}

TEST(Report, TableRowFollowsTheHeader) {
    const std::string head = TableHeader(), row = TableRow(Summarise("exec_cmd", {MakeRun(0.01, 0.001)}, 2, {}));
    EXPECT_EQ(head.rfind("job", 0), 0u);
    EXPECT_EQ(row.rfind("exec_cmd", 0), 0u);
    EXPECT_EQ(row.size(), head.size());
    EXPECT_NE(TableRow(Summarise("x", {}, 2, {})).find("PROBLEM: no run"), std::string::npos);
}

TEST(Options, CommandLine) {
    const struct {
        std::vector<std::string> args;
        bool ok;
        int runs, turnaround;
        bool quick, inProcess, startup;
        std::vector<std::string> only;
    } cases[] = {
        {{}, true, 3, 2, false, false, true, {}},
        {{"--quick"}, true, 1, 2, true, false, true, {}},
        {{"--quick", "--runs", "5"}, true, 5, 2, true, false, true, {}},
        {{"--runs", "5", "--quick"}, true, 5, 2, true, false, true, {}},
        {{"--turnaround", "0", "--in-process", "--no-startup"}, true, 3, 0, false, true, false, {}},
        {{"--only", "exec_cmd,,query_camera"}, true, 3, 2, false, false, true, {"exec_cmd", "query_camera"}},
        {{"--runs", "0"}, false, 0, 0, false, false, false, {}},
        {{"--runs", "x"}, false, 0, 0, false, false, false, {}},
        {{"--runs"}, false, 0, 0, false, false, false, {}},
        {{"--turnaround", "-1"}, false, 0, 0, false, false, false, {}},
        {{"--only", ","}, false, 0, 0, false, false, false, {}},
        {{"--fast"}, false, 0, 0, false, false, false, {}},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto o = ParseOptions(c.args, error);
        ASSERT_EQ(o.has_value(), c.ok) << (c.args.empty() ? "" : c.args[0]);
        if (!o) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(o->runs, c.runs);
        EXPECT_EQ(o->turnaroundMs, c.turnaround);
        EXPECT_EQ(o->quick, c.quick);
        EXPECT_EQ(o->inProcess, c.inProcess);
        EXPECT_EQ(o->startup, c.startup);
        EXPECT_EQ(o->only, c.only);
    }
}
