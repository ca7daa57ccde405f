#pragma once
// Copying a block of one-byte pixels (a mask's data) into a byte buffer at (x, y), clipped to the
// draw region.
#include <cstdint>

namespace zelvo {

// Mode 2 copies every byte, mode 0 only the non-zero ones, any other mode nothing. The source's
// pitch is its width. Returns 0.
int CopyByteBlockClipped(int x, int y, std::uint8_t* dst, int dstPitch, int width, int height,
                         const std::uint8_t* src, int mode);

}  // namespace zelvo
