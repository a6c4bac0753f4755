#pragma once

// A file layer for tests that forwards to the real one and makes chosen
// calls fail with a chosen errno: "the 3rd write to any path ending in
// .qu$ fails with ENOSPC".

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/HookedFileSystem.h"

namespace quillet::testing {

struct Fault {
  FsOp op;
  // The fault applies to paths that end with this text (Shift-JIS, Windows
  // form); empty matches every path.
  std::string path_suffix;
  // Fails the nth matching call (1-based) only.
  int nth = 1;
  int error = EIO;
  // For kOpen only: restrict to one mode; otherwise any mode.
  bool any_mode = true;
  platform::OpenMode mode = platform::OpenMode::kRead;
};

class FaultyFileSystem : public HookedFileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& real = platform::PosixFileSystem())
      : HookedFileSystem(real) {}

  void Add(Fault fault) { faults_.push_back({std::move(fault), 0}); }
  // Whether the fault at `index` (in the order added) fired.
  bool Fired(std::size_t index) const { return faults_[index].seen >= faults_[index].fault.nth; }

  platform::Status Around(FsCall& call, const std::function<platform::Status()>& real) override;

 private:
  struct Armed {
    Fault fault;
    int seen;
  };
  std::vector<Armed> faults_;
};

}  // namespace quillet::testing
