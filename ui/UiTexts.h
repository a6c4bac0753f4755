#pragma once

// The application's own texts, as Shift-JIS bytes. "\r" is one CR byte.

#include <string>
#include <string_view>

namespace quillet::ui_texts {

extern const char kAppTitle[];
extern const char kCaptionQuillet[];
extern const char kCaptionError[];
extern const char kCaptionDefCreate[];
extern const char kCaptionDefCreated[];
extern const char kVersion[];
extern const char kLabelFolder[];
extern const char kLabelFile[];
extern const char kBrowse[];
extern const char kHintFolder[];
extern const char kHintFolderBrowse[];
extern const char kHintFName[];
extern const char kHintFileBrowse[];
extern const char kSubFolder[];
extern const char kHintSubFolder[];
extern const char kStart[];
extern const char kHintStart[];
extern const char kExit[];
extern const char kHintExit[];
extern const char kTargetFileDialogTitle[];
extern const char kMenuFile[];
extern const char kMenuOptions[];
extern const char kHintOptions[];
extern const char kMenuDefEdit[];
extern const char kHintDefEdit[];
extern const char kMenuEditFiles[];
extern const char kHintEditFiles[];
extern const char kMenuExitItem[];
extern const char kHintExitItem[];
extern const char kMenuHelp[];
extern const char kMenuHelpIndex[];
extern const char kHintHelpIndex[];
extern const char kMenuAbout[];
extern const char kHintAbout[];
extern const char kMenuTools[];
extern const char kMenuCorvane[];
extern const char kHintCorvane[];
extern const char kCannotExitWhileProcessing[];
extern const char kBadOptionHead[];
extern const char kBadOptionTail[];
extern const char kNoDefinitionCreate[];
extern const char kSampleOpenError[];
extern const char kDefCreateError[];
extern const char kDefCreated[];
extern const char kSecondRunRefused[];
extern const char kFolderNotFullPath[];
extern const char kFolderNotFound[];
extern const char kStatusCaption[];
extern const char kOKBttn[];
extern const char kOKBttnExitCancel[];
extern const char kHelpBttn[];
extern const char kCANCELBttn[];
extern const char kCannotCloseWhileProcessing[];
extern const char kMsgDefinitionOpenError[];
extern const char kMsgNoDefinitionLines[];
extern const char kMsgTooManyFormat[];
extern const char kMsgNoDefinitionFile[];
extern const char kMsgTempIncExtConflict[];
extern const char kMsgBlankBackExt[];
extern const char kMsgBlankIncExt[];
// The box of a program folder without a Shift-JIS form: head, the folder
// with '?' for what cannot be shown, tail.
extern const char kMsgProgramFolderHead[];
extern const char kMsgProgramFolderTail[];
extern const char kMsgNoFilesFound[];
extern const char kMsgAllFilesPattern[];
extern const char kMsgStarOnlyDefinition[];

// Editors, viewer, browsing, About and help.
extern const char kMsgEditorStartError[];
extern const char kMsgCorvaneStartError[];
extern const char kMsgOptionsWhileProcessing[];
extern const char kFolderBrowseTitle[];
extern const char kAboutCaption[];
extern const char kVersionDesign[];
extern const char kAboutOK[];
extern const char kAboutCopyright[];
extern const char kAboutRights[];
extern const char kAboutFreeware[];
extern const char kHelpNotFound[];
extern const char kReadOnlyRefused[];
// The warning for a definition file saved as UTF-8; the path follows.
extern const char kDefinitionsInUtf8[];

// The message of a run-level code (260, 261, 264, 270, 271, 273, 274,
// 276), with the definition file's path appended where the message calls
// for it; empty for 0 and for codes without a message.
std::string RunCodeMessage(int code, std::string_view loaded_from);

}  // namespace quillet::ui_texts
