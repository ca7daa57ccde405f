// MEMIMG headers: standard formats, initialisation and release, views, rectangle fill, and the
// premultiplied copy and transparent-run code built after a whole-image transfer.
#include "media/pixels/memimg.h"

#include <cstring>

#include "media/core/log.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

namespace {

// Index: colour type 0/1 x (alpha, palette) for types 0 and 1; types 2 and 3 have one each.
struct StandardFormats {
  PixelFormat formats[10];
  DDPixelFormatRecord records[10];
};

int StandardIndex(int colorType, int alphaFlag, int paletteFlag) {
  if (colorType == kMemImg565 || colorType == kMemImg8888) {
    return colorType * 4 + (alphaFlag ? 1 : 0) * 2 + (paletteFlag ? 1 : 0);
  }
  if (colorType == kMemImgSingle8) return 8;
  if (colorType == kMemImgDepth16) return 9;
  return -1;
}

void FormatFor(int index, int* bits, uint32_t masks[4]) {
  const int type = index / 4, alpha = index / 2 % 2, palette = index % 2;
  if (index == 8) {
    *bits = 8;
    masks[0] = masks[1] = masks[2] = masks[3] = 0xFF;
    return;
  }
  if (index == 9) {
    *bits = 16;
    masks[0] = masks[1] = masks[2] = masks[3] = 0xFFFF;
    return;
  }
  if (type == kMemImg565) {
    masks[0] = 0xF800;
    masks[1] = 0x7E0;
    masks[2] = 0x1F;
    masks[3] = alpha ? 0xFF0000 : 0;
    *bits = palette ? 8 : (alpha ? 32 : 16);
  } else {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
    masks[3] = alpha ? 0xFF000000 : 0;
    *bits = palette ? 8 : 32;
  }
}

const StandardFormats& Standard() {
  static const StandardFormats table = [] {
    StandardFormats t{};
    for (int i = 0; i < 10; ++i) {
      int bits = 0;
      uint32_t m[4] = {};
      FormatFor(i, &bits, m);
      if (i >= 8) {
        // single-channel types: all four channels on the same bits
        PixelFormat& f = t.formats[i];
        f.ColorBitDepth = static_cast<uint16_t>(bits);
        f.BytesPerPixel = static_cast<uint16_t>(bits / 8);
        for (int c = 0; c < 4; ++c) {
          f.ChannelWidth[c] = static_cast<uint8_t>(bits);
          f.ChannelShift[c] = 0;
          f.ChannelMask[c] = m[c];
        }
        f.OutsideBitsMask = 0;
      } else {
        SetupPixelFormatFromMasks(&t.formats[i], bits, m[0], m[1], m[2], m[3]);
      }
      SetupDDPixelFormat(&t.records[i], bits, m[0], m[1], m[2], m[3]);
    }
    return t;
  }();
  return table;
}

int Log2IfPowerOfTwo(int32_t pitch, int32_t rowBytes) {
  uint32_t p = 1;
  int log = 0;
  while (p < static_cast<uint32_t>(rowBytes > 0 ? rowBytes : 1)) {
    p <<= 1;
    ++log;
  }
  return static_cast<int32_t>(p) == pitch ? log : -1;
}

}  // namespace

const PixelFormat* GetMemImgPixelFormat(int colorType, int alphaFlag, int paletteFlag) {
  int i = StandardIndex(colorType, alphaFlag, paletteFlag);
  return i < 0 ? nullptr : &Standard().formats[i];
}

const DDPixelFormatRecord* GetMemImgDDPixelFormat(int colorType, int alphaFlag, int paletteFlag) {
  int i = StandardIndex(colorType, alphaFlag, paletteFlag);
  return i < 0 ? nullptr : &Standard().records[i];
}

