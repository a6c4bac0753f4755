#include "ui/Usage.h"

#include <cstring>

#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

using Kind = UsageBlockKind;

constexpr std::size_t kHelpWidth = 79;
constexpr std::size_t kTermIndent = 2;
constexpr std::size_t kEntryTextColumn = 20;

constexpr std::string_view kSummary = "compact text log files in place";
constexpr std::string_view kSynopsis[] = {
    "quillet [/A] [/R] [/S] [--stats[=json]] [FILE]",
    "quillet --dry-run [--show-lines] [--stats[=json]] [/R] FILE",
    "quillet --help | --version",
};

std::vector<UsageSection> MakeSections() {
  return {
      {"DESCRIPTION",
       "",
       {{Kind::kParagraph, "",
         "Quillet rewrites the log files that FILE names, in place: lines that match a "
         "definition of Quillet.def are deleted or replaced by its replacement text, trailing "
         "blanks are cut and runs of blank lines collapsed as set in Quillet.ini. Texts are "
         "Shift-JIS (code page 932) bytes, or UTF-8 with Code=UTF-8 in the [Option] section of "
         "Quillet.ini: then ? matches one UTF-8 character, not one byte, and Quillet.def is read "
         "as UTF-8 too."},
        {Kind::kParagraph, "",
         "FILE is a file name or wild-card pattern (* and ?) with its folder: "
         "Z:\\var\\log\\app\\*.log, or the same as a Unix path, /var/log/app/*.log. A path "
         "relative to the current directory (logs/*.log, ./logs/*.log, ../app/*.log) is taken "
         "from there. The folder part becomes the folder to process and the current directory. "
         "Quote a pattern: the shell would expand it into file names, and of several file names "
         "only the last one counts (an unattended run names the ignored ones on standard "
         "error). Without a file name no run starts."},
        {Kind::kParagraph, "",
         "With a display Quillet opens its window. Without one (neither DISPLAY nor "
         "WAYLAND_DISPLAY set), or with QUILLET_HEADLESS=1, it runs unattended, for scripts and "
         "cron: status lines go to standard output in UTF-8, messages to standard error (each "
         "answered OK), SIGINT or SIGTERM cancels the run after the file in progress, and the "
         "program ends with the run, saving Quillet.ini."}}},
      {"OPTIONS",
       "Options",
       {{Kind::kEntry, "/A", "run at once, and end the program after a clean run"},
        {Kind::kEntry, "/S", "run at once"},
        {Kind::kEntry, "/R", "process the subfolders too"},
        {Kind::kEntry, "--dry-run",
         "preview, started at once: run every check and decision of the run and print its status "
         "log with the "
         "figures the run will give, but write nothing (no rewrite, temporary file, backup, "
         "stamp, increment step or Quillet.ini); files are only read, also one another program "
         "has open"},
        {Kind::kEntry, "--show-lines",
         "with --dry-run: print each line a definition matches as FILE:LINE: TEXT, then the "
         "definition file and line and the replacement, if any (UTF-8); without --dry-run it is "
         "refused"},
        {Kind::kEntry, "--stats",
         "after the run or preview, print for each definition file used every definition with "
         "its line number and the lines it won (first match), in file order, then those that "
         "won no line, with \"shadowed by line N\" where earlier definitions took all of its "
         "lines (N took most of them)"},
        {Kind::kEntry, "--stats=json", "the same as one line of JSON, last on standard output"},
        {Kind::kEntry, "--help", "print this help and exit"},
        {Kind::kEntry, "--version", "print the version and exit"},
        {Kind::kParagraph, "",
         "Letters may share one argument (/RS) and any letter case works. An unknown letter is "
         "reported and stops the automatic start unless a later A or S asks for it again. "
         "--dry-run, --show-lines and --stats always run unattended."}}},
      {"ENVIRONMENT",
       "Environment",
       {{Kind::kEntry, "QUILLET_HEADLESS",
         "1: unattended even with a display; 0: the window even without DISPLAY or "
         "WAYLAND_DISPLAY (Qt then needs another platform)"},
        {Kind::kEntry, "QUILLET_HOME",
         "the program folder, which holds Quillet.ini and Quillet.def (absolute, or relative "
         "to the current directory); one per cron job keeps their settings apart"},
        {Kind::kEntry, "XDG_CONFIG_HOME",
         "the user's configuration folder (default ~/.config), whose quillet folder is the "
         "program folder of an installed copy"},
        {Kind::kEntry, "DISPLAY", "with neither it nor WAYLAND_DISPLAY set, runs are unattended"},
        {Kind::kEntry, "WAYLAND_DISPLAY", "see DISPLAY"},
        {Kind::kEntry, "TZ", "the time zone of every time stamp and of the 00:00 auto skip"}}},
      {"EXIT STATUS",
       "Exit status",
       {{Kind::kEntry, "0", "a clean run: no file error, not cancelled; also --help and --version"},
        {Kind::kEntry, "1", "files had errors (listed in the log), or the run was cancelled"},
        {Kind::kEntry, "2",
         "the run was refused or stopped: the folder was refused, a run-level error stopped the "
         "run, no file was found, or there was nothing to do"},
        {Kind::kParagraph, "",
         "The windowed program ends with the same status for its last run (0 when it made "
         "none)."}}},
      {"FILES",
       "Files",
       {{Kind::kEntry, "Quillet.ini",
         "the settings, in the program folder; written when the program ends and when options "
         "are confirmed"},
        {Kind::kEntry, "Quillet.def",
         "the definitions: a processed folder's own Quillet.def, else the program folder's "
         "(each subfolder looks for its own)"},
        {Kind::kEntry, "Quillet.smp",
         "the sample that a missing Quillet.def of the program folder is made from"},
        {Kind::kParagraph, "",
         "The program folder is QUILLET_HOME when it is set; else the folder of the executable; "
         "else, when that folder is not writable (an installed copy), $XDG_CONFIG_HOME/quillet "
         "or ~/.config/quillet, made on the first start."}}},
      {"EXAMPLES",
       "Examples",
       {{Kind::kVerbatim, "", "QUILLET_HEADLESS=1 quillet /A /R '/var/log/myapp/*.log'"},
        {Kind::kVerbatim, "", "cd /var/log/myapp && quillet /A 'old/*.log'"},
        {Kind::kVerbatim, "", "quillet --dry-run --show-lines /R '/var/log/myapp/*.log'"},
        {Kind::kVerbatim, "", "quillet --dry-run --stats=json '/var/log/myapp/*.log' | tail -n 1"},
        {Kind::kVerbatim, "",
         "30 3 * * * QUILLET_HEADLESS=1 QUILLET_HOME=/etc/quillet /usr/local/bin/quillet /A /R "
         "'/var/log/myapp/*.log'"}}},
  };
}

