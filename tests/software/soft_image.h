#pragma once
// Small MEMIMG fixtures for the software drawing tests: images with exact pitches (so an over-read
// or over-write shows under ASan), pixel access by coordinates, and the blend state reset.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/core/log.h"
#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"

namespace zelvo::testing_soft {

// Owns one MEMIMG with pitch = width x bytes per pixel.
class TestImage {
 public:
  TestImage(int width, int height, int colorType, int paletteFlag = 0, int alphaFlag = 0, uint32_t key = 0,
            int auxiliary = 0) {
    std::memset(&image_, 0, sizeof image_);
    int bytes = paletteFlag ? 1 : (colorType == kMemImg8888 ? 4 : (colorType == kMemImgSingle8 ? 1 : (alphaFlag ? 4 : 2)));
    EXPECT_EQ(0, InitMemImg(&image_, width, height, width * bytes, key, colorType, paletteFlag, alphaFlag, auxiliary));
    std::memset(image_.pixels, 0, static_cast<size_t>(width * bytes * height));
  }
  ~TestImage() { FreeMemImg(&image_); }
  TestImage(const TestImage&) = delete;
  TestImage& operator=(const TestImage&) = delete;

  MEMIMG* get() { return &image_; }
  const MEMIMG* get() const { return &image_; }
  int bpp() const { return image_.format->BytesPerPixel; }
  uint8_t* at(int x, int y) { return image_.pixels + y * image_.pitch + x * bpp(); }
  uint32_t px(int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, at(x, y), static_cast<size_t>(bpp()));
    return v;
  }
  void set(int x, int y, uint32_t v) { std::memcpy(at(x, y), &v, static_cast<size_t>(bpp())); }
  void fill(uint32_t v) {
    for (int y = 0; y < image_.height; ++y)
      for (int x = 0; x < image_.width; ++x) set(x, y, v);
  }
  void setPalette(int index, uint32_t colour) {
    const int size = image_.colorType == kMemImg8888 ? 4 : 2;
    std::memcpy(static_cast<uint8_t*>(image_.palette) + index * size, &colour, static_cast<size_t>(size));
  }
  std::vector<uint32_t> row(int y) {
    std::vector<uint32_t> r;
    for (int x = 0; x < image_.width; ++x) r.push_back(px(x, y));
    return r;
  }

 private:
  MEMIMG image_;
};

// Tables built, state at its defaults, draw region covering `width` x `height`.
inline void ResetSoft(int width = 640, int height = 480) {
  InitSoftBlendTables();
  g_softBlend.drawRegion = {0, 0, width, height};
  ForceSoftReferencePath(0);
}

inline void SetBlend(int mode, int param) {
  g_softBlend.blendMode = mode;
  g_softBlend.blendParam = param;
}

}  // namespace zelvo::testing_soft
