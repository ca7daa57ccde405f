// Rendering glyphs into the cache cells: GDI bitmaps copied into the strip, with the edge spread
// around the glyph for edged fonts.
#include "media/graphics/text/glyph_cache.h"

#include <cstring>
#include <vector>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/text/d3d_text.h"
#include "media/graphics/graphs/draw_state.h"

namespace zelvo {
namespace {

constexpr int kGlyphsPerBatch = 256;
constexpr pf::Mat2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

constexpr std::int8_t kDisc1[][2] = {{1, 1}, {0, 2}, {1, 1}};
constexpr std::int8_t kDisc2[][2] = {{1, 3}, {0, 4}, {0, 4}, {0, 4}, {1, 3}};
constexpr std::int8_t kDisc3[][2] = {{3, 3}, {1, 5}, {1, 5}, {0, 6}, {1, 5}, {1, 5}, {3, 3}};
constexpr std::int8_t kDisc4[][2] = {{2, 6}, {1, 7}, {0, 8}, {0, 8}, {0, 8}, {0, 8}, {0, 8}, {1, 7}, {2, 6}};

// The glyph queue and the bitmap buffer are single, library-wide buffers.
std::vector<std::uint16_t> g_queue;
std::vector<std::uint16_t> g_characters;
// Codes already in the queue: a character repeated in the text is rendered once.
std::vector<std::uint8_t> g_queued(kCodeMapEntries);
std::vector<std::uint8_t> g_outline;

int GraphicsUp() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode(); }

// Glyph levels in the cell as bytes of the 8-bit styles (before the edge): style 1 puts 1 for a
// glyph pixel, styles 2 and 3 the grey level minus 1.
void PutGlyphPixels(FontRecord* font, int cell, const pf::GlyphMetrics& gm, const std::uint8_t* bitmap,
                    std::uint32_t format, int width, int height) {
  const int e = (font->style & kFontStyleEdge) ? font->edgeSize : 0;
  const int pitch = format == pf::GGO_BITMAP ? (static_cast<int>(gm.blackBoxX) + 31) / 32 * 4
                                             : (static_cast<int>(gm.blackBoxX) + 3) / 4 * 4;
  for (int y = 0; y < static_cast<int>(gm.blackBoxY) && y + e < height; ++y) {
    const std::uint8_t* row = bitmap + static_cast<std::size_t>(y) * pitch;
    std::uint8_t* out = CellRow(font, cell, y + e);
    for (int x = 0; x < static_cast<int>(gm.blackBoxX) && x + e < width; ++x) {
      int value;
      if (format == pf::GGO_BITMAP) {
        value = (row[x >> 3] >> (7 - (x & 7))) & 1;
      } else {
        value = row[x] > 0 ? row[x] - 1 : 0;
        if (value > 15) value = 15;
      }
      if (value == 0) continue;
      if (font->stripBits == 1) {
        out[(x + e) >> 3] |= static_cast<std::uint8_t>(0x80 >> ((x + e) & 7));
      } else {
        out[x + e] = static_cast<std::uint8_t>(value);
      }
    }
  }
}

// Spreads the edge around every glyph pixel: style 1 marks edge pixels 2 where no glyph is;
// style 3 keeps in the high nibble the largest glyph level that reaches the pixel.
void SpreadEdge(FontRecord* font, int cell, int width, int height) {
  const int e = font->edgeSize;
  const EdgeDisc disc = EdgeDiscOf(e);
  const bool antialias = (font->style & kFontStyleAntialias) != 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int level = CellRow(font, cell, y)[x] & (antialias ? 0x0F : 0xFF);
      if (antialias ? level == 0 : level != 1) continue;
      for (int r = 0; r <= 2 * e; ++r) {
        const int ty = y - e + r;
        if (ty < 0 || ty >= height) continue;
        const int first = disc.spans != nullptr ? disc.spans[r][0] : 0;
        const int last = disc.spans != nullptr ? disc.spans[r][1] : 2 * e;
        std::uint8_t* row = CellRow(font, cell, ty);
        for (int c = first; c <= last; ++c) {
          const int tx = x - e + c;
          if (tx < 0 || tx >= width) continue;
          if (antialias) {
            if ((row[tx] >> 4) < level) row[tx] = static_cast<std::uint8_t>((row[tx] & 0x0F) | (level << 4));
          } else if (row[tx] == 0) {
            row[tx] = 2;
          }
        }
      }
    }
  }
}

void ClearCell(FontRecord* font, int cell) {
  std::memset(CellRow(font, cell, 0), 0, static_cast<std::size_t>(font->stripPitch) * font->cellSize);
}

