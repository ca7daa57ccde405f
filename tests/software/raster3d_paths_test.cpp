// The vector bodies of the triangle rasterizer give the scalar loop's bytes: random perspective
// triangles, 32-bit and 16-bit textures with alpha and keyed texels, texel coordinates reaching
// outside the texture and rhw crossing 0, drawn on both paths over every cell that has a vector
// body.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::DrawOptions;
using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

struct Scene {
  std::vector<uint8_t> dst, depth;
};

Scene DrawScene(bool reference, int type, int mode, int param, int alpha, int transparent, int depthMode, uint32_t seed) {
  ResetSoft(61, 47);
  ForceSoftReferencePath(reference ? 1 : 0);
  SetBlend(mode, param);
  std::mt19937 rng(seed);
  TestImage tex(13, 9, type, 0, alpha, 0), dst(61, 47, type), zbuf(61, 47, kMemImgDepth16);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 13; ++x) {
      uint32_t v = rng();
      const uint32_t a = rng() % 4;  // alpha 0, 255 and in between; the key (0) now and then
      const uint32_t level = a == 0 ? 0u : a == 1 ? 255u : v >> 24;
      v = type == kMemImg8888 ? (v & 0x00FFFFFF) | level << 24 : (v & 0xFFFF) | level << 16;
      tex.set(x, y, (rng() % 7 == 0) ? 0u : v);
    }
  }
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) {
      dst.set(x, y, rng());
      zbuf.set(x, y, rng() & 0xFFFF);
    }
  std::uniform_real_distribution<float> pos(-10.0f, 70.0f), depth(-0.2f, 1.2f), uv(-0.2f, 1.2f), rhw(-0.3f, 3.0f);
  DrawOptions o;
  o.tex = tex.get();
  o.transparent = transparent;
  o.zbuf = depthMode ? zbuf.get() : nullptr;
  o.zWrite = depthMode == 2;
  for (int i = 0; i < 40; ++i) {
    ScreenVertex v[3];
    for (ScreenVertex& p : v) p = testing_soft::Vtx(pos(rng), pos(rng), depth(rng), rhw(rng), rng(), uv(rng), uv(rng));
    testing_soft::Draw(dst.get(), v, o);
  }
  ForceSoftReferencePath(0);
  Scene s;
  s.dst.assign(dst.get()->pixels, dst.get()->pixels + 61 * 47 * (type == kMemImg8888 ? 4 : 2));
  s.depth.assign(zbuf.get()->pixels, zbuf.get()->pixels + 61 * 47 * 2);
  return s;
}

TEST(Raster3DPaths, VectorBodiesMatchTheScalarLoop) {
  uint32_t seed = 1;
  for (int type : {kMemImg8888, kMemImg565})
    for (int mode : {0, 1})
      for (int param : {77, 254})
        for (int alpha : {0, 1})
          for (int transparent : {0, 1})
            for (int depthMode : {0, 1, 2}) {
              const Scene a = DrawScene(true, type, mode, param, alpha, transparent, depthMode, seed);
              const Scene b = DrawScene(false, type, mode, param, alpha, transparent, depthMode, seed);
              ++seed;
              const std::string what = std::to_string(type) + " " + std::to_string(mode) + " " + std::to_string(param) +
                                       " " + std::to_string(alpha) + " " + std::to_string(transparent) + " " +
                                       std::to_string(depthMode);
              EXPECT_TRUE(a.dst == b.dst) << what;
              EXPECT_TRUE(a.depth == b.depth) << what;
            }
}

}  // namespace
}  // namespace zelvo
