#include <gtest/gtest.h>

#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestUtil.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"

namespace quillet::ui {
namespace {

using quillet::testing::Sjis;

struct OptionCase {
  std::vector<std::string> arguments;
  bool auto_start;
  bool auto_exit;
  bool sub_folders;
  const char* file_name;
  const char* bad_letters;  // the letters named by error boxes, in order
};

class ReadCommandLineTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ReadCommandLineTable, AppliesLettersInOrder) {
  const OptionCase& c = GetParam();
  quillet::testing::RecordingMessageBoxes boxes;
  const CommandLineRequest request = ReadCommandLine(c.arguments);
  EXPECT_EQ(request.AutoStart, c.auto_start);
  EXPECT_EQ(request.AutoExit, c.auto_exit);
  EXPECT_EQ(request.SubFolders, c.sub_folders);
  EXPECT_EQ(request.FileName, c.file_name);
  const std::string letters = c.bad_letters;
  ASSERT_EQ(boxes.boxes.size(), letters.size());
  for (std::size_t i = 0; i < letters.size(); ++i) {
    EXPECT_EQ(boxes.boxes[i].text,
              Sjis("コマンドラインオプションに誤りがあります。\r\r使用できないオプション \"") +
                  letters[i] + Sjis("\" が指定されています。"));
    EXPECT_EQ(boxes.boxes[i].caption, "Quillet");
    EXPECT_EQ(boxes.boxes[i].icon, platform::MbIcon::kError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ReadCommandLineTable,
    ::testing::Values(OptionCase{{"/A", "x.log"}, true, true, false, "x.log", ""},
                      OptionCase{{"/rs", "x.log"}, true, false, true, "x.log", ""},
                      OptionCase{{"/X"}, false, false, false, "", "X"},
                      OptionCase{{"/a", "/xs"}, true, false, false, "", "X"},  // S after X
                      OptionCase{{"/Sq", "x"}, false, false, false, "x", "Q"},
                      OptionCase{{"/", ""}, false, false, false, "", ""},
                      OptionCase{
                          {"a.log", "/S", "C:\\b.LOG"}, true, false, false, "C:\\b.LOG", ""}));

TEST(ArgumentFromNative, TakesUnixPathsOnDriveZAndRefusesInexactForms) {
  EXPECT_EQ(ArgumentFromNative("/var/log/app/*.log"), "Z:\\var\\log\\app\\*.log");
  EXPECT_EQ(ArgumentFromNative("/tmp/表?.log"), "Z:\\tmp\\" + Sjis("表") + "?.log");
  EXPECT_EQ(ArgumentFromNative("/RS"), "/RS");
  EXPECT_EQ(ArgumentFromNative("logs\\*.log"), "logs\\*.log");
  EXPECT_EQ(ArgumentFromNative("/var/a\\b.log"), std::nullopt);  // '\' would split the name
  EXPECT_EQ(ArgumentFromNative("caf\u00E9.log"), std::nullopt);  // no Shift-JIS form
  EXPECT_EQ(ArgumentFromNative("\u00A5.log"), std::nullopt);     // CP932 makes it 0x5C
}

TEST(TerminalLine, ConvertsToUtf8AndBreaksAtCr) {
  EXPECT_EQ(TerminalLine(Sjis("表\r\nb\rc")), "表\nb\nc");
  EXPECT_EQ(TerminalLine("a\x80z"), "a\uFFFDz");
}

}  // namespace
}  // namespace quillet::ui
