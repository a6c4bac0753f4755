#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/FileName.h"
#include "core/FileProcessor.h"
#include "core/ResultCodes.h"
#include "core/TextIO.h"
#include "core/Texts.h"

// The passes over the text: the copy to the temporary file, the check that
// nothing was lost, and the filter pass that rewrites the log file from the
// copy, restoring it when the rewrite fails.

namespace quillet::file_processing {

namespace {

using platform::File;
using platform::Links;
using platform::OpenMode;
using platform::Status;

// The copy pass shows its byte count whenever the running total is an exact
// multiple of this, and at its last line.
constexpr std::int64_t kCopyCaptionModulus = 8152;
// 1 to 101 while filtering; 101 shows as full.
constexpr int kGaugeFull = 101;

template <typename... Counts>
std::string Caption(const char* format, Counts... counts) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<long long>(counts)...);
  return text;
}

// The size of an existing temporary file, taken through an open for
// reading and writing. Fails when the open or the measuring fails.
Status TakeSize(platform::FileSystem& fs, std::string_view path, std::int64_t& size) {
  platform::Opened opened = fs.Open(path, OpenMode::kReadWrite, Links::kRefuse);
  if (!opened.file) return opened.status;
  const Status status = opened.file->Size(size);
  opened.file->Close();
  return status;
}

// Where a preview writes: takes every byte, keeps none, counts them.
class CountingSink : public File {
 public:
  std::int64_t size() const { return size_; }

  Status Read(char*, std::size_t, std::size_t& count) override {
    count = 0;
    return {};
  }
  Status Write(const char*, std::size_t size) override {
    size_ += static_cast<std::int64_t>(size);
    return {};
  }
  Status Size(std::int64_t& size) override {
    size = size_;
    return {};
  }
  Status Seek(std::int64_t) override { return {}; }
  Status Truncate(std::int64_t) override { return {}; }
  Status Sync() override { return {}; }
  Status GetTime(std::uint32_t&) override { return Status::Failure(ENOTSUP); }
  Status SetTime(std::uint32_t) override { return Status::Failure(ENOTSUP); }
  Status GetInfo(platform::FileInfo&) override { return Status::Failure(ENOTSUP); }
  Status SetPending(bool) override { return Status::Failure(ENOTSUP); }
  Status GetPending(bool&) override { return Status::Failure(ENOTSUP); }
  Status Close() override { return {}; }

 private:
  std::int64_t size_ = 0;
};

}  // namespace

int FileProcessor::CopyPass(std::int64_t& copy_lines) {
  if (Status status = log_->Seek(0); !status) return FailPass(frOpenError, status);
  if (preview_) {
    // The copy would be made beside the log file, or an earlier one
    // overwritten: both need the right to write.
    const std::string folder = path_.substr(0, path_.size() - NamePart(path_).size());
    Status writable =
        fs_.Exists(temp_path_) ? fs_.CheckWritable(temp_path_) : fs_.CheckWritable(folder);
    if (!writable) return FailPass(frTempOpenError, writable);
    CountingSink sink;
    LineReader reader(*log_, engine_.block_bytes);
    LineWriter writer(sink, engine_.block_bytes);
    try {
      copy_lines = CopyLines(reader, writer, kCopyCaptionModulus, [this](std::int64_t copy_bytes) {
        status_.Yield();
        status_.ProgressCaption(Caption(texts::kCopySizeFormat, copy_bytes));
        status_.Repaint();
      });
    } catch (const std::bad_alloc&) {
      return FailPass(frOpenError, Status());
    }
    if (reader.failed()) return FailPass(frOpenError, reader.status());
    writer.Flush();
    preview_copy_size_ = sink.size();
    if (reader.stopped_at_ctrl_z()) ctrl_z_offset_ = reader.ctrl_z_offset();
    return frDone;
  }
  // An existing file of that name is overwritten, but never through a link,
  // nor when another user owns it or it has other names; it gets no more
  // access than the log file has.
  platform::Opened opened = fs_.OpenBeside(temp_path_, OpenMode::kCreateTruncate, log_info_);
  if (!opened.file) return FailPass(frTempOpenError, opened.status);
  File* temp = opened.file.get();

  LineReader reader(*log_, engine_.block_bytes);
  LineWriter writer(*temp, engine_.block_bytes);
  bool read_failed = false;
  try {
    // After a failed write the copy is lost anyway; it stops reading.
    copy_lines = CopyLines(reader, writer, kCopyCaptionModulus, [this](std::int64_t copy_bytes) {
      status_.Yield();
      status_.ProgressCaption(Caption(texts::kCopySizeFormat, copy_bytes));
      status_.Repaint();
    });
    read_failed = reader.failed();
  } catch (const std::bad_alloc&) {
    read_failed = true;  // a line too long to hold in memory cannot be read
  }

  // The copy, its pending mark and its name go to stable storage before the
  // log file may be truncated: a power loss or a kill during the rewrite
  // cannot take both texts, and the next run finds the copy and sees that it
  // must not be replaced. The mark is set before the Sync that makes it
  // durable. Without marks (ENOTSUP) see CheckLeftTemp.
  Status temp_status = writer.Flush() ? Status() : writer.status();
  if (temp_status && !read_failed) {
    temp_status = temp->SetPending(true);
    if (temp_status.errno_value() == ENOTSUP) temp_status = Status();
  }
  if (temp_status && !read_failed) temp_status = temp->Sync();
  if (temp_status && !read_failed) temp_status = fs_.SyncParent(temp_path_);
  if (!temp_status) temp->SetPending(false);
  if (const Status closed = temp->Close(); temp_status) temp_status = closed;
  if (read_failed) return FailPass(frOpenError, reader.status());
  if (!temp_status) return FailPass(frTempOpenError, temp_status);
  if (reader.stopped_at_ctrl_z()) ctrl_z_offset_ = reader.ctrl_z_offset();
  return frDone;
}

