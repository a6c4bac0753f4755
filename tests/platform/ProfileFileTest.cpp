#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>

#include "platform/ProfileFile.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::FileExists;
using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

std::ptrdiff_t EntryCount(const std::string& native_folder) {
  return std::distance(std::filesystem::directory_iterator(native_folder), {});
}

struct ReadCase {
  const char* name;
  std::string content;
  std::string section;
  std::string key;
  std::string expected;  // "<default>" when the key is not found
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsTheValue) {
  const ReadCase& c = GetParam();
  ScratchDir dir;
  WriteFile(dir.Native("a.ini"), c.content);
  EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "<default>", dir.Windows("a.ini")),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileRead,
    ::testing::Values(
        ReadCase{"NamesWithoutCase", "[oPTION]\r\ntrim=5\r\n", "Option", "TRIM", "5"},
        ReadCase{"BlanksAroundIgnored", "  [Option]\n \t Key \t=  two  words \t\n", "Option", "Key",
                 "two  words"},
        ReadCase{"QuotePairRemoved", "[S]\r\nK=\" padded \"\r\n", "S", "K", " padded "},
        ReadCase{"LfOnlyLastLineWithoutEnd", "[A]\nK=1\n[S]\nK=2", "S", "K", "2"},
        ReadCase{"OnlyTheFirstSectionOfAName", "[S]\r\nX=1\r\n[s]\r\nK=2\r\n", "S", "K",
                 "<default>"},
        ReadCase{"KeyBeforeAnySectionIgnored", "K=1\r\n[S]\r\n", "S", "K", "<default>"},
        ReadCase{"CommentIsNoKey", "[S]\r\n;K=1\r\n", "S", "K", "<default>"},
        // ア is 83 41 and ヂ is 83 61: their second bytes are 'A' and 'a'.
        ReadCase{"SecondBytesNotFolded", Sjis("[S]\r\nヂ=1\r\n"), "S", Sjis("ア"), "<default>"}),
    [](const auto& info) { return info.param.name; });

TEST(ProfileFile, MissingFileGivesTheDefault) {
  ScratchDir dir;
  EXPECT_EQ(GetPrivateProfileString("S", "K", "d", dir.Windows("none.ini")), "d");
  EXPECT_EQ(GetPrivateProfileString("S", "K", "d", "Q:\\other.ini"), "d");
}

TEST(ProfileFile, LongValueCutToMaxBytesAtACharacterBoundary) {
  ScratchDir dir;
  std::string kanji = Sjis("表");
  WriteFile(dir.Native("a.ini"),
            "[S]\r\nA=" + std::string(1500, 'x') + "\r\nB=x" + kanji + kanji + "\r\n");
  EXPECT_EQ(GetPrivateProfileString("S", "A", "", dir.Windows("a.ini")), std::string(1023, 'x'));
  // Four bytes would split the second 表.
  EXPECT_EQ(GetPrivateProfileString("S", "B", "", dir.Windows("a.ini"), 4), "x" + kanji);
}

TEST(ProfileFile, FirstWritesCreateTheFileWithCrLf) {
  ScratchDir dir;
  ASSERT_TRUE(WritePrivateProfileString("Option", "A", "1", dir.Windows("a.ini")));
  ASSERT_TRUE(WritePrivateProfileString("Option", "B", "", dir.Windows("a.ini")));
  EXPECT_EQ(ReadFile(dir.Native("a.ini")), "[Option]\r\nA=1\r\nB=\r\n");
  EXPECT_EQ(EntryCount(dir.native()), 1);
}

TEST(ProfileFile, WriteKeepsEveryOtherLineAndPlacesNewKeys) {
  ScratchDir dir;
  WriteFile(dir.Native("a.ini"),
            "; top\n[Other]\nA = keep \n\n[option]\n ; note\n  trim = 0 \nx=1\n\n"
            "[Last]\nZ=\xFC\x5C");
  ASSERT_TRUE(WritePrivateProfileString("Option", "Trim", "1", dir.Windows("a.ini")));
  ASSERT_TRUE(WritePrivateProfileString("Option", "New", "2", dir.Windows("a.ini")));
  ASSERT_TRUE(WritePrivateProfileString("Added", "K", "3", dir.Windows("a.ini")));
  EXPECT_EQ(ReadFile(dir.Native("a.ini")),
            "; top\r\n[Other]\r\nA = keep \r\n\r\n[option]\r\n ; note\r\ntrim=1\r\nx=1\r\n"
            "New=2\r\n\r\n[Last]\r\nZ=\xFC\x5C\r\n[Added]\r\nK=3\r\n");
}

