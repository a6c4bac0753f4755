#include "ui/CommandLine.h"

#include <cstdio>

#include "core/FileName.h"
#include "platform/MessageBox.h"
#include "platform/Sjis.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

bool IsUnixPath(std::string_view text) {
  return text.size() > 1 && text[0] == '/' && text.find('/', 1) != std::string_view::npos;
}

void ShowBadOption(char letter) {
  std::string text = ui_texts::kBadOptionHead;
  text += letter;
  text += ui_texts::kBadOptionTail;
  platform::MessageBoxOk(ui_texts::kCaptionQuillet, text, platform::MbIcon::kError);
}

void ApplyOptionLetters(std::string_view letters, CommandLineRequest& request) {
  for (char c : letters) {
    const char letter = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    switch (letter) {
      case 'A':
        request.AutoStart = true;
        request.AutoExit = true;
        break;
      case 'R':
        request.SubFolders = true;
        break;
      case 'S':
        request.AutoStart = true;
        break;
      default:
        ShowBadOption(letter);
        request.AutoStart = false;
        request.AutoExit = false;
        break;
    }
  }
}

}  // namespace

std::optional<std::string> ArgumentFromNative(std::string_view utf8) {
  auto sjis = platform::Utf8ToSjis(utf8);
  if (!sjis) return std::nullopt;
  // CP932 maps a few characters onto the code of another (U+00A5 onto
  // 0x5C, the backslash): only a text that reads back unchanged is safe.
  auto back = platform::SjisToUtf8(*sjis);
  if (!back || *back != utf8) return std::nullopt;
  if (!IsUnixPath(*sjis)) return sjis;
  // Checked on the UTF-8 text: in Shift-JIS, 0x5C is also the second byte of
  // characters such as 表.
  if (utf8.find('\\') != std::string_view::npos) return std::nullopt;
  // 0x2F is never the second byte of a double-byte character, so every '/'
  // byte is a separator.
  std::string windows = "Z:";
  for (char c : *sjis) windows += c == '/' ? '\\' : c;
  return windows;
}

std::vector<std::string> ArgumentsFromNative(int argc, char* const argv[]) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (auto argument = ArgumentFromNative(argv[i])) {
      arguments.push_back(std::move(*argument));
    } else {
      std::fprintf(stderr, "quillet: argument ignored, it has no exact Shift-JIS form: %s\n",
                   argv[i]);
    }
  }
  return arguments;
}

CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments) {
  CommandLineRequest request;
  for (const std::string& argument : arguments) {
    if (argument.empty()) continue;
    if (argument[0] == '/') {
      ApplyOptionLetters(std::string_view(argument).substr(1), request);
    } else {
      request.FileName = argument;
    }
  }
  return request;
}

SplitFileName SplitFolderPart(std::string_view file_name) {
  const std::string_view name = NamePart(file_name);
  return {std::string(file_name.substr(0, file_name.size() - name.size())), std::string(name)};
}

}  // namespace quillet::ui
