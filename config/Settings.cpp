#include "config/Settings.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ProfileFile.h"
#include "text/AsciiCase.h"

namespace quillet {

namespace {

using Field = std::variant<bool ProcessingOptions::*, std::int32_t ProcessingOptions::*,
                           std::string ProcessingOptions::*, TextCode ProcessingOptions::*>;

struct SettingsKey {
  const char* name;
  Field field;
};

// Every key in the order it is read. The kind of each key is the type of
// its field; its default is the field's value in a fresh record.
const std::array<SettingsKey, 25> kKeys = {{
    {"Trim", &ProcessingOptions::Trim},
    {"SpLine", &ProcessingOptions::SpLine},
    {"Skip", &ProcessingOptions::Skip},
    {"SkipDisp", &ProcessingOptions::SkipDisp},
    {"Time", &ProcessingOptions::Time},
    {"TimeZ", &ProcessingOptions::TimeZ},
    {"BackExt", &ProcessingOptions::BackExt},
    {"Back", &ProcessingOptions::Back},
    {"Inc", &ProcessingOptions::Inc},
    {"IncExt", &ProcessingOptions::IncExt},
    {"F1", &ProcessingOptions::F1},
    {"S1", &ProcessingOptions::S1},
    {"F2", &ProcessingOptions::F2},
    {"S2", &ProcessingOptions::S2},
    {"F3", &ProcessingOptions::F3},
    {"S3", &ProcessingOptions::S3},
    {"F4", &ProcessingOptions::F4},
    {"S4", &ProcessingOptions::S4},
    {"F5", &ProcessingOptions::F5},
    {"S5", &ProcessingOptions::S5},
    {"Editor", &ProcessingOptions::Editor},
    {"Multi", &ProcessingOptions::Multi},
    {"SyoriH", &ProcessingOptions::StatusHeight},
    {"SyoriW", &ProcessingOptions::StatusWidth},
    {"Code", &ProcessingOptions::Code},
}};

// Indexes into kKeys in the order the keys are written: the same as the
// reading order except that "Back" comes before "BackExt".
constexpr std::array<std::size_t, 25> kSaveOrder = {
    0, 1, 2, 3, 4, 5, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

// "%s に書き込めません" (cannot write to %s).
constexpr char kCannotWriteFormat[] =
    "%s \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";

// A value reaches the record cut to 1023 bytes, as a 1024-byte buffer
// with its terminator would hold it.
constexpr std::size_t kMaxValueBytes = 1023;

// Reads `text` as a whole as a signed 32-bit number. "0x" or "0X" before
// at least one more character, or "$" after the optional sign, marks
// hexadecimal digits. Anything else, trailing characters included ("12abc"),
// or a number out of range, is not a number.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string hex = "$" + std::string(text.substr(2));
    return ParseInteger(hex);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  // from_chars would take a second sign; only digits may follow.
  if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
  std::int64_t magnitude = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, magnitude, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string ReadText(const platform::ProfileSnapshot& file, const char* key,
                     std::string_view default_value) {
  return file.Get(kSettingsSection, key, default_value, kMaxValueBytes);
}

// The values of the Code key. Any value but UTF-8 (in any case, with or
// without its hyphen) reads as Shift-JIS, the code of every file before
// the key existed.
constexpr char kShiftJisName[] = "Shift_JIS";
constexpr char kUtf8Name[] = "UTF-8";

TextCode ParseTextCode(std::string_view value) {
  return EqualIgnoringAsciiCase(value, kUtf8Name) || EqualIgnoringAsciiCase(value, "UTF8")
             ? TextCode::kUtf8
             : TextCode::kShiftJis;
}

std::int32_t ReadInteger(const platform::ProfileSnapshot& file, const char* key,
                         std::int32_t default_value) {
  return ParseInteger(ReadText(file, key, "")).value_or(default_value);
}

}  // namespace

void LoadSettings(ProcessingOptions& options, std::string_view ini_path) {
  const ProcessingOptions defaults;
  const platform::ProfileSnapshot file(ini_path);
  for (const SettingsKey& key : kKeys) {
    if (auto flag = std::get_if<bool ProcessingOptions::*>(&key.field)) {
      options.*(*flag) = ReadInteger(file, key.name, defaults.*(*flag) ? 1 : 0) != 0;
    } else if (auto number = std::get_if<std::int32_t ProcessingOptions::*>(&key.field)) {
      options.*(*number) = ReadInteger(file, key.name, defaults.*(*number));
    } else if (auto code = std::get_if<TextCode ProcessingOptions::*>(&key.field)) {
      options.*(*code) = ParseTextCode(ReadText(file, key.name, kShiftJisName));
    } else {
      auto text = std::get<std::string ProcessingOptions::*>(key.field);
      options.*text = ReadText(file, key.name, defaults.*text);
    }
  }
}

bool SaveSettings(const ProcessingOptions& options, std::string_view ini_path) {
  std::vector<platform::ProfileValue> values;
  values.reserve(kSaveOrder.size());
  for (std::size_t index : kSaveOrder) {
    const SettingsKey& key = kKeys[index];
    std::string value;
    if (auto flag = std::get_if<bool ProcessingOptions::*>(&key.field)) {
      value = options.*(*flag) ? "1" : "0";
    } else if (auto number = std::get_if<std::int32_t ProcessingOptions::*>(&key.field)) {
      value = std::to_string(options.*(*number));
    } else if (auto code = std::get_if<TextCode ProcessingOptions::*>(&key.field)) {
      value = options.*(*code) == TextCode::kUtf8 ? kUtf8Name : kShiftJisName;
    } else {
      value = options.*std::get<std::string ProcessingOptions::*>(key.field);
    }
    values.push_back({key.name, std::move(value)});
  }
  return platform::WritePrivateProfileStrings(kSettingsSection, values, ini_path);
}

std::string CannotWriteMessage(std::string_view ini_path) {
  // Put together by hand: a '%' in the path must stay a '%'.
  std::string_view format = kCannotWriteFormat;
  std::size_t at = format.find("%s");
  std::string message(format.substr(0, at));
  message += ini_path;
  message += format.substr(at + 2);
  return message;
}

}  // namespace quillet
