// The virtual clock, timers, the counters and processor identification.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class KernelVirtualClock : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    pf::testing::SetVirtualTime(1000);
  }
};

TEST_F(KernelVirtualClock, QueriesAdvanceOneMillisecondSleepTheFullAmount) {
  EXPECT_TRUE(pf::VirtualClockEnabled());
  EXPECT_EQ(pf::timeGetTime(), 1001u);
  EXPECT_EQ(pf::timeGetTime(), 1002u);
  pf::Sleep(500);
  EXPECT_EQ(pf::timeGetTime(), 1503u);
  pf::Sleep(0);
  EXPECT_EQ(pf::timeGetTime(), 1504u);
  pf::AdvanceVirtualClock(96);
  EXPECT_EQ(pf::timeGetTime(), 1601u);
}

TEST_F(KernelVirtualClock, PerformanceCounterFollowsVirtualTime) {
  std::int64_t frequency = 0, first = 0, second = 0;
  ASSERT_TRUE(pf::QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(pf::QueryPerformanceCounter(&first));
  pf::Sleep(10);
  ASSERT_TRUE(pf::QueryPerformanceCounter(&second));
  EXPECT_EQ(second - first, 11 * frequency / 1000);
}

TEST_F(KernelVirtualClock, TimeGetTimeWraps) {
  pf::testing::SetVirtualTime(0xFFFFFFFEu);
  EXPECT_EQ(pf::timeGetTime(), 0xFFFFFFFFu);
  EXPECT_EQ(pf::timeGetTime(), 0u);
}

// The start-up speed probe: read the counter, wait 100 ms by timeGetTime, read it again.
TEST_F(KernelVirtualClock, TimeStampProbeGivesPlausibleSpeed) {
  const std::uint64_t before = pf::ReadTimeStampCounter();
  const std::uint32_t start = pf::timeGetTime();
  while (pf::timeGetTime() - start < 100) {
  }
  const std::uint64_t ticks = pf::ReadTimeStampCounter() - before;
  const double gigahertz = static_cast<double>(ticks) * 0.00001 * 0.001;
  EXPECT_GT(gigahertz, 2.9);
  EXPECT_LT(gigahertz, 3.2);
  EXPECT_NE(pf::ReadTimeStampCounter(), pf::ReadTimeStampCounter());
}

TEST(KernelClock, RealClockMovesForward) {
  pf::SetVirtualClock(false);
  // Read until the counter moves (a nanosecond counter does within a few reads), never backwards.
  std::int64_t first = 0, last = 0;
  pf::QueryPerformanceCounter(&first);
  last = first;
  for (int reads = 0; reads < 1000000 && last == first; ++reads) {
    std::int64_t now = 0;
    pf::QueryPerformanceCounter(&now);
    ASSERT_GE(now, last);
    last = now;
  }
  EXPECT_GT(last, first);
  EXPECT_EQ(pf::TimerMinimumPeriod(), 1u);
  EXPECT_EQ(pf::timeBeginPeriod(1), 0u);
  EXPECT_EQ(pf::timeEndPeriod(1), 0u);
  EXPECT_NE(pf::timeBeginPeriod(0), 0u);
}

TEST(KernelSystemInfo, MemoryAndProcessor) {
  pf::MemoryStatus memory{};
  pf::GlobalMemoryStatus(&memory);
  EXPECT_GT(memory.totalPhysical, 0u);
  EXPECT_LE(memory.availablePhysical, memory.totalPhysical);

  if (pf::CpuIdAvailable()) {
    pf::CpuIdRegisters regs{};
    pf::CpuId(0, &regs);
    EXPECT_GE(regs.eax, 1u);  // highest standard leaf
  }
  pf::testing::SetCpuIdAvailable(false);
  EXPECT_FALSE(pf::CpuIdAvailable());
  pf::CpuIdRegisters regs{1, 1, 1, 1};
  pf::CpuId(0, &regs);
  EXPECT_EQ(regs.eax, 0u);
  pf::testing::SetCpuIdAvailable(true);
}

TEST(KernelDebugOutput, CaptureTakesTextAsWritten) {
  pf::testing::CaptureDebugOutput(true);
  pf::OutputDebugString("abc\n");
  pf::OutputDebugString("\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "abc\n\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
  pf::testing::CaptureDebugOutput(false);
  pf::OutputDebugString("dropped");
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
}

TEST(KernelTime, FileTimeToSystemTime) {
  struct Case {
    std::uint64_t units;
    pf::SystemTime expected;
  };
  const Case cases[] = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
      {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},
      {116444736000000000ull + 951782400ull * 10000000 + 1234 * 10000, {2000, 2, 2, 29, 0, 0, 1, 234}},
      {116444736000000000ull + 86399ull * 10000000, {1970, 1, 4, 1, 23, 59, 59, 0}},
  };
  for (const Case& c : cases) {
    pf::FileTime time{static_cast<std::uint32_t>(c.units), static_cast<std::uint32_t>(c.units >> 32)};
    pf::SystemTime out{};
    ASSERT_TRUE(pf::FileTimeToSystemTime(&time, &out));
    EXPECT_EQ(out.year, c.expected.year);
    EXPECT_EQ(out.month, c.expected.month);
    EXPECT_EQ(out.dayOfWeek, c.expected.dayOfWeek);
    EXPECT_EQ(out.day, c.expected.day);
    EXPECT_EQ(out.hour, c.expected.hour);
    EXPECT_EQ(out.minute, c.expected.minute);
    EXPECT_EQ(out.second, c.expected.second);
    EXPECT_EQ(out.milliseconds, c.expected.milliseconds);
  }
  pf::FileTime negative{0, 0x80000000u};
  pf::SystemTime out{};
  EXPECT_FALSE(pf::FileTimeToSystemTime(&negative, &out));
}

TEST(KernelTime, LocalFileTimeUsesTimeZone) {
  // Each test has its own process, so the zone can be changed here.
  setenv("TZ", "JST-9", 1);
  tzset();
  const std::uint64_t units = 0x01D0000012345678ull;
  pf::FileTime utc{static_cast<std::uint32_t>(units), static_cast<std::uint32_t>(units >> 32)}, local{};
  ASSERT_TRUE(pf::FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ((static_cast<std::uint64_t>(local.high) << 32 | local.low) - units, 9ull * 3600 * 10000000);
  setenv("TZ", "UTC", 1);
  tzset();
  ASSERT_TRUE(pf::FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ(local.low, utc.low);
  EXPECT_EQ(local.high, utc.high);
  pf::SystemTime now{};
  pf::GetLocalTime(&now);
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
}

}  // namespace
