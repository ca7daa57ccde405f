// Shapes on the Direct3D device: pixel for pixel against the software front ends where both draw the
// same pixels, each back-end against its own rules where they differ, batching in the device's call
// trace, and draw targets the device can and cannot render into.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/display/d3d_device.h"
#include "media/display/d3d_scene_wrappers.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_render_target.h"
#include "media/graphics/graphs/d3d_shapes.h"
#include "media/graphics/drawing/draw_options.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/graphs/soft_draw.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/surface3d.h"
#include "media/graphics/graphs/surface_data.h"
#include "media/pixels/pixel_format.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "tests/graphics/direct3d_library_fixture.h"
#include "support/library_fixture.h"
#include "support/saved_bmp.h"

namespace zelvo_test {
namespace {

using zelvo::g_d3d;

constexpr unsigned kWhite = 0xFFFFFF;

class Direct3DShapes : public Direct3DLibraryTest {
 protected:
  void SetUp() override {
    Direct3DLibraryTest::SetUp();
    ASSERT_EQ(zelvo::g_graphics.direct3DUsable, 1);
  }

  // The back buffer's pixels (0x00RRGGBB) of a rectangle, after the queued vertices are drawn.
  static std::vector<std::uint32_t> Pixels(int left, int top, int right, int bottom) {
    return BackPixels(left, top, right, bottom);
  }
  static std::uint32_t Pixel(int x, int y) { return BackPixel(x, y); }
  static void Clear() {
    ::SetBlendMode(0, 0);
    ASSERT_EQ(::ClearDrawTarget(), 0);
  }
  // The lines of the device's trace that draw.
  static std::vector<std::string> Draws() {
    std::vector<std::string> draws;
    for (const std::string& line : pf::testing::TakeDirect3DTrace()) {
      if (line.rfind("DrawPrimitive", 0) == 0) draws.push_back(line);
    }
    return draws;
  }
  // Pixels of a rectangle that are not black.
  static std::vector<std::pair<int, int>> Lit(int left, int top, int right, int bottom) {
    std::vector<std::pair<int, int>> lit;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (Pixel(x, y) != 0) lit.emplace_back(x, y);
      }
    }
    return lit;
  }
};

struct ShapeCase {
  const char* name;
  std::function<int()> direct3D;   // through the public entry (the device path)
  std::function<int()> software;   // the software front end on the locked back buffer
};

