#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/TextIO.h"

namespace quillet {
namespace {

// An in-memory file: reads serve `data`, writes collect in `written`. The
// nth Read or Write (1-based) fails when asked to.
class MemoryFile : public platform::File {
 public:
  explicit MemoryFile(std::string data = {}) : data(std::move(data)) {}

  ssize_t Read(char* buffer, std::size_t size) override {
    if (++reads == fail_read) return -1;
    const std::size_t take = std::min(size, data.size() - pos);
    std::memcpy(buffer, data.data() + pos, take);
    pos += take;
    return static_cast<ssize_t>(take);
  }
  bool Write(const char* bytes, std::size_t size) override {
    if (++writes == fail_write) return false;
    written.append(bytes, size);
    return true;
  }
  std::int64_t Size() override { return static_cast<std::int64_t>(data.size()); }
  bool Seek(std::int64_t) override { return false; }
  bool Truncate(std::int64_t) override { return false; }
  bool Sync() override { return true; }
  bool GetTime(std::uint32_t&) override { return false; }
  bool SetTime(std::uint32_t) override { return false; }
  bool Close() override { return true; }

  std::string data;
  std::size_t pos = 0;
  int reads = 0;
  int writes = 0;
  int fail_read = 0;
  int fail_write = 0;
  std::string written;
};

std::vector<std::string> ReadAll(LineReader& reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  EXPECT_TRUE(line.empty());
  return lines;
}

using Lines = std::vector<std::string>;

class LineReaderBlocks : public ::testing::TestWithParam<std::size_t> {
 protected:
  Lines Read(const std::string& text, std::int64_t expected_ctrl_z = -1) {
    MemoryFile file(text);
    LineReader reader(file, GetParam());
    Lines lines = ReadAll(reader);
    EXPECT_FALSE(reader.failed());
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.ctrl_z_offset(), expected_ctrl_z);
    EXPECT_EQ(reader.stopped_at_ctrl_z(), expected_ctrl_z >= 0);
    return lines;
  }
};

TEST_P(LineReaderBlocks, SplitsAtCrAndTakesTheLfAfterIt) {
  EXPECT_EQ(Read("a\rbc\r\nd\n\re"), (Lines{"a", "bc", "d\n", "e"}));
  EXPECT_EQ(Read("x\n\ny"), (Lines{"x\n\ny"}));  // lone LFs are ordinary bytes
  EXPECT_EQ(Read("\r\r\n\r"), (Lines{"", "", ""}));
  EXPECT_EQ(Read(""), Lines{});
}

TEST_P(LineReaderBlocks, CrLfAcrossEveryBlockEdge) {
  // Long enough that, with 7-byte blocks, some CR ends a block.
  std::string text;
  Lines expected;
  for (int i = 0; i < 12; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i), 'a' + i));
    text += expected.back() + "\r\n";
  }
  EXPECT_EQ(Read(text), expected);
  EXPECT_EQ(Read(std::string(6, 'q') + "\r\nz"), (Lines{"qqqqqq", "z"}));
}

TEST_P(LineReaderBlocks, CtrlZEndsTheText) {
  EXPECT_EQ(Read("ab\r\n\x1A\r\nlost\r\n", 4), (Lines{"ab"}));
  EXPECT_EQ(Read("ab\r\ncd\x1Alost", 6), (Lines{"ab", "cd"}));
  EXPECT_EQ(Read(std::string(9, 'x') + "\x1A", 9), (Lines{std::string(9, 'x')}));
  EXPECT_EQ(Read("\x1A", 0), Lines{});
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, LineReaderBlocks, ::testing::Values(1, 7, 65536));

TEST(LineReader, ReadFailureEndsWithFailed) {
  for (std::size_t block : {1, 7, 65536}) {
    MemoryFile file("one\r\ntwo\r\nthree");
    file.fail_read = block == 1 ? 5 : block == 7 ? 2 : 1;
    LineReader reader(file, block);
    std::string line = "stale";
    while (reader.ReadLine(line)) {
    }
    EXPECT_TRUE(reader.failed()) << block;
    EXPECT_TRUE(line.empty());
    EXPECT_TRUE(reader.AtEnd());
  }
}

TEST(LineWriter, AppendsCrLfThroughBlocks) {
  for (std::size_t block : {1, 7, 65536}) {
    MemoryFile file;
    LineWriter writer(file, block);
    EXPECT_TRUE(writer.WriteLine("first line"));
    EXPECT_TRUE(writer.WriteLine(""));
    EXPECT_TRUE(writer.WriteLine("x\ny"));
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ(file.written, "first line\r\n\r\nx\ny\r\n") << block;
  }
}

TEST(LineWriter, WriteFailureIsReported) {
  MemoryFile file;
  file.fail_write = 2;
  LineWriter writer(file, 4);
  EXPECT_TRUE(writer.WriteLine("ab"));     // fills one block: written
  EXPECT_FALSE(writer.WriteLine("cdef"));  // second block fails
  EXPECT_FALSE(writer.WriteLine("g"));
  EXPECT_FALSE(writer.Flush());
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(file.written, "ab\r\n");

  MemoryFile late;
  late.fail_write = 1;
  LineWriter buffered(late);
  EXPECT_TRUE(buffered.WriteLine("kept in the buffer"));
  EXPECT_FALSE(buffered.Flush());  // the failure shows at the final flush
}

}  // namespace
}  // namespace quillet
