// The texture format descriptors and the choice of a descriptor for a surface's request.
#include "media/display/convert_pixel_rect.h"

namespace zelvo {

TextureFormatDesc TextureFormatTable[kTextureFormatCount];
DDPixelFormatRecord ZBufferPixelFormat;

namespace {

enum : int { kAlphaChannel = 1, kDrawValid = 2, kAlphaTest = 4, kColorBitDepth = 5 };

bool Empty(int index) { return TextureFormatTable[index].format.ColorBitDepth == 0; }

// The descriptor as the request names it.
int NamedKind(const PixelFormatRequest& r) {
  const bool is16 = r.bytes[kColorBitDepth] == 16;
  if (r.bytes[kDrawValid]) return r.bytes[kAlphaChannel] || r.bytes[kAlphaTest] ? 8 : (is16 ? 6 : 7);
  if (r.bytes[kAlphaChannel]) return is16 ? 2 : 3;
  if (r.bytes[kAlphaTest]) return is16 ? 4 : 5;
  return is16 ? 0 : 1;
}

}  // namespace

int GetPixelFormatKind(const PixelFormatRequest* request) {
  const int named = NamedKind(*request);
  // A device without the named format: its 32-bit counterpart, then the other alpha format.
  static const int kAlternatives[kTextureFormatCount][4] = {
      {0, 1, -1, -1}, {1, -1, -1, -1}, {2, 3, 4, 5}, {3, 5, -1, -1}, {4, 5, 2, 3},
      {5, 3, -1, -1}, {6, 7, -1, -1},  {7, -1, -1, -1}, {8, -1, -1, -1},
  };
  for (int candidate : kAlternatives[named]) {
    if (candidate >= 0 && !Empty(candidate)) return candidate;
  }
  return named;
}

const PixelFormat* SelectPixelFormatDescByRequest(const PixelFormatRequest* request) {
  return &TextureFormatTable[GetPixelFormatKind(request)].format;
}

const PixelFormat* SelectPixelFormatDesc(int alphaChannel, int alphaTest, int is32Bit, int drawValid) {
  PixelFormatRequest request{};
  request.bytes[kAlphaChannel] = static_cast<std::uint8_t>(alphaChannel != 0);
  request.bytes[kDrawValid] = static_cast<std::uint8_t>(drawValid != 0);
  request.bytes[kAlphaTest] = static_cast<std::uint8_t>(alphaTest != 0);
  request.bytes[kColorBitDepth] = static_cast<std::uint8_t>(is32Bit ? 32 : 16);
  return SelectPixelFormatDescByRequest(&request);
}

const DDPixelFormatRecord* GetColorFormatEntry(int index) {
  return index >= 0 && index < kTextureFormatCount ? &TextureFormatTable[index].ddFormat : nullptr;
}

const PixelFormat* GetPixelFormatDesc(int index) {
  return index >= 0 && index < kTextureFormatCount ? &TextureFormatTable[index].format : nullptr;
}

const DDPixelFormatRecord* GetZBufferPixelFormat() { return &ZBufferPixelFormat; }

}  // namespace zelvo
