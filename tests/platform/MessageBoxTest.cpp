#include <gtest/gtest.h>

#include "platform/MessageBox.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::Sjis;

TEST(StderrMessageBoxes, IsTheDefaultAndWritesUtf8LinesAnsweringOkOrYes) {
  ASSERT_NE(dynamic_cast<StderrMessageBoxes*>(&MessageBoxes()), nullptr);
  ::testing::internal::CaptureStderr();
  // 0x81 0x20 is a lead byte with no character after it; 0xFF is no character.
  MessageBoxOk(Sjis("Quillet - 定義ファイル作成"),
               Sjis("表\\a.log\r\n2行目\rx") + "\x81\x20" + "y\xFF", MbIcon::kError);
  EXPECT_EQ(MessageBoxes().Show("c", "t", MbIcon::kNone, MbButtons::kOkCancel), MbResult::kOk);
  EXPECT_EQ(MessageBoxes().Show("c", "t", MbIcon::kNone, MbButtons::kYesNo), MbResult::kYes);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Quillet - 定義ファイル作成\n表\\a.log\n2行目\nx?y?\nc\nt\nc\nt\n");
}

}  // namespace
}  // namespace quillet::platform
