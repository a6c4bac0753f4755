// The built program, unattended, on what a new user meets first: settings
// that name no extension, a program folder or log names without a
// Shift-JIS form, a definition file made from the sample, and refusals that
// standard error explains.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/reliability/ProgramRunner.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::FileExists;
using testing::ProgramRun;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kLog = "DEBUG\r\nkeep\r\n";
const std::string kDone = "keep\r\n";

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

class FirstContact : public ::testing::Test {
 protected:
  FirstContact() { WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n"); }

  Outcome Run(const std::vector<std::string>& arguments) { return RunIn(home.native(), arguments); }
  static Outcome RunIn(const std::string& program_folder,
                       const std::vector<std::string>& arguments) {
    ProgramRun run(program_folder, arguments);
    const int status = run.Wait(std::chrono::seconds(60));
    return {status, run.out(), run.err()};
  }
  std::string Logs(const std::string& name = "") const { return work.Native("logs/" + name); }

  ScratchDir home;
  ScratchDir work;
};

// With a blank extension "a" would be the temporary or increment file of
// "a.log": deleted, overwritten or appended to.
TEST_F(FirstContact, BlankExtensionRefusesTheRunBeforeAnythingIsTouched) {
  const std::pair<const char*, const char*> settings[] = {
      {"[Option]\r\nBack=0\r\nBackExt=\r\n", "(Quillet.ini の BackExt)"},
      {"[Option]\r\nBack=1\r\nBackExt=  \r\n", "(Quillet.ini の BackExt)"},
      {"[Option]\r\nInc=1\r\nIncExt=\r\n", "(Quillet.ini の IncExt)"}};
  for (const auto& [ini, key] : settings) {
    WriteFile(home.Native("Quillet.ini"), ini);
    WriteFile(Logs("a.log"), kLog);
    WriteFile(Logs("a"), "unrelated\r\n");
    const Outcome r = Run({"/A", Logs("*.log")});
    EXPECT_EQ(r.status, 2) << ini << r.err;
    EXPECT_NE(r.err.find(key), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Logs("a")), "unrelated\r\n");
    EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
    EXPECT_EQ(Names(Logs()), (std::set<std::string>{"a", "a.log"}));
  }
}

// Named by QUILLET_HOME, the folder's name has no Shift-JIS form: the run
// must not go on with another folder's settings and definitions.
TEST_F(FirstContact, ProgramFolderWithoutAShiftJisFormStopsTheProgram) {
  const std::string unusable = home.Native("home-\xC3\xA9");  // é
  WriteFile(unusable + "/Quillet.def", "*keep*\r\n");
  WriteFile(Logs("a.log"), kLog);
  const Outcome r = RunIn(unusable, {"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 2);
  // The box shows the folder with '?' for what has no Shift-JIS form.
  EXPECT_NE(r.err.find("\n" + home.windows() + "\\home-?\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quillet: the program folder " + unusable + " (QUILLET_HOME)"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
  EXPECT_EQ(Names(unusable), (std::set<std::string>{"Quillet.def", "stderr.txt"}));
}

// Nobody has looked at the sample's definitions yet: made, named, not used.
TEST_F(FirstContact, DefinitionFileMadeFromTheSampleStopsTheFirstRun) {
  ASSERT_EQ(unlink(home.Native("Quillet.def").c_str()), 0);
  WriteFile(home.Native("Quillet.smp"), "*DEBUG*\r\n");
  WriteFile(Logs("a.log"), kLog);
  Outcome r = Run({"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("quillet: created " + home.Native("Quillet.def") + " from Quillet.smp"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "*DEBUG*\r\n");
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);

  r = Run({"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
}

// Listed with '?' for what has no Shift-JIS form, counted, refused with 257
// and explained; the run then ends with status 1. A subfolder with such a
// name cannot be entered, which standard error says.
TEST_F(FirstContact, NamesWithoutAShiftJisFormAreCountedAndRefused) {
  const char* const unnamed[] = {"\xC3\xA9.log", "\xF0\x9F\x8D\xA3.log", "\xFF.log"};  // é 🍣
  for (const char* name : unnamed) WriteFile(Logs(name), kLog);
  WriteFile(Logs("a.log"), kLog);
  WriteFile(Logs("sub-\xC3\xA9/b.log"), kLog);
  const Outcome r = Run({"/A", "/R", Logs("*.log")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\n4 File(s) Found.\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n?.log\t -> オープンエラー !\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("◆◆ 3個のファイルでエラーがありました ◆◆"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("quillet: " + Logs("?.log") + ": its name has characters with no Shift-JIS"),
            std::string::npos)
      << r.err;
  for (const char* name : unnamed) EXPECT_EQ(ReadFile(Logs(name)), kLog) << name;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
  EXPECT_NE(r.err.find("quillet: folder not entered: " + Logs("sub-?") + ": its name"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(Logs("sub-\xC3\xA9/b.log")), kLog);
  EXPECT_EQ(Names(Logs()).size(), 5u);
}

TEST_F(FirstContact, RefusalsNameTheFileAndTheReasonOnStandardError) {
  WriteFile(Logs("linked.log"), kLog);
  ASSERT_EQ(link(Logs("linked.log").c_str(), work.Native("other-name").c_str()), 0);
  WriteFile(Logs("cut.log"), "DEBUG\r\n");
  WriteFile(Logs("cut.qu$"), kLog);
  if (setxattr(Logs("cut.qu$").c_str(), "user.quillet.pending", "1", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  const int reader = open(Logs("held.log").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(reader, 0);
  const bool leases = testing::LeasesGranted(work);

  Outcome r = Run({"/A", Logs("*.log")});
  close(reader);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quillet: " + Logs("linked.log") + ": has more than one hard link (257)\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("quillet: " + Logs("cut.log") +
                       ": a copy from an interrupted run is marked pending: " + Logs("cut.qu$") +
                       "; the complete text is in it: rename it back over the log file, or "
                       "delete it when the log file is complete (258)\n"),
            std::string::npos)
      << r.err;
  if (leases) {
    EXPECT_NE(r.err.find("quillet: " + Logs("held.log") + ": held open by another process (257)\n"),
              std::string::npos)
        << r.err;
  }
  EXPECT_EQ(ReadFile(Logs("cut.qu$")), kLog);

  r = Run({"/A", work.Native("nowhere/*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("quillet: folder not found: " + work.Native("nowhere/") + "\n"),
            std::string::npos)
      << r.err;

  ASSERT_EQ(unlink(home.Native("Quillet.def").c_str()), 0);
  r = Run({"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("quillet: no definition file: neither " + Logs("Quillet.def") + " nor " +
                       home.Native("Quillet.def") + " exists\n"),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace quillet
