#include <gtest/gtest.h>

#include <utility>

#include "core/Ctype.h"

namespace quillet {
namespace {

TEST(IsLeadByte, RangeEnds) {
  const std::pair<unsigned char, bool> cases[] = {
      {0x00, false}, {0x5C, false}, {0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
      {0xA0, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}};
  for (const auto& [byte, lead] : cases) EXPECT_EQ(IsLeadByte(byte), lead) << int{byte};
}

}  // namespace
}  // namespace quillet
