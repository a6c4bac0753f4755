#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "text/ByteState.h"

namespace quillet {
namespace {

TEST(IsLeadByte, RangeEnds) {
  const std::pair<unsigned char, bool> cases[] = {
      {0x00, false}, {0x5C, false}, {0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
      {0xA0, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}};
  for (const auto& [byte, lead] : cases) EXPECT_EQ(IsLeadByte(byte), lead) << int{byte};
}

TEST(LastByteState, FollowsTheTextFromItsStart) {
  EXPECT_EQ(LastByteState(""), ByteState::kSingle);
  EXPECT_EQ(LastByteState("\x95\x5C"), ByteState::kSecond);      // 表
  EXPECT_EQ(LastByteState("\x95\x95\x5C"), ByteState::kSingle);  // a lead taken as second byte
  EXPECT_EQ(LastByteState("a\x95"), ByteState::kLead);
}

TEST(CharLengthAt, LeadByteAtTheEndStandsAlone) {
  const std::string_view text = "a\x95\x5C\x95";  // a 表 and a cut-off lead byte
  EXPECT_EQ(CharLengthAt(text, 0), 1u);
  EXPECT_EQ(CharLengthAt(text, 1), 2u);
  EXPECT_EQ(CharLengthAt(text, 3), 1u);
}

TEST(WholeCharactersPrefix, NeverEndsInsideACharacter) {
  const std::string_view text = "ab\x95\x5C\x82\xA0";  // ab表あ
  const std::pair<std::size_t, std::size_t> cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 4},
                                                       {5, 4}, {6, 6}, {9, 6}};
  for (const auto& [max_bytes, length] : cases) {
    EXPECT_EQ(WholeCharactersPrefix(text, max_bytes), length) << max_bytes;
  }
}

}  // namespace
}  // namespace quillet
