// The fast paths against the general path, byte for byte (the unused byte of 32-bit targets
// included): untextured shapes of one colour (fills, fades, boxes, fills that read the target),
// scaled and rotated bilinear sprites, pictures blended at a constant alpha and tinted glyph copies.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

#include "tests/platform/d3d/d3d_test_device.h"

namespace {

using namespace d3d_test;

class FastPathTest : public DeviceTest {
 protected:
  // The target's raw bytes, row by row.
  std::vector<std::uint8_t> RawTarget() {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    EXPECT_EQ(target_->Lock(nullptr, &desc, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    const std::size_t row = desc.width * desc.pixelFormat.bitCount / 8;
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t y = 0; y < desc.height; ++y) {
      const auto* at = static_cast<const std::uint8_t*>(desc.surface) + static_cast<std::ptrdiff_t>(y) * desc.pitch;
      bytes.insert(bytes.end(), at, at + row);
    }
    target_->Unlock(nullptr);
    return bytes;
  }

  // Random raw bytes in the target, the unused byte of X888 included.
  void Scribble(std::mt19937& random) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    ASSERT_EQ(target_->Lock(nullptr, &desc, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    for (std::uint32_t y = 0; y < desc.height; ++y) {
      auto* at = static_cast<std::uint8_t*>(desc.surface) + static_cast<std::ptrdiff_t>(y) * desc.pitch;
      for (std::uint32_t x = 0; x < desc.width * desc.pixelFormat.bitCount / 8; ++x) {
        at[x] = static_cast<std::uint8_t>(random());
      }
    }
    target_->Unlock(nullptr);
  }
};

// Random shapes, stage set-ups, blend factors and alpha tests on each target layout.
TEST_F(FastPathTest, ShapesOfOneColour) {
  struct Target {
    const char* what;
    Format format;
    std::uint32_t caps;
  };
  const Target targets[] = {
      {"X888", kX888, pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE},
      {"A8888", kA8888, pf::DDSCAPS_TEXTURE | pf::DDSCAPS_3DDEVICE},
      {"565", k565, pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE},
  };
  // Factors that read only the source, and some that read the target (the general path's).
  const std::uint32_t factors[] = {pf::D3DBLEND_ZERO,        pf::D3DBLEND_ONE,         pf::D3DBLEND_SRCCOLOR,
                                   pf::D3DBLEND_INVSRCCOLOR, pf::D3DBLEND_SRCALPHA,    pf::D3DBLEND_INVSRCALPHA,
                                   pf::D3DBLEND_INVDESTCOLOR, pf::D3DBLEND_BOTHSRCALPHA, pf::D3DBLEND_DESTALPHA};
  const std::uint32_t alphaFuncs[] = {pf::D3DCMP_GREATER, pf::D3DCMP_GREATEREQUAL, pf::D3DCMP_LESS, pf::D3DCMP_EQUAL};
  for (const Target& target : targets) {
    std::vector<std::uint8_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      std::mt19937 random(23);
      OpenDevice(4, 4);
      target_ = Make(Described(target.caps, 37, 21, target.format));
      ASSERT_EQ(device_->SetRenderTarget(target_, 0), pf::DD_OK);
      Scribble(random);
      pf::testing::UseSpecialisedSpans(fast == 1);
      device_->SetRenderState(pf::D3DRS_TEXTUREFACTOR, 0x80C04020);
      for (int n = 0; n < 60; ++n) {
        // Stage 0 as the shapes leave it (reading a texture that is not there), or computing.
        if (random() % 2) {
          device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
          device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_SELECTARG2);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, pf::D3DTA_DIFFUSE);
        } else {
          device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_MODULATE2X);
          device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TFACTOR);
          device_->SetTextureStageState(0, pf::D3DTSS_COLORARG2, pf::D3DTA_DIFFUSE);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_MODULATE);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, pf::D3DTA_TFACTOR);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, pf::D3DTA_DIFFUSE);
        }
        device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, random() % 4 != 0);
        device_->SetRenderState(pf::D3DRS_SRCBLEND, factors[random() % 9]);
        device_->SetRenderState(pf::D3DRS_DESTBLEND, factors[random() % 9]);
        const bool alphaTest = random() % 4 == 0;
        device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, alphaTest);
        device_->SetRenderState(pf::D3DRS_ALPHAFUNC, alphaFuncs[random() % 4]);
        device_->SetRenderState(pf::D3DRS_ALPHAREF, random() % 256);
        device_->SetRenderState(pf::D3DRS_SHADEMODE, random() % 2 ? pf::D3DSHADE_FLAT : pf::D3DSHADE_GOURAUD);
        const std::uint32_t alphas[] = {0, 255, static_cast<std::uint32_t>(random() % 256)};
        const std::uint32_t colour = (static_cast<std::uint32_t>(random()) & 0x00FFFFFFu) | alphas[random() % 3] << 24;
        const auto at = [&](int range) { return static_cast<float>(random() % (range * 8)) / 8.0f - 3; };
        float x0 = at(40), y0 = at(24), x1 = x0 + at(30) + 2, y1 = y0 + at(20) + 2;
        if (n % 10 == 0) x0 = y0 = -0.5f, x1 = 36.5f, y1 = 20.5f;  // the whole target, as a fade
        std::vector<ColouredVertex> v = {{x0, y0, 0, 1, colour}, {x1, y0, 0, 1, colour}, {x0, y1, 0, 1, colour},
                                         {x1, y0, 0, 1, colour}, {x1, y1, 0, 1, colour}, {x0, y1, 0, 1, colour}};
        switch (random() % 4) {
          case 0: v[3].diffuse = colour ^ 0x01000000u; break;  // halves in two colours
          case 1: v[1].diffuse = colour ^ 0x00010000u; break;  // a shaded half
          case 2: v[4].x += 1.5f; break;                       // not a rectangle
          default: break;
        }
        DrawColoured(pf::D3DPT_TRIANGLELIST, v);
      }
      results[fast] = RawTarget();
    }
    EXPECT_EQ(results[0], results[1]) << target.what;
  }
}

