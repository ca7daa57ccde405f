#pragma once
// MEMIMG: the library's software image, a header over a pixel buffer in one of four colour types.
// Every software drawing routine reads and writes MEMIMGs.
#include <cstdint>

#include <zelvo/pixel_format.h>

#include "media/core/runtime_routines.h"

namespace zelvo {

// MemImgColorType
enum : int32_t {
  kMemImg565 = 0,     // 16-bit RGB 565 (4 bytes per pixel with alpha: 565 in bytes 0-1, alpha in byte 2)
  kMemImg8888 = 1,    // 32-bit XRGB / ARGB: blue, green, red, alpha in bytes 0-3
  kMemImgSingle8 = 2, // 8-bit single channel (blend pictures)
  kMemImgDepth16 = 3, // 16-bit single channel (depth buffer)
};

constexpr uint32_t kMemImgMagic = 0x12345678;

// TransparentRunCode: per row, bytes kind << 6 | (count - 1); each row ends with kRunEndOfRow.
enum : uint8_t {
  kRunSkip = 0,       // transparent colour, or alpha 0
  kRunOpaque = 1,     // drawn as they are
  kRunOwnAlpha = 2,   // blended by their own alpha (1..254)
  kRunEnd = 3,
  kRunEndOfRow = 0xC0,
  kRunMaxLength = 64,
};

struct MEMIMG {
  uint32_t magic;
  int32_t width;
  int32_t height;
  int32_t pitch;
  int32_t pitchLog2;              // log2 of the pitch when it is a power of two, else -1
  const PixelFormat* format;      // the standard format for (colour type, alpha, palette)
  uint32_t transparentColor;      // pixel value, or a palette index in the low byte
  int32_t colorType;
  int32_t paletteFlag;
  int32_t paletteCount;           // one more than the highest index the last transfer produced
  int32_t alphaFlag;
  int32_t premultipliedValid;
  int32_t runsValid;              // the transparent-run flag: runCode matches the pixels
  int32_t pixelsNotOwned;
  void* palette;                  // 256 entries, 565 (2 bytes) for type 0, XRGB (4 bytes) for type 1
  void* paletteCopy;
  uint8_t paletteStorage[2][1024];
  uint8_t* pixels;
  uint8_t* premultiplied;
  uint8_t* runCode;               // (width + 5) x height bytes
};

inline int MemImgBytesPerPixel(const MEMIMG* image) { return image->format->BytesPerPixel; }

// Standard formats, built once on first use; null for a colour type without one.
const PixelFormat* GetMemImgPixelFormat(int colorType, int alphaFlag, int paletteFlag);
const DDPixelFormatRecord* GetMemImgDDPixelFormat(int colorType, int alphaFlag, int paletteFlag);

// The caller clears the header first; a caller-supplied pixel buffer goes into `pixels` before.
int InitMemImg(MEMIMG* image, int width, int height, int pitch, uint32_t transparentColor, int colorType,
               int paletteFlag, int alphaFlag, int makeAuxiliary);
int InitScreenMemImg(MEMIMG* image, int width, int height, int colorType);   // -1: by requested depth
int InitDepthMemImg(MEMIMG* image, int width, int height);
void FreeMemImg(MEMIMG* image);
int IsMemImgValid(const MEMIMG* image);
void MakeMemImgView(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height);
void FillMemImgRect(MEMIMG* image, const IntRect* rect, uint32_t value);

// The end of a picture transfer into `image` covering coveredWidth x coveredHeight pixels: clears
// the valid flags and, for a whole-image transfer into an image with auxiliary buffers, builds the
// premultiplied copy and the TransparentRunCode.
int CompleteMemImgTransfer(MEMIMG* image, int coveredWidth, int coveredHeight);
// Fills the working palette (and its copy) of a palette image from a picture's palette.
int SetMemImgPaletteFromFormat(MEMIMG* image, const PixelFormat* pictureFormat);

}  // namespace zelvo
