// Events and waiting on events and threads.
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/kernel/virtual_clock.h"

#include <chrono>

namespace pf {
namespace {

constexpr std::uint64_t kNsPerMs = 1000000;

// Under the virtual clock a timeout is counted in virtual time, which other threads move on as
// they query the clock and sleep: the wait looks at the signal in short real slices until the
// virtual deadline has passed. The clock itself is not moved, so an idle waiter leaves time alone.
bool WaitOnVirtualClock(Waitable& object, std::unique_lock<std::mutex>& lock, std::uint32_t milliseconds) {
  auto isSet = [&object] { return object.signalled; };
  const std::uint64_t deadline = virtual_clock::Now() + milliseconds * kNsPerMs;
  for (;;) {
    if (object.changed.wait_for(lock, std::chrono::milliseconds(1), isSet)) return true;
    if (virtual_clock::Now() >= deadline) return false;
  }
}

struct EventObject : Waitable {
  EventObject(bool manual, bool initiallySet) : Waitable(ObjectKind::kEvent, manual, initiallySet) {}
};

}  // namespace

Handle CreateEvent(bool manualReset, bool initiallySet) {
  if (testing::ShouldFail("CreateEvent")) return nullptr;
  return kernel_objects::Register(std::make_shared<EventObject>(manualReset, initiallySet));
}

bool SetEvent(Handle handle) {
  auto event = kernel_objects::FindAs<EventObject>(handle, ObjectKind::kEvent);
  if (event == nullptr) return false;
  {
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
  }
  if (event->manualReset) {
    event->changed.notify_all();
  } else {
    event->changed.notify_one();
  }
  return true;
}

bool ResetEvent(Handle handle) {
  auto event = kernel_objects::FindAs<EventObject>(handle, ObjectKind::kEvent);
  if (event == nullptr) return false;
  std::lock_guard<std::mutex> lock(event->mutex);
  event->signalled = false;
  return true;
}

std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  std::shared_ptr<Waitable> object = kernel_objects::FindWaitable(handle);
  if (object == nullptr) return kWaitFailed;
  std::unique_lock<std::mutex> lock(object->mutex);
  auto isSet = [&object] { return object->signalled; };
  if (milliseconds == kInfinite) {
    object->changed.wait(lock, isSet);
  } else if (milliseconds == 0 || !virtual_clock::On()) {
    if (!object->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet)) return kWaitTimeout;
  } else if (!WaitOnVirtualClock(*object, lock, milliseconds)) {
    return kWaitTimeout;
  }
  if (!object->manualReset) object->signalled = false;
  return kWaitObject0;
}

}  // namespace pf
