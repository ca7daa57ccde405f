#pragma once
// Small pictures for the mapped-draw tests: MEMIMG headers over buffers with an exact pitch, so a
// read or write past a row's end lands outside the buffer where the sanitizers see it.
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"

namespace zelvo::testing {

struct MapImage {
  MEMIMG image{};
  std::vector<uint8_t> buffer;
  int bytes = 0;

  MapImage(int width, int height, int colorType, int paletteFlag = 0, int alphaFlag = 0, uint32_t key = 0) {
    bytes = paletteFlag ? 1 : (colorType == kMemImg8888 ? 4 : (colorType == kMemImg565 ? (alphaFlag ? 4 : 2) : 1));
    if (colorType == kMemImgDepth16) bytes = 2;
    image.magic = kMemImgMagic;
    image.width = width;
    image.height = height;
    image.pitch = width * bytes;
    image.format = GetMemImgPixelFormat(colorType, alphaFlag, paletteFlag);
    image.transparentColor = key;
    image.colorType = colorType;
    image.paletteFlag = paletteFlag;
    image.paletteCount = paletteFlag ? 256 : 0;
    image.alphaFlag = alphaFlag;
    image.palette = image.paletteStorage[0];
    buffer.assign(static_cast<size_t>(width) * height * bytes + 1, 0);
    image.pixels = buffer.data();
  }
  MapImage(const MapImage&) = delete;
  MapImage& operator=(const MapImage&) = delete;

  MEMIMG* get() { return &image; }
  uint8_t* At(int x, int y) { return image.pixels + y * image.pitch + x * bytes; }
  uint32_t Get(int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, At(x, y), bytes);
    return v;
  }
  void Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bytes); }
  void Fill(uint32_t v) {
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) Set(x, y, v);
    }
  }
  void SetPalette(int index, uint32_t v) {
    const int entry = image.colorType == kMemImg8888 ? 4 : 2;
    std::memcpy(static_cast<uint8_t*>(image.palette) + index * entry, &v, entry);
  }
  // Number of pixels that differ from `v`.
  int CountNot(uint32_t v) {
    int n = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) n += Get(x, y) != v;
    }
    return n;
  }
};

// Tables built and the state at its defaults, with the draw region set to the whole destination.
inline void ResetSoftState(int regionWidth, int regionHeight) {
  InitSoftBlendTables();
  g_softBlend.drawRegion = {0, 0, regionWidth, regionHeight};
}

}  // namespace zelvo::testing
