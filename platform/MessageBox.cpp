#include "platform/MessageBox.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Sjis.h"
#include "text/ByteState.h"

namespace quillet::platform {

namespace {

MessageBoxService* installed_service = nullptr;

StderrMessageBoxes& DefaultService() {
  static StderrMessageBoxes service;
  return service;
}

// One Shift-JIS line (no CR) in UTF-8. A line that does not convert as a
// whole is taken character by character, so one bad byte costs one '?'
// rather than the whole message.
std::string LineToUtf8(std::string_view sjis) {
  if (auto whole = SjisToUtf8(sjis)) return std::move(*whole);
  std::string utf8;
  std::size_t i = 0;
  while (i < sjis.size()) {
    const std::size_t length = CharLengthAt(sjis, i);
    auto character = SjisToUtf8(sjis.substr(i, length));
    utf8 += character ? *character : std::string("?");
    i += length;
  }
  return utf8;
}

// Appends `sjis` in UTF-8, each CR or CR LF becoming one '\n', and a final
// '\n'.
void AppendLines(std::string& out, std::string_view sjis) {
  std::size_t start = 0;
  for (;;) {
    std::size_t cr = sjis.find('\r', start);
    out += LineToUtf8(sjis.substr(start, cr == std::string_view::npos ? cr : cr - start));
    out += '\n';
    if (cr == std::string_view::npos) return;
    start = cr + 1;
    if (start < sjis.size() && sjis[start] == '\n') ++start;
  }
}

// One write per box where possible, so that boxes from several processes
// sharing the terminal do not interleave line by line.
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t count = write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;  // nowhere else to report it
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

}  // namespace

MessageBoxService& MessageBoxes() {
  return installed_service != nullptr ? *installed_service : DefaultService();
}

void SetMessageBoxes(MessageBoxService* service) { installed_service = service; }

MbResult StderrMessageBoxes::Show(std::string_view caption, std::string_view text, MbIcon /*icon*/,
                                  MbButtons buttons) {
  std::string out;
  AppendLines(out, caption);
  AppendLines(out, text);
  WriteAll(STDERR_FILENO, out);
  return buttons == MbButtons::kYesNo ? MbResult::kYes : MbResult::kOk;
}

}  // namespace quillet::platform
