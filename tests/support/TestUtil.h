#pragma once

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

// A fresh temporary folder, removed with all its contents when the object goes.
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

// Whole-file writes (creating parent folders) and reads; a failure fails the test.
void WriteFile(const std::string& native_path, std::string_view bytes);
std::string ReadFile(const std::string& native_path);
bool FileExists(const std::string& native_path);
// Sets access and last-write times, or those of today at a local time of day.
void SetFileTime(const std::string& native_path, std::time_t time);
void SetLocalTimeOfDay(const std::string& native_path, int hour, int minute, int second);

// By relative name, all a run could change below a folder (itself included) but access times.
std::map<std::string, std::string> TreeSnapshot(const std::string& native_folder);

// Whether the file system of `dir` grants a write lease on a file this process holds open.
bool LeasesGranted(const ScratchDir& dir);
// Whether a native path carries the mark of a copy whose rewrite is pending;
// and sets that mark, telling whether the file system took it.
bool HasPendingMark(const std::string& native_path);
bool SetPendingMark(const std::string& native_path);

// The DOS stamp of a local date and time (seconds rounded down to even).
constexpr std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(year - 1980) << 25 |
         static_cast<std::uint32_t>(month << 21 | day << 16 | hour << 11 | minute << 5 |
                                    second / 2);
}

}  // namespace quillet::testing
