// Every software drawing path gives the same bytes whichever loop implementation runs: thousands of
// random blits, stretches and shapes drawn once through the scalar reference and once through the
// vector loops the processor offers, compared by one checksum.
#include <gtest/gtest.h>

#include <random>

#include "media/software/blit.h"
#include "media/software/row_kernels.h"
#include "media/software/shapes.h"
#include "soft_image.h"

namespace zelvo {
namespace {

using testing_soft::ResetSoft;
using testing_soft::TestImage;

uint64_t Fnv(uint64_t h, const MEMIMG* img) {
  for (int y = 0; y < img->height; ++y) {
    const uint8_t* p = img->pixels + y * img->pitch;
    for (int i = 0; i < img->width * img->format->BytesPerPixel; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  }
  return h;
}

uint64_t RunRandomSequence(uint32_t seed, int iterations) {
  std::mt19937 rng(seed);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  TestImage dst16(72, 40, kMemImg565), dst32(72, 40, kMemImg8888);
  for (TestImage* d : {&dst16, &dst32}) {
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 72; ++x) d->set(x, y, rng());
  }
  uint64_t hash = 0xCBF29CE484222325ull;
  static const int kParams[] = {0, 1, 64, 127, 128, 129, 200, 254, 255};
  for (int it = 0; it < iterations; ++it) {
    const int type = pick(2) ? kMemImg8888 : kMemImg565;
    TestImage& dst = type == kMemImg8888 ? dst32 : dst16;
    const bool plainState = pick(3) == 0;  // no tint, graph, alpha or key: the row forms
    g_softBlend.blendMode = pick(12) == 0 ? 5 : pick(5);
    g_softBlend.blendParam = pick(3) ? kParams[pick(9)] : pick(256);
    g_softBlend.drawTint = (!plainState && pick(3) == 0) ? (rng() & 0xFFFFFF) : kTintOff;
    g_softBlend.mmxUsable = pick(2);
    g_softBlend.drawRegion = pick(4) ? IntRect{0, 0, 72, 40}
                                     : IntRect{pick(30), pick(20), 40 + pick(40), 20 + pick(30)};
    const int op = pick(6);
    if (op < 3) {
      const bool fullWidth = pick(8) == 0;  // rows without gaps on both sides
      const int w = fullWidth ? 72 : 1 + pick(40), h = 1 + pick(12);
      const int palette = plainState ? 0 : pick(4) == 0;
      const int alpha = (plainState || palette) ? 0 : pick(3) == 0;
      TestImage src(w, h, type, palette, alpha, 0, 1);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          uint32_t v = rng();
          if (alpha) {
            const uint32_t a = pick(3) == 0 ? 0 : (pick(2) ? 255 : v >> 24);
            v = type == kMemImg8888 ? (v & 0xFFFFFF) | a << 24 : (v & 0xFFFF) | a << 16;
          }
          if (pick(4) == 0) v = 0;  // key pixels
          src.set(x, y, palette ? (v & 3) : v);
        }
      for (int i = 0; i < 256; ++i) src.setPalette(i, rng());
      src.get()->transparentColor = palette ? 0 : (pick(8) == 0 ? 0x10000 : 0);
      if (pick(2)) CompleteMemImgTransfer(src.get(), w, h);
      TestImage graph(w, h, kMemImgSingle8);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) graph.set(x, y, rng() & 0xFF);
      BuildBlendGraphTable(nullptr, pick(256), pick(256));
      const MEMIMG* blendGraph = (!plainState && pick(4) == 0) ? graph.get() : nullptr;
      const int transparent = plainState ? 0 : pick(3);
      if (op == 0) {
        BlitMemImg(dst.get(), src.get(), fullWidth ? 0 : pick(90) - 10, pick(50) - 5, transparent, blendGraph);
      } else {
        const IntRect r{pick(90) - 10, pick(50) - 5, pick(90) - 10, pick(50) - 5};
        StretchBlitMemImg(dst.get(), src.get(), &r, transparent, blendGraph);
      }
    } else {
      const uint32_t colour = rng();
      const int x = pick(90) - 10, y = pick(50) - 5;
      switch (op) {
        case 3: RasterCircle(dst.get(), x, y, pick(30), colour, pick(2)); break;
        case 4: RasterOval(dst.get(), x, y, pick(40) - 5, pick(25) - 5, colour, pick(2)); break;
        default:
          if (pick(2)) FillMemImgBox(dst.get(), x, y, pick(90) - 10, pick(50) - 5, colour);
          else DrawMemImgLine(dst.get(), x, y, pick(120) - 30, pick(80) - 20, colour);
          break;
      }
    }
    hash = Fnv(hash, dst.get());
  }
  return hash;
}

TEST(SoftPaths, VectorLoopsMatchTheReference) {
  ResetSoft(72, 40);
  ForceSoftReferencePath(1);
  ASSERT_EQ(kSoftPathReference, SoftPathLevel());
  const uint64_t reference = RunRandomSequence(20261210, 6000);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level) {
    LimitSoftPathLevel(level);
    ASSERT_EQ(level, SoftPathLevel());
    EXPECT_EQ(reference, RunRandomSequence(20261210, 6000)) << "path level " << level;
  }
  ForceSoftReferencePath(0);
}

