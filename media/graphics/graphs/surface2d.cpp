// The 2D surface table and the picture transfers into 2D surfaces.
#include "media/graphics/graphs/surface2d.h"

#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/dib_graph.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

Surface2DTable g_surface2D;

namespace {
int DisplayIsUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

// A palette image is keyed by index: the first palette entry that holds the transparent colour as
// it stands when the picture comes in (the low 24 bits of 32-bit entries, 16 bits of 16-bit ones),
// or 0 when none does.
std::uint32_t PaletteKeyIndex(const MEMIMG* image, std::uint32_t colorKey) {
  const PixelFormat* format = GetMemImgPixelFormat(image->colorType, 0, 0);
  const std::uint32_t packed =
      RgbaToColorValue(format, (colorKey >> 16) & 0xFF, (colorKey >> 8) & 0xFF, colorKey & 0xFF, 255);
  const auto* entries = static_cast<const std::uint8_t*>(image->palette);
  for (std::uint32_t i = 0; i < 256; ++i) {
    if (image->colorType == kMemImg8888) {
      std::uint32_t entry;
      std::memcpy(&entry, entries + i * 4, 4);
      if (((entry ^ packed) & 0xFFFFFF) == 0) return i;
    } else {
      std::uint16_t entry;
      std::memcpy(&entry, entries + i * 2, 2);
      if (entry == (packed & 0xFFFF)) return i;
    }
  }
  return 0;
}

// A palette screen's surfaces take pictures through GDI, which maps the picture's colours onto the
// screen palette.
int TransferThroughGdi(const GraphImage* picture, const IntRect& rect, int x, int y, SurfaceRecord* record) {
  pf::GdiObject section = CreateDIBFromGraphImage(picture);
  if (section == nullptr) return -1;
  pf::DeviceContext target = nullptr;
  if (record->surface->GetDC(&target) != pf::DD_OK) {
    pf::DeleteObject(section);
    return -1;
  }
  pf::DeviceContext source = pf::CreateCompatibleDC(target);
  const pf::GdiObject previous = source != nullptr ? pf::SelectObject(source, section) : nullptr;
  const bool copied = source != nullptr && pf::BitBlt(target, x, y, rect.right - rect.left, rect.bottom - rect.top,
                                                      source, rect.left, rect.top, pf::SRCCOPY);
  if (source != nullptr) {
    pf::SelectObject(source, previous);
    pf::DeleteDC(source);
  }
  record->surface->ReleaseDC(target);
  pf::DeleteObject(section);
  return copied ? 0 : -1;
}

}  // namespace

Surface2DEntry* GetSurface2D(int handle) { return g_surface2D.Find(handle); }

int AddSurface2D(int width, int height, int positionX, int positionY, int owner, const Surface2DEntry* parent,
                 int originX, int originY, const GraphFlags* graphFlags) {
  if (!DisplayIsUp()) return WriteLogText("ゼルボライブラリが初期化されていません\n");
  const int slot = g_surface2D.FreeSlot();
  if (slot < 0) return WriteLogText("２Ｄグラフィックの量が許容量を越えました\n");
  int record;
  if (parent != nullptr) {
    SurfaceRecordRefUp(parent->record);
    record = parent->record;
  } else {
    record = CreateSurfaceRecord(1, width, height, g_draw.transparentColor, graphFlags);
    if (record < 0) return WriteLogText("メモリの確保に失敗しました in AddSurface2D \n");
  }
  Surface2DEntry* entry = nullptr;
  const int handle = g_surface2D.Occupy(slot, &entry);
  if (handle < 0) {
    if (SurfaceRecordRefDown(record) == 0) ReleaseSurfaceRecord(record);
    return WriteLogText("メモリの確保に失敗しました in AddSurface2D \n");
  }
  entry->positionX = static_cast<std::uint16_t>(positionX);
  entry->positionY = static_cast<std::uint16_t>(positionY);
  entry->originX = static_cast<std::uint16_t>(originX);
  entry->originY = static_cast<std::uint16_t>(originY);
  entry->width = static_cast<std::uint16_t>(width);
  entry->height = static_cast<std::uint16_t>(height);
  entry->owner = owner;
  entry->record = record;
  return handle;
}

int DeleteSurface2D(int handle) {
  Surface2DEntry* entry = GetSurface2D(handle);
  if (entry == nullptr) return 0;
  if (SurfaceRecordRefDown(entry->record) == 0) ReleaseSurfaceRecord(entry->record);
  g_surface2D.Free(handle);
  return 0;
}

