// The handle table and CloseHandle.
#include "platform/kernel/kernel_object.h"

#include <unordered_map>

namespace pf {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<KernelObject*, std::shared_ptr<KernelObject>> objects;
};

// Never destroyed: detached threads may still close handles while the process exits.
HandleTable& Table() {
  static HandleTable* table = new HandleTable;
  return *table;
}

}  // namespace

namespace kernel_objects {

Handle Register(std::shared_ptr<KernelObject> object) {
  HandleTable& table = Table();
  KernelObject* key = object.get();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.objects.emplace(key, std::move(object));
  return key;
}

bool Unregister(Handle handle) {
  std::shared_ptr<KernelObject> released;  // destroyed after the table lock is dropped
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  if (it == table.objects.end()) return false;
  released = std::move(it->second);
  table.objects.erase(it);
  return true;
}

std::shared_ptr<KernelObject> Find(Handle handle) {
  if (handle == nullptr || handle == kInvalidHandle) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  return it == table.objects.end() ? nullptr : it->second;
}

}  // namespace kernel_objects

bool CloseHandle(Handle handle) {
  if (handle == nullptr || handle == kInvalidHandle) return false;
  return kernel_objects::Unregister(handle);
}

}  // namespace pf