// Sprites scaled by any factor, mirrored, and reaching past the texture's edges, bilinear, blended
// or added, with the texture's alpha scaled by the diffuse alpha or not.
TEST_F(FastPathTest, ScaledBilinearSprites) {
  std::mt19937 random(31);
  std::vector<std::uint32_t> backdrop(96 * 40), sprite(40 * 12);
  for (auto& t : backdrop) t = static_cast<std::uint32_t>(random());
  for (std::size_t i = 0; i < sprite.size(); ++i) {
    const std::uint32_t alphas[] = {0, 255, static_cast<std::uint32_t>(random() & 0xFF)};
    sprite[i] = (static_cast<std::uint32_t>(random()) & 0x00FFFFFFu) | alphas[i % 3] << 24;
  }
  for (const Format& format : {kA8888, kX888}) {
    std::vector<std::uint8_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      std::mt19937 drawing(41);
      OpenDevice(96, 40);
      pf::testing::UseSpecialisedSpans(fast == 1);
      ModulateStage0(Texture(96, 40, backdrop, kX888));
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 95.5f, 39.5f, 0xFFFFFFFF));
      ModulateStage0(Texture(40, 12, sprite, format));
      Filter(pf::D3DTFG_LINEAR);
      for (int n = 0; n < 40; ++n) {
        Filter(n % 7 == 3 ? pf::D3DTFG_POINT : pf::D3DTFG_LINEAR);
        if (drawing() % 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
        else Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
        const std::uint32_t diffuse = drawing() % 2 ? 0xFFFFFFFFu : 0x70FFFFFFu;
        const auto at = [&](int range) { return static_cast<float>(drawing() % (range * 16)) / 16.0f; };
        const float x0 = at(80) - 10, y0 = at(36) - 4, width = 20 + at(50), height = 4 + at(10);
        const float u0 = at(2) / 4 - 0.2f, v0 = at(2) / 4 - 0.2f;
        float u1 = u0 + 0.5f + at(2) / 2, v1 = v0 + 0.5f + at(2) / 2;
        if (n % 4 == 0) u1 = u0 - u1 + 1;  // mirrored
        Draw(pf::D3DPT_TRIANGLESTRIP, Quad(x0, y0, x0 + width, y0 + height, diffuse, u0, v0, u1, v1));
      }
      results[fast] = RawTarget();
    }
    EXPECT_EQ(results[0], results[1]) << format.a;
  }
}

