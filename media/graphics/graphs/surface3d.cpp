// Texture pieces: division of a graph into power-of-two textures, piece creation, derivation and
// deletion, and the upload of picture pixels into them.
#include "media/graphics/graphs/surface3d.h"

#include <algorithm>
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"
#include "media/pixels/rectangles.h"

namespace zelvo {

Surface3DTable g_surface3D;
float BlendGraphTextureScale[4];

namespace {

constexpr int kMaxPieces = kMaxBackEndHandles;

int TextureSize(const Surface3DRecord* piece, int* width, int* height) {
  const SurfaceRecord* texture = GetSurfaceRecord(piece->texture);
  if (texture == nullptr) return -1;
  *width = texture->width;
  *height = texture->height;
  return 0;
}

// The quad corners in graph pixels with their texture coordinates, and their side of the diagonal.
void SetCorners(Surface3DRecord* piece, int graphWidth, int graphHeight) {
  int tw = 1, th = 1;
  TextureSize(piece, &tw, &th);
  const float left = piece->x, top = piece->y, right = left + piece->width, bottom = top + piece->height;
  const float u0 = static_cast<float>(piece->uOffset) / tw, u1 = static_cast<float>(piece->uOffset + piece->width) / tw;
  const float v0 = static_cast<float>(piece->vOffset) / th, v1 = static_cast<float>(piece->vOffset + piece->height) / th;
  const float xs[4] = {left, right, left, right}, ys[4] = {top, top, bottom, bottom};
  const float us[4] = {u0, u1, u0, u1}, vs[4] = {v0, v0, v1, v1};
  for (int i = 0; i < 4; ++i) {
    piece->corners[i] = ScreenVertex{xs[i], ys[i], 0.0f, 1.0f, 0xFFFFFFFF, us[i], vs[i]};
    const float slope = graphWidth != 0 ? static_cast<float>(graphHeight) / graphWidth : 0.0f;
    piece->cornerSides[i] = static_cast<std::uint8_t>(graphHeight - slope * xs[i] >= ys[i] ? 1 : 0);
  }
}

struct PieceRect {
  int x, y, width, height;
};

}  // namespace

int CreateTextureStorage(SurfaceRecord* record) {
  if (record->surface != nullptr) return 0;
  // A texture is a DirectDraw surface: it is made again after a display change before Direct3D is back.
  if (GetDirectDrawObject() == nullptr || TextureFormatTable[0].format.ColorBitDepth == 0) return -1;
  PixelFormatRequest request{};
  request.bytes[1] = record->flags.alphaCh;
  request.bytes[2] = record->flags.drawValid;
  request.bytes[4] = record->flags.alphaTest;
  request.bytes[5] = static_cast<std::uint8_t>(record->flags.colorBitDepth == 16 ? 16 : 32);
  record->kindCode = GetPixelFormatKind(&request);
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
  desc.caps.caps = pf::DDSCAPS_TEXTURE | (record->flags.drawValid ? static_cast<std::uint32_t>(pf::DDSCAPS_3DDEVICE) : 0u);
  // A texture that is never drawn into is left to the driver's texture management.
  desc.caps.caps2 = record->flags.drawValid ? 0u : static_cast<std::uint32_t>(pf::DDSCAPS2_TEXTUREMANAGE);
  desc.width = record->width;
  desc.height = record->height;
  std::memcpy(&desc.pixelFormat, GetColorFormatEntry(record->kindCode), sizeof desc.pixelFormat);
  if (GetDirectDrawObject()->CreateSurface(&desc, &record->surface, nullptr) != pf::DD_OK) {
    record->surface = nullptr;
    WriteLogText("テクスチャサーフェスの作成に失敗しました\n");
    return WriteLogFormat("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", record->flags.drawValid,
                          record->flags.alphaCh, record->flags.alphaTest, record->flags.colorBitDepth);
  }
  const pf::DDBltFx black{sizeof(pf::DDBltFx), 0, 0};
  record->surface->Blt(nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &black);
  return 0;
}

std::uint32_t TextureColorKeyValue(const SurfaceRecord* record) {
  const PixelFormat* format = GetPixelFormatDesc(record->kindCode);
  const std::uint32_t rgb = format->ChannelMask[0] | format->ChannelMask[1] | format->ChannelMask[2];
  return RgbaToColorValue(format, (record->colorKey >> 16) & 0xFF, (record->colorKey >> 8) & 0xFF,
                          record->colorKey & 0xFF, 0) & rgb;
}

Surface3DRecord* GetSurface3DRecord(int handle) { return g_surface3D.Find(handle); }

int ReadTexturePiece(int handle, TexturePieceFacts* out) {
  const Surface3DRecord* piece = GetSurface3DRecord(handle);
  if (piece == nullptr) return -1;
  const TextureFacts facts = PieceTextureFacts(piece);
  out->texture = facts.texture;
  out->alphaChannel = facts.alphaChannel;
  out->alphaTest = facts.alphaTest;
  for (int i = 0; i < 4; ++i) out->corners[i] = piece->corners[i];
  out->blendScaleX = BlendGraphTextureScale[2];
  out->blendScaleY = BlendGraphTextureScale[3];
  return 0;
}

TextureFacts PieceTextureFacts(const Surface3DRecord* piece) {
  const SurfaceRecord* texture = GetSurfaceRecord(piece->texture);
  if (texture == nullptr) return TextureFacts{nullptr, 0, 0};
  return TextureFacts{texture->surface, texture->flags.alphaCh, texture->flags.alphaTest};
}

int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DRecord* parent, int uOffset, int vOffset, int* lostFlag) {
  if (g_d3d.object == nullptr) return WriteLogText("３Ｄグラフィックエンジンが初期化されていません\n");
  if (g_surface3D.count >= kSurface3DSlots) return WriteLogText("３Ｄグラフィックの数が許容量を越えました。\n");
  const int slot = g_surface3D.FreeSlot();
  if (slot < 0) return WriteLogText("３Ｄグラフィックの数が許容量を越えました。\n");
  Surface3DRecord* piece = nullptr;
  const int handle = g_surface3D.Occupy(slot, &piece);
  if (handle < 0) return WriteLogText("メモリの確保に失敗しました in AddSurface3DData \n");
  piece->lostFlag = nullptr;
  piece->owner = owner;
  piece->x = static_cast<std::uint16_t>(x);
  piece->y = static_cast<std::uint16_t>(y);
  piece->width = static_cast<std::uint16_t>(width);
  piece->height = static_cast<std::uint16_t>(height);
  if (parent == nullptr) {
    const GraphRecord* graph = GetGraphRecord(owner);
    GraphFlags flags = graph != nullptr ? graph->flags : GraphFlags{};
    flags.isTexture = 1;
    piece->texture = CreateSurfaceRecord(1, textureWidth, textureHeight, g_draw.transparentColor, &flags);
    if (piece->texture < 0) {
      g_surface3D.Free(handle);
      return -1;
    }
    GetSurfaceRecord(piece->texture)->lostFlag = lostFlag;
    piece->uOffset = static_cast<std::uint16_t>(uOffset);
    piece->vOffset = static_cast<std::uint16_t>(vOffset);
    piece->sourceX = static_cast<std::uint16_t>(sourceX);
    piece->sourceY = static_cast<std::uint16_t>(sourceY);
  } else {
    piece->texture = parent->texture;
    SurfaceRecordRefUp(piece->texture);
    piece->uOffset = static_cast<std::uint16_t>(uOffset + parent->uOffset);
    piece->vOffset = static_cast<std::uint16_t>(vOffset + parent->vOffset);
    piece->sourceX = static_cast<std::uint16_t>(sourceX + parent->sourceX);
    piece->sourceY = static_cast<std::uint16_t>(sourceY + parent->sourceY);
  }
  return handle;
}