int FileProcessor::CheckCopy(std::int64_t& SizeBefore) {
  std::int64_t copy_size = preview_copy_size_;
  if (!preview_) {
    if (const Status status = TakeSize(fs_, temp_path_, copy_size); !status)
      return Refuse(frTempOpenError, temp_path_, status);
  }
  // A copy one byte shorter is a text ending in a single Ctrl-Z. A Ctrl-Z
  // anywhere else hides text that the rewrite would drop, even when line
  // ends added by the copy make up for the size.
  const bool shorter = copy_size + 1 < SizeBefore;
  const bool text_after_ctrl_z = ctrl_z_offset_ >= 0 && ctrl_z_offset_ != SizeBefore - 1;
  if (shorter || text_after_ctrl_z) {
    if (!preview_) fs_.Delete(temp_path_);
    return frReadError;
  }
  SizeBefore = copy_size;
  return frDone;
}

void FileProcessor::ShowFilterProgress(std::int64_t read_bytes, std::int64_t written_bytes,
                                       std::int64_t copy_size) {
  status_.Yield();
  status_.ProgressCaption(Caption(texts::kFilterSizeFormat, written_bytes, copy_size));
  // 1 to 101; 101 shows as full. A copy that changed size since it was
  // measured must neither divide by zero nor overflow the position.
  double gauge = kGaugeFull;
  if (copy_size > 0)
    gauge = static_cast<double>(read_bytes) / static_cast<double>(copy_size) * 100 + 1;
  status_.ProgressPosition(static_cast<int>(std::clamp(gauge, 0.0, double{kGaugeFull})));
  status_.Repaint();
}

bool FileProcessor::FilterLines(LineReader& reader, LineWriter& writer, std::int64_t copy_size,
                                std::int64_t progress_step) {
  // Two forms of one loop: a run without a watcher does nothing more per
  // line for the watcher's sake.
  if (engine_.match_watcher != nullptr)
    return FilterLinesFor<true>(reader, writer, copy_size, progress_step);
  return FilterLinesFor<false>(reader, writer, copy_size, progress_step);
}

