#pragma once

// The options dialog's own texts, as Shift-JIS bytes. "\r" is one CR byte.

namespace quillet::opt_texts {

extern const char kOptCaption[];
extern const char kOK[];
extern const char kCancel[];
extern const char kHelp[];
extern const char kTabSheet1[];
extern const char kTabSheet3[];
extern const char kTabSheet4[];
extern const char kTabSheet5[];
extern const char kTabSheet6[];
extern const char kGroupBox1[];
extern const char kFOpTrimOff[];
extern const char kFOpTrim[];
extern const char kGroupBox2[];
extern const char kFOpAll[];
extern const char kFOp1gyo[];
extern const char kFOp0gyo[];
extern const char kGroupBox6[];
extern const char kFOpSkip[];
extern const char kLabel1[];
extern const char kFOpSkipDisp[];
extern const char kGroupBox5[];
extern const char kFOpTimeZ[];
extern const char kFOpTime[];
extern const char kFOpTimeChg[];
extern const char kGroupBox4[];
extern const char kLabelExt[];
extern const char kFOpBack[];
extern const char kGroupBox7[];
extern const char kFOpInc[];
extern const char kLabel12[];
extern const char kLabelIncExt[];
extern const char kGroupBox8[];
extern const char kSansyo[];
extern const char kGroupBox9[];
extern const char kFOpMulti[];
extern const char kFOpSingle[];
extern const char kGroupBox3[];
extern const char kFilterHeading[];
extern const char kDescriptionHeading[];
extern const char kEditorDialogTitle[];
extern const char kEditorDialogFilter[];
extern const char kEqualExtensions[];
extern const char kCaptionError[];
extern const char kCaptionSaveError[];

}  // namespace quillet::opt_texts
