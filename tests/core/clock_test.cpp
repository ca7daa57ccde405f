#include "media/core/clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

namespace zelvo {
namespace {

TEST(Clock, MillisecondsFollowTheTimerAndWrap) {
  pf::SetVirtualClock(true);
  pf::testing::SetVirtualTime(5000);
  const int now = CurrentMilliseconds(0);
  EXPECT_GE(now, 5000);
  EXPECT_LE(now, 5002);
  pf::testing::SetVirtualTime(0xFFFFFFFEu);
  const std::uint32_t before = static_cast<std::uint32_t>(CurrentMilliseconds(0));
  pf::AdvanceVirtualClock(10);
  const std::uint32_t after = static_cast<std::uint32_t>(CurrentMilliseconds(0));
  EXPECT_LT(after, before);
  EXPECT_GE(after - before, 10u);
}

bool SameTime(const ZelvoDateTime& r, const std::tm& t) {
  return r.Year == t.tm_year + 1900 && r.Month == t.tm_mon + 1 && r.Day == t.tm_mday && r.Hour == t.tm_hour &&
         r.Minute == t.tm_min && r.Second == t.tm_sec;
}

TEST(Clock, LocalDateTimeFillsSixFields) {
  // The tests run with TZ=UTC; the record must show the wall clock of one of the two readings.
  const std::time_t before = std::time(nullptr);
  ZelvoDateTime record{};
  EXPECT_EQ(ReadLocalDateTime(&record), 0);
  const std::time_t after = std::time(nullptr);
  std::tm a{}, b{};
  localtime_r(&before, &a);
  localtime_r(&after, &b);
  EXPECT_TRUE(SameTime(record, a) || SameTime(record, b))
      << record.Year << "-" << record.Month << "-" << record.Day << " " << record.Hour << ":" << record.Minute << ":"
      << record.Second;
}

}  // namespace
}  // namespace zelvo
