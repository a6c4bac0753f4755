// Folder runs over hostile trees on the real file layer: links, special
// files, odd names, and files that change between the listing and their
// processing. Every run ends, reports each file it took, leaves the folder
// "outside" (beside the tree) exactly as it was and loses no line.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/FolderRun.h"
#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
using Lines = std::vector<std::string>;

const std::string kLog = "DEBUG\r\nkeep\r\n";
const std::string kDone = "keep\r\n";

// A file layer that acts once, right after the folder's files have been
// listed for processing (its second listing of files), or after its first
// listing of subfolders.
class ActingFileSystem : public testing::FaultyFileSystem {
 public:
  std::function<void()> after_listing;
  platform::ListKind act_after = platform::ListKind::kFiles;
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override {
    const platform::Status ok = FaultyFileSystem::List(pattern, kind, entries);
    const int wanted = act_after == platform::ListKind::kFiles ? 2 : 1;
    if (kind == act_after && ++listings_ == wanted && after_listing) after_listing();
    return ok;
  }

 private:
  int listings_ = 0;
};

struct Tree {
  ScratchDir dir;
  std::string Root(const std::string& rel) const { return dir.Native("root/" + rel); }
  std::string Outside(const std::string& rel) const { return dir.Native("outside/" + rel); }
};

struct HostileCase {
  const char* name;
  std::function<void(Tree&)> setup;
  std::function<void(Tree&)> after_listing;
  // Lines of the status log after the count line besides a.log's: name and code.
  std::vector<std::pair<std::string, int>> reports;
  // Texts afterwards, by path under the scratch folder; "" absent.
  std::map<std::string, std::string> texts;
  platform::ListKind act_after = platform::ListKind::kFiles;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileTree : public ::testing::TestWithParam<HostileCase> {
 protected:
  HostileTree() : engine{g, fs, rec, prog.windows() + "\\"} {
    g.options.Skip = false;
    g.definitions.LoadedFrom = kLoadedFromDummy;
    WriteFile(prog.Native("Quillet.def"), "*DEBUG*\r\n");
    WriteFile(tree.Root("a.log"), kLog);
    WriteFile(tree.Outside("victim.log"), kLog);
    WriteFile(tree.Outside("sub/deep.log"), kLog);
  }

  ScratchDir prog;
  Tree tree;
  Globals g;
  testing::StatusRecorder rec;
  ActingFileSystem fs;
  Engine engine;
};

std::string Report(const std::string& name, int code) {
  return name + "\t" +
         (code == frDone ? std::string("(13 to 6 bytes / 46%)")
                         : std::string(texts::ReportText(code)));
}

TEST_P(HostileTree, RunEndsReportsAndTouchesNothingOutside) {
  const HostileCase& c = GetParam();
  c.setup(tree);
  fs.act_after = c.act_after;
  fs.after_listing = [&] {
    if (c.after_listing) c.after_listing(tree);
  };
  const auto outside = testing::TreeSnapshot(tree.Outside(""));

  ASSERT_EQ(ProcessFolder(engine, tree.dir.windows() + "\\root", "*.log", true).code, 0);

  Lines reports = {Report("a.log", frDone)};
  for (const auto& [name, code] : c.reports) reports.push_back(Report(name, code));
  Lines shown;
  for (const std::string& line : rec.log)
    if (line.find('\t') != std::string::npos) shown.push_back(line);
  std::sort(reports.begin(), reports.end());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, reports);
  EXPECT_EQ(testing::TreeSnapshot(tree.Outside("")), outside);
  EXPECT_EQ(ReadFile(tree.Root("a.log")), kDone);
  for (const auto& entry : stdfs::recursive_directory_iterator(tree.Root("")))
    if (!entry.is_symlink() && entry.is_directory()) chmod(entry.path().c_str(), 0755);
  for (const auto& [rel, text] : c.texts) {
    if (text.empty()) {
      EXPECT_FALSE(testing::FileExists(tree.dir.Native(rel))) << rel;
    } else {
      EXPECT_EQ(ReadFile(tree.dir.Native(rel)), text) << rel;
    }
  }
}

