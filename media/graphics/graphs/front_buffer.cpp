// Drawing on the front buffer in a window lands on the desktop's pixels at the window's client
// area, so it follows the window and never reaches past the desktop's edges.
#include "media/graphics/graphs/front_buffer.h"

#include "media/core/window_mode.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "platform/window/window.h"

namespace zelvo {

IntRect FrontBufferClientOffset() {
  if (g_draw.target != kTargetFrontBuffer || ServiceWindowMode() != 1 || IsSoftwareRenderMode() ||
      g_screen.temporaryPrimary || g_screen.primarySurface == nullptr) {
    return IntRect{0, 0, 0, 0};
  }
  pf::Point origin{0, 0};
  pf::ClientToScreen(ServiceMainWindow(), &origin);
  return IntRect{origin.x, origin.y, 0, 0};
}

IntRect FrontBufferDrawOffset() { return g_draw.maskActive ? IntRect{0, 0, 0, 0} : FrontBufferClientOffset(); }

IntRect FrontBufferVisiblePart(int width, int height) {
  IntRect part{0, 0, width, height};
  if (g_draw.target != kTargetFrontBuffer || (g_draw.drawOffset.left == 0 && g_draw.drawOffset.top == 0)) return part;
  int desktopWidth = 0, desktopHeight = 0;
  QueryDesktopMode(&desktopWidth, &desktopHeight, nullptr);
  const int x = g_draw.drawOffset.left, y = g_draw.drawOffset.top;
  if (x < 0) part.left = -x;
  if (y < 0) part.top = -y;
  if (x + width > desktopWidth) part.right = desktopWidth - x;
  if (y + height > desktopHeight) part.bottom = desktopHeight - y;
  if (part.right < part.left) part.right = part.left;
  if (part.bottom < part.top) part.bottom = part.top;
  return part;
}

void FollowWindowMove() {
  if (g_draw.target == kTargetFrontBuffer) g_draw.drawOffset = FrontBufferDrawOffset();
  const IntRect r = g_draw.requestedRegion;
  SetDrawRegion(r.left, r.top, r.right, r.bottom);
}

}  // namespace zelvo
