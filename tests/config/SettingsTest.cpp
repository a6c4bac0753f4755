#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "config/Settings.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using quillet::testing::Sjis;

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
  // Loads the options from a Quillet.ini holding `text`.
  ProcessingOptions Load(const std::string& text) {
    quillet::testing::WriteFile(dir_.Native("Quillet.ini"), text);
    ProcessingOptions options;
    LoadSettings(options, ini_);
    return options;
  }
  std::string Saved() const { return quillet::testing::ReadFile(dir_.Native("Quillet.ini")); }

  quillet::testing::ScratchDir dir_;
  const std::string ini_ = dir_.Windows("Quillet.ini");
};

TEST_F(Settings, FirstSaveWritesEveryDefaultInSaveOrder) {
  ASSERT_TRUE(SaveSettings(ProcessingOptions{}, ini_));
  EXPECT_EQ(
      Saved(),
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

class SettingsNumber : public Settings,
                       public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(SettingsNumber, ReadsOrFallsBackToTheDefault) {
  const auto& [stored, sp_line] = GetParam();
  EXPECT_EQ(Load(std::string("[Option]\r\n") + stored + "\r\n").SpLine, sp_line) << stored;
}

INSTANTIATE_TEST_SUITE_P(Encodings, SettingsNumber,
                         ::testing::Values(std::pair("SpLine=0x2", 2),
                                           std::pair("SpLine=0XfF", 255),
                                           std::pair("SpLine=$10", 16),
                                           std::pair("SpLine=-$10", -16),
                                           std::pair("SpLine=-1", -1), std::pair("SpLine=+0", 0),
                                           // Not a number, out of range or absent: the default.
                                           std::pair("SpLine=abc", 1), std::pair("SpLine=", 1),
                                           std::pair("SpLine=12abc", 1), std::pair("SpLine=0x", 1),
                                           std::pair("SpLine=0x-1", 1), std::pair("SpLine=--1", 1),
                                           std::pair("SpLine=2147483648", 1), std::pair("", 1)));

class SettingsCode : public Settings,
                     public ::testing::WithParamInterface<std::pair<const char*, TextCode>> {};

TEST_P(SettingsCode, ReadsUtf8OrElseShiftJis) {
  const auto& [stored, code] = GetParam();
  EXPECT_EQ(Load(std::string("[Option]\r\n") + stored + "\r\n").Code, code) << stored;
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsCode,
                         ::testing::Values(std::pair("Code=UTF-8", TextCode::kUtf8),
                                           std::pair("Code=utf8", TextCode::kUtf8),
                                           std::pair("Code=Shift_JIS", TextCode::kShiftJis),
                                           std::pair("Code=EUC-JP", TextCode::kShiftJis),
                                           std::pair("Code=UTF-8x", TextCode::kShiftJis),
                                           std::pair("Code=", TextCode::kShiftJis),
                                           std::pair("", TextCode::kShiftJis)));

TEST_F(Settings, BooleansAndTextsReadAsStored) {
  const ProcessingOptions options =
      Load("[Option]\r\nTrim=2\r\nSkip=0\r\nSkipDisp=x\r\nMulti=\r\nF5=\r\nS3=" + Sjis("表") +
           "\r\nEditor=" + std::string(1500, 'e') + "\r\n");
  EXPECT_TRUE(options.Trim);
  EXPECT_FALSE(options.Skip);
  EXPECT_FALSE(options.SkipDisp);  // not a number: default 0
  EXPECT_TRUE(options.Multi);      // empty: default 1
  EXPECT_EQ(options.F5, "");
  EXPECT_EQ(options.S3, Sjis("表"));
  EXPECT_EQ(options.Editor, std::string(1023, 'e'));
  ASSERT_TRUE(SaveSettings(options, ini_));
  EXPECT_NE(Saved().find("[Option]\r\nTrim=1\r\n"), std::string::npos);
  EXPECT_NE(Saved().find("\r\nF5=\r\n"), std::string::npos);
}

// Junk, numbers out of range, megabyte values and keys outside the
// section: every key reads as its default or as its value cut to 1023 bytes.
TEST_F(Settings, OddFilesGiveDefaultsOrCutValues) {
  std::mt19937 rng(5);
  std::string junk;
  for (int i = 0; i < (1 << 16); ++i) junk += static_cast<char>(rng());
  const std::string mega(1 << 20, 'x');
  ProcessingOptions cut;
  cut.BackExt = cut.Editor = std::string(1023, 'x');
  const std::pair<std::string, ProcessingOptions> cases[] = {
      {junk, {}},
      {"[Option]\r\n" + junk +
           "\r\nSpLine=99999999999999999999\r\nSyoriH=-2147483649\r\n"
           "SyoriW=0x100000000\r\nTrim=" +
           mega + "\r\nBackExt=" + mega + "\r\nEditor=\"" + mega + "\"\r\n",
       cut},
      {"SpLine=-1\r\n[Options]\r\nTrim=0\r\n[Option\r\nSkip=0\r\n", {}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Fields(Load(text)), Fields(expected)) << text.substr(0, 60);
  }
}

TEST_F(Settings, SaveKeepsForeignSectionsKeysAndComments) {
  ProcessingOptions options;
  ASSERT_TRUE(SaveSettings(options, ini_));
  const std::string keys = Saved().substr(10);  // after "[Option]\r\n"
  const std::string head = "; written by hand\r\n[Window]\r\nLeft = 10 \r\n\r\n[Option]\r\n";
  const std::string tail = "Own=\"x\"\r\n; keep me\r\n[Zed]\r\n" + Sjis("表") + "=1\r\n";
  quillet::testing::WriteFile(dir_.Native("Quillet.ini"), head + keys + tail);
  options.SpLine = -1;
  ASSERT_TRUE(SaveSettings(options, ini_));
  std::string expected_keys = keys;
  expected_keys.replace(expected_keys.find("SpLine=1"), 8, "SpLine=-1");
  EXPECT_EQ(Saved(), head + expected_keys + tail);
}

TEST_F(Settings, FailedSaveAndItsMessage) {
  EXPECT_FALSE(SaveSettings(ProcessingOptions{}, dir_.Windows("no folder/Quillet.ini")));
  EXPECT_EQ(CannotWriteMessage("Z:\\100%\\Quillet.ini"),
            "Z:\\100%\\Quillet.ini" + Sjis(" に書き込めません"));
}

}  // namespace
}  // namespace quillet
