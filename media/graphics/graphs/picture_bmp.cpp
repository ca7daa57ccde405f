// BMP pictures: uncompressed 1, 4, 8, 16, 24 and 32 bits, RLE8, RLE4 and bit fields.
#include <cstring>

#include "media/core/log.h"
#include "media/graphics/graphs/picture_codecs.h"
#include "media/graphics/picture_io/picture_reader.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

enum : std::uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3 };

struct BmpFile {
  const std::uint8_t* bytes;   // the whole file
  std::int64_t size;
  std::int64_t pixelOffset;
  int width;
  int height;                  // |biHeight|
  bool bottomUp;
  int bits;
  std::uint32_t compression;
  std::uint32_t masks[3];      // red, green, blue
  std::uint8_t palette[256][4];  // blue, green, red, 0
};

// Row `row` of the picture in top-down order, as stored in a file whose rows may run bottom-up.
int FileRowOf(const BmpFile& bmp, int row) { return bmp.bottomUp ? bmp.height - 1 - row : row; }

void ReadPalette(BmpFile* bmp, std::int64_t offset, int entries) {
  std::memset(bmp->palette, 0, sizeof bmp->palette);
  for (int i = 0; i < entries && offset + 4 * i + 4 <= bmp->size; ++i) {
    const std::uint8_t* e = bmp->bytes + offset + 4 * i;
    bmp->palette[i][0] = e[0];
    bmp->palette[i][1] = e[1];
    bmp->palette[i][2] = e[2];
  }
}

bool ParseHeader(BmpFile* bmp) {
  if (bmp->size < 54) return false;
  const std::uint8_t* b = bmp->bytes;
  std::uint32_t infoSize = ReadLe32(b + 14);
  if (infoSize < 40 || infoSize > bmp->size - 14) return false;
  auto width = static_cast<std::int32_t>(ReadLe32(b + 18));
  auto height = static_cast<std::int32_t>(ReadLe32(b + 22));
  bmp->bits = static_cast<int>(ReadLe16(b + 28));
  bmp->compression = ReadLe32(b + 30);
  bmp->pixelOffset = ReadLe32(b + 10);
  if (width < 1 || height == 0 || height == INT32_MIN || bmp->pixelOffset > bmp->size) return false;
  bmp->width = width;
  bmp->bottomUp = height > 0;
  bmp->height = height > 0 ? height : -height;
  if (bmp->width > kMaxPictureSide || bmp->height > kMaxPictureSide) return false;
  switch (bmp->compression) {
    case kBiRgb:
      if (bmp->bits != 1 && bmp->bits != 4 && bmp->bits != 8 && bmp->bits != 16 && bmp->bits != 24 &&
          bmp->bits != 32)
        return false;
      break;
    case kBiRle8: if (bmp->bits != 8) return false; break;
    case kBiRle4: if (bmp->bits != 4) return false; break;
    case kBiBitFields: if (bmp->bits != 16 && bmp->bits != 32) return false; break;
    default: return false;
  }
  if (bmp->bits <= 8) ReadPalette(bmp, 14 + infoSize, 1 << bmp->bits);
  if (bmp->compression == kBiBitFields) {
    // The three masks sit right after the 40-byte header, inside the larger headers too.
    if (bmp->size < 66) return false;
    for (int i = 0; i < 3; ++i) bmp->masks[i] = ReadLe32(b + 54 + 4 * i);
  } else if (bmp->bits == 16) {
    bmp->masks[0] = 0x7C00; bmp->masks[1] = 0x3E0; bmp->masks[2] = 0x1F;
  } else {
    bmp->masks[0] = 0xFF0000; bmp->masks[1] = 0xFF00; bmp->masks[2] = 0xFF;
  }
  return true;
}

std::int64_t FileRowBytes(const BmpFile& bmp) { return (std::int64_t{bmp.bits} * bmp.width + 7) / 8; }

// Uncompressed rows must all be there; the last may lack its padding.
bool RowsPresent(const BmpFile& bmp) {
  std::int64_t need = RoundUp4(FileRowBytes(bmp)) * (bmp.height - 1) + FileRowBytes(bmp);
  return bmp.size - bmp.pixelOffset >= need;
}

