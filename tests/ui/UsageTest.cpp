#include <gtest/gtest.h>

#include <string>

#include "ui/Usage.h"

namespace quillet::ui {
namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

TEST(ManualPage, EscapesWhatRoffWouldReadAsMarkup) {
  const std::string page = ManualPage();
  EXPECT_NE(page.find(".TP\n\\fB\\-\\-help\\fR\n"), std::string::npos);     // minus signs
  EXPECT_NE(page.find("Z:\\evar\\elog\\eapp\\e*.log"), std::string::npos);  // backslashes
  EXPECT_NE(page.find("Shift-JIS"), std::string::npos);                     // a hyphen stays
  // Each example block is opened and closed once.
  EXPECT_EQ(Count(page, ".nf\n"), 2u);  // the synopsis and the examples
  EXPECT_EQ(Count(page, ".fi\n"), 2u);
  EXPECT_EQ(Count(page, ".RS 4\n"), Count(page, ".RE\n"));
}

TEST(UsageText, WrapsAt79ColumnsAndNamesThisUsersFiles) {
  const std::string help = UsageText("/home/me/.config/quillet/");
  std::size_t start = 0;
  for (std::size_t end = help.find('\n'); end != std::string::npos;
       start = end + 1, end = help.find('\n', start)) {
    const std::string line = help.substr(start, end - start);
    // Example lines are shown as they are.
    const bool example = line.size() > 4 && line.rfind("    ", 0) == 0 && line[4] != ' ';
    if (!example) {
      EXPECT_LE(line.size(), 79u) << line;
    }
  }
  EXPECT_NE(help.find(" /home/me/.config/quillet/Quillet.ini,"), std::string::npos) << help;
  EXPECT_NE(UsageText("").find("cannot be found"), std::string::npos);
}

}  // namespace
}  // namespace quillet::ui
