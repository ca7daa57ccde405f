// DIB sections from pictures. A picture first becomes DIB bits (8-bit with its palette, or 24-bit
// RGB), which GDI then draws into a section of the wanted format.
#include "media/graphics/graphs/dib_graph.h"

#include <cstdlib>
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

pf::BitmapInfo* AllocBitmapInfo() {
  auto* info = static_cast<pf::BitmapInfo*>(ZELVO_ALLOC_ZEROED(sizeof(pf::BitmapInfo)));
  if (info == nullptr) WriteLogText("メモリの確保に失敗しました in CreateDIBGraph \n");
  return info;
}

void TopDownHeader(pf::BitmapInfo* info, int width, int height, int bitCount, std::uint32_t compression) {
  info->header.size = sizeof(pf::BitmapInfoHeader);
  info->header.width = width;
  info->header.height = -height;
  info->header.planes = 1;
  info->header.bitCount = static_cast<std::uint16_t>(bitCount);
  info->header.compression = compression;
}

bool IsPlainRgb24(const PixelFormat& format) {
  return format.ColorBitDepth == 24 && format.ChannelMask[0] == 0xFF0000 && format.ChannelMask[1] == 0xFF00 &&
         format.ChannelMask[2] == 0xFF;
}

// The picture's pixels as DIB rows; *bits is the picture's own memory when its rows already fit,
// else a new block (*owned set). false when a block cannot be had.
bool MakeDibBits(const GraphImage* image, pf::BitmapInfo* info, void** bits, bool* owned) {
  const bool palette = image->format.BytesPerPixel == 1;
  const std::int64_t stride = RoundUp4(std::int64_t{image->width} * (palette ? 1 : 3));
  TopDownHeader(info, image->width, image->height, palette ? 8 : 24, pf::BI_RGB);
  if (palette) {
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* e = image->format.Palette[i];
      info->colors[i] = e[0] | e[1] << 8 | static_cast<std::uint32_t>(e[2]) << 16;
    }
  }
  *owned = false;
  *bits = image->pixels;
  const bool direct = palette || IsPlainRgb24(image->format);
  if (direct && image->pitch == stride) return true;
  void* rows = ZELVO_ALLOC(static_cast<std::size_t>(stride * image->height > 0 ? stride * image->height : 1));
  if (rows == nullptr) return false;
  if (direct) {
    const std::int64_t rowBytes = std::int64_t{image->width} * (palette ? 1 : 3);
    for (int y = 0; y < image->height; ++y) {
      std::memcpy(static_cast<std::uint8_t*>(rows) + y * stride,
                  static_cast<const std::uint8_t*>(image->pixels) + std::int64_t{y} * image->pitch,
                  static_cast<std::size_t>(rowBytes));
    }
  } else {
    PixelFormat rgb24{};
    InitPixelFormatRgb24(&rgb24);
    const IntRect whole{0, 0, image->width, image->height};
    ConvertPixelRect(rows, static_cast<int>(stride), &rgb24, image->pixels, image->pitch, &image->format, nullptr, 0,
                     nullptr, 0, 0, &whole, 0, 0, 0, g_draw.optionWord, 0, 0, 0);
  }
  *bits = rows;
  *owned = true;
  return true;
}

// A section laid out as `layout` (its header and, for 8 bits, colours), filled from the bits.
// Failures are logged unless `quiet`, for callers with texts of their own.
pf::GdiObject DrawIntoSection(const pf::BitmapInfo* layout, const pf::BitmapInfo* info, const void* bits,
                              int mirror, bool quiet = false) {
  pf::DeviceContext context = pf::CreateCompatibleDC(nullptr);
  void* sectionBits = nullptr;
  pf::GdiObject section = pf::CreateDIBSection(context, layout, pf::DIB_RGB_COLORS, &sectionBits, nullptr, 0);
  if (section == nullptr) {
    if (!quiet) WriteLogText("ＤＩＢの作成に失敗しました3\n");
  } else if (sectionBits == nullptr) {
    if (!quiet) WriteLogText("ＤＩＢの作成に失敗しました2\n");
    pf::DeleteObject(section);
    section = nullptr;
  } else {
    const int width = info->header.width, height = std::abs(info->header.height);
    pf::GdiObject previous = pf::SelectObject(context, section);
    if (mirror) {
      pf::StretchDIBits(context, 0, 0, width, height, width - 1, 0, -width, height, bits, info, pf::DIB_RGB_COLORS,
                        pf::SRCCOPY);
    } else {
      pf::SetDIBitsToDevice(context, 0, 0, width, height, 0, 0, 0, height, bits, info, pf::DIB_RGB_COLORS);
    }
    pf::SelectObject(context, previous);
  }
  pf::DeleteDC(context);
  return section;
}

}  // namespace

