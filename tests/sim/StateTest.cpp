#include "RawClient.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

int value03(const std::string& answer) {
    // A0:83:43:cc:vv or A0:84:43:cc:hh:ll
    if (answer.size() == 14) return std::stoi(answer.substr(12, 2), nullptr, 16);
    if (answer.size() == 17) return std::stoi(answer.substr(12, 2), nullptr, 16) * 128 + std::stoi(answer.substr(15, 2), nullptr, 16);
    return -1;
}

// Queries until pred holds for the position, bounded.
template <class Pred>
int queryUntil(RawClient& c, const std::string& q, Pred pred) {
    int v = -1;
    auto deadline = std::chrono::steady_clock::now() + 5s;
    do {
        v = value03(c.query(q));
    } while (!pred(v) && std::chrono::steady_clock::now() < deadline);
    return v;
}

}  // namespace

TEST(State, PanMovesWhileHeldAndHoldsAfterStop) {
    SimLine l;
    RawClient& c = l.client;
    ASSERT_EQ(c.command("84:43:04:07:68"), "A0");  // 1000
    ASSERT_EQ(c.command("83:45:00:1E"), "A0");
    EXPECT_EQ(l.sim.state().motion[0], 1);
    int moving = queryUntil(c, "82:03:04", [](int v) { return v > 1000; });
    EXPECT_GT(moving, 1000);
    ASSERT_EQ(c.command("82:45:02"), "A0");
    int stopped = value03(c.query("82:03:04"));
    EXPECT_GE(stopped, moving);
    EXPECT_EQ(value03(c.query("82:03:04")), stopped);
    EXPECT_EQ(l.sim.state().motion[0], 0);
}

TEST(State, AxesClampAtTheirLimits) {
    SimLine l;
    RawClient& c = l.client;
    ASSERT_EQ(c.command("83:43:04:32"), "A0");  // pan 50
    ASSERT_EQ(c.command("83:45:01:1E"), "A0");  // left
    EXPECT_EQ(queryUntil(c, "82:03:04", [](int v) { return v == 0; }), 0);
    ASSERT_EQ(c.command("84:43:05:31:7F"), "A0");  // tilt 6399
    ASSERT_EQ(c.command("83:45:04:10"), "A0");     // down
    EXPECT_EQ(queryUntil(c, "82:03:05", [](int v) { return v == 6400; }), 6400);
    ASSERT_EQ(c.command("84:43:02:07:70"), "A0");  // zoom 1008
    ASSERT_EQ(c.command("83:45:0C:03"), "A0");     // tele
    EXPECT_EQ(queryUntil(c, "82:03:02", [](int v) { return v == dxsim::kZoomMax; }), dxsim::kZoomMax);
    ASSERT_EQ(c.command("83:45:0A:03"), "A0");     // focus near
    EXPECT_EQ(queryUntil(c, "82:03:03", [](int v) { return v == 0; }), 0);
    ASSERT_EQ(c.command("82:45:0F"), "A0");  // all stop
    auto s = l.sim.state();
    for (int a = 0; a < 5; ++a) EXPECT_EQ(s.motion[a], 0) << a;
    EXPECT_EQ(s.value03[0x04], 0);
}

TEST(State, PresetSelectSaveTitleAndReset) {
    SimLine l;
    RawClient& c = l.client;
    ASSERT_EQ(c.command("83:42:00:05"), "A0");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:02:40");  // factory pan of preset 5: 320
    ASSERT_EQ(c.command("84:43:04:02:2C"), "A0");           // pan 300
    ASSERT_EQ(c.command("83:42:12:02"), "A0");              // white balance
    ASSERT_EQ(c.command("85:46:02:41:42:43"), "A0");        // title ABC
    ASSERT_EQ(c.command("83:45:16:01"), "A0");

    ASSERT_EQ(c.command("83:42:00:06"), "A0");
    EXPECT_EQ(c.query("82:02:00"), "A0:83:42:00:06");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:03:00");  // 384
    EXPECT_EQ(decodeTitle(c.query("82:06:02").substr(3)), "");

    ASSERT_EQ(c.command("83:42:00:05"), "A0");
    EXPECT_EQ(c.query("82:03:04"), "A0:84:43:04:02:2C");
    EXPECT_EQ(c.query("82:02:12"), "A0:83:42:12:02");
    EXPECT_EQ(decodeTitle(c.query("82:06:02").substr(3)), "ABC");
    EXPECT_EQ(l.sim.state().enterCount, 1);

    ASSERT_EQ(c.command("83:45:31:05"), "A0");
    auto s = l.sim.state();
    EXPECT_EQ(s.presets[5].pan, 320);
    EXPECT_EQ(s.presets[5].whiteBalance, 1);
    EXPECT_EQ(s.presetTitles[5], "");
}

