#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "core/Engine.h"
#include "core/FileName.h"
#include "core/FileProcessorSteps.h"
#include "core/ResultCodes.h"
#include "core/TextIO.h"
#include "core/Texts.h"
#include "platform/DosTime.h"
#include "text/AsciiCase.h"

namespace quillet {

namespace file_processing {

std::uint32_t ReadStamp(platform::File& file) {
  std::uint32_t stamp = 0;
  return file.GetTime(stamp) ? stamp : platform::kBadDosTime;
}

bool WriteStamp(platform::FileSystem& fs, std::string_view path, std::uint32_t stamp) {
  std::unique_ptr<platform::File> file =
      fs.Open(path, platform::OpenMode::kReadWrite, platform::Links::kRefuse).file;
  if (!file || stamp == platform::kBadDosTime || !file->SetTime(stamp)) return false;
  file->Close();
  return true;
}

}  // namespace file_processing

namespace {

using platform::File;
using platform::Links;
using platform::OpenMode;
using platform::Status;

constexpr std::size_t kSniffBytes = 500;
// The copy pass shows its byte count whenever the running total is an exact
// multiple of this, and at its last line.
constexpr std::int64_t kCopyCaptionModulus = 8152;
// The filter pass shows progress every `progress step` lines: about fifteen
// times per file, but not more often than every 512 lines.
constexpr std::int64_t kProgressPoints = 15;
constexpr std::int64_t kMinProgressStep = 512;
constexpr int kGaugeFull = 101;

constexpr std::array<std::string_view, 2> kOwnFileNames = {"QUILLET.DEF", "QUILLET.INI"};
constexpr std::array<std::string_view, 12> kBinaryExtensions = {
    "EXE", "COM", "SYS", "BMP", "GIF", "JPG", "VBX", "OCX", "LZH", "ZIP", "DLL", "ICO"};

// The reason an open refusal gives for a file; `trusted` says whether
// `error` is known to come from the failed call (otherwise only the errors
// of an open refusal are taken as a reason).
RefusalReason ReasonOf(int error, std::string_view path, bool trusted) {
  switch (error) {
    case EWOULDBLOCK:
      return RefusalReason::kHeldOpen;
    case EMLINK:
      return RefusalReason::kHardLinks;
    case ELOOP:
      return RefusalReason::kLink;
    case ENOENT:
      return RefusalReason::kGone;
    case EACCES:
    case EPERM:
      return RefusalReason::kPermissionDenied;
    case EISDIR:
      return RefusalReason::kNotAFile;
    case EINVAL:
      // The file layer refuses names holding a wild card with EINVAL, and
      // names that are no regular file (a FIFO put there since the listing).
      return NamePart(path).find_first_of("?*") != std::string_view::npos
                 ? RefusalReason::kNoShiftJisName
                 : RefusalReason::kNotAFile;
    default:
      return trusted ? RefusalReason::kSystemError : RefusalReason::kUnknown;
  }
}

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

class FileProcessor {
 public:
  FileProcessor(Engine& engine, std::string_view path)
      : engine_(engine),
        fs_(engine.fs),
        status_(engine.status),
        options_(engine.globals.options),
        path_(path) {}

  int Run(std::int64_t& SizeBefore, std::int64_t& SizeAfter);

  // Why the last 257 or 258 was returned: the reason, the file it concerns
  // and the errno value of the failure behind it.
  RefusalReason reason() const { return reason_; }
  const std::string& reason_file() const { return reason_file_; }
  int reason_error() const { return reason_error_; }

 private:
  // Records why `code` is returned, from `failure`, the failed call on
  // `file`, and returns `code`. `trusted`: `failure` is that of an open or
  // an inquiry that refused the file, not of a read or write in a pass.
  int Refuse(int code, const std::string& file, const Status& failure, bool trusted = true);
  int Refuse(int code, const std::string& file, RefusalReason reason);
  // Keeps `failure` as the reason of a pass's `code` and returns `code`.
  int FailPass(int code, const Status& failure) {
    pass_failure_ = failure;
    return code;
  }
  int CheckName();
  int HoldLog();
  int SniffBinary();
  int CheckLeftTemp();
  int CopyPass(std::int64_t& copy_lines);
  int CheckCopy(std::int64_t& SizeBefore);
  int FilterPass(std::int64_t copy_size, std::int64_t progress_step);
  int Restore(File& temp);
  int SetStamp(file_processing::StampPlan& plan);
  void ShowFilterProgress(std::int64_t read_bytes, std::int64_t written_bytes,
                          std::int64_t copy_size);

