// Local time and FILETIME conversions. FILETIMEs count 100 ns units from 1601-01-01 UTC.
#include "platform/kernel/kernel.h"
#include "platform/kernel/file_time.h"

#include <ctime>

namespace pf {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kUnixEpochUnits = 116444736000000000;  // 1970-01-01 as a FILETIME

std::uint64_t Units(const FileTime& time) { return (static_cast<std::uint64_t>(time.high) << 32) | time.low; }

FileTime FromUnits(std::uint64_t units) {
  return FileTime{static_cast<std::uint32_t>(units), static_cast<std::uint32_t>(units >> 32)};
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t* year, unsigned* month, unsigned* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  *month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  *year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (*month <= 2 ? 1 : 0);
}

}  // namespace

FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
  return FromUnits(static_cast<std::uint64_t>(kUnixEpochUnits + seconds * kUnitsPerSecond + nanoseconds / 100));
}

bool FileTimeToLocalFileTime(const FileTime* utc, FileTime* local) {
  if (utc == nullptr || local == nullptr) return false;
  const std::uint64_t units = Units(*utc);
  const time_t seconds = static_cast<time_t>((static_cast<std::int64_t>(units) - kUnixEpochUnits) / kUnitsPerSecond);
  tm parts{};
  if (localtime_r(&seconds, &parts) == nullptr) return false;
  const std::int64_t shifted = static_cast<std::int64_t>(units) + parts.tm_gmtoff * kUnitsPerSecond;
  if (shifted < 0) return false;
  *local = FromUnits(static_cast<std::uint64_t>(shifted));
  return true;
}

bool FileTimeToSystemTime(const FileTime* time, SystemTime* out) {
  if (time == nullptr || out == nullptr) return false;
  const std::uint64_t units = Units(*time);
  if (units > 0x7FFFFFFFFFFFFFFFull) return false;
  const auto totalSeconds = static_cast<std::int64_t>(units / kUnitsPerSecond);
  const std::int64_t days = totalSeconds / kSecondsPerDay;              // since 1601-01-01, a Monday
  const std::int64_t secondOfDay = totalSeconds % kSecondsPerDay;
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days - 134774, &year, &month, &day);                    // 134774 days from 1601 to 1970
  out->year = static_cast<std::uint16_t>(year);
  out->month = static_cast<std::uint16_t>(month);
  out->day = static_cast<std::uint16_t>(day);
  out->dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);
  out->hour = static_cast<std::uint16_t>(secondOfDay / 3600);
  out->minute = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
  out->second = static_cast<std::uint16_t>(secondOfDay % 60);
  out->milliseconds = static_cast<std::uint16_t>(units % kUnitsPerSecond / 10000);
  return true;
}

void GetLocalTime(SystemTime* out) {
  if (out == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  out->year = static_cast<std::uint16_t>(parts.tm_year + 1900);
  out->month = static_cast<std::uint16_t>(parts.tm_mon + 1);
  out->dayOfWeek = static_cast<std::uint16_t>(parts.tm_wday);
  out->day = static_cast<std::uint16_t>(parts.tm_mday);
  out->hour = static_cast<std::uint16_t>(parts.tm_hour);
  out->minute = static_cast<std::uint16_t>(parts.tm_min);
  out->second = static_cast<std::uint16_t>(parts.tm_sec);
  out->milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

}  // namespace pf