// Pictures placed texel for pixel whose alpha comes from the diffuse colour alone (the texels' own
// alpha unused), blended or added at full strength and at 160, from texels with and without alpha.
TEST_F(FastPathTest, ConstantAlphaPictures) {
  std::mt19937 random(43);
  std::vector<std::uint32_t> backdrop(53 * 9), picture(45 * 7);
  for (auto& t : backdrop) t = static_cast<std::uint32_t>(random());
  for (auto& t : picture) t = static_cast<std::uint32_t>(random());
  for (const Format& format : {kA8888, kX888}) {
    for (const std::uint32_t alpha : {255u, 160u}) {
      for (const std::uint32_t destination : {pf::D3DBLEND_INVSRCALPHA, pf::D3DBLEND_ONE}) {
        std::vector<std::uint8_t> results[2];
        for (int fast = 0; fast < 2; ++fast) {
          OpenDevice(53, 9);
          pf::testing::UseSpecialisedSpans(fast == 1);
          ModulateStage0(Texture(53, 9, backdrop, kX888));
          Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 52.5f, 8.5f, 0xFFFFFFFF));
          ModulateStage0(Texture(45, 7, picture, format));
          device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
          device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_SELECTARG2);
          Blend(pf::D3DBLEND_SRCALPHA, destination);
          Draw(pf::D3DPT_TRIANGLESTRIP, Quad(3.5f, 0.5f, 48.5f, 7.5f, alpha << 24 | 0xFFFFFF));
          results[fast] = RawTarget();
        }
        EXPECT_EQ(results[0], results[1]) << format.a << " alpha " << alpha << " destination " << destination;
      }
    }
  }
}

// Every source alpha against every channel value, blended and added, at full strength and scaled.
TEST_F(FastPathTest, EveryAlphaAndChannel) {
  std::vector<std::uint32_t> backdrop(256 * 256), sprite(256 * 256);
  for (std::uint32_t y = 0; y < 256; ++y) {
    for (std::uint32_t x = 0; x < 256; ++x) {
      backdrop[y * 256 + x] = 0xFF000000u | (255 - x) << 16 | x << 8 | (x ^ y);
      sprite[y * 256 + x] = y << 24 | x << 16 | (x ^ 0x5A) << 8 | (255 - x);
    }
  }
  for (const std::uint32_t destination : {pf::D3DBLEND_INVSRCALPHA, pf::D3DBLEND_ONE}) {
    for (const std::uint32_t diffuse : {0xFFFFFFFFu, 0x9BFFFFFFu}) {
      std::vector<std::uint8_t> results[2];
      for (int fast = 0; fast < 2; ++fast) {
        OpenDevice(256, 256);
        pf::testing::UseSpecialisedSpans(fast == 1);
        ModulateStage0(Texture(256, 256, backdrop, kX888));
        Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 255.5f, 255.5f, 0xFFFFFFFF));
        ModulateStage0(Texture(256, 256, sprite, kA8888));
        Blend(pf::D3DBLEND_SRCALPHA, destination);
        Draw(pf::D3DPT_TRIANGLESTRIP, Quad(-0.5f, -0.5f, 255.5f, 255.5f, diffuse));
        results[fast] = RawTarget();
      }
      EXPECT_EQ(results[0], results[1]) << "destination " << destination << " diffuse " << std::hex << diffuse;
    }
  }
}

