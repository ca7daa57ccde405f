// Vertex-colour modulation in the triangle rasterizer: texels scaled by the interpolated vertex
// colour, the vertex alpha as the weight of the alpha, add and subtract modes, and neither the
// blend parameter nor the tint read, in both colour types.
#include <gtest/gtest.h>

#include "media/software/raster3d_kernels.h"
#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::BlendCase;
using testing_soft::DrawOne;
using testing_soft::kNoGraph;


struct ModulatedCase {
  BlendCase blend;
  uint32_t diffuse;
};

TEST(Raster3DModulate, ThirtyTwoBit) {
  const ModulatedCase cases[] = {
      {{"white vertex takes one off", 0, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFF01, 0x22000000, 0x22FEFE00}, 0xFFFFFFFF},
      {{"byte 3 stays", 0, 255, kTintOff, kNoGraph, 0, 0, 0xFF808080, 0xAA000000, 0xAA7F7F7F}, 0xFFFFFFFF},
      {{"vertex channels scale their own", 0, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x004080FE}, 0xFF4181FF},
      {{"vertex alpha unread in none", 0, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FEFEFE}, 0x00FFFFFF},
      {{"tint unread", 0, 255, 0x000000, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FEFEFE}, 0xFFFFFFFF},
      {{"texel alpha weighs", 0, 255, kTintOff, kNoGraph, 1, 0, 0x80FFFFFF, 0x00000000, 0x007F7F7F}, 0xFFFFFFFF},
      {{"blend picture weighs", 0, 255, kTintOff, 128, 0, 0, 0x00FFFFFF, 0x00000000, 0x007F7F7F}, 0xFFFFFFFF},
      {{"alpha 255 is no copy", 1, 255, kTintOff, kNoGraph, 0, 0, 0x00C9C9C9, 0x00000000, 0x00C7C7C7}, 0xFFFFFFFF},
      {{"alpha draws at parameter 0", 1, 0, kTintOff, kNoGraph, 0, 0, 0x00C9C9C9, 0x00000000, 0x00C7C7C7}, 0xFFFFFFFF},
      {{"alpha 0 over white", 1, 128, kTintOff, kNoGraph, 0, 0, 0x00000000, 0x00FFFFFF, 0x00000000}, 0xFFFFFFFF},
      {{"vertex alpha 0 keeps the colours", 1, 128, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22102030, 0x22102030}, 0x00FFFFFF},
      {{"add white", 2, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FDFDFD}, 0xFFFFFFFF},
      {{"add with blend picture", 2, 255, kTintOff, 255, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FCFCFC}, 0xFFFFFFFF},
      {{"add draws at parameter 0", 2, 0, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FDFDFD}, 0xFFFFFFFF},
      {{"add of vertex alpha 0 clears byte 3", 2, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22102030, 0x00102030}, 0x00FFFFFF},
      {{"subtract draws at parameter 0", 3, 0, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00FFFFFF, 0x00030302}, 0xFFFFFFFF},
      {{"multiply", 4, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22FFFFFF, 0x22FDFDFD}, 0xFFFFFFFF},
      {{"multiply ignores vertex alpha", 4, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22FFFFFF, 0x22FDFDFD}, 0x00FFFFFF},
      {{"multiply alpha 0 with trans blackens", 4, 255, kTintOff, kNoGraph, 1, 1, 0x00FFFFFF, 0x22FFFFFF, 0x22000000}, 0xFFFFFFFF},
      {{"key skips the unmodulated texel", 0, 255, kTintOff, kNoGraph, 0, 1, 0x00FEFEFE, 0x00000000, 0x00000000, 0x00FEFEFE}, 0xFFFFFFFF},
      {{"a texel modulated into the key is drawn", 0, 255, kTintOff, kNoGraph, 0, 1, 0x00FFFFFF, 0x00000000, 0x00FEFEFE, 0x00FEFEFE}, 0xFFFFFFFF},
  };
  for (const ModulatedCase& c : cases) EXPECT_EQ(c.blend.expected, DrawOne(kMemImg8888, c.blend, 1, c.diffuse)) << c.blend.name;
}

