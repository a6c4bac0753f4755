#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Descriptors.h"
#include "platform/Path.h"
#include "text/AsciiCase.h"
#include "text/ByteState.h"
#include "text/Separators.h"

namespace quillet::platform {

namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// One line of a profile file, without its line end, and what it holds.
struct ProfileLine {
  enum class Kind { kOther, kSection, kKey };
  std::string_view text;
  Kind kind = Kind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes still on
};

ProfileLine ParseLine(std::string_view text) {
  ProfileLine line;
  line.text = text;
  std::string_view body = Trim(text);
  if (body.empty() || body[0] == ';') return line;
  if (body[0] == '[') {
    std::size_t close = body.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = ProfileLine::Kind::kSection;
      line.name = Trim(body.substr(1, close - 1));
    }
    return line;
  }
  std::size_t equals = body.find('=');
  if (equals == std::string_view::npos) return line;
  line.kind = ProfileLine::Kind::kKey;
  line.name = Trim(body.substr(0, equals));
  line.value = Trim(body.substr(equals + 1));
  return line;
}

// Lines end at LF; a CR before the LF belongs to the line end, as does
// the CR that ends the last line.
std::vector<ProfileLine> SplitLines(std::string_view content) {
  std::vector<ProfileLine> lines;
  while (!content.empty()) {
    std::size_t lf = content.find('\n');
    std::string_view text = content.substr(0, lf);
    content.remove_prefix(lf == std::string_view::npos ? content.size() : lf + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    lines.push_back(ParseLine(text));
  }
  return lines;
}

// Where a section's key would be found or added.
struct KeyPlace {
  bool section_found = false;
  std::size_t key_line = 0;  // the key's line, when key_found
  bool key_found = false;
  std::size_t insert_at = 0;  // after the section's last key line
};

KeyPlace FindKey(const std::vector<ProfileLine>& lines, std::string_view section,
                 std::string_view key) {
  KeyPlace place;
  std::size_t i = 0;
  while (i < lines.size() && !(lines[i].kind == ProfileLine::Kind::kSection &&
                               EqualIgnoringAsciiCase(lines[i].name, section)))
    ++i;
  if (i == lines.size()) return place;
  place.section_found = true;
  place.insert_at = i + 1;
  for (++i; i < lines.size() && lines[i].kind != ProfileLine::Kind::kSection; ++i) {
    if (lines[i].kind != ProfileLine::Kind::kKey) continue;
    place.insert_at = i + 1;
    if (!place.key_found && EqualIgnoringAsciiCase(lines[i].name, key)) {
      place.key_found = true;
      place.key_line = i;
    }
  }
  return place;
}

bool Quoted(std::string_view value) {
  return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

// Reads the whole regular file at `native`. Returns nullopt with errno set
// on failure; ENOENT means the file does not exist. `info` receives the
// file's status.
std::optional<std::string> ReadWhole(const std::string& native, struct stat* info = nullptr) {
  // O_NONBLOCK: a FIFO under the name must not block; it is refused below.
  int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    CloseKeepingErrno(fd);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return std::nullopt;
  }
  if (info != nullptr) *info = st;
  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      CloseKeepingErrno(fd);
      return std::nullopt;
    }
    if (count == 0) break;
    content.append(buffer, static_cast<std::size_t>(count));
  }
  close(fd);
  return content;
}

// A value that would not read back as itself (blanks at either end, or a
// pair of enclosing quotes that reading takes off) is written inside one
// more pair of quotes; reading removes exactly that pair.
std::string EncodeValue(std::string_view value) {
  if (Trim(value).size() != value.size() || Quoted(value)) {
    return "\"" + std::string(value) + "\"";
  }
  return std::string(value);
}

// Names that could not be found again after writing, and line breaks that
// would split a line and plant other keys or sections, are refused.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  auto has_break = [](std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
  };
  if (has_break(section) || has_break(key) || has_break(value)) return false;
  if (Trim(section) != section) return false;
  if (key.empty() || Trim(key) != key || key.find('=') != std::string_view::npos) return false;
  return key[0] != ';' && key[0] != '[';
}

