#pragma once
// Waiting in a test for another thread's work, with a bound. Each poll sleeps a millisecond of the
// library's clock, so timed waits move on under the virtual clock too; the bound is real time, so a
// condition that never comes fails the test instead of hanging it.
#include <time.h>

#include "platform/kernel/kernel.h"

namespace zelvo::testing_support {

inline double RealSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Condition>
bool PollUntil(Condition condition, double realSecondsLimit = 20.0) {
  const double deadline = RealSeconds() + realSecondsLimit;
  while (!condition()) {
    if (RealSeconds() >= deadline) return false;
    pf::Sleep(1);
  }
  return true;
}

}  // namespace zelvo::testing_support
