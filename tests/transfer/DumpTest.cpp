#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "JobRig.h"
#include "dxcmd/Codec.h"

using namespace dxtest;
using dxsim::Fault;

namespace {

std::string packetRead(int k) {
    return "84:0A:00:" + dxcmd::EncodeValue(int16_t(k / 128)) + ":" + dxcmd::EncodeValue(int16_t(k % 128));
}

Strings upTo(Strings all, size_t n) { return Strings(all.begin(), all.begin() + long(n)); }

// The whole handshake of an upload of these lines.
Strings uploadCommands(const Strings& lines) {
    Strings c{"82:0B:04", "82:0B:05", "82:0B:01", "83:4B:02:00"};
    c.insert(c.end(), lines.begin(), lines.end());
    return c.insert(c.end(), {"82:0B:06", "83:4B:03:00"}), c;
}

std::string dumpText(const Strings& lines, const char* eol = "\r\n") {
    std::string t;
    for (const auto& l : lines) t += l + eol;
    return t + eol;
}

// Valid packets that no simulated camera holds from the factory.
Strings otherMemory(int packets) {
    Strings m;
    for (int k = 0; k < packets; ++k)
        m.push_back(dxsim::packetFrame(k, std::vector<uint8_t>(dxsim::kPacketDataBytes, uint8_t(0x40 + k % 64))));
    return m;
}

}  // namespace

template <int Packets>
class Dump : public JobRig {
protected:
    Dump() : JobRig({.paced = false, .lateMs = 100, .dumpPackets = Packets}) {
        for (int k = 0; k < Packets; ++k) download.push_back(packetRead(k));
    }
    void runDump(JobRoutine job, const std::string& path = {}) {
        state.TransferCancelled = false;
        state.DumpFilePath = path.empty() ? file : path;
        run(job, false);  // the dump buttons leave the flag clear
        onPump = nullptr;
    }
    // The window's Cancel, from inside the link's wait for `frame`, which the
    // camera answers late so that the wait is sure to be long.
    void cancelAt(const std::string& frame) {
        sim.injectFault(frame, Fault::Late);
        onPump = [this, frame] { state.TransferCancelled = std::ranges::count(sim.received(), frame) > 0; };
    }
    const std::string file = dir.file("camera.dmp");
    Strings download{"82:0B:04"};  // every command of a download
};
using Dump200 = Dump<200>;
using Dump8 = Dump<8>;

// The dump file's lines end CR LF, and an empty line ends it.
TEST_F(Dump200, RoundTrip) {
    runDump(Dump64Download);
    const Strings memory = sim.state().memory;
    EXPECT_EQ(commands(), download);
    EXPECT_EQ(commands()[129], "84:0A:00:01:00");
    EXPECT_EQ(readRaw(file), dumpText(memory));
    EXPECT_EQ(bar.v, 990);
    EXPECT_TRUE(waits.count(200)) << "packets wait long";

    auto s = sim.state();
    s.memory = otherMemory(200);
    sim.setState(s);
    runDump(Dump64Upload);
    EXPECT_EQ(commands(), uploadCommands(memory));
    EXPECT_EQ(sim.state().memory, memory);
    EXPECT_EQ(bar.v, 990);
    EXPECT_FALSE(waits.count(200)) << "the handshake waits short";
}

