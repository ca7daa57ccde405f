// COM's start and end: a per-thread start count.
#include "platform/com/com.h"

#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace {

thread_local int startCount = 0;

}  // namespace

std::int32_t CoInitialize(void*) {
  if (testing::ShouldFail("CoInitialize")) return kEFail;
  return startCount++ == 0 ? kSOk : kSFalse;
}

void CoUninitialize() {
  if (startCount > 0) --startCount;
}

}  // namespace pf
