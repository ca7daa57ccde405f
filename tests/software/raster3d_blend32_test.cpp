// The triangle rasterizer's blends into 32-bit pictures without vertex colour: every mode with the
// blend picture, tint, texture alpha and transparent flag, over one texel and one pixel.
#include <gtest/gtest.h>

#include "raster3d_fixture.h"

namespace zelvo {
namespace {

using testing_soft::BlendCase;
using testing_soft::DrawOne;
using testing_soft::kNoGraph;


TEST(Raster3DBlend32, NoneAndAlpha) {
  const BlendCase cases[] = {
      {"copy takes the whole texel", 0, 255, kTintOff, kNoGraph, 0, 0, 0x11C86432, 0x22204080, 0x11C86432},
      {"tinted copy keeps byte 3", 0, 255, 0xFF8000, kNoGraph, 0, 0, 0x11C86432, 0x22204080, 0x22C83200},
      {"alpha 255 with trans is copied whole", 0, 255, kTintOff, kNoGraph, 1, 1, 0xFF102030, 0x00000000, 0xFF102030},
      {"alpha 128 with trans weighs", 0, 255, kTintOff, kNoGraph, 1, 1, 0x80FFFFFF, 0x00000000, 0x007F7F7F},
      {"alpha 0 with trans is skipped", 0, 255, kTintOff, kNoGraph, 1, 1, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"alpha 255 without trans still weighs", 0, 255, kTintOff, kNoGraph, 1, 0, 0xFFFFFFFF, 0x00000000, 0x00FEFEFE},
      {"alpha 0 without trans weighs 0", 0, 255, kTintOff, kNoGraph, 1, 0, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"blend picture weight 0", 0, 255, kTintOff, 0, 0, 0, 0x11C86432, 0x22204080, 0x22204080},
      {"blend picture weight 255", 0, 255, kTintOff, 255, 0, 0, 0x00FFFFFF, 0x11000000, 0x11FEFEFE},
      {"blend picture and texel alpha", 0, 255, kTintOff, 128, 1, 0, 0x80FFFFFF, 0x00000000, 0x003F3F3F},
      {"alpha 255 is the none mode", 1, 255, kTintOff, kNoGraph, 0, 0, 0x11C86432, 0x22204080, 0x11C86432},
      {"alpha 0 draws nothing", 1, 0, kTintOff, kNoGraph, 0, 0, 0x11C86432, 0x22204080, 0x22204080},
      {"alpha 128", 1, 128, kTintOff, kNoGraph, 0, 0, 0x11C86432, 0x22204080, 0x22745259},
      {"alpha with texel alpha", 1, 128, kTintOff, kNoGraph, 1, 0, 0x80FFFFFF, 0x00000000, 0x003F3F3F},
      {"alpha with a = 255 and trans drops a", 1, 128, kTintOff, kNoGraph, 1, 1, 0xFFFFFFFF, 0x00000000, 0x007F7F7F},
      {"alpha with blend picture", 1, 128, kTintOff, 128, 0, 0, 0x00FFFFFF, 0x00000000, 0x003F3F3F},
      {"alpha with tint", 1, 128, 0x808080, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00404040},
      {"colour key compares byte 3 too", 0, 255, kTintOff, kNoGraph, 0, 1, 0x01102030, 0x00000000, 0x01102030, 0x00102030},
      {"colour key skips an equal texel", 0, 255, kTintOff, kNoGraph, 0, 1, 0x00102030, 0x22204080, 0x22204080, 0x00102030},
  };
  for (const BlendCase& c : cases) EXPECT_EQ(c.expected, DrawOne(kMemImg8888, c)) << c.name;
}

TEST(Raster3DBlend32, AddSubtractMultiply) {
  const BlendCase cases[] = {
      {"add at parameter 0 draws nothing", 2, 0, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"subtract at parameter 0 draws nothing", 3, 0, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"multiply ignores the parameter", 4, 0, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22FFFFFF, 0x22FEFEFE},
      {"add 255 onto black", 2, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FFFFFF},
      {"add 128 + 128 carries into byte 3", 2, 255, kTintOff, kNoGraph, 0, 0, 0x00808080, 0x00808080, 0x01FFFFFF},
      {"add 127 + 127", 2, 255, kTintOff, kNoGraph, 0, 0, 0x007F7F7F, 0x007F7F7F, 0x00FDFDFE},
      {"add blue carry raises green", 2, 255, kTintOff, kNoGraph, 0, 0, 0x000000FF, 0x00000001, 0x000001FF},
      {"add with blend picture 255", 2, 255, kTintOff, 255, 0, 0, 0x00FFFFFF, 0x00000000, 0x00FDFDFD},
      {"add weighs alpha 255 without trans", 2, 255, kTintOff, kNoGraph, 1, 0, 0xFFFFFFFF, 0x00000000, 0x00FDFDFD},
      {"add drops alpha 255 with trans", 2, 255, kTintOff, kNoGraph, 1, 1, 0xFFFFFFFF, 0x00000000, 0x00FFFFFF},
      {"add of zero clears byte 3", 2, 255, kTintOff, kNoGraph, 1, 0, 0x00FFFFFF, 0x22204080, 0x00204080},
      {"add scaled by the parameter", 2, 128, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00808080},
      {"add with tint", 2, 255, 0x000080, kNoGraph, 0, 0, 0x00FFFFFF, 0x00000000, 0x00000080},
      {"subtract to zero", 3, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x00808080, 0x00000000},
      {"subtract zero sets green and red low bits", 3, 255, kTintOff, kNoGraph, 0, 0, 0x00000000, 0xFF102030, 0x00112130},
      {"subtract itself", 3, 255, kTintOff, kNoGraph, 0, 0, 0x00102030, 0x00102030, 0x00010100},
      {"subtract blue borrow", 3, 255, kTintOff, kNoGraph, 0, 0, 0x00000001, 0x00000100, 0x00010000},
      {"subtract alpha 0 with trans is skipped", 3, 255, kTintOff, kNoGraph, 1, 1, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"multiply white", 4, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x33FFFFFF, 0x33FEFEFE},
      {"multiply alpha 0 with trans blackens", 4, 255, kTintOff, kNoGraph, 1, 1, 0x00FFFFFF, 0x22FFFFFF, 0x22000000},
      {"multiply alpha 0 without trans blackens", 4, 255, kTintOff, kNoGraph, 1, 0, 0x00FFFFFF, 0x22FFFFFF, 0x22000000},
      {"multiply with blend picture", 4, 255, kTintOff, 128, 0, 0, 0x00FFFFFF, 0x00FFFFFF, 0x007F7F7F},
      {"multiply with tint", 4, 255, 0x008000, kNoGraph, 0, 0, 0x00FFFFFF, 0x00FFFFFF, 0x00007F00},
      {"mode 5 draws nothing", 5, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22204080, 0x22204080},
      {"negative mode draws nothing", -1, 255, kTintOff, kNoGraph, 0, 0, 0x00FFFFFF, 0x22204080, 0x22204080},
  };
  for (const BlendCase& c : cases) EXPECT_EQ(c.expected, DrawOne(kMemImg8888, c)) << c.name;
}

}  // namespace
}  // namespace zelvo