int ReleaseSurface3D(int handle) {
  Surface3DRecord* piece = GetSurface3DRecord(handle);
  if (piece == nullptr) return -1;
  // The texture goes with its last piece.
  if (SurfaceRecordRefDown(piece->texture) <= 0) ReleaseSurfaceRecord(piece->texture);
  if (piece->lostFlag != nullptr) *piece->lostFlag = 1;
  g_surface3D.Free(handle);
  return 0;
}

int ReleaseAllSurface3D() {
  if (g_d3d.object == nullptr) return -1;
  for (int slot = 0; slot < g_surface3D.highWater; ++slot) {
    if (g_surface3D.slots[slot] != nullptr) ReleaseSurface3D(g_surface3D.HandleOfSlot(slot));
  }
  return 0;
}

int ComputePieceSizes(int length, int* sizes, int singleTexture) {
  const int minimum = g_d3d.minTextureSize;
  const int c = minimum <= 32 ? 32 : minimum;
  const int largest = g_d3d.maxTextureSize;
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  if (length <= c) {
    int size = c;
    while (size > minimum && size / 2 >= length) size /= 2;
    sizes[0] = size;
    return 1;
  }
  int d = largest;
  if (!singleTexture && screenWidth <= largest) {
    d = 8;
    while (d < screenWidth) d *= 2;
  }
  int e = d;
  while (e > c && e > length) e /= 2;
  if (d >= 2 * e && (singleTexture || length < screenWidth)) {
    sizes[0] = e < length ? 2 * e : e;
    return 1;
  }
  int count = 0;
  int left = length;
  while (count < kMaxPieces + 1) {
    sizes[count++] = e;
    left -= e;
    if (left <= 0) break;
    if (left > 3 * e / 4 && e < d) {
      sizes[count - 1] = 2 * e;
      break;
    }
    while (left < e && e > c) e /= 2;
  }
  if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= d) {
    sizes[count - 2] *= 2;
    --count;
  }
  return count;
}

