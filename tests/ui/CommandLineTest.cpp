#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "core/Texts.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestUtil.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/RunListing.h"

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

struct ArgumentCase {
  const char* argument;  // UTF-8, as the shell passes it
  const char* current_dir;
  std::optional<std::string> expected;  // UTF-8 of the Shift-JIS result
};

class ArgumentFromNativeTable : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentFromNativeTable, TakesUnixPathsOnDriveZAndRefusesInexactForms) {
  const ArgumentCase& c = GetParam();
  const auto expected = c.expected ? std::optional(Sjis(*c.expected)) : std::nullopt;
  EXPECT_EQ(ArgumentFromNative(c.argument, c.current_dir), expected) << c.argument;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ArgumentFromNativeTable,
    ::testing::Values(
        ArgumentCase{"/var/log/app/*.log", "/home/me", "Z:\\var\\log\\app\\*.log"},
        ArgumentCase{"/tmp/表?.log", "/home/me", "Z:\\tmp\\表?.log"},
        ArgumentCase{"/var/./log//*.log", "/home/me", "Z:\\var\\log\\*.log"},
        ArgumentCase{"/RS", "/home/me", "/RS"}, ArgumentCase{"*.log", "/home/me", "*.log"},
        ArgumentCase{"logs\\*.log", "/home/me", "logs\\*.log"},  // Windows form, as typed
        ArgumentCase{"C:/x.log", "/home/me", "C:/x.log"},        // a drive: not relative
        // Relative to the current directory.
        ArgumentCase{"logs/*.log", "/home/me", "Z:\\home\\me\\logs\\*.log"},
        ArgumentCase{"./logs/*.log", "/home/me", "Z:\\home\\me\\logs\\*.log"},
        ArgumentCase{"../x/*.log", "/home/me", "Z:\\home\\x\\*.log"},
        ArgumentCase{"../../../x/*.log", "/home/me", "Z:\\x\\*.log"},  // the root stays
        ArgumentCase{"logs/*.log", "/", "Z:\\logs\\*.log"},
        ArgumentCase{"logs/", "/home/me", "Z:\\home\\me\\logs\\"},  // no name: no run
        // logs may be a link: the system resolves its "..".
        ArgumentCase{"logs/../x/a.log", "/home/me", "Z:\\home\\me\\logs\\..\\x\\a.log"},
        ArgumentCase{"表/a.log", "/tmp/表", "Z:\\tmp\\表\\表\\a.log"},
        // Refused.
        ArgumentCase{"/var/a\\b.log", "/home/me", std::nullopt},  // '\\' would split the name
        ArgumentCase{"logs/a\\b.log", "/home/me", std::nullopt},
        ArgumentCase{"logs/*.log", "", std::nullopt},  // no current directory
        ArgumentCase{"logs/*.log", "/home/caf\u00E9", std::nullopt},
        ArgumentCase{"caf\u00E9.log", "/home/me", std::nullopt},  // no Shift-JIS form
        ArgumentCase{"\u00A5.log", "/home/me", std::nullopt}));   // CP932 makes it 0x5C

TEST(FileNameArguments, NoteNamesTheIgnoredOnesAndAsksForQuotes) {
  const char* argv[] = {"quillet", "/A", "a.log", "", "/R", "caf\u00E9.log", "/var/b.log", "c.log"};
  const auto names = FileNameArguments(8, const_cast<char**>(argv));
  EXPECT_EQ(names, (std::vector<std::string>{"a.log", "/var/b.log", "c.log"}));

  const auto note = [](const std::vector<std::string>& file_names) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    WriteOverriddenNote(out, file_names);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
  };
  EXPECT_EQ(note(names),
            "quillet: 2 more file names given; only the last one is used: c.log\n"
            "quillet: ignored: a.log /var/b.log\n"
            "quillet: quote a wild-card pattern so that the shell passes it on unexpanded, as "
            "in: quillet /A '/var/log/app/*.log'\n");
  EXPECT_EQ(note({"only.log"}), "");
  const std::string many = note({"1", "2", "3", "4", "5", "6", "7", "8"});
  EXPECT_NE(many.find("ignored: 1 2 3 4 5 (and 2 more)\n"), std::string::npos) << many;
}

