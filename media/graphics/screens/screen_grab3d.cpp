// Copying a rectangle of the screen into a texture graph. Drivers disagree on which way into a
// texture works, so five strategies sit in a table and the one that worked is remembered, apart for
// graphs with and without transparency.
#include "media/graphics/screens/screen_grab3d.h"

#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace zelvo {
namespace {

struct GrabScreen {
  int width, height;
  int offsetX, offsetY;
  pf::DirectDrawSurface7* source;
};

// One piece's share of the rectangle: where it is read and written and how much of it.
struct PieceCopy {
  const Surface3DRecord* piece;
  SurfaceRecord* texture;
  int sourceX, sourceY;
  int width, height;
};

bool WholeDesktop(int flag) { return flag == 0 && ServiceWindowMode() == 1 && g_draw.target == kTargetFrontBuffer; }

GrabScreen ScreenOf(int flag) {
  GrabScreen s{};
  s.source = g_draw.target == kTargetFrontBuffer ? GetFrontSurface() : GetBackSurface();
  if (WholeDesktop(flag)) {
    s.width = pf::GetSystemMetrics(pf::SM_CXSCREEN);
    s.height = pf::GetSystemMetrics(pf::SM_CYSCREEN);
  } else {
    s.width = g_draw.targetWidth;
    s.height = g_draw.targetHeight;
    s.offsetX = g_draw.drawOffset.left;
    s.offsetY = g_draw.drawOffset.top;
  }
  return s;
}

bool RectFits(int x1, int y1, int x2, int y2, const GraphRecord* graph, const GrabScreen& s) {
  if (!(0 <= x1 && x1 < x2 && 0 <= y1 && y1 < y2 && x1 <= s.width && y1 <= s.height)) return false;
  return graph->width >= x2 - x1 && graph->height >= y2 - y1;
}

// The pieces that take part, each cut to what is left of the screen.
int PiecesToCopy(int x1, int y1, const GraphRecord* graph, const GrabScreen& s, PieceCopy* out) {
  int count = 0;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece == nullptr) continue;
    SurfaceRecord* texture = GetSurfaceRecord(piece->texture);
    if (texture == nullptr || texture->surface == nullptr) continue;
    const int sx = x1 + piece->x, sy = y1 + piece->y;
    if (sx > s.width || sy > s.height) continue;
    const int w = std::min<int>(piece->width, s.width - sx), h = std::min<int>(piece->height, s.height - sy);
    if (w <= 0 || h <= 0) continue;
    out[count++] = PieceCopy{piece, texture, s.offsetX + sx, s.offsetY + sy, w, h};
  }
  return count;
}

bool HasAlpha(const SurfaceRecord* texture) { return SurfaceRecordFormat(texture)->ChannelWidth[3] != 0; }

// Converts screen pixels into a locked texture rectangle (same layout or screen format to texture format).
void ConvertInto(void* pixels, int pitch, const SurfaceRecord* texture, const void* source, int sourcePitch,
                 const PixelFormat* sourceFormat, int width, int height) {
  const IntRect all{0, 0, width, height};
  ConvertPixelRect(pixels, pitch, SurfaceRecordFormat(texture), source, sourcePitch, sourceFormat, nullptr, 0, nullptr,
                   0, 0, &all, 0, HasAlpha(texture) ? 1 : 0, texture->colorKey, kReduceTruncate, 0, 0, 0);
}


int Fail(const char* format, long code) {
  WriteLogFormat(format, static_cast<int>(code));
  return -1;
}

int G_D3D_GetDrawScreenGraphFunction1(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  const GrabScreen s = ScreenOf(flag);
  if (WholeDesktop(flag) && GetBackSurface() != GetFrontSurface()) return -1;
  if (!RectFits(x1, y1, x2, y2, graph, s)) return -1;
  PieceCopy copies[kMaxBackEndHandles];
  const int count = PiecesToCopy(x1, y1, graph, s, copies);
  for (int i = 0; i < count; ++i) {
    const PieceCopy& c = copies[i];
    const pf::Rect from{c.sourceX, c.sourceY, c.sourceX + c.width, c.sourceY + c.height};
    const pf::HResult hr = c.texture->surface->BltFast(c.piece->uOffset, c.piece->vOffset, s.source, &from, 0);
    if (hr != pf::DD_OK) return Fail("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d", hr);
    ApplySurfaceColorKey(c.piece->texture);
  }
  return 0;
}

