#pragma once

// A file layer for tests that passes the calls that change or read files, on
// the file system and on the files it opens, to the real one through one
// function, Around(), which a test layer overrides to fail or watch them.

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace quillet::testing {

enum class FsOp {
  kOpen,  // also OpenBeside
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
  kRename,   // path: the source
  kReplace,  // path: the source
  kDelete,
  kSyncParent,
};

struct FsCall {
  FsOp op;
  std::string_view path = {};      // on an open file: the path it was opened by
  platform::File* file = nullptr;  // the real file called, or that an open gave
  platform::OpenMode mode = {};    // kOpen
  std::string_view to = {};        // kRename, kReplace
  std::string_view data = {};      // kWrite
  std::int64_t number = 0;         // kTruncate, kSetPending
};

class HookedFileSystem : public platform::FileSystem {
 public:
  explicit HookedFileSystem(platform::FileSystem& real) : real_(real) {}

  // Makes the call `real` stands for, or not, and gives its outcome.
  virtual platform::Status Around(FsCall& call, const std::function<platform::Status()>& real) {
    static_cast<void>(call);
    return real();
  }

  platform::Opened Open(std::string_view path, platform::OpenMode mode,
                        platform::Links links = platform::Links::kFollow) override {
    return Hooked(path, mode, [&] { return real_.Open(path, mode, links); });
  }
  platform::Opened OpenBeside(std::string_view path, platform::OpenMode mode,
                              const platform::FileInfo& log) override {
    return Hooked(path, mode, [&] { return real_.OpenBeside(path, mode, log); });
  }
  bool Exists(std::string_view path) override { return real_.Exists(path); }
  platform::Status GetAttributes(std::string_view path, platform::Attributes& attributes) override {
    return real_.GetAttributes(path, attributes);
  }
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override {
    return real_.List(pattern, kind, entries);
  }
  platform::Status Rename(std::string_view from, std::string_view to) override {
    return Hook({.op = FsOp::kRename, .path = from, .to = to},
                [&] { return real_.Rename(from, to); });
  }
  platform::Status Replace(std::string_view from, std::string_view to) override {
    return Hook({.op = FsOp::kReplace, .path = from, .to = to},
                [&] { return real_.Replace(from, to); });
  }
  platform::Status Delete(std::string_view path) override {
    return Hook({FsOp::kDelete, path}, [&] { return real_.Delete(path); });
  }
  platform::Status SyncParent(std::string_view path) override {
    return Hook({FsOp::kSyncParent, path}, [&] { return real_.SyncParent(path); });
  }

 private:
  platform::Status Hook(FsCall call, const std::function<platform::Status()>& real) {
    return Around(call, real);
  }
  platform::Opened Hooked(std::string_view path, platform::OpenMode mode,
                          const std::function<platform::Opened()>& open);

  platform::FileSystem& real_;
};

}  // namespace quillet::testing
