#pragma once
// Reading back a screen the library saved as a 24-bit bottom-up BMP, pixel by pixel.
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>

#include "support/picture_writers.h"

namespace zelvo_test {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

struct SavedBmp {
  int width = 0, height = 0;
  Bytes bytes;
  Rgb At(int x, int y) const {
    const int stride = (width * 3 + 3) & ~3;
    const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * stride + x * 3;
    return Rgb{bytes[at + 2], bytes[at + 1], bytes[at]};
  }
};

inline SavedBmp ReadSavedBmp(const std::string& path) {
  SavedBmp bmp;
  bmp.bytes = ReadFileBytes(path);
  if (bmp.bytes.size() < 54) return bmp;
  std::memcpy(&bmp.width, &bmp.bytes[18], 4);
  std::memcpy(&bmp.height, &bmp.bytes[22], 4);
  return bmp;
}

}  // namespace zelvo_test
