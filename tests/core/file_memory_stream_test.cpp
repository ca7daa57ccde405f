// Memory streams and the two stream-operation tables.
#include <gtest/gtest.h>

#include <cstring>

#include "core/file_test_fixture.h"
#include "media/core/file_ops.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

TEST(MemoryStreamTest, PartialElementIsCopiedOnceThenTheEndIsMet) {
  const char data[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  MemoryStream* s = CreateMemoryStream(data, 10);
  ASSERT_NE(s, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(MemoryStreamRead(buffer, 4, 3, s), 2);
  EXPECT_EQ(0, std::memcmp(buffer, "01234567", 8));
  EXPECT_EQ(MemoryStreamTell(s), 8);
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(MemoryStreamRead(buffer, 4, 3, s), 1);
  EXPECT_EQ(0, std::memcmp(buffer, "89\0", 3));
  EXPECT_EQ(MemoryStreamEof(s), 0);
  EXPECT_EQ(MemoryStreamRead(buffer, 4, 3, s), 0);
  EXPECT_NE(MemoryStreamEof(s), 0);
  EXPECT_EQ(MemoryStreamIdle(s), 1);
  EXPECT_EQ(CloseMemoryStream(s), 0);
}

TEST(MemoryStreamTest, EmptyRequestsMoveNothing) {
  const char data[4] = {'a', 'b', 'c', 'd'};
  MemoryStream* s = CreateMemoryStream(data, 4);
  char guard[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(MemoryStreamRead(guard, 4, 0, s), 0);
  EXPECT_EQ(MemoryStreamRead(guard, 0, 4, s), 0);
  EXPECT_EQ(0, std::memcmp(guard, "xxxx", 4));
  EXPECT_EQ(MemoryStreamTell(s), 0);
  CloseMemoryStream(s);
}

TEST(MemoryStreamTest, SeekClampsAndClearsTheEndFlag) {
  const char data[10] = {};
  MemoryStream* s = CreateMemoryStream(data, 10);
  struct Case { std::int32_t offset; int origin; std::int32_t expected; };
  for (Case c : {Case{-5, 0, 0}, Case{25, 0, 10}, Case{4, 0, 4}, Case{3, 1, 7}, Case{-20, 1, 0}, Case{-3, 2, 7},
                 Case{2, 2, 10}}) {
    s->endFlag = 1;
    EXPECT_EQ(MemoryStreamSeek(s, c.offset, c.origin), 0);
    EXPECT_EQ(MemoryStreamTell(s), c.expected) << c.offset << "," << c.origin;
    EXPECT_EQ(MemoryStreamEof(s), 0);
  }
  CloseMemoryStream(s);
}

TEST(MemoryStreamTest, WriteStaysInsideTheImage) {
  char image[6] = {'-', '-', '-', '-', '-', '-'};
  MemoryStream* s = CreateMemoryStream(image, 5);
  EXPECT_EQ(MemoryStreamWrite("abcdefgh", 2, 4, s), 2);
  EXPECT_EQ(MemoryStreamWrite("XYZ", 2, 1, s), 0);   // one byte left: not one element, nothing copied
  EXPECT_EQ(MemoryStreamWrite("Q", 1, 1, s), 1);
  EXPECT_EQ(MemoryStreamWrite("R", 1, 1, s), 0);
  EXPECT_EQ(0, std::memcmp(image, "abcdQ-", 6));
  CloseMemoryStream(s);
}

class StreamTablesTest : public FileLayerTest {};

TEST_F(StreamTablesTest, ReaderBlocksReadFilesAndMemoryAlike) {
  FillStreamOpsTables();
  Put("f.txt", "file bytes");
  const char memory[] = "memory bytes";
  StreamReaderBlock blocks[2] = {
      {*FileStreamOpsTable(), reinterpret_cast<void*>(FileOpen("f.txt", 0, 1, 0))},
      {*MemoryStreamOpsTable(), CreateMemoryStream(memory, 12)},
  };
  const char* expected[2] = {"file bytes", "memory bytes"};
  for (int i = 0; i < 2; ++i) {
    StreamReaderBlock& b = blocks[i];
    ASSERT_NE(b.data, nullptr);
    char buffer[32] = {};
    EXPECT_EQ(b.ops.seek(b.data, 5, 0), 0);
    EXPECT_EQ(b.ops.read(buffer, 1, 5, b.data), 5);
    while (b.ops.idle(b.data) == 0) {
    }
    EXPECT_EQ(std::string(buffer), std::string(expected[i]).substr(5, 5));
    EXPECT_EQ(b.ops.tell(b.data), 10);
    EXPECT_EQ(b.ops.eof(b.data), 0);
    EXPECT_EQ(b.ops.close(b.data), 0);
  }
}

}  // namespace
}  // namespace zelvo_test
