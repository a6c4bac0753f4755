#include <gtest/gtest.h>

#include <tuple>

#include "config/Settings.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

auto Fields(const ProcessingOptions& o) {
  return std::tie(o.Trim, o.SpLine, o.Skip, o.Time, o.TimeZ, o.SkipDisp, o.BackExt, o.Back, o.Inc,
                  o.IncExt, o.F1, o.S1, o.F2, o.S2, o.F3, o.S3, o.F4, o.S4, o.F5, o.S5, o.Editor,
                  o.Multi, o.SyoriH, o.SyoriW);
}

// A record in which every field differs from its default.
ProcessingOptions Changed() {
  ProcessingOptions o;
  o.Trim = o.Skip = o.Time = o.TimeZ = o.Multi = false;
  o.SkipDisp = o.Back = o.Inc = true;
  o.SpLine = -1;
  o.SyoriH = -2147483647 - 1;
  o.SyoriW = 2147483647;
  o.BackExt = o.IncExt = o.F1 = o.F2 = o.F3 = o.F4 = o.S2 = o.S3 = o.S4 = "x";
  o.S1 = Sjis("表");
  o.F5 = o.S5 = "";
  o.Editor = "\"/opt/my editor/ed\"";
  return o;
}

TEST(Settings, FirstSaveWritesEveryDefaultInSaveOrder) {
  ScratchDir dir;
  ASSERT_TRUE(SaveSettings(ProcessingOptions{}, dir.Windows("Quillet.ini")));
  EXPECT_EQ(ReadFile(dir.Native("Quillet.ini")),
            "[Option]\r\nTrim=1\r\nSpLine=1\r\nSkip=1\r\nSkipDisp=0\r\nTime=1\r\nTimeZ=1\r\n"
            "Back=0\r\nBackExt=qu$\r\nInc=0\r\nIncExt=inc\r\nF1=*.log\r\nS1=" +
                Sjis("ﾛｸﾞﾌｧｲﾙ") + "\r\nF2=*.txt\r\nS2=" + Sjis("ﾃｷｽﾄﾌｧｲﾙ") +
                "\r\nF3=\r\nS3=\r\nF4=\r\nS4=\r\nF5=*.*\r\nS5=" + Sjis("全てのﾌｧｲﾙ") +
                "\r\nEditor=notepad.exe\r\nMulti=1\r\nSyoriH=365\r\nSyoriW=415\r\n");
}

TEST(Settings, MissingFileGivesDefaultsAndSavedRecordLoadsBack) {
  ScratchDir dir;
  ProcessingOptions loaded = Changed();
  LoadSettings(loaded, dir.Windows("Quillet.ini"));
  EXPECT_EQ(Fields(loaded), Fields(ProcessingOptions{}));

  ASSERT_TRUE(SaveSettings(Changed(), dir.Windows("Quillet.ini")));
  EXPECT_NE(ReadFile(dir.Native("Quillet.ini")).find("\r\nSpLine=-1\r\n"), std::string::npos);
  LoadSettings(loaded, dir.Windows("Quillet.ini"));
  EXPECT_EQ(Fields(loaded), Fields(Changed()));
}

struct NumberCase {
  const char* stored;  // the line in the file, or nullptr for no line
  std::int32_t sp_line;
};

class SettingsNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SettingsNumber, ReadsOrFallsBackToTheDefault) {
  ScratchDir dir;
  const NumberCase& c = GetParam();
  WriteFile(dir.Native("Quillet.ini"),
            std::string("[Option]\r\n") + (c.stored ? c.stored : "") + "\r\n");
  ProcessingOptions options;
  LoadSettings(options, dir.Windows("Quillet.ini"));
  EXPECT_EQ(options.SpLine, c.sp_line) << (c.stored ? c.stored : "(absent)");
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, SettingsNumber,
    ::testing::Values(NumberCase{"SpLine=0x1", 1}, NumberCase{"SpLine=0XfF", 255},
                      NumberCase{"SpLine=$10", 16}, NumberCase{"SpLine=-$10", -16},
                      NumberCase{"SpLine=-1", -1}, NumberCase{"SpLine=+0", 0},
                      // Not a number, or out of range: the default.
                      NumberCase{"SpLine=abc", 1}, NumberCase{"SpLine=", 1},
                      NumberCase{"SpLine=12abc", 1}, NumberCase{"SpLine=0x", 1},
                      NumberCase{"SpLine=0x-1", 1}, NumberCase{"SpLine=--1", 1},
                      NumberCase{"SpLine=2147483648", 1}, NumberCase{nullptr, 1}));

TEST(Settings, BooleansAndTextsReadAsStored) {
  ScratchDir dir;
  WriteFile(dir.Native("Quillet.ini"),
            "[Option]\r\nTrim=2\r\nSkip=0\r\nSkipDisp=x\r\nMulti=\r\n"
            "F5=\r\nS3=" +
                Sjis("表") + "\r\nEditor=" + std::string(1500, 'e') + "\r\n");
  ProcessingOptions options;
  LoadSettings(options, dir.Windows("Quillet.ini"));
  EXPECT_TRUE(options.Trim);
  EXPECT_FALSE(options.Skip);
  EXPECT_FALSE(options.SkipDisp);  // not a number: default 0
  EXPECT_TRUE(options.Multi);      // empty: default 1
  EXPECT_EQ(options.F5, "");
  EXPECT_EQ(options.S3, Sjis("表"));
  EXPECT_EQ(options.Editor, std::string(1023, 'e'));

  ASSERT_TRUE(SaveSettings(options, dir.Windows("Quillet.ini")));
  std::string saved = ReadFile(dir.Native("Quillet.ini"));
  EXPECT_NE(saved.find("[Option]\r\nTrim=1\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nF5=\r\n"), std::string::npos);
}

TEST(Settings, SaveKeepsForeignSectionsKeysAndComments) {
  ScratchDir dir;
  ProcessingOptions options;
  ASSERT_TRUE(SaveSettings(options, dir.Windows("Quillet.ini")));
  std::string keys = ReadFile(dir.Native("Quillet.ini")).substr(10);  // after "[Option]\r\n"
  const std::string head = "; written by hand\r\n[Window]\r\nLeft = 10 \r\n\r\n[Option]\r\n";
  const std::string tail = "Own=\"x\"\r\n; keep me\r\n[Zed]\r\n" + Sjis("表") + "=1\r\n";
  WriteFile(dir.Native("Quillet.ini"), head + keys + tail);
  options.SpLine = -1;
  ASSERT_TRUE(SaveSettings(options, dir.Windows("Quillet.ini")));
  std::string expected_keys = keys;
  expected_keys.replace(expected_keys.find("SpLine=1"), 8, "SpLine=-1");
  EXPECT_EQ(ReadFile(dir.Native("Quillet.ini")), head + expected_keys + tail);
}

TEST(Settings, FailedSaveAndItsMessage) {
  ScratchDir dir;
  std::string path = dir.Windows("no folder/Quillet.ini");
  EXPECT_FALSE(SaveSettings(ProcessingOptions{}, path));
  EXPECT_EQ(CannotWriteMessage("Z:\\100%\\Quillet.ini"),
            "Z:\\100%\\Quillet.ini" + Sjis(" に書き込めません"));
}

}  // namespace
}  // namespace quillet
