#pragma once
// Kernel objects behind handles. A handle is the object's address, valid while it is in the table;
// users take a shared reference, so closing a handle while another thread waits on it is safe.
#include "platform/kernel/kernel.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace pf {

enum class ObjectKind { kFile, kEvent, kThread, kSearch };

struct KernelObject {
  explicit KernelObject(ObjectKind objectKind) : kind(objectKind) {}
  virtual ~KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  const ObjectKind kind;
};

// An event, or a thread (signalled for good once it has ended).
struct Waitable : KernelObject {
  Waitable(ObjectKind objectKind, bool manual, bool initiallySet)
      : KernelObject(objectKind), manualReset(manual), signalled(initiallySet) {}
  std::mutex mutex;
  std::condition_variable changed;
  const bool manualReset;
  bool signalled;
};

namespace kernel_objects {

Handle Register(std::shared_ptr<KernelObject> object);
// Removes the handle from the table; false when it was not there.
bool Unregister(Handle handle);
std::shared_ptr<KernelObject> Find(Handle handle);

template <class T>
std::shared_ptr<T> FindAs(Handle handle, ObjectKind kind) {
  std::shared_ptr<KernelObject> object = Find(handle);
  if (object == nullptr || object->kind != kind) return nullptr;
  return std::static_pointer_cast<T>(std::move(object));
}

inline std::shared_ptr<Waitable> FindWaitable(Handle handle) {
  std::shared_ptr<KernelObject> object = Find(handle);
  if (object == nullptr || (object->kind != ObjectKind::kEvent && object->kind != ObjectKind::kThread)) return nullptr;
  return std::static_pointer_cast<Waitable>(std::move(object));
}

}  // namespace kernel_objects
}  // namespace pf
