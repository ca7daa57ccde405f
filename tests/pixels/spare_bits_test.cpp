// Setting the bits that belong to no colour channel over a rectangle of pixels.
#include <gtest/gtest.h>

#include <zelvo/zelvo.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/pixels/pixel_format.h"
#include "media/pixels/spare_bits.h"

namespace zelvo {
namespace {

// A 4 x 3 image of one pixel value, 2 or 4 bytes a pixel.
struct Pixels {
  int bytes;
  std::vector<std::uint8_t> data;
  Pixels(int bytesPerPixel, std::uint32_t value) : bytes(bytesPerPixel), data(12u * bytesPerPixel) {
    for (int i = 0; i < 12; ++i) std::memcpy(&data[i * bytes], &value, bytes);
  }
  std::uint32_t At(int x, int y) const {
    std::uint32_t value = 0;
    std::memcpy(&value, &data[(y * 4 + x) * bytes], bytes);
    return value;
  }
};

TEST(SpareBits, OnlyThePixelsOfTheRectangleGetTheirSpareBitsSet) {
  const struct {
    const char* name;
    int bits;
    std::uint32_t r, g, b, a;
    std::uint32_t pixel, inside;
  } cases[] = {
      {"x8r8g8b8: the top byte", 32, 0xFF0000, 0xFF00, 0xFF, 0, 0x00123456, 0xFF123456},
      {"x1r5g5b5: the top bit", 16, 0x7C00, 0x3E0, 0x1F, 0, 0x1234, 0x9234},
      {"r5g6b5: no spare bits", 16, 0xF800, 0x7E0, 0x1F, 0, 0x1234, 0x1234},
      {"a8r8g8b8: no spare bits", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x00123456, 0x00123456},
      {"x4r4g4b4 shifted past the top", 16, 0xF00, 0xF0, 0xF, 0, 0x0123, 0xF123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PixelFormat format{};
    ASSERT_EQ(zelvo::SetupPixelFormatFromMasks(&format, c.bits, c.r, c.g, c.b, c.a), 0);
    Pixels image(c.bits / 8, c.pixel);
    // Given with its corners reversed.
    const IntRect rect{3, 2, 1, 1};
    EXPECT_EQ(SetRectSpareBits(&rect, image.data.data(), 4 * image.bytes, &format, 255), 0);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        const bool inRect = x >= 1 && x < 3 && y == 1;
        EXPECT_EQ(image.At(x, y), inRect ? c.inside : c.pixel) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace zelvo
