// The 8-bit BMP of a palette screen: the colour table is read from the screen palette at the time
// of the save, so a program that changed its palette gets the colours it shows.
#include "media/display/present_palette.h"

#include <cstring>
#include <vector>

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
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    std::memcpy(rows.data() + static_cast<std::size_t>(height - 1 - y) * stride,
                pixels + static_cast<std::ptrdiff_t>(y) * pitch, static_cast<std::size_t>(width));
  }
  std::uint8_t fileHeader[14];
  std::uint8_t info[40 + kColourTableBytes];
  BuildScreenBmpHeaders(fileHeader, info, width, height, 8, kColourTableBytes, static_cast<std::uint32_t>(rows.size()));
  PixelFormat colours{};
  ReadScreenPaletteColours(&colours);
  std::memcpy(info + 40, colours.Palette, sizeof colours.Palette);
  return StoreScreenBmp(path, ScreenBmpPieces{fileHeader, info, sizeof info, rows.data(),
                                              static_cast<std::uint32_t>(rows.size())});
}

}  // namespace zelvo
