#include <gtest/gtest.h>

#include "platform/WildCard.h"

namespace quillet::platform {
namespace {

// Names the directory search lists, then names it does not: no case folding
// of full-width letters, 表 (95 5C) one character whose 0x95 never stands
// alone, "*." for names without a dot, backtracking past a first 'b'.
TEST(WildCard, FollowsTheDirectorySearch) {
  const char* const hits[][2] = {{"*.log", "APP.LOG"},      {"a?c.log", "abc.log"},
                                 {"?.log", "\x95\x5C.log"}, {"\x95\x5C*", "\x95\x5C.log"},
                                 {"*.*", "README"},         {"*.*", "a.b.c"},
                                 {"*.", "README"},          {"app.*", "app"},
                                 {"*a*b", "xaxxbyb"},       {"App.Log", "app.log"}};
  const char* const misses[][2] = {{"*.log", "app.log.1"},
                                   {"*.log", "app.qu$"},
                                   {"a?c.log", "ac.log"},
                                   {"??.log", "\x95\x5C.log"},
                                   {"\x95?.log", "\x95\x5C.log"},
                                   {"\x82\x60.log", "\x82\x81.log"},
                                   {"*.", "a.log"},
                                   {"app.*", "apps"},
                                   {"*a*b", "xaxxbyc"},
                                   {"App.Log", "app.log2"}};
  for (const auto& [pattern, name] : hits) EXPECT_TRUE(MatchFileName(pattern, name)) << pattern;
  for (const auto& [pattern, name] : misses) EXPECT_FALSE(MatchFileName(pattern, name)) << pattern;
}

}  // namespace
}  // namespace quillet::platform