TEST(State, TitleRepliesInBothForms) {
    SimLine l;
    RawClient& c = l.client;
    ASSERT_EQ(c.command("84:46:00:41:42"), "A0");
    // two fields a character, third byte not 46
    EXPECT_EQ(c.query("82:06:00"), "A0:8F:07:06:00:04:01:04:02");
    ASSERT_EQ(c.command("83:45:30:01"), "A0");
    EXPECT_EQ(c.query("82:06:00"), "A0:8F:05:46:00:21:22");

    auto titleFrame = [](const std::string& t) {
        char b[8];
        std::snprintf(b, sizeof b, "8F:%02zX", t.size() + 3);
        std::string f = std::string(b) + ":46:00";
        for (char ch : t) {
            std::snprintf(b, sizeof b, ":%02X", ch);
            f += b;
        }
        return f;
    };
    const std::string longTitle = "ABCDEFGHIJKL-./: 0123456";  // 24 characters
    ASSERT_EQ(c.command(titleFrame(longTitle)), "A0");
    EXPECT_EQ(decodeTitle(c.query("82:06:00").substr(3)), longTitle);
    ASSERT_EQ(c.command("83:45:30:00"), "A0");
    EXPECT_EQ(decodeTitle(c.query("82:06:00").substr(3)), longTitle);

    // empty title, and one too long for the camera
    ASSERT_EQ(c.command("82:46:00"), "A0");
    EXPECT_EQ(c.query("82:06:00"), "A0:8F:03:06:00");
    EXPECT_EQ(c.command(titleFrame(longTitle + "A")), "A1");
    EXPECT_EQ(l.sim.state().title, "");
}

TEST(State, CharacterCodeSetCanBeIgnored) {
    dxsim::Options o = fastOptions();
    o.honourCharacterCodeSet = false;
    SimLine l(o);
    ASSERT_EQ(l.client.command("83:45:30:01"), "A0");
    EXPECT_EQ(l.client.query("82:06:00"), "A0:8F:0F:06:00:04:04:05:08:02:0D:03:04:03:03:03:00");  // DX-430
}

TEST(State, MenuSetAndAllClear) {
    SimLine l;
    RawClient& c = l.client;
    ASSERT_EQ(c.command("82:45:29"), "A0");
    ASSERT_EQ(c.command("82:45:2A"), "A0");
    EXPECT_TRUE(l.sim.state().menuOn);
    EXPECT_EQ(l.sim.state().setCount, 1);

    ASSERT_EQ(c.command("83:42:00:02"), "A0");
    ASSERT_EQ(c.command("84:46:02:58:59"), "A0");
    ASSERT_EQ(c.command("84:43:04:07:68"), "A0");
    ASSERT_EQ(c.command("83:45:16:01"), "A0");
    ASSERT_EQ(c.command("83:42:13:02"), "A0");
    ASSERT_EQ(c.command("84:46:00:51:52"), "A0");

    ASSERT_EQ(c.command("83:45:32:01"), "A0");  // keeps titles and presets
    auto s = l.sim.state();
    EXPECT_EQ(s.value02[0x13], 1);  // back to 10dB
    EXPECT_EQ(s.title, "QR");
    EXPECT_EQ(s.presetTitles[2], "XY");
    EXPECT_EQ(s.presets[2].pan, 1000);
    EXPECT_EQ(s.enterCount, 1);

    ASSERT_EQ(c.command("83:45:32:00"), "A0");  // everything
    s = l.sim.state();
    EXPECT_EQ(s.title, "DX-430");
    EXPECT_EQ(s.presetTitles[2], "");
    EXPECT_EQ(s.presets[2].pan, 128);
    EXPECT_EQ(s.allClearCount, 2);
}