int CreateGraph3DDivided(GraphRecord* graph) {
  if (g_d3d.object == nullptr) return -1;
  int widths[kMaxPieces + 2], heights[kMaxPieces + 2];
  const int columns = ComputePieceSizes(graph->width, widths, 0);
  const int rows = ComputePieceSizes(graph->height, heights, 0);
  if (columns * rows > kMaxPieces) {
    return WriteLogFormat("エラー：画像の分割数が最大数の %d を超えました", kMaxPieces);
  }
  PieceRect pieces[kMaxPieces];
  int count = 0;
  for (int r = 0, y = 0; r < rows; y += heights[r], ++r) {
    for (int col = 0, x = 0; col < columns; x += widths[col], ++col) pieces[count++] = PieceRect{x, y, widths[col], heights[r]};
  }
  if (g_d3d.chosenDevice.triCaps.textureCaps & pf::D3DPTEXTURECAPS_SQUAREONLY) {
    const int unsplit = count;
    for (int i = 0; i < unsplit; ++i) {
      PieceRect& p = pieces[i];
      if (p.width == p.height) continue;
      const int side = std::min(p.width, p.height);
      const int parts = std::max(p.width, p.height) / side;
      if (count + parts - 1 > kMaxPieces) {
        return WriteLogFormat("エラー：画像の分割数が最大数の %d を超えました", kMaxPieces);
      }
      for (int k = 1; k < parts; ++k) {
        pieces[count++] = p.width > p.height ? PieceRect{p.x + k * side, p.y, side, side}
                                             : PieceRect{p.x, p.y + k * side, side, side};
      }
      p.width = p.height = side;
    }
  }
  graph->backEndCount = 0;
  for (int i = 0; i < count; ++i) {
    const PieceRect& p = pieces[i];
    // Pieces lying wholly beyond a square-split graph's edge hold nothing.
    if (p.x >= graph->width || p.y >= graph->height) continue;
    const int width = std::min(p.width, graph->width - p.x), height = std::min(p.height, graph->height - p.y);
    const int handle =
        AddSurface3DData(p.width, p.height, p.x, p.y, width, height, p.x, p.y, graph->handle, nullptr, 0, 0, graph->lostFlag);
    if (handle < 0) return -1;
    SetCorners(GetSurface3DRecord(handle), graph->width, graph->height);
    graph->backEnds[graph->backEndCount++] = handle;
  }
  return 0;
}

