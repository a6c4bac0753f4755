#include <gtest/gtest.h>

#include <string>

#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::Sjis;

// The report of each file result code, typos included ("ダイル", "ファル").
struct ReportCase {
  int code;
  const char* readable;
};

const ReportCase kReportCases[] = {
    {frEmptySkipped, "(ｽｷｯﾌﾟしました. ｻｲｽﾞ=0ﾊﾞｲﾄ)"},
    {frOpenError, " -> オープンエラー !"},
    {frTempOpenError, " -> テンポラリダイル オープンエラー !"},
    {frReadError,
     " -> 正常に読み込めませんでした.\r\n\t     "
     "途中に^Zがあるか、バイナリファイルの可能性があります."},
    {frIncExtConflict,
     " -> インクリメントファイルと同じ拡張子のファイルは処理できません.\r\n\t     "
     "オプションダイアログの設定を確認して下さい."},
    {frTempExtConflict,
     " -> テンポラリファイルと同じ拡張子のファイルは処理できません.\r\n\t     "
     "オプションダイアログの設定を確認して下さい."},
    {frRecoveryFailed,
     " -> 処理中のエラーにより処理ファイルの復旧に失敗しました. \r\n\t    "
     "処理ファイルと同じフォルダに残っているテンポラリファルの拡張子を、元のログファイルの拡張子に"
     "手動で戻して下さい."},
    {frWriteError, " -> ログファイル書き込みエラー !"},
    {frTimeStampError,
     " -> 処理後のファイルのタイムスタンプの更新に失敗しました.\r\n\t     "
     "タイムスタンプは現在の時刻になっています."},
    {frBinaryFile, " -> バイナリファイルは処理できません."},
    {frIncrementError,
     " -> インクリメント処理エラー !\r\n\t     "
     "処理ファイルと重複しているデータがあれば、インクリメントファイルの末尾から削除して下さい."},
    {frIncOpenError,
     " -> インクリメントファイル オープンエラー !\r\n\t     通常の処理のみで終了しました."},
    {frOwnFile, " -> Quilletで使用するファイルは処理できません."},
};

TEST(FileReportText, EachFileReportIsTheShiftJisFormOfItsReadableText) {
  for (const ReportCase& report : kReportCases) {
    EXPECT_EQ(std::string(texts::ReportText(report.code)), Sjis(report.readable)) << report.code;
  }
}

}  // namespace
}  // namespace quillet
