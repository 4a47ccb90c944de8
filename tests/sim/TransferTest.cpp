#include "Camera.h"
#include "RawClient.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

dxsim::Options smallMemory(int packets) {
    dxsim::Options o = fastOptions();
    o.dumpPackets = packets;
    return o;
}

std::string packetRead(int k) {
    char b[32];
    std::snprintf(b, sizeof b, "84:0A:00:%02X:%02X", k / 128, k % 128);
    return b;
}

}  // namespace

TEST(Transfer, DownloadReadsEveryPacketWithAValidChecksum) {
    SimLine l;  // 64 packets
    RawClient& c = l.client;
    EXPECT_EQ(c.query("82:0B:04"), "A0:83:4B:04:3F");
    std::vector<std::string> lines;
    for (int k = 0; k < 64; ++k) {
        std::string a = c.query(packetRead(k));
        ASSERT_EQ(a.substr(0, 3), "A0:") << k;
        int n = -1;
        EXPECT_TRUE(dxsim::checkPacketFrame(a.substr(3), &n)) << a;
        EXPECT_EQ(n, k);
        lines.push_back(a.substr(3));
    }
    EXPECT_NE(lines[0], lines[1]);
    EXPECT_EQ(c.query(packetRead(64)), "A1");
}

TEST(Transfer, HighestPacketNumberTakesTwoBytesAbove127) {
    SimLine l(smallMemory(201));
    EXPECT_EQ(l.client.query("82:0B:04"), "A0:84:4B:04:01:48");
    std::string a = l.client.query(packetRead(200));
    int n = -1;
    EXPECT_TRUE(dxsim::checkPacketFrame(a.substr(3), &n));
    EXPECT_EQ(n, 200);
    EXPECT_EQ(a.substr(0, 20), "A0:8F:16:4A:00:01:48");
}

TEST(Transfer, UploadHandshakeReplacesTheMemory) {
    SimLine l(smallMemory(4));
    RawClient& c = l.client;
    EXPECT_EQ(c.query("82:0B:04"), "A0:83:4B:04:03");
    EXPECT_EQ(c.query("82:0B:05").substr(0, 12), "A0:83:4B:05:");
    EXPECT_EQ(c.query("82:0B:01"), "A0:83:4B:01:01");
    ASSERT_EQ(c.command("83:4B:02:00"), "A0");
    EXPECT_EQ(c.query("82:0B:01"), "A0:83:4B:01:00");  // busy while uploading
    std::vector<std::string> lines;
    for (int k = 0; k < 4; ++k) {
        lines.push_back(dxsim::packetFrame(k, std::vector<uint8_t>(dxsim::kPacketDataBytes, static_cast<uint8_t>(0x40 + k))));
        EXPECT_EQ(c.command(lines.back()), "A0");
    }
    EXPECT_EQ(c.query("82:0B:06"), "A0:83:4B:06:00");
    ASSERT_EQ(c.command("83:4B:03:00"), "A0");
    EXPECT_TRUE(l.sim.state().uploadEnded);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c.query(packetRead(k)), "A0:" + lines[k]);
    EXPECT_EQ(c.query("82:0B:01"), "A0:83:4B:01:01");
}

TEST(Transfer, BadChecksumOrCountFailsTheUpload) {
    SimLine l(smallMemory(3));
    RawClient& c = l.client;
    const auto before = l.sim.state().memory;
    auto line = [](int k) { return dxsim::packetFrame(k, std::vector<uint8_t>(dxsim::kPacketDataBytes, 0x22)); };

    // packets outside an upload are refused
    EXPECT_EQ(c.command(line(0)), "A1");

    ASSERT_EQ(c.command("83:4B:02:00"), "A0");
    std::string bad = line(1);
    bad[bad.size() - 1] = bad[bad.size() - 1] == '0' ? '1' : '0';
    EXPECT_EQ(c.command(line(0)), "A0");
    EXPECT_EQ(c.command(bad), "A0");
    EXPECT_EQ(c.command(line(2)), "A0");
    EXPECT_EQ(c.query("82:0B:06"), "A0:83:4B:06:01");
    EXPECT_TRUE(l.sim.state().checksumError);
    // an END after a failed check must not store the bad data
    EXPECT_EQ(c.command("83:4B:03:00"), "A1");
    EXPECT_EQ(l.sim.state().memory, before);

    // a fresh START clears the error; one packet short is still an error
    ASSERT_EQ(c.command("83:4B:02:00"), "A0");
    EXPECT_EQ(c.command(line(0)), "A0");
    EXPECT_EQ(c.command(line(1)), "A0");
    EXPECT_EQ(c.query("82:0B:06"), "A0:83:4B:06:01");
    EXPECT_EQ(c.command(line(2)), "A0");
    EXPECT_EQ(c.query("82:0B:06"), "A0:83:4B:06:00");
    EXPECT_EQ(c.command("83:4B:03:00"), "A0");
    EXPECT_EQ(c.query(packetRead(1)), "A0:" + line(1));
}

// An upload that stops half way (cancel, checksum error) leaves the camera
// busy only until it has heard nothing for the idle time.
TEST(Transfer, AbandonedUploadIsDroppedAfterItsIdleTime) {
    dxsim::detail::Camera cam(dxsim::Model::DX430, 4, true);
    const auto t0 = dxsim::detail::Clock::now();
    const auto memory = cam.state.memory;
    ASSERT_TRUE(cam.handle({0x83, 0x4B, 0x02, 0x00}, t0).accepted);  // START
    const auto ready = [&](auto at) { return cam.handle({0x82, 0x0B, 0x01}, at).reply.back(); };
    EXPECT_EQ(ready(t0 + std::chrono::seconds(5)), 0x00);   // still uploading: each query counts as contact
    EXPECT_EQ(ready(t0 + std::chrono::seconds(14)), 0x00);
    EXPECT_EQ(ready(t0 + std::chrono::seconds(25)), 0x01);  // 11 s of silence: dropped
    EXPECT_EQ(cam.state.memory, memory);
    EXPECT_FALSE(cam.handle({0x83, 0x4B, 0x03, 0x00}, t0 + std::chrono::seconds(26)).accepted);  // END: none open
}
