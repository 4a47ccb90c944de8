#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "TempDir.h"
#include "dxcmd/Codec.h"
#include "dxcmd/Profile.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFile.h"

using namespace dxparams;

namespace {

std::string two(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

std::string readByte(Group g) {
    switch (g) {
    case Group::VALUE02: return "02";
    case Group::VALUE03: return "03";
    case Group::STRING: return "06";
    case Group::TRIGGER: return "";
    }
    return "";
}

std::string writeByte(Group g) {
    switch (g) {
    case Group::VALUE02: return "42";
    case Group::VALUE03: return "43";
    case Group::STRING: return "46";
    case Group::TRIGGER: return "45";
    }
    return "";
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// The set command of a VALUE03 parameter for the console value v.
std::string setCommand(const Param& p, int v) {
    int x = p.offset ? v + 128 : v;
    std::string bytes = dxcmd::EncodeValue(static_cast<int16_t>(x));
    return std::string(x <= 127 ? p.setShort : p.setLong) + bytes;
}

}  // namespace

// Every label names its group and item, every key its item, every command its group byte and code.
TEST(Catalogue, EntriesFollowTheNamingRules) {
    std::set<std::string> keys;
    ASSERT_EQ(AllParams().size(), 32u);
    for (const Param& p : AllParams()) {
        SCOPED_TRACE(std::string(p.section()) + " " + two(p.item));
        const std::string tag = "(" + std::string(p.section()) + " " + two(p.item) + ")";
        for (std::string_view l : {p.label, p.labelOff, p.labelOn, p.labelSet})
            if (!l.empty()) {
                EXPECT_NE(l.find(tag), std::string_view::npos) << l;
            }
        if (!p.key.empty()) {
            EXPECT_TRUE(startsWith(p.key, two(p.item) + "-")) << p.key;
            EXPECT_TRUE(keys.insert(std::string(p.section()) + "/" + std::string(p.key)).second) << p.key;
        }
        if (!p.query.empty()) {
            EXPECT_EQ(p.query, "82:" + readByte(p.group) + ":" + std::string(p.code));
        }
        const std::string mid = ":" + writeByte(p.group) + ":" + std::string(p.code) + ":";
        if (!p.setShort.empty()) {
            EXPECT_TRUE(startsWith(p.setShort, "83" + mid)) << p.setShort;
        }
        if (!p.setLong.empty()) {
            EXPECT_TRUE(startsWith(p.setLong, "84" + mid)) << p.setLong;
        }
        for (std::string_view c : {p.cmdOff, p.cmdOn}) {
            if (c.empty()) continue;
            EXPECT_TRUE(startsWith(c, "83" + mid)) << c;
            EXPECT_EQ(c.size(), 11u) << c;
        }
    }
    for (const Trigger& t : AllTriggers()) {
        SCOPED_TRACE(t.label);
        const bool hasArg = startsWith(t.command, "83:");
        EXPECT_TRUE(startsWith(t.command, std::string(hasArg ? "83" : "82") + ":45:" + std::string(t.code)));
        if (t.item) {
            EXPECT_NE(t.label.find("(TRIGGER " + two(t.item) + ")"), std::string_view::npos);
        }
    }
}

// texts that look like typos and must stay as they are
TEST(Catalogue, OddLabelsAndKeysAreKeptVerbatim) {
    EXPECT_EQ(cat::PresetPosition.label, "PRISET POSITION TITLE (VALUE02 01))");
    EXPECT_EQ(trg::EnterPosition.label, "ENTER (TRIGGER 17))");
    EXPECT_EQ(trg::EnterParameter.label, "ENTER (TRIGGER 17)");
    EXPECT_EQ(trg::AllStop.label, "All STOP (TRIGGER 16)");
    EXPECT_EQ(cat::BlcArea.key, "10-BACK LIGHT COMPENSATION(BLC)");
}

TEST(Catalogue, Value03SetFormFollowsTheValue) {
    EXPECT_EQ(setCommand(cat::PanPosition, 100), "83:43:04:64");
    EXPECT_EQ(setCommand(cat::PanPosition, 300), "84:43:04:02:2C");
    EXPECT_EQ(setCommand(cat::ColorLevel, 0), "84:43:3E:01:00");
    EXPECT_EQ(setCommand(cat::ColorLevel, -5), "83:43:3E:7B");
    EXPECT_EQ(setCommand(cat::ColorLevel, 3), "84:43:3E:01:03");
    for (const Param* p : {&cat::EnhanceLevel, &cat::PedestalLevel, &cat::ExDRLevel}) {
        EXPECT_EQ(setCommand(*p, 0).size(), 14u);  // four bytes
        EXPECT_EQ(setCommand(*p, -1), std::string(p->setShort) + "7F");
    }
    EXPECT_EQ(setCommand(cat::BwAutoLevel, -1), "83:43:3B:7F");
    EXPECT_EQ(setCommand(cat::BwAutoLevel, 0), "84:43:3B:01:00");
    EXPECT_EQ(setCommand(cat::BwAutoLevel, 1), "84:43:3B:01:01");
}

TEST(SettingFile, PositionTitleKeyHasTwoDigits) {
    EXPECT_EQ(PositionTitleKey(7), "02-POSITION TITLE No.07");
    EXPECT_EQ(PositionTitleKey(0), "02-POSITION TITLE No.00");
    EXPECT_EQ(PositionTitleKey(99), "02-POSITION TITLE No.99");
}

TEST(SettingFile, OnlyTheExactApplicationIdIsUsable) {
    dxtest::TempDir dir;
    const std::string f = dir.file("a.dat");
    EXPECT_FALSE(IsSettingFile(f));  // missing
    dxtest::writeRaw(f, "[OPTION]\r\nMODEL=1\r\n");
    EXPECT_FALSE(IsSettingFile(f));
    for (const char* id : {"dx410_430", "DX410_431", "DX410_430X", ""}) {
        ASSERT_TRUE(dxcmd::WriteProfileString(f, "APPTYPE", "APPNAME", id));
        EXPECT_FALSE(IsSettingFile(f)) << id;
    }
    ASSERT_TRUE(dxcmd::WriteProfileString(f, "APPTYPE", "APPNAME", "DX410_430"));
    EXPECT_TRUE(IsSettingFile(f));
    dxtest::writeRaw(f, "[apptype]\nappname = DX410_430\n");  // names ignore case, the value does not
    EXPECT_TRUE(IsSettingFile(f));
}
