// Copying a rectangle of the draw target into a graph (texture graphs go to the Direct3D grabs). Every combination of screen and graph
// storage (memory image or surface) goes through one lock on each side and the pixel converter, so
// a graph whose format differs from the screen's gets converted pixels.
#include "media/graphics/screens/screen_to_graph.h"

#include <cstdint>
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/screens/screen_grab3d.h"
#include "media/pixels/memimg.h"
#include "media/pixels/spare_bits.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface_data.h"

namespace zelvo {

namespace {

struct ScreenSource {
  const std::uint8_t* pixels;
  int pitch;
  const PixelFormat* format;
  pf::DirectDrawSurface7* locked;
};

// The rectangle's first pixel on the draw target; -1 when it cannot be reached.
int OpenScreenSource(const IntRect& rect, ScreenSource* out) {
  *out = ScreenSource{};
  if (IsSoftwareRenderMode() || g_softTarget.surface == nullptr) {
    if (IsSoftwareRenderMode() && g_draw.target == kTargetFrontBuffer) ReloadSoftScreenFromDisplay();
    const MEMIMG* image = g_softTarget.image;
    if (image == nullptr) return -1;
    out->pixels = image->pixels + static_cast<std::ptrdiff_t>(rect.top) * image->pitch +
                  rect.left * image->format->BytesPerPixel;
    out->pitch = image->pitch;
    out->format = image->format;
    return 0;
  }
  // The front screen in a window is the desktop's primary: the draw offset moves to the client area.
  const int dx = g_softTarget.originX + g_draw.drawOffset.left, dy = g_softTarget.originY + g_draw.drawOffset.top;
  const pf::Rect area{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  if (g_softTarget.surface->Lock(&area, &desc, pf::DDLOCK_WAIT | pf::DDLOCK_READONLY, nullptr) != pf::DD_OK) {
    return WriteLogText("作業用サーフェスのロックに失敗しました\n");
  }
  out->pixels = static_cast<const std::uint8_t*>(desc.surface);
  out->pitch = desc.pitch;
  out->format = GetScreenPixelFormat();
  out->locked = g_softTarget.surface;
  return 0;
}

}  // namespace

int CopyScreenRectToGraphSoft(int x1, int y1, int x2, int y2, GraphRecord* graph) {
  if (GetDirectDrawObject() == nullptr && !IsSoftwareRenderMode()) return -1;
  const int width = x2 - x1, height = y2 - y1;
  if (width < 1 || height < 1 || width != graph->width || height != graph->height) return -1;
  if (x1 < 0 || y1 < 0 || x2 > g_draw.targetWidth || y2 > g_draw.targetHeight) return -1;
  if (graph->flags.isTexture || graph->backEndCount < 1) return -1;
  const Surface2DEntry* entry = GetSurface2D(graph->backEnds[0]);
  if (entry == nullptr) return -1;
  ScreenSource source{};
  const IntRect rect{x1, y1, x2, y2};
  if (OpenScreenSource(rect, &source) < 0) return -1;
  const IntRect place{entry->originX, entry->originY, entry->originX + width, entry->originY + height};
  int pitch = 0;
  void* pixels = nullptr;
  const PixelFormat* format = nullptr;
  int result = -1;
  const int lock = LockSurfaceRecord(entry->record, &pitch, &pixels, 1, &place, &format);
  if (lock != -1) {
    const IntRect all{0, 0, width, height};
    ConvertPixelRect(pixels, pitch, format, source.pixels, source.pitch, source.format, nullptr, 0, nullptr, 0, 0,
                     &all, 0, 0, 0, kReduceTruncate, 0, 0, 0);
    // Spare bits of copied screen pixels read as opaque when later taken for alpha.
    SetRectSpareBits(&all, pixels, pitch, format, 255);
    UnlockSurfaceRecord(entry->record, &place);
    result = 0;
  }
  if (source.locked != nullptr) source.locked->Unlock(nullptr);
  return result;
}

int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  if (g_graphics.ending) return 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  WaitWhileInactiveForDrawing();
  if (record->flags.isTexture) return G_D3D_CopyScreenToGraph(x1, y1, x2, y2, record, flag);
  return CopyScreenRectToGraphSoft(x1, y1, x2, y2, record);
}

}  // namespace zelvo
