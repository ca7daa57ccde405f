// The 8-bit BMP of a palette screen: the colour table is read from the screen palette at the time
// of the save, so a program that changed its palette gets the colours it shows.
#include "media/display/present_palette.h"

#include <cstring>

#include "media/display/screen_bmp_file.h"
#include "media/display/screen_state.h"

namespace zelvo {
namespace {

constexpr std::uint32_t kColourTableBytes = 1024;

}  // namespace

void ReadScreenPaletteColours(PixelFormat* format) {
  pf::PaletteEntry entries[256] = {};
  if (g_screen.palette != nullptr) g_screen.palette->GetEntries(0, 0, 256, entries);
  for (int i = 0; i < 256; ++i) {
    format->Palette[i][0] = entries[i].blue;
    format->Palette[i][1] = entries[i].green;
    format->Palette[i][2] = entries[i].red;
    format->Palette[i][3] = 0;
  }
}

int WritePaletteScreenBmp(const char* path, const std::uint8_t* pixels, int pitch, int width, int height) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) + 3) & ~3u;
  const std::uint32_t rowBytes = stride * static_cast<std::uint32_t>(height);
  constexpr std::uint32_t kInfoBytes = 40 + kColourTableBytes;
  ScreenBmpBlocks blocks{};
  // Without memory nothing is written, and the save says so with -1.
  if (!AllocScreenBmpBlocks(kInfoBytes, rowBytes, &blocks)) return -1;
  for (int y = 0; y < height; ++y) {
    std::memcpy(blocks.rows + static_cast<std::size_t>(height - 1 - y) * stride,
                pixels + static_cast<std::ptrdiff_t>(y) * pitch, static_cast<std::size_t>(width));
  }
  std::uint8_t fileHeader[14];
  BuildScreenBmpHeaders(fileHeader, blocks.info, width, height, 8, kColourTableBytes, rowBytes);
  PixelFormat colours{};
  ReadScreenPaletteColours(&colours);
  std::memcpy(blocks.info + 40, colours.Palette, sizeof colours.Palette);
  const int result = StoreScreenBmp(path, ScreenBmpPieces{fileHeader, blocks.info, kInfoBytes, blocks.rows, rowBytes});
  FreeScreenBmpBlocks(&blocks);
  return result;
}

}  // namespace zelvo
