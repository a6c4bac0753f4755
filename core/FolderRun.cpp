#include "core/FolderRun.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/FileName.h"
#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "platform/DosTime.h"
#include "text/AsciiCase.h"
#include "text/ByteText.h"

namespace quillet {

namespace {

using platform::DirEntry;
using platform::ListKind;

// A folder that cannot be listed has no entries: the run goes on and
// reports "0 File(s) Found." for it.
std::vector<DirEntry> ListEntries(Engine& engine, const std::string& pattern, ListKind kind) {
  std::vector<DirEntry> entries;
  if (!engine.fs.List(pattern, kind, entries)) entries.clear();
  return entries;
}

bool IsAllFilesPattern(std::string_view pattern) {
  std::string_view name = NamePart(pattern);
  return name == "*" || name == "*." || name == "*.*";
}

std::string FormatCount(const char* format, long long value) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(value));
  return text;
}

// The report of a processed file: sizes and the size after as a whole
// percentage of the size before. A text of 0 bytes (a file that held only a
// Ctrl-Z) has nothing left to shrink and reports 100%.
std::string DoneReport(std::int64_t size_before, std::int64_t size_after) {
  long long percent = 100;
  if (size_before != 0) {
    percent = static_cast<long long>(static_cast<double>(size_after) /
                                     static_cast<double>(size_before) * 100.0);
  }
  char text[128];
  std::snprintf(text, sizeof text, texts::kDoneFormat, static_cast<long long>(size_before),
                static_cast<long long>(size_after), percent);
  return text;
}

// True when the file's last-write time, at the two-second resolution of a
// DOS stamp, is 00:00:00. A time that cannot be read never counts.
bool HasMidnightStamp(Engine& engine, const std::string& path) {
  std::unique_ptr<platform::File> file = engine.fs.Open(path, platform::OpenMode::kRead).file;
  if (!file) return false;
  std::uint32_t stamp = platform::kBadDosTime;
  if (!file->GetTime(stamp)) stamp = platform::kBadDosTime;
  file->Close();
  return platform::IsMidnight(stamp);
}

// One file of the listing: refused as read-only, passed over by the auto
// skip, or processed; its line in the status log tells which.
void HandleFile(Engine& engine, const std::string& folder, const DirEntry& entry) {
  Globals& g = engine.globals;
  StatusView& status = engine.status;
  const std::string& name = entry.name;
  const std::string path = folder + name;

  if (entry.attributes.read_only) {
    status.AppendLine(name + texts::kPending);
    ++g.run.ErrorCount;
    status.ReplaceLastLine(name + "\t" + texts::kReadOnly);
    return;
  }

  if (g.options.Skip && HasMidnightStamp(engine, path)) {
    ++g.run.SkipCount;
    if (g.options.SkipDisp) {
      status.AppendLine(name + "\t" + texts::kSkipReport);
      status.FileStarted();
      status.Yield();
    }
    return;
  }

  status.AppendLine(name + texts::kPending);
  std::int64_t size_before = 0;
  std::int64_t size_after = 0;
  const int code = ProcessFile(engine, path, size_before, size_after);
  if (code > kErrorThreshold) ++g.run.ErrorCount;
  if (code == frEmptySkipped) ++g.run.SkipCount;
  const std::string report =
      code == frDone ? DoneReport(size_before, size_after) : std::string(texts::ReportText(code));
  status.ReplaceLastLine(name + "\t" + report);
}

// True when `path` is a folder itself and not a link to one, so that a link
// put in a listed subfolder's place cannot lead the run out of the tree.
// Opened without following a link, a folder fails with EISDIR, or with
// EACCES when it cannot be read (it is visited and shows no files); a link
// fails with ELOOP.
bool IsFolderNotLink(Engine& engine, const std::string& path) {
  const platform::Opened opened =
      engine.fs.Open(path, platform::OpenMode::kRead, platform::Links::kRefuse);
  if (opened.file) return false;
  const int error = opened.status.errno_value();
  return error == EISDIR || error == EACCES;
}

// The files of one folder. Returns a run-level code when the definition file
// stops the run, else 0.
// Whether the run stops: a run-level code has stopped it, or its watcher
// asks for a cancel (which then holds for the rest of the run).
bool Stopping(Engine& engine) {
  bool& stop = engine.globals.run.CancelRequested;
  if (!stop && engine.status.CancelRequested()) stop = true;
  return stop;
}

int RunFiles(Engine& engine, const std::string& folder, std::string_view pattern) {
  Globals& g = engine.globals;
  StatusView& status = engine.status;
  const std::string search = folder + std::string(pattern);

  const std::size_t count = ListEntries(engine, search, ListKind::kFiles).size();
  g.run.FoundCount += static_cast<std::int32_t>(count);
  status.Yield();

  status.FolderCounted(count);
  if (count == 0) {
    status.AppendLine(FormatCount(texts::kFilesFoundFormat, 0));
    status.AppendLine("");
    status.Repaint();
    return 0;
  }

  if (int code = LoadDefinitions(engine, folder); code != 0) {
    g.run.CancelRequested = true;
    return code;
  }
  status.Yield();
  if (Stopping(engine)) return 0;

  status.AppendLine(FormatCount(texts::kFilesFoundFormat, static_cast<long long>(count)));
  status.AppendLine("");
  status.Repaint();

  // Listed again: the count above is complete before the first file is
  // touched, and this listing sees the folder as it is now.
  for (const DirEntry& entry : ListEntries(engine, search, ListKind::kFiles)) {
    if (Stopping(engine)) break;
    HandleFile(engine, folder, entry);
  }
  status.FolderFinished();
  return 0;
}

