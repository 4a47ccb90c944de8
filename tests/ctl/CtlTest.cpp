// The dxctl program as installed, against the simulator on a pty.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>

#include <nlohmann/json.hpp>

#include "dxsim/CameraSim.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class Ctl : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("dxctl-test-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    std::unique_ptr<dxsim::CameraSim> sim(dxsim::Model model, int cameras = 0, int lateMs = 6000) {
        dxsim::Options o;
        o.lateMs = lateMs;
        o.model = model;
        o.multiDropCameras = cameras;
        o.paced = false;
        auto s = std::make_unique<dxsim::CameraSim>(o);
        EXPECT_TRUE(s->start());
        return s;
    }

    pid_t spawn(const dxsim::CameraSim& s, std::vector<std::string> args) {
        args.insert(args.begin(), {DXCTL_PATH, "-q", "--device", s.devicePath()});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, (dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, DXCTL_PATH, &files, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }
    // A dxctl that hangs fails its own case, not the whole program at its time-out.
    Result wait(pid_t pid) {
        const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
        pollfd p{fd, POLLIN, 0};
        if (fd < 0 || ::poll(&p, 1, 30000) != 1) {
            ::kill(pid, SIGKILL);
            ADD_FAILURE() << "dxctl did not end within 30 s";
        }
        if (fd >= 0) ::close(fd);
        int ws = 0;
        ::waitpid(pid, &ws, 0);
        return {WIFEXITED(ws) ? WEXITSTATUS(ws) : -1, ReadAll(dir / "stdout")};
    }
    Result run(const dxsim::CameraSim& s, std::vector<std::string> args) { return wait(spawn(s, std::move(args))); }
    std::string file(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
};

TEST_F(Ctl, BadInputEndsWithStatusTwoAndNothingOnTheLine) {
    auto line = sim(dxsim::Model::DX430, 4);
    const std::string notSetting = file("other.dat", "[APPTYPE]\r\nAPPNAME=OTHER\r\n");
    const std::string accented = file("accent.csv", "1,Caf\xC3\xA9\r\n");
    const std::string underscore = file("under.csv", "position,title\r\n2,A_B\r\n");
    const std::string position = file("pos.csv", "100,GATE\r\n");
    const std::string quote = file("quote.csv", "3,\"GATE\r\n");
    const std::vector<std::vector<std::string>> cases = {
        {"frob"},
        {"scan", "--frob"},
        {"--camera", "0", "scan"},
        {"--camera", "", "scan"},
        {"scan", "--camera", "33"},
        {"--camera", "1,5-3", "read"},
        {"--port", "5", "scan"},
        {"--interface", "rs999", "scan"},
        {"diff", notSetting},
        {"write", dir.string() + "/missing.dat"},
        {"titles", "import", accented},
        {"titles", "import", underscore},
        {"titles", "import", position},
        {"titles", "import", quote},
        {"send", "83:42"},
        {"send", "90:01"},
        {"send", "82:0G:04"},
        {"send", "82:02:04:"},
        {"preset", "call", "100"},
        {"preset", "save", "3", "--title", "A_B"},
        {"restore", dir.string() + "/missing.dmp"},
        {"backup", dir.string() + "/missing"},
        {"--camera", "1,2", "read", "--out", dir.string() + "/x.dat"},
    };
    for (const auto& args : cases) {
        std::string text;
        for (const auto& a : args) text += a + " ";
        EXPECT_EQ(run(*line, args).status, 2) << text;
    }
    EXPECT_TRUE(line->received().empty());
    EXPECT_TRUE(line->noise().empty());
    EXPECT_EQ(run(*line, {"--device", (dir / "nothing").string(), "scan"}).status, 2);
}

TEST_F(Ctl, ScanListsTheAnsweringCamerasAndTheirTitles) {
    auto line = sim(dxsim::Model::DX430, 32, 30);  // late answers still inside the window
    for (int id = 1; id <= 32; ++id) {
        auto s = line->state(id);
        s.title = "CAM " + std::to_string(id);
        line->setState(s, id);
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "B1:01:%02X:", id);
        if (id != 3 && id != 17 && id != 32) line->injectFault(prefix, dxsim::Fault::NoReply, 1000);
    }
    EXPECT_EQ(run(*line, {"scan"}).out, "3\tCAM 3\n17\tCAM 17\n32\tCAM 32\n");
    const auto found = nlohmann::json::parse(run(*line, {"scan", "--json"}).out);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[1], (nlohmann::json{{"camera", 17}, {"title", "CAM 17"}, {"ok", true}}));

    // a camera that answers but fails its title query is listed, and fails the run
    line->injectFault("B1:01:11:82:06:00", dxsim::Fault::BadFirstByte);
    const Result r = run(*line, {"scan", "--window", "80"});
    EXPECT_EQ(r.out, "3\tCAM 3\n17\t\t(failed)\n32\tCAM 32\n");
    EXPECT_EQ(r.status, 1);
    // named IDs must answer
    EXPECT_EQ(run(*line, {"scan", "--camera", "3,4"}).status, 1);

    // faults at random: never an ID that is not there, and a failure fails the run
    line->setFaultRate(0.2, 19);
    for (int round = 0; round < 3; ++round) {
        const Result f = run(*line, {"scan"});
        for (size_t at = 0; at < f.out.size(); at = f.out.find('\n', at) + 1) {
            const int id = std::stoi(f.out.substr(at));
            EXPECT_TRUE(id == 3 || id == 17 || id == 32) << f.out;
        }
        EXPECT_EQ(f.status, f.out.empty() || f.out.find("(failed)") != std::string::npos ? 1 : 0) << f.out;
    }

    // an answer after its window is never taken for the next ID's
    auto late = sim(dxsim::Model::DX430, 3, 420);
    late->injectFault("B1:01:03:83:45:30:01", dxsim::Fault::Late);
    EXPECT_EQ(run(*late, {"scan", "--camera", "3,4", "--window", "400"}).out.find("4\t"), std::string::npos);
}

