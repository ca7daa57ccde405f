// Dropped files: the names the host reports are gathered until the drop is complete and handed to
// the window as one WM_DROPFILES; the drop record lives until DragFinish.
#include "platform/window/window_internal.h"

#include <cstring>
#include <memory>

namespace pf {

struct DropRecord {
  std::vector<std::string> names;   // CP932
};

namespace {

std::unique_ptr<DropRecord>& Pending() {
  static std::unique_ptr<DropRecord> pending;
  return pending;
}

}  // namespace

namespace window_system {

void AddDroppedFile(const std::string& cp932) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  if (Pending() == nullptr) Pending() = std::make_unique<DropRecord>();
  Pending()->names.push_back(cp932);
}

void CompleteDrop(WindowHandle window) {
  std::unique_ptr<DropRecord> drop;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    drop = std::move(Pending());
  }
  if (drop == nullptr) return;
  DropHandle handle = drop.get();
  if (PostMessage(window, WM_DROPFILES, reinterpret_cast<WParam>(handle), 0)) drop.release();
}

}  // namespace window_system

std::uint32_t DragQueryFile(DropHandle drop, std::uint32_t index, char* buffer, std::uint32_t size) {
  if (drop == nullptr) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<std::uint32_t>(drop->names.size());
  if (index >= drop->names.size()) return 0;
  const std::string& name = drop->names[index];
  if (buffer != nullptr && size > 0) {
    std::size_t copied = name.size() < size - 1 ? name.size() : size - 1;
    std::memcpy(buffer, name.data(), copied);
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(copied);
  }
  return static_cast<std::uint32_t>(name.size());
}

void DragFinish(DropHandle drop) { delete drop; }

}  // namespace pf