int DeleteAllSurface2D() {
  if (!DisplayIsUp()) return -1;
  for (int slot = 0; slot < g_surface2D.highWater; ++slot) {
    if (g_surface2D.slots[slot] != nullptr) DeleteSurface2D(g_surface2D.HandleOfSlot(slot));
  }
  return 0;
}

int CreateGraphSurfaces(GraphRecord* graph) {
  if (graph->flags.isTexture) return CreateGraph3DDivided(graph);
  const int handle = AddSurface2D(graph->width, graph->height, 0, 0, graph->handle, nullptr, 0, 0, &graph->flags);
  if (handle < 0) return -1;
  graph->backEnds[0] = handle;
  graph->backEndCount = 1;
  return 0;
}

int DeriveGraphSurface(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* parent) {
  if (parent->flags.isTexture) return DeriveGraph3D(graph, x, y, width, height, parent);
  const Surface2DEntry* parentEntry = GetSurface2D(parent->backEnds[0]);
  if (parentEntry == nullptr) return -1;
  const int handle = AddSurface2D(width, height, 0, 0, graph->handle, parentEntry, parentEntry->originX + x,
                                  parentEntry->originY + y, &graph->flags);
  if (handle < 0) return -1;
  graph->backEnds[0] = handle;
  graph->backEndCount = 1;
  return 0;
}

int DeleteGraphSurfaces(GraphRecord* graph) {
  if (graph->flags.isTexture) return ReleaseGraph3DPieces(graph);
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) result |= DeleteSurface2D(graph->backEnds[i]);
  graph->backEndCount = 0;
  return result;
}

int TransferImageToGraph(const GraphImage* picture, const GraphImage* alpha, int x, int y, GraphRecord* graph) {
  if (graph->flags.isTexture) return FillGraph3DFromImage(picture, alpha, x, y, graph);
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface2DEntry* entry = GetSurface2D(graph->backEnds[i]);
    if (entry == nullptr) return -1;
    const IntRect source{x + entry->positionX, y + entry->positionY, x + entry->positionX + entry->width,
                         y + entry->positionY + entry->height};
    result |= TransferImageRectToSurface2D(picture, alpha, &source, entry->originX, entry->originY, graph->backEnds[i]);
  }
  return result;
}

int TransferImageRectToGraph(const GraphImage* picture, const GraphImage* alpha, const IntRect* rect, int x, int y,
                             GraphRecord* graph) {
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface2DEntry* entry = GetSurface2D(graph->backEnds[i]);
    if (entry == nullptr) return -1;
    IntRect part{x, y, x + rect->right - rect->left, y + rect->bottom - rect->top};
    const IntRect covered{entry->positionX, entry->positionY, entry->positionX + entry->width,
                          entry->positionY + entry->height};
    ClipRect(&part, &covered);
    if (part.right <= part.left || part.bottom <= part.top) continue;
    const IntRect source{rect->left + part.left - x, rect->top + part.top - y, rect->left + part.right - x,
                         rect->top + part.bottom - y};
    result |= TransferImageRectToSurface2D(picture, alpha, &source, entry->originX + part.left - entry->positionX,
                                           entry->originY + part.top - entry->positionY, graph->backEnds[i]);
  }
  return result;
}

