#include "media/graphics/drawing/byte_block_clip.h"

#include <cstring>

#include "media/graphics/graphs/draw_state.h"
#include "media/pixels/rectangles.h"

namespace zelvo {

int CopyByteBlockClipped(int x, int y, std::uint8_t* dst, int dstPitch, int width, int height,
                         const std::uint8_t* src, int mode) {
  if (mode != 0 && mode != 2) return 0;
  IntRect block{x, y, x + width, y + height};
  ClipRect(&block, &g_draw.region);
  const int columns = block.right - block.left;
  const int rows = block.bottom - block.top;
  if (columns <= 0 || rows <= 0 || dst == nullptr || src == nullptr) return 0;
  for (int row = 0; row < rows; ++row) {
    const std::uint8_t* from = src + static_cast<std::ptrdiff_t>(block.top - y + row) * width + (block.left - x);
    std::uint8_t* to = dst + static_cast<std::ptrdiff_t>(block.top + row) * dstPitch + block.left;
    if (mode == 2) {
      std::memcpy(to, from, static_cast<std::size_t>(columns));
      continue;
    }
    for (int column = 0; column < columns; ++column) {
      if (from[column] != 0) to[column] = from[column];
    }
  }
  return 0;
}

}  // namespace zelvo
