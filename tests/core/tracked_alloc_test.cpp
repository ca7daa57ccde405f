// The allocator's log lines are read back from a scratch start folder's log, without stamps.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "platform/kernel/kernel.h"
#include "support/log_reading.h"
#include "support/test_paths.h"

namespace zelvo {
namespace {

class TrackedAllocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = zelvo_test::MakeScratchFolderForCurrentTest();
    CopyString(g_runState.startFolder, pf::HostPathToWindows(folder_).c_str());
    g_startUpOptions.hosted = 0;
    SetLogOff(0);
    SetLogTimestampOff(1);
    SetTrackedAllocOptions(TrackedAllocOptions{});
    StartLogFile();
  }
  void TearDown() override {
    SetTrackedAllocOptions(TrackedAllocOptions{});
    zelvo_test::RemoveFolderTree(folder_);
  }
  std::string TakeLog() {
    const std::string log = zelvo_test::ReadHostFile(folder_, "Log.txt");
    StartLogFile();
    return log;
  }
  // The serial id the allocator shows for a block, read from its dump line.
  int SerialOf(void* block) {
    TakeLog();
    const TrackedAllocOptions saved = GetTrackedAllocOptions();
    SetTrackedAllocOptions(TrackedAllocOptions{-1, 0, 0, 0});
    TrackedFree(block);
    SetTrackedAllocOptions(saved);
    return zelvo_test::FirstSerialId(TakeLog());
  }

  std::string folder_;
};

TEST_F(TrackedAllocTest, TotalsFollowAllocationsAndFrees) {
  const TrackedTotals start = TrackedAllocatorTotals();
  void* a = TrackedAlloc(10, "a.cpp", 1);
  void* b = TrackedAllocZeroed(20, "b.cpp", 2);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) % 16, 0u);
  const unsigned char zeros[20] = {};
  EXPECT_EQ(std::memcmp(b, zeros, 20), 0);
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, start.liveBytes + 30);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, start.liveCount + 2);
  EXPECT_EQ(TrackedFree(nullptr), 0);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, start.liveCount + 2);
  EXPECT_EQ(TrackedFree(a), 0);
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, start.liveBytes + 20);
  EXPECT_EQ(TrackedFree(b), 0);
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, start.liveBytes);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, start.liveCount);
  EXPECT_EQ(TakeLog(), "");   // nothing watched by default
}

TEST_F(TrackedAllocTest, DumpListsNewestFirstThenTheTotals) {
  void* older = TrackedAlloc(4, "src/abcd.cpp", 42);
  std::memcpy(older, "abcd", 4);
  void* newer = TrackedAlloc(20, "a_name_of_20_chars.c", 7);
  const unsigned char bytes[20] = {'x', 0x01, 0x7F, 0x80, 0xFF, ' ', '~', 'A', 'B', 'C',
                                   'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'};
  std::memcpy(newer, bytes, sizeof bytes);
  const int olderId = SerialOf(TrackedAlloc(1, nullptr, -1)) - 2;
  TakeLog();
  EXPECT_EQ(DumpTrackedBlocks(), -1);
  // 0x7F is not below the space when taken as signed, so it shows as itself; 0x80 and up do not.
  const std::string expected =
      "\r\nAlloc memory dump"
      "\tsize:20(0.020kb)  file:e_of_20_chars.c  line:7  ID:" + std::to_string(olderId + 1) +
      "  data:<x.\x7f.. ~ABCDEFGHI> [78 01 7f 80 ff 20 7e 41 42 43 44 45 46 47 48 49]\r\n"
      "\tsize:4(0.004kb)  file:src/abcd.cpp  line:42  ID:" + std::to_string(olderId) +
      "  data:<abcd> [61 62 63 64]\r\n"
      "\tTotal size:24(0.023kb)  Alloc num:2\r\n"
      "\r\n";
  EXPECT_EQ(TakeLog(), expected);
  TrackedFree(newer);
  TrackedFree(older);
}

TEST_F(TrackedAllocTest, ZeroSizeBlockShowsEmptyData) {
  void* empty = TrackedAlloc(0, "zero.cpp", 3);
  ASSERT_NE(empty, nullptr);
  TrackedFree(empty);
  SetTrackedAllocOptions(TrackedAllocOptions{-1, 0, 0, 0});
  void* again = TrackedAlloc(0, "zero.cpp", 3);
  TrackedFree(again);
  SetTrackedAllocOptions(TrackedAllocOptions{});
  const std::string log = TakeLog();
  EXPECT_NE(log.find("size:0(0.000kb)  file:zero.cpp  line:3"), std::string::npos);
  EXPECT_NE(log.find("data:<> []\r\n"), std::string::npos);
}

TEST_F(TrackedAllocTest, SourceNameKeepsItsLast15Characters) {
  struct Case { const char* file; const char* shown; };
  const Case cases[] = {
      {"abcdefghijklmnopqrst", "fghijklmnopqrst"},
      {"exactly_15_char", "exactly_15_char"},
      {"short.c", "short.c"},
      {nullptr, ""},
  };
  SetTrackedAllocOptions(TrackedAllocOptions{-1, 0, 0, 0});
  for (const Case& c : cases) {
    TakeLog();
    TrackedFree(TrackedAlloc(1, c.file, 5));
    const std::string log = TakeLog();
    EXPECT_NE(log.find(std::string("  file:") + c.shown + "  line:5  "), std::string::npos) << log;
  }
}

