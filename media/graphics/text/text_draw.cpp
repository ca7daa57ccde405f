// Text drawing: the bracket of a text draw and the software text path.
#include "media/graphics/text/text_draw.h"

#include "media/core/log.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "media/graphics/text/d3d_text.h"
#include "media/graphics/graphs/soft_draw_lock.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/pixels/rectangles.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/pixels/pixel_format.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/graphics/text/text_render.h"
#include "media/software/blend_state.h"

namespace zelvo {
namespace {

int DisplayUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }
int SoftwareTargets() { return IsSoftwareRenderMode() && GetScreenColorBitDepth() != 8; }
int SoftwareFront() { return IsSoftwareRenderMode() && g_draw.target == kTargetFrontBuffer; }

int RenderInto(MEMIMG* target, const IntRect& clip, int x, int y, const char* text, std::uint32_t colour, int font,
               std::uint32_t edge, int vertical) {
  return RenderTextWithFont(kTextDraw, x, y, 0, 1.0, 1.0, text, colour, target, &clip, 1, font, edge, -1, vertical,
                            nullptr);
}

// A key for the work image that neither the text nor the edge colour equals.
std::uint32_t SteppedKey(const MEMIMG* image, std::uint32_t colour, std::uint32_t edge) {
  int r = 0, g = 0, b = 0;
  ScreenColorToRgb(colour, &r, &g, &b);
  const std::uint32_t text = RgbaToColorValue(image->format, r, g, b, 255);
  ScreenColorToRgb(edge, &r, &g, &b);
  const std::uint32_t edgeValue = RgbaToColorValue(image->format, r, g, b, 255);
  std::uint32_t key = image->transparentColor;
  while (key == text || key == edgeValue) ++key;
  return key;
}

// Blended or antialiased text: rendered into the font's work surface at (0, 0), then drawn from it
// with the blend state like a graph.
int DrawThroughWorkSurface(int x, int y, const char* text, std::uint32_t colour, FontRecord* font, int handle,
                           std::uint32_t edge, int vertical, int width, int height) {
  BuildFontCacheSurface(handle);
  const Surface2DEntry* entry = GetSurface2D(font->workSurface);
  SurfaceRecord* record = entry != nullptr ? GetSurfaceRecord(entry->record) : nullptr;
  if (record == nullptr || !record->memoryImage) return -1;
  MEMIMG* image = &record->image;
  const IntRect savedRegion = g_draw.requestedRegion;
  const std::uint32_t savedTint = g_draw.drawTint;
  IntRect area{0, 0, width, height};
  const IntRect whole{0, 0, image->width, image->height};
  ClipRect(&area, &whole);
  const std::uint32_t savedKey = image->transparentColor;
  const std::uint32_t key = image->alphaFlag ? 0 : SteppedKey(image, colour, edge);
  FillMemImgRect(image, &area, key);
  const int rendered = RenderInto(image, area, 0, 0, text, colour, handle, edge, vertical);
  int result = -1;
  if (rendered >= 0) {
    // The pixels changed under the image's premultiplied copy and transparent runs.
    image->premultipliedValid = 0;
    image->runsValid = 0;
    // Drawn back with the key it was filled with, not the library's transparent colour.
    image->transparentColor = key;
    SetDrawTint(255, 255, 255);
    IntRect target{x, y, x + width, y + height};
    ClipRect(&target, &g_draw.region);
    SetDrawRegion(target.left, target.top, target.right, target.bottom);
    if (!g_draw.regionEmpty) DrawGraphSoft(x, y, font->workSurface, 1);
    image->transparentColor = savedKey;
    result = 0;
  }
  SetDrawRegion(savedRegion.left, savedRegion.top, savedRegion.right, savedRegion.bottom);
  SetDrawTintPacked(savedTint);
  return result;
}

}  // namespace

int DrawStringSoft(int x, int y, const char* text, std::uint32_t colour, int handle, std::uint32_t edge,
                   int vertical) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr || !DisplayUp() || g_softTarget.notReady) return -1;
  const int antialias = (font->style & kFontStyleAntialias) != 0;
  if (GetScreenColorBitDepth() != 8 && (g_draw.blendMode != 0 || antialias) &&
      (antialias || g_draw.blendMode != 1 || g_draw.blendParam != 255)) {
    int size[2] = {0, 0};
    RenderTextWithFont(kTextMeasure, 0, 0, 0, 1.0, 1.0, text, colour, nullptr, nullptr, 0, handle, edge, -1, vertical,
                       size);
    return DrawThroughWorkSurface(x, y, text, colour, font, handle, edge, vertical, size[0], size[1]);
  }
  if (SoftwareTargets()) {
    if (g_softTarget.image == nullptr) return -1;
    return RenderInto(g_softTarget.image, g_draw.region, x, y, text, colour, handle, edge, vertical) < 0 ? -1 : 0;
  }
  // The lock covers the line up to the region's edge: the text need not be measured first.
  const IntRect rect = vertical ? IntRect{x, y, x + font->lineHeight, g_draw.region.bottom}
                                : IntRect{x, y, g_draw.region.right, y + font->lineHeight};
  if (BeginSoftDrawOnTarget(nullptr, 0, nullptr, &rect, 0, nullptr, nullptr) < 0) return 0;
  int result = 0;
  if (SoftLockTarget() != nullptr) {
    // The lock narrows the soft region to the locked rectangle: nothing is written outside it.
    IntRect clip = g_softBlend.drawRegion;
    ClipRect(&clip, &g_draw.region);
    result = RenderInto(SoftLockTarget(), clip, x, y, text, colour, handle, edge, vertical) < 0 ? -1 : 0;
  }
  EndSoftDrawOnTarget();
  return result;
}

int DrawTextWithFont(int x, int y, const char* text, std::uint32_t colour, int handle, std::uint32_t edge,
                     int vertical) {
  if (text == nullptr || text[0] == '\0' || g_graphics.ending || g_draw.regionEmpty) return 0;
  const FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return WriteLogText("フォントハンドル値が異常です\n");
  WaitWhileInactiveForDrawing();
  // The rectangle the text can touch, edge and vertical text included.
  const IntRect touched = vertical ? IntRect{x, y, x + font->lineHeight + 1, g_draw.region.bottom}
                                   : IntRect{x, y, g_draw.region.right, y + font->lineHeight + 1};
  if (x >= g_draw.region.right) return 0;
  if (SoftwareFront()) ReloadSoftScreenFromDisplay();
  BeginMaskedDraw(&touched);
  int result = 0;
  if (g_draw.use3D == 1 && g_graphics.direct3DUsable) {
    // The device cannot subtract: a texture-cache font adds onto the inverted target, which is then
    // inverted back. Other fonts draw in software, which subtracts itself.
    const int emulate = g_draw.blendMode == kBlendSubtract && font->usesTextureCache && !vertical;
    if (emulate) BeginSubtractEmulation(&touched);
    result = G_D3D_DrawTextCached(x, y, text, colour, handle, edge, vertical);
    if (emulate) EndSubtractEmulation(&touched);
  } else {
    result = DrawStringSoft(x, y, text, colour, handle, edge, vertical);
  }
  EndMaskedDraw(&touched);
  if (SoftwareFront()) TransferSoftScreenRect(&touched);
  return result;
}

int DrawTextDefaultFont(int x, int y, const char* text, std::uint32_t colour, std::uint32_t edge) {
  RefreshDefaultFont();
  return DrawTextWithFont(x, y, text, colour, GetStandardFontHandle(), edge, 0);
}

}  // namespace zelvo
