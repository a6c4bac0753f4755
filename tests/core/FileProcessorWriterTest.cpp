#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

// A logger that opens the file for every line waits while the file is held
// and appends after the rewrite: processing runs over and over while it
// writes, and afterwards every line it wrote is there exactly once.
TEST(ProcessFileWithWriter, WriterReopeningForEveryLineLosesNothing) {
  testing::ScratchDir dir;
  // Without a write lease only other runs are kept out, and this writer
  // would lose lines: nothing to prove here then.
  if (!testing::LeasesGranted(dir)) GTEST_SKIP() << "no file leases here";
  Globals g;
  g.options.Skip = false;
  g.definitions.Entries = {{"noise*", ""}};
  testing::StatusRecorder rec;
  Engine engine{g, platform::PosixFileSystem(), rec, dir.windows() + "\\"};
  const std::string log = dir.Native("app.log");
  testing::WriteFile(log, "keep 0\r\n");

  constexpr int kLines = 3000;
  std::atomic<bool> done = false;
  std::thread writer([&] {
    const std::string script = "i=1; while [ $i -le " + std::to_string(kLines) +
                               " ]; do printf 'keep %d\\r\\nnoise %d\\r\\n' $i $i >> '" + log +
                               "'; i=$((i+1)); done";
    EXPECT_EQ(std::system(script.c_str()), 0);
    done = true;
  });
  std::string codes;
  std::int64_t before = 0, after = 0;
  while (!done) {
    const int code = ProcessFile(engine, dir.Windows("app.log"), before, after);
    codes += code == frDone ? 'd' : code == frOpenError ? 'o' : '?';
  }
  writer.join();
  ASSERT_EQ(ProcessFile(engine, dir.Windows("app.log"), before, after), frDone);
  std::string expected;
  for (int i = 0; i <= kLines; ++i) expected += "keep " + std::to_string(i) + "\r\n";
  EXPECT_TRUE(testing::ReadFile(log) == expected);
  EXPECT_NE(codes.find('d'), std::string::npos) << "never processed while the writer ran";
  EXPECT_EQ(codes.find('?'), std::string::npos) << codes;
}

}  // namespace
}  // namespace quillet
