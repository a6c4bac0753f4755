#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "core/FileName.h"
#include "core/FileProcessorSteps.h"
#include "core/ResultCodes.h"
#include "core/TextIO.h"
#include "text/ByteText.h"

namespace quillet::file_processing {

namespace {

using platform::File;
using platform::OpenMode;

// A Ctrl-Z this close to the end of the increment file is an old
// end-of-text mark; text appended after it would be invisible to readers
// that stop there.
constexpr std::int64_t kCtrlZTailBytes = 128;

// Cuts `file` at the first Ctrl-Z among its last 128 bytes, if any.
// Returns false when the file cannot be measured, read or cut.
bool CutAtTailCtrlZ(File& file) {
  std::int64_t size = -1;
  if (!file.Size(size)) return false;
  const std::int64_t start = std::max<std::int64_t>(0, size - kCtrlZTailBytes);
  if (!file.Seek(start)) return false;
  char tail[kCtrlZTailBytes];
  const auto want = static_cast<std::size_t>(size - start);
  std::size_t got = 0;
  while (got < want) {
    std::size_t n = 0;
    if (!file.Read(tail + got, want - got, n)) return false;
    if (n == 0) break;
    got += n;
  }
  const char* ctrl_z = std::find(tail, tail + got, kCtrlZ);
  if (ctrl_z == tail + got) return true;
  return file.Truncate(start + (ctrl_z - tail)).ok();
}

// Appends every line of `in` to `out` (opened for appending), flushes it to
// stable storage and closes `out`. False on any failure.
bool AppendLines(File& in, File& out, std::size_t block_bytes) {
  LineReader reader(in, block_bytes);
  LineWriter writer(out, block_bytes);
  bool ok = true;
  try {
    // Each line goes with its own line end; lines that lie whole in a block
    // go through as they are.
    CopyLines(reader, writer, std::numeric_limits<std::int64_t>::max(), [](std::int64_t) {});
    ok = !writer.failed() && !reader.failed();
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  // The log file is deleted next: its text must be on disk in the
  // increment file first.
  ok = ok && writer.Flush() && out.Sync();
  ok = out.Close() && ok;
  return ok;
}

}  // namespace

int MoveToIncrement(Engine& engine, std::string_view path, File& log,
                    const platform::FileInfo& log_info, const StampPlan& plan,
                    platform::Status& failure) {
  platform::FileSystem& fs = engine.fs;
  const std::string inc_path = ChangeExt(path, engine.globals.options.IncExt);

  // The processed file becomes the increment file, with its stamp. A name
  // that appears in the meantime makes the rename fail: nothing is replaced.
  // The folder is flushed so that a file reported done stays moved after a
  // power loss (a rename undone would bring the log file back).
  if (!fs.Exists(inc_path)) {
    if (!fs.Rename(path, inc_path)) return frIncOpenError;
    fs.SyncParent(inc_path);
    return frDone;
  }

  std::unique_ptr<File> inc = fs.OpenBeside(inc_path, OpenMode::kAppend, log_info).file;
  if (!inc) return frIncOpenError;
  if (!CutAtTailCtrlZ(*inc)) {
    inc->Close();
    return frIncOpenError;
  }
  if (platform::Status status = log.Seek(0); !status) {
    inc->Close();
    failure = status;
    return frOpenError;
  }
  if (!AppendLines(log, *inc, engine.block_bytes)) return frIncrementError;

  // A deletion undone by a power loss would bring the log file back, and the
  // next run would append its text a second time.
  if (fs.Delete(path)) fs.SyncParent(path);
  if (plan.apply && !WriteStamp(fs, inc_path, plan.stamp)) return frTimeStampError;
  engine.status.Yield();
  return frDone;
}

int PreviewIncrement(Engine& engine, std::string_view path) {
  platform::FileSystem& fs = engine.fs;
  const std::string inc_path = ChangeExt(path, engine.globals.options.IncExt);
  // Without an increment file the log file is renamed: its folder was
  // found writable before the copy.
  if (!fs.Exists(inc_path)) return frDone;
  platform::Opened opened = fs.Open(inc_path, OpenMode::kRead, platform::Links::kRefuse);
  if (!opened.file) return frIncOpenError;
  platform::FileInfo info;
  const bool usable = opened.file->GetInfo(info) && info.links <= 1 && fs.CheckWritable(inc_path);
  opened.file->Close();
  return usable ? frDone : frIncOpenError;
}

}  // namespace quillet::file_processing
