#include "tests/support/PowerLossFileSystem.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "core/FileName.h"
#include "platform/NameCodec.h"
#include "platform/Sjis.h"
#include "tests/support/TestUtil.h"

namespace quillet::testing {

struct PowerLossFileSystem::Model {
  // Each file ever seen (an inode, by number): the states it passed through
  // since its last Sync, the first being the durable one.
  std::vector<std::vector<StoredFile>> files;
  // The folder's name table, by the same rule.
  std::vector<std::map<std::string, std::size_t>> names{{}};

  const StoredFile& Now(std::size_t file) const { return files[file].back(); }
  void Change(std::size_t file, StoredFile state) { files[file].push_back(std::move(state)); }
  void Sync(std::size_t file) { files[file].erase(files[file].begin(), files[file].end() - 1); }

  // The file a name leads to now, or -1.
  long Find(const std::string& name) const {
    const auto found = names.back().find(name);
    return found == names.back().end() ? -1 : static_cast<long>(found->second);
  }
  std::size_t Create(const std::string& name) {
    files.push_back({StoredFile{}});
    Rename({}, name, files.size() - 1);
    return files.size() - 1;
  }
  // Takes `from` away (when not empty) and points `to` at `file` (when not
  // empty), as one change of the folder.
  void Rename(const std::string& from, const std::string& to, std::size_t file) {
    std::map<std::string, std::size_t> table = names.back();
    if (!from.empty()) table.erase(from);
    if (!to.empty()) table[to] = file;
    names.push_back(std::move(table));
  }
};

namespace {

using platform::File;
using platform::OpenMode;
using platform::Status;

constexpr char kPendingName[] = "user.quillet.pending";

// Forwards to the real file and follows each change in the model.
class PowerLossFile : public File {
 public:
  PowerLossFile(std::unique_ptr<File> real, PowerLossFileSystem& fs, long file, bool append)
      : real_(std::move(real)), fs_(fs), file_(file), append_(append) {}

  Status Read(char* buffer, std::size_t size, std::size_t& count) override {
    const Status status = real_->Read(buffer, size, count);
    position_ += static_cast<std::int64_t>(count);
    return Done(status);
  }
  Status Write(const char* data, std::size_t size) override {
    const Status status = real_->Write(data, size);
    if (status && Watched()) {
      StoredFile state = model().Now(Id());
      const std::size_t at = append_ ? state.data.size() : static_cast<std::size_t>(position_);
      if (state.data.size() < at + size) state.data.resize(at + size, '\0');
      std::memcpy(state.data.data() + at, data, size);
      position_ = static_cast<std::int64_t>(at + size);
      model().Change(Id(), std::move(state));
    }
    return Done(status);
  }
  Status Size(std::int64_t& size) override { return Done(real_->Size(size)); }
  Status Seek(std::int64_t offset) override {
    const Status status = real_->Seek(offset);
    if (status) position_ = offset;
    return Done(status);
  }
  Status Truncate(std::int64_t size) override {
    const Status status = real_->Truncate(size);
    if (status && Watched()) {
      StoredFile state = model().Now(Id());
      state.data.resize(static_cast<std::size_t>(size), '\0');
      model().Change(Id(), std::move(state));
    }
    return Done(status);
  }
  Status Sync() override {
    if (Watched()) model().Sync(Id());
    return Done(Status());
  }
  Status GetTime(std::uint32_t& dos_time) override { return Done(real_->GetTime(dos_time)); }
  Status SetTime(std::uint32_t dos_time) override { return Done(real_->SetTime(dos_time)); }
  Status GetInfo(platform::FileInfo& info) override { return Done(real_->GetInfo(info)); }
  Status SetPending(bool pending) override {
    const Status status = real_->SetPending(pending);
    if (status && Watched()) {
      StoredFile state = model().Now(Id());
      state.pending = pending;
      model().Change(Id(), std::move(state));
    }
    return Done(status);
  }
  Status GetPending(bool& pending) override { return Done(real_->GetPending(pending)); }
  Status Close() override { return Done(real_->Close()); }

 private:
  bool Watched() const { return file_ >= 0; }
  std::size_t Id() const { return static_cast<std::size_t>(file_); }
  PowerLossFileSystem::Model& model() { return fs_.model(); }
  // Counts the call once its change is in the model.
  Status Done(Status status) {
    fs_.Called();
    return status;
  }

