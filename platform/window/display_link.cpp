// The client pixels the drawing layers share with the window system.
#include "platform/window/display_link.h"

#include <mutex>
#include <vector>

#include "platform/host/host.h"
#include "platform/window/window_internal.h"

namespace pf::window_system {

bool DrawClientPixels(WindowHandle window, bool present, const ClientPixelsDraw& draw) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  WindowRecord* record = window == nullptr ? HostWindow() : Find(window);
  if (record == nullptr) return false;
  const Rect client = ClientScreenRect(*record);
  const int width = client.right - client.left, height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return false;
  std::vector<std::uint32_t>& clientPixels = record->clientPixels;
  if (clientPixels.size() != static_cast<std::size_t>(width) * height) {
    clientPixels.assign(static_cast<std::size_t>(width) * height, 0);
  }
  draw(clientPixels.data(), width, height, client);
  if (present && record->hostWindow) {
    if (host::Host* current = host::CurrentHost()) current->Present(clientPixels.data(), width, height, width * 4);
  }
  return true;
}

}  // namespace pf::window_system
