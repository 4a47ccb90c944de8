#include "RawClient.h"

#include <gtest/gtest.h>

using namespace simtest;

TEST(Exchange, SetThenQueryAnswersInTheSetForm) {
    SimLine l;
    ASSERT_TRUE(l.started);
    ASSERT_TRUE(l.client.isOpen());
    RawClient& c = l.client;

    EXPECT_EQ(c.command("83:42:12:03"), "A0");
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:03");

    // one byte, two bytes, and the offset levels either side of zero
    EXPECT_EQ(c.command("83:43:06:64"), "A0");
    EXPECT_EQ(c.query("82:03:06"), "A0:83:43:06:64");
    EXPECT_EQ(c.command("84:43:06:02:2C"), "A0");
    EXPECT_EQ(c.query("82:03:06"), "A0:84:43:06:02:2C");
    EXPECT_EQ(c.command("83:43:3E:7B"), "A0");
    EXPECT_EQ(c.query("82:03:3E"), "A0:83:43:3E:7B");
    EXPECT_EQ(c.command("84:43:3E:01:00"), "A0");
    EXPECT_EQ(c.query("82:03:3E"), "A0:84:43:3E:01:00");
    EXPECT_EQ(c.command("84:43:3B:01:01"), "A0");
    EXPECT_EQ(c.query("82:03:3B"), "A0:84:43:3B:01:01");
    EXPECT_EQ(l.sim.state().value03[0x06], 300);
    EXPECT_EQ(c.command("84:43:04:7F:7F"), "A0");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:31:7F");  // clamped to 6399
}

TEST(Exchange, MalformedAndUnknownCommandsAreRefused) {
    SimLine l;
    RawClient& c = l.client;
    EXPECT_EQ(c.query("82:03:7F"), "A1");        // unknown item
    EXPECT_EQ(c.command("83:42:12:80"), "A1");   // 8-bit value byte
    EXPECT_EQ(c.command("83:42:00:64"), "A1");   // preset 100
    EXPECT_EQ(c.command("82:45:00"), "A1");      // pan right without speed
    EXPECT_EQ(c.command("83:45:16:02"), "A1");
    EXPECT_EQ(l.sim.state().enterCount, 0);
    EXPECT_EQ(l.sim.state().selectedPreset, 0);
}

TEST(Exchange, ModelDecidesTheItemSet) {
    dxsim::Options o = fastOptions();
    o.model = dxsim::Model::DX410;
    SimLine l410(o);
    SimLine l430;
    for (const char* q : {"82:02:0E", "82:02:47", "82:02:48", "82:03:3B"}) {
        EXPECT_EQ(l410.client.query(q), "A1") << q;
        EXPECT_EQ(l430.client.query(q).substr(0, 2), "A0") << q;
    }
    EXPECT_EQ(l410.client.query("82:02:11"), "A0:83:42:11:01");
}

TEST(Exchange, HostAcknowledgementIsRecordedNotAnswered) {
    SimLine l;
    RawClient& c = l.client;
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:01");
    c.send("A0");
    // had the A0 been answered, its answer would come first
    EXPECT_EQ(c.query("82:03:05"), "A0:84:43:05:0C:40");
    c.send("A0");
    ASSERT_TRUE(l.sim.waitForFrames(4, 2s));
    EXPECT_EQ(l.sim.received(), (std::vector<std::string>{"82:02:12", "A0", "82:03:05", "A0"}));
    l.sim.clearReceived();
    EXPECT_TRUE(l.sim.received().empty());
    EXPECT_TRUE(l.sim.noise().empty());
}

TEST(Exchange, MultiDropOnlyTheAddressedCameraAnswers) {
    dxsim::Options o = fastOptions();
    o.multiDropCameras = 3;
    SimLine l(o);
    RawClient& c = l.client;

    EXPECT_EQ(c.command("B1:01:02:83:42:12:05"), "A0");
    EXPECT_EQ(c.query("B1:01:02:82:02:12"), "A0:83:42:12:05");
    EXPECT_EQ(c.query("B1:01:01:82:02:12"), "A0:83:42:12:01");
    // unaddressed, absent and out-of-range IDs get nothing: the next answer
    // on the line belongs to the query after them
    c.send("83:42:12:07");
    c.send("B1:01:04:83:42:12:07");
    c.send("B1:01:00:83:42:12:07");
    EXPECT_EQ(c.query("B1:01:03:82:02:12"), "A0:83:42:12:01");
    c.send("A0");
    ASSERT_TRUE(l.sim.waitForFrames(8, 2s));
    auto r = l.sim.received();
    EXPECT_EQ(r[0], "B1:01:02:83:42:12:05");
    EXPECT_EQ(r[4], "B1:01:04:83:42:12:07");
    EXPECT_EQ(r[7], "A0");
    EXPECT_EQ(l.sim.state(2).value02[0x12], 5);
    EXPECT_EQ(l.sim.state(1).value02[0x12], 1);
    EXPECT_EQ(l.sim.state(3).value02[0x12], 1);

    SimLine p2p;  // a point-to-point camera ignores addressed frames
    p2p.client.send("B1:01:01:83:42:12:05");
    EXPECT_EQ(p2p.client.query("82:02:12"), "A0:83:42:12:01");
}

TEST(Exchange, NoiseIsSkippedAndAQuietLineDropsAFragment) {
    SimLine l;
    RawClient& c = l.client;
    c.send("00:55:A1");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:19:00");
    ASSERT_FALSE(l.sim.noise().empty());
    EXPECT_EQ(l.sim.noise()[0], "00:55:A1");

    c.send("84:43");
    // the fragment must be dropped, not merged into the next frame
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (l.sim.noise().size() < 2 && std::chrono::steady_clock::now() < deadline) {
        c.read(1, 5ms);  // nothing arrives; bounds each round
    }
    ASSERT_EQ(l.sim.noise().size(), 2u);
    EXPECT_EQ(l.sim.noise()[1], "84:43");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:19:00");
    EXPECT_EQ(l.sim.received(), (std::vector<std::string>{"82:03:04", "82:03:04"}));
}