// Zeroed, so row padding and whatever RLE data leaves out reads as 0.
bool AllocPixels(GraphImage* out, int width, int height, std::int64_t pitch) {
  out->width = width;
  out->height = height;
  out->pitch = static_cast<std::int32_t>(pitch);
  out->pixels = ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(pitch * height));
  return out->pixels != nullptr;
}

void SetPaletteFormat(const BmpFile& bmp, GraphImage* out) {
  InitPixelFormatPal8(&out->format);
  std::memcpy(out->format.Palette, bmp.palette, sizeof bmp.palette);
}

// RLE8 and RLE4: runs, literals, line ends and deltas, every write clipped to the picture. Data that
// ends without the end-of-picture code leaves the rest zero.
void DecodeRle(const BmpFile& bmp, GraphImage* out, bool fourBit) {
  const std::uint8_t* p = bmp.bytes + bmp.pixelOffset;
  const std::uint8_t* end = bmp.bytes + bmp.size;
  auto* pixels = static_cast<std::uint8_t*>(out->pixels);
  std::int64_t x = 0, row = 0;
  auto put = [&](std::uint8_t index) {
    if (x < bmp.width && row < bmp.height)
      pixels[std::int64_t{FileRowOf(bmp, static_cast<int>(row))} * out->pitch + x] = index;
    ++x;
  };
  while (end - p >= 2 && row < bmp.height) {
    int count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      for (int k = 0; k < count && x < bmp.width; ++k)
        put(fourBit ? static_cast<std::uint8_t>((k & 1) ? value & 0xF : value >> 4) : static_cast<std::uint8_t>(value));
      continue;
    }
    if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (end - p < 2) break;
      x += p[0];
      row += p[1];
      p += 2;
    } else {
      std::int64_t dataBytes = fourBit ? (value + 1) / 2 : value;
      if (end - p < dataBytes) break;
      for (int k = 0; k < value && x < bmp.width; ++k)
        put(fourBit ? static_cast<std::uint8_t>((k & 1) ? p[k / 2] & 0xF : p[k / 2] >> 4) : p[k]);
      p += dataBytes;
      if ((dataBytes & 1) && p < end) ++p;
    }
  }
}

void UnpackFourBit(const BmpFile& bmp, GraphImage* out) {
  std::int64_t filePitch = RoundUp4(FileRowBytes(bmp));
  for (int y = 0; y < bmp.height; ++y) {
    const std::uint8_t* src = bmp.bytes + bmp.pixelOffset + FileRowOf(bmp, y) * filePitch;
    auto* dst = static_cast<std::uint8_t*>(out->pixels) + std::int64_t{y} * out->pitch;
    for (int x = 0; x < bmp.width; ++x) dst[x] = (x & 1) ? src[x / 2] & 0xF : src[x / 2] >> 4;
  }
}

void CopyRows(const BmpFile& bmp, GraphImage* out) {
  std::int64_t rowBytes = FileRowBytes(bmp);
  for (int y = 0; y < bmp.height; ++y)
    std::memcpy(static_cast<std::uint8_t*>(out->pixels) + std::int64_t{y} * out->pitch,
                bmp.bytes + bmp.pixelOffset + std::int64_t{FileRowOf(bmp, y)} * out->pitch,
                static_cast<std::size_t>(rowBytes));
}

// A channel of the given mask widened or narrowed to 8 bits; narrow channels repeat their top bits.
struct ChannelTo8 {
  std::uint32_t mask;
  int shift;
  int width;
  std::uint8_t Of(std::uint32_t pixel) const {
    if (width == 0) return 0;
    std::uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    std::uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += width) wide = (wide << width) | v;
    int total = ((8 + width - 1) / width) * width;
    return static_cast<std::uint8_t>(wide >> (total - 8));
  }
};

ChannelTo8 ChannelOfMask(std::uint32_t mask) {
  ChannelTo8 c{mask, 0, 0};
  if (mask == 0) return c;
  while (!((mask >> c.shift) & 1)) ++c.shift;
  while (c.shift + c.width < 32 && ((mask >> (c.shift + c.width)) & 1)) ++c.width;
  c.mask = mask & (c.width >= 32 ? 0xFFFFFFFFu : ((1u << c.width) - 1) << c.shift);
  return c;
}