TEST(ProfileFile, ValuesReadBackAsWritten) {
  ScratchDir dir;
  for (std::string value : {"\"C:\\Program Files\\ed.exe\"", " lead", "trail\t", "\"", "a\"b"}) {
    ASSERT_TRUE(WritePrivateProfileString("S", "K", value, dir.Windows("a.ini"))) << value;
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", dir.Windows("a.ini")), value);
  }
}

TEST(ProfileFile, KeepsPermissionBitsAndWritesThroughALink) {
  ScratchDir dir;
  WriteFile(dir.Native("real.ini"), "[S]\r\nK=1\r\n");
  ASSERT_EQ(chmod(dir.Native("real.ini").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.ini", dir.Native("link.ini").c_str()), 0);
  ASSERT_TRUE(WritePrivateProfileString("S", "K", "2", dir.Windows("link.ini")));
  struct stat st;
  ASSERT_EQ(lstat(dir.Native("link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(dir.Native("real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile(dir.Native("real.ini")), "[S]\r\nK=2\r\n");
}

struct RefusedCase {
  const char* name;
  std::string key;
  std::string value;
  int error;
};

class ProfileRefusedWrite : public ::testing::TestWithParam<RefusedCase> {};

// Each refusal leaves the file as it was and no new file in the folder.
TEST_P(ProfileRefusedWrite, LeavesTheFileUntouched) {
  const RefusedCase& c = GetParam();
  ScratchDir dir;
  const std::string original = "[S]\nK=1\n";
  WriteFile(dir.Native("a.ini"), original);
  if (c.error == EACCES) {
    ASSERT_EQ(chmod(dir.Native("a.ini").c_str(), 0444), 0);
  }
  errno = 0;
  EXPECT_FALSE(WritePrivateProfileString("S", c.key, c.value, dir.Windows("a.ini")));
  EXPECT_EQ(errno, c.error);
  EXPECT_EQ(ReadFile(dir.Native("a.ini")), original);
  EXPECT_EQ(EntryCount(dir.native()), 1);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ProfileRefusedWrite,
                         ::testing::Values(RefusedCase{"ReadOnlyFile", "K", "2", EACCES},
                                           RefusedCase{"LineBreakInValue", "K", "2\r\n[T]", EINVAL},
                                           RefusedCase{"EqualsInKey", "K=", "2", EINVAL},
                                           RefusedCase{"EmptyKey", "", "2", EINVAL}),
                         [](const auto& info) { return info.param.name; });

TEST(ProfileFile, WriteFailsWhereNoFileCanBeMade) {
  ScratchDir dir;
  EXPECT_FALSE(WritePrivateProfileString("S", "K", "1", dir.Windows("missing/a.ini")));
  EXPECT_FALSE(FileExists(dir.Native("missing")));
  // A folder under the name cannot be read as a file, so it is not replaced.
  ASSERT_EQ(mkdir(dir.Native("a.ini").c_str(), 0755), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "K", "1", dir.Windows("a.ini")));
  EXPECT_EQ(EntryCount(dir.native()), 1);
}

// A file-size limit makes the new file's write fail half way (as a full
// disk would); the original must survive and the new file must go.
TEST(ProfileFile, FailedWriteLeavesTheOriginalWhole) {
  ScratchDir dir;
  const std::string original = "[S]\r\nK=" + std::string(100, 'o') + "\r\n";
  WriteFile(dir.Native("a.ini"), original);
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction saved_action;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &saved_action), 0);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  errno = 0;
  bool written = WritePrivateProfileString("S", "K", std::string(200, 'n'), dir.Windows("a.ini"));
  int error = errno;
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &saved_action, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(ReadFile(dir.Native("a.ini")), original);
  EXPECT_EQ(EntryCount(dir.native()), 1);
}

}  // namespace
}  // namespace quillet::platform