int TransferImageRectToSurface2D(const GraphImage* picture, const GraphImage* alpha, const IntRect* sourceRect,
                                 int x, int y, int handle) {
  if (!DisplayIsUp()) return -1;
  if (g_graphics.ending) return 0;
  const Surface2DEntry* entry = GetSurface2D(handle);
  if (entry == nullptr) return -1;
  SurfaceRecord* record = GetSurfaceRecord(entry->record);
  if (record == nullptr) return -1;
  // The rectangle stops at the picture's edge.
  IntRect rect = *sourceRect;
  const IntRect whole{0, 0, picture->width, picture->height};
  ClipRect(&rect, &whole);
  if (rect.right <= rect.left || rect.bottom <= rect.top) return 0;
  if (!record->memoryImage && GetScreenColorBitDepth() == 8) {
    if (TransferThroughGdi(picture, rect, x, y, record) < 0) return -1;
    ApplySurfaceColorKey(entry->record);
    return 0;
  }
  const void* alphaPixels = alpha != nullptr ? alpha->pixels : nullptr;
  const int alphaPitch = alpha != nullptr ? alpha->pitch : 0;
  const PixelFormat* alphaFormat = alpha != nullptr ? &alpha->format : nullptr;
  if (record->memoryImage) {
    MEMIMG* image = &record->image;
    const int top = ConvertPixelRect(image->pixels, image->pitch, image->format, picture->pixels, picture->pitch,
                                     &picture->format, alphaPixels, alphaPitch, alphaFormat, x, y, &rect, 0, 0, 0,
                                     g_draw.optionWord, 0, 0, 0);
    if (top < 0) return -1;
    if (image->paletteFlag) {
      SetMemImgPaletteFromFormat(image, &picture->format);
      if (top + 1 > image->paletteCount) image->paletteCount = top + 1;
      image->transparentColor = PaletteKeyIndex(image, g_draw.transparentColor);
    }
    CompleteMemImgTransfer(image, rect.right - rect.left, rect.bottom - rect.top);
  } else {
    const IntRect target{x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
    int pitch = 0;
    void* pixels = nullptr;
    const PixelFormat* format = nullptr;
    if (LockSurfaceRecord(entry->record, &pitch, &pixels, 1, &target, &format) == -1) {
      return WriteLogText("２Ｄサーフェスのロックに失敗しました\n");
    }
    ConvertPixelRect(pixels, pitch, format, picture->pixels, picture->pitch, &picture->format, alphaPixels,
                     alphaPitch, alphaFormat, 0, 0, &rect, 0, 0, 0, g_draw.optionWord, 0, 0, 0);
    UnlockSurfaceRecord(entry->record, &target);
  }
  ApplySurfaceColorKey(entry->record);
  return 0;
}

int TransferMovieFrame(const MovieRecord* movie, GraphRecord* graph) {
  const Surface2DEntry* entry = GetSurface2D(graph->backEnds[0]);
  SurfaceRecord* record = entry != nullptr ? GetSurfaceRecord(entry->record) : nullptr;
  if (record == nullptr) return -1;
  const GraphImage& frame = movie->frame;
  // A palette screen takes its pictures through GDI.
  if (!record->memoryImage && GetScreenColorBitDepth() == 8) {
    const IntRect whole{0, 0, graph->width, graph->height};
    return TransferImageRectToSurface2D(&frame, nullptr, &whole, entry->originX, entry->originY, graph->backEnds[0]);
  }
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  const PixelFormat* format = nullptr;
  if (record->memoryImage) {
    pixels = record->image.pixels;
    pitch = record->image.pitch;
    format = record->image.format;
  } else {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    if (record->surface->Lock(nullptr, &desc, pf::DDLOCK_WAIT | pf::DDLOCK_WRITEONLY, nullptr) != pf::DD_OK) {
      return WriteLogText("ムービーグラフィック転送先サーフェスのロックに失敗しました\n");
    }
    pixels = static_cast<std::uint8_t*>(desc.surface);
    pitch = desc.pitch;
    format = GetScreenPixelFormat();
  }
  pixels += static_cast<std::ptrdiff_t>(entry->originY) * pitch + entry->originX * format->BytesPerPixel;
  const bool sameLayout = frame.format.ColorBitDepth == format->ColorBitDepth &&
                          frame.format.ChannelMask[0] == format->ChannelMask[0] &&
                          frame.format.ChannelMask[1] == format->ChannelMask[1] &&
                          frame.format.ChannelMask[2] == format->ChannelMask[2];
  if (sameLayout) {
    // Rows of the movie's width, but never past the graph: a graph shown at half width is narrower
    // than its frames.
    const int width = movie->width < graph->width ? movie->width : graph->width;
    const int height = movie->height < graph->height ? movie->height : graph->height;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * format->BytesPerPixel;
    for (int y = 0; y < height; ++y) {
      std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * pitch,
                  static_cast<const std::uint8_t*>(frame.pixels) + static_cast<std::ptrdiff_t>(y) * frame.pitch,
                  rowBytes);
    }
  } else {
    const IntRect whole{0, 0, graph->width, graph->height};
    ConvertPixelRect(pixels, pitch, format, frame.pixels, frame.pitch, &frame.format, nullptr, 0, nullptr, 0, 0,
                     &whole, 0, 0, 0, g_draw.optionWord, 0, 0, 0);
  }
  if (record->memoryImage) {
    CompleteMemImgTransfer(&record->image, graph->width, graph->height);
  } else {
    record->surface->Unlock(nullptr);
  }
  return 0;
}

int SetSurface2DLostFlag(int handle, int* flag) {
  Surface2DEntry* entry = GetSurface2D(handle);
  if (entry == nullptr) return -1;
  entry->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int RestoreGraphSurfaces(GraphRecord* graph) {
  if (graph->flags.isTexture) return RestoreGraph3DTextures(graph);
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface2DEntry* entry = GetSurface2D(graph->backEnds[i]);
    if (entry != nullptr) result |= RestoreSurfaceIfLost(entry->record);
  }
  return result;
}

}  // namespace zelvo