TEST(SoftPaths, VectorRowsMatchTheReferenceOnEveryKind) {
  ResetSoft();
  std::mt19937 rng(7);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level)
  for (int kind = soft::kRowLerp; kind <= soft::kRowAlphaParamAll; ++kind) {
    for (int param = 1; param < 256; ++param) {
      std::vector<uint32_t> src(37), a(37), b(37);
      for (size_t i = 0; i < src.size(); ++i) {
        src[i] = i % 4 == 0 ? 0x00ABCDEF : rng();  // repeats of a key value
        if (i % 3 == 0) src[i] &= 0x00FFFFFF;  // alpha 0 and 255 among the others
        if (i % 5 == 0) src[i] |= 0xFF000000;
        a[i] = b[i] = rng();
      }
      LimitSoftPathLevel(level);
      const uint32_t key = src[4];  // keyed on odd parameters
      const uint32_t* keyed = param % 2 ? &key : nullptr;
      soft::BlendRow32(kind, reinterpret_cast<uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(src.data()), 37, param, keyed);
      soft::BlendRow32Reference(kind, reinterpret_cast<uint8_t*>(b.data()), reinterpret_cast<const uint8_t*>(src.data()), 37, param, keyed);
      ASSERT_EQ(b, a) << "level " << level << " kind " << kind << " param " << param;
    }
  }
}

// The split of a row into an alignment head, whole blocks and a padded tail, or a single padded
// piece for a short row: every length and starting offset gives the reference bytes, and the
// pixels around the row stay as they were.
TEST(SoftPaths, VectorRowsMatchTheReferenceAtEveryLengthAndOffset) {
  ResetSoft();
  std::mt19937 rng(13);
  std::vector<uint32_t> src(96), a(96), b(96);
  std::vector<uint16_t> src16(96), a16(96), b16(96);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level) {
    LimitSoftPathLevel(level);
    for (int kind : {soft::kRowLerp, soft::kRowAdd, soft::kRowAlphaParam}) {
      for (int offset = 0; offset < 8; ++offset) {
        for (int count = 1; count <= 80; ++count) {
          for (size_t i = 0; i < src.size(); ++i) {
            src[i] = static_cast<uint32_t>(rng());
            a[i] = b[i] = static_cast<uint32_t>(rng());
            src16[i] = static_cast<uint16_t>(rng());
            a16[i] = b16[i] = static_cast<uint16_t>(rng());
          }
          const auto* from = reinterpret_cast<const uint8_t*>(src.data() + offset);
          soft::BlendRow32(kind, reinterpret_cast<uint8_t*>(a.data() + offset), from, count, 100, nullptr);
          soft::BlendRow32Reference(kind, reinterpret_cast<uint8_t*>(b.data() + offset), from, count, 100, nullptr);
          ASSERT_EQ(b, a) << "level " << level << " kind " << kind << " offset " << offset << " count " << count;
          const auto* from16 = reinterpret_cast<const uint8_t*>(src16.data() + offset);
          soft::BlendRow16(soft::kRow16Add, reinterpret_cast<uint8_t*>(a16.data() + offset), from16, count, 100);
          soft::BlendRow16Reference(soft::kRow16Add, reinterpret_cast<uint8_t*>(b16.data() + offset), from16, count, 100);
          ASSERT_EQ(b16, a16) << "level " << level << " offset " << offset << " count " << count;
        }
      }
    }
  }
}

TEST(SoftPaths, VectorRows16MatchTheReferenceOnEveryKind) {
  ResetSoft();
  std::mt19937 rng(11);
  for (int level = kSoftPathSse2; level <= BestSoftPathLevel(); ++level)
  for (int kind = soft::kRow16Lerp6; kind <= soft::kRow16AlphaParamAll; ++kind) {
    for (int param = 1; param < 256; ++param) {
      std::vector<uint16_t> src(261), a(261), b(261);
      for (size_t i = 0; i < src.size(); ++i) {
        src[i] = static_cast<uint16_t>(i % 4 == 1 ? 0x1234 : rng());  // repeats of a key value
        a[i] = b[i] = static_cast<uint16_t>(i % 7 == 0 ? 0xFFFF : rng());
      }
      LimitSoftPathLevel(level);
      const uint32_t key = src[9];  // keyed on odd parameters
      const uint32_t* keyed = (param % 2 && kind < soft::kRow16PairAdd) ? &key : nullptr;  // pairs take no key
      if (soft::Row16HasAlpha(kind)) {
        // 4-byte source pixels: 565 and an alpha of 0, 255 or between
        std::vector<uint32_t> wide(261);
        for (size_t i = 0; i < wide.size(); ++i) wide[i] = src[i] | (i % 3 == 0 ? 0u : (i % 3 == 1 ? 255u : rng() & 0xFF)) << 16;
        soft::BlendRow16(kind, reinterpret_cast<uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(wide.data()), 261, param);
        soft::BlendRow16Reference(kind, reinterpret_cast<uint8_t*>(b.data()), reinterpret_cast<const uint8_t*>(wide.data()), 261, param);
        ASSERT_EQ(b, a) << "level " << level << " alpha source kind " << kind << ", param " << param;
        continue;
      }
      soft::BlendRow16(kind, reinterpret_cast<uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(src.data()), 261, param, keyed);
      soft::BlendRow16Reference(kind, reinterpret_cast<uint8_t*>(b.data()), reinterpret_cast<const uint8_t*>(src.data()), 261, param, keyed);
      ASSERT_EQ(b, a) << "level " << level << " kind " << kind << " param " << param;
    }
  }
}

}  // namespace
}  // namespace zelvo
