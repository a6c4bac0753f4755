#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/Path.h"
#include "text/ByteState.h"

namespace quillet::fuzzing {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

ScratchFolder::ScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string name =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quillet-fuzz-XXXXXX";
  Check(mkdtemp(name.data()) != nullptr, "cannot make the scratch folder");
  native_ = name;
  // libFuzzer ends a bounded run with exit(), which runs this handler. After
  // a crash the folder stays, holding the files of the failing input.
  static std::string to_remove;
  to_remove = native_;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(to_remove, ignored);
  });
}

std::string ScratchFolder::Native(std::string_view name) const {
  return native_ + "/" + std::string(name);
}

std::string ScratchFolder::Windows(std::string_view name) const {
  const std::optional<std::string> path = platform::FromNativePath(Native(name));
  Check(path.has_value(), "the scratch folder has no Windows form");
  return *path;
}

void WriteNative(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(static_cast<bool>(out.flush()), "cannot write a scratch file");
}

std::string ReadNative(const std::string& path, bool* exists) {
  std::ifstream in(path, std::ios::binary);
  if (exists != nullptr) *exists = in.is_open();
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<ReferenceLine> ReferenceLines(std::string_view text) {
  text = text.substr(0, text.find('\x1A'));
  std::vector<ReferenceLine> lines;
  std::string end = "\r\n";
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = start;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    if (stop == text.size()) {
      lines.push_back({std::string(text.substr(start)), end});
      break;
    }
    end = text[stop] == '\n' ? "\n" : "\r\n";
    lines.push_back({std::string(text.substr(start, stop - start)), end});
    start = stop + 1;
    if (text[stop] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

namespace {

enum class Kind { kByte, kAny, kStar, kDanglingEscape };
struct Token {
  Kind kind;
  char byte = 0;
};

// The pattern as tokens. The double-byte state decides only whether a '\'
// escapes. Before the first '*' every byte is classified, wild-cards
// included; after it '*' and '?' are not. An escaped byte counts as single.
std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  bool previous_is_lead = false;
  bool star_seen = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (star_seen && (c == '*' || c == '?')) {
      tokens.push_back({c == '*' ? Kind::kStar : Kind::kAny});
      continue;
    }
    const bool is_second = previous_is_lead;
    previous_is_lead = !is_second && IsLeadByte(static_cast<unsigned char>(c));
    if (c == '*') {
      star_seen = true;
      tokens.push_back({Kind::kStar});
    } else if (c == '?') {
      tokens.push_back({Kind::kAny});
    } else if (c == '\\' && !is_second) {
      if (++i == pattern.size()) {
        tokens.push_back({Kind::kDanglingEscape});
      } else {
        tokens.push_back({Kind::kByte, pattern[i]});
        previous_is_lead = false;
      }
    } else {
      tokens.push_back({Kind::kByte, c});
    }
  }
  return tokens;
}

}  // namespace

bool ReferenceMatch(std::string_view line, std::string_view pattern) {
  line = line.substr(0, line.find('\0'));
  pattern = pattern.substr(0, pattern.find('\0'));
  const std::vector<Token> tokens = Tokenize(pattern);
  std::size_t pos = 0;
  std::size_t t = 0;
  // Up to the first '*' every token takes exactly one line byte; a dangling
  // escape stands for nothing.
  for (; t < tokens.size() && tokens[t].kind != Kind::kStar; ++t) {
    if (tokens[t].kind == Kind::kDanglingEscape) return pos == line.size();
    if (pos == line.size()) return false;
    if (tokens[t].kind == Kind::kByte && line[pos] != tokens[t].byte) return false;
    ++pos;
  }
  bool floating = false;
  while (t < tokens.size()) {
    if (tokens[t].kind == Kind::kStar) {
      floating = true;
      ++t;
      continue;
    }
    if (pos == line.size()) return false;
    if (tokens[t].kind == Kind::kAny) {
      ++pos;
      ++t;
      continue;
    }
    // A literal run: the bytes up to the next wild-card; a dangling escape
    // ends it and adds nothing.
    std::string run;
    for (; t < tokens.size() && tokens[t].kind == Kind::kByte; ++t) run += tokens[t].byte;
    if (t < tokens.size() && tokens[t].kind == Kind::kDanglingEscape) ++t;
    if (floating) {
      const std::size_t at = run.empty() ? std::string_view::npos : line.find(run, pos);
      if (at == std::string_view::npos) return false;
      pos = at + run.size();
    } else {
      if (line.compare(pos, run.size(), run) != 0) return false;
      pos += run.size();
    }
    floating = false;
  }
  return floating || pos == line.size();
}

std::size_t PickBlockBytes(std::uint8_t choice) {
  constexpr std::size_t kSizes[] = {1, 7, 64 * 1024};
  return kSizes[choice % 3];
}

}  // namespace quillet::fuzzing