// Appends the empty line and the header of `folder`, then yields. False
// when a cancel came meanwhile.
bool WriteHeader(Engine& engine, const std::string& folder) {
  engine.status.AppendLine("");
  engine.status.AppendLine(std::string(texts::kHeaderOpen) + folder + texts::kHeaderClose);
  engine.status.Yield();
  return !Stopping(engine);
}

// The checks of a request that hold for every folder it visits. Returns 0
// or the run-level code that refuses it.
int CheckRequest(const ProcessingOptions& options, std::string_view pattern) {
  if (IsAllFilesPattern(pattern)) return frAllFilesPattern;
  // A blank extension (Quillet.ini edited by hand) would make "a" the
  // temporary or increment file of "a.log": an unrelated file of that name
  // would be overwritten, appended to or deleted.
  if (TrimBlanks(options.BackExt).empty()) return frBlankBackExt;
  if (options.Inc && TrimBlanks(options.IncExt).empty()) return frBlankIncExt;
  if (options.Inc && EqualIgnoringAsciiCase(options.BackExt, options.IncExt))
    return frTempIncExtConflict;
  return 0;
}

// The files of `folder` (its header written), then its subfolders, each
// with its own header, depth first.
FolderRunEnd VisitFolder(Engine& engine, const std::string& folder, std::string_view pattern,
                         bool withSubfolders) {
  Globals& g = engine.globals;
  if (int code = RunFiles(engine, folder, pattern); code != 0) return {.code = code};
  if (Stopping(engine) || !withSubfolders) return {};

  const std::vector<DirEntry> entries = ListEntries(engine, folder + "*.*", ListKind::kSubfolders);
  engine.status.Yield();

  for (const DirEntry& entry : entries) {
    if (Stopping(engine)) break;
    if (entry.name == "." || entry.name == "..") continue;
    // The listing never yields links; the entry is looked at again because
    // it may have changed since it was listed.
    if (!entry.attributes.directory) continue;
    const std::string path = folder + entry.name;
    if (!IsFolderNotLink(engine, path)) {
      // A name listed with '?' names no folder the file layer opens.
      if (entry.name.find_first_of("?*") != std::string::npos)
        engine.status.Note({.kind = RunNote::Kind::kFolderNotEntered, .path = path});
      continue;
    }
    const std::string subfolder = AddBackslash(path);
    if (!WriteHeader(engine, subfolder)) break;
    if (FolderRunEnd end = VisitFolder(engine, subfolder, pattern, true); end.code != 0) {
      g.run.CancelRequested = true;
      end.in_subfolder = true;
      return end;
    }
  }
  return {};
}

std::string CountLine(const char* head, std::int32_t count, const char* tail) {
  return head + std::to_string(count) + tail;
}

// The error and skip lines, an empty line and the closing line.
void WriteClosingLines(StatusView& status, const RunState& run) {
  if (run.ErrorCount > 0) {
    status.AppendLine("");
    status.AppendLine(CountLine(texts::kErrorLineHead, run.ErrorCount, texts::kErrorLineTail));
  }
  if (run.SkipCount > 0) {
    if (run.ErrorCount <= 0) status.AppendLine("");
    status.AppendLine(CountLine(texts::kSkipLineHead, run.SkipCount, texts::kSkipLineTail));
  }
  status.AppendLine("");
  status.AppendLine(run.CancelRequested ? texts::kCancelled : texts::kFinished);
}

}  // namespace

FolderRunEnd ProcessFolder(Engine& engine, std::string_view folder, std::string_view pattern,
                           bool withSubfolders) {
  Globals& g = engine.globals;
  g.run.CancelRequested = false;
  const std::string top = AddBackslash(folder);
  if (!WriteHeader(engine, top)) return {};
  if (int code = CheckRequest(g.options, pattern); code != 0) {
    g.run.CancelRequested = true;
    return {.code = code};
  }
  return VisitFolder(engine, top, pattern, withSubfolders);
}

RunSummary ProcessRequest(Engine& engine, const RunRequest& request) {
  Globals& g = engine.globals;
  RunState& run = g.run;
  run.ErrorCount = 0;
  run.SkipCount = 0;
  run.FoundCount = 0;
  g.definitions.LoadedFrom = kLoadedFromDummy;

  StatusView& status = engine.status;
  if (request.after_earlier_run) status.AppendLine(texts::kSeparator);
  if (engine.mode == RunMode::kPreview) {
    status.AppendLine(g.options.Inc ? texts::kBannerPreviewIncrement : texts::kBannerPreviewNormal);
  } else {
    status.AppendLine(g.options.Inc ? texts::kBannerIncrement : texts::kBannerNormal);
  }
  const FolderRunEnd end =
      ProcessFolder(engine, request.folder, request.pattern, request.with_subfolders);
  // A cancel asked for during the last file still counts for this run.
  Stopping(engine);
  status.RunEnded();
  WriteClosingLines(status, run);

  RunSummary summary;
  summary.code = end.code;
  if (run.FoundCount == 0 && summary.code == 0) summary.code = frNoFilesFound;
  summary.FoundCount = run.FoundCount;
  summary.ErrorCount = run.ErrorCount;
  summary.SkipCount = run.SkipCount;
  summary.cancelled = run.CancelRequested;
  summary.stopped_in_subfolder = end.in_subfolder;
  return summary;
}

}  // namespace quillet
