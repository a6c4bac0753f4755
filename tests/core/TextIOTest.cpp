#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/TextIO.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

// How lines are read, completed and copied is checked through file
// processing at several block sizes; here, only how failures show.

namespace quillet {
namespace {

using testing::FsOp;

class TextIO : public ::testing::Test {
 protected:
  std::unique_ptr<platform::File> Open(const std::string& name, const std::string& text,
                                       platform::OpenMode mode = platform::OpenMode::kRead) {
    testing::WriteFile(dir_.Native(name), text);
    return fs_.Open(dir_.Windows(name), mode).file;
  }

  testing::ScratchDir dir_;
  testing::FaultyFileSystem fs_;
};

TEST_F(TextIO, ReadFailureEndsWithFailed) {
  for (std::size_t block : {1, 7, 65536}) {
    // Fails a read in the middle of the text.
    const std::string name = std::to_string(block) + ".txt";
    fs_.Add({FsOp::kRead, name, block == 1 ? 5 : block == 7 ? 2 : 1});
    auto file = Open(name, "one\r\ntwo\r\nthree");
    LineReader reader(*file, block);
    std::string line = "stale";
    LineEnd end;
    while (reader.ReadLine(line, end)) {
    }
    EXPECT_TRUE(reader.failed()) << block;
    EXPECT_TRUE(line.empty());
    EXPECT_TRUE(reader.AtEnd());
  }
}

TEST_F(TextIO, LineWriterReportsAFailedWriteFromThenOn) {
  fs_.Add({FsOp::kWrite, "a.txt", 2});
  auto file = Open("a.txt", "", platform::OpenMode::kCreateTruncate);
  LineWriter writer(*file, 4);
  EXPECT_TRUE(writer.WriteLine("ab", LineEnd::kCrLf));   // fills one block: written
  EXPECT_FALSE(writer.WriteLine("cdef", LineEnd::kLf));  // the second block fails
  EXPECT_FALSE(writer.WriteLine("g", LineEnd::kLf));
  EXPECT_FALSE(writer.Flush());
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(testing::ReadFile(dir_.Native("a.txt")), "ab\r\n");
}

}  // namespace
}  // namespace quillet
