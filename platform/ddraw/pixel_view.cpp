// Pixel conversions shared by the DirectDraw surfaces and the GDI device contexts.
#include "platform/ddraw/pixel_view.h"

#include <emmintrin.h>

#include <cstring>

namespace pf::pixels {
namespace {

int Shift(std::uint32_t mask) { return mask == 0 ? 0 : __builtin_ctz(mask); }
int Width(std::uint32_t mask) { return mask == 0 ? 0 : __builtin_popcount(mask); }

// A channel of `width` bits widened to 8 by repeating its top bits.
std::uint32_t Widen(std::uint32_t value, int width) {
  if (width <= 0) return 0;
  if (width >= 8) return value >> (width - 8);
  std::uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += width) out |= filled + width <= 8 ? value << (8 - filled - width)
                                                                                : value >> (filled + width - 8);
  return out & 0xFF;
}

std::uint32_t Narrow(std::uint32_t value8, std::uint32_t mask) {
  int width = Width(mask);
  if (width == 0) return 0;
  std::uint32_t v = width <= 8 ? value8 >> (8 - width) : value8 << (width - 8);
  return (v << Shift(mask)) & mask;
}

std::uint32_t NearestPaletteIndex(const std::uint32_t* palette, std::uint32_t rgb) {
  if (palette == nullptr) return 0;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 256; ++i) {
    long dr = static_cast<long>((palette[i] >> 16) & 0xFF) - static_cast<long>((rgb >> 16) & 0xFF);
    long dg = static_cast<long>((palette[i] >> 8) & 0xFF) - static_cast<long>((rgb >> 8) & 0xFF);
    long db = static_cast<long>(palette[i] & 0xFF) - static_cast<long>(rgb & 0xFF);
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return static_cast<std::uint32_t>(best);
}

}  // namespace

Layout Rgb565() { return Layout{16, 0xF800, 0x07E0, 0x001F, 0}; }
Layout Rgb555() { return Layout{16, 0x7C00, 0x03E0, 0x001F, 0}; }
Layout Xrgb8888() { return Layout{32, 0xFF0000, 0xFF00, 0xFF, 0}; }
Layout Rgb888() { return Layout{24, 0xFF0000, 0xFF00, 0xFF, 0}; }
Layout Palette8() { return Layout{8, 0, 0, 0, 0}; }

bool SameLayout(const Layout& a, const Layout& b) {
  return a.bitsPerPixel == b.bitsPerPixel && a.red == b.red && a.green == b.green && a.blue == b.blue &&
         a.alpha == b.alpha;
}

int BytesPerPixel(const Layout& layout) { return layout.bitsPerPixel / 8; }

std::uint32_t RawToRgb(const View& view, std::uint32_t raw) {
  const Layout& l = view.layout;
  if (l.bitsPerPixel == 8) return view.palette != nullptr ? view.palette[raw & 0xFF] & 0xFFFFFF : 0;
  std::uint32_t r = Widen((raw & l.red) >> Shift(l.red), Width(l.red));
  std::uint32_t g = Widen((raw & l.green) >> Shift(l.green), Width(l.green));
  std::uint32_t b = Widen((raw & l.blue) >> Shift(l.blue), Width(l.blue));
  return r << 16 | g << 8 | b;
}

std::uint32_t RgbToRaw(const View& view, std::uint32_t rgb) {
  const Layout& l = view.layout;
  if (l.bitsPerPixel == 8) return NearestPaletteIndex(view.palette, rgb);
  return Narrow((rgb >> 16) & 0xFF, l.red) | Narrow((rgb >> 8) & 0xFF, l.green) | Narrow(rgb & 0xFF, l.blue);
}

void CopyPixels(const View& destination, int dx, int dy, const View& source, int sx, int sy, int width,
                int height) {
  if (width <= 0 || height <= 0) return;
  const int db = BytesPerPixel(destination.layout), sb = BytesPerPixel(source.layout);
  // Palette pixels keep their indices between palette layouts.
  const bool same = SameLayout(destination.layout, source.layout);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = PixelAddress(destination, dx, dy + y);
    const std::uint8_t* in = PixelAddress(source, sx, sy + y);
    if (same) {
      CopyRow(out, in, static_cast<std::size_t>(width) * db);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      WriteRaw(out + x * db, db, RgbToRaw(destination, RawToRgb(source, ReadRaw(in + x * sb, sb))));
    }
  }
}

void StretchPixels(const View& destination, int dx, int dy, int dw, int dh, const View& source, int sx, int sy,
                   int sw, int sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (dw == sw && dh == sh) {
    CopyPixels(destination, dx, dy, source, sx, sy, dw, dh);
    return;
  }
  const int db = BytesPerPixel(destination.layout), sb = BytesPerPixel(source.layout);
  const bool same = SameLayout(destination.layout, source.layout);
  for (int y = 0; y < dh; ++y) {
    int row = sy + static_cast<int>(static_cast<std::int64_t>(y) * sh / dh);
    std::uint8_t* out = PixelAddress(destination, dx, dy + y);
    const std::uint8_t* in = PixelAddress(source, sx, row);
    for (int x = 0; x < dw; ++x) {
      int column = static_cast<int>(static_cast<std::int64_t>(x) * sw / dw);
      std::uint32_t raw = ReadRaw(in + column * sb, sb);
      WriteRaw(out + x * db, db, same ? raw : RgbToRaw(destination, RawToRgb(source, raw)));
    }
  }
}

void FillRaw(const View& destination, int x, int y, int width, int height, std::uint32_t raw) {
  if (width <= 0 || height <= 0) return;
  const int bytes = BytesPerPixel(destination.layout);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytes;
  // A pixel whose bytes are all the same (black, white, a palette index) fills as bytes.
  const std::uint32_t used = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
  const bool oneByte = (raw & used) == ((raw & 0xFF) * 0x01010101u & used);
  for (int row = 0; row < height; ++row) {
    std::uint8_t* out = PixelAddress(destination, x, y + row);
    if (oneByte) {
      std::memset(out, static_cast<int>(raw & 0xFF), rowBytes);
      continue;
    }
    std::size_t done = 0;
    if (bytes == 2 || bytes == 4) {
      // Sixteen bytes hold a whole number of 2- and 4-byte pixels.
      const __m128i pattern = bytes == 4 ? _mm_set1_epi32(static_cast<int>(raw))
                                         : _mm_set1_epi16(static_cast<short>(raw & 0xFFFF));
      for (; done + 16 <= rowBytes; done += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), pattern);
    }
    for (; done < rowBytes; done += static_cast<std::size_t>(bytes)) WriteRaw(out + done, bytes, raw);
  }
}

}  // namespace pf::pixels