TEST_F(Direct3DShapes, ShapesMatchTheSoftwareFrontEndsPixelForPixel) {
  const ShapeCase cases[] = {
      {"box", [] { return ::DrawRectangle(5, 6, 40, 30, kWhite, 1); },
       [] { return zelvo::DrawBoxSoft(5, 6, 40, 30, kWhite); }},
      {"reversed box", [] { return ::DrawRectangle(40, 30, 5, 6, kWhite, 1); },
       [] { return zelvo::DrawBoxSoft(5, 6, 40, 30, kWhite); }},
      {"box across the edge", [] { return ::DrawRectangle(-10, -10, 8, 9, kWhite, 1); },
       [] { return zelvo::DrawBoxSoft(-10, -10, 8, 9, kWhite); }},
      {"outline", [] { return ::DrawRectangle(10, 10, 20, 20, kWhite, 0); },
       [] { return zelvo::DrawBoxOutlineSoft(10, 10, 20, 20, kWhite); }},
      {"reversed outline", [] { return ::DrawRectangle(20, 20, 10, 10, kWhite, 0); },
       [] { return zelvo::DrawBoxOutlineSoft(10, 10, 20, 20, kWhite); }},
      {"horizontal line", [] { return ::DrawLineSegment(3, 7, 50, 7, kWhite, 1); },
       [] { return zelvo::DrawLineSoft(3, 7, 50, 7, kWhite); }},
      {"leftward line", [] { return ::DrawLineSegment(50, 7, 3, 7, kWhite, 1); },
       [] { return zelvo::DrawLineSoft(50, 7, 3, 7, kWhite); }},
      {"vertical line", [] { return ::DrawLineSegment(5, 5, 5, 10, kWhite, 1); },
       [] { return zelvo::DrawLineSoft(5, 5, 5, 10, kWhite); }},
      {"upward line", [] { return ::DrawLineSegment(5, 40, 5, 10, kWhite, 1); },
       [] { return zelvo::DrawLineSoft(5, 40, 5, 10, kWhite); }},
      {"diagonal", [] { return ::DrawLineSegment(2, 2, 40, 40, kWhite, 1); },
       [] { return zelvo::DrawLineSoft(2, 2, 40, 40, kWhite); }},
      {"filled circle", [] { return ::DrawCircleShape(30, 30, 12, kWhite, 1); },
       [] { return zelvo::DrawSoftCircle(30, 30, 12, kWhite, 1); }},
      {"circle", [] { return ::DrawCircleShape(30, 30, 12, kWhite, 0); },
       [] { return zelvo::DrawSoftCircle(30, 30, 12, kWhite, 0); }},
      {"wide ellipse", [] { return ::DrawEllipse(30, 30, 20, 8, kWhite, 1); },
       [] { return zelvo::DrawSoftOval(30, 30, 20, 8, kWhite, 1); }},
      {"tall ellipse", [] { return ::DrawEllipse(30, 30, 8, 20, kWhite, 1); },
       [] { return zelvo::DrawSoftOval(30, 30, 8, 20, kWhite, 1); }},
      {"wide ellipse outline", [] { return ::DrawEllipse(30, 30, 20, 8, kWhite, 0); },
       [] { return zelvo::DrawSoftOval(30, 30, 20, 8, kWhite, 0); }},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Clear();
    ASSERT_EQ(c.direct3D(), 0);
    const std::vector<std::uint32_t> direct3D = Pixels(0, 0, 64, 64);
    Clear();
    {
      zelvo::LibraryLockGuard lock;
      ASSERT_EQ(c.software(), 0);
    }
    const std::vector<std::uint32_t> software = Pixels(0, 0, 64, 64);
    int differing = 0;
    for (std::size_t i = 0; i < direct3D.size(); ++i) {
      if (direct3D[i] != software[i] && differing++ < 5) {
        ADD_FAILURE() << "(" << i % 64 << ", " << i / 64 << "): " << std::hex << direct3D[i] << " against "
                      << software[i];
      }
    }
    EXPECT_EQ(differing, 0);
  }
}

TEST_F(Direct3DShapes, DifferencesFromSoftwareFollowEachBackEndsOwnRules) {
  // A circle of radius 0: the device draws its centre (four points on one pixel, once when filled);
  // the software front end on a locked surface draws nothing.
  for (int fill : {0, 1}) {
    Clear();
    ASSERT_EQ(::DrawCircleShape(20, 20, 0, kWhite, fill), 0);
    EXPECT_EQ(Lit(0, 0, 40, 40), (std::vector<std::pair<int, int>>{{20, 20}})) << fill;
  }
  {
    zelvo::LibraryLockGuard lock;
    Clear();
    EXPECT_EQ(zelvo::DrawSoftCircle(20, 20, 0, kWhite, 1), 0);
  }
  EXPECT_TRUE(Lit(0, 0, 40, 40).empty());
  // Triangles follow the device's fill rule: the pixels whose centres lie inside, a centre on the
  // top or left edge counted in, on the right or bottom edge out. Here x >= 5, y >= 5, x + y < 35.
  // Any fill but 0 fills on the device; in software only fill 1 does.
  Clear();
  ASSERT_EQ(::DrawTriangleShape(5, 5, 30, 5, 5, 30, kWhite, 2), 0);
  const std::vector<std::pair<int, int>> filled = Lit(0, 0, 40, 40);
  EXPECT_EQ(filled.size(), 325u);
  for (const auto& [x, y] : filled) EXPECT_TRUE(x >= 5 && y >= 5 && x + y < 35) << x << "," << y;
  // The outline is a closed strip of lines, none drawing its end: each corner once.
  Clear();
  ::SetBlendMode(2, 255);
  ASSERT_EQ(::DrawTriangleShape(5, 5, 30, 5, 5, 30, 0x404040, 0), 0);
  ::SetBlendMode(0, 0);
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{5, 5}, {30, 5}, {5, 30}, {17, 5}, {5, 17}}) {
    EXPECT_EQ(Pixel(x, y), 0x404040u) << x << "," << y;
  }
  EXPECT_EQ(Pixel(10, 10), 0u);
  Clear();
  ASSERT_EQ(::DrawTriangleShape(5, 5, 30, 5, 5, 30, kWhite, 2), 0);
  // Given counter-clockwise it covers the same pixels.
  const std::vector<std::uint32_t> clockwise = Pixels(0, 0, 40, 40);
  Clear();
  ASSERT_EQ(::DrawTriangleShape(5, 5, 5, 30, 30, 5, kWhite, 2), 0);
  EXPECT_EQ(Pixels(0, 0, 40, 40), clockwise);
}

