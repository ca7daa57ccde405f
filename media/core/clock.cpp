#include "media/core/clock.h"

#include "platform/kernel/kernel.h"

namespace zelvo {

int CurrentMilliseconds(int /*ignored*/) {
  return static_cast<int>(pf::timeGetTime());
}

int ReadLocalDateTime(ZelvoDateTime* record) {
  pf::SystemTime now{};
  pf::GetLocalTime(&now);
  record->Year = now.year;
  record->Month = now.month;
  record->Day = now.day;
  record->Hour = now.hour;
  record->Minute = now.minute;
  record->Second = now.second;
  return 0;
}

}  // namespace zelvo
