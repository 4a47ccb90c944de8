#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dxparams/Catalogue.h"

using namespace dxparams;

// Each entry's fields agree: the label names group and item, the key the
// item, every command its group byte (read or write form) and item code.
TEST(Catalogue, EntriesAgreeWithThemselves) {
    const auto two = [](int n) { return std::string{char('0' + n / 10), char('0' + n % 10)}; };
    const auto starts = [](std::string_view s, const std::string& p) { return s.substr(0, p.size()) == p; };
    std::set<std::string> keys;
    ASSERT_EQ(AllParams().size(), 32u);
    for (const Param& p : AllParams()) {
        const std::string sec(p.section()), code(p.code);
        SCOPED_TRACE(sec + " " + two(p.item));
        const std::string read = p.group == Group::VALUE02 ? "02" : p.group == Group::VALUE03 ? "03" : "06";
        const std::string mid = ":" + std::to_string(std::stoi(read) + 40) + ":" + code + ":";
        for (std::string_view l : {p.label, p.labelOff, p.labelOn, p.labelSet})
            EXPECT_TRUE(l.empty() || l.find("(" + sec + " " + two(p.item) + ")") != l.npos) << l;
        EXPECT_TRUE(p.key.empty() || (starts(p.key, two(p.item) + "-") && keys.insert(sec + std::string(p.key)).second));
        EXPECT_TRUE(p.query.empty() || p.query == "82:" + read + ":" + code) << p.query;
        EXPECT_TRUE(p.setShort.empty() || starts(p.setShort, "83" + mid)) << p.setShort;
        EXPECT_TRUE(p.setLong.empty() || starts(p.setLong, "84" + mid)) << p.setLong;
        for (std::string_view c : {p.cmdOff, p.cmdOn}) EXPECT_TRUE(c.empty() || (starts(c, "83" + mid) && c.size() == 11u)) << c;
    }
    for (const Trigger& t : AllTriggers()) {
        SCOPED_TRACE(t.label);
        EXPECT_TRUE(starts(t.command, (starts(t.command, "83:") ? "83:45:" : "82:45:") + std::string(t.code)));
        EXPECT_TRUE(!t.item || t.label.find("(TRIGGER " + two(t.item) + ")") != t.label.npos);
    }
}