int InitMemImg(MEMIMG* image, int width, int height, int pitch, uint32_t transparentColor, int colorType,
               int paletteFlag, int alphaFlag, int makeAuxiliary) {
  if (image->magic == kMemImgMagic) return -1;
  if (width < 0 || height < 0 || colorType < kMemImg565 || colorType > kMemImgDepth16) return -1;
  if (colorType == kMemImgSingle8 || colorType == kMemImgDepth16) paletteFlag = alphaFlag = 0;
  if (paletteFlag) alphaFlag = 0;
  paletteFlag = paletteFlag ? 1 : 0;
  alphaFlag = alphaFlag ? 1 : 0;

  image->width = width;
  image->height = height;
  image->transparentColor = transparentColor;
  image->colorType = colorType;
  image->paletteFlag = paletteFlag;
  image->alphaFlag = alphaFlag;
  image->premultipliedValid = 0;
  image->runsValid = 0;
  image->palette = image->paletteStorage[0];
  image->paletteCopy = image->paletteStorage[1];

  static const int kBytes[4] = {2, 4, 1, 2};
  int bytes = paletteFlag ? 1 : (colorType == kMemImg565 && alphaFlag ? 4 : kBytes[colorType]);
  int64_t rowBytes = static_cast<int64_t>(width) * bytes;
  if (rowBytes > 0x40000000) return -1;
  // A given pitch shorter than a row would make rows overlap and the buffer too small for them.
  if (pitch != -1 && pitch < rowBytes) return -1;
  int32_t finalPitch = pitch == -1 ? static_cast<int32_t>((rowBytes + 15) & ~int64_t{15}) : pitch;
  image->pitch = finalPitch;
  image->pitchLog2 = Log2IfPowerOfTwo(finalPitch, pitch == -1 ? static_cast<int32_t>(rowBytes) : pitch);
  image->format = GetMemImgPixelFormat(colorType, alphaFlag, paletteFlag);

  const size_t bufferBytes = static_cast<size_t>(height) * static_cast<size_t>(finalPitch < 0 ? 0 : finalPitch);
  uint8_t* allocatedPixels = nullptr;
  if (image->pixels) {
    image->pixelsNotOwned = 1;
  } else {
    allocatedPixels = static_cast<uint8_t*>(ZELVO_ALLOC(bufferBytes ? bufferBytes : 1));
    if (!allocatedPixels) return -1;
    image->pixels = allocatedPixels;
    image->pixelsNotOwned = 0;
  }
  if (makeAuxiliary) {
    // On failure free what this call allocated, so a refused header holds nothing.
    uint8_t* premul = nullptr;
    if (alphaFlag && !image->premultiplied) {
      premul = static_cast<uint8_t*>(ZELVO_ALLOC(bufferBytes ? bufferBytes : 1));
      if (!premul) {
        if (allocatedPixels) {
          TrackedFree(allocatedPixels);
          image->pixels = nullptr;
        }
        return -1;
      }
      image->premultiplied = premul;
    }
    if (colorType != kMemImgSingle8 && !image->runCode) {
      size_t runBytes = (static_cast<size_t>(width) + 5) * static_cast<size_t>(height);
      image->runCode = static_cast<uint8_t*>(ZELVO_ALLOC(runBytes ? runBytes : 1));
      if (!image->runCode) {
        if (premul) {
          TrackedFree(premul);
          image->premultiplied = nullptr;
        }
        if (allocatedPixels) {
          TrackedFree(allocatedPixels);
          image->pixels = nullptr;
        }
        return -1;
      }
    }
  }
  image->magic = kMemImgMagic;
  return 0;
}

int InitScreenMemImg(MEMIMG* image, int width, int height, int colorType) {
  std::memset(image, 0, sizeof *image);
  if (colorType == -1) colorType = g_screenColor.requestedDepth == 16 ? kMemImg565 : kMemImg8888;
  return InitMemImg(image, width, height, -1, 0, colorType, 0, 0, 0);
}

