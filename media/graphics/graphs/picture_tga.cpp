// TGA pictures: colour-mapped and true colour, plain and run-length, 16, 24 or 32 bits.
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int kFooterSize = 26;
constexpr int kMaxTgaSide = 4095;

struct TgaHeader {
  int idLength, colorMapType, imageType, mapFirst, mapLength, mapEntryBits;
  int xOrigin, yOrigin, width, height, pixelBits, descriptor;
};

TgaHeader ParseTgaHeader(const std::uint8_t* h) {
  return TgaHeader{h[0], h[1], h[2], static_cast<int>(ReadLe16(h + 3)), static_cast<int>(ReadLe16(h + 5)), h[7],
                   static_cast<int>(ReadLe16(h + 8)), static_cast<int>(ReadLe16(h + 10)),
                   static_cast<int>(ReadLe16(h + 12)), static_cast<int>(ReadLe16(h + 14)), h[16], h[17]};
}

bool IsColorMapped(const TgaHeader& h) { return h.imageType == 1 || h.imageType == 9; }

// The footer counts only with its signature and no extension area.
bool FooterPresent(StreamReaderBlock* reader, std::int64_t size) {
  std::uint8_t footer[kFooterSize];
  if (size < kFooterSize || !SeekStream(reader, size - kFooterSize) || !ReadStreamExact(reader, footer, kFooterSize))
    return false;
  return std::memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && ReadLe32(footer) == 0;
}

bool Acceptable(const TgaHeader& h, int* depth) {
  if (h.imageType != 1 && h.imageType != 2 && h.imageType != 9 && h.imageType != 10) return false;
  if (h.xOrigin != 0 || h.yOrigin != 0) return false;
  if (h.width < 1 || h.height < 1 || h.width > kMaxTgaSide || h.height > kMaxTgaSide) return false;
  if (IsColorMapped(h) && h.pixelBits != 8) return false;
  *depth = IsColorMapped(h) ? h.mapEntryBits : h.pixelBits;
  return *depth == 16 || *depth == 24 || *depth == 32;
}

void SetTgaFormat(int depth, PixelFormat* format) {
  if (depth == 16) SetupPixelFormatFromMasks(format, 16, 0x7C00, 0x3E0, 0x1F, 0);
  else if (depth == 24) InitPixelFormatRgb24(format);
  else InitPixelFormatArgb32(format);
}

// Where the pixels of one file value go: straight, or through the colour map.
struct TgaPixelWriter {
  std::uint8_t* pixels;
  int bytes;                     // output bytes a pixel
  int valueBytes;                // bytes a value takes in the file
  const std::uint8_t* colorMap;  // 256 entries of `bytes`, or null for true colour
  void Put(std::int64_t k, const std::uint8_t* value) const {
    const std::uint8_t* src = colorMap != nullptr ? colorMap + std::int64_t{value[0]} * bytes : value;
    std::memcpy(pixels + k * bytes, src, static_cast<std::size_t>(bytes));
  }
};

// False when the data ends before every pixel is decoded.
bool DecodeRunLength(const std::uint8_t* p, const std::uint8_t* end, std::int64_t total, const TgaPixelWriter& w) {
  std::int64_t k = 0;
  while (k < total) {
    if (p >= end) return false;
    int header = *p++;
    std::int64_t count = (header & 0x7F) + 1;
    if (count > total - k) count = total - k;
    if (header & 0x80) {
      if (end - p < w.valueBytes) return false;
      for (std::int64_t i = 0; i < count; ++i) w.Put(k++, p);
      p += w.valueBytes;
    } else {
      if (end - p < count * w.valueBytes) return false;
      for (std::int64_t i = 0; i < count; ++i, p += w.valueBytes) w.Put(k++, p);
    }
  }
  return true;
}

