#pragma once
// Test-only writers of small picture files (BMP, TGA, DDS, raw BGRA, PNG, JPEG) and a helper that
// runs one picture loader over bytes held in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "media/graphics/graphs/graph_image.h"

namespace zelvo_test {

using Bytes = std::vector<std::uint8_t>;

void PutLe16(Bytes& out, std::uint32_t value);
void PutLe32(Bytes& out, std::uint32_t value);

struct BmpLayout {
  int width = 1;
  int height = 1;                       // negative: rows top-down
  int bits = 24;
  std::uint32_t compression = 0;        // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
  std::vector<std::uint32_t> palette;   // 0x00RRGGBB, written blue, green, red, 0
  std::uint32_t masks[3] = {0, 0, 0};   // written after the header for bit fields
  int infoSize = 40;                    // larger headers are padded with zeros
  Bytes pixels;                         // pixel data exactly as stored in the file
};
Bytes WriteBmp(const BmpLayout& layout);
// Rows of rowBytes each, padded to a multiple of 4, in the order given.
Bytes PadRows(const std::vector<Bytes>& rows);
// A 24-bit BMP of width x height pixels all of one colour, given as stored: blue, green, red.
Bytes WriteOneColourBmp(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red);

struct TgaLayout {
  int imageType = 2;
  int width = 1;
  int height = 1;
  int pixelBits = 24;
  int descriptor = 0x20;                // bit 5: top-down, bit 4: right to left
  Bytes id;
  int colorMapType = 0;
  int mapFirst = 0;
  int mapEntryBits = 0;
  Bytes colorMap;                       // mapLength x entry bytes
  int mapLength = 0;
  int xOrigin = 0;
  int yOrigin = 0;
  Bytes pixels;                         // raw values or run-length packets
  bool footer = false;
  std::uint32_t extensionOffset = 0;
};
Bytes WriteTga(const TgaLayout& layout);
// Packets for the values (valueBytes each): runs of equal values become run packets.
Bytes EncodeTgaRle(const Bytes& values, int valueBytes);

struct DdsLayout {
  int width = 1;
  int height = 1;
  std::uint32_t headerFlags = 0x1007;   // caps, height, width, pixel format
  std::uint32_t pitch = 0;
  std::uint32_t formatFlags = 0x4;      // four-character code
  std::uint32_t fourCC = 21;
  std::uint32_t bitCount = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  Bytes pixels;
};
Bytes WriteDds(const DdsLayout& layout);

Bytes WriteRawBgra(std::uint32_t channelBits, std::uint32_t width, std::uint32_t height, const Bytes& pixels);

struct PngLayout {
  int width = 1;
  int height = 1;
  int bitDepth = 8;
  int colorType = 2;                    // libpng colour types
  bool interlaced = false;
  std::vector<std::uint32_t> palette;   // 0x00RRGGBB
  Bytes transparency;                   // tRNS: palette alphas, or a 2-byte grey / 6-byte RGB key
  std::vector<Bytes> rows;              // rows as libpng takes them (packed, big-endian 16-bit)
};
Bytes WritePng(const PngLayout& layout);

// components 1 (grey), 3 (RGB) or 4 (CMYK); pixels row after row.
Bytes WriteJpeg(int width, int height, int components, const Bytes& pixels, int quality);

Bytes ReadFileBytes(const std::string& hostPath);

// Runs one loader over a memory stream of the bytes.
int DecodeBytes(zelvo::PictureLoader loader, const Bytes& bytes, zelvo::GraphImage* out);
// The picture's row y as bytes (pitch-wide).
Bytes PictureRow(const zelvo::GraphImage& image, int y, int bytes);

}  // namespace zelvo_test
