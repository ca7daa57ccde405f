// The on-screen console's font and text: an edged 16-pixel font of the default face, white text on
// a black edge, drawn over the frame just before it is presented.
#include "media/graphics/text/text_draw_console.h"

#include "media/core/screen_log.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/text/text_draw.h"
#include "media/graphics/text/text_render.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

int FontsAllowScreenLog() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode() ? 1 : 0; }

int CreateScreenLogFont(int* fontLostFlag) {
  const int font = CreateFontToHandle(nullptr, 16, 4, kFontStyleEdge, -1, -1, 0, -1, -1);
  SetFontLostFlagPointer(font, fontLostFlag);
  return font;
}

void DeleteScreenLogFont(int font) { ReleaseFontHandle(font); }

int ScreenLogCharWidth(int font, const char* character, int bytes) {
  const int width = MeasureTextWidth(character, bytes, font, 0);
  return width < 0 ? 8 * bytes : width;
}

void DrawScreenLogLine(int font, int y, const char* text) {
  DrawTextWithFont(0, y, text, RgbToScreenColor(255, 255, 255), font, RgbToScreenColor(0, 0, 0), 0);
}

void DrawScreenLogOverFrame() {
  if (QueryScreenLogState() == 0) return;
  const IntRect savedRegion = g_draw.requestedRegion;
  const int savedMode = g_draw.blendMode, savedParam = g_draw.blendParam;
  const std::uint32_t savedTint = g_draw.drawTint;
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  SetDrawRegion(0, 0, width, height);
  SetBlendMode(0, 0);
  SetDrawTint(255, 255, 255);
  DrawScreenLog();
  SetDrawRegion(savedRegion.left, savedRegion.top, savedRegion.right, savedRegion.bottom);
  SetBlendMode(savedMode, savedParam);
  SetDrawTintPacked(savedTint);
}

}  // namespace zelvo