pf::GdiObject CreateDIBFromBitmapInfo(const pf::BitmapInfo* info, const void* bits, int mirror, PixelFormat* wanted) {
  pf::BitmapInfo* layout = AllocBitmapInfo();
  if (layout == nullptr) return nullptr;
  const int width = info->header.width, height = std::abs(info->header.height);
  const int sourceBits = info->header.bitCount;
  if (wanted != nullptr && (wanted->ColorBitDepth == 16 || (wanted->ColorBitDepth > 24 && sourceBits != 24))) {
    TopDownHeader(layout, width, height, wanted->ColorBitDepth, pf::BI_BITFIELDS);
    for (int i = 0; i < 3; ++i) layout->colors[i] = wanted->ChannelMask[i];
  } else if (wanted != nullptr && wanted->ColorBitDepth == 32) {
    InitPixelFormatRgb24(wanted);
    TopDownHeader(layout, width, height, 24, pf::BI_RGB);
  } else if (wanted != nullptr) {
    TopDownHeader(layout, width, height, wanted->ColorBitDepth, pf::BI_RGB);
    std::memcpy(layout->colors, info->colors, sizeof layout->colors);
  } else {
    TopDownHeader(layout, width, height, 24, pf::BI_RGB);
  }
  pf::GdiObject section = DrawIntoSection(layout, info, bits, mirror);
  TrackedFree(layout);
  return section;
}

pf::GdiObject CreateDIBGraph(const char* path, const void* memory, int size, int memoryFlag, int mirror,
                             PixelFormat* wanted) {
  // The section is the storage this load makes: it shares the load's memory cap.
  BeginGraphLoadBudget(1);
  GraphImage image{};
  const int loaded = LoadGraphImage(path, memory, size, memoryFlag, &image, 0);
  EndGraphLoadBudget();
  if (loaded != 0) return nullptr;
  pf::GdiObject section = nullptr;
  pf::BitmapInfo* info = AllocBitmapInfo();
  void* bits = nullptr;
  bool owned = false;
  if (info != nullptr && !MakeDibBits(&image, info, &bits, &owned)) {
    WriteLogText("メモリの確保に失敗しました in CreateDIBGraph \n");
  } else if (info != nullptr) {
    // Without a wanted format (or a 16-bit one while the option word asks for reduction) the DIB
    // keeps the bits' own form: 8-bit with the palette, or 24-bit.
    if (wanted == nullptr || (wanted->ColorBitDepth == 16 && g_draw.optionWord != 0)) {
      if (wanted != nullptr) InitPixelFormatRgb24(wanted);
      section = DrawIntoSection(info, info, bits, mirror);
    } else {
      section = CreateDIBFromBitmapInfo(info, bits, mirror, wanted);
    }
  }
  if (owned) TrackedFree(bits);
  if (info != nullptr) TrackedFree(info);
  FreeGraphImage(&image);
  return section;
}

pf::GdiObject CreateDIBFromGraphImage(const GraphImage* picture) {
  auto* info = static_cast<pf::BitmapInfo*>(ZELVO_ALLOC_ZEROED(sizeof(pf::BitmapInfo)));
  void* bits = nullptr;
  bool owned = false;
  pf::GdiObject section = nullptr;
  if (info == nullptr || !MakeDibBits(picture, info, &bits, &owned)) {
    WriteLogText("GraphImage を BMP に変換する処理が失敗しました\n");
  } else {
    section = DrawIntoSection(info, info, bits, 0, true);
    if (section == nullptr) WriteLogText("ＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました\n");
  }
  if (owned) TrackedFree(bits);
  TrackedFree(info);
  return section;
}

pf::GdiObject CreateDIBGraph(const char* path, int mirror, PixelFormat* wanted) {
  return CreateDIBGraph(path, nullptr, 0, 0, mirror, wanted);
}

}  // namespace zelvo
