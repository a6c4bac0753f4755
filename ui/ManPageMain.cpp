// Writes the manual page quillet(1) to the file named by its argument; run
// by the build, so that the page always says what `quillet --help` says.

#include <cstdio>
#include <string>

#include "ui/Usage.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  const std::string page = quillet::ui::ManualPage();
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
