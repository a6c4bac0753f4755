#include <gtest/gtest.h>

#include "platform/WildCard.h"

namespace quillet::platform {
namespace {

struct WildCase {
  const char* pattern;
  const char* name;
  bool matches;
};
class WildCardTable : public ::testing::TestWithParam<WildCase> {};

TEST_P(WildCardTable, FollowsTheDirectorySearch) {
  const WildCase& c = GetParam();
  EXPECT_EQ(MatchFileName(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, WildCardTable,
    ::testing::Values(WildCase{"*.log", "APP.LOG", true},  // case-insensitive
                      WildCase{"*.log", "app.log.1", false}, WildCase{"*.log", "app.qu$", false},
                      WildCase{"a?c.log", "abc.log", true}, WildCase{"a?c.log", "ac.log", false},
                      WildCase{"?.log", "\x95\x5C.log", true},       // 表 is one character
                      WildCase{"??.log", "\x95\x5C.log", false},     // not two
                      WildCase{"\x95?.log", "\x95\x5C.log", false},  // 0x95 does not stand alone
                      WildCase{"\x95\x5C*", "\x95\x5C.log", true},
                      WildCase{"\x82\x60.log", "\x82\x81.log", false},  // Ａ vs ａ: no folding
                      WildCase{"*.*", "README", true}, WildCase{"*.*", "a.b.c", true},
                      WildCase{"*.", "README", true}, WildCase{"*.", "a.log", false},
                      WildCase{"app.*", "app", true}, WildCase{"app.*", "apps", false},
                      WildCase{"*a*b", "xaxxbyb", true},  // backtracking past the first 'b'
                      WildCase{"*a*b", "xaxxbyc", false},
                      WildCase{"App.Log", "app.log", true},  // no wild-card: equal name only
                      WildCase{"App.Log", "app.log2", false}));

}  // namespace
}  // namespace quillet::platform
