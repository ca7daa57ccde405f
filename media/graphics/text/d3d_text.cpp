// The texture glyph cache of fonts and text drawn from it.
#include "media/graphics/text/d3d_text.h"

#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/d3d_device.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/glyph_cache.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/graphics/text/text_draw.h"
#include "media/graphics/text/text_render.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int k4444Format = 2;
constexpr int k1555Format = 4;

// The texture of a graph made as one piece, or null.
SurfaceRecord* SinglePieceTexture(int graph, const Surface3DRecord** pieceOut) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr || !record->flags.isTexture || record->backEndCount != 1) return nullptr;
  const Surface3DRecord* piece = GetSurface3DRecord(record->backEnds[0]);
  if (piece == nullptr) return nullptr;
  if (pieceOut != nullptr) *pieceOut = piece;
  return GetSurfaceRecord(piece->texture);
}

// Coverage 0..15 of a cell pixel: the glyph, or with `edge` the edge around it.
int Coverage(const FontRecord* font, const std::uint8_t* row, int x, bool edge) {
  if (font->stripBits == 1) return !edge && ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 15 : 0;
  const int value = row[x];
  if (!(font->style & kFontStyleAntialias)) return (edge ? value == 2 : value == 1) ? 15 : 0;
  return edge ? value >> 4 : value & 0x0F;
}

// Writes one half of the cache (glyph or edge) for a cell.
void WriteCellTexels(const FontRecord* font, int cell, int left, int top, int handle, bool edge) {
  const int size = font->cellSize;
  const Surface3DRecord* piece = nullptr;
  SurfaceRecord* texture = SinglePieceTexture(handle, &piece);
  if (texture == nullptr) return;
  const IntRect rect{piece->uOffset + left, piece->vOffset + top, piece->uOffset + left + size,
                     piece->vOffset + top + size};
  int pitch = 0;
  void* pixels = nullptr;
  const PixelFormat* format = nullptr;
  if (LockSurfaceRecord(piece->texture, &pitch, &pixels, 1, &rect, &format) == -1) {
    AbortWithLog("テキストキャッシュサーフェスのＤＣの取得に失敗しました");
  }
  std::uint32_t levels[16];
  for (int level = 0; level < 16; ++level) levels[level] = RgbaToColorValue(format, 255, 255, 255, level * 17);
  for (int y = 0; y < size; ++y) {
    const std::uint8_t* row = CellRow(font, cell, y);
    auto* out = static_cast<std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch;
    for (int x = 0; x < size; ++x) {
      const std::uint32_t value = levels[Coverage(font, row, x, edge)];
      if (format->BytesPerPixel == 2) {
        const auto texel = static_cast<std::uint16_t>(value);
        std::memcpy(out + 2 * x, &texel, 2);
      } else {
        std::memcpy(out + 4 * x, &value, 4);
      }
    }
  }
  UnlockSurfaceRecord(piece->texture, &rect);
}

void CellPlace(const FontRecord* font, int cell, int* left, int* top) {
  *left = cell / font->cellsPerColumn * font->cellSize;
  *top = cell % font->cellsPerColumn * font->cellSize;
}

}  // namespace

int TextureCacheUsable() {
  return Is3DDrawingInEffect() && g_d3d.object != nullptr &&
                 TextureFormatTable[k4444Format].format.ColorBitDepth != 0 &&
                 TextureFormatTable[k1555Format].format.ColorBitDepth != 0
             ? 1
             : 0;
}

void SizeTextureCache(FontRecord* font) {
  const int cell = font->cellSize;
  int width = 512, height = 512;
  while ((width / cell) * (height / cell) <= 9) {
    if (height < width) {
      height *= 2;
    } else {
      width *= 2;
    }
  }
  const int cells = (width / cell) * (height / cell);
  font->textureWidth = width;
  font->textureHeight = height;
  font->cellCount = cells > kMaxGlyphCells ? kMaxGlyphCells : cells;
  font->cellsPerColumn = height / cell;
}

