#pragma once

// Quillet.ini: the processing options kept from one start to the next, in
// the section "Option", one key per field.

#include <string>
#include <string_view>

#include "core/Global.h"

namespace quillet {

inline constexpr char kSettingsSection[] = "Option";

// Fills every field of `options` from the file at `ini_path` (Windows form),
// read once, key by key; a missing file, key or unreadable value gives the
// default. Never fails.
void LoadSettings(ProcessingOptions& options, std::string_view ini_path);

// Writes the 25 keys in their order, in one replace of the file: only the
// keys that are missing or read back as another value change; the file is
// not written when none does. A key that cannot be written stops there with
// false; the keys before it are written, the keys after it are not.
bool SaveSettings(const ProcessingOptions& options, std::string_view ini_path);

// "%s に書き込めません" with the path: the message of a failed save.
std::string CannotWriteMessage(std::string_view ini_path);

}  // namespace quillet
