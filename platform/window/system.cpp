// The cursor's show count, system metrics, the desktop mode, system parameters, the OEM code page
// and message boxes.
#include "platform/host/host.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_testing.h"

#include <atomic>

namespace pf {
namespace {

std::atomic<int> cursorShowCount{0};
std::atomic<std::uint32_t> foregroundLockTimeout{200000};
std::atomic<bool> screenSaverActive{true};
std::atomic<window_system::DisplayModeSource> displayModeSource{nullptr};

}  // namespace

int ShowCursor(bool show) {
  int count = show ? ++cursorShowCount : --cursorShowCount;
  host::Host* current = host::CurrentHost();
  if (current != nullptr) current->SetCursorVisible(count >= 0);
  return count;
}

bool GetCursorPos(Point* out) {
  if (out == nullptr) return false;
  int x = 0, y = 0;
  host::Host* current = host::CurrentHost();
  if (current != nullptr) current->MousePosition(&x, &y);
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::HostWindow();
  if (record != nullptr) {
    Rect client = window_system::ClientScreenRect(*record);
    x += client.left;
    y += client.top;
  }
  *out = Point{x, y};
  return true;
}

void window_system::SetDisplayModeSource(DisplayModeSource source) { displayModeSource = source; }

void GetDesktopMode(int* width, int* height, int* bitsPerPixel) {
  host::Host* current = host::CurrentHost();
  host::DesktopMode mode = current != nullptr ? current->Desktop() : host::DesktopMode{0, 0, 0};
  window_system::DisplayModeSource source = displayModeSource;
  if (source != nullptr) source(&mode.width, &mode.height, &mode.bitsPerPixel);
  if (width != nullptr) *width = mode.width;
  if (height != nullptr) *height = mode.height;
  if (bitsPerPixel != nullptr) *bitsPerPixel = mode.bitsPerPixel;
}

int GetSystemMetrics(int index) {
  int width = 0, height = 0;
  switch (index) {
    case SM_CXSCREEN: GetDesktopMode(&width, nullptr, nullptr); return width;
    case SM_CYSCREEN: GetDesktopMode(nullptr, &height, nullptr); return height;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return 3;
    case SM_CYCAPTION:
    case SM_CYMENU: return 19;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    default: return 0;
  }
}

bool SystemParametersInfo(std::uint32_t action, std::uint32_t param, void* data, std::uint32_t) {
  host::Host* current = host::CurrentHost();
  switch (action) {
    case SPI_SETSCREENSAVEACTIVE:
      screenSaverActive = param != 0;
      if (current != nullptr) current->SetScreenSaver(param != 0);
      return true;
    case SPI_SCREENSAVERRUNNING: return true;
    case SPI_GETFOREGROUNDLOCKTIMEOUT:
      if (data == nullptr) return false;
      *static_cast<std::uint32_t*>(data) = foregroundLockTimeout;
      return true;
    case SPI_SETFOREGROUNDLOCKTIMEOUT:
      foregroundLockTimeout = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data));
      return true;
    default: return false;
  }
}

namespace {
std::atomic<std::uint32_t> g_oemCodePage{932};
}  // namespace

std::uint32_t GetOEMCP() { return g_oemCodePage.load(); }
void testing::SetOemCodePage(std::uint32_t codePage) { g_oemCodePage.store(codePage); }

int MessageBox(WindowHandle, const char* text, const char* caption, std::uint32_t) {
  host::Host* current = host::CurrentHost();
  std::string captionUtf8 = Cp932ToUtf8(caption != nullptr ? caption : "");
  std::string textUtf8 = Cp932ToUtf8(text != nullptr ? text : "");
  if (current != nullptr) current->ShowMessageBox(captionUtf8.c_str(), textUtf8.c_str());
  return 1;
}

}  // namespace pf
