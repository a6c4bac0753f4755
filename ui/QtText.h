#pragma once

// The edge between Shift-JIS texts and Qt's display: every text shown in a
// widget goes through ToQString, every text read back from one through
// FromQString.

#include <QString>
#include <string>
#include <string_view>

namespace quillet::ui {

// Shift-JIS bytes to a QString (CP932 through iconv). A byte sequence with
// no Unicode form shows as U+FFFD rather than being dropped.
QString ToQString(std::string_view sjis);

// A QString to Shift-JIS bytes. A character with no Shift-JIS form becomes
// '?' so that the text keeps its length in characters.
std::string FromQString(const QString& text);

}  // namespace quillet::ui
