#pragma once
// Text through the Direct3D device: fonts whose glyph cache is also a texture graph. Glyphs are
// still rendered into the font's memory cells; each new glyph is copied into the texture as white
// texels whose alpha carries the glyph (and, in the graph's right half, the edge), and a string is
// drawn as one part of the texture graph per glyph, tinted with the text and edge colours.
#include <cstdint>

#include "media/graphics/text/font_table.h"

namespace zelvo {

// Whether new fonts get a texture cache: 3D drawing in effect and the device offers both the
// 4:4:4:4 and the 1:5:5:5 texture formats.
int TextureCacheUsable();
// The texture size of a font's cache (512 x 512, a side doubled until more than 9 cells fit), its
// cell count (at most 2024) and its cells per column.
void SizeTextureCache(FontRecord* font);
// Makes the cache graph (and the edge cache graph of edge-style fonts) when its build is pending;
// 0, or -1 when the graph cannot be made as one texture.
int BuildTextureCache(FontRecord* font, int handle);
void ReleaseTextureCache(FontRecord* font);
// Copies a glyph's memory cell into its place in the cache texture.
void UploadGlyphCell(FontRecord* font, const GlyphSlot* glyph);
// Draws one glyph from the cache graph at the pen position (scaled when `scaled`), edge first; the
// colours are 0x00RRGGBB already tinted.
void DrawTextureGlyph(const FontRecord* font, const GlyphSlot* glyph, int x, int y, double pen, int scaled,
                      double scaleX, double scaleY, std::uint32_t textRgb, std::uint32_t edgeRgb);
// Text with a texture-cache font through the device; other fonts, vertical text and targets the
// device cannot render into go to the software text path. 0, or the software path's result.
int G_D3D_DrawTextCached(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edgeColour,
                         int vertical);

}  // namespace zelvo
