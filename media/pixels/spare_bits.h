#pragma once
// Setting the bits of a pixel that belong to no colour channel.
#include <cstdint>

#include <zelvo/pixel_format.h>

#include "media/core/runtime_routines.h"

namespace zelvo {

// ORs `value` into the spare bits of every pixel of `rect` (normalised first) of an image whose
// top-left pixel is at `pixels`: at the spare shift for 2- and 4-byte pixels, straight into the
// fourth byte when the spare bits are the top byte. A format without spare bits, or of another
// pixel size, is left unchanged. Returns 0.
int SetRectSpareBits(const IntRect* rect, void* pixels, int pitch, const PixelFormat* format, std::uint32_t value);

}  // namespace zelvo
