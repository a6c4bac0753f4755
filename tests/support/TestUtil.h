#pragma once

// Helpers shared by the tests: Shift-JIS texts, scratch folders, whole-file
// reads and writes, file times and snapshots of a tree.

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

// A fresh temporary folder, removed with all its contents (read-only ones
// included) when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& native() const { return native_; }    // no trailing '/'
  const std::string& windows() const { return windows_; }  // "Z:\...", Shift-JIS, no trailing '\'
  std::string Native(std::string_view relative) const;     // of "sub/app.log"
  std::string Windows(std::string_view relative_utf8) const;

 private:
  std::string native_, windows_;
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

// What a run could change below a folder (itself included), by relative
// name: mode, inode, link count, last-write time, extended attribute names
// and a file's content. Links are not followed; access times are left out.
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