// Renders one glyph into the slot; a GDI failure stops the library.
void RenderGlyph(FontRecord* font, GlyphSlot* slot, int code) {
  const std::uint32_t format = (font->style & kFontStyleAntialias) ? pf::GGO_GRAY4_BITMAP : pf::GGO_BITMAP;
  const int e = (font->style & kFontStyleEdge) ? font->edgeSize : 0;
  // GDI takes a double-byte character as lead << 8 | trail.
  const std::uint32_t character =
      code > 0xFF ? static_cast<std::uint32_t>(((code & 0xFF) << 8) | (code >> 8)) : static_cast<std::uint32_t>(code);
  pf::DeviceContext dc = pf::CreateCompatibleDC(nullptr);
  if (dc == nullptr) AbortWithLog("GetGlyphOutline 関数が失敗しました");
  pf::GdiFont old = pf::SelectObject(dc, font->gdiFont);
  pf::GlyphMetrics gm{};
  const bool space = code == 0x20 || (font->charsetKind != kCharsetHangul && code == kFullWidthSpaceCode);
  std::uint32_t size = pf::GetGlyphOutlineA(dc, character, space ? pf::GGO_METRICS : format, &gm, 0, nullptr,
                                            &kIdentity);
  if (size != pf::GDI_ERROR && !space && size > 0) {
    // Spare rows past the bitmap for readers that round the row count up.
    if (g_outline.size() < size + 64) g_outline.resize(size + 64);
    size = pf::GetGlyphOutlineA(dc, character, format, &gm, size, g_outline.data(), &kIdentity);
  }
  pf::SelectObject(dc, old);
  pf::DeleteDC(dc);
  if (size == pf::GDI_ERROR) AbortWithLog("GetGlyphOutline 関数が失敗しました");
  slot->advance = gm.cellIncX + 2 * e;
  slot->originX = gm.glyphOrigin.x;
  slot->originY = font->ascent - gm.glyphOrigin.y;
  slot->width = slot->height = 0;
  if (space || size == 0) return;
  // A glyph larger than its cell is cut to the cell; its placement keeps the GDI origin.
  const int cell = font->cellSize;
  slot->width = static_cast<int>(gm.blackBoxX) + 2 * e < cell ? static_cast<int>(gm.blackBoxX) + 2 * e : cell;
  slot->height = static_cast<int>(gm.blackBoxY) + 2 * e < cell ? static_cast<int>(gm.blackBoxY) + 2 * e : cell;
  PutGlyphPixels(font, slot->cell, gm, g_outline.data(), format, slot->width, slot->height);
  if (e > 0) SpreadEdge(font, slot->cell, slot->width, slot->height);
}

}  // namespace

EdgeDisc EdgeDiscOf(int edge) {
  switch (edge) {
    case 1: return {3, kDisc1};
    case 2: return {5, kDisc2};
    case 3: return {7, kDisc3};
    case 4: return {9, kDisc4};
    default: return {2 * edge + 1, nullptr};
  }
}

int LimitedTextLength(const char* text, int length) {
  if (text == nullptr) return 0;
  if (length < 0) return static_cast<int>(std::strlen(text));
  const void* end = std::memchr(text, 0, static_cast<std::size_t>(length));
  return end != nullptr ? static_cast<int>(static_cast<const char*>(end) - text) : length;
}

int NextCharacterCode(const char* text, int length, int* at, int charsetKind) {
  const int i = *at;
  if (i >= length) return -1;
  const auto first = static_cast<std::uint8_t>(text[i]);
  if (!IsLeadByte(text + i, charsetKind)) {
    *at = i + 1;
    return first;
  }
  if (i + 1 >= length) {
    *at = length;
    return -1;
  }
  *at = i + 2;
  return first | (static_cast<std::uint8_t>(text[i + 1]) << 8);
}

int RenderGlyphsToCache(int count, const std::uint16_t* codes, int handle) {
  FontRecord* font = GetFontRecord(handle);
  if (g_graphics.ending || !GraphicsUp() || font == nullptr || font->cellCount <= 0) return -1;
  int last = -1;
  for (int i = 0; i < count; ++i) {
    const int code = codes[i];
    const int index = font->cursor;
    font->cursor = font->cursor + 1 >= font->cellCount ? 0 : font->cursor + 1;
    GlyphSlot* slot = &font->glyphSlots[index];
    CodeMapEntry& owner = font->codeMap[slot->ownerCode];
    if (slot->inUse && owner.slot == index) owner.present = 0;
    slot->inUse = 1;
    slot->ownerCode = code;
    font->codeMap[code] = CodeMapEntry{1, static_cast<std::uint16_t>(index)};
    ClearCell(font, slot->cell);
    RenderGlyph(font, slot, code);
    if (font->usesTextureCache) UploadGlyphCell(font, slot);
    last = index;
  }
  return last;
}

int PrepareGlyphs(int handle, const char* text, int length, std::uint16_t* list, int* count) {
  FontRecord* font = GetFontRecord(handle);
  if (font == nullptr) return -1;
  const int n = LimitedTextLength(text, length);
  g_queue.clear();
  if (list == nullptr) {
    if (g_characters.size() < static_cast<std::size_t>(n)) g_characters.resize(static_cast<std::size_t>(n));
    list = g_characters.data();
  }
  int characters = 0;
  int at = 0;
  const int limit = font->cellCount < kGlyphsPerBatch ? font->cellCount : kGlyphsPerBatch;
  for (int code = NextCharacterCode(text, n, &at, font->charsetKind); code >= 0;
       code = NextCharacterCode(text, n, &at, font->charsetKind)) {
    list[characters] = static_cast<std::uint16_t>(code);
    ++characters;
    if (font->codeMap[code].present || g_queued[code] || static_cast<int>(g_queue.size()) >= limit) continue;
    g_queued[code] = 1;
    g_queue.push_back(static_cast<std::uint16_t>(code));
  }
  for (std::uint16_t code : g_queue) g_queued[code] = 0;
  if (!g_queue.empty()) RenderGlyphsToCache(static_cast<int>(g_queue.size()), g_queue.data(), handle);
  if (count != nullptr) *count = characters;
  return characters;
}

const std::uint16_t* PreparedCharacters() { return g_characters.data(); }

const GlyphSlot* FindGlyph(FontRecord* font, int handle, int code) {
  if (!font->codeMap[code].present) {
    const std::uint16_t one = static_cast<std::uint16_t>(code);
    if (RenderGlyphsToCache(1, &one, handle) < 0) AbortWithLog("テキストキャッシュの作成に失敗しました");
  }
  return &font->glyphSlots[font->codeMap[code].slot];
}

}  // namespace zelvo
