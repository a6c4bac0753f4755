#include <gtest/gtest.h>

#include "core/Global.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::Sjis;

TEST(BuildFileFilter, DefaultsGiveThreeEntries) {
  EXPECT_EQ(BuildFileFilter(ProcessingOptions{}),
            Sjis("ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|全てのﾌｧｲﾙ(*.*)|*.*"));
}

TEST(BuildFileFilter, RowsWithoutPatternArePassedOver) {
  ProcessingOptions options;
  options.F1 = "*.log";
  options.S1 = "L";
  options.F2.clear();
  options.S2 = "unused";
  options.S3 = "unused";  // F3 stays empty
  options.F4 = "*.dat";   // S4 stays empty
  options.F5.clear();
  EXPECT_EQ(BuildFileFilter(options), "L(*.log)|*.log|(*.dat)|*.dat");
}

TEST(BuildFileFilter, AllPatternsEmptyGiveEmptyText) {
  ProcessingOptions options;
  options.F1.clear();
  options.F2.clear();
  options.F5.clear();
  EXPECT_EQ(BuildFileFilter(options), "");
}

}  // namespace
}  // namespace quillet
