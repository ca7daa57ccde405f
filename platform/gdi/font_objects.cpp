// GDI font objects: creation over a FreeType face sized to the GDI cell height, selection into
// memory contexts, deletion and the text metrics.
#include <ft2build.h>
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>

#include "platform/gdi/font_internal.h"
#include "platform/gdi/font_testing.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace {

std::set<GdiFontRecord*>& Fonts() {
  static auto* fonts = new std::set<GdiFontRecord*>;
  return *fonts;
}

// The stock font a new context holds; SelectObject hands it back as the previous font.
GdiFontRecord* StockFont() {
  static GdiFontRecord stock{};
  return &stock;
}

bool LiveFont(GdiFont font) { return font != nullptr && (font == StockFont() || Fonts().count(font) != 0); }

constexpr int kBoldWeight = 600;

// Sizes the face so that its Windows ascent plus descent fill `height` pixels, and fills the metrics.
bool SizeFace(GdiFontRecord* font, int height) {
  FT_Face face = font->face;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  double ascentUnits = face->ascender, descentUnits = -face->descender;
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
    ascentUnits = os2->usWinAscent;
    descentUnits = os2->usWinDescent;
  }
  const double cellUnits = std::max(1.0, ascentUnits + descentUnits);
  const double upem = face->units_per_EM > 0 ? face->units_per_EM : cellUnits;
  if (height == 0) height = 12;
  const double ppem = height > 0 ? height * upem / cellUnits : -height;
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72) != 0) return false;
  const double scale = ppem / upem;
  TextMetric& m = font->metrics;
  m.ascent = static_cast<std::int32_t>(std::lround(ascentUnits * scale));
  m.height = height > 0 ? height : static_cast<std::int32_t>(std::lround(cellUnits * scale));
  m.descent = m.height - m.ascent;
  m.internalLeading = m.height - static_cast<std::int32_t>(std::lround(ppem));
  m.externalLeading = 0;
  const double maxAdvance = hhea != nullptr ? hhea->advance_Width_Max : face->max_advance_width;
  m.maxCharWidth = static_cast<std::int32_t>(std::ceil(maxAdvance * scale - 1e-9)) + (font->emboldened ? 1 : 0);
  const double average = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : maxAdvance / 2;
  m.aveCharWidth = static_cast<std::int32_t>(std::lround(average * scale)) + (font->emboldened ? 1 : 0);
  m.weight = font->weight;
  m.italic = font->italic ? 1 : 0;
  m.charSet = static_cast<std::uint8_t>(font->charset);
  return true;
}

}  // namespace

namespace gdi {
void ContextDropsFont(GdiFontRecord* font) {
  if (font != nullptr && font != StockFont() && font->selectedCount > 0) --font->selectedCount;
}
}  // namespace gdi

GdiFont CreateFontA(int height, int, int, int, int weight, std::uint32_t italic, std::uint32_t, std::uint32_t,
                    std::uint32_t charset, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                    const char* face) {
  if (testing::ShouldFail("CreateFontA")) return nullptr;
  std::lock_guard<std::mutex> lock(gdi::FontMutex());
  if (gdi::FontLibrary() == nullptr) return nullptr;
  std::string file;
  int index = 0;
  if (!gdi::FindFontFile(gdi::FaceNameToUtf8(face, charset), charset, &file, &index)) return nullptr;
  FT_Face ftFace = nullptr;
  if (FT_New_Face(gdi::FontLibrary(), file.c_str(), index, &ftFace) != 0) return nullptr;
  auto* font = new GdiFontRecord{};
  font->face = ftFace;
  font->charset = charset;
  font->weight = weight <= 0 ? 400 : weight;
  font->italic = italic != 0;
  font->emboldened = font->weight >= kBoldWeight && (ftFace->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  if (!SizeFace(font, height)) {
    FT_Done_Face(ftFace);
    delete font;
    return nullptr;
  }
  Fonts().insert(font);
  return font;
}

GdiFont SelectObject(DeviceContext context, GdiFont font) {
  if (!gdi::LiveContext(context) || context->kind != ContextKind::kMemory) return nullptr;
  std::lock_guard<std::mutex> lock(gdi::FontMutex());
  if (!LiveFont(font)) return nullptr;
  GdiFont previous = context->font != nullptr ? context->font : StockFont();
  {
    std::lock_guard<std::mutex> contexts(gdi::Mutex());
    gdi::ContextDropsFont(context->font);
    context->font = font == StockFont() ? nullptr : font;
    if (context->font != nullptr) ++context->font->selectedCount;
  }
  return previous;
}

bool DeleteObject(GdiFont font) {
  std::lock_guard<std::mutex> lock(gdi::FontMutex());
  if (font == nullptr || Fonts().count(font) == 0) return false;
  {
    std::lock_guard<std::mutex> contexts(gdi::Mutex());
    if (font->selectedCount > 0) return false;
  }
  Fonts().erase(font);
  FT_Done_Face(font->face);
  delete font;
  return true;
}

bool GetTextMetricsA(DeviceContext context, TextMetric* metrics) {
  if (metrics == nullptr || !gdi::LiveContext(context)) return false;
  std::lock_guard<std::mutex> lock(gdi::FontMutex());
  if (context->font == nullptr || !LiveFont(context->font)) return false;
  *metrics = context->font->metrics;
  return true;
}

}  // namespace pf
