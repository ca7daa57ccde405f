// The device's render target follows the draw target. A texture graph is rendered into only when
// it is one piece made as a draw target; a 2D graph only when its storage is a surface of its own
// that Direct3D can render into. Any other graph leaves the target invalid, so shapes go to the
// software path and texture-graph draws draw nothing.
#include "media/graphics/graphs/d3d_render_target.h"

#include "media/core/window_state.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

// Outcomes of looking for a graph's render surface.
enum : int { kRenders = 0, kBadGraph = -1, kCannotRender = -2, kSeveralPieces = 1 };

SurfaceRecord* TextureRecordOf(const GraphRecord* graph) {
  const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[0]);
  return piece != nullptr ? GetSurfaceRecord(piece->texture) : nullptr;
}

int GraphRenderSurface(int target, pf::DirectDrawSurface7** out) {
  *out = nullptr;
  const GraphRecord* graph = GetGraphRecord(target);
  if (graph == nullptr) return kBadGraph;
  if (graph->backEndCount != 1) return kSeveralPieces;
  if (graph->flags.isTexture) {
    const SurfaceRecord* texture = TextureRecordOf(graph);
    if (texture == nullptr || !texture->flags.drawValid || texture->surface == nullptr) return kBadGraph;
    *out = texture->surface;
    return kRenders;
  }
  const Surface2DEntry* entry = GetSurface2D(graph->backEnds[0]);
  const SurfaceRecord* record = entry != nullptr ? GetSurfaceRecord(entry->record) : nullptr;
  if (record == nullptr) return kBadGraph;
  // A memory image has no surface; a cell inside a shared surface would be drawn at the surface's
  // origin rather than its own.
  if (record->memoryImage || record->surface == nullptr || entry->originX != 0 || entry->originY != 0) {
    return kCannotRender;
  }
  *out = record->surface;
  return kRenders;
}

}  // namespace

int IsRenderableTextureGraph(int graph) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr || !record->flags.isTexture) return 0;
  pf::DirectDrawSurface7* surface = nullptr;
  return GraphRenderSurface(graph, &surface) == kRenders ? 1 : 0;
}

pf::DirectDrawSurface7* Direct3DTargetSurface() {
  if (g_d3d.targetInvalid) return nullptr;
  if (g_draw.target == kTargetFrontBuffer) return GetFrontSurface();
  if (g_draw.target == kTargetBackBuffer) return GetBackSurface();
  pf::DirectDrawSurface7* surface = nullptr;
  GraphRenderSurface(g_draw.target, &surface);
  return surface;
}

int G_D3D_SelectRenderTarget(int target) {
  if (g_d3d.object == nullptr) return 0;
  const int slot = g_d3d.currentDevice;
  G_D3D_FlushBatch(slot);
  G_D3D_EndScene(slot);
  G_D3D_SetRenderTarget(nullptr, slot);
  G_D3D_SetTexture(nullptr, slot);
  pf::DirectDrawSurface7* surface = nullptr;
  int frontSurface = 0;
  if (target == kTargetFrontBuffer) {
    surface = GetFrontSurface();
    frontSurface = 1;
  } else if (target == kTargetBackBuffer) {
    surface = GetBackSurface();
  } else {
    const int found = GraphRenderSurface(target, &surface);
    if (found == kSeveralPieces) return 0;
    if (found == kBadGraph) return -1;
    if (found == kCannotRender) {
      g_d3d.targetInvalid = 1;
      return -1;
    }
  }
  g_d3d.targetInvalid = 0;
  g_d3d.sceneEndsAfterEachDraw = frontSurface;
  if (surface == nullptr) return -1;
  if (G_D3D_SetRenderTarget(surface, slot) < 0) {
    // The surface refused to be a render target (system memory): the software path draws instead.
    if (target >= 0) g_d3d.targetInvalid = 1;
    return -1;
  }
  return 0;
}

int G_D3D_ClearTarget() {
  if (g_d3d.object == nullptr) return -1;
  if (g_graphics.ending) return 0;
  G_D3D_FlushBatchCurrent();
  G_D3D_EndScene(g_d3d.currentDevice);
  if (g_draw.target < 0) return 0;
  const GraphRecord* graph = GetGraphRecord(g_draw.target);
  if (graph == nullptr || !graph->flags.isTexture) return 0;
  SurfaceRecord* texture = graph->backEndCount > 0 ? TextureRecordOf(graph) : nullptr;
  if (texture == nullptr || texture->surface == nullptr) return -1;
  const pf::Rect whole{0, 0, texture->width, texture->height};
  if (texture->depthSurface != nullptr) {
    const pf::DDBltFx depth{sizeof(pf::DDBltFx), 0, 0xFFFF};
    texture->depthSurface->Blt(&whole, nullptr, nullptr, pf::DDBLT_DEPTHFILL | pf::DDBLT_WAIT, &depth);
  }
  const int red = g_windowSettings.backgroundSet ? g_windowSettings.backgroundRed : 0;
  const int green = g_windowSettings.backgroundSet ? g_windowSettings.backgroundGreen : 0;
  const int blue = g_windowSettings.backgroundSet ? g_windowSettings.backgroundBlue : 0;
  const pf::DDBltFx fill{sizeof(pf::DDBltFx),
                         RgbaToColorValue(GetPixelFormatDesc(texture->kindCode), red, green, blue, 0), 0};
  texture->surface->Blt(&whole, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fill);
  return 0;
}

int G_D3D_FillSurface(const GraphRecord* graph, int red, int green, int blue, int alpha) {
  G_D3D_FlushBatchCurrent();
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    SurfaceRecord* texture = piece != nullptr ? GetSurfaceRecord(piece->texture) : nullptr;
    if (texture == nullptr || texture->surface == nullptr) return -1;
    const pf::DDBltFx fill{sizeof(pf::DDBltFx),
                           RgbaToColorValue(GetPixelFormatDesc(texture->kindCode), red, green, blue, alpha), 0};
    // Only the piece's own rectangle: cells of a divided picture share one texture.
    const pf::Rect area{piece->uOffset, piece->vOffset, piece->uOffset + piece->width, piece->vOffset + piece->height};
    texture->surface->Blt(&area, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fill);
  }
  return 0;
}

}  // namespace zelvo
