#include "tests/support/PowerLossFileSystem.h"

#include <filesystem>
#include <utility>

#include "tests/support/TestUtil.h"

namespace quillet::testing {

PowerLossFileSystem::PowerLossFileSystem(std::string folder, std::string native_folder)
    : HookedFileSystem(platform::PosixFileSystem()),
      folder_(std::move(folder)),
      native_folder_(std::move(native_folder)) {
  for (auto& [name, state] : ReadDisk(native_folder_)) {
    model_.names.back()[name] = model_.files.size();
    model_.files.push_back({state});
  }
}

platform::Status PowerLossFileSystem::Around(FsCall& call,
                                             const std::function<platform::Status()>& real) {
  auto& [files, names] = model_;
  const std::string name = WatchedName(call.path);
  const bool sync = call.op == FsOp::kSync || call.op == FsOp::kSyncParent;
  const platform::Status status = sync ? platform::Status() : real();
  // Points `to` (unless empty) at `file` instead of `from`, as one change of the folder.
  const auto rename = [&](const std::string& from, const std::string& to, std::size_t file) {
    std::map<std::string, std::size_t> table = names.back();
    table.erase(from);
    if (!to.empty()) table[to] = file;
    names.push_back(std::move(table));
  };
  if (status && call.op == FsOp::kOpen) {
    open_.erase(call.file);
    if (!name.empty() && !names.back().contains(name)) {
      files.push_back({StoredFile{}});
      rename("", name, files.size() - 1);
    }
    if (!name.empty()) open_[call.file] = names.back().at(name);
    if (!name.empty() && call.mode == platform::OpenMode::kCreateTruncate) {
      std::vector<StoredFile>& states = files[open_[call.file]];
      states.push_back(states.back());
      states.back().data.clear();
    }
  } else if (status && open_.contains(call.file)) {
    std::vector<StoredFile>& states = files[open_.at(call.file)];
    if (call.op == FsOp::kSync) states.erase(states.begin(), states.end() - 1);
    if (call.op == FsOp::kWrite || call.op == FsOp::kTruncate || call.op == FsOp::kSetPending) {
      states.push_back(states.back());
      StoredFile& state = states.back();
      if (call.op == FsOp::kWrite) state.data += call.data;
      if (call.op == FsOp::kTruncate) state.data.resize(static_cast<std::size_t>(call.number));
      if (call.op == FsOp::kSetPending) state.pending = call.number != 0;
    }
  } else if (status && !name.empty()) {
    if (call.op == FsOp::kRename || call.op == FsOp::kReplace)
      rename(name, WatchedName(call.to), names.back().at(name));
    if (call.op == FsOp::kDelete) rename(name, "", 0);
    if (call.op == FsOp::kSyncParent) names.erase(names.begin(), names.end() - 1);
  }
  if (++calls_ == crash_after_) frozen_ = model_;
  return status;
}

std::set<DiskImage> PowerLossFileSystem::CrashImages() const {
  const Model& model = frozen_ ? *frozen_ : model_;
  std::set<DiskImage> images;
  // Every state of the folder's names, with every combination of the states
  // of the files they name.
  for (const auto& table : model.names) {
    std::vector<DiskImage> partial{{}};
    for (const auto& [name, file] : table) {
      std::vector<DiskImage> longer;
      for (const DiskImage& image : partial) {
        for (const StoredFile& state : model.files[file]) {
          longer.push_back(image);
          longer.back()[name] = state;
        }
      }
      partial = std::move(longer);
    }
    images.insert(partial.begin(), partial.end());
  }
  return images;
}

DiskImage PowerLossFileSystem::ReadDisk(const std::string& native_folder) {
  DiskImage image;
  for (const auto& entry : std::filesystem::directory_iterator(native_folder)) {
    const std::string path = entry.path().string();
    if (entry.is_regular_file())
      image[entry.path().filename()] = {ReadFile(path), HasPendingMark(path)};
  }
  return image;
}

void PowerLossFileSystem::WriteDisk(const std::string& native_folder, const DiskImage& image) {
  for (const auto& entry : ReadDisk(native_folder))
    std::filesystem::remove(native_folder + "/" + entry.first);
  for (const auto& [name, state] : image) {
    const std::string native = native_folder + "/" + name;
    WriteFile(native, state.data);
    if (state.pending) {
      ASSERT_TRUE(SetPendingMark(native)) << name;
    }
  }
}

}  // namespace quillet::testing
