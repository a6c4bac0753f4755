#pragma once

// Helpers shared by the tests: Shift-JIS expectations built from UTF-8,
// scratch folders on disk, whole-file reads and writes, and file times.

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>

namespace quillet::testing {

// The CP932 bytes of a UTF-8 text (fails the test when it has none).
std::string Sjis(std::string_view utf8);
// The status line that reports `count` definitions loaded.
std::string LoadLine(int count);

// A fresh folder under the system's temporary folder, removed with all its
// contents (read-only entries included) when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Native path, no trailing '/'.
  const std::string& native() const { return native_; }
  // Windows form on drive Z:, Shift-JIS, no trailing '\'.
  const std::string& windows() const { return windows_; }
  // Native path of a relative name ("sub/app.log").
  std::string Native(std::string_view relative) const;
  // Windows form of a relative name given with '/' separators, in UTF-8.
  std::string Windows(std::string_view relative_utf8) const;

 private:
  std::string native_;
  std::string windows_;
};

// Writes `bytes` to the native path, creating parent folders.
void WriteFile(const std::string& native_path, std::string_view bytes);
// The whole content of a native path; fails the test when it cannot be read.
std::string ReadFile(const std::string& native_path);
bool FileExists(const std::string& native_path);
// Sets a native path's access and last-write times; fails the test on error.
void SetFileTime(const std::string& native_path, std::time_t time);
// Sets a native path's times to today at the given local time of day.
void SetLocalTimeOfDay(const std::string& native_path, int hour, int minute, int second);

// What a run could change below a folder, the folder itself included, by
// relative name: kind and permission bits, inode, link count, last-write
// time, extended attribute names and, for files, content. Links are not
// followed; the access time is left out (reading sets it).
std::map<std::string, std::string> TreeSnapshot(const std::string& native_folder);

// Whether the file system of `dir` grants a write lease on a file this
// process holds open alone (without one, only other runs are kept out).
bool LeasesGranted(const ScratchDir& dir);
// Whether a native path carries the mark of a copy whose rewrite is pending.
bool HasPendingMark(const std::string& native_path);

// The DOS stamp of a local date and time (seconds rounded down to even).
constexpr std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(year - 1980) << 25 |
         static_cast<std::uint32_t>(month << 21 | day << 16 | hour << 11 | minute << 5 |
                                    second / 2);
}

}  // namespace quillet::testing