int InitDepthMemImg(MEMIMG* image, int width, int height) {
  std::memset(image, 0, sizeof *image);
  return InitMemImg(image, width, height, -1, 0, kMemImgDepth16, 0, 0, 0);
}

void FreeMemImg(MEMIMG* image) {
  if (image->magic != kMemImgMagic) return;
  if (!image->pixelsNotOwned) TrackedFree(image->pixels);
  TrackedFree(image->premultiplied);
  TrackedFree(image->runCode);
  image->pixels = nullptr;
  image->premultiplied = nullptr;
  image->runCode = nullptr;
  image->magic = 0;
}

int IsMemImgValid(const MEMIMG* image) { return image->pixels != nullptr; }

void MakeMemImgView(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height) {
  view->magic = kMemImgMagic;
  view->width = width;
  view->height = height;
  view->pitch = parent->pitch;
  view->pitchLog2 = parent->pitchLog2;
  view->format = parent->format;
  view->transparentColor = parent->transparentColor;
  view->colorType = parent->colorType;
  view->paletteFlag = parent->paletteFlag;
  view->paletteCount = parent->paletteCount;
  view->alphaFlag = parent->alphaFlag;
  view->premultipliedValid = 0;
  view->runsValid = 0;
  view->pixelsNotOwned = 1;  // the parent owns the pixels: releasing a view must not free them
  view->palette = parent->palette;
  view->paletteCopy = parent->paletteCopy;
  view->pixels = parent->pixels + static_cast<ptrdiff_t>(y) * parent->pitch +
                 static_cast<ptrdiff_t>(x) * parent->format->BytesPerPixel;
  view->premultiplied = nullptr;
  view->runCode = nullptr;
}

void FillMemImgRect(MEMIMG* image, const IntRect* rect, uint32_t value) {
  IntRect r = rect ? *rect : IntRect{0, 0, image->width, image->height};
  const IntRect whole{0, 0, image->width, image->height};
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  if (r.right > whole.right) r.right = whole.right;
  if (r.bottom > whole.bottom) r.bottom = whole.bottom;
  if (r.right <= r.left || r.bottom <= r.top) return;
  // Rows are filled from a block of the pixel value repeated (the value's low bpp bytes, in memory
  // order), whole blocks at a time; a value of one repeated byte (black, a cleared depth buffer) is
  // a memset, and rows that follow each other without a gap are one.
  const int bpp = image->format->BytesPerPixel;
  if (bpp < 1 || bpp > 4) return;
  const size_t pixelBytes = static_cast<size_t>(bpp);
  uint8_t block[64];
  const size_t blockBytes = sizeof block / pixelBytes * pixelBytes;
  for (size_t at = 0; at < blockBytes; at += pixelBytes) std::memcpy(block + at, &value, pixelBytes);
  const bool oneByte = std::memcmp(block, block + 1, pixelBytes - 1) == 0;
  size_t rowBytes = static_cast<size_t>(r.right - r.left) * pixelBytes;
  int rows = r.bottom - r.top;
  if (rowBytes == static_cast<size_t>(image->pitch)) {
    rowBytes *= static_cast<size_t>(rows);
    rows = 1;
  }
  for (int y = 0; y < rows; ++y) {
    uint8_t* p = image->pixels + static_cast<ptrdiff_t>(r.top + y) * image->pitch + static_cast<ptrdiff_t>(r.left) * bpp;
    if (oneByte) {
      std::memset(p, block[0], rowBytes);
      continue;
    }
    size_t at = 0;
    for (; at + blockBytes <= rowBytes; at += blockBytes) std::memcpy(p + at, block, blockBytes);
    std::memcpy(p + at, block, rowBytes - at);
  }
}

