#include <gmock/gmock.h>
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
using ::testing::HasSubstr;

// Letters apply in order; each letter it does not know gets an error box.
TEST(ReadCommandLine, AppliesLettersInOrder) {
  // Arguments; AutoStart, AutoExit, SubFolders; file name; letters named by error boxes.
  const std::tuple<std::vector<std::string>, bool, bool, bool, const char*, const char*> rows[] = {
      {{"/A", "x.log"}, true, true, false, "x.log", ""},
      {{"/rs", "x.log"}, true, false, true, "x.log", ""},
      {{"/X"}, false, false, false, "", "X"},
      {{"/a", "/xs"}, true, false, false, "", "X"},  // S after X
      {{"/Sq", "x"}, false, false, false, "x", "Q"},
      {{"a.log", "/S", "C:\\b.LOG"}, true, false, false, "C:\\b.LOG", ""}};
  for (const auto& [arguments, start, exit, sub, file_name, letters] : rows) {
    quillet::testing::RecordingMessageBoxes boxes;
    const CommandLineRequest request = ReadCommandLine(arguments);
    EXPECT_EQ(std::tuple(request.AutoStart, request.AutoExit, request.SubFolders, request.FileName),
              std::tuple(start, exit, sub, std::string(file_name)))
        << arguments[0];
    std::string named;
    for (const auto& box : boxes.boxes) named += box.text.substr(box.text.find('"') + 1, 1);
    EXPECT_EQ(named, letters) << arguments[0];
  }
}

// Unix paths go on drive Z, relative ones from the current directory; a
// form that would not come back the same is refused.
TEST(ArgumentFromNative, TakesUnixPathsOnDriveZAndRefusesInexactForms) {
  // The argument (UTF-8, as the shell passes it), the current directory, the result in UTF-8.
  const std::tuple<const char*, const char*, std::optional<std::string>> rows[] = {
      {"/var/log/app/*.log", "/home/me", "Z:\\var\\log\\app\\*.log"},
      {"/RS", "/home/me", "/RS"},
      {"C:/x.log", "/home/me", "C:/x.log"},  // a drive: not relative
      {"logs/*.log", "/home/me", "Z:\\home\\me\\logs\\*.log"},
      {"../../../x/*.log", "/home/me", "Z:\\x\\*.log"},  // the root stays
      // logs may be a link: the system resolves its "..".
      {"logs/../x/a.log", "/home/me", "Z:\\home\\me\\logs\\..\\x\\a.log"},
      {"表/a.log", "/tmp/表", "Z:\\tmp\\表\\表\\a.log"},
      {"/var/a\\b.log", "/home/me", std::nullopt},  // '\\' would split the name
      {"logs/*.log", "", std::nullopt},             // no current directory
      {"caf\u00E9.log", "/home/me", std::nullopt},  // no Shift-JIS form
      {"\u00A5.log", "/home/me", std::nullopt}};    // CP932 makes it 0x5C
  for (const auto& [argument, current_dir, expected] : rows) {
    EXPECT_EQ(ArgumentFromNative(argument, current_dir),
              expected ? std::optional(Sjis(*expected)) : std::nullopt)
        << argument;
  }
}

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
  EXPECT_THAT(note(names), HasSubstr("only the last one is used: c.log\nquillet: ignored: a.log "
                                     "/var/b.log\n"));
  EXPECT_EQ(note({"only.log"}), "");
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

// Lines a preview or a terminal lists, in either text code: a byte that
// makes no character shows as U+FFFD and the rest of the line still shows.
TEST(ShownText, FollowsTheTextCode) {
  const std::tuple<std::string, TextCode, std::string> rows[] = {
      {"a\xFF" + Sjis("表"), TextCode::kShiftJis, "a\uFFFD表"},
      {"\xE7\xB5\x82\xE4\xBA\x86\\", TextCode::kUtf8, "終了\\"},
      {"a\xFF\xE7\xB5 b\xF0\x9F\x8D\xA3", TextCode::kUtf8, "a\uFFFD\uFFFD\uFFFD b🍣"}};
  for (const auto& [text, code, shown] : rows) EXPECT_EQ(ShownText(text, code), shown) << shown;
  EXPECT_EQ(TerminalLine(Sjis("表\r\nb\rc")), "表\nb\nc");  // and breaks at CR
}

}  // namespace
}  // namespace quillet::ui
