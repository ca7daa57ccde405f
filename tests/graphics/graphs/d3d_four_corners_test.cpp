// Texture graphs drawn into four corners on the Direct3D device: with a blend graph each piece goes
// at once as a strip through the two affine halves of the graph, an upright rectangle becomes a
// stretched draw, and without a blend graph the pieces join the batch.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "tests/graphics/direct3d_library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

constexpr int kSide = 16;

// The texel (i, j) of the pattern, as the screen shows it.
std::uint32_t Texel(int i, int j) { return static_cast<std::uint32_t>((i * 16) << 16 | (j * 16) << 8 | 100); }

class Direct3DFourCorners : public Direct3DLibraryTest {
 protected:
  void SetUp() override {
    Direct3DLibraryTest::SetUp();
    // Rows bottom-up, as the file holds them.
    std::vector<Bytes> rows(kSide);
    for (int j = 0; j < kSide; ++j) {
      Bytes& row = rows[kSide - 1 - j];
      for (int i = 0; i < kSide; ++i) {
        row.insert(row.end(), {100, static_cast<std::uint8_t>(j * 16), static_cast<std::uint8_t>(i * 16)});
      }
    }
    BmpLayout layout;
    layout.width = layout.height = kSide;
    layout.pixels = PadRows(rows);
    WriteFileBytes(folder_ + "/pattern.bmp", WriteBmp(layout));
    picture_ = ::LoadGraphFile("pattern.bmp", 0);
    ASSERT_GE(picture_, 0);
    ASSERT_EQ(zelvo::GetGraphRecord(picture_)->flags.isTexture, 1);
    ASSERT_EQ(::ClearDrawTarget(), 0);
  }
  // The public corner order: top-left, top-right, bottom-right, bottom-left. The device's draws.
  std::vector<std::string> Draw(const float c[8]) {
    zelvo::G_D3D_EndSceneCurrent();
    pf::testing::TraceDirect3D(true);
    pf::testing::TakeDirect3DTrace();
    {
      zelvo::LibraryLockGuard lock;
      EXPECT_EQ(zelvo::BlitGraphFourCorners(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], picture_, 0), 0);
    }
    zelvo::G_D3D_EndSceneCurrent();
    std::vector<std::string> draws;
    for (const std::string& line : pf::testing::TakeDirect3DTrace()) {
      if (line.rfind("Draw", 0) == 0) draws.push_back(line);
    }
    pf::testing::TraceDirect3D(false);
    return draws;
  }
  static void UseBlendGraph(int graph) {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetBlendGraph(graph, 0, 1), 0);
  }
  int picture_ = -1;
};

TEST_F(Direct3DFourCorners, WithABlendGraphAPieceIsDrawnThroughTheAffineHalves) {
  const int blend = zelvo::CreateBlankGraph(kSide, kSide, 0);
  ASSERT_GE(blend, 0);
  UseBlendGraph(blend);
  // A quarter turn clockwise: texel (i, j) lands on pixel (99 - j, 50 + i).
  const float turned[8] = {100, 50, 100, 66, 84, 66, 84, 50};
  EXPECT_EQ(Draw(turned), (std::vector<std::string>{"DrawPrimitive TRIANGLESTRIP 0x2C4 4"}));
  int differing = 0;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      const std::uint32_t pixel = BackPixel(99 - j, 50 + i);
      if (pixel != Texel(i, j) && differing++ < 5) {
        ADD_FAILURE() << "texel (" << i << ", " << j << "): " << std::hex << pixel;
      }
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(BackPixel(100, 50), 0u);
  EXPECT_EQ(BackPixel(83, 50), 0u);
  // An upright rectangle is the stretched draw, in the batch.
  const float upright[8] = {200, 40, 216, 40, 216, 56, 200, 56};
  EXPECT_EQ(Draw(upright), (std::vector<std::string>{"DrawPrimitive TRIANGLELIST 0x2C4 6"}));
  EXPECT_EQ(BackPixel(200, 40), Texel(0, 0));
  EXPECT_EQ(BackPixel(215, 47), Texel(15, 7));
  EXPECT_EQ(BackPixel(216, 47), 0u);
  // Without the blend graph the same turn joins the batch as two triangles.
  UseBlendGraph(-1);
  EXPECT_EQ(Draw(turned), (std::vector<std::string>{"DrawPrimitive TRIANGLELIST 0x144 6"}));
}

TEST_F(Direct3DFourCorners, ABlendGraphThatHidesEverythingDrawsNoStrip) {
  const int blend = zelvo::CreateBlankGraph(kSide, kSide, 0);
  ASSERT_GE(blend, 0);
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetBlendGraph(blend, 255, 1), 0);
  }
  const float turned[8] = {100, 50, 100, 66, 84, 66, 84, 50};
  EXPECT_TRUE(Draw(turned).empty());
  EXPECT_EQ(BackPixel(95, 55), 0u);
}

}  // namespace
}  // namespace zelvo_test
