// Vertices in model space: the transforms and the viewport place them, the lights, the material and
// the ambient colour light them, and the near and far planes cut them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/d3d/d3d_test_device.h"

namespace {

using namespace d3d_test;
using Rows = std::vector<std::string>;

// Format 0x52: model-space position, normal, diffuse.
struct ModelVertex {
  float x, y, z;
  float nx, ny, nz;
  std::uint32_t diffuse;
};
constexpr std::uint32_t kFvfModel = 0x52;

pf::D3DMatrix Identity() {
  pf::D3DMatrix m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

class ModelSpaceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    OpenDevice(8, 8);
    // The vertex colour as it comes out of vertex processing.
    device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_DIFFUSE);
    device_->SetRenderState(pf::D3DRS_SHADEMODE, pf::D3DSHADE_FLAT);
  }
  pf::HResult DrawModel(pf::D3DPrimitiveType type, const std::vector<ModelVertex>& v, std::uint32_t fvf = kFvfModel) {
    EXPECT_EQ(device_->BeginScene(), pf::DD_OK);
    const pf::HResult result = device_->DrawPrimitive(type, fvf, v.data(), static_cast<std::uint32_t>(v.size()), 0);
    EXPECT_EQ(device_->EndScene(), pf::DD_OK);
    return result;
  }
  // The whole viewport as a strip at depth z, facing the viewer.
  static std::vector<ModelVertex> Screen(float z, std::uint32_t diffuse, float nz = -1.0f) {
    return {{-1, 1, z, 0, 0, nz, diffuse}, {1, 1, z, 0, 0, nz, diffuse},
            {-1, -1, z, 0, 0, nz, diffuse}, {1, -1, z, 0, 0, nz, diffuse}};
  }
};

TEST_F(ModelSpaceTest, TransformsAndTheViewportPlaceTheVertices) {
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF00FF00)), pf::DD_OK);
  EXPECT_EQ(Coverage(), Rows(8, "########"));
  EXPECT_EQ(Rgb(3, 3), 0x00FF00u);
  // Moved right by half the view, then the viewport's left half only.
  Fill(target_, 0);
  pf::D3DMatrix world = Identity();
  world.m[3][0] = 1.0f;
  ASSERT_EQ(device_->SetTransform(pf::D3DTRANSFORMSTATE_WORLD, &world), pf::DD_OK);
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF00FF00)), pf::DD_OK);
  EXPECT_EQ(Coverage(), Rows(8, "....####"));
  Fill(target_, 0);
  const pf::D3DViewport7 left{0, 0, 4, 8, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&left), pf::DD_OK);
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF00FF00)), pf::DD_OK);
  EXPECT_EQ(Coverage(), Rows(8, "..##...."));
  // Unknown bits in a model-space format are refused.
  EXPECT_EQ(device_->BeginScene(), pf::DD_OK);
  const std::vector<ModelVertex> one = Screen(0.5f, 0);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLELIST, 0x72, one.data(), 3, 0), pf::D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(device_->EndScene(), pf::DD_OK);
}