int G_D3D_GetDrawScreenGraphFunction2(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  const GrabScreen s = ScreenOf(flag);
  if (!RectFits(x1, y1, x2, y2, graph, s)) return -1;
  PieceCopy copies[kMaxBackEndHandles];
  const int count = PiecesToCopy(x1, y1, graph, s, copies);
  pf::DeviceContext screen = nullptr;
  pf::HResult hr = s.source->GetDC(&screen);
  if (hr != pf::DD_OK) return Fail("Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d", hr);
  int result = 0;
  for (int i = 0; i < count && result == 0; ++i) {
    const PieceCopy& c = copies[i];
    pf::DeviceContext dc = nullptr;
    hr = c.texture->surface->GetDC(&dc);
    if (hr != pf::DD_OK) {
      result = Fail("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC ReturnValue:%d", hr);
      break;
    }
    if (!pf::BitBlt(dc, c.piece->uOffset, c.piece->vOffset, c.width, c.height, screen, c.sourceX, c.sourceY, pf::SRCCOPY)) {
      WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
                     0u /* the platform keeps no thread error code */);
      result = -1;
    }
    hr = c.texture->surface->ReleaseDC(dc);
    if (hr != pf::DD_OK && result == 0) {
      result = Fail("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC ReturnValue:%d", hr);
    }
    if (result == 0) ApplySurfaceColorKey(c.piece->texture);
  }
  s.source->ReleaseDC(screen);
  return result;
}

// The third and fourth strategies: a system-memory work texture filled by GDI, then either converted
// into the texture under two locks or handed over with Load.
int GrabThroughWorkTexture(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag, bool useLoad) {
  const char* const name = useLoad ? "G_D3D_GetDrawScreenGraphFunction4" : "G_D3D_GetDrawScreenGraphFunction3";
  char message[256];
  auto fail = [&](const char* what, const char* call, long code, bool hex) {
    std::snprintf(message, sizeof message, "Error  %s 　%s  %s  %s:%s", name, what, call,
                  hex ? "ErrorCode" : "ReturnValue", hex ? "%x" : "%d");
    WriteLogFormat(message, static_cast<int>(code));
    return -1;
  };
  const GrabScreen s = ScreenOf(flag);
  if (!RectFits(x1, y1, x2, y2, graph, s)) return -1;
  PieceCopy copies[kMaxBackEndHandles];
  const int count = PiecesToCopy(x1, y1, graph, s, copies);
  pf::DeviceContext screen = nullptr;
  pf::HResult hr = s.source->GetDC(&screen);
  if (hr != pf::DD_OK) {
    std::snprintf(message, sizeof message, "Error  %s 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%%d", name);
    WriteLogFormat(message, static_cast<int>(hr));
    return -1;
  }
  int result = 0;
  for (int i = 0; i < count && result == 0; ++i) {
    const PieceCopy& c = copies[i];
    pf::DirectDrawSurface7* work = CreateSystemMemoryTexture(c.texture);
    if (work == nullptr) {
      result = fail("作業用テクスチャサーフェスの作成に失敗しました", "CreateSurface", -1, false);
      break;
    }
    pf::DeviceContext dc = nullptr;
    hr = work->GetDC(&dc);
    if (hr != pf::DD_OK) {
      result = fail("作業用テクスチャサーフェスのＤＣ取得に失敗しました", "GetDC", hr, false);
    } else {
      if (!pf::BitBlt(dc, c.piece->uOffset, c.piece->vOffset, c.width, c.height, screen, c.sourceX, c.sourceY,
                      pf::SRCCOPY)) {
        result = fail("作業用テクスチャサーフェスへのイメージ転送に失敗しました", "BitBlt", 0L /* the platform keeps no thread error code */, true);
      }
      hr = work->ReleaseDC(dc);
      if (hr != pf::DD_OK && result == 0) result = fail("作業用テクスチャサーフェスのＤＣ解放に失敗しました", "ReleaseDC", hr, false);
    }
    if (result == 0 && !useLoad) {
      pf::SurfaceDesc to{}, from{};
      to.size = from.size = sizeof to;
      hr = c.texture->surface->Lock(nullptr, &to, pf::DDLOCK_WAIT | pf::DDLOCK_WRITEONLY, nullptr);
      if (hr != pf::DD_OK) {
        result = fail("転送先テクスチャサーフェスのロックに失敗しました", "Lock", hr, false);
      } else {
        hr = work->Lock(nullptr, &from, pf::DDLOCK_WAIT, nullptr);
        if (hr != pf::DD_OK) {
          result = fail("作業用テクスチャサーフェスのロックに失敗しました", "Lock", hr, false);
        } else {
          ConvertInto(to.surface, static_cast<int>(to.pitch), c.texture, from.surface, static_cast<int>(from.pitch),
                      SurfaceRecordFormat(c.texture), c.texture->width, c.texture->height);
          work->Unlock(nullptr);
        }
        c.texture->surface->Unlock(nullptr);
      }
    } else if (result == 0) {
      const Device3DSlot* slot = UsableSlot(g_d3d.currentDevice);
      const pf::Point at{0, 0};
      const pf::Rect whole{0, 0, c.texture->width, c.texture->height};
      hr = pf::DDERR_SURFACEBUSY;
      // A busy texture is restored and tried again, ten times in all.
      for (int attempt = 0; attempt < 10 && slot != nullptr && slot->device != nullptr; ++attempt) {
        hr = slot->device->Load(c.texture->surface, &at, work, &whole, 0);
        if (hr != pf::DDERR_SURFACEBUSY) break;
        c.texture->surface->Restore();
        pf::Sleep(1);
      }
      if (hr != pf::DD_OK) {
        WriteLogFormat("hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d",
                       static_cast<int>(hr), s.width, s.height, ServiceWindowMode() == 0 ? 1 : 0, 0, 0, whole.top,
                       whole.bottom, whole.left, whole.right);
        WriteLogFormat("AlphaCh:%d  AlphaTest:%d  ColorBitDepth:%d", c.texture->flags.alphaCh,
                       c.texture->flags.alphaTest, c.texture->flags.colorBitDepth);
        WriteLogFormat("ScreenColor:%d  SizeX:%d  SizeY:%d  DrawPointX:%d  DrawPointY:%d  WndRect.left:%d  WndRect.top:%d  "
                       "left:%d  top:%d",
                       GetScreenColorBitDepth(), c.width, c.height, c.piece->x, c.piece->y, s.offsetX, s.offsetY, x1, y1);
        result = -1;
      }
    }
    work->Release();
    if (result == 0) ApplySurfaceColorKey(c.piece->texture);
  }
  s.source->ReleaseDC(screen);
  return result;
}

