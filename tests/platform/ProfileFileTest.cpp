#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <tuple>

#include "platform/ProfileFile.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

// One profile file, a.ini, in a scratch folder.
class ProfileFile : public ::testing::Test {
 protected:
  bool Put(const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileString(section, key, value, ini_);
  }
  void Write(const std::string& text) { quillet::testing::WriteFile(dir_.Native("a.ini"), text); }
  std::string Text() const { return quillet::testing::ReadFile(dir_.Native("a.ini")); }
  // Entries in the folder: a write never leaves a temporary file behind.
  std::ptrdiff_t Entries() const {
    return std::distance(std::filesystem::directory_iterator(dir_.native()), {});
  }

  quillet::testing::ScratchDir dir_;
  const std::string ini_ = dir_.Windows("a.ini");
};

// A file's text, a section and a key, and the value read.
TEST_F(ProfileFile, ReadsTheValue) {
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"[oPTION]\r\ntrim=5\r\n", "Option", "TRIM", "5"},
      {"  [Option]\n \t Key \t=  two  words \t\n", "Option", "Key", "two  words"},
      {"[S]\r\nK=\" padded \"\r\n", "S", "K", " padded "},
      {"[A]\nK=1\n[S]\nK=2", "S", "K", "2"},
      {"[S]\r\nX=1\r\n[s]\r\nK=2\r\n", "S", "K", "<default>"},  // only the first [S] counts
      {"K=1\r\n[S]\r\n", "S", "K", "<default>"},                // a key before any section
      {"[S]\r\n;K=1\r\n", "S", "K", "<default>"}};              // a comment
  for (const auto& [content, section, key, expected] : cases) {
    Write(content);
    EXPECT_EQ(GetPrivateProfileString(section, key, "<default>", ini_, 1023), expected) << content;
  }
}

TEST_F(ProfileFile, WriteKeepsEveryOtherLineAndPlacesNewKeys) {
  Write("; top\n[Other]\nA = keep \n\n[option]\n ; note\n  trim = 0 \nx=1\n\n[Last]\nZ=\xFC\x5C");
  ASSERT_TRUE(Put("Option", "Trim", "1") && Put("Option", "New", "2") && Put("Added", "K", "3"));
  EXPECT_EQ(Text(),
            "; top\r\n[Other]\r\nA = keep \r\n\r\n[option]\r\n ; note\r\ntrim=1\r\nx=1\r\n"
            "New=2\r\n\r\n[Last]\r\nZ=\xFC\x5C\r\n[Added]\r\nK=3\r\n");
  // A section without keys takes the new key right after its header.
  Write("[Option]\n[Next]\nB=1\n");
  ASSERT_TRUE(Put("Option", "New", "2"));
  EXPECT_EQ(Text(), "[Option]\r\nNew=2\r\n[Next]\r\nB=1\r\n");
}

TEST_F(ProfileFile, KeepsPermissionBitsAndWritesThroughALink) {
  quillet::testing::WriteFile(dir_.Native("real.ini"), "[S]\r\nK=1\r\n");
  ASSERT_EQ(chmod(dir_.Native("real.ini").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.ini", dir_.Native("a.ini").c_str()), 0);
  ASSERT_TRUE(Put("S", "K", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.Native("a.ini")));
  EXPECT_EQ(std::filesystem::status(dir_.Native("real.ini")).permissions(),
            std::filesystem::perms(0640));
  EXPECT_EQ(Text(), "[S]\r\nK=2\r\n");
}

// Each refusal leaves the file as it was and no new file in the folder.
TEST_F(ProfileFile, RefusedWritesLeaveTheFileUntouched) {
  Write("[S]\nK=1\n");
  const std::tuple<std::string, std::string, int> cases[] = {
      {"K", "2\r\n[T]", EINVAL}, {"K=", "2", EINVAL}, {"", "2", EINVAL}, {"K", "2", EACCES}};
  for (const auto& [key, value, error] : cases) {
    ASSERT_EQ(error == EACCES ? chmod(dir_.Native("a.ini").c_str(), 0444) : 0, 0);
    errno = 0;
    EXPECT_FALSE(Put("S", key, value)) << key << value;
    EXPECT_EQ(errno, error) << key << value;
    EXPECT_EQ(Text(), "[S]\nK=1\n");
    EXPECT_EQ(Entries(), 1);
  }
}

// A failure at any step of putting the new file in place (a full disk among
// them) is reported, leaves the original whole and removes the new file.
TEST_F(ProfileFile, FailedWriteLeavesTheOriginalWhole) {
  Write("[S]\r\nK=1\r\n");
  using quillet::testing::FsOp;
  for (FsOp op : {FsOp::kOpen, FsOp::kWrite, FsOp::kSync, FsOp::kClose, FsOp::kReplace}) {
    quillet::testing::FaultyFileSystem fs;
    fs.Add({op, "", 1, ENOSPC});
    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "2", ini_, fs)) << static_cast<int>(op);
    EXPECT_EQ(errno, ENOSPC) << static_cast<int>(op);
    EXPECT_EQ(Text(), "[S]\r\nK=1\r\n");
    EXPECT_EQ(Entries(), 1);
  }
}

// Counts the replaces that put a new file in place.
class CountingFileSystem : public quillet::testing::FaultyFileSystem {
 public:
  Status Replace(std::string_view from, std::string_view to) override {
    ++replaces;
    return FaultyFileSystem::Replace(from, to);
  }
  int replaces = 0;
};

// Many keys written at once give the file that writing them one by one
// gives, with one replace of the file, or none when every key already holds
// its value (the file then stays as it was, byte for byte); a value that
// cannot be written stops the batch after the ones before it.
TEST_F(ProfileFile, BatchGivesTheFileOfKeyByKeyWritesWithOneReplace) {
  const std::vector<ProfileValue> values = {
      {"Trim", "0"}, {"Editor", " quoted "}, {"New", "2"}, {"x", "1"}};
  const std::pair<std::string, int> starts[] = {
      {"; top\n[Other]\nA = keep \n\n[option]\n trim = 1\n", 1},
      {"[Last]\r\nA=z\r\n[OPTION]\r\n  trim = 0 \r\nEditor=\" quoted \"\r\nNew = 2\r\nX=1\r\n", 0},
      {"[Option]\nTrim=1\nEditor=\" quoted \"\nNew=2\nx=1", 1}};  // no last line end
  for (const auto& [start, replaces] : starts) {
    Write(start);
    quillet::testing::WriteFile(dir_.Native("b.ini"), start);
    for (const ProfileValue& v : values) ASSERT_TRUE(Put("Option", v.key, v.value));
    CountingFileSystem fs;
    ASSERT_TRUE(WritePrivateProfileStrings("Option", values, dir_.Windows("b.ini"), fs));
    EXPECT_EQ(fs.replaces, replaces) << start;
    EXPECT_EQ(quillet::testing::ReadFile(dir_.Native("b.ini")), replaces == 0 ? start : Text());
  }
  Write("[Other]\r\nA=1\r\n");
  CountingFileSystem fs;
  errno = 0;
  EXPECT_FALSE(
      WritePrivateProfileStrings("Option", {{"K", "1"}, {"Bad", "a\nb"}, {"L", "2"}}, ini_, fs));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(fs.replaces, 1);
  EXPECT_EQ(Text(), "[Other]\r\nA=1\r\n[Option]\r\nK=1\r\n");
}

}  // namespace
}  // namespace quillet::platform
