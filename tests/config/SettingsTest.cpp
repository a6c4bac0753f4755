#include <gtest/gtest.h>

#include "config/Settings.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

class Settings : public ::testing::Test {
 protected:
  quillet::testing::ScratchDir dir_;
  const std::string ini_ = dir_.Windows("Quillet.ini");
};

// A missing file loads every default (a field of each kind set otherwise
// before shows it), saved in the order and with the names of the files
// users already have.
TEST_F(Settings, MissingFileLoadsAndSavesEveryDefaultInOrder) {
  ProcessingOptions options;
  options.Trim = false;
  options.SkipDisp = true;
  options.SpLine = 7;
  options.Editor = "x";
  options.Code = TextCode::kUtf8;
  LoadSettings(options, ini_);
  ASSERT_TRUE(SaveSettings(options, ini_));
  EXPECT_EQ(
      ReadFile(dir_.Native("Quillet.ini")),
      "[Option]\r\nTrim=1\r\nSpLine=1\r\nSkip=1\r\nSkipDisp=0\r\nTime=1\r\nTimeZ=1\r\n"
      "Back=0\r\nBackExt=qu$\r\nInc=0\r\nIncExt=inc\r\nF1=*.log\r\nS1=" +
          Sjis("ﾛｸﾞﾌｧｲﾙ") + "\r\nF2=*.txt\r\nS2=" + Sjis("ﾃｷｽﾄﾌｧｲﾙ") +
          "\r\nF3=\r\nS3=\r\nF4=\r\nS4=\r\nF5=*.*\r\nS5=" + Sjis("全てのﾌｧｲﾙ") +
          "\r\nEditor=notepad.exe\r\nMulti=1\r\nSyoriH=365\r\nSyoriW=415\r\nCode=Shift_JIS\r\n");
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
        std::pair("SyoriH=-2147483648", "SyoriH=-2147483648"),
        std::pair("SyoriW=2147483647", "SyoriW=2147483647"),
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
        std::pair("Back=1", "Back=1"), std::pair("Inc=1", "Inc=1"), std::pair("Time=0", "Time=0"),
        std::pair("Editor=\"\"/opt/my ed\"\"", "Editor=\"\"/opt/my ed\"\""),
        std::pair("Editor= \" ed \"", "Editor=\" ed \""),
        // A value is cut to what a 1024-byte buffer holds, never inside a character.
        std::pair("Editor=" + std::string(1021, 'e') + Sjis("表") + "xx",
                  "Editor=" + std::string(1021, 'e') + Sjis("表")),
        std::pair("S3=" + std::string(1022, 'e') + Sjis("表"), "S3=" + std::string(1022, 'e'))));

TEST_F(Settings, FailedSaveIsReported) {
  EXPECT_FALSE(SaveSettings(ProcessingOptions{}, dir_.Windows("no folder/Quillet.ini")));
}

}  // namespace
}  // namespace quillet
