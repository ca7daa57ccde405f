// Device-independent bitmaps: DIB sections, StretchDIBits, SetDIBitsToDevice and GetDIBits.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace gdi {
namespace {

int Stride(int width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

void PaletteFromColors(const BitmapInfo* info, std::uint32_t* palette) {
  for (int i = 0; i < 256; ++i) palette[i] = info->colors[i] & 0xFFFFFF;   // blue, green, red, 0 bytes
}

}  // namespace

bool DibLayout(const BitmapInfo* info, pixels::Layout* out) {
  if (info == nullptr || info->header.width <= 0 || info->header.height == 0 || info->header.planes != 1) return false;
  const BitmapInfoHeader& h = info->header;
  if (h.compression == BI_BITFIELDS) {
    if (h.bitCount != 16 && h.bitCount != 32) return false;
    *out = pixels::Layout{h.bitCount, info->colors[0], info->colors[1], info->colors[2], 0};
    return info->colors[0] != 0 && info->colors[1] != 0 && info->colors[2] != 0;
  }
  if (h.compression != BI_RGB) return false;
  switch (h.bitCount) {
    case 8: *out = pixels::Palette8(); return true;
    case 16: *out = pixels::Rgb555(); return true;
    case 24: *out = pixels::Rgb888(); return true;
    case 32: *out = pixels::Xrgb8888(); return true;
    default: return false;
  }
}

pixels::View DibView(const void* bits, const BitmapInfo* info, const pixels::Layout& layout,
                     std::uint32_t* paletteOut) {
  const int width = info->header.width;
  const int height = std::abs(info->header.height);
  const int stride = Stride(width, info->header.bitCount);
  auto* base = static_cast<std::uint8_t*>(const_cast<void*>(bits));
  const bool topDown = info->header.height < 0;
  if (layout.bitsPerPixel == 8) PaletteFromColors(info, paletteOut);
  pixels::View view{base, width, height, stride, layout, layout.bitsPerPixel == 8 ? paletteOut : nullptr};
  if (!topDown) {
    view.origin = base + static_cast<std::ptrdiff_t>(height - 1) * stride;
    view.pitch = -stride;
  }
  return view;
}

namespace {

// An unscaled copy between like layouts (the common BitBlt): whole clipped rows at once, the same
// pixels the general loop below would pick.
bool CopyClipped(const pixels::View& destination, const Rect& to, const pixels::View& source, const Rect& from) {
  const int shiftX = from.left - to.left, shiftY = from.top - to.top;
  const int left = std::max({to.left, 0, -shiftX});
  const int right = std::min({to.right, destination.width, source.width - shiftX});
  const int top = std::max({to.top, 0, -shiftY});
  const int bottom = std::min({to.bottom, destination.height, source.height - shiftY});
  if (left >= right || top >= bottom) return false;
  const std::size_t bytes = static_cast<std::size_t>(right - left) * pixels::BytesPerPixel(destination.layout);
  for (int y = top; y < bottom; ++y) {
    pixels::CopyRow(pixels::PixelAddress(destination, left, y), pixels::PixelAddress(source, left + shiftX, y + shiftY),
                    bytes);
  }
  return true;
}

}  // namespace

bool StretchClipped(const pixels::View& destination, const Rect& to, const pixels::View& source, const Rect& from) {
  const std::int64_t dw = to.right - to.left, dh = to.bottom - to.top;
  const std::int64_t sw = from.right - from.left, sh = from.bottom - from.top;
  // A negative source width (from the rightmost column) mirrors the rows left to right.
  if (dw <= 0 || dh <= 0 || sw == 0 || sh <= 0) return false;
  const int db = pixels::BytesPerPixel(destination.layout), sb = pixels::BytesPerPixel(source.layout);
  const bool same = pixels::SameLayout(destination.layout, source.layout);   // palette indices stay
  if (same && dw == sw && dh == sh) return CopyClipped(destination, to, source, from);
  bool drew = false;
  for (int y = std::max(to.top, 0); y < std::min(to.bottom, destination.height); ++y) {
    const int sy = static_cast<int>(from.top + (y - to.top) * sh / dh);
    if (sy < 0 || sy >= source.height) continue;
    std::uint8_t* out = pixels::PixelAddress(destination, 0, y);
    const std::uint8_t* in = pixels::PixelAddress(source, 0, sy);
    for (int x = std::max(to.left, 0); x < std::min(to.right, destination.width); ++x) {
      const int sx = static_cast<int>(from.left + (x - to.left) * sw / dw);
      if (sx < 0 || sx >= source.width) continue;
      std::uint32_t raw = pixels::ReadRaw(in + sx * sb, sb);
      if (!same) raw = pixels::RgbToRaw(destination, pixels::RawToRgb(source, raw));
      pixels::WriteRaw(out + x * db, db, raw);
      drew = true;
    }
  }
  return drew;
}

}  // namespace gdi

