// The library's default font: its settings, the refresh that re-creates it when they changed, and
// the font manager's start and end.
#include <cstring>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/text/font_table.h"

namespace zelvo {
namespace {

int GraphicsUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

int SettingsMatch(const FontRecord* font, const DefaultFontSettings& d) {
  return std::strcmp(font->face, d.face) == 0 && font->style == d.style && font->size == d.size &&
         font->thickness == d.thickness && font->charsetKind == d.charsetKind && font->edgeSize == d.edgeSize &&
         font->italic == d.italic;
}

}  // namespace

void SetDefaultFontSettings() {
  DefaultFontSettings& d = g_fonts.defaults;
  std::memset(&d, 0, sizeof d);
  d.size = 16;
  d.thickness = 6;
  d.style = 0;
  d.charsetKind = kCharsetShiftJis;
  d.edgeSize = 1;
  d.italic = 0;
  d.extraSpacing = 0;
}

int RefreshDefaultFont() {
  const DefaultFontSettings& d = g_fonts.defaults;
  const FontRecord* current = GetFontRecord(g_fonts.defaultFont);
  if (current != nullptr && SettingsMatch(current, d)) return 0;
  if (current != nullptr) ReleaseFontHandle(g_fonts.defaultFont);
  g_fonts.defaultFont = CreateFontToHandle(d.face, d.size, d.thickness, d.style, d.charsetKind,
                                           (d.style & kFontStyleEdge) ? d.edgeSize : -1, d.italic, -1, -1);
  SetFontExtraValue(d.extraSpacing, g_fonts.defaultFont);
  return 0;
}

int SetDefaultFontSizeThickness(const char*, int size, int thickness) {
  if (!GraphicsUp()) return -1;
  g_fonts.defaults.size = size == -1 ? 16 : size;
  g_fonts.defaults.thickness = thickness == -1 ? 6 : thickness;
  return RefreshDefaultFont();
}

int SetDefaultFontStyle(int style) {
  g_fonts.defaults.style = style == -1 ? 0 : style;
  return RefreshDefaultFont();
}

int StartFonts() {
  if (!GraphicsUp()) return -1;
  WriteLogText("フォントの初期化を行います\n");
  PushLogIndent();
  const FontRecord* current = GetFontRecord(g_fonts.defaultFont);
  const bool had = current != nullptr;
  FontRecord kept{};
  if (had) {
    std::memcpy(kept.face, current->face, sizeof kept.face);
    kept.size = current->size;
    kept.thickness = current->thickness;
    kept.style = current->style;
    kept.charsetKind = current->charsetKind;
    kept.edgeSize = current->edgeSize;
    kept.italic = current->italic;
  }
  for (int slot = 0; slot < kFontSlots; ++slot) {
    if (g_fonts.slots[slot] != nullptr) ReleaseFontHandle(MakeFontHandleOfSlot(slot));
  }
  g_fonts.defaultFont = had ? CreateFontToHandle(kept.face, kept.size, kept.thickness, kept.style, kept.charsetKind,
                                                 kept.edgeSize, kept.italic, -1, -1)
                            : CreateFontToHandle("", 16, 6, -1, -1, -1, 0, -1, -1);
  PopLogIndent();
  WriteLogText("フォントの初期化は正常に終了しました\n");
  return 0;
}

int EndFonts() {
  StartFonts();
  if (g_fonts.defaultFont != -1) ReleaseFontHandle(g_fonts.defaultFont);
  g_fonts.defaultFont = -1;
  return 0;
}

}  // namespace zelvo