int DeriveGraph3D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source) {
  graph->backEndCount = 0;
  auto fail = [&] {
    ReleaseGraph3DPieces(graph);
    return -1;
  };
  if (source->backEndCount == 1) {
    const Surface3DRecord* parent = GetSurface3DRecord(source->backEnds[0]);
    if (parent == nullptr) return -1;
    const int handle = AddSurface3DData(0, 0, 0, 0, width, height, x, y, graph->handle, parent, x, y, graph->lostFlag);
    if (handle < 0) return -1;
    SetCorners(GetSurface3DRecord(handle), width, height);
    graph->backEnds[graph->backEndCount++] = handle;
    return 0;
  }
  for (int i = 0; i < source->backEndCount; ++i) {
    const Surface3DRecord* parent = GetSurface3DRecord(source->backEnds[i]);
    if (parent == nullptr) return fail();
    const int left = std::max<int>(x, parent->x), right = std::min<int>(x + width, parent->x + parent->width);
    const int top = std::max<int>(y, parent->y), bottom = std::min<int>(y + height, parent->y + parent->height);
    if (right <= left || bottom <= top) continue;
    const int handle = AddSurface3DData(0, 0, left - x, top - y, right - left, bottom - top, 0, 0, graph->handle, parent,
                                        left - parent->x, top - parent->y, graph->lostFlag);
    if (handle < 0) return fail();
    SetCorners(GetSurface3DRecord(handle), width, height);
    graph->backEnds[graph->backEndCount++] = handle;
  }
  return 0;
}

int ReleaseGraph3DPieces(GraphRecord* graph) {
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) result |= ReleaseSurface3D(graph->backEnds[i]);
  graph->backEndCount = 0;
  return result;
}

// A texture of the same size and format in system memory, to write in and Load from.
pf::DirectDrawSurface7* CreateSystemMemoryTexture(const SurfaceRecord* texture) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
  desc.caps.caps = pf::DDSCAPS_TEXTURE | pf::DDSCAPS_SYSTEMMEMORY;
  desc.width = texture->width;
  desc.height = texture->height;
  std::memcpy(&desc.pixelFormat, GetColorFormatEntry(texture->kindCode), sizeof desc.pixelFormat);
  pf::DirectDrawSurface7* work = nullptr;
  return GetDirectDrawObject()->CreateSurface(&desc, &work, nullptr) == pf::DD_OK ? work : nullptr;
}

namespace {

// Converts the source rectangle of a picture into a piece's texture at (u, v), through a temporary
// system-memory texture and Load when the texture will not lock.
int UploadTexturePiece(const GraphImage* picture, const GraphImage* alpha, const IntRect* source, int u, int v,
                       int handle) {
  G_D3D_FlushBatchCurrent();
  const Surface3DRecord* piece = GetSurface3DRecord(handle);
  if (piece == nullptr) return -1;
  SurfaceRecord* texture = GetSurfaceRecord(piece->texture);
  if (texture == nullptr || texture->surface == nullptr) return -1;
  const PixelFormat* format = SurfaceRecordFormat(texture);
  const int width = source->right - source->left, height = source->bottom - source->top;
  const pf::Rect area{u, v, u + width, v + height};
  pf::SurfaceDesc locked{};
  locked.size = sizeof locked;
  pf::DirectDrawSurface7* temporary = nullptr;
  unsigned char* pixels = nullptr;
  if (texture->surface->Lock(&area, &locked, pf::DDLOCK_WAIT | pf::DDLOCK_WRITEONLY, nullptr) == pf::DD_OK) {
    pixels = static_cast<unsigned char*>(locked.surface);
  } else {
    temporary = CreateSystemMemoryTexture(texture);
    if (temporary == nullptr) {
      return WriteLogText("テンポラリテクスチャサーフェスの作成に失敗しました\n");
    }
    locked = pf::SurfaceDesc{};
    locked.size = sizeof locked;
    if (temporary->Lock(nullptr, &locked, pf::DDLOCK_WAIT | pf::DDLOCK_WRITEONLY, nullptr) != pf::DD_OK) {
      temporary->Release();
      return WriteLogText("テンポラリテクスチャサーフェスの作成に失敗しました\n");
    }
    pixels = static_cast<unsigned char*>(locked.surface) + v * locked.pitch + u * format->BytesPerPixel;
  }
  const bool keyToAlpha = format->ChannelWidth[3] != 0 && alpha == nullptr && picture->format.ChannelWidth[3] == 0;
  ConvertPixelRect(pixels, static_cast<int>(locked.pitch), format, picture->pixels, picture->pitch, &picture->format,
                   alpha != nullptr ? alpha->pixels : nullptr, alpha != nullptr ? alpha->pitch : 0,
                   alpha != nullptr ? &alpha->format : nullptr, 0, 0, source, 0, keyToAlpha ? 1 : 0, texture->colorKey,
                   g_draw.optionWord, 0, 0, 0);
  if (temporary == nullptr) {
    texture->surface->Unlock(&area);
  } else {
    temporary->Unlock(nullptr);
    texture->surface->Restore();
    const pf::Point at{u, v};
    const pf::Rect from{u, v, u + width, v + height};
    const Device3DSlot* slot = UsableSlot(g_d3d.currentDevice);
    const bool loaded = slot != nullptr && slot->device != nullptr &&
                        slot->device->Load(texture->surface, &at, temporary, &from, 0) == pf::DD_OK;
    temporary->Release();
    if (!loaded) {
      return WriteLogText("作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました\n");
    }
  }
  ApplySurfaceColorKey(piece->texture);
  return 0;
}

}  // namespace

