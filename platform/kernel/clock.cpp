// Time: timeGetTime, the performance counter, Sleep, the timer period and the virtual clock.
// The real clock is CLOCK_MONOTONIC. The virtual clock counts nanoseconds from 0; every millisecond
// query moves it on by 1 ms and Sleep by the full amount, so polling loops and waits end at once.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/kernel/virtual_clock.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sched.h>

namespace pf {
namespace {

constexpr std::uint64_t kNsPerMs = 1000000;
constexpr std::int64_t kPerformanceFrequency = 1000000000;  // the counter counts nanoseconds
constexpr std::uint32_t kTimerNoError = 0;
constexpr std::uint32_t kTimerNoCanDo = 97;
constexpr std::uint32_t kMinimumPeriod = 1;

bool VirtualClockRequested() {
  const char* value = std::getenv("ZELVO_VIRTUAL_CLOCK");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

std::atomic<bool>& VirtualOn() {
  static std::atomic<bool> on{VirtualClockRequested()};
  return on;
}

std::atomic<std::uint64_t> virtualNs{0};

std::uint64_t RealNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace

namespace virtual_clock {

bool On() { return VirtualOn().load(std::memory_order_relaxed); }

std::uint64_t Advance(std::uint64_t nanoseconds) {
  return virtualNs.fetch_add(nanoseconds, std::memory_order_relaxed) + nanoseconds;
}

std::uint64_t Now() { return virtualNs.load(std::memory_order_relaxed); }

}  // namespace virtual_clock

namespace {

// One time query: the real clock, or the virtual clock moved on by a millisecond.
std::uint64_t QueryNs() { return virtual_clock::On() ? virtual_clock::Advance(kNsPerMs) : RealNs(); }

}  // namespace

std::uint32_t timeGetTime() { return static_cast<std::uint32_t>(QueryNs() / kNsPerMs); }

bool QueryPerformanceCounter(std::int64_t* count) {
  if (count == nullptr) return false;
  *count = static_cast<std::int64_t>(QueryNs());
  return true;
}

bool QueryPerformanceFrequency(std::int64_t* frequency) {
  if (frequency == nullptr) return false;
  *frequency = kPerformanceFrequency;
  return true;
}

void Sleep(std::uint32_t milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (virtual_clock::On()) {
    virtual_clock::Advance(milliseconds * kNsPerMs);
    // A short real pause, so periodic threads (the 17 ms message thread) do not spin a core
    // while virtual time races ahead.
    timespec pause{0, 200000L};
    nanosleep(&pause, nullptr);
    return;
  }
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

std::uint32_t timeBeginPeriod(std::uint32_t period) { return period >= kMinimumPeriod ? kTimerNoError : kTimerNoCanDo; }

std::uint32_t timeEndPeriod(std::uint32_t period) { return period >= kMinimumPeriod ? kTimerNoError : kTimerNoCanDo; }

std::uint32_t TimerMinimumPeriod() { return kMinimumPeriod; }

void SetVirtualClock(bool on) { VirtualOn().store(on, std::memory_order_relaxed); }

bool VirtualClockEnabled() { return virtual_clock::On(); }

void AdvanceVirtualClock(std::uint32_t milliseconds) { virtual_clock::Advance(milliseconds * kNsPerMs); }

namespace testing {

void SetVirtualTime(std::uint32_t milliseconds) {
  virtualNs.store(milliseconds * kNsPerMs, std::memory_order_relaxed);
}

}  // namespace testing
}  // namespace pf
