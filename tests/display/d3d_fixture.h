#pragma once
// The DirectDraw screen with the real Direct3D start behind it, on a chosen profile of the stand-in.
#include "media/display/convert_pixel_rect.h"
#include "media/display/d3d_device.h"
#include "platform/d3d/d3d_testing.h"
#include "tests/display/screen_fixture.h"

namespace screen_test {

class Direct3DScreenTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    pf::testing::ResetDirect3DStandIn();
    zelvo::ResetDirect3DState();
    zelvo::ScreenServices& s = zelvo::Services();
    s.startDirect3D = zelvo::G_D3D_Start;
    s.endDirect3D = [] { zelvo::G_D3D_End(); };
  }
  void TearDown() override {
    ScreenTest::TearDown();
    pf::testing::ResetDirect3DStandIn();
    zelvo::ResetDirect3DState();
  }
  // Starts the screen on a profile; full screen at 16 bits when asked.
  int StartOn(char profile, bool fullScreen16 = false) {
    pf::testing::SetDirect3DProfile(profile);
    if (fullScreen16) {
      neighbours.windowMode = 0;
      zelvo::g_screen.colorDepth = 16;
    }
    return zelvo::StartDirectDrawScreen();
  }
};

}  // namespace screen_test
