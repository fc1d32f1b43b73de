#include "profile/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/error.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

using Lines = std::vector<std::string>;

// Every line of a file with the given bytes, read the way the program reads.
Lines ReadAllLines(std::string_view bytes) {
  test::TempFolder folder;
  test::WriteBytes(folder / "text", bytes);
  InputFile file(folder / "text");
  LineReader reader(file);
  Lines lines;
  while (!reader.AtEnd()) {
    lines.push_back(reader.ReadLine());
  }
  return lines;
}

struct LineCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

class LineEnds : public testing::TestWithParam<LineCase> {};

TEST_P(LineEnds, SplitsAtCrLfAndLoneCrOnly) {
  EXPECT_EQ(ReadAllLines(GetParam().bytes), GetParam().lines);
}

const std::string kBlock(64 * 1024 - 1, 'x');  // one byte short of the reader's buffer

INSTANTIATE_TEST_SUITE_P(
    Reader, LineEnds,
    testing::Values(LineCase{"Empty", "", {}}, LineCase{"NoLineEnd", "abc", {"abc"}},
                    LineCase{"CrLf", "abc\r\n", {"abc"}},
                    LineCase{"CrLfThenLast", "a\r\nb", {"a", "b"}},
                    LineCase{"LoneCr", "a\rb\r", {"a", "b"}},
                    LineCase{"LoneLfIsText", "a\nb\r\nc\n", {"a\nb", "c\n"}},
                    LineCase{"EmptyLines", "\r\n\r\n", {"", ""}},
                    LineCase{"CrThenCrLf", "\r\r\n", {"", ""}},
                    LineCase{"NulAndHighBytes",
                             std::string("a\0b\xff\x80\r\n", 7),
                             {std::string("a\0b\xff\x80", 5)}},
                    LineCase{"CrLfAcrossBuffers", kBlock + "\r\ny", {kBlock, "y"}},
                    LineCase{"LoneCrAtBufferEnd", kBlock + "\ry", {kBlock, "y"}},
                    LineCase{"LineLongerThanBuffer",
                             std::string(200000, 'z') + "\r\nq",
                             {std::string(200000, 'z'), "q"}}),
    test::CaseName());

TEST(LineReaderTest, ReadingPastTheEndIsInputPastEndOfFile) {
  test::TempFolder folder;
  test::WriteBytes(folder / "text", "only\r\n");
  InputFile file(folder / "text");
  LineReader reader(file);
  EXPECT_EQ(reader.ReadLine(), "only");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(test::ErrorNumberOf([&] { reader.ReadLine(); }), 62);
}

}  // namespace
}  // namespace vireno
