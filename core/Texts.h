#pragma once

// The system's own texts of the processing core, as Shift-JIS bytes.

#include <string_view>

namespace quillet::texts {

// Load line of the definition file; %d is the number of definitions.
extern const char kLoadLineFormat[];
// Caption of the SearchMsg label.
extern const char kSearchMsg[];
// Report of a read-only file, after the name and a tab.
extern const char kReadOnly[];

// The run's banner (one line before the first folder; the separator first
// when the log already holds an earlier run) and its closing lines: the
// error and skip counts between head and tail, then cancelled or finished.
extern const char kSeparator[];
extern const char kBannerIncrement[];
extern const char kBannerNormal[];
// The banners of a preview, which writes nothing.
extern const char kBannerPreviewNormal[];
extern const char kBannerPreviewIncrement[];
extern const char kErrorLineHead[];
extern const char kErrorLineTail[];
extern const char kSkipLineHead[];
extern const char kSkipLineTail[];
extern const char kCancelled[];
extern const char kFinished[];

inline constexpr char kFilesFoundFormat[] = "%d File(s) Found.";
inline constexpr char kHeaderOpen[] = "----- ";
inline constexpr char kHeaderClose[] = " -----";
// Shown after a file's name while it is being processed.
inline constexpr char kPending[] = "  . . .";
// Report of a skipped 00:00 file, after the name and a tab.
inline constexpr char kSkipReport[] = "(00:00 - Skip.)";
// Report of a processed file: size before, size after, percentage.
inline constexpr char kDoneFormat[] = "(%lld to %lld bytes / %lld%%)";
// Size captions of the copy and filter passes.
inline constexpr char kCopySizeFormat[] = "%lld bytes ";
inline constexpr char kFilterSizeFormat[] = "%lld/%lld bytes ";

// The report text of a per-file code other than frDone (which is built
// from kDoneFormat); empty for a code that has none.
std::string_view ReportText(int code);

}  // namespace quillet::texts