template <bool kWatched>
bool FileProcessor::FilterLinesFor(LineReader& reader, LineWriter& writer, std::int64_t copy_size,
                                   std::int64_t progress_step) {
  DefinitionIndex& index = CurrentDefinitionIndex(engine_);
  file_processing::LineFilter filter(options_, engine_.globals.definitions, index);
  MatchWatcher* const watcher = engine_.match_watcher;
  const bool every_match = kWatched && watcher->WantsEveryMatch();
  std::vector<int> matches;
  std::int64_t read_bytes = 0;
  std::int64_t written_bytes = 0;
  std::int64_t lines_done = 0;
  bool ok = true;
  std::string copied;
  while (ok) {
    // A line that lies whole in the reader's block is filtered where it
    // stands; any other goes through the copying read.
    // Every line keeps its own line end, a replacement text included.
    std::string_view line;
    LineEnd end;
    if (reader.TakeLine(line)) {
      end = EndOfTakenLine(line);
      line.remove_suffix(LineEndBytes(end).size());
    } else if (reader.ReadLine(copied, end)) {
      line = copied;
    } else {
      break;
    }
    const auto end_size = static_cast<std::int64_t>(LineEndBytes(end).size());
    read_bytes += static_cast<std::int64_t>(line.size()) + end_size;
    std::string_view out;
    int matched = -1;
    const bool written = kWatched ? filter.Apply(line, out, matched) : filter.Apply(line, out);
    if (written) {
      written_bytes += static_cast<std::int64_t>(out.size()) + end_size;
      ok = writer.WriteLine(out, end);
    }
    ++lines_done;
    if (kWatched && matched >= 0) {
      if (every_match) index.FindEveryMatch(line, matches);
      watcher->LineMatched({.file = path_,
                            .number = lines_done,
                            .text = line,
                            .definitions = engine_.globals.definitions,
                            .first = matched,
                            .every = matches,
                            .written = written,
                            .written_as = written ? out : std::string_view()});
    }
    if (lines_done % progress_step == 0 || reader.AtEnd())
      ShowFilterProgress(read_bytes, written_bytes, copy_size);
  }
  return ok;
}

int FileProcessor::FilterPass(std::int64_t copy_size, std::int64_t progress_step) {
  status_.ProgressPosition(0);
  status_.Repaint();

  if (preview_) {
    // The text the copy would hold is the log file's, read by the same
    // rules: the same lines with the same line ends.
    if (Status status = log_->Seek(0); !status) return FailPass(frOpenError, status);
    CountingSink sink;
    LineReader reader(*log_, engine_.block_bytes);
    LineWriter writer(sink, engine_.block_bytes);
    bool ok = true;
    try {
      ok = FilterLines(reader, writer, copy_size, progress_step);
    } catch (const std::bad_alloc&) {
      return FailPass(frOpenError, Status());
    }
    if (!ok || reader.failed()) return FailPass(frOpenError, reader.status());
    writer.Flush();
    preview_filtered_size_ = sink.size();
    return frDone;
  }

  platform::Opened opened = fs_.Open(temp_path_, OpenMode::kRead, Links::kRefuse);
  if (!opened.file) return FailPass(frTempOpenError, opened.status);
  File* temp = opened.file.get();
  // The log file is rewritten in place, keeping its inode, owner and mode,
  // through the held descriptor: a new open would let other programs in.
  if (!log_->Seek(0) || !log_->Truncate(0)) {
    temp->SetPending(false);
    temp->Close();
    if (!options_.Back) fs_.Delete(temp_path_);
    return frWriteError;
  }

  LineReader reader(*temp, engine_.block_bytes);
  LineWriter writer(*log_, engine_.block_bytes);
  bool ok = true;
  try {
    ok = FilterLines(reader, writer, copy_size, progress_step);
    ok = ok && !reader.failed();
  } catch (const std::bad_alloc&) {
    ok = false;
  }

  // The rewritten text reaches the disk before its copy may be deleted or
  // lose its mark.
  ok = ok && writer.Flush() && log_->Sync();
  if (!ok) return Restore(*temp);

  if (options_.Back) {
    temp->SetPending(false);
  } else {
    fs_.Delete(temp_path_);
  }
  temp->Close();
  return frDone;
}

int FileProcessor::Restore(File& temp) {
  // The copy holds the whole former text, with the log file's owner and
  // mode: put it back under the log file's name. It keeps its mark until it
  // is there, so that a run killed in between still finds it marked.
  if (!fs_.Delete(path_) || !fs_.Rename(temp_path_, path_)) {
    temp.Close();
    return frRecoveryFailed;
  }
  temp.SetPending(false);
  temp.Close();
  // The former text is back, but the file was not processed.
  return frWriteError;
}

}  // namespace quillet::file_processing
