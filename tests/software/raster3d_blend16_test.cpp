// The triangle rasterizer's blends into 16-bit RGB565 pictures without vertex colour: every mode on
// 5- and 6-bit channels, with the parameter step, blend picture, tint and texture alpha.
#include <gtest/gtest.h>

#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::BlendCase;
using testing_soft::DrawOne;
using testing_soft::kNoGraph;


TEST(Raster3DBlend16, NoneAndAlpha) {
  // Texels of alpha textures: alpha in bits 16-23 above the 565 colour.
  const BlendCase cases[] = {
      {"copy", 0, 255, kTintOff, kNoGraph, 0, 0, 0x1234, 0x0000, 0x1234},
      {"alpha 255 with trans is copied", 0, 255, kTintOff, kNoGraph, 1, 1, 0x00FFF800, 0x0000, 0xF800},
      {"alpha 128 with trans", 0, 255, kTintOff, kNoGraph, 1, 1, 0x0080FFFF, 0x0000, 0x7BEF},
      {"bits 24-31 are not read", 0, 255, kTintOff, kNoGraph, 1, 1, 0xFF80FFFF, 0x0000, 0x7BEF},
      {"alpha 0 with trans is skipped", 0, 255, kTintOff, kNoGraph, 1, 1, 0x0000FFFF, 0x5555, 0x5555},
      {"alpha 255 without trans weighs", 0, 255, kTintOff, kNoGraph, 1, 0, 0x00FFF800, 0x0000, 0xF000},
      {"blend picture weight 0", 0, 255, kTintOff, 0, 0, 0, 0xFFFF, 0x5555, 0x5555},
      {"blend picture weight 255", 0, 255, kTintOff, 255, 0, 0, 0xFFFF, 0x0000, 0xF7DE},
      {"tint 0 is on and blackens", 0, 255, 0x000000, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x0000},
      {"tint green 128", 0, 255, 0xFF80FF, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xFBFF},
      {"alpha 255 is the none mode", 1, 255, kTintOff, kNoGraph, 0, 0, 0x1234, 0x0000, 0x1234},
      {"alpha 0 draws nothing", 1, 0, kTintOff, kNoGraph, 0, 0, 0x1234, 0x5555, 0x5555},
      {"parameter step up", 1, 128, kTintOff, kNoGraph, 0, 0, 0xF800, 0x0000, 0x7800},
      {"parameter step down", 1, 128, kTintOff, kNoGraph, 0, 0, 0x0000, 0xF800, 0x8000},
      {"one step up never moves", 1, 254, kTintOff, kNoGraph, 0, 0, 0x0001, 0x0000, 0x0000},
      {"one step down never moves", 1, 254, kTintOff, kNoGraph, 0, 0, 0x0000, 0x0001, 0x0001},
      {"parameter 1 moves nothing", 1, 1, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0x0000},
      {"parameter and texel alpha up", 1, 128, kTintOff, kNoGraph, 1, 0, 0x0080F800, 0x0000, 0x3800},
      {"parameter and texel alpha down", 1, 128, kTintOff, kNoGraph, 1, 0, 0x00800000, 0xF800, 0xB800},
      {"parameter step with trans and alpha 255", 1, 128, kTintOff, kNoGraph, 1, 1, 0x00FFF800, 0x0000, 0x7800},
  };
  for (const BlendCase& c : cases) EXPECT_EQ(c.expected, DrawOne(kMemImg565, c)) << c.name;
}

TEST(Raster3DBlend16, AddSubtractMultiply) {
  const BlendCase cases[] = {
      {"add at 255 is the texel", 2, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xFFFF},
      {"add at 128", 2, 128, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0x7BEF},
      {"add with blend picture 255", 2, 255, kTintOff, 255, 0, 0, 0xFFFF, 0x0000, 0xF7DE},
      {"add weighs alpha 255 without trans", 2, 255, kTintOff, kNoGraph, 1, 0, 0x00FFFFFF, 0x0000, 0xF7DE},
      {"add drops alpha 255 with trans", 2, 255, kTintOff, kNoGraph, 1, 1, 0x00FFFFFF, 0x0000, 0xFFFF},
      {"add weighs alpha before the tint", 2, 255, 0x808080, kNoGraph, 1, 0, 0x0080FFFF, 0x0000, 0x39E7},
      {"add saturates", 2, 255, kTintOff, kNoGraph, 0, 0, 0x8410, 0x8410, 0xFFFF},
      {"add 0x7BEF twice", 2, 255, kTintOff, kNoGraph, 0, 0, 0x7BEF, 0x7BEF, 0xEFBE},
      {"add blue carry sets green's low bit", 2, 255, kTintOff, kNoGraph, 0, 0, 0x001F, 0x0001, 0x003F},
      {"add onto black", 2, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x0000, 0xFFFF},
      {"add of zero", 2, 255, kTintOff, kNoGraph, 1, 0, 0x0000FFFF, 0x1234, 0x1234},
      {"add at parameter 0 draws nothing", 2, 0, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x1234},
      {"subtract itself", 3, 255, kTintOff, kNoGraph, 0, 0, 0x1234, 0x1234, 0x0800},
      {"subtract zero", 3, 255, kTintOff, kNoGraph, 0, 0, 0x0000, 0x1234, 0x1A14},
      {"subtract zero from white", 3, 255, kTintOff, kNoGraph, 0, 0, 0x0000, 0xFFFF, 0xFFDF},
      {"subtract blue borrow", 3, 255, kTintOff, kNoGraph, 0, 0, 0x001F, 0x0001, 0x0800},
      {"subtract to zero", 3, 255, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x8410, 0x0000},
      {"subtract of zero by alpha 0", 3, 255, kTintOff, kNoGraph, 1, 0, 0x0000FFFF, 0x1234, 0x1A14},
      {"subtract at parameter 0 draws nothing", 3, 0, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0x1234, 0x1234},
      {"multiply white on white", 4, 0, kTintOff, kNoGraph, 0, 0, 0xFFFF, 0xFFFF, 0xF7DE},
      {"multiply with blend picture 255", 4, 255, kTintOff, 255, 0, 0, 0xFFFF, 0xFFFF, 0xEFBD},
      {"multiply with blend picture 0", 4, 255, kTintOff, 0, 0, 0, 0xFFFF, 0xFFFF, 0x0000},
      {"multiply alpha 0 with trans blackens", 4, 255, kTintOff, kNoGraph, 1, 1, 0x0000FFFF, 0xFFFF, 0x0000},
      {"multiply alpha 0 without trans blackens", 4, 255, kTintOff, kNoGraph, 1, 0, 0x0000FFFF, 0xFFFF, 0x0000},
      {"add alpha 0 with trans is skipped", 2, 255, kTintOff, kNoGraph, 1, 1, 0x0000FFFF, 0x1234, 0x1234},
  };
  for (const BlendCase& c : cases) EXPECT_EQ(c.expected, DrawOne(kMemImg565, c)) << c.name;
}

}  // namespace
}  // namespace zelvo
