// The direct set: plain files, files served by a read-ahead thread (cache and asynchronous), and
// the platform searches; the table itself and the helpers built on it.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "core/file_test_fixture.h"
#include "media/core/archive_files.h"
#include "media/core/core_state.h"
#include "media/core/direct_file.h"
#include "media/core/file_ops.h"
#include "platform/kernel/kernel_testing.h"
#include "tests/support/poll_until.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

std::vector<std::uint8_t> Pattern(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + i / 251) & 0xFF);
  return bytes;
}

class DirectFileTest : public FileLayerTest {};

TEST_F(DirectFileTest, PlainReadCutsToWholeElementsAndMeetsTheEnd) {
  Put("nine.bin", Pattern(9));
  FileHandle f = DirectFileOpen("nine.bin", 0, 0, 0);
  ASSERT_NE(f, 0);
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(DirectFileRead(buffer, 4, 3, f), 2);
  EXPECT_EQ(0, std::memcmp(buffer, Pattern(9).data(), 8));
  EXPECT_EQ(DirectFileTell(f), 8);
  EXPECT_EQ(DirectFileEof(f), 0);
  // One byte remains, but not one whole element of 2.
  EXPECT_EQ(DirectFileRead(buffer, 2, 1, f), 0);
  EXPECT_EQ(DirectFileEof(f), -1);
  // A read never clears the end flag; a seek does.
  EXPECT_EQ(DirectFileRead(buffer, 1, 1, f), 1);
  EXPECT_EQ(DirectFileEof(f), -1);
  EXPECT_EQ(DirectFileSeek(f, -3, 2), 0);
  EXPECT_EQ(DirectFileEof(f), 0);
  EXPECT_EQ(DirectFileTell(f), 6);
  EXPECT_EQ(DirectFileRead(buffer, 0, 5, f), 0);
  EXPECT_EQ(DirectFileIdle(f), 1);
  EXPECT_EQ(DirectFileClose(f), 0);
}

TEST_F(DirectFileTest, MissingFileGivesZeroWithoutALogLine) {
  g_startUpOptions.hosted = 1;   // log lines go to the debugger output
  pf::testing::CaptureDebugOutput(true);
  EXPECT_EQ(DirectFileOpen("missing.bin", 0, 0, 0), 0);
  EXPECT_EQ(DirectFileOpen("missing.bin", 1, 0, 1), 0);
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
}

TEST_F(DirectFileTest, ThreadThatCannotStartIsLogged) {
  Put("a.bin", Pattern(10));
  g_startUpOptions.hosted = 1;
  pf::testing::CaptureDebugOutput(true);
  pf::testing::FailNextCalls("CreateThread", 1);
  EXPECT_EQ(DirectFileOpen("a.bin", 0, 0, 1), 0);
  EXPECT_NE(pf::testing::TakeDebugOutput().find("ファイルアクセス専用スレッドの作成に失敗しました"), std::string::npos);
  FileHandle f = DirectFileOpen("a.bin", 0, 0, 1);
  ASSERT_NE(f, 0);
  EXPECT_EQ(DirectFileClose(f), 0);
}

struct ThreadedCase {
  int cacheFlag;
  int asyncFlag;
};

class ThreadedFileTest : public FileLayerTest, public ::testing::WithParamInterface<ThreadedCase> {
 protected:
  // Reads through the file, waiting for an asynchronous read before looking at its bytes.
  void ReadAndCompare(FileHandle f, std::size_t at, std::size_t n, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> buffer(n, 0xEE);
    ASSERT_EQ(DirectFileSeek(f, static_cast<std::int32_t>(at), 0), 0);
    ASSERT_EQ(DirectFileRead(buffer.data(), 1, static_cast<int>(n), f), static_cast<int>(n));
    DirectFileWaitIdle(reinterpret_cast<DirectFile*>(f));
    EXPECT_EQ(DirectFileIdle(f), 1);
    ASSERT_EQ(0, std::memcmp(buffer.data(), data.data() + at, n)) << "at " << at << " n " << n;
  }
};

