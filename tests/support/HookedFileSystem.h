#pragma once

// A file layer for tests that forwards every call, on the file system and on
// the files it opens, to the real one through one function, Around(), which
// a test layer overrides to fail or watch calls.

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
  kExists,
  kGetAttributes,
  kRename,   // with the source path
  kReplace,  // with the source path
  kDelete,
  kSyncParent,
  kList,
};

struct FsCall {
  FsOp op;
  // The path the call names; for a call on an open file, the path it was
  // opened by.
  std::string_view path = {};
  // The real file of a call on an open file, or that an open gave.
  platform::File* file = nullptr;
  const platform::OpenMode* mode = nullptr;  // kOpen
  std::string_view to = {};                  // kRename, kReplace
  std::string_view data = {};                // kWrite
  std::int64_t number = 0;                   // kSeek, kTruncate, kSetPending
  const std::size_t* count = nullptr;        // kRead, once made
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
  bool Exists(std::string_view path) override {
    return Hook(FsOp::kExists, path,
                [&] {
                  return real_.Exists(path) ? platform::Status()
                                            : platform::Status::Failure(ENOENT);
                })
        .ok();
  }
  platform::Status GetAttributes(std::string_view path, platform::Attributes& attributes) override {
    return Hook(FsOp::kGetAttributes, path, [&] { return real_.GetAttributes(path, attributes); });
  }
  platform::Status Rename(std::string_view from, std::string_view to) override {
    FsCall call{FsOp::kRename, from, nullptr, nullptr, to};
    return Around(call, [&] { return real_.Rename(from, to); });
  }
  platform::Status Replace(std::string_view from, std::string_view to) override {
    FsCall call{FsOp::kReplace, from, nullptr, nullptr, to};
    return Around(call, [&] { return real_.Replace(from, to); });
  }
  platform::Status Delete(std::string_view path) override {
    return Hook(FsOp::kDelete, path, [&] { return real_.Delete(path); });
  }
  platform::Status SyncParent(std::string_view path) override {
    return Hook(FsOp::kSyncParent, path, [&] { return real_.SyncParent(path); });
  }
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override {
    const platform::Status status =
        Hook(FsOp::kList, pattern, [&] { return real_.List(pattern, kind, entries); });
    if (!status) entries.clear();
    return status;
  }

 private:
  platform::Status Hook(FsOp op, std::string_view path,
                        const std::function<platform::Status()>& real) {
    FsCall call{op, path};
    return Around(call, real);
  }
  platform::Opened Hooked(std::string_view path, platform::OpenMode mode,
                          const std::function<platform::Opened()>& open);

  platform::FileSystem& real_;
};

}  // namespace quillet::testing