TEST(Raster3DModulate, SixteenBit) {
  const ModulatedCase cases[] = {
      {{"white vertex darkens white", 0, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xF7DE}, 0xFFFFFFFF},
      {{"black vertex draws black", 0, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x0000}, 0xFF000000},
      {{"black vertex adds nothing", 2, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x1234}, 0xFF000000},
      {{"tint unread", 0, 255, 0x000000, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xF7DE}, 0xFFFFFFFF},
      {{"vertex alpha unread in none", 0, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xF7DE}, 0x00FFFFFF},
      {{"alpha 255 never opaque", 1, 255, kTintOff, kNoGraph, 0, 0, 0xF800, 0x0000, 0xE800}, 0xFFFFFFFF},
      {{"alpha draws at parameter 0", 1, 0, kTintOff, kNoGraph, 0, 0, 0xF800, 0x0000, 0xE800}, 0xFFFFFFFF},
      {{"alpha 128 shows the destination", 1, 255, kTintOff, kNoGraph, 0, 0, 0x0000, 0x001F, 0x000F}, 0x80FFFFFF},
      {{"alpha 0 keeps the destination", 1, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x1234}, 0x00FFFFFF},
      {{"add red", 2, 0, kTintOff, kNoGraph, 0, 0, 0xF800, 0x0000, 0xF000}, 0xFFFFFFFF},
      {{"subtract", 3, 0, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0xFFFF, 0x0801}, 0xFFFFFFFF},
      {{"texel alpha weighs", 0, 255, kTintOff, kNoGraph, 1, 0, 0x0080FFFF, 0x0000, 0x7BEF}, 0xFFFFFFFF},
      {{"multiply", 4, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0xFFFF, 0xEFBD}, 0xFFFFFFFF},
      {{"multiply ignores vertex alpha", 4, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0xFFFF, 0xEFBD}, 0x00FFFFFF},
      {{"multiply alpha 0 with trans blackens", 4, 255, kTintOff, kNoGraph, 1, 1, 0x0000FFFF, 0xFFFF, 0x0000}, 0xFFFFFFFF},
      {{"multiply alpha 0 without trans blackens", 4, 255, kTintOff, kNoGraph, 1, 0, 0x0000FFFF, 0xFFFF, 0x0000}, 0xFFFFFFFF},
  };
  for (const ModulatedCase& c : cases) EXPECT_EQ(c.blend.expected, DrawOne(kMemImg565, c.blend, 1, c.diffuse)) << c.blend.name;
}

TEST(Raster3DModulate, BlackVertexStillWritesDepth) {
  testing_soft::ResetSoft();
  testing_soft::TestImage dst(2, 2, kMemImg565), zbuf(2, 2, kMemImgDepth16);
  zbuf.fill(0xFFFF);
  testing_soft::DrawOptions o;
  o.zbuf = zbuf.get();
  o.zWrite = 1;
  o.modulate = 1;
  testing_soft::DrawCover(dst.get(), o, 0xFF000000, 0.25f);
  EXPECT_EQ(0x4000u, zbuf.px(1, 1));
  EXPECT_EQ(0u, dst.px(1, 1));
}

TEST(Raster3DModulate, PaletteTexturesWeighLikeDirectOnes) {
  for (int type : {kMemImg565, kMemImg8888}) {
    testing_soft::ResetSoft();
    testing_soft::TestImage palette(1, 1, type, 1), direct(1, 1, type), graph(1, 1, kMemImgSingle8);
    testing_soft::TestImage a(1, 1, type), b(1, 1, type);
    palette.set(0, 0, 9);
    palette.setPalette(9, 0x7F3C5A6B);
    direct.set(0, 0, 0x7F3C5A6B);
    g_softBlend.blendGraphTable[0] = 100;
    a.fill(0x11223344);
    b.fill(0x11223344);
    testing_soft::DrawOptions o;
    o.graph = graph.get();
    o.modulate = 1;
    o.tex = palette.get();
    testing_soft::DrawCover(a.get(), o, 0xC0A0B0D0);
    o.tex = direct.get();
    testing_soft::DrawCover(b.get(), o, 0xC0A0B0D0);
    EXPECT_EQ(b.px(0, 0), a.px(0, 0)) << type;
    EXPECT_NE(0x11223344u, a.px(0, 0));
  }
}

TEST(Raster3DModulate, VertexLevelTruncatesTowardZero) {
  EXPECT_EQ(0u, soft::VertexLevel(static_cast<uint32_t>(-8192)));
  EXPECT_EQ(255u, soft::VertexLevel(255u * 16384 + 16383));
}

}  // namespace
}  // namespace zelvo
