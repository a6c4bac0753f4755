#pragma once

// A file layer for tests that passes the calls on files, and on the files it
// opens, to the real one through Around(), which a test layer overrides.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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
  using Status = platform::Status;
  explicit HookedFileSystem(platform::FileSystem& real) : real_(real) {}

  // Makes the call `real` stands for, or not, and gives its outcome.
  virtual Status Around(FsCall& call, const std::function<Status()>& real) = 0;

  platform::Opened Open(std::string_view path, platform::OpenMode mode,
                        platform::Links links = platform::Links::kFollow) override {
    return Hooked(path, mode, [&] { return real_.Open(path, mode, links); });
  }
  platform::Opened OpenBeside(std::string_view path, platform::OpenMode mode,
                              const platform::FileInfo& log) override {
    return Hooked(path, mode, [&] { return real_.OpenBeside(path, mode, log); });
  }
  bool Exists(std::string_view path) override { return real_.Exists(path); }
  Status GetAttributes(std::string_view path, platform::Attributes& attributes) override {
    return real_.GetAttributes(path, attributes);
  }
  Status List(std::string_view pattern, platform::ListKind kind,
              std::vector<platform::DirEntry>& entries) override {
    return real_.List(pattern, kind, entries);
  }
  Status Rename(std::string_view from, std::string_view to) override {
    return Hook({.op = FsOp::kRename, .path = from, .to = to}, &FileSystem::Rename, from, to);
  }
  Status Replace(std::string_view from, std::string_view to) override {
    return Hook({.op = FsOp::kReplace, .path = from, .to = to}, &FileSystem::Replace, from, to);
  }
  Status Delete(std::string_view p) override {
    return Hook({FsOp::kDelete, p}, &FileSystem::Delete, p);
  }
  Status SyncParent(std::string_view p) override {
    return Hook({FsOp::kSyncParent, p}, &FileSystem::SyncParent, p);
  }

 private:
  template <typename... P, typename... A>
  Status Hook(FsCall call, Status (FileSystem::*f)(P...), A&&... args) {
    return Around(call, [&] { return (real_.*f)(args...); });
  }
  platform::Opened Hooked(std::string_view path, platform::OpenMode mode,
                          const std::function<platform::Opened()>& open);

  platform::FileSystem& real_;
};

// A file whose calls go through its file system's Around().
class HookedFile : public platform::File {
 public:
  using Status = platform::Status;
  HookedFile(std::unique_ptr<File> real, std::string path, HookedFileSystem& fs)
      : real_(std::move(real)), path_(std::move(path)), fs_(fs) {}

  Status Read(char* buffer, std::size_t size, std::size_t& count) override {
    count = 0;
    return On({FsOp::kRead}, &File::Read, buffer, size, count);
  }
  Status Write(const char* data, std::size_t size) override {
    return On({.op = FsOp::kWrite, .data = {data, size}}, &File::Write, data, size);
  }
  Status Size(std::int64_t& size) override {
    size = -1;
    return On({FsOp::kSize}, &File::Size, size);
  }
  Status Seek(std::int64_t offset) override { return On({FsOp::kSeek}, &File::Seek, offset); }
  Status Truncate(std::int64_t n) override {
    return On({.op = FsOp::kTruncate, .number = n}, &File::Truncate, n);
  }
  Status Sync() override { return On({FsOp::kSync}, &File::Sync); }
  Status GetTime(std::uint32_t& t) override { return On({FsOp::kGetTime}, &File::GetTime, t); }
  Status SetTime(std::uint32_t t) override { return On({FsOp::kSetTime}, &File::SetTime, t); }
  Status GetInfo(platform::FileInfo& i) override { return On({FsOp::kGetInfo}, &File::GetInfo, i); }
  Status SetPending(bool p) override {
    return On({.op = FsOp::kSetPending, .number = p}, &File::SetPending, p);
  }
  Status GetPending(bool& p) override { return On({FsOp::kGetPending}, &File::GetPending, p); }
  Status Close() override { return On({FsOp::kClose}, &File::Close); }

 private:
  template <typename... P, typename... A>
  Status On(FsCall call, Status (File::*f)(P...), A&&... args) {
    call.path = path_;
    call.file = real_.get();
    return fs_.Around(call, [&] { return (*real_.*f)(args...); });
  }

  std::unique_ptr<File> real_;
  std::string path_;
  HookedFileSystem& fs_;
};

inline platform::Opened HookedFileSystem::Hooked(std::string_view path, platform::OpenMode mode,
                                                 const std::function<platform::Opened()>& open) {
  platform::Opened opened;
  FsCall call{.op = FsOp::kOpen, .path = path, .mode = mode};
  const Status status = Around(call, [&] {
    opened = open();
    call.file = opened.file.get();
    return opened.status;
  });
  if (!status) return {nullptr, status};
  opened.file = std::make_unique<HookedFile>(std::move(opened.file), std::string(path), *this);
  return opened;
}

}  // namespace quillet::testing
