// Palette textures in the triangle rasterizer: the index key, the whole-entry copy, the subtract
// that runs at parameter 0, and entries blended like direct texels.
#include <gtest/gtest.h>

#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::DrawOptions;
using testing_soft::DrawQuad;
using testing_soft::ResetSoft;
using testing_soft::SetBlend;
using testing_soft::TestImage;

struct PaletteCase {
  const char* name;
  int mode, param, graphWeight;
  uint32_t tint, entry, dst, expected;
};

// Index 5 holding `entry`, drawn over a 2 x 2 destination.
uint32_t DrawPaletteTexel(int type, const PaletteCase& c) {
  ResetSoft();
  SetBlend(c.mode, c.param);
  g_softBlend.drawTint = c.tint;
  TestImage tex(1, 1, type, 1, 0, 0x100), dst(2, 2, type), graph(1, 1, kMemImgSingle8);
  tex.set(0, 0, 5);
  tex.setPalette(5, c.entry);
  dst.fill(c.dst);
  g_softBlend.blendGraphTable[0] = static_cast<uint8_t>(c.graphWeight < 0 ? 0 : c.graphWeight);
  DrawOptions o;
  o.tex = tex.get();
  o.graph = c.graphWeight < 0 ? nullptr : graph.get();
  DrawQuad(dst.get(), 0, 0, 2, 2, o);
  return dst.px(1, 1);
}

TEST(Raster3DPalette, EntriesBlendLikeDirectTexels) {
  const PaletteCase cases32[] = {
      {"copy takes the whole entry", 0, 255, -1, kTintOff, 0x7F102030, 0x22FFFFFF, 0x7F102030},
      {"alpha 255 copies", 1, 255, -1, kTintOff, 0x7F102030, 0x22FFFFFF, 0x7F102030},
      {"alpha 0 draws nothing", 1, 0, -1, kTintOff, 0x7F102030, 0x22FFFFFF, 0x22FFFFFF},
      {"tinted copy keeps byte 3", 0, 255, -1, 0x000080, 0x7F1020FF, 0x22FFFFFF, 0x22000080},
      {"subtract runs at parameter 0", 3, 0, -1, kTintOff, 0x00FFFFFF, 0xFF102030, 0x00112130},
      {"add at parameter 0 draws nothing", 2, 0, -1, kTintOff, 0x00FFFFFF, 0x22102030, 0x22102030},
      {"blend picture weight 255", 0, 255, 255, kTintOff, 0x00FFFFFF, 0x11000000, 0x11FEFEFE},
      {"multiply", 4, 0, -1, kTintOff, 0x00FFFFFF, 0x33FFFFFF, 0x33FEFEFE},
  };
  for (const PaletteCase& c : cases32) EXPECT_EQ(c.expected, DrawPaletteTexel(kMemImg8888, c)) << c.name;
  const PaletteCase cases16[] = {
      {"copy takes the entry", 0, 255, -1, kTintOff, 0x1234, 0xFFFF, 0x1234},
      {"subtract runs at parameter 0", 3, 0, -1, kTintOff, 0xFFFF, 0x1234, 0x1A14},
      {"blend picture weight 255", 0, 255, 255, kTintOff, 0xFFFF, 0x0000, 0xF7DE},
      {"parameter step", 1, 128, -1, kTintOff, 0xF800, 0x0000, 0x7800},
  };
  for (const PaletteCase& c : cases16) EXPECT_EQ(c.expected, DrawPaletteTexel(kMemImg565, c)) << c.name;
}

TEST(Raster3DPalette, ColourKeyComparesTheIndex) {
  for (int type : {kMemImg565, kMemImg8888}) {
    for (uint32_t key : {1u, 256u}) {
      ResetSoft();
      // Indices 1, 2, 1, 3; entries 1 and 3 hold the same colour.
      TestImage tex(4, 1, type, 1, 0, key), dst(4, 2, type), zbuf(4, 2, kMemImgDepth16);
      const uint8_t indices[4] = {1, 2, 1, 3};
      for (int x = 0; x < 4; ++x) tex.set(x, 0, indices[x]);
      tex.setPalette(1, 0x0F0F);
      tex.setPalette(2, 0x0A0A);
      tex.setPalette(3, 0x0F0F);
      dst.fill(0x5555);
      zbuf.fill(0xFFFF);
      DrawOptions o;
      o.tex = tex.get();
      o.transparent = 1;
      o.zbuf = zbuf.get();
      o.zWrite = 1;
      DrawQuad(dst.get(), 0, 0, 4, 2, o);
      const bool keyed = key == 1;
      EXPECT_EQ(keyed ? 0x5555u : 0x0F0Fu, dst.px(0, 0)) << type;
      EXPECT_EQ(0x0A0Au, dst.px(1, 0));
      EXPECT_EQ(keyed ? 0x5555u : 0x0F0Fu, dst.px(2, 1));
      EXPECT_EQ(0x0F0Fu, dst.px(3, 1));
      // A keyed-out pixel still has its depth written.
      EXPECT_EQ(0x8000u, zbuf.px(0, 0));
    }
  }
}

TEST(Raster3DPalette, OtherPaletteFlagValuesDrawDirect) {
  ResetSoft();
  TestImage tex(1, 1, kMemImg8888), dst(2, 2, kMemImg8888);
  tex.set(0, 0, 0x00102030);
  tex.get()->paletteFlag = 2;
  DrawOptions o;
  o.tex = tex.get();
  DrawQuad(dst.get(), 0, 0, 2, 2, o);
  EXPECT_EQ(0x00102030u, dst.px(0, 0));
}

}  // namespace
}  // namespace zelvo
