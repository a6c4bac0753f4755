#include <gtest/gtest.h>

#include <tuple>

#include "config/Settings.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

auto Fields(const ProcessingOptions& o) {
  return std::tie(o.Trim, o.SpLine, o.Skip, o.Time, o.TimeZ, o.SkipDisp, o.BackExt, o.Back, o.Inc,
                  o.IncExt, o.F1, o.S1, o.F2, o.S2, o.F3, o.S3, o.F4, o.S4, o.F5, o.S5, o.Editor,
                  o.Multi, o.StatusHeight, o.StatusWidth, o.Code);
}

// A record in which every field differs from its default.
ProcessingOptions Changed() {
  ProcessingOptions o;
  o.Trim = o.Skip = o.Time = o.TimeZ = o.Multi = false;
  o.SkipDisp = o.Back = o.Inc = true;
  o.SpLine = -1;
  o.StatusHeight = -2147483647 - 1;
  o.StatusWidth = 2147483647;
  o.BackExt = o.IncExt = o.F1 = o.F2 = o.F3 = o.F4 = o.S2 = o.S3 = o.S4 = "x";
  o.S1 = Sjis("表");
  o.F5 = o.S5 = "";
  o.Editor = "\"/opt/my editor/ed\"";
  o.Code = TextCode::kUtf8;
  return o;
}

class Settings : public ::testing::Test {
 protected:
  quillet::testing::ScratchDir dir_;
  const std::string ini_ = dir_.Windows("Quillet.ini");
};

// The order and names of the keys are those of the files users already have.
TEST_F(Settings, FirstSaveWritesEveryDefaultInSaveOrder) {
  ASSERT_TRUE(SaveSettings(ProcessingOptions{}, ini_));
  EXPECT_EQ(
      ReadFile(dir_.Native("Quillet.ini")),
      "[Option]\r\nTrim=1\r\nSpLine=1\r\nSkip=1\r\nSkipDisp=0\r\nTime=1\r\nTimeZ=1\r\n"
      "Back=0\r\nBackExt=qu$\r\nInc=0\r\nIncExt=inc\r\nF1=*.log\r\nS1=" +
          Sjis("ﾛｸﾞﾌｧｲﾙ") + "\r\nF2=*.txt\r\nS2=" + Sjis("ﾃｷｽﾄﾌｧｲﾙ") +
          "\r\nF3=\r\nS3=\r\nF4=\r\nS4=\r\nF5=*.*\r\nS5=" + Sjis("全てのﾌｧｲﾙ") +
          "\r\nEditor=notepad.exe\r\nMulti=1\r\nSyoriH=365\r\nSyoriW=415\r\nCode=Shift_JIS\r\n");
}

TEST_F(Settings, MissingFileGivesDefaultsAndSavedRecordLoadsBack) {
  ProcessingOptions loaded = Changed();
  LoadSettings(loaded, ini_);
  EXPECT_EQ(Fields(loaded), Fields(ProcessingOptions{}));
  ASSERT_TRUE(SaveSettings(Changed(), ini_));
  LoadSettings(loaded, ini_);
  EXPECT_EQ(Fields(loaded), Fields(Changed()));
}

// A stored line, and the line the value it loads as is saved as.
class SettingsValue : public Settings,
                      public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(SettingsValue, LoadsAsStoredOrAsTheDefault) {
  const auto& [stored, saved] = GetParam();
  WriteFile(dir_.Native("Quillet.ini"), "[Option]\r\n" + stored + "\r\n");
  ProcessingOptions options;
  LoadSettings(options, ini_);
  ASSERT_TRUE(SaveSettings(options, dir_.Windows("saved.ini")));
  EXPECT_NE(ReadFile(dir_.Native("saved.ini")).find("\r\n" + saved + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsValue,
    ::testing::Values(
        std::pair("SpLine=0x2", "SpLine=2"), std::pair("SpLine=0XfF", "SpLine=255"),
        std::pair("SpLine=$10", "SpLine=16"), std::pair("SpLine=-$10", "SpLine=-16"),
        std::pair("SpLine=-1", "SpLine=-1"), std::pair("SpLine=+0", "SpLine=0"),
        // Not a number or out of range: the default.
        std::pair("SpLine=abc", "SpLine=1"), std::pair("SpLine=", "SpLine=1"),
        std::pair("SpLine=12abc", "SpLine=1"), std::pair("SpLine=0x", "SpLine=1"),
        std::pair("SpLine=0x-2", "SpLine=1"), std::pair("SpLine=--2", "SpLine=1"),
        std::pair("SpLine=2147483648", "SpLine=1"), std::pair("SyoriW=0x100000000", "SyoriW=415"),
        std::pair("Code=utf8", "Code=UTF-8"), std::pair("Code=Utf-8", "Code=UTF-8"),
        std::pair("Code=EUC-JP", "Code=Shift_JIS"), std::pair("Code=UTF-8x", "Code=Shift_JIS"),
        std::pair("Trim=2", "Trim=1"), std::pair("Skip=0", "Skip=0"),
        std::pair("SkipDisp=x", "SkipDisp=0"), std::pair("Multi=", "Multi=1"),
        std::pair("F5=", "F5="), std::pair("S3=" + Sjis("表"), "S3=" + Sjis("表")),
        // A value is cut to what a 1024-byte buffer holds.
        std::pair("Editor=" + std::string(1500, 'e'), "Editor=" + std::string(1023, 'e'))));

TEST_F(Settings, FailedSaveAndItsMessage) {
  EXPECT_FALSE(SaveSettings(ProcessingOptions{}, dir_.Windows("no folder/Quillet.ini")));
  EXPECT_EQ(CannotWriteMessage("Z:\\100%\\Quillet.ini"),
            "Z:\\100%\\Quillet.ini" + Sjis(" に書き込めません"));
}

}  // namespace
}  // namespace quillet
