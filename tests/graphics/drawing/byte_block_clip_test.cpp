// A block of one-byte pixels copied into a byte buffer, clipped to the draw region, by mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/graphics/drawing/byte_block_clip.h"
#include "media/graphics/graphs/draw_state.h"

namespace zelvo {
namespace {

// An 8 x 4 buffer of '.' (pitch 8) under the region (1, 1)-(7, 4); the 3 x 2 source "a0b" / "0cd"
// with '0' standing for a zero byte.
std::string CopyInto(int x, int y, int mode) {
  const IntRect savedRegion = g_draw.region;
  g_draw.region = IntRect{1, 1, 7, 4};
  std::vector<std::uint8_t> buffer(8 * 4, '.');
  const std::uint8_t source[] = {'a', 0, 'b', 0, 'c', 'd'};
  EXPECT_EQ(CopyByteBlockClipped(x, y, buffer.data(), 8, 3, 2, source, mode), 0);
  g_draw.region = savedRegion;
  std::string rows;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 8; ++column) {
      const std::uint8_t value = buffer[static_cast<std::size_t>(row) * 8 + column];
      rows += value == 0 ? '0' : static_cast<char>(value);
    }
    rows += '/';
  }
  return rows;
}

TEST(CopyByteBlockClipped, CopiesTheVisiblePartByMode) {
  struct Case { int x, y, mode; const char* rows; };
  const Case cases[] = {
      {2, 1, 2, "......../..a0b.../..0cd.../......../"},   // every byte
      {2, 1, 0, "......../..a.b.../...cd.../......../"},   // the zero bytes leave the buffer as it was
      {2, 1, 1, "......../......../......../......../"},   // other modes copy nothing
      {0, 0, 2, "......../.cd...../......../......../"},   // cut at the region's left and top
      {5, 3, 2, "......../......../......../.....a0./"},   // cut at its right and bottom
      {7, 1, 2, "......../......../......../......../"},   // wholly outside
  };
  for (const Case& c : cases) EXPECT_EQ(CopyInto(c.x, c.y, c.mode), c.rows) << c.x << "," << c.y << " mode " << c.mode;
}

}  // namespace
}  // namespace zelvo
