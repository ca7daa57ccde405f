// Surface-data records and their storage: a MEMIMG in system memory or a DirectDraw standard
// surface, or a texture of the Direct3D back-end.
#include "media/graphics/graphs/surface_data.h"

#include <cstring>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/kept_pixels.h"
#include "media/display/convert_pixel_rect.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

SurfaceDataTable g_surfaceData;

namespace {

constexpr int kStandardSurfaceKind = 9;

void NormalizeFlags(GraphFlags* flags) {
  if (flags->isTexture) {
    flags->systemMemory = 0;
    if (flags->drawValid || flags->alphaCh) flags->alphaTest = 0;
  } else {
    if (flags->alphaCh || flags->alphaOnly) flags->systemMemory = 1;
    flags->alphaTest = 0;
    flags->drawValid = 1;
  }
}

pf::Rect ToRect(const IntRect* r) { return pf::Rect{r->left, r->top, r->right, r->bottom}; }

pf::DirectDrawSurface7* CreateStandardSurface(int width, int height, std::uint32_t caps) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT;
  desc.width = static_cast<std::uint32_t>(width);
  desc.height = static_cast<std::uint32_t>(height);
  desc.caps.caps = caps;
  pf::DirectDrawSurface7* surface = nullptr;
  return GetDirectDrawObject()->CreateSurface(&desc, &surface, nullptr) == pf::DD_OK ? surface : nullptr;
}

int CreateMemoryImage(SurfaceRecord* record) {
  std::memset(&record->image, 0, sizeof record->image);
  int result;
  if (record->flags.alphaOnly) {
    result = InitMemImg(&record->image, record->width, record->height, -1, 0, kMemImgSingle8, 0, 0, 0);
  } else {
    const int colorType = record->flags.colorBitDepth == 16 ? kMemImg565 : kMemImg8888;
    std::uint32_t key = 0xFFFF;
    if (!record->flags.palette) {
      const PixelFormat* format = GetMemImgPixelFormat(colorType, record->flags.alphaCh, 0);
      key = RgbaToColorValue(format, (record->colorKey >> 16) & 0xFF, (record->colorKey >> 8) & 0xFF,
                             record->colorKey & 0xFF, 255);
    }
    result = InitMemImg(&record->image, record->width, record->height, -1, key, colorType, record->flags.palette,
                        record->flags.alphaCh, 0);
  }
  if (result < 0) {
    std::memset(&record->image, 0, sizeof record->image);
    WriteLogText("メモリイメージの作成に失敗しました\n");
    return -1;
  }
  return 0;
}

int CreateSurfaceStorage(int handle, SurfaceRecord* record) {
  if (record->surface != nullptr || IsMemImgValid(&record->image)) return 0;
  if (record->memoryImage) {
    if (CreateMemoryImage(record) < 0) return -1;
    return SetSurfaceDepthBuffer(handle, record->depthBuffer);
  }
  if (record->flags.isTexture) {
    if (CreateTextureStorage(record) < 0) return -1;
    return SetSurfaceDepthBuffer(handle, record->depthBuffer);
  }
  if (GetDirectDrawObject() == nullptr) return -1;
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  const bool systemMemory = record->flags.systemMemory || record->width > screenWidth || IsSoftwareRenderMode();
  std::uint32_t caps = pf::DDSCAPS_OFFSCREENPLAIN |
                       (systemMemory ? pf::DDSCAPS_SYSTEMMEMORY : pf::DDSCAPS_VIDEOMEMORY | pf::DDSCAPS_3DDEVICE);
  record->surface = CreateStandardSurface(record->width, record->height, caps);
  if (record->surface == nullptr) {
    record->surface = CreateStandardSurface(record->width, record->height,
                                            pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY);
  }
  if (record->surface == nullptr) {
    WriteLogText("標準サーフェスの作成に失敗しました\n");
    return -1;
  }
  pf::DDCaps2 landed{};
  record->surface->GetCaps(&landed);
  if (!(landed.caps & pf::DDSCAPS_VIDEOMEMORY)) record->flags.systemMemory = 1;
  record->flags.drawValid = 1;
  return SetSurfaceDepthBuffer(handle, record->depthBuffer);
}

