// The built program, unattended, previewing a folder with the lines it
// would change and the definition hit counts for scripts, and refusing
// options it cannot honour.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/reliability/ProgramRunner.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// 表示 in Shift-JIS: the second byte of 表 is a backslash.
const std::string kLog = "start\nDEBUG 1\n\x95\x5C\x8E\xA6 pass=9\nend\n";

TEST(PreviewRun, ListsTheLinesAndCountsWithoutTouchingAnything) {
  ScratchDir home;
  ScratchDir work;
  WriteFile(home.Native("Quillet.def"), "; rules\n*DEBUG*\n*pass=*\\rpass=***\n*DEBUG 1*\n");
  WriteFile(work.Native("app.log"), kLog);

  ProgramRun run(home.native(),
                 {"--dry-run", "--show-lines", "--stats=json", work.Native("*.log")});
  ASSERT_EQ(run.Wait(std::chrono::seconds(60)), 0) << run.out() << run.err();

  EXPECT_EQ(ReadFile(work.Native("app.log")), kLog);
  EXPECT_FALSE(testing::FileExists(home.Native("Quillet.ini")));
  const std::string& out = run.out();
  EXPECT_NE(out.find("[ 通常の処理のプレビューです (ファイルは変更しません) ]"), std::string::npos)
      << out;
  const std::string def = home.native() + "/Quillet.def";
  const std::string log = work.native() + "/app.log";
  EXPECT_NE(out.find(log + ":2: DEBUG 1\n    deleted: " + def + ":2\n"), std::string::npos) << out;
  EXPECT_NE(out.find(log + ":3: 表示 pass=9\n    replaced: " + def + ":3: pass=***\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("app.log\t(30 to 19 bytes / 63%)"), std::string::npos) << out;
  // The counts come last, as one line of JSON.
  const std::string json =
      "{\"definition_files\":[{\"path\":\"" + def +
      "\",\"definitions\":["
      "{\"line\":2,\"pattern\":\"*DEBUG*\",\"replacement\":null,\"won\":1,\"matched\":1},"
      "{\"line\":3,\"pattern\":\"*pass=*\",\"replacement\":\"pass=***\",\"won\":1,\"matched\":1},"
      "{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"replacement\":null,\"won\":0,\"matched\":1}],"
      "\"won_no_line\":[{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"matched\":1,\"shadowed_by\":2,"
      "\"taken_by\":1}]}]}\n";
  ASSERT_GE(out.size(), json.size());
  EXPECT_EQ(out.substr(out.size() - json.size()), json);
}

TEST(PreviewRun, RefusesOptionsItCannotHonourBeforeAnyRun) {
  ScratchDir home;
  ScratchDir work;
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\n");
  WriteFile(work.Native("app.log"), kLog);
  const std::vector<std::vector<std::string>> refused = {
      {"--show-lines", "/A", work.Native("*.log")},
      {"--dry-run", "--stats=xml", "/A", work.Native("*.log")}};
  for (const auto& arguments : refused) {
    ProgramRun run(home.native(), arguments);
    EXPECT_EQ(run.Wait(std::chrono::seconds(60)), 2) << arguments[0];
    EXPECT_EQ(run.out(), "");
    EXPECT_NE(run.err().find("quillet: "), std::string::npos);
    EXPECT_EQ(ReadFile(work.Native("app.log")), kLog);
  }
}

}  // namespace
}  // namespace quillet
