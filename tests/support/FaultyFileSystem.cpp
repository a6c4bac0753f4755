#include "tests/support/FaultyFileSystem.h"

#include <utility>

namespace quillet::testing {

namespace {

using platform::Status;

// Forwards to the real file unless the file system says this call fails.
class FaultyFile : public platform::File {
 public:
  FaultyFile(std::unique_ptr<platform::File> real, std::string path, FaultyFileSystem& faults)
      : real_(std::move(real)), path_(std::move(path)), faults_(faults) {}

  Status Read(char* buffer, std::size_t size, std::size_t& count) override {
    count = 0;
    Status injected = Injected(FsOp::kRead);
    return injected ? real_->Read(buffer, size, count) : injected;
  }
  Status Write(const char* data, std::size_t size) override {
    Status injected = Injected(FsOp::kWrite);
    return injected ? real_->Write(data, size) : injected;
  }
  Status Size(std::int64_t& size) override {
    size = -1;
    Status injected = Injected(FsOp::kSize);
    return injected ? real_->Size(size) : injected;
  }
  Status Seek(std::int64_t offset) override {
    Status injected = Injected(FsOp::kSeek);
    return injected ? real_->Seek(offset) : injected;
  }
  Status Truncate(std::int64_t size) override {
    Status injected = Injected(FsOp::kTruncate);
    return injected ? real_->Truncate(size) : injected;
  }
  Status Sync() override {
    Status injected = Injected(FsOp::kSync);
    return injected ? real_->Sync() : injected;
  }
  Status GetTime(std::uint32_t& dos_time) override {
    Status injected = Injected(FsOp::kGetTime);
    return injected ? real_->GetTime(dos_time) : injected;
  }
  Status SetTime(std::uint32_t dos_time) override {
    Status injected = Injected(FsOp::kSetTime);
    return injected ? real_->SetTime(dos_time) : injected;
  }
  Status GetInfo(platform::FileInfo& info) override {
    Status injected = Injected(FsOp::kGetInfo);
    return injected ? real_->GetInfo(info) : injected;
  }
  Status SetPending(bool pending) override {
    Status injected = Injected(FsOp::kSetPending);
    return injected ? real_->SetPending(pending) : injected;
  }
  Status GetPending(bool& pending) override {
    Status injected = Injected(FsOp::kGetPending);
    return injected ? real_->GetPending(pending) : injected;
  }
  // A failing close still releases the file, as a real one does.
  Status Close() override {
    Status injected = Injected(FsOp::kClose);
    Status closed = real_->Close();
    return injected ? closed : injected;
  }

 private:
  Status Injected(FsOp op) { return faults_.Injected(op, path_); }

  std::unique_ptr<platform::File> real_;
  std::string path_;
  FaultyFileSystem& faults_;
};

}  // namespace

Status FaultyFileSystem::Injected(FsOp op, std::string_view path, const platform::OpenMode* mode) {
  Status injected;
  for (Armed& armed : faults_) {
    const Fault& fault = armed.fault;
    if (fault.op != op || !path.ends_with(fault.path_suffix)) continue;
    if (op == FsOp::kOpen && !fault.any_mode && (mode == nullptr || *mode != fault.mode)) continue;
    ++armed.seen;
    if (armed.seen == fault.nth && injected) injected = Status::Failure(fault.error);
  }
  return injected;
}

platform::Opened FaultyFileSystem::Open(std::string_view path, platform::OpenMode mode,
                                        platform::Links links) {
  if (Status injected = Injected(FsOp::kOpen, path, &mode); !injected) return {nullptr, injected};
  platform::Opened opened = real_.Open(path, mode, links);
  if (opened.file)
    opened.file = std::make_unique<FaultyFile>(std::move(opened.file), std::string(path), *this);
  return opened;
}

platform::Opened FaultyFileSystem::OpenBeside(std::string_view path, platform::OpenMode mode,
                                              const platform::FileInfo& log) {
  if (Status injected = Injected(FsOp::kOpen, path, &mode); !injected) return {nullptr, injected};
  platform::Opened opened = real_.OpenBeside(path, mode, log);
  if (opened.file)
    opened.file = std::make_unique<FaultyFile>(std::move(opened.file), std::string(path), *this);
  return opened;
}

bool FaultyFileSystem::Exists(std::string_view path) {
  return Injected(FsOp::kExists, path) && real_.Exists(path);
}

Status FaultyFileSystem::GetAttributes(std::string_view path, platform::Attributes& attributes) {
  Status injected = Injected(FsOp::kGetAttributes, path);
  return injected ? real_.GetAttributes(path, attributes) : injected;
}

Status FaultyFileSystem::Rename(std::string_view from, std::string_view to) {
  Status injected = Injected(FsOp::kRename, from);
  return injected ? real_.Rename(from, to) : injected;
}

Status FaultyFileSystem::Replace(std::string_view from, std::string_view to) {
  Status injected = Injected(FsOp::kReplace, from);
  return injected ? real_.Replace(from, to) : injected;
}

Status FaultyFileSystem::Delete(std::string_view path) {
  Status injected = Injected(FsOp::kDelete, path);
  return injected ? real_.Delete(path) : injected;
}

Status FaultyFileSystem::SyncParent(std::string_view path) {
  Status injected = Injected(FsOp::kSyncParent, path);
  return injected ? real_.SyncParent(path) : injected;
}

Status FaultyFileSystem::List(std::string_view pattern, platform::ListKind kind,
                              std::vector<platform::DirEntry>& entries) {
  if (Status injected = Injected(FsOp::kList, pattern); !injected) {
    entries.clear();
    return injected;
  }
  return real_.List(pattern, kind, entries);
}

}  // namespace quillet::testing
