#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "ui/Usage.h"

namespace quillet::ui {
namespace {

using ::testing::HasSubstr;

TEST(ManualPage, EscapesWhatRoffWouldReadAsMarkup) {
  const std::string page = ManualPage();
  EXPECT_THAT(page, HasSubstr(".TP\n\\fB\\-\\-help\\fR\n"));     // minus signs
  EXPECT_THAT(page, HasSubstr("Z:\\evar\\elog\\eapp\\e*.log"));  // backslashes
  EXPECT_THAT(page, HasSubstr("Shift-JIS"));                     // a hyphen stays
  // Each example block is opened and closed once: the synopsis and the examples.
  const QString text = QString::fromStdString(page);
  EXPECT_EQ(text.count(".nf\n"), 2);
  EXPECT_EQ(text.count(".fi\n"), 2);
  EXPECT_EQ(text.count(".RS 4\n"), text.count(".RE\n"));
}

// Only the exact option words ask for information (".h" sorts next to "-h").
TEST(InfoRequested, TakesOnlyTheExactOptionWords) {
  const char* argv[] = {"quillet", ".h", "-hh", "--versions", "/A"};
  EXPECT_EQ(InfoRequested(5, const_cast<char**>(argv)), InfoRequest::kNone);
}

// The root as program folder keeps its one slash in the paths it gives.
TEST(UsageText, NamesTheFilesInARootProgramFolder) {
  EXPECT_THAT(UsageText("/"), HasSubstr("folder is /, the settings are /Quillet.ini"));
}

}  // namespace
}  // namespace quillet::ui
