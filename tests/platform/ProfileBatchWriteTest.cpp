// Many keys written with one read and at most one replace of the file: the
// same values read back as after writing them one by one, every other line
// kept, and no write at all when nothing changes.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ProfileFile.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::WriteFile;

// Counts the replaces that put a new file in place.
class CountingFileSystem : public quillet::testing::FaultyFileSystem {
 public:
  Status Replace(std::string_view from, std::string_view to) override {
    ++replaces;
    return FaultyFileSystem::Replace(from, to);
  }
  int replaces = 0;
};

const std::vector<ProfileValue> kValues = {
    {"Trim", "0"}, {"Editor", " quoted "}, {"New", "2"}, {"x", "1"}};
const char* const kKeys[] = {"Trim", "Editor", "New", "x", "Other"};

struct StartCase {
  const char* name;
  const char* text;  // nullptr: no file
  int replaces;
};

class ProfileBatchWrite : public ::testing::TestWithParam<StartCase> {
 protected:
  std::string Read(const std::string& path, const char* key) {
    return GetPrivateProfileString("Option", key, "<none>", path);
  }
  ScratchDir dir_;
};

TEST_P(ProfileBatchWrite, ReadsBackAsKeyByKeyWithOneReplace) {
  const StartCase& start = GetParam();
  const std::string one_by_one = dir_.Windows("a.ini");
  const std::string batch = dir_.Windows("b.ini");
  if (start.text != nullptr) {
    WriteFile(dir_.Native("a.ini"), start.text);
    WriteFile(dir_.Native("b.ini"), start.text);
  }
  for (const ProfileValue& v : kValues)
    ASSERT_TRUE(WritePrivateProfileString("Option", v.key, v.value, one_by_one));
  CountingFileSystem fs;
  ASSERT_TRUE(WritePrivateProfileStrings("Option", kValues, batch, fs));
  EXPECT_EQ(fs.replaces, start.replaces);
  for (const char* key : kKeys) EXPECT_EQ(Read(batch, key), Read(one_by_one, key)) << key;
  for (const char* section : {"Other", "Last"})
    EXPECT_EQ(GetPrivateProfileString(section, "A", "<none>", batch),
              GetPrivateProfileString(section, "A", "<none>", one_by_one));
  // The lines of keys that already held their value stay as they were.
  if (start.replaces == 0 && start.text != nullptr) {
    EXPECT_EQ(ReadFile(dir_.Native("b.ini")), start.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Starts, ProfileBatchWrite,
    ::testing::Values(
        StartCase{"NoFile", nullptr, 1}, StartCase{"Empty", "", 1},
        StartCase{"ForeignSections", "; top\n[Other]\nA = keep \n\n[option]\n trim = 1\n", 1},
        StartCase{"AlreadyAll",
                  "[Last]\r\nA=z\r\n[OPTION]\r\n  trim = 0 \r\nEditor=\" quoted \"\r\nNew = 2\r\n"
                  "X=1\r\n",
                  0},
        StartCase{"NoLastLineEnd", "[Option]\nTrim=1\nEditor=\" quoted \"\nNew=2\nx=1", 1}),
    [](const auto& info) { return info.param.name; });

TEST(ProfileBatchWriteStops, AtAValueThatCannotBeWrittenAfterWritingTheOnesBefore) {
  ScratchDir dir;
  WriteFile(dir.Native("a.ini"), "[Other]\r\nA=1\r\n");
  CountingFileSystem fs;
  errno = 0;
  EXPECT_FALSE(WritePrivateProfileStrings("Option", {{"K", "1"}, {"Bad", "a\nb"}, {"L", "2"}},
                                          dir.Windows("a.ini"), fs));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(fs.replaces, 1);
  EXPECT_EQ(ReadFile(dir.Native("a.ini")), "[Other]\r\nA=1\r\n[Option]\r\nK=1\r\n");
}

}  // namespace
}  // namespace quillet::platform
