// DDS pictures: the top-level surface of the uncompressed RGB formats.
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int kDdsHeaderEnd = 128;   // magic and the 124-byte header
enum : std::uint32_t { kDdsdPitch = 0x8, kDdpfAlphaPixels = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40 };

struct DdsFormatEntry {
  std::uint32_t code;   // Direct3D format number, stored as the four-character code
  int bits;
  std::uint32_t red, green, blue, alpha;
};

const DdsFormatEntry kDdsFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};

// The file's format as bits and masks; false when the loader does not read it.
bool FindDdsFormat(const std::uint8_t* header, DdsFormatEntry* format) {
  std::uint32_t flags = ReadLe32(header + 80);
  if (flags == kDdpfFourCC) {
    std::uint32_t code = ReadLe32(header + 84);
    for (const DdsFormatEntry& entry : kDdsFormats)
      if (entry.code == code) {
        *format = entry;
        return true;
      }
    return false;
  }
  if (!(flags & kDdpfRgb)) return false;
  std::uint32_t bits = ReadLe32(header + 88);
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  *format = DdsFormatEntry{0, static_cast<int>(bits), ReadLe32(header + 92), ReadLe32(header + 96),
                           ReadLe32(header + 100), (flags & kDdpfAlphaPixels) ? ReadLe32(header + 104) : 0};
  return true;
}

// 8-bit direct-colour pixels would pass for palette indices, so they are widened to 24 or 32 bits.
int WidenEightBit(GraphImage* image, const DdsFormatEntry& format) {
  PixelFormat source{};
  SetupPixelFormatFromMasks(&source, 8, format.red, format.green, format.blue, format.alpha);
  int bytes = format.alpha != 0 ? 4 : 3;
  std::int64_t pitch = std::int64_t{image->width} * bytes;
  auto* wide = static_cast<std::uint8_t*>(ZELVO_ALLOC(static_cast<std::size_t>(pitch * image->height)));
  if (wide == nullptr) return -1;
  std::uint8_t colors[256][4];
  for (int v = 0; v < 256; ++v) {
    int r, g, b, a;
    ColorValueToRgba(&source, static_cast<std::uint32_t>(v), &r, &g, &b, &a);
    colors[v][0] = static_cast<std::uint8_t>(b);
    colors[v][1] = static_cast<std::uint8_t>(g);
    colors[v][2] = static_cast<std::uint8_t>(r);
    colors[v][3] = static_cast<std::uint8_t>(a);
  }
  const auto* narrow = static_cast<const std::uint8_t*>(image->pixels);
  for (std::int64_t y = 0; y < image->height; ++y)
    for (std::int64_t x = 0; x < image->width; ++x)
      std::memcpy(wide + y * pitch + x * bytes, colors[narrow[y * image->pitch + x]], static_cast<std::size_t>(bytes));
  TrackedFree(image->pixels);
  image->pixels = wide;
  image->pitch = static_cast<std::int32_t>(pitch);
  if (bytes == 4) InitPixelFormatArgb32(&image->format);
  else InitPixelFormatRgb24(&image->format);
  return 0;
}

}  // namespace

int LoadDdsFromStream(StreamReaderBlock* reader, GraphImage* out) {
  std::int64_t size = StreamBytesLeft(reader);
  std::uint8_t header[kDdsHeaderEnd];
  if (size < kDdsHeaderEnd || !ReadStreamExact(reader, header, 4) || std::memcmp(header, "DDS", 3) != 0) return -1;
  if (!ReadStreamExact(reader, header + 4, kDdsHeaderEnd - 4)) return -1;
  DdsFormatEntry format{};
  if (!FindDdsFormat(header, &format)) return -1;
  std::int64_t height = ReadLe32(header + 12), width = ReadLe32(header + 16);
  std::int64_t rowBytes = width * (format.bits / 8);
  std::int64_t pitch = (ReadLe32(header + 8) & kDdsdPitch) ? std::int64_t{ReadLe32(header + 20)} : rowBytes;
  if (pitch < rowBytes || !PictureFits(width, height, pitch)) return -1;
  if (size - kDdsHeaderEnd < pitch * height) return -1;

  GraphImage image{};
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  image.pitch = static_cast<std::int32_t>(pitch);
  image.pixels = ReadStreamBlock(reader, pitch * height);
  if (image.pixels == nullptr) return -1;
  if (format.bits == 8) {
    if (WidenEightBit(&image, format) != 0) {
      TrackedFree(image.pixels);
      return -1;
    }
  } else {
    SetupPixelFormatFromMasks(&image.format, format.bits, format.red, format.green, format.blue, format.alpha);
  }
  *out = image;
  return 0;
}

}  // namespace zelvo
