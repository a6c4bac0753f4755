#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/DosTime.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::Dos;

TEST(DosTime, GivesLocalStampsWithEvenSecondsFrom1980To2107AndRoundTrips) {
  setenv("TZ", "JST-9", 1);
  tzset();
  std::uint32_t dos = 0;
  ASSERT_TRUE(UnixToDosTime(1700000001, dos));  // 2023-11-15 07:13:21 local
  EXPECT_EQ(dos, Dos(2023, 11, 15, 7, 13, 20));
  ASSERT_TRUE(UnixToDosTime(1699974001, dos));  // 00:00:01 counts as midnight
  EXPECT_TRUE(IsMidnight(dos));
  EXPECT_TRUE(UnixToDosTime(315500400, dos));    // 1980-01-01 00:00:00
  EXPECT_FALSE(UnixToDosTime(315500399, dos));   // 1979
  EXPECT_FALSE(UnixToDosTime(4354786800, dos));  // 2108
  std::time_t unix_time = 0;
  for (std::uint32_t stamp : {Dos(2023, 11, 15, 7, 13, 20), Dos(2023, 11, 15, 0, 0, 0),
                              Dos(2107, 12, 31, 23, 59, 58), Dos(2024, 2, 29, 12, 0, 2)}) {
    ASSERT_TRUE(DosToUnixTime(stamp, unix_time)) << std::hex << stamp;
    ASSERT_TRUE(UnixToDosTime(unix_time, dos));
    EXPECT_EQ(dos, stamp);
  }
  for (std::uint32_t bad : {kBadDosTime, Dos(2023, 2, 30, 0, 0, 0), Dos(2023, 1, 1, 24, 0, 0)})
    EXPECT_FALSE(DosToUnixTime(bad, unix_time)) << std::hex << bad;
  setenv("TZ", "XST3XDT,M11.1.0/0,M2.3.0/0", 1);  // daylight saving starts at midnight
  tzset();
  EXPECT_FALSE(DosToUnixTime(Dos(2018, 11, 4, 0, 0, 0), unix_time));
  unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace quillet::platform
