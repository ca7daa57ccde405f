#pragma once
// The one routine that copies a rectangle of pixels between memory layouts and colour formats, and
// the texture format descriptors that pick a texture's format.
#include <cstdint>

#include <zelvo/pixel_format.h>

#include "media/core/runtime_routines.h"

namespace zelvo {

// Reduction options of the conversion (the graphics option word).
enum : int { kReduceTruncate = 0, kReduceOrderedDither = 1, kReduceErrorDiffusion = 2 };

// 0, -1 for an empty rectangle or an 8-bit destination with a source of another depth, and the
// largest byte copied for the plain 8-bit copy. The buffers must hold the rectangle at both ends.
int ConvertPixelRect(void* destination, int destinationPitch, const PixelFormat* destinationFormat,
                     const void* source, int sourcePitch, const PixelFormat* sourceFormat, const void* alphaPicture,
                     int alphaPitch, const PixelFormat* alphaFormat, int destinationX, int destinationY,
                     const IntRect* sourceRect, int mirror, int alphaFromColorKey, std::uint32_t colorKey,
                     int reduction, int clearColor, int alphaFromRed, int skipColorKey);

// ---------------------------------------------------------------- texture format descriptors
struct TextureFormatDesc {
  DDPixelFormatRecord ddFormat;
  PixelFormat format;             // bit depth 0: empty
};
constexpr int kTextureFormatCount = 9;
extern TextureFormatDesc TextureFormatTable[kTextureFormatCount];
extern DDPixelFormatRecord ZBufferPixelFormat;

// Byte 1 AlphaCh, byte 2 DrawValid, byte 4 AlphaTest, byte 5 ColorBitDepth (16 or 32).
struct PixelFormatRequest {
  std::uint8_t bytes[6];
};

const PixelFormat* SelectPixelFormatDesc(int alphaChannel, int alphaTest, int is32Bit, int drawValid);
const PixelFormat* SelectPixelFormatDescByRequest(const PixelFormatRequest* request);
int GetPixelFormatKind(const PixelFormatRequest* request);
const DDPixelFormatRecord* GetColorFormatEntry(int index);
const PixelFormat* GetPixelFormatDesc(int index);
const DDPixelFormatRecord* GetZBufferPixelFormat();

}  // namespace zelvo
