// The kept copy is one tracked block: the format and size the pixels were read in, then the rows.
#include "media/graphics/graphs/kept_pixels.h"

#include <cstddef>
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

struct KeptPixels {
  PixelFormat format;
  int width, height, pitch;
  // The rows follow.
};

std::uint8_t* KeptRows(KeptPixels* kept) { return reinterpret_cast<std::uint8_t*>(kept + 1); }

int StorageOf(const GraphRecord* graph, int backEnd) {
  if (graph->flags.isTexture) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[backEnd]);
    return piece != nullptr ? piece->texture : -1;
  }
  const Surface2DEntry* entry = GetSurface2D(graph->backEnds[backEnd]);
  return entry != nullptr ? entry->record : -1;
}

// The surface's own format: on a palette screen a 2D surface holds 8-bit indices whatever format
// the library draws in, and the copy must be as wide as the surface's rows.
bool SurfaceOwnFormat(pf::DirectDrawSurface7* surface, PixelFormat* format) {
  pf::DDPixelFormat own{};
  own.size = sizeof own;
  if (surface->GetPixelFormat(&own) != pf::DD_OK || own.bitCount < 8) return false;
  SetupPixelFormatFromMasks(format, static_cast<int>(own.bitCount), own.redMask, own.greenMask, own.blueMask,
                            own.alphaMask);
  return true;
}

bool SameFormat(const PixelFormat& a, const PixelFormat& b) {
  return a.BytesPerPixel == b.BytesPerPixel && std::memcmp(a.ChannelMask, b.ChannelMask, sizeof a.ChannelMask) == 0;
}

// A lock of the whole surface; one already held may be of a part of it, so it is not shared.
bool LockedWhole(int handle, int* pitch, void** pixels, int writeOnly, const PixelFormat** format) {
  const int locked = LockSurfaceRecord(handle, pitch, pixels, writeOnly, nullptr, format);
  if (locked == -2) UnlockSurfaceRecord(handle, nullptr);
  return locked == 0;
}

void KeepRecordPixels(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr || record->memoryImage || record->surface == nullptr) return;
  if (record->surface->IsLost() != pf::DD_OK) return;
  PixelFormat format{};
  if (!SurfaceOwnFormat(record->surface, &format)) return;
  const int pitch = record->width * format.BytesPerPixel;
  auto* kept = static_cast<KeptPixels*>(record->keptPixels);
  // The screen's depth, and with it a 2D surface's pixel size, may have changed since the last copy.
  if (kept != nullptr && (kept->pitch != pitch || kept->height != record->height)) {
    ForgetKeptPixels(record);
    kept = nullptr;
  }
  if (kept == nullptr) {
    kept = static_cast<KeptPixels*>(
        ZELVO_ALLOC_ZEROED(sizeof(KeptPixels) + static_cast<std::size_t>(pitch) * record->height));
    if (kept == nullptr) return;
    kept->pitch = pitch;
    kept->height = record->height;
    record->keptPixels = kept;
  }
  int sourcePitch = 0;
  void* source = nullptr;
  if (!LockedWhole(handle, &sourcePitch, &source, 0, nullptr)) return;
  kept->format = format;
  kept->width = record->width;
  kept->height = record->height;
  kept->pitch = pitch;
  for (int y = 0; y < record->height; ++y) {
    std::memcpy(KeptRows(kept) + static_cast<std::ptrdiff_t>(y) * pitch,
                static_cast<const std::uint8_t*>(source) + static_cast<std::ptrdiff_t>(y) * sourcePitch,
                static_cast<std::size_t>(pitch));
  }
  UnlockSurfaceRecord(handle, nullptr);
}

}  // namespace

void KeepDrawnGraphPixels(int graph) {
  if (graph < 0) return;
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return;
  for (int i = 0; i < record->backEndCount; ++i) KeepRecordPixels(StorageOf(record, i));
}

void PutBackKeptPixels(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return;
  auto* kept = static_cast<KeptPixels*>(record->keptPixels);
  if (kept == nullptr || record->surface == nullptr || kept->width != record->width ||
      kept->height != record->height) {
    return;
  }
  PixelFormat format{};
  if (!SurfaceOwnFormat(record->surface, &format)) return;
  int pitch = 0;
  void* pixels = nullptr;
  if (!LockedWhole(handle, &pitch, &pixels, 1, nullptr)) return;
  if (SameFormat(format, kept->format)) {
    for (int y = 0; y < kept->height; ++y) {
      std::memcpy(static_cast<std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch,
                  KeptRows(kept) + static_cast<std::ptrdiff_t>(y) * kept->pitch, static_cast<std::size_t>(kept->pitch));
    }
  } else if (format.BytesPerPixel > 1 && kept->format.BytesPerPixel > 1) {
    const IntRect whole{0, 0, kept->width, kept->height};
    ConvertPixelRect(pixels, pitch, &format, KeptRows(kept), kept->pitch, &kept->format, nullptr, 0, nullptr, 0, 0,
                     &whole, 0, 0, 0, 0, 0, 0, 0);
  }
  UnlockSurfaceRecord(handle, nullptr);
}

void PutBackDrawnGraphPixels(int graph) {
  if (graph < 0) return;
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return;
  for (int i = 0; i < record->backEndCount; ++i) PutBackKeptPixels(StorageOf(record, i));
}

void ForgetKeptPixels(SurfaceRecord* record) {
  if (record->keptPixels == nullptr) return;
  TrackedFree(record->keptPixels);
  record->keptPixels = nullptr;
}

}  // namespace zelvo
