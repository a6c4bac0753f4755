#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::testing {
namespace {

using platform::OpenMode;

TEST(FaultyFileSystem, FailsTheNthMatchingCallWithTheErrno) {
  ScratchDir dir;
  FaultyFileSystem faulty;
  platform::FileSystem& fs = faulty;  // Open's default argument lives on the base
  faulty.Add(Fault{FsOp::kWrite, ".qu$", 2, ENOSPC});
  faulty.Add(Fault{FsOp::kClose, ".qu$", 1, EDQUOT});
  auto other = fs.Open(dir.Windows("a.log"), OpenMode::kCreateTruncate);
  auto temp = fs.Open(dir.Windows("a.qu$"), OpenMode::kCreateTruncate);
  ASSERT_TRUE(other && temp);
  EXPECT_TRUE(other->Write("x", 1) && other->Write("x", 1));  // another path
  EXPECT_TRUE(temp->Write("1", 1));
  errno = 0;
  EXPECT_FALSE(temp->Write("2", 1));
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_TRUE(temp->Write("3", 1));  // not sticky
  EXPECT_EQ(faulty.Seen(0), 3);
  EXPECT_FALSE(temp->Close());
  EXPECT_EQ(errno, EDQUOT);
  EXPECT_TRUE(temp->Close());  // the failed close released the file
  EXPECT_EQ(ReadFile(dir.Native("a.qu$")), "13");
}

TEST(FaultyFileSystem, StickyOpenFaultForOneModeOnly) {
  ScratchDir dir;
  WriteFile(dir.Native("a.log"), "abc");
  FaultyFileSystem faulty;
  platform::FileSystem& fs = faulty;
  Fault fault{FsOp::kOpen, "a.log", 1, EACCES, true};
  fault.any_mode = false;
  fault.mode = OpenMode::kCreateTruncate;
  faulty.Add(fault);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(fs.Open(dir.Windows("a.log"), OpenMode::kRead));
    EXPECT_FALSE(fs.Open(dir.Windows("a.log"), OpenMode::kCreateTruncate));
    EXPECT_EQ(errno, EACCES);
  }
  EXPECT_EQ(ReadFile(dir.Native("a.log")), "abc");  // the real open never ran
}

}  // namespace
}  // namespace quillet::testing
