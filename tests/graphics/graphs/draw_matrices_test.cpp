// The transforms and depth settings of the drawing state: stored, combined and handed to the device;
// refused when not numbers; depth changes that send the queued vertices first; depth-only drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/display/d3d_device.h"
#include "media/display/d3d_scene_wrappers.h"
#include "media/graphics/graphs/draw_matrices.h"
#include "media/graphics/graphs/draw_state.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "tests/graphics/direct3d_library_fixture.h"
#include "support/library_fixture.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

class DrawMatrices : public Direct3DLibraryTest {
 protected:
  static pf::D3DMatrix DeviceTransform(std::uint32_t state) {
    pf::D3DMatrix m{};
    g_d3d.slots[g_d3d.currentDevice].device->GetTransform(state, &m);
    return m;
  }
  static bool Same(const float a[4][4], const float b[4][4]) { return std::memcmp(a, b, sizeof(float) * 16) == 0; }
};

void Diagonal(float m[4][4], float a, float b, float c, float d) {
  std::memset(m, 0, sizeof(float) * 16);
  m[0][0] = a, m[1][1] = b, m[2][2] = c, m[3][3] = d;
}

TEST_F(DrawMatrices, MatricesRoundTripReachTheDeviceAndCombine) {
  LibraryLockGuard lock;
  // The target switch put the 2D transforms on the device: the world is the identity.
  float identity[4][4];
  MatrixIdentity(identity);
  EXPECT_TRUE(Same(DeviceTransform(pf::D3DTRANSFORMSTATE_WORLD).m, identity));
  const struct {
    int kind;
    std::uint32_t deviceState;   // 0: kept by the library only
    float scale;
  } cases[] = {{kWorldMatrix, pf::D3DTRANSFORMSTATE_WORLD, 2.0f},
               {kViewMatrix, pf::D3DTRANSFORMSTATE_VIEW, 3.0f},
               {kProjectionMatrix, pf::D3DTRANSFORMSTATE_PROJECTION, 5.0f},
               {kViewportMatrix, 0, 7.0f}};
  for (const auto& c : cases) {
    float m[4][4];
    Diagonal(m, c.scale, c.scale, c.scale, 1.0f);
    m[0][1] = 0.5f;   // not symmetric: the view rotation shows the transpose
    ASSERT_EQ(SetDrawMatrix(c.kind, m), 0) << c.kind;
    float back[4][4];
    ASSERT_EQ(GetDrawMatrix(c.kind, back), 0);
    EXPECT_TRUE(Same(back, m)) << c.kind;
    if (c.deviceState != 0) {
      EXPECT_TRUE(Same(DeviceTransform(c.deviceState).m, m)) << c.kind;
    }
  }
  // Each is diag(s, s, s, 1) with m01 = 0.5: the product's diagonal is 2*3*5*7.
  EXPECT_FLOAT_EQ(g_draw.combined[0][0], 210.0f);
  EXPECT_FLOAT_EQ(g_draw.combined[3][3], 1.0f);
  EXPECT_FLOAT_EQ(g_draw.viewRotation[1][0], 0.5f);
  EXPECT_FLOAT_EQ(g_draw.viewRotation[0][1], 0.0f);
  EXPECT_FLOAT_EQ(g_draw.viewRotation[3][3], 0.0f);
}

TEST_F(DrawMatrices, MatricesThatAreNotNumbersAreRefusedAndChangeNothing) {
  LibraryLockGuard lock;
  float before[4][4];
  ASSERT_EQ(GetDrawMatrix(kViewMatrix, before), 0);
  float bad[4][4];
  for (float value : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    MatrixIdentity(bad);
    bad[2][1] = value;
    EXPECT_EQ(SetDrawMatrix(kViewMatrix, bad), -1);
  }
  EXPECT_EQ(SetDrawMatrix(kViewMatrix, nullptr), -1);
  EXPECT_EQ(SetDrawMatrix(9, before), -1);
  EXPECT_EQ(GetDrawMatrix(9, bad), -1);
  float after[4][4];
  ASSERT_EQ(GetDrawMatrix(kViewMatrix, after), 0);
  EXPECT_TRUE(Same(after, before));
  EXPECT_TRUE(Same(DeviceTransform(pf::D3DTRANSFORMSTATE_VIEW).m, before));
}

TEST_F(DrawMatrices, ADeviceThatRefusesATransformFailsTheSetter) {
  LibraryLockGuard lock;
  float m[4][4];
  Diagonal(m, 2, 2, 2, 1);
  pf::testing::FailNextCalls("SetTransform", 1);
  EXPECT_EQ(SetDrawMatrix(kWorldMatrix, m), -1);
}

TEST_F(DrawMatrices, DepthChangesSendTheQueuedVerticesFirst) {
  ASSERT_EQ(::DrawRectangle(0, 0, 5, 5, 0xFFFFFF, 1), 0);
  LibraryLockGuard lock;
  pf::testing::TraceDirect3D(true);
  pf::testing::TakeDirect3DTrace();
  auto draws = [] {
    int n = 0;
    for (const std::string& line : pf::testing::TakeDirect3DTrace()) n += line.rfind("DrawPrimitive", 0) == 0;
    return n;
  };
  EXPECT_EQ(SetDepthWrite(g_draw.depthWrite), 0);   // unchanged: nothing sent
  EXPECT_EQ(draws(), 0);
  EXPECT_EQ(SetDepthWrite(1), 0);
  EXPECT_EQ(draws(), 1);
  EXPECT_EQ(GetDepthWrite(), 1);
  EXPECT_EQ(SetDepthCompare(8), 0);   // the batch is empty: nothing to send
  EXPECT_EQ(draws(), 0);
  EXPECT_EQ(GetDepthCompare(), 8);
  EXPECT_EQ(G_D3D_FlushIfPending(0), 0);
  EXPECT_EQ(G_D3D_FlushIfPending2(0), 0);
  EXPECT_EQ(draws(), 0);
}

TEST_F(DrawMatrices, DepthOnlyDrawingPutsEverythingBack) {
  LibraryLockGuard lock;
  ASSERT_EQ(zelvo::SetBlendMode(1, 77), 0);
  ASSERT_EQ(SetDepth2D(0.25f), 0);
  ASSERT_EQ(BeginDepthOnlyDrawing(1), 0);
  EXPECT_EQ(g_draw.blendMode, 8);
  EXPECT_EQ(g_draw.blendParam, 255);
  EXPECT_EQ(GetDepthWrite(), 1);
  EXPECT_EQ(GetDepthCompare(), 8);
  EXPECT_EQ(GetDepth2D(), 1.0f);
  ASSERT_EQ(EndDepthOnlyDrawing(), 0);
  EXPECT_EQ(g_draw.blendMode, 1);
  EXPECT_EQ(g_draw.blendParam, 77);
  EXPECT_EQ(GetDepthWrite(), 0);
  EXPECT_EQ(GetDepthCompare(), 4);
  EXPECT_EQ(GetDepth2D(), 0.25f);
}

}  // namespace
}  // namespace zelvo_test
