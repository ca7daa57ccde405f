// GetGlyphOutlineA over FreeType: the glyph of a CP932 (or CP949) code rendered 1-bit or in grey
// levels into the GDI bitmap layouts.
#include <ft2build.h>
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <atomic>
#include <cstring>

#include "platform/gdi/font_internal.h"
#include "platform/gdi/font_testing.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace {

std::atomic<std::uint64_t> g_bitmapsRendered{0};

int LevelsOf(std::uint32_t format) {
  switch (format) {
    case GGO_GRAY2_BITMAP: return 4;
    case GGO_GRAY4_BITMAP: return 16;
    case GGO_GRAY8_BITMAP: return 64;
    default: return 0;
  }
}

bool IsIdentity(const Mat2* m) {
  return m->m11.value == 1 && m->m11.fract == 0 && m->m12.value == 0 && m->m12.fract == 0 && m->m21.value == 0 &&
         m->m21.fract == 0 && m->m22.value == 1 && m->m22.fract == 0;
}

// Loads and renders the glyph into the face's slot; false on an engine failure.
bool RenderGlyph(GdiFontRecord* font, std::uint32_t character, bool mono) {
  FT_Face face = font->face;
  const std::uint32_t unicode = gdi::CharacterToUnicode(character, font->charset);
  const FT_UInt index = unicode != 0 ? FT_Get_Char_Index(face, unicode) : 0;
  if (FT_Load_Glyph(face, index, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (font->emboldened) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
    if (font->italic) FT_GlyphSlot_Oblique(slot);
  }
  return FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0;
}

// Some faces give their spaces a contour that covers no pixel: those are blank too.
bool HasPixels(const FT_Bitmap& bitmap) {
  const unsigned rowBytes = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (bitmap.width + 7) / 8 : bitmap.width;
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    const std::uint8_t* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    for (unsigned x = 0; x < rowBytes; ++x) {
      if (row[x] != 0) return true;
    }
  }
  return false;
}

std::uint32_t RowBytes(std::uint32_t format, unsigned width) {
  return format == GGO_BITMAP ? (width + 31) / 32 * 4 : (width + 3) / 4 * 4;
}

void CopyBitmap(const FT_Bitmap& bitmap, std::uint32_t format, std::uint8_t* out, std::uint32_t pitch) {
  const int levels = LevelsOf(format);
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    const std::uint8_t* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    std::uint8_t* target = out + static_cast<std::size_t>(y) * pitch;
    std::memset(target, 0, pitch);
    if (format == GGO_BITMAP) {
      std::memcpy(target, row, (bitmap.width + 7) / 8);
    } else {
      for (unsigned x = 0; x < bitmap.width; ++x) target[x] = static_cast<std::uint8_t>((row[x] * levels + 127) / 255);
    }
  }
}

}  // namespace

std::uint32_t GetGlyphOutlineA(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer, const Mat2* matrix) {
  if (metrics == nullptr || matrix == nullptr || !IsIdentity(matrix)) return GDI_ERROR;
  if (format != GGO_METRICS && format != GGO_BITMAP && LevelsOf(format) == 0) return GDI_ERROR;
  if (!gdi::LiveContext(context)) return GDI_ERROR;
  const bool wantsBitmap = format != GGO_METRICS && buffer != nullptr && bufferSize != 0;
  if (wantsBitmap && testing::ShouldFail("GetGlyphOutlineA")) return GDI_ERROR;
  std::lock_guard<std::mutex> lock(gdi::FontMutex());
  GdiFontRecord* font = context->font;
  if (font == nullptr) return GDI_ERROR;
  if (!RenderGlyph(font, character, format == GGO_BITMAP)) return GDI_ERROR;
  const FT_GlyphSlot slot = font->face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  const bool blank = bitmap.width == 0 || bitmap.rows == 0 || !HasPixels(bitmap);
  metrics->blackBoxX = blank ? 1 : bitmap.width;
  metrics->blackBoxY = blank ? 1 : bitmap.rows;
  metrics->glyphOrigin = Point{slot->bitmap_left, slot->bitmap_top};
  metrics->cellIncX = static_cast<std::int16_t>(((slot->advance.x + 32) >> 6) + (font->emboldened ? 1 : 0));
  metrics->cellIncY = 0;
  if (format == GGO_METRICS) return 0;
  const std::uint32_t pitch = RowBytes(format, bitmap.width);
  const std::uint32_t size = blank ? 0 : pitch * bitmap.rows;
  if (!wantsBitmap || size == 0) return size;
  if (bufferSize < size) return GDI_ERROR;
  CopyBitmap(bitmap, format, static_cast<std::uint8_t*>(buffer), pitch);
  g_bitmapsRendered.fetch_add(1);
  return size;
}

std::uint64_t testing::GlyphBitmapsRendered() { return g_bitmapsRendered.load(); }

}  // namespace pf
