#include <gtest/gtest.h>

#include "core/Global.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

TEST(BuildFileFilter, PassesOverRowsWithoutPattern) {
  ProcessingOptions options;
  EXPECT_EQ(BuildFileFilter(options),
            testing::Sjis("ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|全てのﾌｧｲﾙ(*.*)|*.*"));
  options.S1 = "L";
  options.F2.clear();
  options.S2 = options.S3 = "unused";  // F3 stays empty
  options.F4 = "*.dat";                // S4 stays empty
  options.F5.clear();
  EXPECT_EQ(BuildFileFilter(options), "L(*.log)|*.log|(*.dat)|*.dat");
  options.F1.clear();
  options.F4.clear();
  EXPECT_EQ(BuildFileFilter(options), "");
}

}  // namespace
}  // namespace quillet
