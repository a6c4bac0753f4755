#pragma once

// Shared pieces of the fuzz targets: a scratch folder on disk, whole-file
// reads and writes, a status view that shows nothing, and reference models
// of the text rules and of the wild-card matcher. The models are written
// for clarity, not speed, and share no code with the engine they check.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/StatusView.h"

namespace quillet::fuzzing {

// Aborts with `what` on standard error when `ok` is false, so that libFuzzer
// records the input as a crash.
void Check(bool ok, const char* what);

// One folder for the life of the process, under $TMPDIR (else /tmp),
// removed with its files at a normal exit.
class ScratchFolder {
 public:
  ScratchFolder();
  // Native path of a file name in the folder.
  std::string Native(std::string_view name) const;
  // Windows form of the same path ("Z:\...\name").
  std::string Windows(std::string_view name) const;

 private:
  std::string native_;
};

void WriteNative(const std::string& path, std::string_view bytes);
// The whole content; `exists` is false when the file cannot be opened.
std::string ReadNative(const std::string& path, bool* exists = nullptr);

class NullStatus : public StatusView {
 public:
  void AppendLine(std::string_view) override { ++appended; }
  void ReplaceLastLine(std::string_view) override {}
  void FolderCounted(std::size_t) override {}
  void FolderFinished() override {}
  void FileStarted() override {}
  void ProgressCaption(std::string_view) override {}
  void ProgressPosition(int) override {}
  void RunEnded() override {}
  void Repaint() override {}
  void Yield() override {}
  int appended = 0;
};

// A line of a text and the line end it is written with.
struct ReferenceLine {
  std::string text;
  std::string end;
};

// The lines of a text: the text ends at its first Ctrl-Z; a line ends at
// CR LF, at a lone LF or at a lone CR. CR LF and LF are written as they
// came, a lone CR as CR LF, and a last line without an end takes the end
// of the line before it (CR LF when it is the only line).
std::vector<ReferenceLine> ReferenceLines(std::string_view text);

// True when `line` matches `pattern` by the wild-card rules ('*', '?', '\'
// escapes outside double-byte characters, first occurrence only, both texts
// cut at their first zero byte). The empty pattern matches the empty line.
bool ReferenceMatch(std::string_view line, std::string_view pattern);

// Block sizes that put line ends on and across buffer edges, picked by one
// byte of input.
std::size_t PickBlockBytes(std::uint8_t choice);

}  // namespace quillet::fuzzing