  Engine& engine_;
  platform::FileSystem& fs_;
  StatusView& status_;
  const ProcessingOptions& options_;
  const std::string path_;
  // The log file, held from the binary sniff to the end: every read, the
  // rewrite, the sizes and stamps go through this one descriptor.
  std::unique_ptr<File> log_;
  platform::FileInfo log_info_;
  std::string ext_;
  std::string temp_path_;
  std::uint32_t prior_stamp_ = platform::kBadDosTime;
  // Where the copy pass found a Ctrl-Z, -1 when the text ran to the end.
  std::int64_t ctrl_z_offset_ = -1;
  // The failed call behind a pass's frOpenError or frTempOpenError; success
  // when the failure had no system error (memory ran out).
  Status pass_failure_;
  RefusalReason reason_ = RefusalReason::kUnknown;
  std::string reason_file_;
  int reason_error_ = 0;
};

int FileProcessor::Refuse(int code, const std::string& file, const Status& failure, bool trusted) {
  const int error = failure.errno_value();
  Refuse(code, file, ReasonOf(error, file, trusted));
  reason_error_ = error;
  return code;
}

int FileProcessor::Refuse(int code, const std::string& file, RefusalReason reason) {
  reason_ = reason;
  reason_file_ = file;
  reason_error_ = 0;
  return code;
}

int FileProcessor::Run(std::int64_t& SizeBefore, std::int64_t& SizeAfter) {
  SizeBefore = 0;
  SizeAfter = 0;
  if (const int code = CheckName(); code != frDone) return code;
  if (const int code = HoldLog(); code != frDone) return code;
  if (const int code = SniffBinary(); code != frDone) return code;

  status_.Yield();
  status_.FileStarted();

  // Temporary and backup files are never processed, whatever Back says.
  if (ext_ == UpperAscii(options_.BackExt)) return frTempExtConflict;
  if (options_.Inc && ext_ == UpperAscii(options_.IncExt)) return frIncExtConflict;

  temp_path_ = ChangeExt(path_, options_.BackExt);
  if (const int code = CheckLeftTemp(); code != frDone) return code;

  // An unreadable stamp stays kBadDosTime, which is never midnight.
  prior_stamp_ = file_processing::ReadStamp(*log_);
  if (options_.Skip && platform::IsMidnight(prior_stamp_)) return frAutoSkipped;

  status_.Repaint();

  std::int64_t file_size = 0;
  if (const Status status = log_->Size(file_size); !status)
    return Refuse(frOpenError, path_, status);
  if (file_size == 0) return frEmptySkipped;
  SizeBefore = file_size;

  std::int64_t copy_lines = 0;
  // A failed read or write in a pass is a reason only when it is one an
  // open refusal gives.
  if (const int code = CopyPass(copy_lines); code != frDone)
    return Refuse(code, code == frTempOpenError ? temp_path_ : path_, pass_failure_, false);
  const std::int64_t progress_step = std::max(copy_lines / kProgressPoints, kMinProgressStep);

  if (const int code = CheckCopy(SizeBefore); code != frDone) return code;
  if (const int code = FilterPass(SizeBefore, progress_step); code != frDone)
    return Refuse(code, temp_path_, pass_failure_, false);

  std::int64_t processed_size = 0;
  if (const Status status = log_->Size(processed_size); !status)
    return Refuse(frOpenError, path_, status);
  SizeAfter = processed_size;

  file_processing::StampPlan plan;
  if (const int code = SetStamp(plan); code != frDone) return code;

  if (!options_.Inc) return frDone;
  const int code =
      file_processing::MoveToIncrement(engine_, path_, *log_, log_info_, plan, pass_failure_);
  return code == frOpenError ? Refuse(code, path_, pass_failure_, false) : code;
}

int FileProcessor::CheckName() {
  const std::string name = UpperAscii(NamePart(path_));
  if (std::find(kOwnFileNames.begin(), kOwnFileNames.end(), name) != kOwnFileNames.end())
    return frOwnFile;
  ext_ = UpperAscii(ExtractExt(path_));
  if (std::find(kBinaryExtensions.begin(), kBinaryExtensions.end(), ext_) !=
      kBinaryExtensions.end())
    return frBinaryFile;
  return frDone;
}

int FileProcessor::HoldLog() {
  // A log file with more than one link, in use by another program or held
  // by another run is refused here, untouched. Listings never yield links,
  // so a link at the log file's name was put there after the listing: it is
  // refused rather than followed to a file outside the tree.
  platform::Opened opened = fs_.Open(path_, OpenMode::kHold, Links::kRefuse);
  if (!opened.file) return Refuse(frOpenError, path_, opened.status);
  log_ = std::move(opened.file);
  if (const Status status = log_->GetInfo(log_info_); !status)
    return Refuse(frOpenError, path_, status);
  return frDone;
}

int FileProcessor::SniffBinary() {
  char head[kSniffBytes];
  std::size_t got = 0;
  while (got < kSniffBytes) {
    std::size_t n = 0;
    if (const Status status = log_->Read(head + got, kSniffBytes - got, n); !status)
      return Refuse(frOpenError, path_, status);
    if (n == 0) break;
    got += n;
  }
  // Only 0x00..0x03 mark a binary file; a Ctrl-Z does not.
  const bool binary =
      std::any_of(head, head + got, [](char c) { return static_cast<unsigned char>(c) <= 0x03; });
  return binary ? frBinaryFile : frDone;
}

// A temporary file that carries the pending mark was left by a rewrite that
// never finished: it may hold the only complete text of the log file, so
// neither file is touched.
int FileProcessor::CheckLeftTemp() {
  platform::Opened left = fs_.Open(temp_path_, OpenMode::kRead, Links::kRefuse);
  if (!left.file) {
    if (left.status.errno_value() == ENOENT) return frDone;
    return Refuse(frTempOpenError, temp_path_, left.status);
  }
  bool pending = false;
  if (const Status status = left.file->GetPending(pending); !status) {
    // Without marks such a leftover looks like any other file. After a
    // finished run none is left unless Back keeps it as the backup, which
    // is then overwritten as before.
    if (status.errno_value() != ENOTSUP) return Refuse(frTempOpenError, temp_path_, status);
    if (!options_.Back) return Refuse(frTempOpenError, temp_path_, RefusalReason::kUnmarkedCopy);
  }
  left.file->Close();
  return pending ? Refuse(frTempOpenError, temp_path_, RefusalReason::kPendingCopy) : frDone;
}

int FileProcessor::CopyPass(std::int64_t& copy_lines) {
  if (Status status = log_->Seek(0); !status) return FailPass(frOpenError, status);
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
  std::int64_t copy_size = -1;
  if (const Status status = TakeSize(fs_, temp_path_, copy_size); !status)
    return Refuse(frTempOpenError, temp_path_, status);
  // A copy one byte shorter is a text ending in a single Ctrl-Z. A Ctrl-Z
  // anywhere else hides text that the rewrite would drop, even when line
  // ends added by the copy make up for the size.
  const bool shorter = copy_size + 1 < SizeBefore;
  const bool text_after_ctrl_z = ctrl_z_offset_ >= 0 && ctrl_z_offset_ != SizeBefore - 1;
  if (shorter || text_after_ctrl_z) {
    fs_.Delete(temp_path_);
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

int FileProcessor::FilterPass(std::int64_t copy_size, std::int64_t progress_step) {
  status_.ProgressPosition(0);
  status_.Repaint();

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
  file_processing::LineFilter filter(options_, engine_.globals.definitions,
                                     CurrentDefinitionIndex(engine_));
  std::int64_t read_bytes = 0;
  std::int64_t written_bytes = 0;
  std::int64_t lines_done = 0;
  bool ok = true;
  try {
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
      if (filter.Apply(line, out)) {
        written_bytes += static_cast<std::int64_t>(out.size()) + end_size;
        ok = writer.WriteLine(out, end);
      }
      ++lines_done;
      if (lines_done % progress_step == 0 || reader.AtEnd())
        ShowFilterProgress(read_bytes, written_bytes, copy_size);
    }
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

int FileProcessor::SetStamp(file_processing::StampPlan& plan) {
  if (!options_.Time && !options_.TimeZ) return frDone;
  // Time off: the stamp of the rewriting, as the file carries it now.
  std::uint32_t stamp = options_.Time ? prior_stamp_ : file_processing::ReadStamp(*log_);
  if (options_.TimeZ && stamp != platform::kBadDosTime) stamp = platform::AtMidnight(stamp);
  plan.apply = true;
  plan.stamp = stamp;
  if (stamp == platform::kBadDosTime || !log_->SetTime(stamp)) return frTimeStampError;
  return frDone;
}

}  // namespace

int ProcessFile(Engine& engine, std::string_view path, std::int64_t& SizeBefore,
                std::int64_t& SizeAfter) {
  try {
    FileProcessor processor(engine, path);
    const int code = processor.Run(SizeBefore, SizeAfter);
    if (code == frOpenError || code == frTempOpenError) {
      const std::string& file = processor.reason_file();
      engine.status.Note({.kind = RunNote::Kind::kFileRefused,
                          .path = path,
                          .other = file == path ? std::string_view() : std::string_view(file),
                          .code = code,
                          .reason = processor.reason(),
                          .error = processor.reason_error()});
    }
    return code;
  } catch (...) {
    // Nothing may leave as an exception. Only the small allocations outside
    // the passes get here (names, captions); the passes catch their own and
    // restore the log file when it was already truncated.
    return frOpenError;
  }
}

}  // namespace quillet