TEST_F(Dump200, FailedOrCancelledDownloadLeavesTheOldFile) {
    const std::string stopped = "Download stopped: packet 17 could not be read. No file was written.";
    const std::string lost = dir.file("gone/camera.dmp");
    const struct { const char* name; std::string frame; Fault fault; Strings boxes; size_t sent; std::string path = {}; } cases[] = {
        {"count bad", "82:0B:04", Fault::BadFirstByte,
         {"Bad value.\r\nCommand =82:0B:04\r\nResult =90:4B:04:01:47",
          "Download stopped: the packet count could not be read. No file was written."}, 1},
        {"packet unanswered", packetRead(17), Fault::NoReply,
         {"Receive failed.\r\nCommand =84:0A:00:00:11\r\nResult =NL", stopped}, 19},
        {"packet cut short", packetRead(17), Fault::Truncated,
         {"Bad value.\r\nCommand =84:0A:00:00:11\r\nResult =8F:16:4A:00:00", stopped}, 19},
        {"cancelled half way", packetRead(10), Fault::Late, {}, 12},  // Late: cancelled while it is awaited
        {"cancelled in the last packet", packetRead(199), Fault::Late, {}, 201},
        {"folder missing", "", Fault::None,
         {"Download failed: the dump file could not be written (create: No such file or directory).\r\n" + lost}, 0, lost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeRaw(file, "OLD\r\n");
        sim.clearFaults();
        if (c.fault == Fault::Late) cancelAt(c.frame);
        else if (!c.frame.empty()) sim.injectFault(c.frame, c.fault);
        for (const auto& b : c.boxes) dialogs.expectMessage(b);
        runDump(Dump64Download, c.path);
        dialogs.verify();
        EXPECT_EQ(commands(), upTo(download, c.sent));
        EXPECT_EQ(readRaw(file), "OLD\r\n");
        EXPECT_EQ(dir.entries(), 1u) << "no temporary file left";
    }
}

// Each way the upload ends, and each file it refuses before START.
TEST_F(Dump8, UploadOutcomes) {
    const Strings lines = otherMemory(8);
    Strings corrupted = lines, longLength = lines, gap = lines;
    corrupted[3][30] = corrupted[3][30] == '1' ? '2' : '1';  // a data digit: the checksum no longer holds
    longLength[0].replace(3, 2, "17");
    gap[3] = "";
    std::string badHex = dumpText(lines);
    badHex[70 + 19] = 'G';  // line 2, byte 6
    // empty lines past what 8 packet lines can take: only what follows them decides
    const std::string emptyRun(8000, '\n');
    const Strings firstThree(lines.begin(), lines.begin() + 3), lastFive(lines.begin() + 3, lines.end());
    struct Case {  // sent: how much of the whole handshake went out
        const char* name; std::string text; std::function<void()> arrange; Strings boxes; size_t sent; bool stored = false;
    };
    const auto layerError = [](const std::string& c) { return "Error!\r\nSECTION = []\r\nKEY = []\r\nCommand = " + c; };
    const auto fault = [&](std::string prefix, Fault f) { return [&, prefix, f] { sim.injectFault(prefix, f); }; };
    const auto none = [] {};
    // refused before START, the camera untouched
    const auto refusal = [&](const char* name, std::string text, const std::string& why) {
        return Case{name, std::move(text), none, {"Upload stopped: " + why + ". The camera was not changed."}, 3};
    };
    const std::string ok = dumpText(lines), notPacket = " of the dump file is not a packet";
    const Case cases[] = {
        {"stored", ok, none, {}, 14, true},
        {"LF line ends, lines past the count ignored", dumpText(otherMemory(10), "\n"), none, {}, 14, true},
        {"count unreadable", ok, fault("82:0B:04", Fault::BadFirstByte),
         {"Bad value.\r\nCommand =82:0B:04\r\nResult =90:4B:04:07",
          "Upload stopped: the packet count could not be read. The camera was not changed."}, 1},
        {"not ready", ok, [&] { auto s = sim.state(); s.uploading = true; sim.setState(s); },
         {"Not ready to start! Try again,please."}, 3},
        {"START refused", ok, fault("83:4B:02", Fault::WrongAck), {layerError("83:4B:02:00"), "Error!"}, 4},
        {"packet refused", ok, fault(lines[5], Fault::WrongAck), {layerError(lines[5]), "Upload error!"}, 10},
        {"corrupted line", dumpText(corrupted), none, {"Check Sum Error!"}, 13},
        {"CHECKERR unreadable counts as none", ok, fault("82:0B:06", Fault::BadFirstByte),
         {"Bad value.\r\nCommand =82:0B:06\r\nResult =90:4B:06:00"}, 14, true},
        {"END refused", ok, fault("83:4B:03", Fault::WrongAck), {layerError("83:4B:03:00"), "Error!"}, 14},
        {"cancelled", ok, [&] { cancelAt(lines[3]); }, {}, 8},
        {"no file", "", [&] { std::filesystem::remove(file); }, {"File does not exist."}, 3},
        refusal("one line short", dumpText(Strings(lines.begin(), lines.end() - 1)),
                "the camera takes 8 packets but the dump file holds 7"),
        refusal("empty line inside", dumpText(gap), "line 4" + notPacket),
        refusal("long run of empty lines inside", dumpText(firstThree) + emptyRun + dumpText(lastFive), "line 4" + notPacket),
        refusal("short, with a long run of empty lines at the end", dumpText(firstThree) + emptyRun,
                "the camera takes 8 packets but the dump file holds 3"),
        refusal("not hex", badHex, "line 2" + notPacket),
        refusal("length byte wrong", dumpText(longLength), "line 1" + notPacket),
        refusal("one line of 4 MB", std::string(4 << 20, '8'), "line 1" + notPacket),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.resetToFactory();
        sim.clearFaults();
        const Strings before = sim.state().memory;
        writeRaw(file, c.text);
        c.arrange();
        for (const auto& b : c.boxes) dialogs.expectMessage(b);
        runDump(Dump64Upload);
        dialogs.verify();
        EXPECT_EQ(commands(), upTo(uploadCommands(c.text == dumpText(corrupted) ? corrupted : lines), c.sent));
        EXPECT_EQ(sim.state().memory, c.stored ? lines : before);
    }
}
