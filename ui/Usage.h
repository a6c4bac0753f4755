#pragma once

// The program's description for the terminal: `quillet --help`, the usage
// text of an unattended run with nothing to do, `quillet --version`, and
// the manual page quillet(1). Help and manual page are rendered from one
// table, so that they say the same. Plain ASCII text; no Qt.

#include <string>
#include <string_view>
#include <vector>

namespace quillet::ui {

// One block of a section: a paragraph, a term with its text (an option, a
// variable, an exit status, a file), or a line shown as it is (an example).
enum class UsageBlockKind { kParagraph, kEntry, kVerbatim };
struct UsageBlock {
  UsageBlockKind kind;
  std::string_view term;  // kEntry only
  std::string_view text;
};

struct UsageSection {
  std::string_view man_heading;   // "OPTIONS"
  std::string_view help_heading;  // "Options"; empty: the help shows no heading
  std::vector<UsageBlock> blocks;
};

// The sections after the synopsis, in order.
const std::vector<UsageSection>& UsageSections();

// What the arguments ask for before anything else is done.
enum class InfoRequest { kNone, kHelp, kVersion };

// The first "--help" (or "-h") or "--version" among argv[1..argc); kNone
// when there is neither.
InfoRequest InfoRequested(int argc, char* const argv[]);

// The help: synopsis, the sections wrapped to 79 columns, and where this
// user's Quillet.ini and Quillet.def are: `program_folder` is the program
// folder in its native form ("/home/me/.config/quillet"), empty when it is
// not known.
std::string UsageText(std::string_view program_folder);

// "Quillet 95 Version 1.25" and a line end.
std::string VersionText();

// The manual page quillet(1) in roff (man macros).
std::string ManualPage();

}  // namespace quillet::ui