GdiObject CreateDIBSection(DeviceContext, const BitmapInfo* info, std::uint32_t, void** bits, void*, std::uint32_t) {
  pixels::Layout layout{};
  if (testing::ShouldFail("CreateDIBSection") || !gdi::DibLayout(info, &layout)) return nullptr;
  GdiObjectRecord* bitmap =
      gdi::NewBitmap(info->header.width, std::abs(info->header.height), layout, true, info->header.height < 0);
  if (layout.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i) bitmap->palette[i] = info->colors[i] & 0xFFFFFF;
  }
  if (bits != nullptr) *bits = bitmap->memory.data();
  return bitmap;
}

int StretchDIBits(DeviceContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const void* bits, const BitmapInfo* info, std::uint32_t,
                  std::uint32_t rop) {
  pixels::Layout layout{};
  if (testing::ShouldFail("StretchDIBits") || bits == nullptr || rop != SRCCOPY || !gdi::DibLayout(info, &layout)) {
    return 0;
  }
  std::uint32_t palette[256];
  pixels::View source = gdi::DibView(bits, info, layout, palette);
  // Rows count from the bottom of the picture, whichever way the rows are stored.
  const int top = source.height - sourceY - sourceHeight;
  bool ok = gdi::WithPixels(context, true, [&](const pixels::View& to) {
    gdi::StretchClipped(to, Rect{x, y, x + width, y + height}, source,
                        Rect{sourceX, top, sourceX + sourceWidth, top + sourceHeight});
  });
  return ok ? sourceHeight : 0;
}

int SetDIBitsToDevice(DeviceContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                      int startScan, int lines, const void* bits, const BitmapInfo* info, std::uint32_t) {
  pixels::Layout layout{};
  if (testing::ShouldFail("SetDIBitsToDevice") || bits == nullptr || !gdi::DibLayout(info, &layout) ||
      startScan != 0 || lines <= 0) {
    return 0;
  }
  std::uint32_t palette[256];
  pixels::View source = gdi::DibView(bits, info, layout, palette);
  const int top = source.height - sourceY - height;
  bool ok = gdi::WithPixels(context, true, [&](const pixels::View& to) {
    gdi::StretchClipped(to, Rect{x, y, x + width, y + height}, source,
                        Rect{sourceX, top, sourceX + width, top + height});
  });
  return ok ? std::min(lines, source.height) : 0;
}

int GetDIBits(DeviceContext context, GdiObject bitmap, int startScan, int lines, void* bits, BitmapInfo* info,
              std::uint32_t) {
  if (testing::ShouldFail("GetDIBits") || !gdi::LiveObject(bitmap) || info == nullptr || startScan < 0) return 0;
  if (context != nullptr && !gdi::LiveContext(context)) return 0;
  if (bits == nullptr) {
    if (info->header.bitCount == 0) {
      info->header.width = bitmap->width;
      info->header.height = bitmap->height;
      info->header.planes = 1;
      info->header.bitCount = static_cast<std::uint16_t>(bitmap->layout.bitsPerPixel);
      info->header.compression = BI_RGB;
      info->header.sizeImage = static_cast<std::uint32_t>(bitmap->stride * bitmap->height);
    }
    return bitmap->height;
  }
  pixels::Layout layout{};
  if (!gdi::DibLayout(info, &layout) || info->header.width != bitmap->width) return 0;
  std::uint32_t palette[256] = {};
  if (layout.bitsPerPixel == 8) std::memcpy(info->colors, bitmap->palette, sizeof palette);
  pixels::View to = gdi::DibView(bits, info, layout, palette);
  pixels::View from = gdi::BitmapView(bitmap);
  // Scan lines count from the bottom row up.
  const int height = std::min(to.height, bitmap->height);
  const int count = std::max(0, std::min(lines, height - startScan));
  for (int line = startScan; line < startScan + count; ++line) {
    const int row = height - 1 - line;
    pixels::CopyPixels(to, 0, to.height - 1 - line, from, 0, row, bitmap->width, 1);
  }
  return count;
}

}  // namespace pf