int FillGraph3DFromImage(const GraphImage* picture, const GraphImage* alpha, int x, int y, GraphRecord* graph) {
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece == nullptr) return -1;
    // The rectangle stops at the picture's edge; the rest of the piece keeps what it held.
    IntRect source{x + piece->x, y + piece->y, x + piece->x + piece->width, y + piece->y + piece->height};
    const IntRect whole{0, 0, picture->width, picture->height};
    ClipRect(&source, &whole);
    if (source.right <= source.left || source.bottom <= source.top) continue;
    const int u = piece->uOffset + (source.left - x - piece->x), v = piece->vOffset + (source.top - y - piece->y);
    if (UploadTexturePiece(picture, alpha, &source, u, v, graph->backEnds[i]) < 0) return -1;
  }
  return 0;
}

int RestoreGraph3DTextures(GraphRecord* graph) {
  int result = 0;
  for (int i = 0; i < graph->backEndCount; ++i) {
    const Surface3DRecord* piece = GetSurface3DRecord(graph->backEnds[i]);
    if (piece != nullptr) result |= RestoreSurfaceIfLost(piece->texture);
  }
  return result;
}

int G_D3D_SetBlendGraph(const GraphRecord* blendGraph, int borderParam, int borderRange) {
  Device3DSlot* slot = UsableSlot(g_d3d.currentDevice);
  pf::DirectDrawSurface7* texture = nullptr;
  int textureWidth = 0, textureHeight = 0;
  if (blendGraph != nullptr) {
    const Surface3DRecord* piece = blendGraph->backEndCount > 0 ? GetSurface3DRecord(blendGraph->backEnds[0]) : nullptr;
    if (piece == nullptr) return -1;
    texture = PieceTextureFacts(piece).texture;
    TextureSize(piece, &textureWidth, &textureHeight);
  }
  if (slot == nullptr) return 0;
  const bool renew = slot->force || (texture != nullptr && (texture != slot->blendGraphTexture ||
                                                            (borderParam != -1 && borderParam != slot->borderParam) ||
                                                            (borderRange != -1 && borderRange != slot->borderRange))) ||
                     (texture == nullptr && slot->blendGraphTexture != nullptr);
  if (renew) {
    G_D3D_FlushBatch(g_d3d.currentDevice);
    slot->blendGraphTexture = texture;
    if (borderParam != -1) slot->borderParam = borderParam;
    if (borderRange != -1) slot->borderRange = borderRange;
    slot->blendDirty = 1;
  }
  if (texture != nullptr && textureWidth > 0 && textureHeight > 0) {
    BlendGraphTextureScale[0] = static_cast<float>(textureWidth);
    BlendGraphTextureScale[1] = static_cast<float>(textureHeight);
    BlendGraphTextureScale[2] = 1.0f / textureWidth;
    BlendGraphTextureScale[3] = 1.0f / textureHeight;
  }
  return 0;
}

}  // namespace zelvo
