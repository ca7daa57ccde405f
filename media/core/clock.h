#pragma once
// The time helpers behind the public time entry points.
#include <zelvo/zelvo.h>

namespace zelvo {

// timeGetTime: milliseconds, wrapping at 2^32 (the argument is not used).
int CurrentMilliseconds(int ignored);
// Local date and time: year, month, day, hour, minute, second; returns 0.
int ReadLocalDateTime(ZelvoDateTime* record);

}  // namespace zelvo
