#pragma once
// Small operations on the current device that the drawing state and the other back-ends call:
// flushing queued vertices before a depth setting changes, ending the scene before anything else
// touches a surface, and handing the world, view and projection matrices to the device.
#include "platform/d3d/d3d.h"

namespace zelvo {

// Both draw the current device's queued vertices (with the depth state they were queued under);
// 0 always, also without a device. The argument is not used.
int G_D3D_FlushIfPending(int unused);
int G_D3D_FlushIfPending2(int unused);
int G_D3D_EndSceneCurrent();
// The device's transform: 0, or -1 without a device or when the device refuses it.
int G_D3D_SetWorldMatrix(const pf::D3DMatrix* matrix);
int G_D3D_SetViewMatrix(const pf::D3DMatrix* matrix);
int G_D3D_SetProjectionMatrix(const pf::D3DMatrix* matrix);

}  // namespace zelvo
