#pragma once
// The library started on the stand-in's working Direct3D device (profile A), drawing into the back
// buffer, with a reader of the back buffer's pixels once the queued vertices are drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/display/d3d_scene_wrappers.h"
#include "media/display/screen_state.h"
#include "platform/d3d/d3d_testing.h"
#include "support/library_fixture.h"

namespace zelvo_test {

class Direct3DLibraryTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    pf::testing::SetDirect3DProfile('A');
    ASSERT_EQ(::StartUpLibrary(), 0);
    ASSERT_EQ(::SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  }
  void TearDown() override {
    pf::testing::TraceDirect3D(false);
    EXPECT_EQ(::ShutDownLibrary(), 0);
    pf::testing::ResetDirect3DStandIn();
    LibraryTest::TearDown();
  }
  // A back-buffer pixel as 0x00RRGGBB.
  static std::uint32_t BackPixel(int x, int y) {
    zelvo::G_D3D_EndSceneCurrent();
    return pf::testing::SurfacePixelArgb(zelvo::GetBackSurface(), x, y) & 0xFFFFFF;
  }
  // The back buffer's pixels of a rectangle, row by row.
  static std::vector<std::uint32_t> BackPixels(int left, int top, int right, int bottom) {
    std::vector<std::uint32_t> out;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) out.push_back(BackPixel(x, y));
    }
    return out;
  }
};

}  // namespace zelvo_test