void Link(const std::string& target, const std::string& path) {
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

const HostileCase kHostile[] = {
    // None of these is a log file to rewrite, nor a folder to enter.
    {"LinksLoopsAndSpecialFiles",
     [](Tree& t) {
       WriteFile(t.Root("real.txt"), kLog);
       Link(t.Outside("victim.log"), t.Root("out.log"));
       Link("real.txt", t.Root("in.log"));
       Link(t.Outside("sub"), t.Root("outdir"));
       Link("..", t.Root("up"));
       Link("loop.log", t.Root("loop.log"));
       Link("b.log", t.Root("c.log"));
       Link("c.log", t.Root("b.log"));
       Link(".", t.Root("self"));
       ASSERT_EQ(mkfifo(t.Root("fifo.log").c_str(), 0644), 0);
       testing::MakeSocket(t.Root("sock.log"));
     },
     nullptr,
     {},
     {{"root/real.txt", kLog}}},
    // Names a shell would take apart are names like others. A character
    // without a Shift-JIS form is listed as '?' and the file refused with
    // 257 untouched, as is a real name that holds a '?'.
    {"OddNames",
     [](Tree& t) {
       for (const char* name :
            {"a\nb.log", "q'u\"ote.log", "$(touch pwned).log", "-rf.log", "\xFF\xFE.log",
             "\xF0\x9F\x8D\xA3.log" /* 🍣 */, "\xC3\xA9.log" /* é */, "a?.log"})
         WriteFile(t.Root(name), kLog);
     },
     nullptr,
     {{"a\nb.log", frDone},
      {"q'u\"ote.log", frDone},
      {"$(touch pwned).log", frDone},
      {"-rf.log", frDone},
      {"??.log", frOpenError},
      {"?.log", frOpenError},
      {"?.log", frOpenError},
      {"a?.log", frOpenError}},
     {{"root/a\nb.log", kDone},
      {"root/-rf.log", kDone},
      {"root/\xFF\xFE.log", kLog},
      {"root/\xF0\x9F\x8D\xA3.log", kLog},
      {"root/\xC3\xA9.log", kLog},
      {"root/a?.log", kLog}}},
    // A listed file that is gone, or replaced by a link to a file outside,
    // is refused; the rewrite must not follow the link.
    {"FilesChangeAfterTheListing",
     [](Tree& t) {
       WriteFile(t.Root("b.log"), kLog);
       WriteFile(t.Root("c.log"), kLog);
     },
     [](Tree& t) {
       ASSERT_EQ(unlink(t.Root("b.log").c_str()), 0);
       ASSERT_EQ(rename(t.Root("c.log").c_str(), t.Root("c.txt").c_str()), 0);
       Link(t.Outside("victim.log"), t.Root("c.log"));
     },
     {{"b.log", frOpenError}, {"c.log", frOpenError}},
     {{"root/b.log", ""}, {"root/b.qu$", ""}, {"root/c.txt", kLog}, {"root/c.qu$", ""}}},
    // As root the folder is read all the same; otherwise it shows no files.
    // Either way nothing is half done.
    {"UnreadableFolder",
     [](Tree& t) {
       WriteFile(t.Root("sub/c.log"), kLog);
       ASSERT_EQ(chmod(t.Root("sub").c_str(), 0), 0);
     },
     nullptr,
     geteuid() == 0 ? std::vector<std::pair<std::string, int>>{{"c.log", frDone}}
                    : std::vector<std::pair<std::string, int>>{},
     {{"root/sub/c.log", geteuid() == 0 ? kDone : kLog}, {"root/sub/c.qu$", ""}}},
    // Nor may the run enter a link put in a listed subfolder's place.
    {"FolderTurnsIntoALinkOutsideAfterTheListing",
     [](Tree& t) { WriteFile(t.Root("sub/c.log"), kLog); },
     [](Tree& t) {
       ASSERT_EQ(rename(t.Root("sub").c_str(), t.Root("moved").c_str()), 0);
       Link(t.Outside("sub"), t.Root("sub"));
     },
     {},
     {{"root/moved/c.log", kLog}},
     platform::ListKind::kSubfolders},
};

INSTANTIATE_TEST_SUITE_P(Trees, HostileTree, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
