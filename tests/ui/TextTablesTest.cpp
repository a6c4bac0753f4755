#include <gtest/gtest.h>

#include <string>

#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "tests/support/TestUtil.h"
#include "ui/OptTexts.h"
#include "ui/UiTexts.h"

namespace quillet {
namespace {

using testing::Sjis;

// Every text table is written as escaped Shift-JIS bytes; this table holds
// the same texts as they read, so that a slip in either (a lost byte, a
// wrong escape, a spelling "fixed" on one side only) shows. "\r" stands for
// one CR byte, as in the tables.
struct TextCase {
  const char* name;
  const char* bytes;
  const char* readable;
};

const TextCase kTextCases[] = {
    // core/Texts.cpp
    {"kLoadLineFormat", texts::kLoadLineFormat, "定義ファイルから %d行読み込みました."},
    {"kSearchMsg", texts::kSearchMsg, "ﾌｧｲﾙを検索しています . . ."},
    {"kReadOnly", texts::kReadOnly, " -> ﾘｰﾄﾞｵﾝﾘｰﾌｧｲﾙ は処理できません."},
    // ui/UiTexts.cpp
    {"kAppTitle", ui_texts::kAppTitle, "Quillet 95"},
    {"kCaptionQuillet", ui_texts::kCaptionQuillet, "Quillet"},
    {"kCaptionError", ui_texts::kCaptionError, "Quillet ERROR !"},
    {"kCaptionDefCreate", ui_texts::kCaptionDefCreate, "Quillet - 定義ファイル作成"},
    {"kCaptionDefCreated", ui_texts::kCaptionDefCreated, "Quillet - 定義ファイル作成完了"},
    {"kVersion", ui_texts::kVersion, "Version 1.25"},
    {"kLabelFolder", ui_texts::kLabelFolder, "ﾌｫﾙﾀﾞ : "},
    {"kLabelFile", ui_texts::kLabelFile, "ﾌｧｲﾙ : "},
    {"kBrowse", ui_texts::kBrowse, "…"},
    {"kHintFolder", ui_texts::kHintFolder, "処理するﾌｧｲﾙがあるﾌｫﾙﾀﾞを指定します."},
    {"kHintFolderBrowse", ui_texts::kHintFolderBrowse, "ﾌｫﾙﾀﾞの参照ﾀﾞｲｱﾛｸﾞを表示します."},
    {"kHintFName", ui_texts::kHintFName, "処理するﾌｧｲﾙ名を入力します. ﾜｲﾙﾄﾞｶｰﾄﾞが使えます."},
    {"kHintFileBrowse", ui_texts::kHintFileBrowse, "ﾌｧｲﾙの指定ﾀﾞｲｱﾛｸﾞを表示します."},
    {"kSubFolder", ui_texts::kSubFolder, "ｻﾌﾞﾌｫﾙﾀﾞも処理する"},
    {"kHintSubFolder", ui_texts::kHintSubFolder, "ｻﾌﾞﾌｫﾙﾀﾞのﾌｧｲﾙも全て処理します"},
    {"kStart", ui_texts::kStart, "開始(&S)"},
    {"kHintStart", ui_texts::kHintStart, "処理を開始します."},
    {"kExit", ui_texts::kExit, "終了(&X)"},
    {"kHintExit", ui_texts::kHintExit, "Quilletを終了します."},
    {"kTargetFileDialogTitle", ui_texts::kTargetFileDialogTitle, "ﾌｧｲﾙの指定"},
    {"kMenuFile", ui_texts::kMenuFile, "ﾌｧｲﾙ(&F)"},
    {"kMenuOptions", ui_texts::kMenuOptions, "ｵﾌﾟｼｮﾝ(&O)..."},
    {"kHintOptions", ui_texts::kHintOptions, "ｵﾌﾟｼｮﾝﾀﾞｲｱﾛｸﾞを表示します"},
    {"kMenuDefEdit", ui_texts::kMenuDefEdit, "定義ﾌｧｲﾙ編集(&E)"},
    {"kHintDefEdit", ui_texts::kHintDefEdit, "Quilletｲﾝｽﾄｰﾙﾌｫﾙﾀﾞ内の定義ﾌｧｲﾙをｴﾃﾞｨﾀで開きます"},
    {"kMenuEditFiles", ui_texts::kMenuEditFiles, "ﾌｧｲﾙ編集(&F)..."},
    {"kHintEditFiles", ui_texts::kHintEditFiles, "任意のﾌｧｲﾙをｴﾃﾞｨﾀで開きます"},
    {"kMenuExitItem", ui_texts::kMenuExitItem, "終了(&X)"},
    {"kHintExitItem", ui_texts::kHintExitItem, "Quilletを終了します"},
    {"kMenuHelp", ui_texts::kMenuHelp, "ﾍﾙﾌﾟ(&H)"},
    {"kMenuHelpIndex", ui_texts::kMenuHelpIndex, "ﾄﾋﾟｯｸの検索(&H)"},
    {"kHintHelpIndex", ui_texts::kHintHelpIndex, "ﾍﾙﾌﾟを表示します"},
    {"kMenuAbout", ui_texts::kMenuAbout, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {"kHintAbout", ui_texts::kHintAbout, "ﾊﾞｰｼﾞｮﾝ情報ﾀﾞｲｱﾛｸﾞを表示します"},
    {"kMenuTools", ui_texts::kMenuTools, "ﾂｰﾙ(&T)"},
    {"kMenuCorvane", ui_texts::kMenuCorvane, "Cor&vane"},
    {"kHintCorvane", ui_texts::kHintCorvane, "Corvane 95 を起動します"},
    {"kCannotExitWhileProcessing", ui_texts::kCannotExitWhileProcessing, "処理中は終了できません."},
    {"kBadOptionHead", ui_texts::kBadOptionHead,
     "コマンドラインオプションに誤りがあります。\r\r使用できないオプション \""},
    {"kBadOptionTail", ui_texts::kBadOptionTail, "\" が指定されています。"},
    {"kNoDefinitionCreate", ui_texts::kNoDefinitionCreate,
     "定義ファイルがありません。\r\rサンプルの定義ファイルをコピーして、定義ファイルを作成します"
     "。"},
    {"kSampleOpenError", ui_texts::kSampleOpenError,
     "サンプルの定義ファイル\"Quillet.smp\"がオープンできませんでした. "},
    {"kDefCreateError", ui_texts::kDefCreateError,
     "定義ファイル\"Quillet.def\" が作成できませんでした。"},
    {"kDefCreated", ui_texts::kDefCreated,
     "定義ファイルを作成しました。\r\r[ﾌｧｲﾙ(F) | 定義ﾌｧｲﾙ編集(E)] "
     "で内容を確認できます。詳しい説明はヘルプをご覧下さい。"},
    {"kSecondRunRefused", ui_texts::kSecondRunRefused, "処理中は、次の処理を実行できません。"},
    {"kFolderNotFullPath", ui_texts::kFolderNotFullPath,
     "フォルダはドライブ名も含んだフルパスで指定してください.\r\r"},
    {"kFolderNotFound", ui_texts::kFolderNotFound, "指定されたフォルダが見つかりません.\r\r"},
    {"kMsgEditorStartError", ui_texts::kMsgEditorStartError,
     "エディタを起動できませんでした。\r\rオプションダイアログの設定を確認して下さい。"},
    {"kMsgCorvaneStartError", ui_texts::kMsgCorvaneStartError,
     "Corvane 95 を起動できませんでした。\r\rオプションダイアログの設定を確認して下さい。"},
    {"kMsgOptionsWhileProcessing", ui_texts::kMsgOptionsWhileProcessing,
     "処理中はオプションを変更できません."},
    {"kFolderBrowseTitle", ui_texts::kFolderBrowseTitle, "ﾌｫﾙﾀﾞを選択してください."},
    {"kAboutCaption", ui_texts::kAboutCaption, "ﾊﾞｰｼﾞｮﾝ情報"},
    {"kVersionDesign", ui_texts::kVersionDesign, "Version 0.00"},
    {"kAboutOK", ui_texts::kAboutOK, "&OK"},
    {"kAboutCopyright", ui_texts::kAboutCopyright, "Copyright (C) The Quillet authors"},
    {"kAboutRights", ui_texts::kAboutRights, "All rights reserved."},
    {"kAboutFreeware", ui_texts::kAboutFreeware, "このソフトウェアはフリーウェアです。"},
    {"kHelpNotFound", ui_texts::kHelpNotFound, "ヘルプを表示できませんでした。\r\r"},
    {"kReadOnlyRefused", ui_texts::kReadOnlyRefused, "読み取り専用のファイルは指定できません."},
    {"kDefinitionsInUtf8", ui_texts::kDefinitionsInUtf8,
     "定義ファイルがUTF-8で保存されています。日本語の定義行はShift-"
     "JISのログの行に一致しません。Shift-JISで保存し直して下さい。\r\r"},
    // ui/RunTexts.cpp
    {"kSeparator", texts::kSeparator, "----------------------------------------------"},
    {"kBannerIncrement", texts::kBannerIncrement, "[ インクリメント処理を行います ]"},
    {"kBannerNormal", texts::kBannerNormal, "[ 通常の処理を行います ]"},
    {"kBannerPreviewNormal", texts::kBannerPreviewNormal,
     "[ 通常の処理のプレビューです (ファイルは変更しません) ]"},
    {"kBannerPreviewIncrement", texts::kBannerPreviewIncrement,
     "[ インクリメント処理のプレビューです (ファイルは変更しません) ]"},
    {"kErrorLineHead", texts::kErrorLineHead, "◆◆ "},
    {"kErrorLineTail", texts::kErrorLineTail, "個のファイルでエラーがありました ◆◆"},
    {"kSkipLineHead", texts::kSkipLineHead, "計 "},
    {"kSkipLineTail", texts::kSkipLineTail, "個のファイルをスキップしました."},
    {"kCancelled", texts::kCancelled, "◆ キャンセルしました ◆"},
    {"kFinished", texts::kFinished, "終了しました."},
    {"kStatusCaption", ui_texts::kStatusCaption, "Quillet 処理状況"},
    {"kOKBttn", ui_texts::kOKBttn, "閉じる"},
    {"kOKBttnExitCancel", ui_texts::kOKBttnExitCancel, "終了ｷｬﾝｾﾙ"},
    {"kHelpBttn", ui_texts::kHelpBttn, "ﾍﾙﾌﾟ"},
    {"kCANCELBttn", ui_texts::kCANCELBttn, "ｷｬﾝｾﾙ"},
    {"kCannotCloseWhileProcessing", ui_texts::kCannotCloseWhileProcessing,
     "処理中は閉じられません。"},
    {"kMsgDefinitionOpenError", ui_texts::kMsgDefinitionOpenError,
     "定義ファイルをオープンできませんでした。"},
    {"kMsgNoDefinitionLines", ui_texts::kMsgNoDefinitionLines,
     "定義ファイルに定義行がありません。\r処理を中止しました。\r\r"},
    {"kMsgTooManyFormat", ui_texts::kMsgTooManyFormat,
     "定義ファイルの行数はコメントを除いて最大%d行までです。\r処理を中止しました。\r\r"},
    {"kMsgNoDefinitionFile", ui_texts::kMsgNoDefinitionFile,
     "定義ファイルがありません。\r\rQuilletをインストールしたフォルダか、処理ファイルがあるフォルダ"
     "に作成して下さい。"},
    {"kMsgTempIncExtConflict", ui_texts::kMsgTempIncExtConflict,
     "テンポラリファイルとインクリメントファイルの拡張子が同じです。オプションダイアログを確認して"
     "下さい。"},
    {"kMsgBlankBackExt", ui_texts::kMsgBlankBackExt,
     "テンポラリファイルの拡張子 (Quillet.ini の BackExt) "
     "が空です。\r処理を中止しました。\r\rオプションダイアログで拡張子を設定して下さい。"},
    {"kMsgBlankIncExt", ui_texts::kMsgBlankIncExt,
     "インクリメントファイルの拡張子 (Quillet.ini の IncExt) "
     "が空です。\r処理を中止しました。\r\rオプションダイアログで拡張子を設定して下さい。"},
    {"kMsgProgramFolderHead", ui_texts::kMsgProgramFolderHead,
     "Quilletのフォルダの名前に、Shift-JISで表せない文字があります (? で示します)。\r\r"},
    {"kMsgProgramFolderTail", ui_texts::kMsgProgramFolderTail,
     "\r\rこのフォルダは使用できません。フォルダの名前を変えるか、環境変数 QUILLET_HOME "
     "で別のフォルダを指定して下さい。"},
    {"kMsgNoFilesFound", ui_texts::kMsgNoFilesFound, "ファイルが見つかりません。"},
    {"kMsgAllFilesPattern", ui_texts::kMsgAllFilesPattern,
     "全ファイル指定の \"*\", \"*.\", \"*.*\" は使用できません。\r処理を中止しました。"},
    {"kMsgStarOnlyDefinition", ui_texts::kMsgStarOnlyDefinition,
     "定義ファイルに\"*\"とスペースだけの定義行があります。\r処理を中止しました。\r\r"},
    // ui/OptTexts.cpp
    {"kOptCaption", opt_texts::kOptCaption, "Quillet ｵﾌﾟｼｮﾝ"},
    {"kOK", opt_texts::kOK, "&OK"},
    {"kCancel", opt_texts::kCancel, "ｷｬﾝｾﾙ"},
    {"kHelp", opt_texts::kHelp, "ﾍﾙﾌﾟ"},
    {"kFilePage", opt_texts::kFilePage, "ﾌｧｲﾙ処理"},
    {"kSkipPage", opt_texts::kSkipPage, "ｵｰﾄｽｷｯﾌﾟ "},
    {"kExtensionPage", opt_texts::kExtensionPage, "拡張子"},
    {"kEditorPage", opt_texts::kEditorPage, "ｴﾃﾞｨﾀ"},
    {"kFilterPage", opt_texts::kFilterPage, "ﾌｨﾙﾀ"},
    {"kTrimGroup", opt_texts::kTrimGroup, "行末のｽﾍﾟｰｽ : "},
    {"kFOpTrimOff", opt_texts::kFOpTrimOff, "そのまま出力"},
    {"kFOpTrim", opt_texts::kFOpTrim, "ｶｯﾄする"},
    {"kBlankLineGroup", opt_texts::kBlankLineGroup, "空行の扱い : "},
    {"kFOpAll", opt_texts::kFOpAll, "そのまま出力"},
    {"kFOpOneBlank", opt_texts::kFOpOneBlank, "連続する空行は1行だけ出力"},
    {"kFOpNoBlank", opt_texts::kFOpNoBlank, "全て削除"},
    {"kSkipGroup", opt_texts::kSkipGroup, "ｵｰﾄｽｷｯﾌﾟ  : "},
    {"kFOpSkip", opt_texts::kFOpSkip, "する"},
    {"kSkipNote", opt_texts::kSkipNote, "ﾁｪｯｸすると、ﾀｲﾑｽﾀﾝﾌﾟの時間は 00:00 固定になります"},
    {"kFOpSkipDisp", opt_texts::kFOpSkipDisp, "ｽｷｯﾌﾟしたﾌｧｲﾙ名も表示する"},
    {"kTimeStampGroup", opt_texts::kTimeStampGroup, "ﾀｲﾑｽﾀﾝﾌﾟ  : "},
    {"kFOpTimeZ", opt_texts::kFOpTimeZ, "時間を 00:00 にする"},
    {"kFOpTime", opt_texts::kFOpTime, "日付を更新しない"},
    {"kFOpTimeChg", opt_texts::kFOpTimeChg, "処理日付にする"},
    {"kBackupGroup", opt_texts::kBackupGroup, "ﾃﾝﾎﾟﾗﾘﾌｧｲﾙ/ﾊﾞｯｸｱｯﾌﾟ  : "},
    {"kLabelExt", opt_texts::kLabelExt, "拡張子:"},
    {"kFOpBack", opt_texts::kFOpBack, "処理終了後、ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙとして残す"},
    {"kIncrementGroup", opt_texts::kIncrementGroup, "ｲﾝｸﾘﾒﾝﾄ処理 : "},
    {"kFOpInc", opt_texts::kFOpInc, "する"},
    {"kIncrementNote", opt_texts::kIncrementNote,
     "ﾁｪｯｸすると処理済みﾃﾞｰﾀをｲﾝｸﾘﾒﾝﾄﾌｧｲﾙに追加して元のﾌｧｲﾙを消去します"},
    {"kLabelIncExt", opt_texts::kLabelIncExt, "ｲﾝｸﾘﾒﾝﾄ ﾌｧｲﾙ拡張子:"},
    {"kEditorGroup", opt_texts::kEditorGroup, "使用するｴﾃﾞｨﾀ : "},
    {"kEditorBrowse", opt_texts::kEditorBrowse, "参照(&B)..."},
    {"kEditorStartGroup", opt_texts::kEditorStartGroup, "複数ﾌｧｲﾙ選択時の起動方法 : "},
    {"kFOpMulti", opt_texts::kFOpMulti, "選択したﾌｧｲﾙの数だけｴﾃﾞｨﾀを起動する"},
    {"kFOpSingle", opt_texts::kFOpSingle, "全てのﾌｧｲﾙ名を一度にｴﾃﾞｨﾀに渡す"},
    {"kFilterGroup", opt_texts::kFilterGroup, "ﾌｧｲﾙの指定ﾀﾞｲｱﾛｸﾞ : "},
    {"kFilterHeading", opt_texts::kFilterHeading, "ﾌｨﾙﾀ"},
    {"kDescriptionHeading", opt_texts::kDescriptionHeading, "説明"},
    {"kEditorDialogTitle", opt_texts::kEditorDialogTitle, "使用するｴﾃﾞｨﾀの参照"},
    {"kEditorDialogFilter", opt_texts::kEditorDialogFilter,
     "実行ﾌｧｲﾙ(*.exe;*.pif)|*.exe;*.pif|全てのﾌｧｲﾙ(*.*)|*.*"},
    {"kEqualExtensions", opt_texts::kEqualExtensions,
     "テンポラリファイルとインクリメントファイルの拡張子は同じにできません."},
    {"kCaptionError", opt_texts::kCaptionError, "Quillet ERROR !"},
    {"kCaptionSaveError", opt_texts::kCaptionSaveError, "Quillet 95"},
};

TEST(TextTablesTest, EachEscapedTextIsTheShiftJisFormOfItsReadableText) {
  for (const TextCase& text : kTextCases) {
    EXPECT_EQ(std::string(text.bytes), Sjis(text.readable)) << text.name;
  }
}

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

TEST(TextTablesTest, EachFileReportIsTheShiftJisFormOfItsReadableText) {
  for (const ReportCase& report : kReportCases) {
    EXPECT_EQ(std::string(texts::ReportText(report.code)), Sjis(report.readable)) << report.code;
  }
}

}  // namespace
}  // namespace quillet
