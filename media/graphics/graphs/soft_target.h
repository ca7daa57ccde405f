#pragma once
// Where the software path draws: the target image (software rendering, or a graph held as a
// MEMIMG) or the target DirectDraw surface, with the target's origin inside a shared surface.
#include "media/pixels/memimg.h"
#include "platform/ddraw/ddraw.h"

namespace zelvo {

struct SoftTargetState {
  pf::DirectDrawSurface7* surface;
  MEMIMG* image;
  MEMIMG* depthImage;
  int originX, originY;
  int inVideoMemory;
  int notReady;
};
extern SoftTargetState g_softTarget;

// The DirectDraw side of the target switch: 0, or -1 for a target without storage.
int SelectDrawScreen(int target, int previous);
void* DrawTargetSurfaceEntry();
// The MEMIMG of the current blend graph, or null.
const MEMIMG* GetBlendGraphMemImg();

}  // namespace zelvo
