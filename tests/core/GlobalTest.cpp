#include <gtest/gtest.h>

#include "core/Global.h"

namespace quillet {
namespace {

TEST(BuildFileFilter, PassesOverRowsWithoutPattern) {
  ProcessingOptions options;
  options.S1 = "L";
  options.F2.clear();
  options.S2 = options.S3 = "unused";  // F3 stays empty
  options.F4 = "*.dat";                // S4 stays empty
  options.S5 = "Z";
  EXPECT_EQ(BuildFileFilter(options), "L(*.log)|*.log|(*.dat)|*.dat|Z(*.*)|*.*");
  options.F1.clear();
  options.F4.clear();
  options.F5.clear();
  EXPECT_EQ(BuildFileFilter(options), "");
}

}  // namespace
}  // namespace quillet