// What the platform's DIB drawing did for the formats the loader does not keep: 1-bit, 16-bit,
// 32-bit and bit fields become a top-down 24-bit picture.
int ConvertTo24(const BmpFile& bmp, GraphImage* out) {
  std::int64_t pitch = RoundUp4(std::int64_t{bmp.width} * 3);
  if (!PictureFits(bmp.width, bmp.height, pitch)) return WriteLogText("ＤＩＢの作成に失敗しました3\n");
  if (!AllocPixels(out, bmp.width, bmp.height, pitch))
    return WriteLogText("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
  InitPixelFormatRgb24(&out->format);
  ChannelTo8 channels[3] = {ChannelOfMask(bmp.masks[0]), ChannelOfMask(bmp.masks[1]), ChannelOfMask(bmp.masks[2])};
  std::int64_t filePitch = RoundUp4(FileRowBytes(bmp));
  for (int y = 0; y < bmp.height; ++y) {
    const std::uint8_t* src = bmp.bytes + bmp.pixelOffset + FileRowOf(bmp, y) * filePitch;
    auto* dst = static_cast<std::uint8_t*>(out->pixels) + std::int64_t{y} * pitch;
    for (int x = 0; x < bmp.width; ++x, dst += 3) {
      if (bmp.bits == 1) {
        const std::uint8_t* entry = bmp.palette[(src[x / 8] >> (7 - (x & 7))) & 1];
        dst[0] = entry[0]; dst[1] = entry[1]; dst[2] = entry[2];
        continue;
      }
      std::uint32_t pixel = bmp.bits == 16 ? ReadLe16(src + 2 * x) : ReadLe32(src + 4 * x);
      dst[0] = channels[2].Of(pixel);
      dst[1] = channels[1].Of(pixel);
      dst[2] = channels[0].Of(pixel);
    }
  }
  return 0;
}

int DecodeBmp(BmpFile* bmp, GraphImage* out) {
  if (!ParseHeader(bmp)) return -1;
  bool compressed = bmp->compression == kBiRle8 || bmp->compression == kBiRle4;
  if (!compressed && !RowsPresent(*bmp)) return -1;
  bool keepsIndices = compressed || (bmp->compression == kBiRgb && (bmp->bits == 4 || bmp->bits == 8));
  if (!keepsIndices && bmp->bits != 24) return ConvertTo24(*bmp, out);
  std::int64_t pitch = RoundUp4(std::int64_t{bmp->width} * (bmp->bits == 24 ? 3 : 1));
  if (!PictureFits(bmp->width, bmp->height, pitch)) return -1;
  if (!AllocPixels(out, bmp->width, bmp->height, pitch)) return -1;
  if (bmp->bits == 24) {
    InitPixelFormatRgb24(&out->format);
    CopyRows(*bmp, out);
    return 0;
  }
  SetPaletteFormat(*bmp, out);
  if (compressed) DecodeRle(*bmp, out, bmp->compression == kBiRle4);
  else if (bmp->bits == 4) UnpackFourBit(*bmp, out);
  else CopyRows(*bmp, out);
  return 0;
}

}  // namespace

int LoadBmpFromStream(StreamReaderBlock* reader, GraphImage* out) {
  std::int64_t size = StreamBytesLeft(reader);
  std::uint8_t magic[2];
  if (size < 54 || !ReadStreamExact(reader, magic, 2) || magic[0] != 'B' || magic[1] != 'M') return -1;
  if (!SeekStream(reader, 0)) return -1;
  std::uint8_t* bytes = ReadStreamBlock(reader, size);
  if (bytes == nullptr) return -1;
  auto* bmp = static_cast<BmpFile*>(ZELVO_ALLOC_ZEROED(sizeof(BmpFile)));
  int result = -1;
  GraphImage image{};
  if (bmp != nullptr) {
    bmp->bytes = bytes;
    bmp->size = size;
    result = DecodeBmp(bmp, &image);
    TrackedFree(bmp);
  }
  TrackedFree(bytes);
  if (result != 0) {
    if (image.pixels != nullptr) TrackedFree(image.pixels);
    return -1;
  }
  *out = image;
  return 0;
}

}  // namespace zelvo
