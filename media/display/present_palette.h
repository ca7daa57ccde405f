#pragma once
// The screen save of an 8-bit palette screen as an 8-bit BMP with the palette's colour table.
#include <cstdint>

#include <zelvo/pixel_format.h>

namespace zelvo {

// The screen palette's colours (blue, green, red, 0) into a format's palette; black without one.
void ReadScreenPaletteColours(PixelFormat* format);
// Writes the rectangle (first pixel, pitch, width, height) of palette indices; 0, or -1 when the
// file could not be stored.
int WritePaletteScreenBmp(const char* path, const std::uint8_t* pixels, int pitch, int width, int height);

}  // namespace zelvo