  std::unique_ptr<File> real_;
  PowerLossFileSystem& fs_;
  long file_;
  bool append_;
  std::int64_t position_ = 0;
};

std::string NativeName(const std::string& name) {
  std::optional<std::string> native = platform::SjisToUtf8(name);
  EXPECT_TRUE(native.has_value()) << name;
  return native.value_or(name);
}

}  // namespace

PowerLossFileSystem::PowerLossFileSystem(std::string folder, std::string native_folder,
                                         platform::FileSystem& real)
    : folder_(std::move(folder)),
      native_folder_(std::move(native_folder)),
      real_(real),
      model_(std::make_unique<Model>()) {
  for (auto& [name, state] : ReadDisk(native_folder_)) {
    model_->files.push_back({state});
    model_->names.back()[name] = model_->files.size() - 1;
  }
}

PowerLossFileSystem::~PowerLossFileSystem() = default;

void PowerLossFileSystem::Called() {
  if (++calls_ == crash_after_) frozen_ = std::make_unique<Model>(*model_);
}

std::string PowerLossFileSystem::WatchedName(std::string_view path) const {
  const std::string_view name = NamePart(path);
  const std::string_view folder = path.substr(0, path.size() - name.size());
  if (name.empty() || folder.size() != folder_.size() + 1 || !folder.starts_with(folder_) ||
      folder.back() != '\\')
    return "";
  return std::string(name);
}

platform::Opened PowerLossFileSystem::Wrap(platform::Opened real, std::string_view path,
                                           OpenMode mode) {
  if (!real.file) {
    Called();
    return real;
  }
  long file = -1;
  if (const std::string name = WatchedName(path); !name.empty()) {
    file = model_->Find(name);
    if (file < 0) {
      EXPECT_TRUE(mode == OpenMode::kCreateTruncate || mode == OpenMode::kCreateNew)
          << "a file that came without a call: " << name;
      file = static_cast<long>(model_->Create(name));
    } else if (mode == OpenMode::kCreateTruncate) {
      StoredFile state = model_->Now(static_cast<std::size_t>(file));
      state.data.clear();
      model_->Change(static_cast<std::size_t>(file), std::move(state));
    }
  }
  real.file =
      std::make_unique<PowerLossFile>(std::move(real.file), *this, file, mode == OpenMode::kAppend);
  Called();
  return real;
}

platform::Opened PowerLossFileSystem::Open(std::string_view path, OpenMode mode,
                                           platform::Links links) {
  return Wrap(real_.Open(path, mode, links), path, mode);
}

platform::Opened PowerLossFileSystem::OpenBeside(std::string_view path, OpenMode mode,
                                                 const platform::FileInfo& log) {
  return Wrap(real_.OpenBeside(path, mode, log), path, mode);
}

bool PowerLossFileSystem::Exists(std::string_view path) {
  const bool exists = real_.Exists(path);
  Called();
  return exists;
}

Status PowerLossFileSystem::GetAttributes(std::string_view path, platform::Attributes& attributes) {
  const Status status = real_.GetAttributes(path, attributes);
  Called();
  return status;
}

Status PowerLossFileSystem::Rename(std::string_view from, std::string_view to) {
  const Status status = real_.Rename(from, to);
  const std::string from_name = WatchedName(from);
  if (status && !from_name.empty()) {
    model_->Rename(from_name, WatchedName(to), static_cast<std::size_t>(model_->Find(from_name)));
  }
  Called();
  return status;
}

Status PowerLossFileSystem::Replace(std::string_view from, std::string_view to) {
  const Status status = real_.Replace(from, to);
  const std::string from_name = WatchedName(from);
  if (status && !from_name.empty()) {
    model_->Rename(from_name, WatchedName(to), static_cast<std::size_t>(model_->Find(from_name)));
  }
  Called();
  return status;
}

Status PowerLossFileSystem::Delete(std::string_view path) {
  const Status status = real_.Delete(path);
  if (const std::string name = WatchedName(path); status && !name.empty())
    model_->Rename(name, "", 0);
  Called();
  return status;
}

Status PowerLossFileSystem::SyncParent(std::string_view path) {
  if (!WatchedName(path).empty())
    model_->names.erase(model_->names.begin(), model_->names.end() - 1);
  Called();
  return {};
}

Status PowerLossFileSystem::List(std::string_view pattern, platform::ListKind kind,
                                 std::vector<platform::DirEntry>& entries) {
  const Status status = real_.List(pattern, kind, entries);
  Called();
  return status;
}

std::vector<DiskImage> PowerLossFileSystem::CrashImages() const {
  const Model& model = frozen_ ? *frozen_ : *model_;
  std::vector<DiskImage> images;
  std::set<DiskImage> seen;
  const auto add = [&](DiskImage image) {
    if (seen.insert(image).second) images.push_back(std::move(image));
  };
  DiskImage durable;
  for (const auto& [name, file] : model.names.front()) durable[name] = model.files[file].front();
  add(std::move(durable));
  // Every state of the folder, with every combination of the states of the
  // files it names (counted through like the digits of a number).
  for (const auto& table : model.names) {
    std::vector<std::size_t> choice(table.size(), 0);
    for (;;) {
      DiskImage image;
      std::size_t digit = 0;
      for (const auto& [name, file] : table) image[name] = model.files[file][choice[digit++]];
      add(std::move(image));
      digit = 0;
      for (const auto& [name, file] : table) {
        if (++choice[digit] < model.files[file].size()) break;
        choice[digit++] = 0;
      }
      if (digit == table.size()) break;
    }
  }
  return images;
}

DiskImage PowerLossFileSystem::Current() const {
  DiskImage image;
  for (const auto& [name, file] : model_->names.back()) image[name] = model_->Now(file);
  return image;
}

void PowerLossFileSystem::WriteDisk(const std::string& native_folder, const DiskImage& image) {
  for (const auto& [name, state] : ReadDisk(native_folder)) {
    ASSERT_EQ(unlink((native_folder + "/" + NativeName(name)).c_str()), 0) << name;
  }
  for (const auto& [name, state] : image) {
    const std::string native = native_folder + "/" + NativeName(name);
    WriteFile(native, state.data);
    if (state.pending) {
      ASSERT_EQ(setxattr(native.c_str(), kPendingName, "1", 1, 0), 0) << name;
    }
  }
}

DiskImage PowerLossFileSystem::ReadDisk(const std::string& native_folder) {
  DiskImage image;
  DIR* dir = opendir(native_folder.c_str());
  EXPECT_NE(dir, nullptr) << native_folder;
  if (dir == nullptr) return image;
  while (const struct dirent* entry = readdir(dir)) {
    const std::string native = native_folder + "/" + entry->d_name;
    struct stat st;
    if (lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    std::optional<std::string> name = platform::NativeNameToSjis(entry->d_name);
    EXPECT_TRUE(name.has_value()) << entry->d_name;
    image[name.value_or(entry->d_name)] = StoredFile{ReadFile(native), HasPendingMark(native)};
  }
  closedir(dir);
  return image;
}

}  // namespace quillet::testing
