#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/TextIO.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using Lines = std::vector<std::string>;
using testing::FsOp;

// Real files through the file layer; `fs_` fails the calls a test chooses.
// Writing whole files is covered through file processing at these block sizes.
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

struct ReadCase {
  std::string text;
  Lines lines;               // each line with the line end it is written with
  std::int64_t ctrl_z = -1;  // offset of the Ctrl-Z that ends the text
};

class LineReaderBlocks : public TextIO,
                         public ::testing::WithParamInterface<std::tuple<ReadCase, std::size_t>> {};

TEST_P(LineReaderBlocks, EndsLinesAtCrLfLfOrCrAndTheTextAtCtrlZ) {
  const auto& [c, block] = GetParam();
  auto file = Open("a.txt", c.text);
  LineReader reader(*file, block);
  Lines lines;
  std::string line;
  LineEnd end;
  while (reader.ReadLine(line, end)) lines.push_back(line + std::string(LineEndBytes(end)));
  EXPECT_EQ(lines, c.lines);
  EXPECT_TRUE(line.empty());
  EXPECT_FALSE(reader.failed());
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ctrl_z_offset(), c.ctrl_z);
  EXPECT_EQ(reader.stopped_at_ctrl_z(), c.ctrl_z >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineReaderBlocks,
    ::testing::Combine(
        ::testing::Values(
            // A lone CR is written as CR LF; a last line without an end takes
            // the end of the line before it.
            ReadCase{"a\rbc\r\nd\n\re", {"a\r\n", "bc\r\n", "d\n", "\r\n", "e\r\n"}},
            ReadCase{"x\n\ny", {"x\n", "\n", "y\n"}},
            ReadCase{"only", {"only\r\n"}},  // the only line gets CR LF
            ReadCase{"\r\r\n\r", {"\r\n", "\r\n", "\r\n"}}, ReadCase{"", {}},
            ReadCase{"qqqqqq\r\nz", {"qqqqqq\r\n", "z\r\n"}},          // CR ends a 7-byte block
            ReadCase{"qqqqqq\n\nz", {"qqqqqq\n", "\n", "z\n"}},        // LF ends a 7-byte block
            ReadCase{"qqqqq\r\n\rz", {"qqqqq\r\n", "\r\n", "z\r\n"}},  // CR LF across it
            ReadCase{"ab\r\n\x1A\r\nlost\r\n", {"ab\r\n"}, 4},
            ReadCase{"ab\ncd\x1Alost", {"ab\n", "cd\n"}, 5},
            ReadCase{"abcdef\r\x1A", {"abcdef\r\n"}, 7},  // a lone CR, then the end
            ReadCase{"xxxxxxxxx\x1A", {"xxxxxxxxx\r\n"}, 9}, ReadCase{"\x1A", {}, 0}),
        ::testing::Values(1, 7, 65536)));

// A text of CR LF or LF lines with a few lone CRs, deterministic.
std::string MixedText(std::size_t size, bool ctrl_z, const char* usual_end) {
  std::minstd_rand random(7);
  std::string text;
  while (text.size() < size) {
    const auto pick = random() % 16;
    text += pick == 0 ? "\r" : pick == 1 ? "\n" : pick < 6 ? usual_end : "ab";
  }
  if (ctrl_z) text[size * 3 / 4] = '\x1A';
  return text;
}

class CopyLinesBlocks : public TextIO,
                        public ::testing::WithParamInterface<std::tuple<std::string, std::size_t>> {
};

// The copy must equal, byte for byte and mark for mark, what ReadLine and
// WriteLine give line by line, wherever the block edges fall.
TEST_P(CopyLinesBlocks, WritesAndMarksAsTheLineLoopDoes) {
  const auto& [text, block] = GetParam();
  constexpr std::int64_t kMarkEvery = 4;
  auto in = Open("in.txt", text);
  auto expected_out = Open("expected.txt", "", platform::OpenMode::kCreateTruncate);
  LineReader expected_reader(*in, block);
  LineWriter expected_writer(*expected_out, block);
  std::vector<std::int64_t> expected_marks;
  std::int64_t expected_lines = 0;
  std::int64_t bytes = 0;
  std::string line;
  LineEnd end;
  while (expected_reader.ReadLine(line, end)) {
    ++expected_lines;
    bytes += static_cast<std::int64_t>(line.size() + LineEndBytes(end).size());
    expected_writer.WriteLine(line, end);
    if (bytes % kMarkEvery == 0 || expected_reader.AtEnd()) expected_marks.push_back(bytes);
  }
  ASSERT_TRUE(expected_writer.Flush());

  auto again = fs_.Open(dir_.Windows("in.txt"), platform::OpenMode::kRead).file;
  auto out = Open("out.txt", "", platform::OpenMode::kCreateTruncate);
  LineReader reader(*again, block);
  LineWriter writer(*out, block);
  std::vector<std::int64_t> marks;
  EXPECT_EQ(CopyLines(reader, writer, kMarkEvery, [&](std::int64_t b) { marks.push_back(b); }),
            expected_lines);
  ASSERT_TRUE(writer.Flush());
  EXPECT_EQ(testing::ReadFile(dir_.Native("out.txt")),
            testing::ReadFile(dir_.Native("expected.txt")));
  EXPECT_EQ(marks, expected_marks);
  EXPECT_EQ(reader.ctrl_z_offset(), expected_reader.ctrl_z_offset());
}

INSTANTIATE_TEST_SUITE_P(Texts, CopyLinesBlocks,
                         ::testing::Combine(::testing::Values("ab\r\ncd\r\nef\r\n\r\n",
                                                              "a\r\nbb\rccc\r\nd\ne\r\n\r\n\rf",
                                                              "ab\r\ncd\r\n\x1A"
                                                              "ef\r\n",
                                                              "ab\r\ncd\x1A\r\n", "abcdefghij\r\nk",
                                                              "ab\ncd\n\nef\n", "a\nb\r\nc\rd\ne",
                                                              MixedText(3000, false, "\r\n"),
                                                              MixedText(3000, true, "\r\n"),
                                                              MixedText(3000, false, "\n")),
                                            ::testing::Values(1, 7, 64, 65536)));

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
