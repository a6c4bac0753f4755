#pragma once

// The options dialog's own texts, as Shift-JIS bytes. "\r" is one CR byte.

namespace quillet::opt_texts {

extern const char kOptCaption[];
extern const char kOK[];
extern const char kCancel[];
extern const char kHelp[];
extern const char kFilePage[];
extern const char kSkipPage[];
extern const char kExtensionPage[];
extern const char kEditorPage[];
extern const char kFilterPage[];
extern const char kTrimGroup[];
extern const char kFOpTrimOff[];
extern const char kFOpTrim[];
extern const char kBlankLineGroup[];
extern const char kFOpAll[];
extern const char kFOpOneBlank[];
extern const char kFOpNoBlank[];
extern const char kCodeGroup[];
extern const char kFOpShiftJis[];
extern const char kFOpUtf8[];
extern const char kSkipGroup[];
extern const char kFOpSkip[];
extern const char kSkipNote[];
extern const char kFOpSkipDisp[];
extern const char kTimeStampGroup[];
extern const char kFOpTimeZ[];
extern const char kFOpTime[];
extern const char kFOpTimeChg[];
extern const char kBackupGroup[];
extern const char kLabelExt[];
extern const char kFOpBack[];
extern const char kIncrementGroup[];
extern const char kFOpInc[];
extern const char kIncrementNote[];
extern const char kLabelIncExt[];
extern const char kEditorGroup[];
extern const char kEditorBrowse[];
extern const char kEditorStartGroup[];
extern const char kFOpMulti[];
extern const char kFOpSingle[];
extern const char kFilterGroup[];
extern const char kFilterHeading[];
extern const char kDescriptionHeading[];
extern const char kEditorDialogTitle[];
extern const char kEditorDialogFilter[];
extern const char kEqualExtensions[];
extern const char kCaptionError[];
extern const char kCaptionSaveError[];

}  // namespace quillet::opt_texts
