// Randomized comparison of every path of the mapped draws: the generated loops with the vector spans
// the processor allows, the same loops forced onto the scalar reference, and the plain model, over
// many triangles, quads and rotations with random pictures and blend states.
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "media/software/rotate_blit.h"
#include "media/software/triangle_map.h"
#include "tests/software/triangle_map_fixture.h"
#include "tests/software/triangle_map_model.h"

namespace zelvo {
namespace {

using testing::MapImage;

constexpr int kDstW = 48, kDstH = 40;

enum DrawKind { kTextured, kFlat, kRotated };

struct Scene {
  int type, palette, alpha, srcW, srcH;
  bool graph;
  uint32_t key;
  TriangleMapVertex v[3];
  uint32_t flatColour;
  int cx, cy, transparent, mirror;
  float angle, scale;
};

class MappedRandomTest : public ::testing::TestWithParam<DrawKind> {
 protected:
  void SetUp() override { testing::ResetSoftState(kDstW, kDstH); }
  ~MappedRandomTest() override { ForceSoftReferencePath(0); }

  std::mt19937 rng_{20261210};
  uint32_t Next() { return rng_(); }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
  template <class T, size_t N>
  T Pick(const T (&options)[N]) {
    return options[Next() % N];
  }

  void RandomState() {
    const int modes[] = {0, 0, 1, 1, 2, 3, 4, 5, -1};
    const int params[] = {0, 1, 128, 254, 255, 255, -1};
    g_softBlend.blendMode = Pick(modes);
    const int p = Pick(params);
    g_softBlend.blendParam = p < 0 ? Range(0, 255) : p;
    const uint32_t tints[] = {kTintOff, kTintOff, 0xFFFFFFFF, 0xFFFFFE, 0x80FF00, 0};
    g_softBlend.drawTint = Next() % 4 == 0 ? (Next() & 0xFFFFFF) : Pick(tints);
    for (int m = 0; m < 256; ++m) {
      const uint32_t r = Next() % 8;
      g_softBlend.blendGraphTable[m] = static_cast<uint8_t>(r == 0 ? 0 : (r == 1 ? 255 : Next() & 0xFF));
    }
    if (Next() % 3 == 0) {
      const int l = Range(-4, 30), t = Range(-4, 30);
      g_softBlend.drawRegion = {l, t, Range(l - 2, kDstW + 4), Range(t - 2, kDstH + 4)};
    } else {
      g_softBlend.drawRegion = {0, 0, kDstW, kDstH};
    }
  }

  Scene RandomScene(DrawKind kind) {
    Scene s{};
    s.type = Next() & 1 ? kMemImg8888 : kMemImg565;
    const int srcKind = Range(0, 2);
    s.palette = srcKind == 0;
    s.alpha = srcKind == 2;
    s.srcW = Range(1, 20);
    s.srcH = Range(1, 20);
    s.graph = Next() % 3 == 0;
    s.transparent = Next() & 1;
    for (auto& v : s.v) {
      v = {Range(-8, 56), Range(-8, 48), Range(-6, s.srcW + 6), Range(-6, s.srcH + 6)};
    }
    s.flatColour = Next() % 4 == 0 ? Next() : Next() & (s.type == kMemImg565 ? 0xFFFF : 0xFFFFFFFF);
    s.cx = Range(-6, 54);
    s.cy = Range(-6, 46);
    const float angles[] = {0.0f, static_cast<float>(std::numbers::pi / 2), static_cast<float>(std::numbers::pi), -0.3f};
    s.angle = Next() % 3 == 0 ? Pick(angles) : static_cast<float>(static_cast<int32_t>(Next()) % 700000) / 100000.0f;
    const float scales[] = {1.0f, 1.0f, 2.0f, 0.5f, -1.0f, 0.0f, 1.3f, 0.001f, -0.0003f};
    s.scale = Next() % 3 == 0 ? static_cast<float>(static_cast<int32_t>(Next()) % 300) / 100.0f : Pick(scales);
    s.mirror = kind == kRotated && (Next() & 1);
    return s;
  }

  void FillRandom(MapImage& image) {
    for (auto& b : image.buffer) b = static_cast<uint8_t>(Next());
  }

