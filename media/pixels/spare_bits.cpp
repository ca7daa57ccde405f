#include "media/pixels/spare_bits.h"

#include <cstring>

#include "media/pixels/rectangles.h"

namespace zelvo {

int SetRectSpareBits(const IntRect* rect, void* pixels, int pitch, const PixelFormat* format, std::uint32_t value) {
  if (format->OutsideBitsMask == 0) return 0;
  IntRect r = *rect;
  NormalizeRect(&r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int bytes = format->BytesPerPixel;
  if (bytes != 2 && bytes != 4) return 0;
  auto* first = static_cast<std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(r.top) * pitch + r.left * bytes;
  const std::uint32_t shifted = value << format->OutsideBitsShift;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = first + static_cast<std::ptrdiff_t>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      std::uint8_t* at = row + x * bytes;
      if (bytes == 2) {
        std::uint16_t pixel = 0;
        std::memcpy(&pixel, at, 2);
        pixel = static_cast<std::uint16_t>(pixel | shifted);
        std::memcpy(at, &pixel, 2);
      } else if (format->OutsideBitsMask == 0xFF000000u) {
        at[3] = static_cast<std::uint8_t>(at[3] | value);
      } else {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, at, 4);
        pixel |= shifted;
        std::memcpy(at, &pixel, 4);
      }
    }
  }
  return 0;
}

}  // namespace zelvo
