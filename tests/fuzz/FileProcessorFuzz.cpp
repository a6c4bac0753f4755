// ProcessFile over a log file in a scratch folder, through the real file
// layer. Input: one byte of options (bit 0 Trim, bits 1-2 SpLine from -1, 0,
// 1, 3, bit 3 Back, bits 4-5 the block size), then the content of
// Quillet.def up to the first Ctrl-Z, then the log file's content.
//
// Checked after every call with a loaded table:
// - the result code: frEmptySkipped for an empty file, frBinaryFile for a
//   byte 0x00..0x03 in the first 500, frReadError for a Ctrl-Z that is not
//   the last byte, else frDone; the log file is unchanged unless frDone;
// - with frDone, the log file holds exactly the lines a reference filter
//   writes (reference line split and matcher, first matching definition
//   deletes or replaces, trailing blanks cut and blank runs as the options
//   say), each with its own line end; so with no definition matching, Trim
//   off and SpLine -1 it is the input text up to a final Ctrl-Z with every
//   lone CR made CR LF (a last line without an end gains one);
// - SizeAfter is the log file's size, SizeBefore the size of the copy (the
//   input lines with their ends); with Back the copy stays and holds exactly
//   that text; without Back, and after any failure, no copy remains.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "core/StrUnit.h"
#include "platform/FileSystem.h"
#include "tests/fuzz/FuzzSupport.h"
#include "text/ByteText.h"

namespace quillet::fuzzing {
namespace {

bool IsEmptyText(std::string_view text) { return text.empty() || text.front() == '\0'; }

// The reference matcher, except for an empty pattern against an empty line,
// where the answer is MatchPattern's own choice.
bool Matches(std::string_view line, std::string_view pattern) {
  if (IsEmptyText(line) && IsEmptyText(pattern)) return MatchPattern(line, pattern) == 0;
  return ReferenceMatch(line, pattern);
}

int ExpectedCode(std::string_view log) {
  if (log.empty()) return frEmptySkipped;
  for (std::size_t i = 0; i < log.size() && i < 500; ++i)
    if (static_cast<unsigned char>(log[i]) <= 0x03) return frBinaryFile;
  const std::size_t ctrl_z = log.find('\x1A');
  if (ctrl_z != std::string_view::npos && ctrl_z != log.size() - 1) return frReadError;
  return frDone;
}

std::string ReferenceFilter(const std::vector<ReferenceLine>& lines,
                            const ProcessingOptions& options,
                            const std::vector<DefinitionEntry>& entries) {
  std::string out;
  long blank_run = 0;
  for (const ReferenceLine& read : lines) {
    const std::string& line = read.text;
    const DefinitionEntry* match = nullptr;
    for (const DefinitionEntry& entry : entries) {
      if (!Matches(line, entry.Pattern)) continue;
      match = &entry;
      break;
    }
    if (match != nullptr && match->Tail.empty()) continue;
    const std::string_view cut =
        !line.empty() && line.back() == ' ' ? TrimTrailingBlanks(line) : std::string_view(line);
    if (options.SpLine < 0 || !IsEmptyText(cut)) {
      blank_run = 0;
    } else {
      blank_run = options.SpLine == 0 ? 2 : blank_run + 1;
    }
    if (blank_run > 1) continue;
    if (match != nullptr) {
      out.append(options.Trim ? std::string_view(match->Tail) : TrimBlanks(match->Tail));
    } else {
      out.append(options.Trim ? cut : std::string_view(line));
    }
    out.append(read.end);
  }
  return out;
}

}  // namespace
}  // namespace quillet::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using fuzzing::Check;
  static const fuzzing::ScratchFolder scratch;
  if (size < 1) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = rest.find('\x1A');
  if (split == std::string_view::npos) return 0;
  const std::string_view log = rest.substr(split + 1);

  Globals globals;
  ProcessingOptions& options = globals.options;
  options.Trim = (data[0] & 1) != 0;
  constexpr std::int32_t kSpLines[] = {-1, 0, 1, 3};
  options.SpLine = kSpLines[data[0] >> 1 & 3];
  options.Back = (data[0] & 8) != 0;
  options.Skip = options.Time = options.TimeZ = options.Inc = false;

  fuzzing::WriteNative(scratch.Native("Quillet.def"), rest.substr(0, split));
  fuzzing::WriteNative(scratch.Native("app.log"), log);
  std::remove(scratch.Native("app.qu$").c_str());
  globals.definitions.LoadedFrom = kLoadedFromDummy;
  fuzzing::NullStatus status;
  const std::string log_path = scratch.Windows("app.log");
  const std::string folder = log_path.substr(0, log_path.size() - 7);
  Engine engine{globals, platform::PosixFileSystem(), status, folder,
                fuzzing::PickBlockBytes(data[0] >> 4)};
  if (LoadDefinitions(engine, folder) != 0) return 0;

  std::int64_t size_before = -1;
  std::int64_t size_after = -1;
  const int code = ProcessFile(engine, log_path, size_before, size_after);
  const int expected_code = fuzzing::ExpectedCode(log);
  Check(code == expected_code, "unexpected result code");

  bool copy_exists = false;
  const std::string copy = fuzzing::ReadNative(scratch.Native("app.qu$"), &copy_exists);
  const std::string result = fuzzing::ReadNative(scratch.Native("app.log"));
  if (code != frDone) {
    Check(result == log, "log file changed by a refused or failed file");
    Check(!copy_exists, "copy left behind by a refused or failed file");
    return 0;
  }
  const std::vector<fuzzing::ReferenceLine> lines = fuzzing::ReferenceLines(log);
  std::string normalised;
  for (const fuzzing::ReferenceLine& line : lines) normalised.append(line.text).append(line.end);
  Check(result == fuzzing::ReferenceFilter(lines, options, globals.definitions.Entries),
        "processed text differs from the reference filter");
  Check(size_after == static_cast<std::int64_t>(result.size()), "SizeAfter is not the file size");
  Check(size_before == static_cast<std::int64_t>(normalised.size()),
        "SizeBefore is not the copy size");
  Check(copy_exists == options.Back, "copy kept without Back or lost with it");
  Check(!copy_exists || copy == normalised, "the kept copy is not the text as read");
  return 0;
}
