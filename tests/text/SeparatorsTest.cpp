#include <gtest/gtest.h>

#include <string_view>

#include "text/Separators.h"

namespace quillet {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

struct SeparatorCase {
  std::string_view text;
  std::size_t first;  // of a single-byte '\' or ':'
  std::size_t last;
};

class SingleByteSearch : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(SingleByteSearch, SkipsSecondBytes) {
  const SeparatorCase& c = GetParam();
  EXPECT_EQ(FindFirstSingleByte(c.text, "\\:"), c.first);
  EXPECT_EQ(FindLastSingleByte(c.text, "\\:"), c.last);
}

INSTANTIATE_TEST_SUITE_P(Paths, SingleByteSearch,
                         ::testing::Values(SeparatorCase{"", kNone, kNone},
                                           SeparatorCase{"app.log", kNone, kNone},
                                           SeparatorCase{"Z:\\logs\\app.log", 1, 7},
                                           SeparatorCase{"\x95\x5C", kNone, kNone},    // 表
                                           SeparatorCase{"logs\\\x95\x5C*", 4, 4},     // logs\表*
                                           SeparatorCase{"\x95\x5C\\\x95\x5C", 2, 2},  // 表\表
                                           SeparatorCase{"\x95\x5C\x95\x5C\\", 4, 4},  // 表表'\'
                                           SeparatorCase{"\xB1\\", 1, 1},           // ｱ is single
                                           SeparatorCase{"a\x95", kNone, kNone}));  // cut-off lead

TEST(FindFirstSingleByte, ResumesAfterAFoundByte) {
  // "a\表\b": the second search starts after the first hit.
  const std::string_view text = "a\\\x95\x5C\\b";
  const std::size_t first = FindFirstSingleByte(text, "\\");
  ASSERT_EQ(first, 1u);
  EXPECT_EQ(FindFirstSingleByte(text, "\\", first + 1), 4u);
  EXPECT_EQ(FindFirstSingleByte(text, "\\", 5), kNone);
}

TEST(EndsWithSingleByte, TellsASeparatorFromASecondByte) {
  EXPECT_TRUE(EndsWithSingleByte("Z:\\logs\\", "\\"));
  EXPECT_TRUE(EndsWithSingleByte("\x95\x5C\\", "\\"));     // 表 then '\'
  EXPECT_FALSE(EndsWithSingleByte("Z:\\\x95\x5C", "\\"));  // ends in 表
  EXPECT_TRUE(EndsWithSingleByte("Z:", ":\\"));
  EXPECT_FALSE(EndsWithSingleByte("", "\\"));
  EXPECT_FALSE(EndsWithSingleByte("Z:\\logs", "\\"));
}

}  // namespace
}  // namespace quillet
