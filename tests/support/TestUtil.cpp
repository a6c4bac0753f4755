#include "tests/support/TestUtil.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "platform/Path.h"
#include "platform/Sjis.h"

namespace quillet::testing {

namespace fs = std::filesystem;

std::string Sjis(std::string_view utf8) {
  auto sjis = platform::Utf8ToSjis(utf8);
  EXPECT_TRUE(sjis.has_value()) << "no CP932 form: " << utf8;
  return sjis.value_or(std::string());
}

std::string LoadLine(int count) {
  return Sjis("定義ファイルから " + std::to_string(count) + "行読み込みました.");
}

ScratchDir::ScratchDir() {
  native_ = (fs::temp_directory_path() / "quillet-test-XXXXXX").string();
  if (mkdtemp(native_.data()) == nullptr) std::abort();
  windows_ = platform::FromNativePath(native_).value();
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(native_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink()) chmod(it->path().c_str(), 0755);
  }
  fs::remove_all(native_, ec);
}

std::string ScratchDir::Native(std::string_view relative) const {
  return native_ + "/" + std::string(relative);
}

std::string ScratchDir::Windows(std::string_view relative_utf8) const {
  std::string rel = Sjis(relative_utf8);
  std::replace(rel.begin(), rel.end(), '/', '\\');
  return windows_ + "\\" + rel;
}

void WriteFile(const std::string& native_path, std::string_view bytes) {
  fs::create_directories(fs::path(native_path).parent_path());
  std::ofstream out(native_path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << native_path;
}

std::string ReadFile(const std::string& native_path) {
  std::ifstream in(native_path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << native_path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& native_path) {
  struct stat st;
  return lstat(native_path.c_str(), &st) == 0;
}

void SetFileTime(const std::string& native_path, std::time_t time) {
  const timespec times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, native_path.c_str(), times, 0), 0) << native_path;
}

void SetLocalTimeOfDay(const std::string& native_path, int hour, int minute, int second) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::tie(tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_isdst) = std::tuple(hour, minute, second, -1);
  SetFileTime(native_path, mktime(&tm));
}

std::map<std::string, std::string> TreeSnapshot(const std::string& native_folder) {
  std::map<std::string, std::string> entries;
  const auto add = [&](const fs::path& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    std::string facts = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " " +
                        std::to_string(st.st_nlink) + " " + std::to_string(st.st_mtim.tv_sec) +
                        "." + std::to_string(st.st_mtim.tv_nsec);
    char names[1024];
    const ssize_t size = llistxattr(path.c_str(), names, sizeof names);
    if (size > 0) facts += " xattr:" + std::string(names, static_cast<std::size_t>(size));
    if (S_ISREG(st.st_mode)) facts += " " + ReadFile(path.string());
    entries[path.lexically_relative(native_folder).string()] = facts;
  };
  add(native_folder);
  for (const auto& entry : fs::recursive_directory_iterator(native_folder)) add(entry.path());
  return entries;
}

bool LeasesGranted(const ScratchDir& dir) {
  WriteFile(dir.Native("probe"), "");
  const int fd = open(dir.Native("probe").c_str(), O_RDWR | O_CLOEXEC);
  const bool granted = fd >= 0 && fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
  if (fd >= 0) close(fd);
  unlink(dir.Native("probe").c_str());
  return granted;
}

constexpr char kPendingMark[] = "user.quillet.pending";

bool HasPendingMark(const std::string& native_path) {
  return getxattr(native_path.c_str(), kPendingMark, nullptr, 0) >= 0;
}

bool SetPendingMark(const std::string& native_path) {
  return setxattr(native_path.c_str(), kPendingMark, "1", 1, 0) == 0;
}

}  // namespace quillet::testing