// Fills whose source factor is the target's colour or its complement (the inverting fills around
// a subtracting draw), with each destination factor that reads only the source, on each target layout.
TEST_F(FastPathTest, FillsThatReadTheTarget) {
  const std::pair<const char*, Format> targets[] = {{"X888", kX888}, {"A8888", kA8888}, {"565", k565}};
  const std::uint32_t destinations[] = {pf::D3DBLEND_ZERO,     pf::D3DBLEND_ONE,      pf::D3DBLEND_SRCCOLOR,
                                        pf::D3DBLEND_INVSRCCOLOR, pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA};
  for (const auto& [what, format] : targets) {
    std::vector<std::uint8_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      std::mt19937 random(59);
      OpenDevice(4, 4);
      target_ = Make(Described(pf::DDSCAPS_TEXTURE | pf::DDSCAPS_3DDEVICE, 41, 17, format));
      ASSERT_EQ(device_->SetRenderTarget(target_, 0), pf::DD_OK);
      Scribble(random);
      pf::testing::UseSpecialisedSpans(fast == 1);
      device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
      device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_DIFFUSE);
      device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_SELECTARG1);
      device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, pf::D3DTA_DIFFUSE);
      for (int n = 0; n < 40; ++n) {
        Blend(random() % 2 ? pf::D3DBLEND_INVDESTCOLOR : pf::D3DBLEND_DESTCOLOR, destinations[random() % 6]);
        const std::uint32_t colour = n % 3 == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(random());
        const auto at = [&](int range) { return static_cast<float>(random() % (range * 4)) / 4.0f - 2; };
        const float x0 = at(40), y0 = at(16), x1 = x0 + at(36) + 3, y1 = y0 + at(14) + 3;
        DrawColoured(pf::D3DPT_TRIANGLESTRIP, {{x0, y0, 0, 1, colour}, {x1, y0, 0, 1, colour},
                                               {x0, y1, 0, 1, colour}, {x1, y1, 0, 1, colour}});
      }
      results[fast] = RawTarget();
    }
    EXPECT_EQ(results[0], results[1]) << what;
  }
}

// Sprites rotated and scaled by any angle and factor, only scaled, or placed texel for pixel, bilinear or point sampled,
// blended or added, reaching past the texture's edges and off the target, onto a target whose bytes
// (the unused one included) are random.
TEST_F(FastPathTest, RotatedBilinearSprites) {
  std::mt19937 random(67);
  // Mixed alphas, with a clear band and an opaque band wide enough for whole steps of clear or
  // opaque samples.
  std::vector<std::uint32_t> sprite(23 * 19);
  for (std::size_t i = 0; i < sprite.size(); ++i) {
    const std::uint32_t alphas[] = {0, 255, static_cast<std::uint32_t>(random() & 0xFF)};
    const std::size_t column = i % 23;
    const std::uint32_t alpha = column < 8 ? 255 : column >= 15 ? 0 : alphas[i % 3];
    sprite[i] = (static_cast<std::uint32_t>(random()) & 0x00FFFFFFu) | alpha << 24;
  }
  for (const Format& format : {kA8888, kX888}) {
    std::vector<std::uint8_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      std::mt19937 drawing(71);
      OpenDevice(4, 4);
      target_ = Make(Described(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 83, 61, kX888));
      ASSERT_EQ(device_->SetRenderTarget(target_, 0), pf::DD_OK);
      Scribble(drawing);
      pf::testing::UseSpecialisedSpans(fast == 1);
      ModulateStage0(Texture(23, 19, sprite, format));
      Filter(pf::D3DTFG_LINEAR);
      for (int n = 0; n < 60; ++n) {
        Filter(n % 7 == 3 ? pf::D3DTFG_POINT : pf::D3DTFG_LINEAR);
        if (drawing() % 2) Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
        else Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
        const std::uint32_t diffuse = drawing() % 2 ? 0xFFFFFFFFu : 0x70FFFFFFu;
        const auto at = [&](int range) { return static_cast<float>(drawing() % (range * 64)) / 64.0f; };
        float cx = at(90) - 4, cy = at(66) - 3, scale = 0.4f + at(3);
        const float angle = at(7);
        if (n % 4 == 1) cx = std::floor(cx), cy = std::floor(cy), scale = 1;  // texel for pixel, unrotated
        const float halfWidth = 11.5f * scale, halfHeight = 9.5f * scale;
        const bool upright = n % 3 == 0 || n % 4 == 1;
        const float c = upright ? 1 : std::cos(angle), s = upright ? 0 : std::sin(angle);
        const auto corner = [&](float dx, float dy, float u, float v) {
          return TexturedVertex{cx + dx * c - dy * s, cy + dx * s + dy * c, 0, 1, diffuse, u, v};
        };
        // Coordinates a little past the texture's edges now and then, as clamped addressing allows.
        const float past = n % 5 == 0 ? 0.1f : 0.0f;
        Draw(pf::D3DPT_TRIANGLESTRIP, {corner(-halfWidth, -halfHeight, -past, -past), corner(halfWidth, -halfHeight, 1 + past, -past),
                                       corner(-halfWidth, halfHeight, -past, 1 + past), corner(halfWidth, halfHeight, 1 + past, 1 + past)});
      }
      // Last, onto fresh random bytes, texel for pixel: every pixel of the clear band (the rows' last
      // pixels among them) is written with its unused byte set, as a blend writes it.
      Scribble(drawing);
      Blend(pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
      Draw(pf::D3DPT_TRIANGLESTRIP, Quad(9.5f, 7.5f, 32.5f, 26.5f, 0xFFFFFFFFu));
      results[fast] = RawTarget();
    }
    EXPECT_EQ(results[0], results[1]) << format.a;
  }
}