TEST_P(ThreadedFileTest, SequentialAndScatteredReadsMatchTheFile) {
  const std::vector<std::uint8_t> data = Pattern(300000);   // more than two cache fills
  Put("big.bin", data);
  FileHandle f = DirectFileOpen("big.bin", GetParam().cacheFlag, 0, GetParam().asyncFlag);
  ASSERT_NE(f, 0);
  std::vector<std::uint8_t> all(data.size(), 0);
  std::size_t at = 0;
  for (std::size_t chunk = 1; at < data.size(); chunk = chunk * 3 + 7) {
    std::size_t n = std::min(chunk, data.size() - at);
    ASSERT_EQ(DirectFileRead(all.data() + at, 1, static_cast<int>(n), f), static_cast<int>(n));
    at += n;
  }
  DirectFileWaitIdle(reinterpret_cast<DirectFile*>(f));
  EXPECT_EQ(all, data);
  EXPECT_EQ(DirectFileRead(all.data(), 1, 1, f), 0);
  EXPECT_EQ(DirectFileEof(f), -1);

  ReadAndCompare(f, 131071, 3, data);
  ReadAndCompare(f, 5, 140000, data);
  ReadAndCompare(f, 0, 1, data);
  ReadAndCompare(f, 299999, 1, data);
  EXPECT_EQ(DirectFileClose(f), 0);
}

TEST_P(ThreadedFileTest, SeeksAreCheckedAndReadsPastTheEndMeetIt) {
  const std::vector<std::uint8_t> data = Pattern(1000);
  Put("k.bin", data);
  FileHandle f = DirectFileOpen("k.bin", GetParam().cacheFlag, 0, GetParam().asyncFlag);
  ASSERT_NE(f, 0);
  EXPECT_EQ(DirectFileSeek(f, -1, 0), -1);
  EXPECT_EQ(DirectFileSeek(f, -1001, 2), -1);
  EXPECT_EQ(DirectFileTell(f), 0);
  // Beyond the size is accepted; the next read meets the end.
  EXPECT_EQ(DirectFileSeek(f, 5000, 0), 0);
  std::uint8_t b[8];
  EXPECT_EQ(DirectFileRead(b, 1, 8, f), 0);
  EXPECT_EQ(DirectFileEof(f), -1);
  // Whole elements only: 996..999 holds one element of 4, not two.
  EXPECT_EQ(DirectFileSeek(f, -4, 2), 0);
  EXPECT_EQ(DirectFileRead(b, 4, 2, f), 1);
  DirectFileWaitIdle(reinterpret_cast<DirectFile*>(f));
  EXPECT_EQ(0, std::memcmp(b, data.data() + 996, 4));
  EXPECT_EQ(DirectFileClose(f), 0);
}

INSTANTIATE_TEST_SUITE_P(Flags, ThreadedFileTest,
                         ::testing::Values(ThreadedCase{1, 0}, ThreadedCase{0, 1}, ThreadedCase{1, 1}),
                         [](const auto& info) {
                           return std::string(info.param.cacheFlag ? "Cache" : "NoCache") +
                                  (info.param.asyncFlag ? "Async" : "Sync");
                         });

TEST_F(DirectFileTest, AsynchronousReadReturnsTheWholeCountAtOnce) {
  const std::vector<std::uint8_t> data = Pattern(70000);
  Put("a.bin", data);
  FileHandle f = DirectFileOpen("a.bin", 0, 0, 1);
  ASSERT_NE(f, 0);
  std::vector<std::uint8_t> buffer(data.size());
  EXPECT_EQ(DirectFileRead(buffer.data(), 7, 10000, f), 10000);
  EXPECT_EQ(DirectFileTell(f), 70000);
  ASSERT_TRUE(testing_support::PollUntil([f] { return DirectFileIdle(f) != 0; })) << "the read never finished";
  EXPECT_EQ(buffer, data);
  EXPECT_EQ(DirectFileClose(f), 0);
}

TEST_F(DirectFileTest, SearchesListMatchesWithSizesAndTimes) {
  Put("one.txt", "12345");
  Put("two.txt", "1");
  Put("other.dat", "x");
  Put("sub/inner.txt", "x");
  std::vector<std::string> names;
  FileFindInfo info;
  FindHandle search = DirectFindFirst("*.txt", &info);
  ASSERT_NE(search, -1);
  do {
    names.push_back(info.name);
    EXPECT_EQ(info.isDirectory, 0);
    EXPECT_EQ(info.sizeLow, info.name == std::string("one.txt") ? 5u : 1u);
    EXPECT_GE(info.lastWriteTime.year, 2020);
  } while (DirectFindNext(search, &info) == 0);
  EXPECT_EQ(DirectFindClose(search), 0);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "two.txt"}));

  search = DirectFindFirst("s*", &info);
  ASSERT_NE(search, -1);
  EXPECT_STREQ(info.name, "sub");
  EXPECT_EQ(info.isDirectory, 1);
  EXPECT_EQ(DirectFindNext(search, &info), -1);
  EXPECT_EQ(DirectFindClose(search), 0);
  EXPECT_EQ(DirectFindFirst("*.none", &info), -1);
}

