#pragma once

// Quillet.ini: the processing options kept from one start to the next, in
// the section "Option", one key per field.

#include <string>
#include <string_view>

#include "core/Global.h"

namespace quillet {

inline constexpr char kSettingsSection[] = "Option";

// Fills every field of `options` from the file at `ini_path` (Windows form),
// key by key; a missing file, key or unreadable value gives the default.
// Never fails.
void LoadSettings(ProcessingOptions& options, std::string_view ini_path);

// Writes all 25 keys in their order. Stops at the first key that cannot be
// written and returns false; the keys after it are not written.
bool SaveSettings(const ProcessingOptions& options, std::string_view ini_path);

// "%s に書き込めません" with the path: the message of a failed save.
std::string CannotWriteMessage(std::string_view ini_path);

}  // namespace quillet