TEST_F(Direct3DShapes, EllipseRadiiOfZeroDrawNothingAndEqualRadiiDrawTheWideForm) {
  Clear();
  EXPECT_EQ(::DrawEllipse(20, 20, 0, 5, kWhite, 1), 0);
  EXPECT_EQ(::DrawEllipse(20, 20, 5, 0, kWhite, 0), 0);
  EXPECT_TRUE(Lit(0, 0, 40, 40).empty());
  // With rx = ry the wide form's rows: every row from cy - r to cy + r holds a span.
  ASSERT_EQ(::DrawEllipse(20, 20, 6, 6, kWhite, 1), 0);
  for (int y = 14; y <= 26; ++y) EXPECT_EQ(Pixel(20, y), kWhite) << y;
  EXPECT_EQ(Pixel(20, 13), 0u);
  EXPECT_EQ(Pixel(20, 27), 0u);
  EXPECT_EQ(Pixel(14, 20), kWhite);
  EXPECT_EQ(Pixel(26, 20), kWhite);
}

TEST_F(Direct3DShapes, FilledShapesReachTheRegionsLastRowAndColumnOnce) {
  Clear();
  ASSERT_EQ(zelvo::SetDrawRegion(10, 10, 30, 30), 0);
  // Additive drawing shows a pixel filled twice as twice as bright.
  ::SetBlendMode(2, 255);
  ASSERT_EQ(::DrawCircleShape(29, 29, 5, 0x404040, 1), 0);
  ASSERT_EQ(::DrawRectangle(10, 10, 16, 16, 0x404040, 0), 0);
  ::SetBlendMode(0, 0);
  ASSERT_EQ(zelvo::SetDrawRegion(0, 0, 640, 480), 0);
  EXPECT_EQ(Pixel(29, 29), 0x404040u);   // the region's corner pixel, inside the circle
  EXPECT_EQ(Pixel(29, 25), 0x404040u);
  EXPECT_EQ(Pixel(25, 29), 0x404040u);
  EXPECT_EQ(Pixel(30, 29), 0u);
  EXPECT_EQ(Pixel(29, 30), 0u);
  // Every pixel of the outline once, corners included.
  for (int i = 10; i < 16; ++i) {
    EXPECT_EQ(Pixel(i, 10), 0x404040u) << i;
    EXPECT_EQ(Pixel(i, 15), 0x404040u) << i;
    EXPECT_EQ(Pixel(10, i), 0x404040u) << i;
    EXPECT_EQ(Pixel(15, i), 0x404040u) << i;
  }
  EXPECT_EQ(Pixel(12, 12), 0u);
}

TEST_F(Direct3DShapes, ShapesTakeTheTintAndBlendParameterAsPicturesDo) {
  Clear();
  ::SetDrawTint(255, 128, 0);
  ASSERT_EQ(::DrawRectangle(0, 0, 4, 4, kWhite, 1), 0);
  ::SetDrawTint(255, 255, 255);
  EXPECT_EQ(Pixel(1, 1), 0xFF8000u);
  // Alpha 128 of white over black.
  ::SetBlendMode(1, 128);
  ASSERT_EQ(::DrawRectangle(10, 0, 14, 4, kWhite, 1), 0);
  ::SetBlendMode(0, 0);
  const std::uint32_t half = Pixel(11, 1);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 128, 1);
  EXPECT_EQ(half, (half & 0xFF) * 0x010101u);
}