// Turns the picture to top-left order: rows reversed for bottom-up, columns for right-to-left.
void TurnTopLeft(std::uint8_t* pixels, int width, int height, int bytes, bool rightToLeft, bool bottomUp) {
  std::int64_t pitch = std::int64_t{width} * bytes;
  std::uint8_t swap[4];
  if (rightToLeft) {
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = pixels + y * pitch;
      for (int a = 0, b = width - 1; a < b; ++a, --b) {
        std::memcpy(swap, row + a * bytes, bytes);
        std::memcpy(row + a * bytes, row + b * bytes, bytes);
        std::memcpy(row + b * bytes, swap, bytes);
      }
    }
  }
  if (bottomUp) {
    for (int a = 0, b = height - 1; a < b; ++a, --b)
      for (std::int64_t i = 0; i < pitch; ++i) {
        std::uint8_t t = pixels[a * pitch + i];
        pixels[a * pitch + i] = pixels[b * pitch + i];
        pixels[b * pitch + i] = t;
      }
  }
}

}  // namespace

int LoadTgaFromStream(StreamReaderBlock* reader, GraphImage* out) {
  std::int64_t size = StreamBytesLeft(reader);
  if (size < 18) return -1;
  bool footer = FooterPresent(reader, size);
  std::uint8_t headerBytes[18];
  if (!SeekStream(reader, 0) || !ReadStreamExact(reader, headerBytes, 18)) return -1;
  TgaHeader h = ParseTgaHeader(headerBytes);
  int depth = 0;
  if (!Acceptable(h, &depth)) return -1;
  int bytes = depth / 8;
  if (!PictureFits(h.width, h.height, std::int64_t{h.width} * bytes)) return -1;
  bool mapped = IsColorMapped(h);
  // A colour map is skipped whole even when the picture does not use it.
  std::int64_t mapBytes = (mapped || h.colorMapType != 0) ? std::int64_t{h.mapLength} * ((h.mapEntryBits + 7) / 8) : 0;
  std::int64_t dataStart = 18 + h.idLength + mapBytes;
  std::int64_t dataEnd = (footer && h.imageType >= 9) ? size - kFooterSize : size;
  if (dataStart > dataEnd) return -1;

  std::uint8_t* file = nullptr;
  std::uint8_t* colorMap = nullptr;
  GraphImage image{};
  image.width = h.width;
  image.height = h.height;
  image.pitch = h.width * bytes;
  image.pixels = ZELVO_ALLOC(static_cast<std::size_t>(std::int64_t{image.pitch} * h.height));
  bool ok = image.pixels != nullptr && SeekStream(reader, 18 + h.idLength);
  if (ok && mapped) {
    colorMap = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(256 * 4));
    file = ReadStreamBlock(reader, mapBytes);
    ok = colorMap != nullptr && file != nullptr;
    for (int i = 0; ok && i < h.mapLength && h.mapFirst + i < 256; ++i)
      std::memcpy(colorMap + (h.mapFirst + i) * bytes, file + i * bytes, static_cast<std::size_t>(bytes));
    if (file != nullptr) TrackedFree(file);
    file = nullptr;
  }
  if (ok) ok = SeekStream(reader, dataStart) && (file = ReadStreamBlock(reader, dataEnd - dataStart)) != nullptr;
  if (ok) {
    std::int64_t total = std::int64_t{h.width} * h.height;
    TgaPixelWriter writer{static_cast<std::uint8_t*>(image.pixels), bytes, mapped ? 1 : bytes, colorMap};
    if (h.imageType >= 9) {
      ok = DecodeRunLength(file, file + (dataEnd - dataStart), total, writer);
    } else {
      ok = dataEnd - dataStart >= total * writer.valueBytes;
      for (std::int64_t k = 0; ok && k < total; ++k) writer.Put(k, file + k * writer.valueBytes);
    }
  }
  if (file != nullptr) TrackedFree(file);
  if (colorMap != nullptr) TrackedFree(colorMap);
  if (!ok) {
    if (image.pixels != nullptr) TrackedFree(image.pixels);
    return -1;
  }
  TurnTopLeft(static_cast<std::uint8_t*>(image.pixels), h.width, h.height, bytes, (h.descriptor & 0x10) != 0,
              (h.descriptor & 0x20) == 0);
  SetTgaFormat(depth, &image.format);
  *out = image;
  return 0;
}

}  // namespace zelvo
