#pragma once
// FILETIME from the host's time stamps.
#include "platform/kernel/kernel.h"

namespace pf {

FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace pf
