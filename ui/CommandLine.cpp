#include "ui/CommandLine.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "core/FileName.h"
#include "platform/MessageBox.h"
#include "platform/Sjis.h"
#include "text/AsciiCase.h"
#include "text/Separators.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

enum class PathKind { kNone, kAbsolute, kRelative };

// How an argument (UTF-8) names a path: see ArgumentFromNative.
PathKind KindOf(std::string_view text) {
  if (text.size() > 1 && text[0] == '/') {
    return text.find('/', 1) != std::string_view::npos ? PathKind::kAbsolute : PathKind::kNone;
  }
  const bool has_drive = text.size() >= 2 && text[1] == ':';
  if (text.empty() || has_drive || text.find('/') == std::string_view::npos) {
    return PathKind::kNone;
  }
  return PathKind::kRelative;
}

std::vector<std::string_view> SplitAtSlashes(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t slash = text.find('/');
    parts.push_back(text.substr(0, slash));
    if (slash == std::string_view::npos) return parts;
    text.remove_prefix(slash + 1);
  }
}

// `path` (UTF-8, absolute or relative) as an absolute native path, its
// folder part resolved against `base` (absolute, from getcwd or "/"). The
// last part, the name or pattern, is kept as given.
std::string ResolvePath(std::string_view base, std::string_view path) {
  std::vector<std::string_view> folder;
  for (std::string_view part : SplitAtSlashes(base)) {
    if (!part.empty()) folder.push_back(part);
  }
  // A ".." may step back over these, and only over these.
  std::size_t resolvable = path[0] == '/' ? 0 : folder.size();
  if (path[0] == '/') folder.clear();
  std::vector<std::string_view> parts = SplitAtSlashes(path);
  const std::string_view name = parts.back();
  parts.pop_back();
  for (std::string_view part : parts) {
    if (part.empty() || part == ".") continue;
    if (part == ".." && folder.size() == resolvable) {
      if (resolvable > 0) {  // ".." at the root stays there
        folder.pop_back();
        --resolvable;
      }
      continue;
    }
    folder.push_back(part);
  }
  std::string resolved;
  for (std::string_view part : folder) {
    resolved += '/';
    resolved += part;
  }
  resolved += '/';
  resolved += name;
  return resolved;
}

// 0x2F is never the second byte of a double-byte character, so every '/'
// byte is a separator.
std::string SlashesToBackslashes(std::string_view sjis) {
  std::string out(sjis);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

bool HasSingleByteBackslash(std::string_view sjis) {
  return FindFirstSingleByte(sjis, "\\") != std::string_view::npos;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  return getcwd(buffer.data(), buffer.size()) != nullptr ? std::string(buffer.data())
                                                         : std::string();
}

void ShowBadOption(char letter) {
  std::string text = ui_texts::kBadOptionHead;
  text += letter;
  text += ui_texts::kBadOptionTail;
  platform::MessageBoxOk(ui_texts::kCaptionQuillet, text, platform::MbIcon::kError);
}

void ApplyOptionLetters(std::string_view letters, CommandLineRequest& request) {
  for (char c : letters) {
    const char letter = UpperAsciiByte(c);
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

void ApplyUnattendedOption(std::string_view option, CommandLineRequest& request) {
  if (option == "--dry-run") {
    // A preview starts by itself: it changes nothing that needs a go-ahead.
    request.DryRun = true;
    request.AutoStart = true;
  } else if (option == "--show-lines") {
    request.ShowLines = true;
  } else if (option == "--stats" || option == "--stats=text") {
    request.Stats = StatsFormat::kText;
  } else if (option == "--stats=json") {
    request.Stats = StatsFormat::kJson;
  } else {
    request.BadOption = std::string(option);
  }
}

}  // namespace

bool IsUnattendedOption(std::string_view argument) {
  return argument == "--dry-run" || argument == "--show-lines" || argument == "--stats" ||
         argument.starts_with("--stats=");
}

bool AsksUnattendedRun(int argc, char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (IsUnattendedOption(argv[i])) return true;
  }
  return false;
}

std::optional<std::string> ArgumentFromNative(std::string_view utf8, std::string_view current_dir) {
  const PathKind kind = KindOf(utf8);
  std::string text(utf8);
  if (kind != PathKind::kNone) {
    // Checked on the UTF-8 text: in Shift-JIS, 0x5C is also the second byte
    // of characters such as 表.
    if (utf8.find('\\') != std::string_view::npos) return std::nullopt;
    if (kind == PathKind::kRelative && current_dir.empty()) return std::nullopt;
    text = ResolvePath(kind == PathKind::kRelative ? current_dir : "/", utf8);
  }
  auto sjis = platform::Utf8ToSjis(text);
  if (!sjis) return std::nullopt;
  // CP932 maps a few characters onto the code of another (U+00A5 onto
  // 0x5C, the backslash): only a text that reads back unchanged is safe.
  auto back = platform::SjisToUtf8(*sjis);
  if (!back || *back != text) return std::nullopt;
  if (kind == PathKind::kNone) return sjis;
  return "Z:" + SlashesToBackslashes(*sjis);
}

std::vector<std::string> ArgumentsFromNative(int argc, char* const argv[]) {
  const std::string current_dir = CurrentDirectory();
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (auto argument = ArgumentFromNative(argv[i], current_dir)) {
      arguments.push_back(std::move(*argument));
    } else {
      std::fprintf(stderr, "quillet: argument ignored, it has no exact Shift-JIS form: %s\n",
                   argv[i]);
    }
  }
  return arguments;
}

std::vector<std::string> FileNameArguments(int argc, char* const argv[]) {
  const std::string current_dir = CurrentDirectory();
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    // The same reading as ReadCommandLine's, on the converted argument.
    auto argument = ArgumentFromNative(argv[i], current_dir);
    if (argument && !argument->empty() && (*argument)[0] != '/' && !IsUnattendedOption(*argument))
      names.emplace_back(argv[i]);
  }
  return names;
}

void WriteOverriddenNote(std::FILE* out, const std::vector<std::string>& file_names) {
  if (file_names.size() < 2) return;
  const std::size_t ignored = file_names.size() - 1;
  std::string listed;
  for (std::size_t i = 0; i < ignored && i < kListedIgnoredNames; ++i) {
    listed += ' ';
    listed += file_names[i];
  }
  if (ignored > kListedIgnoredNames) {
    listed += " (and " + std::to_string(ignored - kListedIgnoredNames) + " more)";
  }
  std::fprintf(out,
               "quillet: %zu more file names given; only the last one is used: %s\n"
               "quillet: ignored:%s\n"
               "quillet: quote a wild-card pattern so that the shell passes it on unexpanded, "
               "as in: quillet /A '/var/log/app/*.log'\n",
               ignored, file_names.back().c_str(), listed.c_str());
}

std::string FolderFromUnixPath(std::string_view sjis_folder) {
  if (sjis_folder.empty() || sjis_folder[0] != '/' || HasSingleByteBackslash(sjis_folder)) {
    return std::string(sjis_folder);
  }
  std::string folder = "Z:" + SlashesToBackslashes(sjis_folder);
  // Asked of the '/' it was: a last byte 0x5C may be the second byte of 表.
  if (sjis_folder.back() != '/') folder += '\\';
  return folder;
}

CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments) {
  CommandLineRequest request;
  for (const std::string& argument : arguments) {
    if (argument.empty()) continue;
    if (IsUnattendedOption(argument)) {
      ApplyUnattendedOption(argument, request);
    } else if (argument[0] == '/') {
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
