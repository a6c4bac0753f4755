#pragma once

// A file layer for tests that forwards to the real one and makes chosen
// operations fail with a chosen errno: "the 3rd write to any path ending in
// .qu$ fails with ENOSPC".

#include <cerrno>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace quillet::testing {

enum class FsOp {
  kOpen,
  kRead,
  kWrite,
  kClose,
  kSize,
  kSeek,
  kTruncate,
  kSync,
  kGetTime,
  kSetTime,
  kGetInfo,
  kSetPending,
  kGetPending,
  kExists,
  kGetAttributes,
  kRename,   // matched against the source path
  kReplace,  // matched against the source path
  kDelete,
  kSyncParent,
  kList,
};

struct Fault {
  FsOp op;
  // The fault applies to paths that end with this text (Shift-JIS, Windows
  // form); empty matches every path.
  std::string path_suffix;
  // Fails the nth matching call (1-based) only.
  int nth = 1;
  int error = EIO;
  // For kOpen (which also covers OpenBeside) only: restrict to one mode;
  // otherwise any mode.
  bool any_mode = true;
  platform::OpenMode mode = platform::OpenMode::kRead;
};

class FaultyFileSystem : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& real = platform::PosixFileSystem())
      : real_(real) {}

  void Add(Fault fault) { faults_.push_back({std::move(fault), 0}); }
  // Whether the fault at `index` (in the order added) fired.
  bool Fired(std::size_t index) const { return faults_[index].seen >= faults_[index].fault.nth; }

  platform::Opened Open(std::string_view path, platform::OpenMode mode,
                        platform::Links links = platform::Links::kFollow) override;
  platform::Opened OpenBeside(std::string_view path, platform::OpenMode mode,
                              const platform::FileInfo& log) override;
  bool Exists(std::string_view path) override;
  platform::Status GetAttributes(std::string_view path, platform::Attributes& attributes) override;
  platform::Status Rename(std::string_view from, std::string_view to) override;
  platform::Status Replace(std::string_view from, std::string_view to) override;
  platform::Status Delete(std::string_view path) override;
  platform::Status SyncParent(std::string_view path) override;
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override;

  // The failure this call must give, or success when it goes through. Used
  // by the file wrapper.
  platform::Status Injected(FsOp op, std::string_view path,
                            const platform::OpenMode* mode = nullptr);

 private:
  struct Armed {
    Fault fault;
    int seen;
  };
  platform::FileSystem& real_;
  std::vector<Armed> faults_;
};

}  // namespace quillet::testing
