#include "tests/support/PowerLossFileSystem.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <utility>

#include "platform/NameCodec.h"
#include "platform/Sjis.h"
#include "tests/support/TestUtil.h"

namespace quillet::testing {

struct PowerLossFileSystem::Model {
  // Each file ever seen: the states it passed through since its last Sync,
  // the first being the durable one.
  std::vector<std::vector<StoredFile>> files;
  // The folder's name table, by the same rule.
  std::vector<std::map<std::string, std::size_t>> names{{}};
  // Each open file: the file it is (-1 outside the folder), whether it
  // appends, and its position.
  struct Open {
    long file;
    bool append;
    std::int64_t position = 0;
  };
  std::map<const platform::File*, Open> open;

  long Find(const std::string& name) const {
    const auto found = names.back().find(name);
    return found == names.back().end() ? -1 : static_cast<long>(found->second);
  }
  // Takes `from` away (when not empty) and points `to` at `file` (when not
  // empty), as one change of the folder.
  void Rename(const std::string& from, const std::string& to, long file) {
    std::map<std::string, std::size_t> table = names.back();
    if (!from.empty()) table.erase(from);
    if (!to.empty()) table[to] = static_cast<std::size_t>(file);
    names.push_back(std::move(table));
  }
  template <typename Edit>
  void Change(long file, Edit edit) {
    if (file < 0) return;
    std::vector<StoredFile>& states = files[static_cast<std::size_t>(file)];
    states.push_back(states.back());
    edit(states.back());
  }
};

PowerLossFileSystem::PowerLossFileSystem(std::string folder, std::string native_folder,
                                         platform::FileSystem& real)
    : HookedFileSystem(real),
      folder_(std::move(folder)),
      native_folder_(std::move(native_folder)),
      model_(std::make_unique<Model>()) {
  for (auto& [name, state] : ReadDisk(native_folder_)) {
    model_->names.back()[name] = model_->files.size();
    model_->files.push_back({state});
  }
}

PowerLossFileSystem::~PowerLossFileSystem() = default;

std::string PowerLossFileSystem::WatchedName(std::string_view path) const {
  const std::string_view name = path.substr(path.rfind('\\') + 1);
  const bool watched = !name.empty() && path == folder_ + "\\" + std::string(name);
  return watched ? std::string(name) : "";
}

platform::Status PowerLossFileSystem::Around(FsCall& call,
                                             const std::function<platform::Status()>& real) {
  Model& model = *model_;
  const std::string name = WatchedName(call.path);
  const bool sync = call.op == FsOp::kSync || call.op == FsOp::kSyncParent;
  const platform::Status status = sync ? platform::Status() : real();
  Model::Open* open = model.open.contains(call.file) ? &model.open.at(call.file) : nullptr;
  if (status && call.op == FsOp::kOpen && call.file != nullptr) {
    long file = name.empty() ? -1 : model.Find(name);
    if (!name.empty() && file < 0) {
      file = static_cast<long>(model.files.size());
      model.files.push_back({StoredFile{}});
      model.Rename("", name, file);
    } else if (*call.mode == platform::OpenMode::kCreateTruncate) {
      model.Change(file, [](StoredFile& state) { state.data.clear(); });
    }
    model.open[call.file] = {file, *call.mode == platform::OpenMode::kAppend};
  } else if (status && open != nullptr) {
    switch (call.op) {
      case FsOp::kRead:
        open->position += static_cast<std::int64_t>(*call.count);
        break;
      case FsOp::kSeek:
        open->position = call.number;
        break;
      case FsOp::kWrite:
        model.Change(open->file, [&](StoredFile& state) {
          const std::size_t at =
              open->append ? state.data.size() : static_cast<std::size_t>(open->position);
          if (state.data.size() < at) state.data.resize(at, '\0');
          state.data.replace(at, call.data.size(), call.data);
          open->position = static_cast<std::int64_t>(at + call.data.size());
        });
        break;
      case FsOp::kTruncate:
        model.Change(open->file, [&](StoredFile& state) {
          state.data.resize(static_cast<std::size_t>(call.number), '\0');
        });
        break;
      case FsOp::kSetPending:
        model.Change(open->file, [&](StoredFile& state) { state.pending = call.number != 0; });
        break;
      case FsOp::kSync:
        if (open->file >= 0) {
          std::vector<StoredFile>& states = model.files[static_cast<std::size_t>(open->file)];
          states.erase(states.begin(), states.end() - 1);
        }
        break;
      default:
        break;
    }
  } else if (status && !name.empty()) {
    if (call.op == FsOp::kRename || call.op == FsOp::kReplace)
      model.Rename(name, WatchedName(call.to), model.Find(name));
    if (call.op == FsOp::kDelete) model.Rename(name, "", 0);
    if (call.op == FsOp::kSyncParent) model.names.erase(model.names.begin(), model.names.end() - 1);
  }
  if (++calls_ == crash_after_) frozen_ = std::make_unique<Model>(model);
  return status;
}

std::set<DiskImage> PowerLossFileSystem::CrashImages() const {
  const Model& model = frozen_ ? *frozen_ : *model_;
  std::set<DiskImage> images;
  // Every state of the folder, with every combination of the states of the
  // files it names (counted through like the digits of a number).
  for (const auto& table : model.names) {
    std::vector<std::size_t> choice(table.size(), 0);
    for (;;) {
      DiskImage image;
      std::size_t digit = 0;
      for (const auto& [name, file] : table) image[name] = model.files[file][choice[digit++]];
      images.insert(std::move(image));
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

DiskImage PowerLossFileSystem::ReadDisk(const std::string& native_folder) {
  DiskImage image;
  DIR* dir = opendir(native_folder.c_str());
  EXPECT_NE(dir, nullptr) << native_folder;
  while (const struct dirent* entry = dir != nullptr ? readdir(dir) : nullptr) {
    const std::string native = native_folder + "/" + entry->d_name;
    struct stat st;
    if (lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    std::optional<std::string> name = platform::NativeNameToSjis(entry->d_name);
    EXPECT_TRUE(name.has_value()) << entry->d_name;
    image[name.value_or(entry->d_name)] = StoredFile{ReadFile(native), HasPendingMark(native)};
  }
  if (dir != nullptr) closedir(dir);
  return image;
}

void PowerLossFileSystem::WriteDisk(const std::string& native_folder, const DiskImage& image) {
  for (const auto& [name, state] : ReadDisk(native_folder)) {
    ASSERT_EQ(unlink((native_folder + "/" + *platform::SjisToUtf8(name)).c_str()), 0) << name;
  }
  for (const auto& [name, state] : image) {
    const std::string native = native_folder + "/" + *platform::SjisToUtf8(name);
    WriteFile(native, state.data);
    if (state.pending) {
      ASSERT_EQ(setxattr(native.c_str(), "user.quillet.pending", "1", 1, 0), 0) << name;
    }
  }
}

}  // namespace quillet::testing