int G_D3D_GetDrawScreenGraphFunction3(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  return GrabThroughWorkTexture(x1, y1, x2, y2, graph, flag, false);
}

int G_D3D_GetDrawScreenGraphFunction4(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  return GrabThroughWorkTexture(x1, y1, x2, y2, graph, flag, true);
}

int G_D3D_GetDrawScreenGraphFunction5(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  if (WholeDesktop(flag)) return -1;
  const GrabScreen s = ScreenOf(flag);
  if (!RectFits(x1, y1, x2, y2, graph, s)) return -1;
  pf::DirectDrawSurface7* work = GetWorkSurface();
  if (work == nullptr) return -1;
  const int width = std::min(x2 - x1, s.width - x1), height = std::min(y2 - y1, s.height - y1);
  const pf::Rect from{s.offsetX + x1, s.offsetY + y1, s.offsetX + x1 + width, s.offsetY + y1 + height};
  const pf::Rect to{0, 0, width, height};
  if (work->Blt(&to, s.source, &from, pf::DDBLT_WAIT, nullptr) != pf::DD_OK) return -1;
  pf::SurfaceDesc screen{};
  screen.size = sizeof screen;
  pf::HResult hr = work->Lock(&to, &screen, pf::DDLOCK_WAIT, nullptr);
  if (hr != pf::DD_OK) {
    return Fail("Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
  }
  PieceCopy copies[kMaxBackEndHandles];
  const int count = PiecesToCopy(x1, y1, graph, s, copies);
  int result = 0;
  for (int i = 0; i < count; ++i) {
    const PieceCopy& c = copies[i];
    const pf::Rect area{c.piece->uOffset, c.piece->vOffset, c.piece->uOffset + c.piece->width,
                        c.piece->vOffset + c.piece->height};
    pf::SurfaceDesc locked{};
    locked.size = sizeof locked;
    hr = c.texture->surface->Lock(&area, &locked, pf::DDLOCK_WAIT | pf::DDLOCK_WRITEONLY, nullptr);
    if (hr != pf::DD_OK) {
      result = Fail("Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
      break;
    }
    const auto* source = static_cast<const std::uint8_t*>(screen.surface) + c.piece->y * screen.pitch +
                         c.piece->x * GetScreenPixelFormat()->BytesPerPixel;
    ConvertInto(locked.surface, static_cast<int>(locked.pitch), c.texture, source, static_cast<int>(screen.pitch),
                GetScreenPixelFormat(), c.width, c.height);
    c.texture->surface->Unlock(&area);
    ApplySurfaceColorKey(c.piece->texture);
  }
  work->Unlock(&to);
  return result;
}

using GrabStrategy = int (*)(int, int, int, int, GraphRecord*, int);
constexpr GrabStrategy kScreenGrabFunctionTable[] = {
    G_D3D_GetDrawScreenGraphFunction5, G_D3D_GetDrawScreenGraphFunction1, G_D3D_GetDrawScreenGraphFunction3,
    G_D3D_GetDrawScreenGraphFunction2, G_D3D_GetDrawScreenGraphFunction4, nullptr,
};

}  // namespace

int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  if (UsableSlot(g_d3d.currentDevice) == nullptr) return -1;
  G_D3D_FlushBatchCurrent();
  EndDirect3DScene();
  const Surface3DRecord* first = graph->backEndCount > 0 ? GetSurface3DRecord(graph->backEnds[0]) : nullptr;
  if (first == nullptr) return -1;
  const SurfaceRecord* texture = GetSurfaceRecord(first->texture);
  const int kind = texture != nullptr && (texture->flags.alphaCh || texture->flags.alphaTest) ? 1 : 0;
  int& choice = g_d3d.grabChoice[kind];
  int result = -1;
  if (choice != -1) {
    result = kScreenGrabFunctionTable[choice](x1, y1, x2, y2, graph, flag);
    if (result >= 0) return result;
  }
  choice = -1;
  for (int i = 0; kScreenGrabFunctionTable[i] != nullptr; ++i) {
    result = kScreenGrabFunctionTable[i](x1, y1, x2, y2, graph, flag);
    if (result == 0) {
      choice = i;
      return 0;
    }
  }
  return result;
}

}  // namespace zelvo