void ReleaseSurfaceStorage(SurfaceRecord* record) {
  if (record->memoryImage) {
    FreeMemImg(&record->depthImage);
    FreeMemImg(&record->image);
    std::memset(&record->depthImage, 0, sizeof record->depthImage);
    std::memset(&record->image, 0, sizeof record->image);
    return;
  }
  if (record->surface == nullptr) return;
  if (record->depthSurface != nullptr) {
    record->surface->DeleteAttachedSurface(0, record->depthSurface);
    record->depthSurface->Release();
    record->depthSurface = nullptr;
  }
  record->surface->Release();
  record->surface = nullptr;
}

}  // namespace

SurfaceRecord* GetSurfaceRecord(int handle) { return g_surfaceData.Find(handle); }

const PixelFormat* SurfaceRecordFormat(const SurfaceRecord* record) {
  if (record->flags.isTexture) return GetPixelFormatDesc(record->kindCode);
  return record->memoryImage ? record->image.format : GetScreenPixelFormat();
}

int CreateSurfaceRecord(int refCount, int width, int height, std::uint32_t colorKey, const GraphFlags* flags) {
  const int slot = g_surfaceData.FreeSlot();
  if (slot < 0) return WriteLogText("サーフェスのデータ数が許容量を越えました。\n");
  SurfaceRecord* record = nullptr;
  const int handle = g_surfaceData.Occupy(slot, &record);
  if (handle < 0) return WriteLogText("サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
  record->flags = *flags;
  NormalizeFlags(&record->flags);
  record->memoryImage = record->flags.systemMemory || (IsSoftwareRenderMode() && GetScreenColorBitDepth() != 8);
  record->kindCode = record->memoryImage ? 10 + 2 * (record->flags.colorBitDepth != 16) + record->flags.alphaCh
                                         : kStandardSurfaceKind;
  record->refCount = refCount;
  record->colorKey = colorKey;
  record->width = static_cast<std::uint16_t>(width);
  record->height = static_cast<std::uint16_t>(height);
  if (CreateSurfaceStorage(handle, record) < 0) {
    ReleaseSurfaceRecord(handle);
    return -1;
  }
  ApplySurfaceColorKey(handle);
  return handle;
}

int ReleaseSurfaceRecord(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return -1;
  ReleaseSurfaceStorage(record);
  ForgetKeptPixels(record);
  g_surfaceData.Free(handle);
  return 0;
}

int SurfaceRecordRefDown(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  return record == nullptr ? -1 : --record->refCount;
}

int SurfaceRecordRefUp(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  return record == nullptr ? -1 : ++record->refCount;
}

int SetSurfaceDepthBuffer(int handle, int wanted) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return -1;
  const int present = record->memoryImage ? IsMemImgValid(&record->depthImage) : record->depthSurface != nullptr;
  if ((present != 0) == (wanted != 0)) return 0;
  if (!record->flags.drawValid) return -1;
  if (wanted) {
    if (record->memoryImage) {
      std::memset(&record->depthImage, 0, sizeof record->depthImage);
      if (InitDepthMemImg(&record->depthImage, record->width, record->height) < 0) return -1;
    } else {
      pf::SurfaceDesc desc{};
      desc.size = sizeof desc;
      desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
      desc.width = record->width;
      desc.height = record->height;
      desc.caps.caps = pf::DDSCAPS_ZBUFFER | pf::DDSCAPS_VIDEOMEMORY;
      desc.pixelFormat = pf::DDPixelFormat{sizeof(pf::DDPixelFormat), pf::DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
      if (GetDirectDrawObject()->CreateSurface(&desc, &record->depthSurface, nullptr) != pf::DD_OK ||
          record->surface->AddAttachedSurface(record->depthSurface) != pf::DD_OK) {
        if (record->depthSurface != nullptr) record->depthSurface->Release();
        record->depthSurface = nullptr;
        return WriteLogText("Ｚバッファの作成に失敗しました");
      }
    }
  } else if (record->memoryImage) {
    FreeMemImg(&record->depthImage);
    std::memset(&record->depthImage, 0, sizeof record->depthImage);
  } else {
    record->surface->DeleteAttachedSurface(0, record->depthSurface);
    record->depthSurface->Release();
    record->depthSurface = nullptr;
  }
  record->depthBuffer = wanted;
  return 0;
}

int ApplySurfaceColorKey(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return -1;
  if (record->surface == nullptr) return 0;
  const std::uint32_t value =
      record->flags.isTexture ? TextureColorKeyValue(record)
      : GetScreenColorBitDepth() == 8
          ? 0
          : RgbToScreenColor((record->colorKey >> 16) & 0xFF, (record->colorKey >> 8) & 0xFF, record->colorKey & 0xFF);
  pf::DDColorKey key{value, value};
  if (record->surface->SetColorKey(pf::DDCKEY_SRCBLT, &key) != pf::DD_OK) {
    return WriteLogText(record->flags.isTexture ? "テクスチャサーフェスのカラーキーの設定に失敗しました\n"
                                                : "標準サーフェスのカラーキーの設定に失敗しました\n");
  }
  return 0;
}

int RestoreSurfaceIfLost(int handle) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr || record->surface == nullptr) return 0;
  if (record->surface->IsLost() == pf::DD_OK) return 0;
  record->surface->Restore();
  PutBackKeptPixels(handle);
  return -1;
}

