// dxbench's arithmetic: what the trace counts, the line limit, the medians
// of the ratios, the JSON lines, and the command line's refusals.
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

TEST(Options, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--runs", "0"}, {"--runs", "x"}, {"--runs"}, {"--turnaround", "-1"}, {"--only", ","}, {"--fast"}};
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseOptions(args, error).has_value()) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    std::string error;
    const auto o = ParseOptions({"--quick", "--runs", "5", "--only", "exec_cmd,,query_camera"}, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->runs, 5);  // --runs wins over --quick's single run
    EXPECT_EQ(o->only, (std::vector<std::string>{"exec_cmd", "query_camera"}));
}
