#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::testing {
namespace {

using platform::OpenMode;

TEST(FaultyFileSystem, FailsTheChosenCallsWithTheirErrno) {
  ScratchDir dir;
  WriteFile(dir.Native("a.log"), "abc");
  FaultyFileSystem fs;
  fs.Add(Fault{FsOp::kWrite, ".qu$", 2, ENOSPC});
  fs.Add(Fault{FsOp::kClose, ".qu$", 1, EDQUOT});
  Fault open{FsOp::kOpen, "a.log", 1, EACCES, true};  // sticky, one mode only
  open.any_mode = false;
  open.mode = OpenMode::kCreateTruncate;
  fs.Add(open);
  auto temp = fs.Open(dir.Windows("a.qu$"), OpenMode::kCreateTruncate);
  ASSERT_TRUE(temp && temp->Write("1", 1));
  EXPECT_FALSE(temp->Write("2", 1));
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_TRUE(temp->Write("3", 1));  // not sticky
  EXPECT_EQ(fs.Seen(0), 3);
  EXPECT_FALSE(temp->Close());
  EXPECT_EQ(errno, EDQUOT);
  EXPECT_TRUE(temp->Close());  // the failed close released the file
  EXPECT_EQ(ReadFile(dir.Native("a.qu$")), "13");
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(fs.Open(dir.Windows("a.log"), OpenMode::kRead));
    EXPECT_FALSE(fs.Open(dir.Windows("a.log"), OpenMode::kCreateTruncate));
    EXPECT_EQ(errno, EACCES);
  }
  EXPECT_EQ(ReadFile(dir.Native("a.log")), "abc");  // the real open never ran
}

}  // namespace
}  // namespace quillet::testing
