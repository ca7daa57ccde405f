#pragma once
// Text drawing: the draw bracket around a string drawn with a font, the software text path, and the
// default-font draws behind the public text entries.
#include <cstdint>

namespace zelvo {

// 0, or -1 for a bad font; draws nothing while graphics end, for an empty text or an empty area.
int DrawTextWithFont(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edgeColour,
                     int vertical);
int DrawTextDefaultFont(int x, int y, const char* text, std::uint32_t colour, std::uint32_t edgeColour);
// The software text path: straight into the target, or through the font's work surface when the
// text blends or is antialiased.
int DrawStringSoft(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edgeColour,
                   int vertical);

}  // namespace zelvo