// Appends `text` wrapped at kHelpWidth; the first line continues `out` from
// `column`, further lines begin at `indent`.
void AppendWrapped(std::string& out, std::string_view text, std::size_t column,
                   std::size_t indent) {
  bool first_word = true;
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    if (!first_word && column + 1 + word.size() > kHelpWidth) {
      out += '\n';
      out.append(indent, ' ');
      column = indent;
    } else if (!first_word) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    first_word = false;
  }
  out += '\n';
}

void AppendHelpBlock(std::string& out, const UsageBlock& block) {
  switch (block.kind) {
    case Kind::kParagraph:
      out += '\n';
      AppendWrapped(out, block.text, 0, 0);
      break;
    case Kind::kEntry: {
      out.append(kTermIndent, ' ');
      out += block.term;
      std::size_t column = kTermIndent + block.term.size();
      // A term too long for its column stands on a line of its own.
      if (column + 2 > kEntryTextColumn) {
        out += '\n';
        column = 0;
      }
      out.append(kEntryTextColumn - column, ' ');
      AppendWrapped(out, block.text, kEntryTextColumn, kEntryTextColumn);
      break;
    }
    case Kind::kVerbatim:
      out += "    ";
      out += block.text;
      out += '\n';
      break;
  }
}

// roff text: a backslash is "\e", a '-' that begins a word (an option such
// as --help) is a minus sign "\-" rather than a hyphen, and a line may not
// begin with a control character.
std::string Roff(std::string_view text) {
  std::string out;
  if (!text.empty() && (text[0] == '.' || text[0] == '\'')) out += "\\&";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool word_start = i == 0 || text[i - 1] == ' ' || text[i - 1] == '-';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && word_start) {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

void AppendManBlock(std::string& out, const UsageBlock& block, bool& in_example) {
  if (block.kind != Kind::kVerbatim && in_example) {
    out += ".fi\n.RE\n";
    in_example = false;
  }
  switch (block.kind) {
    case Kind::kParagraph:
      out += ".PP\n" + Roff(block.text) + "\n";
      break;
    case Kind::kEntry:
      out += ".TP\n\\fB" + Roff(block.term) + "\\fR\n" + Roff(block.text) + "\n";
      break;
    case Kind::kVerbatim:
      if (!in_example) out += ".PP\n.RS 4\n.nf\n";
      in_example = true;
      out += Roff(block.text) + "\n";
      break;
  }
}

}  // namespace

const std::vector<UsageSection>& UsageSections() {
  static const std::vector<UsageSection> sections = MakeSections();
  return sections;
}

InfoRequest InfoRequested(int argc, char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      return InfoRequest::kHelp;
    }
    if (std::strcmp(argv[i], "--version") == 0) return InfoRequest::kVersion;
  }
  return InfoRequest::kNone;
}

std::string UsageText(std::string_view program_folder) {
  std::string out;
  for (std::string_view line : kSynopsis) {
    out += out.empty() ? "Usage: " : "       ";
    out += line;
    out += '\n';
  }
  for (const UsageSection& section : UsageSections()) {
    if (!section.help_heading.empty()) {
      out += '\n';
      out += section.help_heading;
      out += ":\n";
    }
    for (const UsageBlock& block : section.blocks) AppendHelpBlock(out, block);
  }
  out += '\n';
  if (program_folder.empty()) {
    out += "The program folder for this user cannot be found.\n";
  } else {
    std::string folder(program_folder);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string slash = folder == "/" ? "" : "/";
    AppendWrapped(out,
                  "For this user now: the program folder is " + folder + ", the settings are " +
                      folder + slash + "Quillet.ini, and the definitions a folder's own " +
                      "Quillet.def, else " + folder + slash + "Quillet.def.",
                  0, 0);
  }
  return out;
}

std::string VersionText() {
  return std::string(ui_texts::kAppTitle) + " " + ui_texts::kVersion + "\n";
}

std::string ManualPage() {
  const std::string version = std::string(ui_texts::kAppTitle) + " " + ui_texts::kVersion;
  std::string out = ".TH QUILLET 1 \"\" \"" + Roff(version) + "\" \"User Commands\"\n";
  out += ".SH NAME\nquillet \\- " + Roff(kSummary) + "\n";
  out += ".SH SYNOPSIS\n.nf\n";
  for (std::string_view line : kSynopsis) out += Roff(line) + "\n";
  out += ".fi\n";
  for (const UsageSection& section : UsageSections()) {
    out += ".SH " + std::string(section.man_heading) + "\n";
    bool in_example = false;
    for (const UsageBlock& block : section.blocks) AppendManBlock(out, block, in_example);
    if (in_example) out += ".fi\n.RE\n";
  }
  return out;
}

}  // namespace quillet::ui
