// The line reader over loose files and archive entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_test_fixture.h"
#include "media/core/file_ops.h"
#include "media/core/stream_lines.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

constexpr const char* kEnd = "<end>";

struct LineCase {
  const char* name;
  std::string content;
  int n;
  std::vector<std::string> lines;   // kEnd for a result of -1
};

// Every line as returned, until -1 (or too many calls: a reader that never ends).
std::vector<std::string> ReadAllLines(FileHandle f, int n) {
  std::vector<std::string> lines;
  std::vector<char> buffer(n > 0 ? n : 1);
  for (int calls = 0; calls < 20; ++calls) {
    int length = zelvo::ReadStreamLine(buffer.data(), n, f);
    if (length < 0) {
      lines.push_back(kEnd);
      break;
    }
    lines.emplace_back(buffer.data(), static_cast<std::size_t>(length));
  }
  return lines;
}

const LineCase kCases[] = {
    {"CrLf", "ab\r\ncd", 16, {"ab", "cd", kEnd}},
    {"LongLineInPieces", "abcdef\r\n", 4, {"abc", "def", "", kEnd}},
    {"BareLfStaysInTheText", "ab\ncd\r\nef", 16, {"ab\ncd", "ef", kEnd}},
    {"EmptyLines", "\r\n\r\nx", 8, {"", "", "x", kEnd}},
    {"LeadByteAtBufferEnd", "a\x88\x9F" "b\r\n", 3, {"a", "\x88\x9F", "b", kEnd}},
    {"TrailByteLooksLikeBackslash", "\x95\x5C\x95\x5C\r\n", 4, {"\x95\x5C", "\x95\x5C", kEnd}},
    {"LoneLeadByteAtEndOfData", "ab\x88", 16, {"ab\x88", kEnd}},
    {"LoneLeadByteAtEndOfFullRead", "ab\x88", 4, {"ab", "\x88", kEnd}},
    {"LeadByteWithTwoByteBuffer", "\x88\x9F", 2, {"\x88", "\x9F", kEnd}},
    {"CrAtBufferEdgeKeepsThePair", "ab\r\ncd\r\n", 4, {"ab", "cd", kEnd}},
    {"CrAtBufferEdgeWithoutLf", "ab\rcd", 4, {"ab\r", "cd", kEnd}},
    {"CrAtEndOfData", "ab\r", 16, {"ab\r", kEnd}},
    {"NulEndsTheScanAndSkipsTheRead", std::string("ab\0cd\r\nef", 9), 16, {"ab", kEnd}},
    {"Empty", "", 16, {kEnd}},
};

class StreamLineTest : public FileLayerTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(StreamLineTest, LooseFile) {
  Put("t.txt", GetParam().content);
  FileHandle f = FileOpen("t.txt", 0, 1, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(ReadAllLines(f, GetParam().n), GetParam().lines);
  FileClose(f);
}

TEST_P(StreamLineTest, AsynchronousArchiveEntry) {
  Put("pack.zva", BuildZva({{"T.TXT", BytesOf(GetParam().content), true}}, ZvaOptions{}));
  Put("pack/s.txt", "");
  for (int asyncFlag : {0, 1}) {
    FileHandle f = FileOpen("pack\\t.txt", 0, 1, asyncFlag);
    ASSERT_NE(f, 0);
    EXPECT_EQ(ReadAllLines(f, GetParam().n), GetParam().lines);
    FileClose(f);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamLineTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class StreamLineLimitsTest : public FileLayerTest {};

TEST_F(StreamLineLimitsTest, BufferTooSmallReadsNothing) {
  Put("t.txt", "abc\r\n");
  FileHandle f = FileOpen("t.txt", 0, 1, 0);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  for (int n : {1, 0, -5}) EXPECT_EQ(zelvo::ReadStreamLine(buffer, n, f), -1);
  EXPECT_EQ(FileTell(f), 0);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(zelvo::ReadStreamLine(buffer, 4, f), 3);
  EXPECT_STREQ(buffer, "abc");
  FileClose(f);
}

}  // namespace
}  // namespace zelvo_test
