#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
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

TEST(UsageText, WrapsAt79ColumnsAndNamesThisUsersFiles) {
  const std::string help = UsageText("/home/me/.config/quillet/");
  // Example lines are shown as they are.
  for (const QString& line : QString::fromStdString(help).split('\n')) {
    const bool example = line.size() > 4 && line.startsWith("    ") && line[4] != ' ';
    EXPECT_TRUE(example || line.toUtf8().size() <= 79) << line.toStdString();
  }
  EXPECT_THAT(help, HasSubstr(" /home/me/.config/quillet/Quillet.ini,"));
  EXPECT_THAT(UsageText(""), HasSubstr("cannot be found"));
}

}  // namespace
}  // namespace quillet::ui