namespace {

// Kind of one pixel for the run code.
int RunKind(const MEMIMG* image, const uint8_t* p) {
  if (image->paletteFlag) return *p == static_cast<uint8_t>(image->transparentColor) ? kRunSkip : kRunOpaque;
  if (image->alphaFlag) {
    uint8_t a = image->colorType == kMemImg8888 ? p[3] : p[2];
    return a == 0 ? kRunSkip : (a == 255 ? kRunOpaque : kRunOwnAlpha);
  }
  if (image->colorType == kMemImg8888) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v == image->transparentColor ? kRunSkip : kRunOpaque;
  }
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v == image->transparentColor ? kRunSkip : kRunOpaque;
}

void BuildPremultiplied(MEMIMG* image) {
  for (int y = 0; y < image->height; ++y) {
    const uint8_t* s = image->pixels + static_cast<ptrdiff_t>(y) * image->pitch;
    uint8_t* d = image->premultiplied + static_cast<ptrdiff_t>(y) * image->pitch;
    for (int x = 0; x < image->width; ++x, s += 4, d += 4) {
      if (image->colorType == kMemImg8888) {
        uint32_t a = s[3];
        d[0] = static_cast<uint8_t>(s[0] * a >> 8);
        d[1] = static_cast<uint8_t>(s[1] * a >> 8);
        d[2] = static_cast<uint8_t>(s[2] * a >> 8);
        d[3] = static_cast<uint8_t>(a);
      } else {
        uint32_t c = static_cast<uint32_t>(s[0] | s[1] << 8), a = s[2];
        uint32_t v = (((c & 0xF800) * a >> 8) & 0xF800) | (((c & 0x7E0) * a >> 8) & 0x7E0) | ((c & 0x1F) * a >> 8);
        d[0] = static_cast<uint8_t>(v);
        d[1] = static_cast<uint8_t>(v >> 8);
        d[2] = static_cast<uint8_t>(a);
        d[3] = s[3];
      }
    }
  }
}

void BuildRunCode(MEMIMG* image) {
  const int bpp = image->format->BytesPerPixel;
  uint8_t* out = image->runCode;
  for (int y = 0; y < image->height; ++y) {
    const uint8_t* p = image->pixels + static_cast<ptrdiff_t>(y) * image->pitch;
    int x = 0;
    while (x < image->width) {
      int kind = RunKind(image, p);
      int n = 1;
      while (x + n < image->width && n < kRunMaxLength && RunKind(image, p + n * bpp) == kind) ++n;
      *out++ = static_cast<uint8_t>(kind << 6 | (n - 1));
      x += n;
      p += n * bpp;
    }
    *out++ = kRunEndOfRow;
  }
}

}  // namespace

int CompleteMemImgTransfer(MEMIMG* image, int coveredWidth, int coveredHeight) {
  image->premultipliedValid = 0;
  image->runsValid = 0;
  if (coveredWidth != image->width || coveredHeight != image->height) return 0;
  if (image->colorType == kMemImgSingle8 || image->colorType == kMemImgDepth16) return 0;
  if (!image->runCode) return 0;
  image->runsValid = 1;
  if (image->alphaFlag && image->premultiplied) {
    image->premultipliedValid = 1;
    BuildPremultiplied(image);
  }
  BuildRunCode(image);
  return 0;
}

int SetMemImgPaletteFromFormat(MEMIMG* image, const PixelFormat* pictureFormat) {
  for (int i = 0; i < 256; ++i) {
    uint32_t b = pictureFormat->Palette[i][0], g = pictureFormat->Palette[i][1], r = pictureFormat->Palette[i][2];
    if (image->colorType == kMemImg8888) {
      uint32_t v = r << 16 | g << 8 | b;
      std::memcpy(static_cast<uint8_t*>(image->palette) + i * 4, &v, 4);
    } else {
      uint16_t v = static_cast<uint16_t>((r / 8) << 11 | (g / 4) << 5 | b >> 3);
      std::memcpy(static_cast<uint8_t*>(image->palette) + i * 2, &v, 2);
    }
  }
  std::memcpy(image->paletteCopy, image->palette, image->colorType == kMemImg8888 ? 1024 : 512);
  return 0;
}

}  // namespace zelvo