TEST_F(Direct3DShapes, RunsOfSameStateShapesAreOneDrawAndAChangeFlushes) {
  Clear();
  ::SetBlendMode(0, 0);
  zelvo::G_D3D_EndSceneCurrent();
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  for (int i = 0; i < 3; ++i) ASSERT_EQ(::DrawRectangle(10 * i, 0, 10 * i + 5, 5, kWhite, 1), 0);
  ASSERT_EQ(::DrawRectangle(0, 10, 20, 20, kWhite, 0), 0);   // lines: the boxes go first
  ASSERT_EQ(::DrawLineSegment(0, 30, 50, 31, kWhite, 1), 0);  // joins the outline's lines
  EXPECT_EQ(Draws(), (std::vector<std::string>{"DrawPrimitive TRIANGLELIST 0x44 18"}));
  ::SetBlendMode(1, 100);   // a state change sends the queued lines under the old state
  ASSERT_EQ(::DrawLineSegment(0, 40, 50, 40, kWhite, 1), 0);
  EXPECT_EQ(Draws(), (std::vector<std::string>{"DrawPrimitive LINELIST 0x44 10"}));
  ::SetBlendMode(0, 0);
  // A circle's outline points go 40 at a time; a filled circle one line per row.
  ASSERT_EQ(::DrawCircleShape(100, 100, 10, kWhite, 0), 0);
  std::vector<std::string> draws = Draws();
  ASSERT_GE(draws.size(), 3u);
  EXPECT_EQ(draws[0], "DrawPrimitive LINELIST 0x44 2");
  EXPECT_EQ(draws[1], "DrawPrimitive POINTLIST 0x44 40");
  ASSERT_EQ(::DrawCircleShape(100, 100, 3, kWhite, 1), 0);
  draws = Draws();
  EXPECT_EQ(draws.size(), 7u);
  for (const std::string& line : draws) EXPECT_EQ(line, "DrawPrimitive LINELIST 0x44 2");
  pf::testing::TraceDirect3D(false);
}

TEST_F(Direct3DShapes, ABoxOutsideTheRegionAndALineToItselfQueueNothing) {
  Clear();
  zelvo::G_D3D_EndSceneCurrent();
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  EXPECT_EQ(::DrawRectangle(700, 10, 800, 20, kWhite, 1), 0);
  EXPECT_EQ(::DrawLineSegment(5, 5, 5, 5, kWhite, 1), 0);
  zelvo::G_D3D_EndSceneCurrent();
  EXPECT_TRUE(Draws().empty());
  pf::testing::TraceDirect3D(false);
}

class Direct3DTargets : public Direct3DShapes {
 protected:
  // A blank graph; a texture graph made as a draw target when asked.
  static int Blank(int w, int h, int notTexture, int drawable) {
    zelvo::SetMakeDrawableOption(drawable);
    const int graph = zelvo::CreateBlankGraph(w, h, notTexture);
    zelvo::SetMakeDrawableOption(0);
    return graph;
  }
  static const zelvo::SurfaceRecord* Storage2D(int graph) {
    const zelvo::Surface2DEntry* entry = zelvo::GetSurface2D(zelvo::GetGraphRecord(graph)->backEnds[0]);
    return zelvo::GetSurfaceRecord(entry->record);
  }
};

TEST_F(Direct3DTargets, ShapesDrawnIntoATextureGraphShowWhenTheGraphIsDrawn) {
  const int graph = Blank(64, 64, 0, 1);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(zelvo::GetGraphRecord(graph)->flags.isTexture, 1);
  Clear();
  ASSERT_EQ(::SelectDrawTarget(graph), 0);
  EXPECT_EQ(::ClearDrawTarget(), 0);
  ASSERT_EQ(::DrawRectangle(8, 8, 24, 24, 0xFF0000, 1), 0);
  ASSERT_EQ(::DrawLineSegment(0, 40, 64, 40, 0x00FF00, 1), 0);
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  EXPECT_EQ(Pixel(10, 10), 0u);   // nothing landed on the back buffer
  ASSERT_EQ(::BlitGraph(100, 100, graph, 0), 0);
  EXPECT_EQ(Pixel(110, 110), 0xFF0000u);
  EXPECT_EQ(Pixel(120, 140), 0x00FF00u);
  EXPECT_EQ(Pixel(100, 100), 0u);
  EXPECT_EQ(Pixel(130, 130), 0u);
}

