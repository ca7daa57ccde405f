#pragma once
// The text renderer: lays a string out from its font's glyph cache, measuring it or drawing it
// into a MEMIMG, horizontally or turned a quarter turn, with the font's edge and antialiasing.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/pixels/memimg.h"

namespace zelvo {

enum : int { kTextMeasure = 0, kTextDraw = 1 };

// Colours are screen pixel values, tinted by the draw tint. Returns the total advance in pixels,
// -1 while graphics end or are not started or for a bad font, 0 for an empty text. Drawing is
// clipped to `clip` (when given) and to the target. `size` receives (advance, line height), or
// (line height, advance) for vertical text.
int RenderTextWithFont(int mode, int x, int y, int scaleEnable, double scaleX, double scaleY, const char* text,
                       std::uint32_t colour, MEMIMG* target, const IntRect* clip, int transparent, int font,
                       std::uint32_t edgeColour, int length, int vertical, int* size);
int MeasureTextWidth(const char* text, int length, int font, int vertical);
// Rows of 32-bit targets are written four pixels at a time (default); 0 keeps the scalar loop,
// which tests compare it with.
void UseVectorTextRows(int on);

}  // namespace zelvo
