// Events and waiting on events and threads.
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/kernel_testing.h"

#include <chrono>

namespace pf {
namespace {

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
  } else if (!object->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet)) {
    return kWaitTimeout;
  }
  if (!object->manualReset) object->signalled = false;
  return kWaitObject0;
}

}  // namespace pf
