#pragma once

// The processing of one log file, step by step, as ProcessFile runs it.
// Only the file-processing sources include this header: FileProcessor.cpp
// holds the checks and the order of the steps, FileProcessorPasses.cpp the
// copy pass, its check and the filter pass that rewrites the log file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/Engine.h"
#include "core/FileProcessorSteps.h"
#include "platform/DosTime.h"
#include "platform/FileSystem.h"

namespace quillet::file_processing {

class FileProcessor {
 public:
  FileProcessor(Engine& engine, std::string_view path)
      : engine_(engine),
        fs_(engine.fs),
        status_(engine.status),
        options_(engine.globals.options),
        path_(path),
        preview_(engine.mode == RunMode::kPreview) {}

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
  int Refuse(int code, const std::string& file, const platform::Status& failure,
             bool trusted = true);
  int Refuse(int code, const std::string& file, RefusalReason reason);
  // Keeps `failure` as the reason of a pass's `code` and returns `code`.
  int FailPass(int code, const platform::Status& failure) {
    pass_failure_ = failure;
    return code;
  }
  int CheckName();
  int HoldLog();
  int OpenForPreview();
  int SniffBinary();
  int CheckLeftTemp();
  int CopyPass(std::int64_t& copy_lines);
  int CheckCopy(std::int64_t& SizeBefore);
  int FilterPass(std::int64_t copy_size, std::int64_t progress_step);
  // Reads every line of `reader`, writes what the filter keeps to `writer`
  // and tells the match watcher. False when a write failed or memory ran
  // out; the caller checks the reader.
  bool FilterLines(LineReader& reader, LineWriter& writer, std::int64_t copy_size,
                   std::int64_t progress_step);
  template <bool kWatched>
  bool FilterLinesFor(LineReader& reader, LineWriter& writer, std::int64_t copy_size,
                      std::int64_t progress_step);
  int Restore(platform::File& temp);
  int SetStamp(StampPlan& plan);
  void ShowFilterProgress(std::int64_t read_bytes, std::int64_t written_bytes,
                          std::int64_t copy_size);

  Engine& engine_;
  platform::FileSystem& fs_;
  StatusView& status_;
  const ProcessingOptions& options_;
  const std::string path_;
  // A preview reads the log file only and writes the copy and the rewritten
  // text to counting sinks: the checks and the figures are those of a real
  // run.
  const bool preview_;
  // In a preview: the size the copy and the rewritten text would have.
  std::int64_t preview_copy_size_ = 0;
  std::int64_t preview_filtered_size_ = 0;
  // The log file, held from the binary sniff to the end: every read, the
  // rewrite, the sizes and stamps go through this one descriptor.
  std::unique_ptr<platform::File> log_;
  platform::FileInfo log_info_;
  std::string ext_;
  std::string temp_path_;
  std::uint32_t prior_stamp_ = platform::kBadDosTime;
  // Where the copy pass found a Ctrl-Z, -1 when the text ran to the end.
  std::int64_t ctrl_z_offset_ = -1;
  // The failed call behind a pass's frOpenError or frTempOpenError; success
  // when the failure had no system error (memory ran out).
  platform::Status pass_failure_;
  RefusalReason reason_ = RefusalReason::kUnknown;
  std::string reason_file_;
  int reason_error_ = 0;
};

}  // namespace quillet::file_processing
