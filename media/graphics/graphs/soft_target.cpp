// The software path's draw target, switched with the draw target of the drawing state.
#include "media/graphics/graphs/soft_target.h"

#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/soft_draw_lock.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface_data.h"

namespace zelvo {

SoftTargetState g_softTarget;

namespace {
SurfaceRecord* GraphSurfaceRecord(const GraphRecord* graph, const Surface2DEntry** entryOut) {
  if (graph == nullptr || graph->flags.isTexture || graph->backEndCount < 1) return nullptr;
  const Surface2DEntry* entry = GetSurface2D(graph->backEnds[0]);
  if (entry == nullptr) return nullptr;
  if (entryOut != nullptr) *entryOut = entry;
  return GetSurfaceRecord(entry->record);
}

// In a window the primary is the whole desktop: the copy of the back buffer keeps to the window
// through the clipper, while drawing on the front buffer goes straight to the window's pixels.
void ApplyPrimaryClipper(int target) {
  pf::DirectDrawSurface7* const primary = g_screen.primarySurface;
  if (IsSoftwareRenderMode() || !IsDirectDrawMode() || primary == nullptr || g_screen.clipper == nullptr) return;
  if (ServiceWindowMode() != 1 && GetGdiSurfaceMode() == 0 && ServiceMenuEnabled() == 0) return;
  if (target == kTargetFrontBuffer) {
    primary->SetClipper(nullptr);
  } else if (target == kTargetBackBuffer) {
    primary->SetClipper(g_screen.clipper);
  }
}
}  // namespace

int SelectDrawScreen(int target, int /*previous*/) {
  SoftTargetState next{};
  if (target == kTargetFrontBuffer) {
    next.surface = GetFrontSurface();
    next.image = &SoftScreen;
  } else if (target == kTargetBackBuffer) {
    next.surface = GetBackSurface();
    next.image = &SoftBackScreen;
    next.depthImage = &SoftDepthScreen;
  } else {
    const GraphRecord* graph = GetGraphRecord(target);
    if (graph != nullptr && graph->flags.isTexture) {
      // Only the Direct3D device draws into a texture graph; software drawing finds no target.
      g_softTarget = SoftTargetState{};
      g_softTarget.notReady = 1;
      return 0;
    }
    const Surface2DEntry* entry = nullptr;
    SurfaceRecord* record = GraphSurfaceRecord(graph, &entry);
    if (record == nullptr) return -1;
    if (record->memoryImage) {
      next.image = &record->image;
    } else {
      next.surface = record->surface;
      next.originX = entry->originX;
      next.originY = entry->originY;
    }
    if (IsMemImgValid(&record->depthImage)) next.depthImage = &record->depthImage;
  }
  if (!IsSoftwareRenderMode() && target < 0) next.image = nullptr;
  if (next.depthImage != nullptr && !IsMemImgValid(next.depthImage)) next.depthImage = nullptr;
  if (next.surface != nullptr) {
    pf::DDCaps2 caps{};
    next.surface->GetCaps(&caps);
    next.inVideoMemory = (caps.caps & pf::DDSCAPS_VIDEOMEMORY) ? 1 : 0;
  }
  g_softTarget = next;
  ApplyPrimaryClipper(target);
  return 0;
}

void* DrawTargetSurfaceEntry() { return g_softTarget.surface; }

// A cell of a divided picture blends by its own rectangle of the shared image.
const MEMIMG* GetBlendGraphMemImg() {
  static MEMIMG view;
  if (g_draw.blendGraph == -1) return nullptr;
  const Surface2DEntry* entry = nullptr;
  SurfaceRecord* record = GraphSurfaceRecord(GetGraphRecord(g_draw.blendGraph), &entry);
  if (record == nullptr || !record->memoryImage || !IsMemImgValid(&record->image)) return nullptr;
  return Surface2DSourceImage(entry, &view);
}

}  // namespace zelvo