TEST_F(Direct3DTargets, DrawnGraphsKeepTheirPixelsWhenVideoMemoryIsLost) {
  // A texture graph and a 2D graph in video memory, both with no file to be refilled from.
  for (const int notTexture : {0, 1}) {
    SCOPED_TRACE(notTexture);
    const int graph = Blank(32, 32, notTexture, notTexture == 0);
    ASSERT_GE(graph, 0);
    ASSERT_EQ(::SelectDrawTarget(graph), 0);
    EXPECT_EQ(::ClearDrawTarget(), 0);
    ASSERT_EQ(::DrawRectangle(0, 0, 16, 32, 0x0000FF, 1), 0);
    ASSERT_EQ(::DrawRectangle(16, 0, 32, 32, 0xFF0000, 1), 0);
    ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    pf::testing::LoseVideoMemory();
    EXPECT_EQ(zelvo::RestoreAllGraphSurfaces(), 0);
    Clear();
    ASSERT_EQ(::BlitGraph(50, 50, graph, 0), 0);
    EXPECT_EQ(Pixel(55, 60), 0x0000FFu);
    EXPECT_EQ(Pixel(75, 60), 0xFF0000u);
    EXPECT_EQ(::ReleaseGraph(graph, 0), 0);
  }
}

TEST_F(Direct3DTargets, DrawnGraphsKeepTheirPixelsThroughADisplayRebuild) {
  const int left = Blank(16, 16, 0, 1), current = Blank(16, 16, 0, 1);
  ASSERT_GE(left, 0);
  ASSERT_GE(current, 0);
  ASSERT_EQ(::SelectDrawTarget(left), 0);
  ASSERT_EQ(::DrawRectangle(0, 0, 16, 16, 0x00FF00, 1), 0);
  // The second is still the draw target when the display goes.
  ASSERT_EQ(::SelectDrawTarget(current), 0);
  ASSERT_EQ(::DrawRectangle(0, 0, 16, 16, 0xFF00FF, 1), 0);
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::RebuildGraphicsAfterDisplayChange(), 0);
  }
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  Clear();
  ASSERT_EQ(::BlitGraph(10, 10, left, 0), 0);
  ASSERT_EQ(::BlitGraph(40, 10, current, 0), 0);
  EXPECT_EQ(Pixel(15, 15), 0x00FF00u);
  EXPECT_EQ(Pixel(45, 15), 0xFF00FFu);
}

