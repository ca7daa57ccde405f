// The per-pixel kernels of the mapped draws: copy, alpha, add, subtract and multiply in the 16-bit
// and 32-bit families, with colour key, source alpha, tint and blend weight, and the flat-colour
// fill. Every textured case is drawn as one pixel by both the rotated blitter and the triangle
// mapper, which must agree.
#include <gtest/gtest.h>

#include "media/software/rotate_blit.h"
#include "media/software/triangle_map.h"
#include "tests/software/triangle_map_fixture.h"

namespace zelvo {
namespace {

using testing::MapImage;

constexpr int k16 = kMemImg565, k32 = kMemImg8888;

struct KernelCase {
  const char* name;
  int type, palette, alpha;   // palette source: `src` is the index and `entry` its colour
  int mode, param;
  uint32_t tint;
  int g;                  // blend weight, -1 for no blend picture
  int transparent;
  uint32_t key, src, entry, dst, expected;
};

// clang-format off
const KernelCase kKernelCases[] = {
  // Copy and the frame.
  {"alpha255 trans off weights", k32, 0, 1, 0, 255, kTintOff, -1, 0, 0, 0xFFFFFFFF, 0, 0x5A000000, 0x5AFEFEFE},
  {"alpha255 trans on copies", k32, 0, 1, 0, 255, kTintOff, -1, 1, 0, 0xFFFFFFFF, 0, 0x5A000000, 0xFFFFFFFF},
  {"alpha0 trans off keeps", k32, 0, 1, 0, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"alpha0 trans on skips", k32, 0, 1, 0, 255, kTintOff, -1, 1, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"alpha source ignores key", k32, 0, 1, 0, 255, kTintOff, -1, 1, 0xFF112233, 0xFF112233, 0, 0, 0xFF112233},
  {"key compares byte 3", k32, 0, 0, 0, 255, kTintOff, -1, 1, 0x00112233, 0x01112233, 0, 0, 0x01112233},
  {"key match skips", k32, 0, 0, 0, 255, kTintOff, -1, 1, 0x01112233, 0x01112233, 0, 0x77, 0x77},
  {"16 key above bit 15", k16, 0, 0, 0, 255, kTintOff, -1, 1, 0x11234, 0x1234, 0, 0, 0x1234},
  {"16 key match skips", k16, 0, 0, 0, 255, kTintOff, -1, 1, 0x1234, 0x1234, 0, 0x77, 0x77},
  {"palette keyed by index", k32, 1, 0, 0, 255, kTintOff, -1, 1, 3, 3, 0x00808080, 0x77, 0x77},
  {"palette other index same colour", k32, 1, 0, 0, 255, kTintOff, -1, 1, 3, 4, 0x00808080, 0x77, 0x00808080},
  {"palette key above 255", k32, 1, 1, 0, 255, kTintOff, -1, 1, 0x103, 3, 0x12808080, 0x77, 0x12808080},
  {"16 palette copy", k16, 1, 0, 0, 255, kTintOff, -1, 0, 0, 9, 0xBEEF, 0x1111, 0xBEEF},
  {"tint off top byte ignored", k32, 0, 0, 0, 255, 0xFFFFFFFF, -1, 0, 0, 0x00ABCDEF, 0, 0x5A000000, 0x00ABCDEF},
  {"tint blue 254 of 200", k32, 0, 0, 0, 255, 0xFFFFFE, -1, 0, 0, 0x001020C8, 0, 0x5A000000, 0x5A1020C7},
  {"tint blue 254 of 255", k32, 0, 0, 0, 255, 0xFFFFFE, -1, 0, 0, 0x001020FF, 0, 0x5A000000, 0x5A1020FE},
  {"16 tint blue 254 of 31", k16, 0, 0, 0, 255, 0xFFFFFE, -1, 0, 0, 0xFFFF, 0, 0, 0xFFFE},
  {"weight 0 keeps", k32, 0, 0, 0, 255, kTintOff, 0, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"weight 255 weights", k32, 0, 0, 0, 255, kTintOff, 255, 0, 0, 0x00FFFFFF, 0, 0x5A000000, 0x5AFEFEFE},
  {"16 weight 128", k16, 0, 0, 0, 255, kTintOff, 128, 0, 0, 0xFFFF, 0, 0, 0x7BEF},
  {"mode 5 nothing", k32, 0, 0, 5, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x77, 0x77},
  {"mode -1 nothing", k32, 0, 0, -1, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x77, 0x77},
  {"alpha mode 255 copies", k32, 0, 1, 1, 255, kTintOff, -1, 1, 0, 0xFFFFFFFF, 0, 0x5A000000, 0xFFFFFFFF},
  {"alpha mode 255 palette whole entry", k32, 1, 0, 1, 255, kTintOff, -1, 0, 0, 2, 0x12345678, 0x5A000000, 0x12345678},
  // Alpha blend.
  {"alpha p0 nothing", k32, 0, 0, 1, 0, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"alpha 128 up", k32, 0, 0, 1, 128, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A000000, 0x5A7F7F7F},
  {"alpha 128 down", k32, 0, 0, 1, 128, kTintOff, -1, 0, 0, 0x00000000, 0, 0x5AFFFFFF, 0x5A7F7F7F},
  {"16 alpha 128 up", k16, 0, 0, 1, 128, kTintOff, -1, 0, 0, 0x001F, 0, 0, 0x000F},
  {"16 alpha 128 down", k16, 0, 0, 1, 128, kTintOff, -1, 0, 0, 0, 0, 0x001F, 0x0010},
  {"16 alpha 254 down", k16, 0, 0, 1, 254, kTintOff, -1, 0, 0, 0, 0, 0x001F, 0x0001},
  {"16 alpha 254 up", k16, 0, 0, 1, 254, kTintOff, -1, 0, 0, 0x001F, 0, 0, 0x001E},
  {"16 alpha 1 no change", k16, 0, 0, 1, 1, kTintOff, -1, 0, 0, 0xFFFF, 0, 0, 0},
  {"alpha src trans on 255", k32, 0, 1, 1, 254, kTintOff, -1, 1, 0, 0xFF0000FF, 0, 0, 0x000000FD},
  {"alpha src trans off 255", k32, 0, 1, 1, 254, kTintOff, -1, 0, 0, 0xFF0000FF, 0, 0, 0x000000FC},
  {"16 alpha weight 255", k16, 0, 0, 1, 254, kTintOff, 255, 0, 0, 0x001F, 0, 0, 0x001E},
  {"alpha 1 up", k32, 0, 0, 1, 1, kTintOff, -1, 0, 0, 0x000000FF, 0, 0, 0},
  {"alpha 1 down", k32, 0, 0, 1, 1, kTintOff, -1, 0, 0, 0, 0, 0x5A0000FF, 0x5A0000FE},
  // Add.
  {"add p0 nothing", k32, 0, 0, 2, 0, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"add weight at 255 multiplies", k32, 0, 0, 2, 255, kTintOff, 255, 0, 0, 0x00FFFFFF, 0, 0x5A000000, 0x00FDFDFD},
  {"add black 16", k16, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0, 0, 0x1234, 0x1234},
  {"add black 32 clears byte 3", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0, 0, 0x5A102030, 0x00102030},
  {"add 16 white", k16, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0xFFFF, 0, 0xFFFF, 0xFFFF},
  {"add 32 white", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x00FFFFFF, 0x01FFFFFF},
  {"add 16 blue carry", k16, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x0001, 0, 0x001F, 0x003F},
  {"add 32 blue carry", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x00000001, 0, 0x000000FF, 0x000001FF},
  {"add 16 low bits or", k16, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x0800, 0, 0x0800, 0x0800},
  {"add 32 low bits or", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x00000100, 0, 0x00000100, 0x00000100},
  {"add 32 red clamps", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x00800000, 0, 0x00800000, 0x01FF0000},
  {"add 16 green clamps", k16, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x0040, 0, 0x07C0, 0x0FC0},
  {"add 32 green clamps", k32, 0, 0, 2, 255, kTintOff, -1, 0, 0, 0x00008000, 0, 0x00008000, 0x0001FF00},
  {"add alpha0 trans off", k32, 0, 1, 2, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x00102030},
  {"add alpha0 trans on", k32, 0, 1, 2, 255, kTintOff, -1, 1, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  {"add 16 alpha255 trans off", k16, 0, 1, 2, 255, kTintOff, -1, 0, 0, 0x00FF001F, 0, 0, 0x001E},
  {"add 16 alpha255 trans on", k16, 0, 1, 2, 255, kTintOff, -1, 1, 0, 0x00FF001F, 0, 0, 0x001F},
  {"16 add 128 scales", k16, 0, 0, 2, 128, kTintOff, -1, 0, 0, 0xFFFF, 0, 0, 0x7BEF},
  // Subtract.
  {"sub direct p0 nothing", k32, 0, 0, 3, 0, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0xFF123456, 0xFF123456},
  {"sub palette p0 guards", k32, 1, 0, 3, 0, kTintOff, -1, 0, 0, 1, 0x00FFFFFF, 0xFF123456, 0x00133556},
  {"sub palette p0 guards byte3 0", k32, 1, 0, 3, 0, kTintOff, -1, 0, 0, 1, 0x00FFFFFF, 0x00123456, 0x00133556},
  {"16 sub palette p0 white", k16, 1, 0, 3, 0, kTintOff, -1, 0, 0, 1, 0xFFFF, 0xFFFF, 0xFFDF},
  {"16 sub palette p0 black", k16, 1, 0, 3, 0, kTintOff, -1, 0, 0, 1, 0xFFFF, 0, 0x0800},
  {"sub 32 half", k32, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x00404040, 0, 0x00808080, 0x00414140},
  {"sub 32 under", k32, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x00808080, 0, 0x00404040, 0},
  {"sub 32 slightly under", k32, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x00112233, 0, 0x00102030, 0},
  {"sub 32 white from white", k32, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5AFFFFFF, 0x00010100},
  {"sub 16 half", k16, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x4208, 0, 0x8410, 0x4A08},
  {"sub 16 under", k16, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0x8410, 0, 0x4208, 0},
  {"sub 16 white from white", k16, 0, 0, 3, 255, kTintOff, -1, 0, 0, 0xFFFF, 0, 0xFFFF, 0x0800},
  {"sub 32 p128", k32, 0, 0, 3, 128, kTintOff, -1, 0, 0, 0x000000C8, 0, 0x000000FF, 0x0001019B},
  {"sub 32 p128 weight 255", k32, 0, 0, 3, 128, kTintOff, 255, 0, 0, 0x000000C8, 0, 0x000000FF, 0x0001019C},
  {"sub alpha weight trans on", k32, 0, 1, 3, 255, kTintOff, 255, 1, 0, 0xFF0000FF, 0, 0x000000FF, 0x00010102},
  {"sub alpha weight trans off", k32, 0, 1, 3, 255, kTintOff, 255, 0, 0, 0xFF0000FF, 0, 0x000000FF, 0x00010103},
  {"sub alpha0 trans off guards", k32, 0, 1, 3, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x00112130},
  {"sub alpha0 trans on skips", k32, 0, 1, 3, 255, kTintOff, -1, 1, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A102030},
  // Multiply.
  {"mul white lowers one step", k32, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A0F1F2F},
  {"mul 16 white lowers one step", k16, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0xFFFF, 0, 0x4A69, 0x4248},
  {"mul black keeps byte 3", k32, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0, 0, 0x5A102030, 0x5A000000},
  {"mul ignores p0", k32, 0, 0, 4, 0, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A0F1F2F},
  {"mul alpha255 trans on", k32, 0, 1, 4, 255, kTintOff, -1, 1, 0, 0xFFFFFFFF, 0, 0x5AFFFFFF, 0x5AFEFEFE},
  {"mul alpha255 trans off", k32, 0, 1, 4, 255, kTintOff, -1, 0, 0, 0xFFFFFFFF, 0, 0x5AFFFFFF, 0x5AFDFDFD},
  {"mul alpha0 trans on keeps", k32, 0, 1, 4, 255, kTintOff, -1, 1, 0, 0x00FFFFFF, 0, 0x5AFFFFFF, 0x5AFFFFFF},
  {"mul alpha0 trans off blackens", k32, 0, 1, 4, 255, kTintOff, -1, 0, 0, 0x00FFFFFF, 0, 0x5AFFFFFF, 0x5A000000},
  {"mul 16 red", k16, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0xF800, 0, 0xF800, 0xF000},
  {"mul 16 red weight 255", k16, 0, 0, 4, 255, kTintOff, 255, 0, 0, 0xF800, 0, 0xF800, 0xE800},
  {"mul 16 green", k16, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0x07E0, 0, 0x07E0, 0x07C0},
  {"mul 16 green weight 255", k16, 0, 0, 4, 255, kTintOff, 255, 0, 0, 0x07E0, 0, 0x07E0, 0x07A0},
  {"mul weight 0 blackens", k32, 0, 0, 4, 255, kTintOff, 0, 0, 0, 0x00FFFFFF, 0, 0x5A102030, 0x5A000000},
  {"mul tint blue 0", k32, 0, 0, 4, 255, 0xFFFF00, -1, 0, 0, 0x00FFFFFF, 0, 0x5AFFFFFF, 0x5AFEFE00},
  {"mul source byte 3 unused", k32, 0, 0, 4, 255, kTintOff, -1, 0, 0, 0x12FFFFFF, 0, 0x5A102030, 0x5A0F1F2F},
};
// clang-format on

class MappedKernelTest : public ::testing::TestWithParam<KernelCase> {
 protected:
  void SetUp() override { testing::ResetSoftState(3, 3); }
};

// Draws the case's one source pixel onto pixel (1, 1) of a 3 x 3 destination; returns that pixel,
// and checks that no other pixel changed.
uint32_t DrawOnePixel(const KernelCase& k, bool rotated) {
  MapImage s(1, 1, k.type, k.palette, k.alpha, k.key), d(3, 3, k.type), graph(1, 1, kMemImgSingle8);
  s.Set(0, 0, k.src);
  if (k.palette) s.SetPalette(static_cast<int>(k.src), k.entry);
  d.Fill(k.dst);
  g_softBlend.blendMode = k.mode;
  g_softBlend.blendParam = k.param;
  g_softBlend.drawTint = k.tint;
  if (k.g >= 0) {
    graph.Set(0, 0, 7);
    g_softBlend.blendGraphTable[7] = static_cast<uint8_t>(k.g);
  }
  const MEMIMG* blendGraph = k.g >= 0 ? graph.get() : nullptr;
  if (rotated) {
    RotateBlitMemImg(d.get(), s.get(), 1, 1, 0.0f, 1.0f, k.transparent, 0, blendGraph);
  } else {
    const TriangleMapVertex v[3] = {{1, 1, 0, 0}, {2, 1, 1, 0}, {1, 2, 0, 1}};
    TriangleMapMemImg(d.get(), s.get(), v, k.transparent, blendGraph, 0);
  }
  const uint32_t result = d.Get(1, 1);
  d.Set(1, 1, k.dst);
  EXPECT_EQ(d.CountNot(k.dst), 0) << "pixels outside the mapped one changed";
  return result;
}

TEST_P(MappedKernelTest, BothSamplersGiveTheExpectedPixel) {
  const KernelCase& k = GetParam();
  EXPECT_EQ(DrawOnePixel(k, false), k.expected) << std::hex << "triangle";
  EXPECT_EQ(DrawOnePixel(k, true), k.expected) << std::hex << "rotated";
}

std::string CaseName(const ::testing::TestParamInfo<KernelCase>& info) {
  std::string n = info.param.name;
  for (char& ch : n) {
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
}

INSTANTIATE_TEST_SUITE_P(Cases, MappedKernelTest, ::testing::ValuesIn(kKernelCases), CaseName);

struct FlatCase {
  const char* name;
  int type, mode, param;
  uint32_t colour, dst, expected;
};

// clang-format off
const FlatCase kFlatCases[] = {
  {"copy whole word", k32, 0, 255, 0x12345678, 0x5A000000, 0x12345678},
  {"alpha 255 copies byte 3", k32, 1, 255, 0x12345678, 0x5A000000, 0x12345678},
  {"alpha p0 nothing", k32, 1, 0, 0x00FFFFFF, 0x5A102030, 0x5A102030},
  {"add p0 nothing", k32, 2, 0, 0x00FFFFFF, 0x5A102030, 0x5A102030},
  {"sub p0 nothing", k16, 3, 0, 0xFFFF, 0x1234, 0x1234},
  {"mul p0 still multiplies", k32, 4, 0, 0x00FFFFFF, 0x5AFFFFFF, 0x5AFEFEFE},
  {"mode 5 nothing", k32, 5, 255, 0x00FFFFFF, 0x77, 0x77},
  {"16 alpha 128 up", k16, 1, 128, 0xFFFF, 0, 0x7BEF},
  {"16 alpha 128 down", k16, 1, 128, 0, 0xFFFF, 0x8410},
  {"32 alpha 128", k32, 1, 128, 0x00FFFFFF, 0x5A000000, 0x5A7F7F7F},
  {"16 add white", k16, 2, 255, 0xFFFF, 0xFFFF, 0xFFFF},
  {"16 add low bits", k16, 2, 255, 0x0841, 0x0841, 0x0882},
  {"16 add blue carry", k16, 2, 255, 0x001F, 0x0001, 0x003F},
  {"16 add 128 scales", k16, 2, 128, 0xFFFF, 0, 0x7BEF},
  {"32 add carry to byte 3", k32, 2, 255, 0x00808080, 0x00808080, 0x01FFFFFF},
  {"16 sub black", k16, 3, 255, 0, 0xFFFF, 0xFFDF},
  {"16 sub white from black", k16, 3, 255, 0xFFFF, 0, 0},
  {"16 sub guard", k16, 3, 255, 0x0841, 0x1082, 0x1841},
  {"32 sub", k32, 3, 255, 0x00101010, 0x00404040, 0x00313130},
  {"32 sub black", k32, 3, 255, 0, 0xFFFFFFFF, 0x00FFFFFF},
  {"16 mul white", k16, 4, 255, 0xFFFF, 0xFFFF, 0xF7DE},
  {"32 mul white", k32, 4, 255, 0x00FFFFFF, 0x5AFFFFFF, 0x5AFEFEFE},
  {"16 colour above 16 bits", k16, 0, 255, 0x3FFFF, 0, 0xFFFF},
};
// clang-format on

class FlatKernelTest : public ::testing::TestWithParam<FlatCase> {
 protected:
  void SetUp() override { testing::ResetSoftState(3, 3); }
};

TEST_P(FlatKernelTest, FillsWithTheExpectedPixel) {
  const FlatCase& k = GetParam();
  MapImage d(3, 3, k.type);
  d.Fill(k.dst);
  g_softBlend.blendMode = k.mode;
  g_softBlend.blendParam = k.param;
  const TriangleMapVertex v[3] = {{1, 1, 0, 0}, {2, 1, 0, 0}, {1, 2, 0, 0}};
  TriangleMapMemImg(d.get(), nullptr, v, 0, nullptr, k.colour);
  // The span of the one row is columns 1 and 2.
  EXPECT_EQ(d.Get(1, 1), k.expected) << std::hex;
  EXPECT_EQ(d.Get(2, 1), k.expected) << std::hex;
  EXPECT_EQ(d.Get(1, 0), k.dst);
  EXPECT_EQ(d.Get(1, 2), k.dst);
}

std::string FlatName(const ::testing::TestParamInfo<FlatCase>& info) {
  std::string n = info.param.name;
  for (char& ch : n) {
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
}

INSTANTIATE_TEST_SUITE_P(Cases, FlatKernelTest, ::testing::ValuesIn(kFlatCases), FlatName);

}  // namespace
}  // namespace zelvo
