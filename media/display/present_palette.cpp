// The 8-bit BMP of a palette screen: the colour table is read from the screen palette at the time
// of the save, so a program that changed its palette gets the colours it shows.
#include "media/display/present_palette.h"

#include <cstring>
#include <vector>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

constexpr std::uint32_t kHeadersAndTable = 54 + 1024;

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
  std::uint8_t headers[kHeadersAndTable] = {'B', 'M'};
  Put32(headers + 2, kHeadersAndTable + stride * static_cast<std::uint32_t>(height));
  Put32(headers + 10, kHeadersAndTable);
  std::uint8_t* info = headers + 14;
  Put32(info, 40);
  Put32(info + 4, static_cast<std::uint32_t>(width));
  Put32(info + 8, static_cast<std::uint32_t>(height));
  Put16(info + 12, 1);
  Put16(info + 14, 8);
  PixelFormat colours{};
  ReadScreenPaletteColours(&colours);
  std::memcpy(headers + 54, colours.Palette, sizeof colours.Palette);
  pf::DeleteFile(path);
  pf::Handle file = pf::CreateFile(path, pf::kGenericWrite, pf::kShareNone, pf::kCreateNew);
  if (file == pf::kInvalidHandle) return WriteLogText("ＢＭＰセーブ用ファイルのオープンに失敗しました\n");
  std::uint32_t written = 0;
  pf::WriteFile(file, headers, 14, &written);
  pf::WriteFile(file, info, 40 + 1024, &written);
  pf::WriteFile(file, rows.data(), static_cast<std::uint32_t>(rows.size()), &written);
  pf::CloseHandle(file);
  return 0;
}

}  // namespace zelvo