TEST_F(ModelSpaceTest, LightsMaterialAndAmbientColourTheVertices) {
  device_->SetRenderState(pf::D3DRS_LIGHTING, 1);
  device_->SetRenderState(pf::D3DRS_AMBIENT, 0x00202020);
  const pf::D3DMaterial7 material{{1.0f, 0.4f, 0.0f, 1.0f}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
  ASSERT_EQ(device_->SetMaterial(&material), pf::DD_OK);
  // Full light: red saturates, green 0.4 + 0.125, blue the ambient alone; ambient alone: 0x20 each.
  constexpr std::uint32_t kLit = 0xFF8620, kAmbient = 0x202020;
  auto light = [](std::uint32_t type, pf::D3DVector position, pf::D3DVector direction, float range) {
    pf::D3DLight7 l{};
    l.type = type;
    l.diffuse = pf::D3DColorValue{1, 1, 1, 1};
    l.position = position;
    l.direction = direction;
    l.range = range;
    l.attenuation0 = 1.0f;
    l.theta = 0.5f;
    l.phi = 1.0f;
    l.falloff = 1.0f;
    return l;
  };
  struct Case {
    const char* name;
    pf::D3DLight7 light;
    float normalZ;
    bool normalize;
    std::uint32_t colour;
  };
  const Case cases[] = {
      {"directional, facing", light(pf::D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1}, 0), -1, false, kLit},
      {"directional, from behind", light(pf::D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, -1}, 0), -1, false, kAmbient},
      {"point, in range", light(pf::D3DLIGHT_POINT, {0, 0, -100}, {0, 0, 0}, 1000), -1, false, kLit},
      {"point, out of range", light(pf::D3DLIGHT_POINT, {0, 0, -100}, {0, 0, 0}, 10), -1, false, kAmbient},
      {"spot, inside the cone", light(pf::D3DLIGHT_SPOT, {0, 0, -100}, {0, 0, 1}, 1000), -1, false, kLit},
      {"spot, outside the cone", light(pf::D3DLIGHT_SPOT, {0, 0, -100}, {1, 0, 0}, 1000), -1, false, kAmbient},
      {"long normal", light(pf::D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1}, 0), -2, false, 0xFFEC20},
      {"long normal, normalized", light(pf::D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1}, 0), -2, true, kLit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(device_->SetLight(0, &c.light), pf::DD_OK);
    ASSERT_EQ(device_->LightEnable(0, 1), pf::DD_OK);
    device_->SetRenderState(pf::D3DRS_NORMALIZENORMALS, c.normalize ? 1 : 0);
    Fill(target_, 0);
    ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF0000FF, c.normalZ)), pf::DD_OK);
    EXPECT_EQ(Rgb(4, 4), c.colour) << std::hex << Rgb(4, 4);
  }
  // A disabled light gives nothing; with lighting off the vertex's own colour shows.
  ASSERT_EQ(device_->LightEnable(0, 0), pf::DD_OK);
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF0000FF)), pf::DD_OK);
  EXPECT_EQ(Rgb(4, 4), kAmbient);
  device_->SetRenderState(pf::D3DRS_LIGHTING, 0);
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLESTRIP, Screen(0.5f, 0xFF0000FF)), pf::DD_OK);
  EXPECT_EQ(Rgb(4, 4), 0x0000FFu);
}

TEST_F(ModelSpaceTest, TheNearAndFarPlanesCutWhatCrossesThem) {
  // A perspective: w is the depth, and depth 1 is the near plane.
  pf::D3DMatrix projection{};
  projection.m[0][0] = projection.m[1][1] = 1.0f;
  projection.m[2][2] = 1.0f;
  projection.m[2][3] = 1.0f;
  projection.m[3][2] = -1.0f;
  ASSERT_EQ(device_->SetTransform(pf::D3DTRANSFORMSTATE_PROJECTION, &projection), pf::DD_OK);
  const std::uint32_t white = 0xFFFFFFFF;
  // Two corners at depth 2 along the bottom edge, the apex at depth 0.5 in front of the near plane:
  // the cut leaves a trapezoid from row 1.33 down.
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLELIST,
                      {{-2, -2, 2, 0, 0, -1, white}, {2, -2, 2, 0, 0, -1, white}, {0, 2, 0.5f, 0, 0, -1, white}}),
            pf::DD_OK);
  const Rows coverage = Coverage();
  EXPECT_EQ(coverage[0], "........");
  EXPECT_EQ(coverage[1], "........");
  EXPECT_EQ(coverage[7].substr(1), "#######");
  EXPECT_EQ(coverage[2].substr(2, 4), "####");
  // Wholly behind the eye, or beyond the far plane (depth w): nothing.
  Fill(target_, 0);
  ASSERT_EQ(DrawModel(pf::D3DPT_TRIANGLELIST,
                      {{-2, -2, -2, 0, 0, -1, white}, {2, -2, -2, 0, 0, -1, white}, {0, 2, -3, 0, 0, -1, white}}),
            pf::DD_OK);
  ASSERT_EQ(DrawModel(pf::D3DPT_POINTLIST, {{0, 0, -2, 0, 0, -1, white}, {0, 0, 0.5f, 0, 0, -1, white}}), pf::DD_OK);
  ASSERT_EQ(DrawModel(pf::D3DPT_LINELIST, {{0, 0, -2, 0, 0, -1, white}, {1, 0, -3, 0, 0, -1, white}}), pf::DD_OK);
  EXPECT_EQ(Coverage(), Rows(8, "........"));
  // A line from in front of the eye to behind it is cut at the near plane, in the view's middle.
  ASSERT_EQ(DrawModel(pf::D3DPT_LINELIST, {{-4, 0, 4, 0, 0, -1, white}, {4, 0, -2, 0, 0, -1, white}}), pf::DD_OK);
  EXPECT_EQ(Coverage()[4], "####....");
}

}  // namespace
