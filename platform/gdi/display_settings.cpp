// Display settings through GDI, device capabilities, and the modifier keys' state.
#include "platform/ddraw/display.h"
#include "platform/ddraw/ddraw_testing.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/host/host.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace {

// USB HID usage codes of the left and right modifier keys.
constexpr int kLeftControl = 224, kLeftShift = 225, kLeftAlt = 226;
constexpr int kRightControl = 228, kRightShift = 229, kRightAlt = 230;

int reportedRefresh = -1;

}  // namespace

std::int32_t ChangeDisplaySettings(const DevMode* mode, std::uint32_t) {
  if (mode == nullptr) {
    display::RestoreDesktop();
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (testing::ShouldFail("ChangeDisplaySettings")) return DISP_CHANGE_FAILED;
  display::Mode current = display::Current();
  display::Mode wanted{(mode->fields & DM_PELSWIDTH) ? static_cast<int>(mode->pelsWidth) : current.width,
                       (mode->fields & DM_PELSHEIGHT) ? static_cast<int>(mode->pelsHeight) : current.height,
                       (mode->fields & DM_BITSPERPEL) ? static_cast<int>(mode->bitsPerPel) : current.bitsPerPixel,
                       (mode->fields & DM_DISPLAYFREQUENCY) ? static_cast<int>(mode->displayFrequency) : 0};
  if (!display::Accepts(wanted.width, wanted.height, wanted.bitsPerPixel, wanted.refresh)) return DISP_CHANGE_BADMODE;
  display::SetMode(wanted);
  return DISP_CHANGE_SUCCESSFUL;
}

int GetDeviceCaps(DeviceContext context, int index) {
  if (context != nullptr && !gdi::LiveContext(context)) return 0;
  display::Mode mode = display::Current();
  switch (index) {
    case HORZRES: return mode.width;
    case VERTRES: return mode.height;
    case BITSPIXEL: return mode.bitsPerPixel;
    case PLANES: return 1;
    case VREFRESH: return reportedRefresh >= 0 ? reportedRefresh : mode.refresh;
    default: return 0;
  }
}

std::int16_t GetKeyState(int virtualKey) {
  host::Host* current = host::CurrentHost();
  if (current == nullptr) return 0;
  bool down = false;
  switch (virtualKey) {
    case VK_SHIFT: down = current->IsKeyDown(kLeftShift) || current->IsKeyDown(kRightShift); break;
    case VK_CONTROL: down = current->IsKeyDown(kLeftControl) || current->IsKeyDown(kRightControl); break;
    case VK_MENU: down = current->IsKeyDown(kLeftAlt) || current->IsKeyDown(kRightAlt); break;
    default: break;
  }
  return down ? static_cast<std::int16_t>(-128) : 0;
}

namespace testing {

void SetReportedRefreshRate(int hertz) { reportedRefresh = hertz; }

}  // namespace testing
}  // namespace pf