  // Source pixels with alpha 0 and 255 often, and a key that some pixels match.
  void FillSource(MapImage& src, const Scene& s) {
    FillRandom(src);
    const int alphaByte = s.type == kMemImg8888 ? 3 : 2;
    for (int y = 0; y < s.srcH; ++y) {
      for (int x = 0; x < s.srcW; ++x) {
        const uint32_t r = Next() % 4;
        if (!s.palette && r < 2) src.At(x, y)[alphaByte] = r == 0 ? 0 : 255;
      }
    }
    for (int i = 0; i < 256; ++i) src.SetPalette(i, Next());
    const uint32_t raw = src.Get(Range(0, s.srcW - 1), Range(0, s.srcH - 1));
    src.image.transparentColor = s.palette ? raw : (s.type == kMemImg565 ? (raw & 0xFFFF) : raw);
    if (Next() % 8 == 0) src.image.transparentColor |= 0x10000;   // never matches a 16-bit value
    for (int y = 0; y < s.srcH; ++y) {
      for (int x = 0; x < s.srcW; ++x) {
        if (Next() % 5 == 0) {
          const uint32_t key = src.image.transparentColor;
          if (s.palette) src.At(x, y)[0] = static_cast<uint8_t>(key);
          else std::memcpy(src.At(x, y), &key, s.type == kMemImg565 ? 2 : 4);
        }
      }
    }
  }

  void Run(DrawKind kind, int iterations) {
    uint64_t checksum = 0;
    int drawnCalls = 0;
    for (int it = 0; it < iterations; ++it) {
      RandomState();
      const Scene s = RandomScene(kind);
      MapImage src(s.srcW, s.srcH, s.type, s.palette, s.alpha), graph(s.srcW + Range(0, 2), s.srcH + Range(0, 2), kMemImgSingle8);
      MapImage fast(kDstW, kDstH, s.type), reference(kDstW, kDstH, s.type), model(kDstW, kDstH, s.type);
      FillSource(src, s);
      FillRandom(graph);
      FillRandom(fast);
      reference.buffer = fast.buffer;
      model.buffer = fast.buffer;
      const std::vector<uint8_t> before = fast.buffer;
      const MEMIMG* blendGraph = s.graph ? graph.get() : nullptr;
      auto draw = [&](MEMIMG* d) {
        switch (kind) {
          case kTextured: TriangleMapMemImg(d, src.get(), s.v, s.transparent, blendGraph, 0); break;
          case kFlat: TriangleMapMemImg(d, nullptr, s.v, s.transparent, blendGraph, s.flatColour); break;
          case kRotated: RotateBlitMemImg(d, src.get(), s.cx, s.cy, s.angle, s.scale, s.transparent, s.mirror, blendGraph); break;
        }
      };
      ForceSoftReferencePath(0);
      draw(fast.get());
      ForceSoftReferencePath(1);
      draw(reference.get());
      switch (kind) {
        case kTextured: testing::ModelTriangleMap(model.get(), src.get(), s.v, s.transparent, blendGraph, 0); break;
        case kFlat: testing::ModelTriangleMap(model.get(), nullptr, s.v, s.transparent, blendGraph, s.flatColour); break;
        case kRotated:
          testing::ModelRotateBlit(model.get(), src.get(), s.cx, s.cy, s.angle, s.scale, s.transparent, s.mirror, blendGraph);
          break;
      }
      const std::string what = "iteration " + std::to_string(it) + " type " + std::to_string(s.type) + " pal " +
                               std::to_string(s.palette) + " alpha " + std::to_string(s.alpha) + " mode " +
                               std::to_string(g_softBlend.blendMode) + " param " + std::to_string(g_softBlend.blendParam) +
                               " graph " + std::to_string(s.graph) + " trans " + std::to_string(s.transparent);
      ASSERT_EQ(reference.buffer, model.buffer) << what;
      ASSERT_EQ(fast.buffer, reference.buffer) << what;
      drawnCalls += fast.buffer != before;
      for (uint8_t b : fast.buffer) checksum = checksum * 1099511628211ull + b;
    }
    // Most calls must draw something, or the comparison proves little.
    EXPECT_GT(drawnCalls, iterations / 3);
    RecordProperty("checksum", std::to_string(checksum));
  }
};

TEST_P(MappedRandomTest, EveryPathGivesTheSameBytes) { Run(GetParam(), 1500); }

std::string KindName(const ::testing::TestParamInfo<DrawKind>& info) {
  static const char* const kNames[] = {"Textured", "Flat", "Rotated"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Kinds, MappedRandomTest, ::testing::Values(kTextured, kFlat, kRotated), KindName);

}  // namespace
}  // namespace zelvo
