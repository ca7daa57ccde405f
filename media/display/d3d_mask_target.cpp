// The mask target of the Direct3D device.
#include "media/display/d3d_mask_target.h"

#include "media/display/d3d_device.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"

namespace zelvo {

int G_D3D_SetMaskMode(int on, pf::DirectDrawSurface7* maskSurface) {
  if (g_d3d.object == nullptr) return -1;
  const int slot = g_d3d.currentDevice;
  G_D3D_FlushBatch(slot);
  pf::DirectDrawSurface7* const drawTarget = GetDrawTargetSurface();
  const int masked = on != 0 && maskSurface != nullptr;
  G_D3D_SetRenderTarget(masked ? maskSurface : drawTarget, slot);
  IntRect region{0, 0, 0, 0};
  if (Services().getDrawRegion != nullptr) Services().getDrawRegion(&region);
  if (!masked || ServiceWindowMode() != 1 || drawTarget == nullptr || drawTarget != g_screen.primarySurface) {
    G_D3D_SetDrawRegion(&region);
    return 0;
  }
  // The mask surface has the screen's size: the front buffer's window offset does not apply to it.
  pf::D3DViewport7 viewport{};
  viewport.x = static_cast<std::uint32_t>(region.left);
  viewport.y = static_cast<std::uint32_t>(region.top);
  viewport.width = static_cast<std::uint32_t>(region.right - region.left);
  viewport.height = static_cast<std::uint32_t>(region.bottom - region.top);
  viewport.minZ = 0.0f;
  viewport.maxZ = 1.0f;
  return G_D3D_SetViewport(&viewport, slot) < 0 ? -1 : 0;
}

}  // namespace zelvo