std::string Rebuild(const std::vector<ProfileLine>& lines, std::string_view section,
                    std::string_view key, std::string_view value) {
  KeyPlace place = FindKey(lines, section, key);
  std::string key_line =
      std::string(place.key_found ? lines[place.key_line].name : key) + "=" + EncodeValue(value);
  std::string out;
  auto append = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (place.key_found && i == place.key_line) {
      append(key_line);
      continue;
    }
    if (place.section_found && !place.key_found && i == place.insert_at) append(key_line);
    append(lines[i].text);
  }
  if (!place.section_found) append("[" + std::string(section) + "]");
  if (!place.key_found && (!place.section_found || place.insert_at == lines.size()))
    append(key_line);
  return out;
}

// The folder part of a Windows-form path, up to and with its last
// single-byte '\' (or a drive's ':'); empty when it has none.
std::string_view FolderPart(std::string_view path) {
  const std::size_t separator = FindLastSingleByte(path, "\\:");
  return path.substr(0, separator == std::string_view::npos ? 0 : separator + 1);
}

// Creates a new file beside `target` under a name of its own, `temp_path`.
// It gets the permission bits and, where allowed, the owner of `original`,
// the file it will replace, when there is one. Null with errno set on
// failure.
std::unique_ptr<File> CreateBeside(FileSystem& fs, std::string_view target,
                                   const struct stat* original, std::string& temp_path) {
  const std::string_view folder = FolderPart(target);
  const std::string_view base = target.substr(folder.size());
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    snprintf(suffix, sizeof suffix, ".%d.%u~", static_cast<int>(getpid()), counter++);
    // A leading '.' keeps a stray file out of every listing of the folder run.
    temp_path = std::string(folder) + "." + std::string(base) + suffix;
    Opened opened;
    if (original == nullptr) {
      opened = fs.Open(temp_path, OpenMode::kCreateNew);
    } else {
      const FileInfo like{original->st_uid, original->st_gid,
                          static_cast<mode_t>(original->st_mode & 07777), original->st_nlink};
      opened = fs.OpenBeside(temp_path, OpenMode::kCreateNew, like);
    }
    if (opened.file) return std::move(opened.file);
    errno = opened.status.errno_value();
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// Writes `content` to a new file beside `target`, then renames it over
// `target`. On failure the new file is removed and `target` is untouched.
bool ReplaceFile(FileSystem& fs, std::string_view target, std::string_view content,
                 const struct stat* original) {
  std::string temp_path;
  std::unique_ptr<File> file = CreateBeside(fs, target, original, temp_path);
  if (!file) return false;
  // The new text reaches the disk before its name takes the old file's
  // place, and the folder is flushed after the rename: a power loss at any
  // moment leaves the old file or the new one whole, never an empty one.
  Status status = file->Write(content.data(), content.size());
  if (status) status = file->Sync();
  if (const Status closed = file->Close(); status) status = closed;
  if (status) status = fs.Replace(temp_path, target);
  if (!status) {
    fs.Delete(temp_path);
    errno = status.errno_value();
    return false;
  }
  // The rename is done; a failure to make it durable is not a failure to
  // write, so the folder's flush is not reported.
  fs.SyncParent(target);
  return true;
}

// The file a write replaces, in Windows form: the target of a symbolic link
// rather than the link itself, so that a linked settings file stays shared.
// `native` is the native form of `path`.
std::optional<std::string> ResolveTarget(std::string_view path, const std::string& native) {
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::string(path);
  char* resolved = realpath(native.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::optional<std::string> target = FromNativePath(resolved);
  free(resolved);
  if (!target) errno = EILSEQ;  // a link to a name with no Shift-JIS form
  return target;
}

// The value of `key` in `section` of `content`, without the enclosing
// quotes; a view into `content`.
std::optional<std::string_view> FindValue(std::string_view content, std::string_view section,
                                          std::string_view key) {
  const std::vector<ProfileLine> lines = SplitLines(content);
  const KeyPlace place = FindKey(lines, section, key);
  if (!place.key_found) return std::nullopt;
  std::string_view value = lines[place.key_line].value;
  if (Quoted(value)) value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

ProfileSnapshot::ProfileSnapshot(std::string_view path) {
  if (auto native = ToNativePath(path)) content_ = ReadWhole(*native).value_or(std::string());
}

std::optional<std::string_view> ProfileSnapshot::Find(std::string_view section,
                                                      std::string_view key) const {
  return FindValue(content_, section, key);
}

std::string ProfileSnapshot::Get(std::string_view section, std::string_view key,
                                 std::string_view default_value, std::size_t max_bytes) const {
  const std::string_view result = Find(section, key).value_or(default_value);
  if (result.size() <= max_bytes) return std::string(result);
  // Cut at a character boundary: half a double-byte character would take
  // the next byte of whatever text the value is later joined with.
  return std::string(result.substr(0, WholeCharactersPrefix(result, max_bytes)));
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view default_value, std::string_view path,
                                    std::size_t max_bytes) {
  return ProfileSnapshot(path).Get(section, key, default_value, max_bytes);
}

namespace {

// The file a write replaces, read whole before the write.
struct WriteTarget {
  std::string path;  // Windows form, links resolved
  std::string content;
  bool exists = false;
  struct stat original {};
};

// Reads the file a write of `path` replaces. Nothing, with errno set, when
// it must not be written: no native form, a link that cannot be followed,
// read-only, or present but unreadable.
std::optional<WriteTarget> ReadTarget(std::string_view path) {
  auto native = ToNativePath(path);
  if (!native) {
    errno = ENOENT;
    return std::nullopt;
  }
  std::optional<std::string> target = ResolveTarget(path, *native);
  if (!target) return std::nullopt;
  std::optional<std::string> native_target = ToNativePath(*target);
  if (!native_target) {
    errno = ENOENT;
    return std::nullopt;
  }
  WriteTarget write;
  write.path = *std::move(target);
  std::optional<std::string> content = ReadWhole(*native_target, &write.original);
  write.exists = content.has_value();
  if (write.exists) {
    // The owner-write bit is the read-only attribute; a rename would
    // otherwise replace a read-only file, even for a user who may not
    // write it.
    if ((write.original.st_mode & S_IWUSR) == 0) {
      errno = EACCES;
      return std::nullopt;
    }
    write.content = *std::move(content);
  } else if (errno != ENOENT) {
    return std::nullopt;  // never replace a file that could not be read whole
  }
  return write;
}

// Replaces the target with `rebuilt` unless that is what it already holds.
bool WriteBack(FileSystem& fs, const WriteTarget& target, const std::string& rebuilt) {
  if (target.exists && rebuilt == target.content) return true;
  return ReplaceFile(fs, target.path, rebuilt, target.exists ? &target.original : nullptr);
}

}  // namespace

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view path, FileSystem& fs) {
  if (!Writable(section, key, value)) {
    errno = EINVAL;
    return false;
  }
  std::optional<WriteTarget> target = ReadTarget(path);
  if (!target) return false;
  return WriteBack(fs, *target, Rebuild(SplitLines(target->content), section, key, value));
}

bool WritePrivateProfileStrings(std::string_view section, const std::vector<ProfileValue>& values,
                                std::string_view path, FileSystem& fs) {
  std::optional<WriteTarget> target = ReadTarget(path);
  if (!target) return false;
  std::string rebuilt = target->content;
  for (const ProfileValue& entry : values) {
    if (!Writable(section, entry.key, entry.value)) {
      const bool written = WriteBack(fs, *target, rebuilt);
      errno = written ? EINVAL : errno;
      return false;
    }
    // A key that already reads back as the value keeps its line as it is.
    if (FindValue(rebuilt, section, entry.key) == std::optional<std::string_view>(entry.value))
      continue;
    rebuilt = Rebuild(SplitLines(rebuilt), section, entry.key, entry.value);
  }
  return WriteBack(fs, *target, rebuilt);
}

}  // namespace quillet::platform
