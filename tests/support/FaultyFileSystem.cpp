#include "tests/support/FaultyFileSystem.h"

#include <utility>

namespace quillet::testing {

namespace {

// Forwards to the real file unless the file system says this call fails.
class FaultyFile : public platform::File {
 public:
  FaultyFile(std::unique_ptr<platform::File> real, std::string path, FaultyFileSystem& faults)
      : real_(std::move(real)), path_(std::move(path)), faults_(faults) {}

  ssize_t Read(char* buffer, std::size_t size) override {
    return Fails(FsOp::kRead) ? -1 : real_->Read(buffer, size);
  }
  bool Write(const char* data, std::size_t size) override {
    return !Fails(FsOp::kWrite) && real_->Write(data, size);
  }
  std::int64_t Size() override { return Fails(FsOp::kSize) ? -1 : real_->Size(); }
  bool Seek(std::int64_t offset) override { return !Fails(FsOp::kSeek) && real_->Seek(offset); }
  bool Truncate(std::int64_t size) override {
    return !Fails(FsOp::kTruncate) && real_->Truncate(size);
  }
  bool Sync() override { return !Fails(FsOp::kSync) && real_->Sync(); }
  bool GetTime(std::uint32_t& dos_time) override {
    return !Fails(FsOp::kGetTime) && real_->GetTime(dos_time);
  }
  bool SetTime(std::uint32_t dos_time) override {
    return !Fails(FsOp::kSetTime) && real_->SetTime(dos_time);
  }
  bool GetInfo(platform::FileInfo& info) override {
    return !Fails(FsOp::kGetInfo) && real_->GetInfo(info);
  }
  bool SetPending(bool pending) override {
    return !Fails(FsOp::kSetPending) && real_->SetPending(pending);
  }
  bool GetPending(bool& pending) override {
    return !Fails(FsOp::kGetPending) && real_->GetPending(pending);
  }
  // A failing close still releases the file, as a real one does.
  bool Close() override {
    if (!Fails(FsOp::kClose)) return real_->Close();
    int error = errno;
    real_->Close();
    errno = error;
    return false;
  }

 private:
  bool Fails(FsOp op) { return faults_.ShouldFail(op, path_); }

  std::unique_ptr<platform::File> real_;
  std::string path_;
  FaultyFileSystem& faults_;
};

}  // namespace

bool FaultyFileSystem::ShouldFail(FsOp op, std::string_view path, const platform::OpenMode* mode) {
  bool fail = false;
  for (Armed& armed : faults_) {
    const Fault& fault = armed.fault;
    if (fault.op != op || !path.ends_with(fault.path_suffix)) continue;
    if (op == FsOp::kOpen && !fault.any_mode && (mode == nullptr || *mode != fault.mode)) continue;
    ++armed.seen;
    if (armed.seen == fault.nth && !fail) {
      fail = true;
      errno = fault.error;
    }
  }
  return fail;
}

std::unique_ptr<platform::File> FaultyFileSystem::Open(std::string_view path,
                                                       platform::OpenMode mode,
                                                       platform::Links links) {
  if (ShouldFail(FsOp::kOpen, path, &mode)) return nullptr;
  auto real = real_.Open(path, mode, links);
  if (!real) return nullptr;
  return std::make_unique<FaultyFile>(std::move(real), std::string(path), *this);
}

std::unique_ptr<platform::File> FaultyFileSystem::OpenBeside(std::string_view path,
                                                             platform::OpenMode mode,
                                                             const platform::FileInfo& log) {
  if (ShouldFail(FsOp::kOpen, path, &mode)) return nullptr;
  auto real = real_.OpenBeside(path, mode, log);
  if (!real) return nullptr;
  return std::make_unique<FaultyFile>(std::move(real), std::string(path), *this);
}

bool FaultyFileSystem::Exists(std::string_view path) {
  return !ShouldFail(FsOp::kExists, path) && real_.Exists(path);
}

bool FaultyFileSystem::GetAttributes(std::string_view path, platform::Attributes& attributes) {
  return !ShouldFail(FsOp::kGetAttributes, path) && real_.GetAttributes(path, attributes);
}

bool FaultyFileSystem::Rename(std::string_view from, std::string_view to) {
  return !ShouldFail(FsOp::kRename, from) && real_.Rename(from, to);
}

bool FaultyFileSystem::Replace(std::string_view from, std::string_view to) {
  return !ShouldFail(FsOp::kReplace, from) && real_.Replace(from, to);
}

bool FaultyFileSystem::Delete(std::string_view path) {
  return !ShouldFail(FsOp::kDelete, path) && real_.Delete(path);
}

bool FaultyFileSystem::SyncParent(std::string_view path) {
  return !ShouldFail(FsOp::kSyncParent, path) && real_.SyncParent(path);
}

bool FaultyFileSystem::List(std::string_view pattern, platform::ListKind kind,
                            std::vector<platform::DirEntry>& entries) {
  if (ShouldFail(FsOp::kList, pattern)) {
    entries.clear();
    return false;
  }
  return real_.List(pattern, kind, entries);
}

}  // namespace quillet::testing
