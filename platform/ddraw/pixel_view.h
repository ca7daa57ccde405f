#pragma once
// A rectangle of pixel memory in one of the layouts DirectDraw and GDI hold (8-bit palette, 16-bit
// with any masks, 24-bit, 32-bit), and the conversions between them through 0x00RRGGBB.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pf::pixels {

struct Layout {
  int bitsPerPixel;                 // 8, 16, 24 or 32
  std::uint32_t red, green, blue;   // channel masks; 24 and 32 bits are 0xFF0000 / 0xFF00 / 0xFF
  std::uint32_t alpha;
};

struct View {
  std::uint8_t* origin;             // pixel (0, 0)
  int width, height;
  std::ptrdiff_t pitch;             // bytes from one row to the next (negative for bottom-up DIBs)
  Layout layout;
  const std::uint32_t* palette;     // 256 entries 0x00RRGGBB for 8-bit layouts, else null
};

Layout Rgb565();
Layout Rgb555();
Layout Xrgb8888();
Layout Rgb888();
Layout Palette8();
bool SameLayout(const Layout& a, const Layout& b);
int BytesPerPixel(const Layout& layout);

inline std::uint8_t* PixelAddress(const View& view, int x, int y) {
  return view.origin + static_cast<std::ptrdiff_t>(y) * view.pitch + static_cast<std::ptrdiff_t>(x) *
                                                                          BytesPerPixel(view.layout);
}

// A row of bytes from one place to another: rows of two surfaces are a plain copy; a surface copied
// onto itself may overlap its own rows.
inline void CopyRow(void* to, const void* from, std::size_t bytes) {
  const auto out = reinterpret_cast<std::uintptr_t>(to), in = reinterpret_cast<std::uintptr_t>(from);
  if (out + bytes <= in || in + bytes <= out) {
    std::memcpy(to, from, bytes);
  } else {
    std::memmove(to, from, bytes);
  }
}

// One pixel of 1 to 4 bytes, little-endian.
inline std::uint32_t ReadRaw(const std::uint8_t* at, int bytes) {
  switch (bytes) {
    case 1: return at[0];
    case 2: return static_cast<std::uint32_t>(at[0] | at[1] << 8);
    case 3: return static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16);
    default: {
      std::uint32_t v;
      std::memcpy(&v, at, 4);
      return v;
    }
  }
}

inline void WriteRaw(std::uint8_t* at, int bytes, std::uint32_t value) {
  switch (bytes) {
    case 1: at[0] = static_cast<std::uint8_t>(value); break;
    case 2: at[0] = static_cast<std::uint8_t>(value); at[1] = static_cast<std::uint8_t>(value >> 8); break;
    case 3:
      at[0] = static_cast<std::uint8_t>(value);
      at[1] = static_cast<std::uint8_t>(value >> 8);
      at[2] = static_cast<std::uint8_t>(value >> 16);
      break;
    default: std::memcpy(at, &value, 4); break;
  }
}

// Channels widened by repeating their top bits; 8-bit pixels through the palette.
std::uint32_t RawToRgb(const View& view, std::uint32_t raw);
// Channels cut to their widths; 8-bit layouts take the nearest palette entry. Bits outside the
// channels are 0, so a 32-bit pixel gets a top byte of 0.
std::uint32_t RgbToRaw(const View& view, std::uint32_t rgb);

// Copies width x height pixels; the same layout copies bytes, others convert each pixel.
void CopyPixels(const View& destination, int dx, int dy, const View& source, int sx, int sy, int width,
                int height);
// Nearest-neighbour stretch of a source rectangle onto a destination rectangle (same or other layout).
void StretchPixels(const View& destination, int dx, int dy, int dw, int dh, const View& source, int sx, int sy,
                   int sw, int sh);
void FillRaw(const View& destination, int x, int y, int width, int height, std::uint32_t raw);

}  // namespace pf::pixels
