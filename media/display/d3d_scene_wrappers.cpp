// Wrappers over the current device slot.
#include "media/display/d3d_scene_wrappers.h"

#include "media/display/d3d_device.h"

namespace zelvo {

int G_D3D_FlushIfPending(int /*unused*/) {
  G_D3D_FlushBatchCurrent();
  return 0;
}

int G_D3D_FlushIfPending2(int /*unused*/) {
  G_D3D_FlushBatchCurrent();
  return 0;
}

int G_D3D_EndSceneCurrent() { return G_D3D_EndScene(g_d3d.currentDevice); }

int G_D3D_SetWorldMatrix(const pf::D3DMatrix* matrix) {
  return G_D3D_SetDeviceTransform(pf::D3DTRANSFORMSTATE_WORLD, matrix, g_d3d.currentDevice);
}

int G_D3D_SetViewMatrix(const pf::D3DMatrix* matrix) {
  return G_D3D_SetDeviceTransform(pf::D3DTRANSFORMSTATE_VIEW, matrix, g_d3d.currentDevice);
}

int G_D3D_SetProjectionMatrix(const pf::D3DMatrix* matrix) {
  return G_D3D_SetDeviceTransform(pf::D3DTRANSFORMSTATE_PROJECTION, matrix, g_d3d.currentDevice);
}

}  // namespace zelvo
