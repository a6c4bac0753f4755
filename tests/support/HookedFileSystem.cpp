#include "tests/support/HookedFileSystem.h"

#include <string>
#include <utility>

namespace quillet::testing {
namespace {

using platform::Status;

class HookedFile : public platform::File {
 public:
  HookedFile(std::unique_ptr<platform::File> real, std::string path, HookedFileSystem& fs)
      : real_(std::move(real)), path_(std::move(path)), fs_(fs) {}

  Status Read(char* buffer, std::size_t size, std::size_t& count) override {
    count = 0;
    return On({FsOp::kRead}, [&] { return real_->Read(buffer, size, count); });
  }
  Status Write(const char* data, std::size_t size) override {
    return On({.op = FsOp::kWrite, .data = {data, size}}, [&] { return real_->Write(data, size); });
  }
  Status Size(std::int64_t& size) override {
    size = -1;
    return On({FsOp::kSize}, [&] { return real_->Size(size); });
  }
  Status Seek(std::int64_t offset) override {
    return On({FsOp::kSeek}, [&] { return real_->Seek(offset); });
  }
  Status Truncate(std::int64_t size) override {
    return On({.op = FsOp::kTruncate, .number = size}, [&] { return real_->Truncate(size); });
  }
  Status Sync() override {
    return On({FsOp::kSync}, [&] { return real_->Sync(); });
  }
  Status GetTime(std::uint32_t& dos_time) override {
    return On({FsOp::kGetTime}, [&] { return real_->GetTime(dos_time); });
  }
  Status SetTime(std::uint32_t dos_time) override {
    return On({FsOp::kSetTime}, [&] { return real_->SetTime(dos_time); });
  }
  Status GetInfo(platform::FileInfo& info) override {
    return On({FsOp::kGetInfo}, [&] { return real_->GetInfo(info); });
  }
  Status SetPending(bool pending) override {
    return On({.op = FsOp::kSetPending, .number = pending},
              [&] { return real_->SetPending(pending); });
  }
  Status GetPending(bool& pending) override {
    return On({FsOp::kGetPending}, [&] { return real_->GetPending(pending); });
  }
  Status Close() override {
    return On({FsOp::kClose}, [&] { return real_->Close(); });
  }

 private:
  Status On(FsCall call, const std::function<Status()>& real) {
    call.path = path_;
    call.file = real_.get();
    return fs_.Around(call, real);
  }

  std::unique_ptr<platform::File> real_;
  std::string path_;
  HookedFileSystem& fs_;
};

}  // namespace

platform::Opened HookedFileSystem::Hooked(std::string_view path, platform::OpenMode mode,
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