TEST_F(Ctl, SettingsGoFromOneModelToTheOtherThroughAFile) {
    auto dx410 = sim(dxsim::Model::DX410);
    auto dx430 = sim(dxsim::Model::DX430);
    auto s = dx410->state();
    s.value02[0x13] = 2;      // AGC
    s.value03[0x04] = 1234;   // pan
    s.value03[0x3E] = 130;    // colour +2
    s.title = "NORTH GATE";
    dx410->setState(s);
    const std::string dat = (dir / "a.dat").string();
    ASSERT_EQ(run(*dx410, {"read", "--out", dat}).status, 0);
    EXPECT_EQ(run(*dx430, {"diff", dat}).status, 1);
    const std::string record = (dir / "record.orn").string();
    ASSERT_EQ(run(*dx430, {"write", dat, "--verify", "--record", record}).status, 0);
    EXPECT_NE(ReadAll(record).find("08-AGC MODE=83:42:13:02"), std::string::npos);
    EXPECT_EQ(run(*dx430, {"diff", dat}).status, 0);
    EXPECT_EQ(dx430->state().value02[0x13], 2);
    EXPECT_EQ(dx430->state().value03[0x04], 1234);
    EXPECT_EQ(dx430->state().value03[0x3E], 130);
    EXPECT_EQ(dx430->state().title, "NORTH GATE");

    // only what differs goes, then the two ENTERs
    s = dx430->state();
    s.value02[0x13] = 1;
    dx430->setState(s);
    dx430->clearReceived();
    ASSERT_EQ(run(*dx430, {"write", dat, "--only-changed"}).status, 0);
    std::vector<std::string> sets;
    for (const auto& f : dx430->received())
        if (f.rfind("83:42:13", 0) == 0 || f.rfind("83:45:16", 0) == 0 || f.rfind("84:43", 0) == 0) sets.push_back(f);
    EXPECT_EQ(sets, (std::vector<std::string>{"83:42:13:02", "83:45:16:00", "83:45:16:01"}));
}

TEST_F(Ctl, BackupRestoresIntoAnotherCamera) {
    auto line = sim(dxsim::Model::DX430, 2);
    auto other = line->state(2);
    for (auto& packet : other.memory) packet = line->state(1).memory.front();
    line->setState(other, 2);
    ASSERT_NE(line->state(1).memory, line->state(2).memory);
    ASSERT_EQ(run(*line, {"--camera", "1-2", "backup", dir.string()}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "2.dmp"));
    ASSERT_EQ(run(*line, {"restore", (dir / "1.dmp").string(), "--camera", "2"}).status, 0);
    EXPECT_EQ(line->state(2).memory, line->state(1).memory);
}

TEST_F(Ctl, PresetSaveStoresWhereTheCameraIsNow) {
    auto cam = sim(dxsim::Model::DX430);
    auto s = cam->state();
    s.value03[0x04] = 1000;
    s.presets[4].pan = 3000;
    cam->setState(s);
    ASSERT_EQ(run(*cam, {"preset", "save", "4", "--title", "HALL"}).status, 0);
    EXPECT_EQ(cam->state().presets[4].pan, 1000);
    EXPECT_EQ(cam->state().presetTitles[4], "HALL");
    ASSERT_EQ(run(*cam, {"preset", "clear", "4"}).status, 0);
    EXPECT_EQ(cam->state().presetTitles[4], "");
}

TEST_F(Ctl, InterruptedBackupLeavesNoFile) {
    auto line = sim(dxsim::Model::DX430);
    line->setPaced(true);
    const pid_t pid = spawn(*line, {"backup", dir.string()});
    ASSERT_TRUE(line->waitForFrames(10, std::chrono::seconds(10)));
    ::kill(pid, SIGINT);
    EXPECT_EQ(wait(pid).status, 130);
    EXPECT_FALSE(fs::exists(dir / "camera.dmp"));
    line->setPaced(false);
    ASSERT_EQ(run(*line, {"backup", dir.string()}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "camera.dmp"));
}

TEST_F(Ctl, TitlesGoFromOneCameraToAnotherAsCsv) {
    auto line = sim(dxsim::Model::DX430, 2);
    auto s = line->state(1);
    s.presetTitles[0] = "GATE, NORTH";
    s.presetTitles[42] = "LOBBY 2";
    s.presetTitles[99] = "ROOF";
    line->setState(s, 1);
    const std::string csv = (dir / "t.csv").string();
    ASSERT_EQ(run(*line, {"--camera", "1", "titles", "export", csv}).status, 0);
    EXPECT_NE(ReadAll(csv).find("0,\"GATE, NORTH\"\r\n"), std::string::npos);
    ASSERT_EQ(run(*line, {"--camera", "2", "titles", "import", csv}).status, 0);
    for (int p : {0, 42, 99}) EXPECT_EQ(line->state(2).presetTitles[p], s.presetTitles[p]);
}

}  // namespace