int LockSurfaceRecord(int handle, int* pitch, void** pointer, int writeOnly, const IntRect* rect,
                      const PixelFormat** format) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return -1;
  if (format != nullptr) *format = SurfaceRecordFormat(record);
  if (record->lockNesting > 0) {
    *pitch = record->lockedPitch;
    *pointer = record->lockedPointer;
    ++record->lockNesting;
    return -2;
  }
  if (record->memoryImage) {
    std::uint8_t* pixels = record->image.pixels;
    if (rect != nullptr) pixels += rect->top * record->image.pitch + rect->left * MemImgBytesPerPixel(&record->image);
    record->lockedPitch = record->image.pitch;
    record->lockedPointer = pixels;
  } else {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    pf::Rect area{};
    if (rect != nullptr) area = ToRect(rect);
    if (record->surface->Lock(rect != nullptr ? &area : nullptr, &desc,
                              pf::DDLOCK_WAIT | (writeOnly ? static_cast<std::uint32_t>(pf::DDLOCK_WRITEONLY) : 0u), nullptr) != pf::DD_OK) {
      return WriteLogText("グラフィックのロックに失敗しました\n");
    }
    record->lockedPitch = desc.pitch;
    record->lockedPointer = desc.surface;
  }
  *pitch = record->lockedPitch;
  *pointer = record->lockedPointer;
  record->lockNesting = 1;
  return 0;
}

int UnlockSurfaceRecord(int handle, const IntRect* rect) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr || record->lockNesting == 0) return -1;
  if (--record->lockNesting == 0 && record->surface != nullptr) {
    pf::Rect area{};
    if (rect != nullptr) area = ToRect(rect);
    record->surface->Unlock(rect != nullptr ? &area : nullptr);
  }
  return 0;
}

// A memory image is filled whole with the packed colour (the surface case's colour-fill blit).
int FillSurfaceRecord(int handle, int red, int green, int blue, int alpha) {
  SurfaceRecord* record = GetSurfaceRecord(handle);
  if (record == nullptr) return -1;
  if (record->memoryImage) {
    FillMemImgRect(&record->image, nullptr, RgbaToColorValue(record->image.format, red, green, blue, alpha));
    return 0;
  }
  if (GetDirectDrawObject() == nullptr) return -1;
  pf::DDBltFx fx{sizeof(pf::DDBltFx), RgbaToColorValue(GetScreenPixelFormat(), red, green, blue, alpha), 0};
  record->surface->Blt(nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fx);
  return 0;
}

void ReleaseAllSurfaceObjects() {
  for (int slot = 0; slot < g_surfaceData.highWater; ++slot) {
    SurfaceRecord* record = g_surfaceData.slots[slot];
    if (record != nullptr && !record->memoryImage) ReleaseSurfaceStorage(record);
  }
}

void RecreateAllSurfaceObjects() {
  for (int slot = 0; slot < g_surfaceData.highWater; ++slot) {
    SurfaceRecord* record = g_surfaceData.slots[slot];
    if (record == nullptr || record->memoryImage) continue;
    const int handle = g_surfaceData.HandleOfSlot(slot);
    const bool made = record->surface == nullptr;
    if (CreateSurfaceStorage(handle, record) == 0) {
      ApplySurfaceColorKey(handle);
      if (made) PutBackKeptPixels(handle);
    }
  }
}

int ReleaseAllSurfaceData() {
  for (int slot = 0; slot < g_surfaceData.highWater; ++slot) {
    if (g_surfaceData.slots[slot] != nullptr) ReleaseSurfaceRecord(g_surfaceData.HandleOfSlot(slot));
  }
  g_surfaceData.highWater = 0;
  return 0;
}

}  // namespace zelvo