TEST(FolderFromUnixPath, GivesTheFolderOnDriveZ) {
  EXPECT_EQ(FolderFromUnixPath("/var/log/app"), "Z:\\var\\log\\app\\");
  EXPECT_EQ(FolderFromUnixPath("/var/log/app/"), "Z:\\var\\log\\app\\");
  EXPECT_EQ(FolderFromUnixPath("/"), "Z:\\");
  EXPECT_EQ(FolderFromUnixPath(Sjis("/tmp/表")), Sjis("Z:\\tmp\\表\\"));  // 95 5C is no '\\'
  EXPECT_EQ(FolderFromUnixPath("Z:\\var\\"), "Z:\\var\\");
  EXPECT_EQ(FolderFromUnixPath("logs"), "logs");            // refused by the run
  EXPECT_EQ(FolderFromUnixPath("/var/a\\b"), "/var/a\\b");  // so is this
}

// Each line once it is final, as UTF-8; a cancel signal acts at the next
// yield, once.
TEST(TerminalStatus, WritesEachLineOnceItIsFinalAndAsksToCancelAfterASignal) {
  Globals globals;
  std::vector<std::string> out;
  TerminalStatus status(
      globals, [&](const std::string& line) { out.push_back(line); }, [](const std::string&) {});
  const std::string pending = Sjis("表.log") + texts::kPending;
  status.AppendLine("3 File(s) Found.");
  status.AppendLine(pending);
  EXPECT_EQ(out, std::vector<std::string>{"3 File(s) Found."});
  status.ReplaceLastLine(Sjis("表.log\tdone"));
  status.AppendLine(pending);
  status.AppendLine("next");  // a pending line that is never replaced is final as it stands
  EXPECT_EQ(
      out, (std::vector<std::string>{"3 File(s) Found.", "表.log\tdone", "表.log  . . .", "next"}));

  InstallCancelSignals();
  globals.shell.AutoExit = true;
  EXPECT_FALSE(status.CancelRequested());
  raise(SIGTERM);
  EXPECT_TRUE(globals.shell.AutoExit);  // nothing happens inside the handler
  EXPECT_TRUE(status.CancelRequested());
  EXPECT_FALSE(globals.shell.AutoExit);
  EXPECT_TRUE(status.CancelRequested());  // it holds for the rest of the run
  status.RunEnded();
  EXPECT_FALSE(status.CancelRequested());
}

TEST(TerminalLine, ConvertsToUtf8AndBreaksAtCr) {
  EXPECT_EQ(TerminalLine(Sjis("表\r\nb\rc")), "表\nb\nc");
  EXPECT_EQ(TerminalLine("a\x80z"), "a\uFFFDz");
}

// Lines a preview lists, in either text code: a byte that makes no
// character shows as U+FFFD and the rest of the line still shows.
TEST(ShownText, FollowsTheTextCode) {
  const std::tuple<std::string, TextCode, std::string> rows[] = {
      {Sjis("表示 ok"), TextCode::kShiftJis, "表示 ok"},
      {"a\xFF" + Sjis("表"), TextCode::kShiftJis, "a\uFFFD表"},
      {"\xE7\xB5\x82\xE4\xBA\x86\\", TextCode::kUtf8, "終了\\"},
      {"a\xFF\xE7\xB5 b\xF0\x9F\x8D\xA3", TextCode::kUtf8, "a\uFFFD\uFFFD\uFFFD b🍣"}};
  for (const auto& [text, code, shown] : rows) EXPECT_EQ(ShownText(text, code), shown) << shown;
}

}  // namespace
}  // namespace quillet::ui
