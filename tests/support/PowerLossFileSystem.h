#pragma once

// A file layer for tests that keeps what a power loss would leave of one folder
// (a kill cannot show it). A file's data and mark are durable after its Sync, a
// name change after a SyncParent; until then each may be left in any state it
// passed through. Syncs are only recorded; writes are taken to append.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/HookedFileSystem.h"

namespace quillet::testing {

struct StoredFile {
  std::string data;
  bool pending = false;
  auto operator<=>(const StoredFile&) const = default;
};
inline void PrintTo(const StoredFile& file, std::ostream* os) {
  *os << (file.pending ? "marked " : "") << ::testing::PrintToString(file.data);
}

// The regular files of a folder, by name.
using DiskImage = std::map<std::string, StoredFile>;

class PowerLossFileSystem : public HookedFileSystem {
 public:
  // Watches `folder` (Windows form), natively `native_folder`; its files now count as durable.
  PowerLossFileSystem(std::string folder, std::string native_folder);

  int calls() const { return calls_; }
  // Remembers the states as they stand right after call `n` (1-based).
  void CrashAfter(int n) { crash_after_ = n; }
  // Every image of the folder a power loss at the remembered moment may leave.
  std::set<DiskImage> CrashImages() const;

  static DiskImage ReadDisk(const std::string& native_folder);
  // Replaces the regular files of a native folder with those of `image`.
  static void WriteDisk(const std::string& native_folder, const DiskImage& image);

  platform::Status Around(FsCall& call, const std::function<platform::Status()>& real) override;

 private:
  struct Model {
    // Each file ever seen: its states since its last Sync, the first durable.
    std::vector<std::vector<StoredFile>> files;
    // The folder's names (an index into files), by the same rule.
    std::vector<std::map<std::string, std::size_t>> names{{}};
  };
  std::string WatchedName(std::string_view path) const {  // in the folder, else ""
    const std::string name(path.substr(path.rfind('\\') + 1));
    return !name.empty() && path == folder_ + "\\" + name ? name : "";
  }

  std::string folder_;
  std::string native_folder_;
  Model model_;
  std::optional<Model> frozen_;
  std::map<const platform::File*, std::size_t> open_;  // each open file of the folder: its index
  int calls_ = 0;
  int crash_after_ = 0;
};

}  // namespace quillet::testing