int BuildTextureCache(FontRecord* font, int handle) {
  if (!font->textureRebuildPending) return 0;
  ReleaseTextureCache(font);
  const int edged = (font->style & kFontStyleEdge) != 0;
  const int antialias = (font->style & kFontStyleAntialias) != 0;
  DrawState saved = g_draw;
  g_draw.use3D = 1;
  g_draw.makeDrawable = 0;
  g_draw.blankGraphAlpha = antialias;
  g_draw.alphaTestOption = antialias ? 0 : 1;
  g_draw.colorBitDepthOption = 16;
  const int graph = CreateBlankGraph(font->textureWidth * (edged ? 2 : 1), font->textureHeight, 0);
  g_draw.use3D = saved.use3D;
  g_draw.makeDrawable = saved.makeDrawable;
  g_draw.blankGraphAlpha = saved.blankGraphAlpha;
  g_draw.alphaTestOption = saved.alphaTestOption;
  g_draw.colorBitDepthOption = saved.colorBitDepthOption;
  if (graph < 0) return -1;
  font->cacheGraph = graph;
  // Glyphs are written into one texture: a cache split over several cannot hold them.
  if (SinglePieceTexture(graph, nullptr) == nullptr) {
    ReleaseTextureCache(font);
    return -1;
  }
  if (edged) {
    font->edgeCacheGraph = DeriveGraph(font->textureWidth, 0, font->textureWidth, font->textureHeight, graph);
    if (font->edgeCacheGraph < 0) {
      ReleaseTextureCache(font);
      return -1;
    }
  }
  font->textureRebuildPending = 0;
  RegisterGraphLostFlag(graph, &font->textureRebuildPending);
  FillGraphColor(graph, 255, 255, 255, 0);
  ResetGlyphCache(handle);
  return 0;
}

void ReleaseTextureCache(FontRecord* font) {
  const int graph = font->cacheGraph, edge = font->edgeCacheGraph;
  font->cacheGraph = font->edgeCacheGraph = -1;
  // Deleting the cache here is no loss to report.
  if (GetGraphRecord(graph) != nullptr) RegisterGraphLostFlag(graph, nullptr);
  if (edge != -1) DeleteGraph(edge, 0);
  if (graph != -1) DeleteGraph(graph, 0);
}

void UploadGlyphCell(FontRecord* font, const GlyphSlot* glyph) {
  if (font->cacheGraph == -1 || glyph->cell < 0) return;
  // Queued draws of the texture land before its texels change.
  G_D3D_FlushBatchCurrent();
  int left = 0, top = 0;
  CellPlace(font, glyph->cell, &left, &top);
  WriteCellTexels(font, glyph->cell, left, top, font->cacheGraph, false);
  if (font->edgeCacheGraph != -1) WriteCellTexels(font, glyph->cell, left, top, font->edgeCacheGraph, true);
}

void DrawTextureGlyph(const FontRecord* font, const GlyphSlot* glyph, int x, int y, double pen, int scaled,
                      double scaleX, double scaleY, std::uint32_t textRgb, std::uint32_t edgeRgb) {
  int left = 0, top = 0;
  CellPlace(font, glyph->cell, &left, &top);
  const std::uint32_t savedTint = g_draw.drawTint;
  const int blendGraph = g_draw.blendGraph, border = g_draw.blendGraphBorderParam,
            range = g_draw.blendGraphBorderRange;
  if (blendGraph != -1) SetBlendGraph(-1, border, range);
  auto drawFrom = [&](int graph, std::uint32_t rgb) {
    SetDrawTintPacked(rgb);
    if (!scaled) {
      // Modulation stays on whatever the tint, so that edge and glyph in their two tints keep one
      // device state and the whole string goes out in one batch.
      BlitTextureGraphPart(x + static_cast<int>(pen) + glyph->originX, y + glyph->originY, left, top, glyph->width,
                           glyph->height, graph, 1, 1);
      return;
    }
    const int dx = x + static_cast<int>(scaleX * glyph->originX + pen);
    const int dy = y + static_cast<int>(scaleY * glyph->originY);
    BlitGraphPartStretched(dx, dy, dx + static_cast<int>(scaleX * glyph->width),
                           dy + static_cast<int>(scaleY * glyph->height), left, top, glyph->width, glyph->height,
                           graph, 1);
  };
  if (font->edgeCacheGraph != -1) drawFrom(font->edgeCacheGraph, edgeRgb);
  drawFrom(font->cacheGraph, textRgb);
  SetDrawTintPacked(savedTint);
  if (blendGraph != -1) SetBlendGraph(blendGraph, border, range);
}

int G_D3D_DrawTextCached(int x, int y, const char* text, std::uint32_t colour, int handle, std::uint32_t edgeColour,
                         int vertical) {
  FontRecord* font = GetFontRecord(handle);
  // The memory cells of a texture-cache font serve the software path where the texture cannot:
  // quarter-turned text, and targets the device does not render into.
  if (font == nullptr || !font->usesTextureCache || vertical || g_d3d.targetInvalid) {
    return DrawStringSoft(x, y, text, colour, handle, edgeColour, vertical);
  }
  BuildFontCacheSurface(handle);
  if (font->cacheGraph == -1) return DrawStringSoft(x, y, text, colour, handle, edgeColour, vertical);
  RenderTextWithFont(kTextDraw, x, y, 0, 1.0, 1.0, text, colour, nullptr, &g_draw.region, 1, handle, edgeColour,
                     static_cast<int>(std::strlen(text)), vertical, nullptr);
  return 0;
}

}  // namespace zelvo
