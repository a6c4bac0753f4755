#include "platform/ProgramStarter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Path.h"
#include "platform/Sjis.h"
#include "text/AsciiCase.h"

namespace quillet::platform {

namespace {

class NoStarter : public ProgramStarter {
 public:
  int Start(const std::vector<std::string>&) override { return kFileNotFound; }
};

ProgramStarter* installed_starter = nullptr;

bool IsExecutableFile(const std::string& native) {
  struct stat info;
  return stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(native.c_str(), X_OK) == 0;
}

// The full path of a bare program name along PATH, as a shell would find it.
std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    if (folder.empty()) folder = ".";
    // Built with append: GCC 12 warns falsely (-Wrestrict) at -O2 on the
    // operator+ chain that would do the same.
    std::string candidate;
    candidate.reserve(folder.size() + 1 + name.size());
    candidate.append(folder).append(1, '/').append(name);
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(colon + 1);
  }
}

std::optional<std::string> FindProgram(const std::string& native) {
  if (native.find('/') == std::string::npos) return FindOnPath(native);
  return IsExecutableFile(native) ? std::optional<std::string>(native) : std::nullopt;
}

// The native path is UTF-8, not Shift-JIS; compared with ASCII text,
// EqualIgnoringAsciiCase still gives the plain case-insensitive answer, since
// a byte from 0x80 up never equals an ASCII one.
bool EndsWithExe(std::string_view native) {
  return native.size() > 4 && EqualIgnoringAsciiCase(native.substr(native.size() - 4), ".EXE");
}

std::optional<std::string> ResolveProgram(std::string_view item) {
  const auto native = ToNativePath(item);
  if (!native || native->empty()) return std::nullopt;
  if (EqualIgnoringAsciiCase(*native, "NOTEPAD.EXE")) {
    for (const char* editor : kDesktopEditors) {
      if (auto found = FindOnPath(editor)) return found;
    }
  }
  if (auto found = FindProgram(*native)) return found;
  if (EndsWithExe(*native)) return FindProgram(native->substr(0, native->size() - 4));
  return std::nullopt;
}

}  // namespace

std::string QuotedCommandLine(const std::vector<std::string>& items) {
  std::string line;
  for (const std::string& item : items) {
    if (!line.empty()) line += ' ';
    line += '"' + item + '"';
  }
  return line;
}

ProgramStarter& ProgramStarters() {
  static NoStarter none;
  return installed_starter != nullptr ? *installed_starter : none;
}

void SetProgramStarter(ProgramStarter* starter) { installed_starter = starter; }

std::optional<Launch> ResolveLaunch(const std::vector<std::string>& items) {
  if (items.empty()) return std::nullopt;
  auto program = ResolveProgram(items.front());
  if (!program) return std::nullopt;
  Launch launch{std::move(*program), {}};
  for (std::size_t i = 1; i < items.size(); ++i) {
    auto argument = ToNativePath(items[i]);
    if (!argument) argument = SjisToUtf8(items[i]);
    if (!argument) return std::nullopt;
    launch.arguments.push_back(std::move(*argument));
  }
  return launch;
}

}  // namespace quillet::platform
