#pragma once

// Buffered line reading and writing by the text rules:
// - a line ends at CR LF, at a lone LF or at a lone CR;
// - the text ends at the physical end or at the first Ctrl-Z (0x1A);
// - a last line without a line end is a line; an empty text has no lines;
// - every line keeps its own line end when it is written: CR LF stays CR LF
//   and LF stays LF; a lone CR is written as CR LF; a last line without a
//   line end gets the one the line before it was written with, CR LF when
//   it is the only line. No length limit.
// Reads and writes go through blocks of `block_bytes` (64 KiB by default),
// never one system call per line or per byte.

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <functional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace quillet {

inline constexpr std::size_t kDefaultBlockBytes = 64 * 1024;

// The line end a line is written with.
enum class LineEnd : unsigned char { kCrLf, kLf };

constexpr std::string_view LineEndBytes(LineEnd end) {
  return end == LineEnd::kLf ? std::string_view("\n", 1) : std::string_view("\r\n", 2);
}

// The line end of a line taken with its end bytes (see TakeLine).
constexpr LineEnd EndOfTakenLine(std::string_view taken) {
  return taken.size() >= 2 && taken[taken.size() - 2] == '\r' ? LineEnd::kCrLf : LineEnd::kLf;
}

class LineReader {
 public:
  explicit LineReader(platform::File& file, std::size_t block_bytes = kDefaultBlockBytes);

  // Reads one line into `line` (without its line end) and sets `end` to the
  // line end it is to be written with. Returns false at the end of the text
  // or on a read failure; `line` is then empty. Sets failed() when the
  // underlying read fails.
  bool ReadLine(std::string& line, LineEnd& end);

  // Takes the next line without copying it, when it lies whole in the
  // current block, ends there in CR LF or in a lone LF and is followed there
  // by more text (so it is not the last line): `line` then holds the line
  // with its line end, which is also the end it is written with
  // (EndOfTakenLine), and stays valid until the next call of ReadLine or
  // AtEnd. Otherwise returns false and takes nothing; ReadLine then reads
  // the line.
  bool TakeLine(std::string_view& line);

  // True once the text has ended (no further line will be returned).
  bool AtEnd();
  bool failed() const { return failed_; }
  // Why the read failed; success while none has.
  const platform::Status& status() const { return status_; }
  // True when the text ended at a Ctrl-Z rather than at the physical end.
  bool stopped_at_ctrl_z() const { return ctrl_z_offset_ >= 0; }
  // Offset of that Ctrl-Z from the start of the file, or -1.
  std::int64_t ctrl_z_offset() const { return ctrl_z_offset_; }

 private:
  bool Fill();

  platform::File& file_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  // Index of the first Ctrl-Z in the block, or len_ when it has none: found
  // once per block, so that the line scan looks for line ends alone.
  std::size_t ctrl_z_ = 0;
  std::int64_t buffer_start_ = 0;  // file offset of buffer_[0]
  // The end the previous line was written with: a last line without a line
  // end takes it.
  LineEnd last_end_ = LineEnd::kCrLf;
  bool eof_ = false;
  bool failed_ = false;
  platform::Status status_;
  std::int64_t ctrl_z_offset_ = -1;
};

// The first CR or LF in [begin, end), or end when there is none: one pass
// that looks for both bytes, 16 at a time where the processor allows.
inline const char* FindCrOrLf(const char* begin, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - begin >= 16; begin += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
    const int found =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (found != 0) return begin + __builtin_ctz(static_cast<unsigned>(found));
  }
#endif
  while (begin != end && *begin != '\r' && *begin != '\n') ++begin;
  return begin;
}

// Inline: the passes call it once per line.
inline bool LineReader::TakeLine(std::string_view& line) {
  // ctrl_z_ is the end of the block's text (len_ when it has no Ctrl-Z);
  // after a Ctrl-Z has ended the text, pos_ stays on it.
  if (pos_ >= ctrl_z_) return false;
  const char* begin = buffer_.data() + pos_;
  const char* text_end = buffer_.data() + ctrl_z_;
  const char* stop = FindCrOrLf(begin, text_end);
  // A lone CR is left to ReadLine; so is a CR LF that is not whole here.
  if (stop != text_end && *stop == '\r') ++stop;
  if (stop == text_end || *stop != '\n') return false;
  // A byte of text must follow in this block: then the line is not the
  // last, and telling so needs no read.
  if (stop + 1 == text_end) return false;
  line = std::string_view(begin, static_cast<std::size_t>(stop + 1 - begin));
  last_end_ = EndOfTakenLine(line);
  pos_ += line.size();
  return true;
}

class LineWriter {
 public:
  explicit LineWriter(platform::File& file, std::size_t block_bytes = kDefaultBlockBytes);

  // Queues `line` followed by `end`. Returns false once a write has failed.
  bool WriteLine(std::string_view line, LineEnd end);
  // Queues `lines` as they are: whole lines with their own line ends.
  // Returns false once a write has failed.
  bool WriteLines(std::string_view lines);
  // Writes out what is buffered. Returns false when any write failed.
  bool Flush();
  bool failed() const { return failed_; }
  // Why a write failed; success while none has.
  const platform::Status& status() const { return status_; }

 private:
  bool Put(std::string_view bytes);

  platform::File& file_;
  std::string buffer_;
  std::size_t block_bytes_;
  bool failed_ = false;
  platform::Status status_;
};

// Copies the text of `reader` to `writer` line by line, exactly as ReadLine
// and WriteLine would (each line with the end ReadLine gives it, the text
// ending at a Ctrl-Z), but passes runs of lines that already end in CR LF or
// LF through as they are. After each line whose running byte total as
// written (line ends included) is a multiple of `mark_every`, and after the
// last line, calls `at_mark` with that total. Stops after a failed write;
// returns the number of lines taken. The caller checks reader.failed() and
// writer.Flush().
std::int64_t CopyLines(LineReader& reader, LineWriter& writer, std::int64_t mark_every,
                       const std::function<void(std::int64_t copied_bytes)>& at_mark);

}  // namespace quillet