TEST(FileOpsTableTest, ArchiveAwareSetIsInForceBeforeStartUp) {
  EXPECT_EQ(g_fileOps.open, &ArchiveAwareOpen);
  EXPECT_EQ(g_fileOps.findClose, &ArchiveAwareFindClose);
  g_directFileOption = 1;
  EXPECT_EQ(SetupFileOpsTable(nullptr), 0);
  EXPECT_EQ(g_fileOps.open, &DirectFileOpen);
  EXPECT_EQ(g_fileOps.read, &DirectFileRead);
  g_directFileOption = 0;
  FileOpsTable custom = kDirectFileOps;
  custom.tell = [](FileHandle) -> std::int32_t { return 77; };
  EXPECT_EQ(SetupFileOpsTable(&custom), 0);
  EXPECT_EQ(FileTell(1), 77);
  SetupFileOpsTable(nullptr);
  EXPECT_EQ(g_fileOps.open, &ArchiveAwareOpen);
}

class FileHelpersTest : public FileLayerTest {};

TEST_F(FileHelpersTest, ReadByteGivesUnsignedBytesThenMinusOne) {
  Put("b.bin", std::vector<std::uint8_t>{0xFF, 0x80, 0x00, 0x7F});
  FileHandle f = FileOpen("b.bin", 0, 1, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileReadByte(f), 0xFF);
  EXPECT_EQ(FileReadByte(f), 0x80);
  EXPECT_EQ(FilePositionAtEnd(f), 0);
  EXPECT_EQ(FileTell(f), 2);
  EXPECT_EQ(FileReadByte(f), 0x00);
  EXPECT_EQ(FileReadByte(f), 0x7F);
  EXPECT_EQ(FilePositionAtEnd(f), 1);
  EXPECT_EQ(FileTell(f), 4);
  EXPECT_EQ(FileReadByte(f), -1);
  EXPECT_EQ(FileReadByte(f), -1);
  EXPECT_EQ(FileClose(f), 0);
}

TEST_F(FileHelpersTest, SkipStreamBlanksStopsBeforeTheFirstOtherByte) {
  Put("s.txt", " \r\n \n x y");
  FileHandle f = FileOpen("s.txt", 0, 1, 1);
  ASSERT_NE(f, 0);
  int end = 7;
  SkipStreamBlanks(f, &end);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(FileReadByte(f), 'x');
  SkipStreamBlanks(f, &end);
  EXPECT_EQ(FileReadByte(f), 'y');
  SkipStreamBlanks(f, &end);
  EXPECT_EQ(end, 1);
  FileClose(f);
}

TEST(FileTimeTest, FileTimesBecomeCalendarFields) {
  FileDateTime t;
  FileTimeToDateTime(132223104000000000ull, &t);   // 2020-01-01 00:00:00 UTC; tests run with TZ=UTC
  EXPECT_EQ(t.year, 2020);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0);
  FileTimeToDateTime(132223104000000000ull + 10000000ull * (86400ull * 59 + 3600 * 13 + 60 * 14 + 15), &t);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 14);
  EXPECT_EQ(t.second, 15);
}

}  // namespace
}  // namespace zelvo_test

namespace zelvo_test {
namespace {

using namespace zelvo;

TEST_F(DirectFileTest, IdleThreadFillsTheCacheAndASeekDiscardsIt) {
  const std::vector<std::uint8_t> before = Pattern(200000);
  std::vector<std::uint8_t> after = before;
  for (auto& b : after) b = static_cast<std::uint8_t>(~b);
  const std::string host = Put("c.bin", before);
  FileHandle f = DirectFileOpen("c.bin", 1, 0, 0);
  ASSERT_NE(f, 0);
  // The thread fills its cache in its first idle slice (100 ms of the clock).
  ReadAheadBlock& t = reinterpret_cast<DirectFile*>(f)->thread;
  ASSERT_TRUE(testing_support::PollUntil([&t] { return t.cacheFill.load() >= kReadAheadCacheSize; }))
      << "the cache never filled";

  WriteFileBytes(host, after);
  std::vector<std::uint8_t> buffer(1000);
  // Served from the cache: the bytes as they were when it was filled.
  ASSERT_EQ(DirectFileRead(buffer.data(), 1, 1000, f), 1000);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), before.begin()));
  // A seek discards the cache: the bytes as they are now.
  ASSERT_EQ(DirectFileSeek(f, 0, 0), 0);
  ASSERT_EQ(DirectFileRead(buffer.data(), 1, 1000, f), 1000);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), after.begin()));
  EXPECT_EQ(DirectFileClose(f), 0);
}

}  // namespace
}  // namespace zelvo_test
