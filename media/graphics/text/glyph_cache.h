#pragma once
// The glyph cache of a font: glyphs rendered once by GDI into a fixed grid of square cells reused
// first in, first out, and found again through the 65536-entry code map.
#include <cstdint>

#include "media/graphics/text/font_table.h"

namespace zelvo {

// Full-width space: bytes 81 40 read little-endian.
constexpr int kFullWidthSpaceCode = 0x4081;

// The walk of a string: the code of the character at text[*at] (a lead byte with its trail read
// little-endian), advancing *at; -1 at the end. A lead byte whose trail is missing ends the walk.
int NextCharacterCode(const char* text, int length, int* at, int charsetKind);
// Byte length of the text limited to `length` (-1: the whole string).
int LimitedTextLength(const char* text, int length);

// Renders the characters of the text that the cache lacks, at most 256 and no more than the cache
// holds; the character count, or -1 for a bad font. `list` (may be null) receives the codes.
int PrepareGlyphs(int font, const char* text, int length, std::uint16_t* list, int* count);
// The codes of the last PrepareGlyphs without a list of the caller's.
const std::uint16_t* PreparedCharacters();
// Renders each code into the next cell; the slot of the last, or -1.
int RenderGlyphsToCache(int count, const std::uint16_t* codes, int font);
// The slot of a character, rendering it when it fell out of the cache.
const GlyphSlot* FindGlyph(FontRecord* font, int handle, int code);
// Row `row` of a glyph cell in the strip.
inline std::uint8_t* CellRow(const FontRecord* font, int cell, int row) {
  return font->strip + (static_cast<std::size_t>(cell) * font->cellSize + row) * font->stripPitch;
}

// Spreads an edge disc of size `edge` around every glyph pixel of a cell of 8-bit values.
struct EdgeDisc {
  int rows;
  const std::int8_t (*spans)[2];   // first and last column of each row; null: the full square
};
EdgeDisc EdgeDiscOf(int edge);

}  // namespace zelvo
