#include "core/FileProcessor.h"

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

namespace {

using platform::File;
using platform::Links;
using platform::OpenMode;
using platform::Status;

constexpr std::size_t kSniffBytes = 500;
// The filter pass shows progress every `progress step` lines: about fifteen
// times per file, but not more often than every 512 lines.
constexpr std::int64_t kProgressPoints = 15;
constexpr std::int64_t kMinProgressStep = 512;

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

}  // namespace

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
  prior_stamp_ = ReadStamp(*log_);
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
    return Refuse(code, code == frOpenError ? path_ : temp_path_, pass_failure_, false);

  std::int64_t processed_size = preview_filtered_size_;
  if (!preview_) {
    if (const Status status = log_->Size(processed_size); !status)
      return Refuse(frOpenError, path_, status);
  }
  SizeAfter = processed_size;

  file_processing::StampPlan plan;
  if (const int code = SetStamp(plan); code != frDone) return code;

  if (!options_.Inc) return frDone;
  if (preview_) return file_processing::PreviewIncrement(engine_, path_);
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
  if (preview_) return OpenForPreview();
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

// A preview reads the log file without holding it, so a file that another
// process has open is still read, and refuses what the hold and the
// rewrite would refuse: other links, no right to write the file or to
// create the temporary file beside it.
int FileProcessor::OpenForPreview() {
  platform::Opened opened = fs_.Open(path_, OpenMode::kRead, Links::kRefuse);
  if (!opened.file) return Refuse(frOpenError, path_, opened.status);
  log_ = std::move(opened.file);
  if (const Status status = log_->GetInfo(log_info_); !status)
    return Refuse(frOpenError, path_, status);
  if (log_info_.links > 1) return Refuse(frOpenError, path_, Status::Failure(EMLINK));
  if (const Status status = fs_.CheckWritable(path_); !status)
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

int FileProcessor::SetStamp(StampPlan& plan) {
  if (!options_.Time && !options_.TimeZ) return frDone;
  // Time off: the stamp of the rewriting, as the file carries it now.
  std::uint32_t stamp = options_.Time ? prior_stamp_ : ReadStamp(*log_);
  if (options_.TimeZ && stamp != platform::kBadDosTime) stamp = platform::AtMidnight(stamp);
  plan.apply = true;
  plan.stamp = stamp;
  if (stamp == platform::kBadDosTime) return frTimeStampError;
  if (!preview_ && !log_->SetTime(stamp)) return frTimeStampError;
  return frDone;
}

}  // namespace file_processing

using file_processing::FileProcessor;

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
