#pragma once

// A file layer for tests that makes chosen calls fail with a chosen errno: "the
// 3rd write to any path ending in .qu$ fails with ENOSPC".

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/HookedFileSystem.h"

namespace quillet::testing {

struct Fault {
  FsOp op;
  std::string path_suffix;  // Shift-JIS, Windows form; empty matches every path
  int nth = 1;              // fails the nth matching call (1-based) only
  int error = EIO;
  std::optional<platform::OpenMode> mode = std::nullopt;  // kOpen: only opens in this mode
};

class FaultyFileSystem : public HookedFileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& real = platform::PosixFileSystem())
      : HookedFileSystem(real) {}

  void Add(Fault fault) { faults_.emplace_back(std::move(fault), 0); }
  // Whether the fault at `index` (in the order added) fired.
  bool Fired(std::size_t index) const { return faults_[index].second >= faults_[index].first.nth; }

  platform::Status Around(FsCall& call, const std::function<platform::Status()>& real) override {
    std::optional<platform::Status> failure;  // the first fault due on this call
    for (auto& [fault, seen] : faults_) {
      if (fault.op != call.op || !call.path.ends_with(fault.path_suffix)) continue;
      if (call.op == FsOp::kOpen && fault.mode && call.mode != *fault.mode) continue;
      if (++seen == fault.nth && !failure) failure = platform::Status::Failure(fault.error);
    }
    if (!failure) return real();
    if (call.op == FsOp::kClose) real();  // a failing close still releases the file
    return *failure;
  }

 private:
  std::vector<std::pair<Fault, int>> faults_;
};

}  // namespace quillet::testing
