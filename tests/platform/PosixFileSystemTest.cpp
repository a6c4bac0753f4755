#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;
using Names = std::vector<std::string>;

class PosixFileSystemTest : public ::testing::Test {
 protected:
  // The names listed, sorted; a hidden entry's name ends in '!'.
  Names List(const std::string& pattern, ListKind kind) {
    std::vector<DirEntry> entries;
    EXPECT_TRUE(fs.List(dir.Windows(pattern), kind, entries)) << pattern;
    Names names;
    for (const DirEntry& e : entries) names.push_back(e.name + (e.attributes.hidden ? "!" : ""));
    std::sort(names.begin(), names.end());
    return names;
  }
  // Fails the test unless opening `name` fails with `error`.
  void ExpectRefused(const char* name, OpenMode mode, int error) {
    const Opened opened = fs.Open(dir.Windows(name), mode);
    EXPECT_EQ(opened.file ? 0 : opened.status.errno_value(), error) << name;
  }

  FileSystem& fs = PosixFileSystem();
  quillet::testing::ScratchDir dir;
};

// Names without a Shift-JIS form of their own (¥, '\\', bytes not UTF-8) show
// a '?' per character, and no name holding '?' or '*' is ever opened, created,
// renamed or deleted, so a shown name cannot reach another file.
TEST_F(PosixFileSystemTest, ListsNamesWithoutAShiftJisFormWithQuestionMarksAndNeverOpensThem) {
  const char* const on_disk[] = {
      "\xF0\x9F\x8D\xA3.log", "\xC3\xA9t\xC3\xA9.log",    "\xC2\xA5.log", "a\\b.log",
      "\xFF\xFE.log",         "\xE8\xA1\xA8\xC3\xA9.log", "r?al.log",     "st*r.log"};
  for (const char* name : on_disk) WriteFile(dir.Native(name), "x");
  WriteFile(dir.Native("plain.log"), "x");
  EXPECT_EQ(List("*.log", ListKind::kFiles),
            (Names{"?.log", "?.log", "??.log", "?t?.log", "a?b.log", "plain.log", "r?al.log",
                   "st*r.log", Sjis("表?.log")}));
  for (const char* name : {"?.log", "a?b.log", "r?al.log", "st*r.log"}) {
    for (OpenMode mode : {OpenMode::kRead, OpenMode::kHold, OpenMode::kCreateTruncate})
      ExpectRefused(name, mode, EINVAL);
    EXPECT_EQ(fs.Delete(dir.Windows(name)).errno_value(), EINVAL) << name;
    EXPECT_FALSE(fs.Rename(dir.Windows("plain.log"), dir.Windows(name))) << name;
    EXPECT_FALSE(fs.Rename(dir.Windows(name), dir.Windows("new.log"))) << name;
  }
  EXPECT_FALSE(fs.Exists(dir.Windows("?.log")) || fs.Exists(dir.Windows("new.log")));
  for (const char* name : on_disk) EXPECT_EQ(ReadFile(dir.Native(name)), "x") << name;
  EXPECT_EQ(ReadFile(dir.Native("plain.log")), "x");
}

TEST_F(PosixFileSystemTest, DosAttribMarksHiddenAndSystemEntries) {
  for (const char* name : {"plain.log", "hidden.log", "system.log", "sysdir/inner"})
    WriteFile(dir.Native(name), "x");
  if (setxattr(dir.Native("hidden.log").c_str(), "user.DOSATTRIB", "0x22", 4, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here: " << std::strerror(errno);
  const char system[] = "0x4\0record";  // the text, a NUL, then Samba's binary record
  for (const char* name : {"system.log", "sysdir"})
    ASSERT_EQ(setxattr(dir.Native(name).c_str(), "user.DOSATTRIB", system, 10, 0), 0);
  EXPECT_EQ(List("*.log", ListKind::kFiles), Names{"plain.log"});
  EXPECT_EQ(List("*", ListKind::kSubfolders), (Names{".", "..", "hidden.log!", "plain.log"}));
}

// Only regular files open (a FIFO without waiting), a read-only file not
// for writing even to root, no new file is made through a dangling link, a
// rename never replaces and a delete takes files only.
TEST_F(PosixFileSystemTest, NeverOpensReplacesOrDeletesOtherEntries) {
  WriteFile(dir.Native("a.log"), "keep");
  WriteFile(dir.Native("a.inc"), "inc");
  WriteFile(dir.Native("sub/inner"), "x");
  ASSERT_EQ(symlink("missing", dir.Native("b.qu$").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.Native("fifo.log").c_str(), 0644), 0);
  ExpectRefused("fifo.log", OpenMode::kRead, EINVAL);
  ExpectRefused("sub", OpenMode::kRead, EISDIR);
  ExpectRefused("b.qu$", OpenMode::kCreateNew, EEXIST);
  ASSERT_EQ(chmod(dir.Native("a.log").c_str(), 0444), 0);
  Attributes attributes;
  ASSERT_TRUE(fs.GetAttributes(dir.Windows("a.log"), attributes));
  EXPECT_TRUE(attributes.read_only);
  for (OpenMode mode : {OpenMode::kReadWrite, OpenMode::kCreateTruncate, OpenMode::kAppend})
    ExpectRefused("a.log", mode, EACCES);
  EXPECT_FALSE(fs.Exists(dir.Windows("missing")));
  EXPECT_EQ(fs.Rename(dir.Windows("a.inc"), dir.Windows("a.log")).errno_value(), EEXIST);
  EXPECT_EQ(ReadFile(dir.Native("a.log")), "keep");
  EXPECT_TRUE(fs.Rename(dir.Windows("a.inc"), dir.Windows("b.inc")) &&
              fs.Exists(dir.Windows("b.inc")));
  EXPECT_FALSE(fs.Delete(dir.Windows("sub")));
  EXPECT_TRUE(fs.Delete(dir.Windows("b.inc")));
  EXPECT_FALSE(fs.Exists(dir.Windows("b.inc")));
}

}  // namespace
}  // namespace quillet::platform
