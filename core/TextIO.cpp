#include "core/TextIO.h"

#include <algorithm>
#include <cstring>

#include "text/ByteText.h"

namespace quillet {

namespace {
constexpr char kCR = '\r';
constexpr char kLF = '\n';
}  // namespace

LineReader::LineReader(platform::File& file, std::size_t block_bytes)
    : file_(file), buffer_(std::max<std::size_t>(block_bytes, 1), '\0') {}

bool LineReader::Fill() {
  if (eof_ || failed_) return false;
  buffer_start_ += static_cast<std::int64_t>(len_);
  pos_ = len_ = ctrl_z_ = 0;
  std::size_t got = 0;
  if (platform::Status status = file_.Read(buffer_.data(), buffer_.size(), got); !status) {
    status_ = status;
    failed_ = true;
    return false;
  }
  if (got == 0) {
    eof_ = true;
    return false;
  }
  len_ = got;
  const void* ctrl_z = std::memchr(buffer_.data(), kCtrlZ, len_);
  ctrl_z_ = ctrl_z == nullptr
                ? len_
                : static_cast<std::size_t>(static_cast<const char*>(ctrl_z) - buffer_.data());
  return true;
}

bool LineReader::AtEnd() {
  if (ctrl_z_offset_ >= 0 || failed_) return true;
  if (pos_ == len_ && !Fill()) return true;
  if (buffer_[pos_] == kCtrlZ) {
    ctrl_z_offset_ = buffer_start_ + static_cast<std::int64_t>(pos_);
    return true;
  }
  return false;
}

bool LineReader::ReadLine(std::string& line, LineEnd& end) {
  line.clear();
  end = last_end_;
  if (AtEnd()) return false;
  for (;;) {
    const char* begin = buffer_.data() + pos_;
    // Nothing at or after a Ctrl-Z is text: the scan for line ends stops
    // there.
    const char* limit = buffer_.data() + std::max(ctrl_z_, pos_);
    const char* stop = FindCrOrLf(begin, limit);
    line.append(begin, stop);
    pos_ += static_cast<std::size_t>(stop - begin);
    if (stop != limit) {
      ++pos_;  // the CR or the LF
      if (*stop == kLF) {
        end = LineEnd::kLf;
        break;
      }
      // An LF right after the CR belongs to the line end, even when it
      // starts the next block. A lone CR is written as CR LF.
      if (pos_ == len_) Fill();
      if (pos_ < len_ && buffer_[pos_] == kLF) ++pos_;
      end = LineEnd::kCrLf;
      break;
    }
    if (limit != buffer_.data() + len_) {
      // A Ctrl-Z: the text ends here; the line read so far is its last line.
      ctrl_z_offset_ = buffer_start_ + static_cast<std::int64_t>(pos_);
      return true;
    }
    if (!Fill()) break;  // last line without a line end, or a read failure
  }
  if (failed_) {
    line.clear();
    return false;
  }
  last_end_ = end;
  return true;
}

LineWriter::LineWriter(platform::File& file, std::size_t block_bytes)
    : file_(file), block_bytes_(std::max<std::size_t>(block_bytes, 1)) {
  buffer_.reserve(block_bytes_);
}

bool LineWriter::Put(std::string_view bytes) {
  while (!bytes.empty() && !failed_) {
    std::size_t room = block_bytes_ - buffer_.size();
    std::size_t take = std::min(room, bytes.size());
    buffer_.append(bytes.data(), take);
    bytes.remove_prefix(take);
    if (buffer_.size() == block_bytes_) Flush();
  }
  return !failed_;
}

bool LineWriter::WriteLine(std::string_view line, LineEnd end) {
  // The common case, a line that fits the block with its line end, in one
  // step; the block is written out at the same points as by Put.
  const std::string_view end_bytes = LineEndBytes(end);
  if (!failed_ && block_bytes_ - buffer_.size() >= line.size() + end_bytes.size()) {
    buffer_.append(line).append(end_bytes);
    if (buffer_.size() == block_bytes_) Flush();
    return !failed_;
  }
  Put(line);
  return Put(end_bytes);
}

bool LineWriter::WriteLines(std::string_view lines) { return Put(lines); }

bool LineWriter::Flush() {
  if (!failed_ && !buffer_.empty()) {
    status_ = file_.Write(buffer_.data(), buffer_.size());
    failed_ = !status_.ok();
  }
  buffer_.clear();
  return !failed_;
}

std::int64_t CopyLines(LineReader& reader, LineWriter& writer, std::int64_t mark_every,
                       const std::function<void(std::int64_t copied_bytes)>& at_mark) {
  std::int64_t lines = 0;
  std::int64_t bytes = 0;
  std::string line;
  for (;;) {
    // Lines taken in a row lie next to each other in the reader's block:
    // they go to the writer as one run, cut only where a mark falls.
    std::string_view taken;
    const char* run = nullptr;
    std::size_t run_size = 0;
    while (reader.TakeLine(taken)) {
      if (run_size == 0) run = taken.data();
      run_size += taken.size();
      ++lines;
      bytes += static_cast<std::int64_t>(taken.size());
      if (bytes % mark_every == 0) {
        if (!writer.WriteLines({run, run_size})) return lines;
        run_size = 0;
        at_mark(bytes);
      }
    }
    if (run_size != 0 && !writer.WriteLines({run, run_size})) return lines;

    // Any other line (a lone CR, no line end, across blocks, the last one)
    // goes by the full rules.
    LineEnd end;
    if (!reader.ReadLine(line, end)) return lines;
    ++lines;
    bytes += static_cast<std::int64_t>(line.size() + LineEndBytes(end).size());
    if (!writer.WriteLine(line, end)) return lines;
    if (bytes % mark_every == 0 || reader.AtEnd()) at_mark(bytes);
  }
}

}  // namespace quillet