TEST_F(Direct3DTargets, GraphsTheDeviceCannotRenderIntoAreRefusedOrDrawnInSoftware) {
  // Several pieces, or not made as a draw target: no texture graph target.
  const int wide = Blank(640, 480, 0, 1);
  const int plain = Blank(32, 32, 0, 0);
  ASSERT_GE(wide, 0);
  ASSERT_GE(plain, 0);
  ASSERT_GT(zelvo::GetGraphRecord(wide)->backEndCount, 1);
  for (int graph : {wide, plain, wide + 1}) {
    EXPECT_EQ(::SelectDrawTarget(graph), -1) << graph;
    EXPECT_EQ(zelvo::GetDrawTarget(), ZELVO_BACK_BUFFER);
  }
  {
    zelvo::LibraryLockGuard lock;
    // The device alone keeps its own target for a graph of several pieces.
    EXPECT_EQ(zelvo::G_D3D_SelectRenderTarget(wide), 0);
    const zelvo::Device3DSlot& slot = g_d3d.slots[g_d3d.currentDevice];
    EXPECT_EQ(slot.currentRenderTarget, slot.defaultRenderTarget);
    EXPECT_EQ(zelvo::G_D3D_SelectRenderTarget(plain), -1);
    EXPECT_EQ(zelvo::G_D3D_SelectRenderTarget(ZELVO_BACK_BUFFER), 0);
  }
  // A 2D graph held in memory: shapes are drawn by the software path, texture graphs not at all.
  zelvo::SetSystemMemoryOption(1);
  const int memory = Blank(32, 32, 1, 0);
  zelvo::SetSystemMemoryOption(0);
  ASSERT_GE(memory, 0);
  ASSERT_EQ(Storage2D(memory)->memoryImage, 1);
  ASSERT_EQ(::SelectDrawTarget(memory), 0);
  EXPECT_EQ(g_d3d.targetInvalid, 1);
  EXPECT_EQ(::ClearDrawTarget(), 0);
  EXPECT_EQ(::DrawRectangle(0, 0, 8, 8, 0xFF0000, 1), 0);
  EXPECT_EQ(::DrawCircleShape(20, 20, 4, 0x00FF00, 1), 0);
  EXPECT_EQ(::BlitGraph(0, 0, plain, 0), 0);
  const zelvo::MEMIMG& image = Storage2D(memory)->image;
  auto at = [&](int x, int y) {
    int r = 0, g = 0, b = 0, a = 0;
    std::uint32_t value = 0;
    std::memcpy(&value, image.pixels + y * image.pitch + x * image.format->BytesPerPixel, image.format->BytesPerPixel);
    zelvo::ColorValueToRgba(image.format, value, &r, &g, &b, &a);
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
  };
  EXPECT_EQ(at(3, 3), 0xFF0000u);
  EXPECT_EQ(at(20, 20), 0x00FF00u);
  EXPECT_EQ(at(12, 3), 0u);   // the plain graph's black did not land
  // The software path subtracts by itself: the device's emulation (white boxes over the touched
  // rectangle) stays out of it, so the circle's corners keep their red.
  ::SetBlendMode(3, 255);
  EXPECT_EQ(::DrawCircleShape(4, 4, 2, 0xFF0000, 1), 0);
  ::SetBlendMode(0, 0);
  EXPECT_LE(at(4, 4) >> 16, 1u);   // red taken away
  EXPECT_EQ(at(1, 1), 0xFF0000u);
  // Back on the screen the device draws again.
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  EXPECT_EQ(g_d3d.targetInvalid, 0);
}

