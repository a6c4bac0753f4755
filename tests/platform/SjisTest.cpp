#include <gtest/gtest.h>

#include "platform/Sjis.h"

namespace quillet::platform {
namespace {

TEST(Sjis, UsesMicrosoftsTableAndRefusesWhatHasNoForm) {
  EXPECT_EQ(SjisToUtf8("a\\~\x95\x5C"), "a\\~\xE8\xA1\xA8");          // 0x5C stays '\'; 表
  EXPECT_EQ(Utf8ToSjis("\xE2\x91\xA0\xEF\xBD\xB1"), "\x87\x40\xB1");  // ① (NEC row 13), ｱ
  EXPECT_FALSE(SjisToUtf8("\x85\x40"));                               // unassigned code
  EXPECT_FALSE(Utf8ToSjis("\xC3"));                                   // malformed UTF-8
  std::string sjis, utf8;  // far past the converter's first output guess
  for (int i = 0; i < 5000; ++i) sjis += "\x95\x5C", utf8 += "\xE8\xA1\xA8";
  EXPECT_EQ(SjisToUtf8(sjis), utf8);
  EXPECT_EQ(Utf8ToSjis(utf8), sjis);
}

}  // namespace
}  // namespace quillet::platform
