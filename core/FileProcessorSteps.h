#pragma once

// Internal pieces of ProcessFile: the line rules of the filter pass, the
// time-stamp helpers and the increment step. Only the file-processing
// sources include this header.

#include <cstdint>
#include <string_view>

#include "core/DefinitionIndex.h"
#include "core/Engine.h"
#include "core/Global.h"
#include "platform/FileSystem.h"

namespace quillet::file_processing {

// The line without its trailing blanks, but only when its last byte is a
// space: then every trailing byte of value 0x20 or less goes (spaces, tabs,
// other control bytes). A line that ends in any other byte, a tab included,
// is returned unchanged.
std::string_view CutLine(std::string_view line);

// Decides, line by line, what the filter pass writes. Holds the blank run,
// which starts at 0; one instance serves one pass over one file. Reads the
// options live and changes neither them nor the definition entries. `index`
// must have been built from the entries of `definitions`
// (CurrentDefinitionIndex), and the entries must not change while the filter
// is in use (no load happens during a file).
class LineFilter {
 public:
  LineFilter(const ProcessingOptions& options, const DefinitionTable& definitions,
             DefinitionIndex& index)
      : options_(options), definitions_(definitions), index_(index) {}

  // Returns false when `line` is not written: a definition with an empty
  // Tail matched it (such a line leaves the blank run alone), or it is a
  // blank line that SpLine drops. Otherwise returns true with `out` set to
  // the text to write without its line end; `out` points into `line` or
  // into the Tail of the first matching definition.
  bool Apply(std::string_view line, std::string_view& out);
  // The same, and sets `matched` to the entry that matched the line first,
  // or -1.
  bool Apply(std::string_view line, std::string_view& out, int& matched);

 private:
  const ProcessingOptions& options_;
  const DefinitionTable& definitions_;
  DefinitionIndex& index_;
  // 64-bit: a run of more than 2^31 blank lines must not wrap around.
  std::int64_t blank_run_ = 0;

  // Apply with or without telling the matching entry, each without a cost
  // for the other.
  template <bool kTellMatch>
  bool ApplyTelling(std::string_view line, std::string_view& out, int* matched);
};

// The open file's stamp as it is now. kBadDosTime when it has no readable
// stamp.
std::uint32_t ReadStamp(platform::File& file);

// Opens `path` for reading and writing, never through a link, and sets its
// last-write time to `stamp`. Returns false when the open or the setting
// fails; a stamp of kBadDosTime is never written and fails.
bool WriteStamp(platform::FileSystem& fs, std::string_view path, std::uint32_t stamp);

// The stamp that the processed text carries, decided before the increment
// step: `apply` when Time or TimeZ is on.
struct StampPlan {
  bool apply = false;
  std::uint32_t stamp = 0;
};

// Moves the processed log file at `path`, held as `log` and described by
// `log_info`, into its increment file (the path with IncExt). With no
// increment file the log file is renamed to it; otherwise the increment
// file (refused when it has other links or a foreign owner, and narrowed to
// the log file's permission bits) is cut at a Ctrl-Z in its last 128
// bytes, the log file's lines are read through `log` and appended and
// flushed to stable storage, the log file is deleted and, with
// `plan.apply`, the increment file gets the stamp. `log` stays open.
// Returns frDone, frIncOpenError (nothing changed, the log file stays),
// frOpenError (the log file could not be read again; it stays, and
// `failure` says why),
// frIncrementError (the append failed; the log file stays and part of its
// text may be in the increment file) or frTimeStampError (the text has
// moved, the increment file's stamp could not be set).
int MoveToIncrement(Engine& engine, std::string_view path, platform::File& log,
                    const platform::FileInfo& log_info, const StampPlan& plan,
                    platform::Status& failure);

// What MoveToIncrement would give, found without changing anything: an
// increment file at the path with IncExt that cannot be opened, has other
// links or may not be written gives frIncOpenError; else frDone.
int PreviewIncrement(Engine& engine, std::string_view path);

}  // namespace quillet::file_processing