// 16-bit glyph pictures placed texel for pixel and copied in a tint (the diffuse colour times the
// texels), with and without the alpha test, point sampled or bilinear at texel centres.
TEST_F(FastPathTest, TintedGlyphCopies) {
  std::mt19937 random(73);
  std::vector<std::uint32_t> glyphs(37 * 9);
  for (auto& t : glyphs) t = static_cast<std::uint32_t>(random());
  const std::uint32_t alphaTests[] = {0, pf::D3DCMP_GREATER, pf::D3DCMP_GREATEREQUAL};
  for (const Format& format : {k1555, k4444}) {
    std::vector<std::uint8_t> results[2];
    for (int fast = 0; fast < 2; ++fast) {
      std::mt19937 drawing(79);
      OpenDevice(4, 4);
      target_ = Make(Described(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 61, 23, kX888));
      ASSERT_EQ(device_->SetRenderTarget(target_, 0), pf::DD_OK);
      Scribble(drawing);
      pf::testing::UseSpecialisedSpans(fast == 1);
      ModulateStage0(Texture(37, 9, glyphs, format));
      device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, 0);
      for (int n = 0; n < 30; ++n) {
        Filter(n % 2 ? pf::D3DTFG_LINEAR : pf::D3DTFG_POINT);
        const std::uint32_t alphaTest = alphaTests[drawing() % 3];
        device_->SetRenderState(pf::D3DRS_ALPHATESTENABLE, alphaTest != 0);
        device_->SetRenderState(pf::D3DRS_ALPHAFUNC, alphaTest != 0 ? alphaTest : pf::D3DCMP_ALWAYS);
        device_->SetRenderState(pf::D3DRS_ALPHAREF, drawing() % 256);
        const std::uint32_t tint = static_cast<std::uint32_t>(drawing()) | (n % 3 == 0 ? 0xFF000000u : 0);
        const float x = static_cast<float>(drawing() % 40) - 8.5f, y = static_cast<float>(drawing() % 24) - 4.5f;
        Draw(pf::D3DPT_TRIANGLESTRIP, Quad(x, y, x + 37, y + 9, tint));
      }
      results[fast] = RawTarget();
    }
    EXPECT_EQ(results[0], results[1]) << format.bits << " " << format.a;
  }
}

}  // namespace