TEST_F(TrackedAllocTest, SerialIdWrapsFrom65535ToZero) {
  int next = SerialOf(TrackedAlloc(1, "probe", 1)) + 1;
  while (next % 65536 != 65535) {
    TrackedFree(TrackedAlloc(1, "fill", 1));
    ++next;
  }
  void* last = TrackedAlloc(1, "last", 1);
  void* wrapped = TrackedAlloc(1, "wrapped", 1);
  EXPECT_EQ(SerialOf(last), 65535);
  EXPECT_EQ(SerialOf(wrapped), 0);
}

TEST_F(TrackedAllocTest, WatchOptionsChooseWhatIsLogged) {
  struct Case { TrackedAllocOptions options; std::size_t size; const char* expected; };
  const Case cases[] = {
      {{24, 0, 0, 0}, 24, "mem alloc  \tsize:24(0.023kb)  file:w.c  line:9  ID:#  data:<"},
      {{24, 0, 0, 0}, 8, ""},
      {{-1, 0, 0, 0}, 8, "mem alloc  \tsize:8(0.008kb)  file:w.c  line:9  ID:#  data:<"},
      {{0, 1, 0, 0}, 8, "mem alloc  \tsize:8(0.008kb)  file:w.c  line:9  ID:#  data:<"},
      {{0, 0, 0, 0}, 0, "mem alloc  \tsize:0(0.000kb)  file:w.c  line:9  ID:#  data:<> []\r\n"},
  };
  for (const Case& c : cases) {
    SetTrackedAllocOptions(c.options);
    TakeLog();
    void* block = TrackedAlloc(c.size, "w.c", 9);
    std::memset(block, 'z', c.size);
    const std::string allocLog = zelvo_test::MaskSerialIds(TakeLog());
    TrackedFree(block);
    const std::string freeLog = zelvo_test::MaskSerialIds(TakeLog());
    EXPECT_EQ(allocLog.substr(0, std::strlen(c.expected)), c.expected) << "size " << c.size;
    if (c.expected[0] == '\0') {
      EXPECT_EQ(allocLog, "");
      EXPECT_EQ(freeLog, "");
    } else {
      EXPECT_EQ(freeLog.rfind("mem free  \tsize:", 0), 0u) << freeLog;
    }
  }
}

TEST_F(TrackedAllocTest, TotalsLineAfterEachOperation) {
  const TrackedTotals start = TrackedAllocatorTotals();
  SetTrackedAllocOptions(TrackedAllocOptions{1000000, 0, 1, 0});
  void* block = TrackedAlloc(2048, "t.c", 1);
  TrackedFree(block);
  char expected[256];
  StringPrintf(expected, sizeof expected,
               "\tTotal size:%zu(%.3fkb)  Alloc num:%d\r\n\tTotal size:%zu(%.3fkb)  Alloc num:%d\r\n",
               start.liveBytes + 2048, (start.liveBytes + 2048) / 1024.0, start.liveCount + 1, start.liveBytes,
               start.liveBytes / 1024.0, start.liveCount);
  EXPECT_EQ(TakeLog(), expected);
}

TEST_F(TrackedAllocTest, VerifyFindsADamagedHeader) {
  void* a = TrackedAlloc(16, "a.c", 1);
  void* b = TrackedAlloc(16, "b.c", 2);
  EXPECT_EQ(VerifyTrackedBlocks(), 0);
  // An underrun of a's data changes the last header byte of a's size field.
  unsigned char* sizeByte = static_cast<unsigned char*>(a) - 80 + 23;
  const unsigned char kept = *sizeByte;
  *sizeByte ^= 0x40;
  TakeLog();
  EXPECT_EQ(VerifyTrackedBlocks(), -1);
  const std::string log = TakeLog();
  EXPECT_EQ(log.rfind("以下のメモリ確保情報が破損しました\tsize:", 0), 0u) << log;
  EXPECT_NE(log.find("file:a.c  line:1"), std::string::npos);
  // With checks on each operation the damage shows at the next allocation too.
  SetTrackedAllocOptions(TrackedAllocOptions{1000000, 0, 0, 1});
  void* c = TrackedAlloc(4, "c.c", 3);
  EXPECT_NE(TakeLog().find("以下のメモリ確保情報が破損しました"), std::string::npos);
  SetTrackedAllocOptions(TrackedAllocOptions{});
  *sizeByte = kept;
  EXPECT_EQ(VerifyTrackedBlocks(), 0);
  TrackedFree(c);
  TrackedFree(b);
  TrackedFree(a);
  EXPECT_EQ(VerifyTrackedBlocks(), 0);
}

TEST_F(TrackedAllocTest, ImpossibleSizeFailsWithADump) {
  void* live = TrackedAlloc(3, "live.c", 1);
  const TrackedTotals before = TrackedAllocatorTotals();
  TakeLog();
  for (std::size_t size : {SIZE_MAX, SIZE_MAX - 10, static_cast<std::size_t>(0x7FFFFFFF)}) {
    EXPECT_EQ(TrackedAlloc(size, "huge.c", 2), nullptr) << size;
    EXPECT_EQ(TrackedAllocZeroed(size, "huge.c", 2), nullptr) << size;
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, before.liveBytes);
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
  const std::string log = TakeLog();
  EXPECT_NE(log.find("Alloc memory dump\tsize:3(0.003kb)  file:live.c"), std::string::npos) << log;
  TrackedFree(live);
}

TEST_F(TrackedAllocTest, AllocationMacroRecordsTheSourcePlace) {
  SetTrackedAllocOptions(TrackedAllocOptions{-1, 0, 0, 0});
  const int line = __LINE__ + 1;
  void* block = ZELVO_ALLOC(5);
  TrackedFree(block);
  const std::string log = TakeLog();
  EXPECT_NE(log.find("file:_alloc_test.cpp  line:" + std::to_string(line)), std::string::npos) << log;
}

}  // namespace
}  // namespace zelvo
