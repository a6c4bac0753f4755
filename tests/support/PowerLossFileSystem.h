#pragma once

// A file layer for tests that forwards to the real one and keeps, beside
// it, what a power loss would leave of one folder: a killed process cannot
// show that, since the page cache survives a kill.
//
// It holds the least that POSIX promises: a file's contents and extended
// attributes (the pending mark) are durable only after a Sync of that file;
// a name created, renamed or deleted in the folder is durable only after a
// SyncParent of the folder. Each file and the folder keep every state they
// passed through since they were last made durable. A power loss may leave
// each of them in any of those states, independently of the others (for one
// file, its changes survive in the order they were made).
//
// Sync and SyncParent are recorded, not passed on: the model decides what
// is durable, and the test's files need no real flush.
//
// Use: CrashAfter(n) to remember the moment after the nth call, run the
// code to its end, then for each image of CrashImages() Crash(image) writes
// it over the folder and the test looks at what is there.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/HookedFileSystem.h"

namespace quillet::testing {

// A file as a power loss leaves it.
struct StoredFile {
  std::string data;
  bool pending = false;
  auto operator<=>(const StoredFile&) const = default;
};
inline void PrintTo(const StoredFile& file, std::ostream* os) {
  *os << (file.pending ? "marked " : "") << ::testing::PrintToString(file.data);
}

// The regular files of the folder, by name (Shift-JIS).
using DiskImage = std::map<std::string, StoredFile>;

class PowerLossFileSystem : public HookedFileSystem {
 public:
  // Watches the folder with Windows-form path `folder` (no trailing '\')
  // and native path `native_folder`. The regular files in it now count as
  // durable.
  PowerLossFileSystem(std::string folder, std::string native_folder,
                      platform::FileSystem& real = platform::PosixFileSystem());
  ~PowerLossFileSystem() override;

  // File-layer calls made so far, on the file system and its open files.
  int calls() const { return calls_; }
  // Remembers the states as they stand right after call `n` (1-based).
  void CrashAfter(int n) { crash_after_ = n; }
  bool crash_point_reached() const { return frozen_ != nullptr; }

  // Every folder image a power loss at the remembered moment (or now, when
  // none is remembered) may leave.
  std::set<DiskImage> CrashImages() const;
  // Replaces every regular file of the folder with those of `image`. No file
  // of the folder may be open.
  void Crash(const DiskImage& image) { WriteDisk(native_folder_, image); }

  // The regular files of a native folder as they are on disk.
  static DiskImage ReadDisk(const std::string& native_folder);
  // Replaces the regular files of a native folder with those of `image`.
  static void WriteDisk(const std::string& native_folder, const DiskImage& image);

  platform::Status Around(FsCall& call, const std::function<platform::Status()>& real) override;

 private:
  struct Model;
  // The name of `path` when it lies in the watched folder, else empty.
  std::string WatchedName(std::string_view path) const;

  std::string folder_;
  std::string native_folder_;
  std::unique_ptr<Model> model_;
  std::unique_ptr<Model> frozen_;
  int calls_ = 0;
  int crash_after_ = 0;
};

}  // namespace quillet::testing
