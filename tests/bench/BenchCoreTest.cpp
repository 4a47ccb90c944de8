// dxbench's arithmetic: what the trace counts, the line limit, the medians
// of the ratios, the JSON line, and the command line's refusals.
#include "BenchCore.h"

#include <gtest/gtest.h>

using namespace dxbench;

TEST(LineCount, CountsTraceLinesByDirection) {
    const struct { const char* line; LineCount after; } counted[] = {  // from zero
        {"<< 83:42:13:01", {1, 0, 0, 4, 0}}, {"<< A0", {0, 1, 0, 1, 0}}, {">> A0:83:42:13:01", {0, 0, 1, 0, 5}}};
    for (const auto& c : counted) {
        LineCount n;
        EXPECT_TRUE(n.add(c.line) && n == c.after) << c.line;
    }
    for (const char* line : {"dxcamsim: camera on /dev/pts/3", "<< ", "<<83:42", "<< 83:4", "<< 83:42:", "<< 8G:42",
                             "<> 83:42", "<< 83-42"}) {
        LineCount n;
        EXPECT_FALSE(n.add(line) || !(n == LineCount{})) << line;
    }
}

Run MakeRun(double wall, double cpu, size_t exchanges = 1) {
    Run r{{}, wall, cpu};
    for (size_t i = 0; i < exchanges; ++i) r.line.add("<< 83:42:13:01"), r.line.add(">> A0");
    return r;
}

// Every byte at eleven bits, a turnaround per reply; the ratios are taken
// per run and then their median, not median over median.
TEST(Summarise, LimitMediansAndProblems) {
    const double limit = 5 * 11.0 / 9600 + 0.002;
    const JobResult r = Summarise("j", {MakeRun(2 * limit, 0.001), MakeRun(limit, 0.004), MakeRun(4 * limit, 0)}, 2, {});
    EXPECT_EQ(r.problem, "");
    EXPECT_NEAR(r.limitS, limit, 1e-12);
    EXPECT_NEAR(r.wallLimit, 2, 1e-9);
    EXPECT_NEAR(r.cpuWall, 0.001 / (2 * limit), 1e-9);
    EXPECT_EQ(Summarise("j", {MakeRun(0.01, 0), MakeRun(0.01, 0, 2)}, 2, {"a", "b"}).problem,
              "a; b; runs exchanged different bytes");
    EXPECT_EQ(Summarise("j", {MakeRun(0.01, 0, 0)}, 2, {}).problem, "nothing reached the camera");
    EXPECT_EQ(Summarise("j", {}, 2, {}).problem, "no run");
    EXPECT_EQ(JsonLine(Summarise("title \"load\"", {MakeRun(0.5, 0.01, 2)}, 0, {"bad\nreply"})),
              "{\"job\":\"title \\\"load\\\"\",\"exchanges\":2,\"bytes_sent\":8,\"bytes_received\":2,\"limit_s\":0.011458,"
              "\"wall_s\":0.500000,\"cpu_s\":0.010000,\"wall_limit\":43.636,\"cpu_wall\":0.0200,\"runs\":1,"
              "\"problem\":\"bad\\nreply\"}");
    EXPECT_EQ(JsonString(std::string("a\x01z\t")), "\"a\\u0001z\\t\"");
}

TEST(Options, BadCommandLinesAreRefusedWithAReason) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--runs", "0"}, {"--runs", "x"}, {"--runs"}, {"--turnaround", "-1"}, {"--only", ","}, {"--fast"}}) {
        std::string error;
        EXPECT_TRUE(!ParseOptions(args, error) && !error.empty()) << args[0];
    }
    std::string error;
    const auto o = ParseOptions({"--quick", "--runs", "5", "--only", "exec_cmd,,query_camera"}, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->runs, 5);  // --runs wins over --quick's single run
    EXPECT_EQ(o->only, (std::vector<std::string>{"exec_cmd", "query_camera"}));
}
