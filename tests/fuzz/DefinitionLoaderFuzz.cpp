// Definition loading through the real file layer: the first input byte
// picks the read block size, the rest is the content of Quillet.def. The
// result code, the table and the load line must be those of a reference
// reading of the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "platform/FileSystem.h"
#include "tests/fuzz/FuzzSupport.h"
#include "text/ByteState.h"
#include "text/ByteText.h"

namespace quillet::fuzzing {
namespace {

// Pattern and Tail of a definition line: split at the first '\' outside a
// double-byte character that is followed by 'r' or 'R'.
DefinitionEntry Split(const std::string& line) {
  bool previous_is_lead = false;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const bool is_second = previous_is_lead;
    previous_is_lead = !is_second && IsLeadByte(static_cast<unsigned char>(line[i]));
    if (line[i] == '\\' && !is_second && (line[i + 1] == 'r' || line[i + 1] == 'R'))
      return {line.substr(0, i), line.substr(i + 2)};
  }
  return {line, {}};
}

int ReferenceLoad(std::string_view text, std::vector<DefinitionEntry>& entries) {
  for (const ReferenceLine& read : ReferenceLines(text)) {
    const std::string& line = read.text;
    if (TrimBlanks(line).empty() || line.front() == ';') continue;
    if (entries.size() == MaxDefinitionLines) return frTooManyDefinitionLines;
    entries.push_back(Split(line));
    if (entries.back().Pattern.find_first_not_of("* ") == std::string::npos)
      return frStarOnlyDefinition;
  }
  return entries.empty() ? frNoDefinitionLines : 0;
}

}  // namespace
}  // namespace quillet::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using fuzzing::Check;
  static const fuzzing::ScratchFolder scratch;
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  fuzzing::WriteNative(scratch.Native("Quillet.def"), text);

  Globals globals;
  globals.definitions.LoadedFrom = kLoadedFromDummy;
  fuzzing::NullStatus status;
  const std::string def_path = scratch.Windows("Quillet.def");
  const std::string folder = def_path.substr(0, def_path.size() - 11);
  Engine engine{globals, platform::PosixFileSystem(), status, folder,
                fuzzing::PickBlockBytes(data[0])};
  const int code = LoadDefinitions(engine, folder);

  std::vector<DefinitionEntry> expected;
  Check(code == fuzzing::ReferenceLoad(text, expected), "unexpected result code");
  const std::vector<DefinitionEntry>& got = globals.definitions.Entries;
  Check(got.size() <= MaxDefinitionLines, "more than 2000 definitions");
  Check(got.size() == expected.size(), "wrong number of definitions");
  for (std::size_t i = 0; i < got.size(); ++i) {
    Check(got[i].Pattern == expected[i].Pattern, "wrong Pattern");
    Check(got[i].Tail == expected[i].Tail, "wrong Tail");
  }
  Check(globals.definitions.LoadedFrom == def_path, "LoadedFrom does not name the file");
  Check(status.appended == (code == 0 ? 1 : 0), "load line written on failure or missing");
  return 0;
}