TEST_F(Direct3DTargets, AVideoSurfaceGraphIsRenderedIntoByTheDevice) {
  const int graph = Blank(32, 32, 1, 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(Storage2D(graph)->memoryImage, 0);
  ASSERT_EQ(::SelectDrawTarget(graph), 0);
  EXPECT_EQ(g_d3d.targetInvalid, 0);
  zelvo::G_D3D_EndSceneCurrent();
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  ASSERT_EQ(::DrawRectangle(2, 2, 10, 10, 0xFF00FF, 1), 0);
  zelvo::G_D3D_EndSceneCurrent();
  EXPECT_EQ(Draws().size(), 1u);
  pf::testing::TraceDirect3D(false);
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  Clear();
  ASSERT_EQ(::BlitGraph(100, 0, graph, 0), 0);
  EXPECT_EQ(Pixel(105, 5), 0xFF00FFu);
}

TEST_F(Direct3DTargets, ClearingATextureTargetTakesTheBackgroundAtAlphaZero) {
  const int graph = Blank(16, 16, 0, 1);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(::SelectDrawTarget(graph), 0);
  ASSERT_EQ(::DrawRectangle(0, 0, 16, 16, kWhite, 1), 0);
  EXPECT_EQ(::ClearDrawTarget(), 0);
  zelvo::G_D3D_EndSceneCurrent();
  const zelvo::Surface3DRecord* piece = zelvo::GetSurface3DRecord(zelvo::GetGraphRecord(graph)->backEnds[0]);
  pf::DirectDrawSurface7* texture = zelvo::GetSurfaceRecord(piece->texture)->surface;
  // The drawable texture has no alpha channel: only the colour is cleared.
  EXPECT_EQ(pf::testing::SurfacePixelArgb(texture, 5, 5) & 0xFFFFFF, 0u);
  ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
}

// Subtraction on the device is invert, add, invert around the shape; software rendering (no usable
// device) subtracts by itself. Both give the same screen.
class SubtractedShapes : public LibraryTest {
 protected:
  void TearDown() override {
    pf::testing::ResetDirect3DStandIn();
    LibraryTest::TearDown();
  }
  SavedBmp DrawFrame(char profile) {
    pf::testing::SetDirect3DProfile(profile);
    EXPECT_EQ(::StartUpLibrary(), 0);
    EXPECT_EQ(zelvo::g_graphics.direct3DUsable, profile == 'A' ? 1 : 0);
    EXPECT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    struct Pair {
      Rgb under, over;
      int param;
    };
    const Pair pairs[] = {{{200, 100, 50}, {50, 150, 25}, 255},
                          {{255, 255, 255}, {0, 128, 255}, 255},
                          {{10, 20, 30}, {40, 10, 30}, 255},
                          {{180, 90, 240}, {200, 60, 100}, 128}};
    ::SetBlendMode(0, 0);
    ::DrawRectangle(0, 0, 640, 480, ::PackColor(0, 0, 0), 1);
    int left = 0;
    for (const Pair& p : pairs) {
      ::SetBlendMode(0, 0);
      ::DrawRectangle(left, 0, left + 40, 40, ::PackColor(p.under.r, p.under.g, p.under.b), 1);
      ::SetBlendMode(3, p.param);
      const unsigned over = ::PackColor(p.over.r, p.over.g, p.over.b);
      EXPECT_EQ(::DrawRectangle(left + 2, 2, left + 12, 12, over, 1), 0);
      EXPECT_EQ(::DrawCircleShape(left + 25, 10, 5, over, 1), 0);
      EXPECT_EQ(::DrawTriangleShape(left + 2, 20, left + 18, 20, left + 2, 36, over, 1), 0);
      EXPECT_EQ(::DrawLineSegment(left + 22, 30, left + 38, 30, over, 1), 0);
      left += 50;
    }
    ::SetBlendMode(0, 0);
    EXPECT_EQ(::SaveScreenRectToFile(0, 0, 200, 40, "frame.bmp", 0, 0, 0), 0);
    EXPECT_EQ(::ShutDownLibrary(), 0);
    return ReadSavedBmp(folder_ + "/frame.bmp");
  }
};

TEST_F(SubtractedShapes, TheDeviceSubtractsAsSoftwareRenderingDoes) {
  const SavedBmp device = DrawFrame('A');
  const SavedBmp software = DrawFrame('B');
  ASSERT_EQ(device.width, 200);
  ASSERT_EQ(software.width, 200);
  EXPECT_EQ(device.At(5, 5), (Rgb{150, 0, 25}));
  EXPECT_EQ(device.At(55, 5), (Rgb{255, 127, 0}));
  EXPECT_EQ(device.At(5, 25), (Rgb{150, 0, 25}));
  EXPECT_EQ(device.At(25, 10), (Rgb{150, 0, 25}));
  EXPECT_EQ(device.At(105, 25), (Rgb{0, 10, 0}));
  for (int left = 0; left < 200; left += 50) {
    const Rgb a = device.At(left + 5, 25), b = software.At(left + 5, 25);
    EXPECT_TRUE(std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1) << a << " against " << b;
  }
  EXPECT_EQ(device.At(30, 5), (Rgb{200, 100, 50}));   // beside the circle, untouched
  int differing = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 200; ++x) {
      // The back-ends fill a slanted triangle edge by their own rules: its box is compared by colour above.
      if (x % 50 >= 2 && x % 50 < 19 && y >= 20 && y < 37) continue;
      const Rgb a = device.At(x, y), b = software.At(x, y);
      // Each side rounds the scaled colour its own way: the software tables may take one step more.
      const int allowed = 1;
      if (std::abs(a.r - b.r) > allowed || std::abs(a.g - b.g) > allowed || std::abs(a.b - b.b) > allowed) {
        if (++differing <= 5) ADD_FAILURE() << "(" << x << ", " << y << ") " << a << " against " << b;
      }
    }
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace zelvo_test
