// Runs the processing engine over named files of one folder, as the folder
// run would, but with a status view that shows nothing and with auto skip
// off. Prints nothing on success; exits 1 when a definition load or a file
// fails. With --utf8 first, logs and definitions are read as UTF-8
// ([Option] Code=UTF-8).
//
// usage: quillet_bench_core [--utf8] 'Z:\folder\' name.log...

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "platform/FileSystem.h"

namespace {

class SilentStatus : public quillet::StatusView {
 public:
  void AppendLine(std::string_view) override {}
  void ReplaceLastLine(std::string_view) override {}
  void FolderCounted(std::size_t) override {}
  void FolderFinished() override {}
  void FileStarted() override {}
  void ProgressCaption(std::string_view) override {}
  void ProgressPosition(int) override {}
  void RunEnded() override {}
  void Repaint() override {}
  void Yield() override {}
};

}  // namespace

int main(int argc, char** argv) {
  const bool utf8 = argc > 1 && std::string_view(argv[1]) == "--utf8";
  if (utf8) {
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillet_bench_core [--utf8] 'Z:\\folder\\' name...\n");
    return 2;
  }
  quillet::Globals globals;
  globals.options.Skip = false;
  if (utf8) globals.options.Code = quillet::TextCode::kUtf8;
  SilentStatus status;
  quillet::Engine engine{globals, quillet::platform::PosixFileSystem(), status, argv[1]};
  if (const int code = quillet::LoadDefinitions(engine, argv[1]); code != 0) {
    std::fprintf(stderr, "definitions: code %d\n", code);
    return 1;
  }
  int failed = 0;
  for (int i = 2; i < argc; ++i) {
    std::int64_t before = 0;
    std::int64_t after = 0;
    const std::string path = std::string(argv[1]) + argv[i];
    if (const int code = quillet::ProcessFile(engine, path, before, after);
        code != quillet::frDone) {
      std::fprintf(stderr, "%s: code %d\n", argv[i], code);
      failed = 1;
    }
  }
  return failed;
}
