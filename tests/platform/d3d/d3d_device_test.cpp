// The Direct3D object and device: enumeration profiles, device creation, render targets, viewport,
// scenes, states, stored transforms, lights and material, Load, the call trace and lost surfaces.
#include <gtest/gtest.h>

#include "platform/ddraw/display.h"
#include "platform/kernel/kernel_testing.h"
#include "tests/platform/d3d/d3d_test_device.h"

namespace {

using namespace d3d_test;

struct Enumerated {
  std::vector<pf::Guid> devices;
  std::vector<pf::D3DDeviceDesc7> descs;
  std::vector<pf::DDPixelFormat> formats;
};

pf::HResult CollectDevice(char*, char*, pf::D3DDeviceDesc7* desc, void* context) {
  auto* e = static_cast<Enumerated*>(context);
  e->devices.push_back(desc->deviceGuid);
  e->descs.push_back(*desc);
  return pf::D3DENUMRET_OK;
}

pf::HResult CollectFormat(pf::DDPixelFormat* format, void* context) {
  static_cast<Enumerated*>(context)->formats.push_back(*format);
  return pf::D3DENUMRET_OK;
}

pf::HResult StopAtFirst(pf::DDPixelFormat* format, void* context) {
  static_cast<Enumerated*>(context)->formats.push_back(*format);
  return pf::D3DENUMRET_CANCEL;
}

class Direct3DDeviceTest : public DeviceTest {
 protected:
  Enumerated Enumerate() {
    Enumerated e;
    EXPECT_EQ(d3d_->EnumDevices(&CollectDevice, &e), pf::DD_OK);
    return e;
  }
  Enumerated ZFormats() {
    Enumerated e;
    EXPECT_EQ(d3d_->EnumZBufferFormats(pf::IID_IDirect3DHALDevice, &CollectFormat, &e), pf::DD_OK);
    return e;
  }
  // A Direct3D object made after the profile changed.
  void Reopen(char profile) {
    pf::testing::SetDirect3DProfile(profile);
    d3d_->Release();
    d3d_ = nullptr;
    void* object = nullptr;
    ASSERT_EQ(dd_->QueryInterface(pf::IID_IDirect3D7, &object), pf::DD_OK);
    d3d_ = static_cast<pf::Direct3D7*>(object);
  }
};

TEST_F(Direct3DDeviceTest, DefaultProfileOffersSoftwareThenHardwareDevices) {
  const Enumerated e = Enumerate();
  ASSERT_EQ(e.devices.size(), 3u);
  EXPECT_EQ(e.devices[0], pf::IID_IDirect3DRGBDevice);
  EXPECT_EQ(e.devices[1], pf::IID_IDirect3DHALDevice);
  EXPECT_EQ(e.devices[2], pf::IID_IDirect3DTnLHalDevice);
  for (const pf::D3DDeviceDesc7& d : e.descs) {
    EXPECT_EQ(d.deviceRenderBitDepth, pf::DDBD_16 | pf::DDBD_32);
    EXPECT_EQ(d.minTextureWidth, 1u);
    EXPECT_EQ(d.maxTextureHeight, 2048u);
    EXPECT_EQ(d.triCaps.textureCaps & (pf::D3DPTEXTURECAPS_POW2 | pf::D3DPTEXTURECAPS_SQUAREONLY),
              pf::D3DPTEXTURECAPS_POW2);
  }
  const Enumerated z = ZFormats();
  ASSERT_EQ(z.formats.size(), 2u);
  EXPECT_EQ(z.formats[0].bitCount, 32u);
  EXPECT_EQ(z.formats[1].flags, pf::DDPF_ZBUFFER);
  EXPECT_EQ(z.formats[1].bitCount, 16u);
  Enumerated first;
  EXPECT_EQ(d3d_->EnumZBufferFormats(pf::IID_IDirect3DHALDevice, &StopAtFirst, &first), pf::DD_OK);
  EXPECT_EQ(first.formats.size(), 1u);

  OpenDevice(4, 4);
  Enumerated textures;
  ASSERT_EQ(device_->EnumTextureFormats(&CollectFormat, &textures), pf::DD_OK);
  ASSERT_EQ(textures.formats.size(), 10u);
  EXPECT_EQ(textures.formats[0].redMask, 0xF800u);
  EXPECT_EQ(textures.formats[3].alphaMask, 0xF000u);
  EXPECT_EQ(textures.formats[5].alphaMask, 0xFF000000u);
  EXPECT_EQ(textures.formats[6].flags, pf::DDPF_LUMINANCE);
  EXPECT_EQ(textures.formats[7].flags, pf::DDPF_FOURCC);
  EXPECT_EQ(textures.formats[8].flags, pf::DDPF_ALPHA);
  EXPECT_EQ(textures.formats[9].flags, pf::DDPF_BUMPDUDV);
}

TEST_F(Direct3DDeviceTest, VariantProfiles) {
  Reopen('B');
  EXPECT_EQ(Enumerate().devices, std::vector<pf::Guid>{pf::IID_IDirect3DRGBDevice});
  Reopen('D');
  const Enumerated d = Enumerate();
  EXPECT_EQ(d.descs[1].maxTextureWidth, 256u);
  EXPECT_NE(d.descs[1].triCaps.textureCaps & pf::D3DPTEXTURECAPS_SQUAREONLY, 0u);
  Reopen('E');
  const Enumerated e = Enumerate();
  ASSERT_EQ(e.devices.size(), 3u);
  EXPECT_EQ(e.devices[1], pf::IID_IDirect3DTnLHalDevice);
  EXPECT_EQ(e.devices[2], pf::IID_IDirect3DHALDevice);
  Reopen('F');
  for (const pf::DDPixelFormat& f : ZFormats().formats) EXPECT_NE(f.bitCount, 16u);
  Reopen('G');
  EXPECT_EQ(Enumerate().descs[1].maxTextureWidth, 0u);
  Reopen('C');
  OpenDevice(2, 2);
  Enumerated textures;
  device_->EnumTextureFormats(&CollectFormat, &textures);
  for (const pf::DDPixelFormat& f : textures.formats) EXPECT_NE(f.alphaMask, 0xF000u);
  Reopen('H');
  EXPECT_EQ(pf::display::LayoutForDepth(16).green, 0x03E0u);
  Reopen('A');
  EXPECT_EQ(pf::display::LayoutForDepth(16).green, 0x07E0u);

  pf::testing::SetDirect3DProfile('I');
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(dd_->QueryInterface(pf::IID_IDirect3D7, &object), pf::E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(Direct3DDeviceTest, DevicesNeedAKnownTypeAndA3DSurface) {
  pf::DirectDrawSurface7* plain = Make(Described(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 4, 4, kX888));
  pf::Direct3DDevice7* device = nullptr;
  EXPECT_EQ(d3d_->CreateDevice(pf::IID_IDirect3DHALDevice, plain, &device), pf::DDERR_INVALIDCAPS);
  pf::DirectDrawSurface7* target = Make(Described(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 4, 4, kX888));
  EXPECT_EQ(d3d_->CreateDevice(pf::IID_IDirect3DRGBDevice, target, &device), pf::DD_OK);
  device->Release();
  Reopen('B');
  EXPECT_NE(d3d_->CreateDevice(pf::IID_IDirect3DHALDevice, target, &device), pf::DD_OK);
  EXPECT_EQ(device, nullptr);
  pf::testing::FailNextCalls("CreateDevice", 1);
  EXPECT_NE(d3d_->CreateDevice(pf::IID_IDirect3DRGBDevice, target, &device), pf::DD_OK);
}

TEST_F(Direct3DDeviceTest, RenderTargetsAreThreeDSurfacesWithTheirViewport) {
  OpenDevice(8, 8);
  pf::D3DViewport7 viewport{};
  device_->GetViewport(&viewport);
  EXPECT_EQ(viewport.width, 8u);
  pf::DirectDrawSurface7* plainTexture = Make(Described(pf::DDSCAPS_TEXTURE, 4, 4, kA8888));
  EXPECT_EQ(device_->SetRenderTarget(plainTexture, 0), pf::DDERR_INVALIDCAPS);
  pf::DirectDrawSurface7* drawable = Make(Described(pf::DDSCAPS_TEXTURE | pf::DDSCAPS_3DDEVICE, 4, 2, k4444));
  ASSERT_EQ(device_->SetRenderTarget(drawable, 0), pf::DD_OK);
  device_->GetViewport(&viewport);
  EXPECT_EQ(viewport.width, 4u);
  EXPECT_EQ(viewport.height, 2u);
  pf::DirectDrawSurface7* current = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(&current), pf::DD_OK);
  EXPECT_EQ(current, drawable);
  current->Release();
  target_ = drawable;
  DrawColoured(pf::D3DPT_POINTLIST, {{3, 1, 0, 1, 0x80FF0000}});
  EXPECT_EQ(Pixel(3, 1), 0x88FF0000u);
}

TEST_F(Direct3DDeviceTest, TheViewportMustBeInsideTheTarget) {
  OpenDevice(8, 6);
  pf::testing::TraceDirect3D(true);
  const pf::D3DViewport7 bad[] = {{0, 0, 0, 6, 0, 1}, {0, 0, 9, 6, 0, 1}, {4, 2, 4, 5, 0, 1}, {0xFFFFFFFF, 0, 2, 2, 0, 1}};
  for (const pf::D3DViewport7& v : bad) EXPECT_EQ(device_->SetViewport(&v), pf::DDERR_INVALIDPARAMS);
  const pf::D3DViewport7 good{2, 1, 6, 5, 0, 1};
  EXPECT_EQ(device_->SetViewport(&good), pf::DD_OK);
  const std::vector<std::string> trace = pf::testing::TakeDirect3DTrace();
  ASSERT_EQ(trace.size(), 5u);
  EXPECT_EQ(trace[4], "SetViewport 2 1 6 5");
  pf::D3DViewport7 stored{};
  device_->GetViewport(&stored);
  EXPECT_EQ(stored.x, 2u);
  EXPECT_EQ(stored.height, 5u);
}

TEST_F(Direct3DDeviceTest, DrawingOutsideASceneIsRefusedAndCounted) {
  OpenDevice(4, 4);
  const ColouredVertex v{1, 1, 0, 1, 0xFFFFFFFF};
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_POINTLIST, kFvfColoured, &v, 1, 0), pf::D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(pf::testing::DrawsOutsideScene(), 1);
  EXPECT_EQ(Rgb(1, 1), 0u);
  EXPECT_EQ(device_->EndScene(), pf::D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device_->BeginScene(), pf::DD_OK);
  EXPECT_EQ(device_->BeginScene(), pf::D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_POINTLIST, kFvfColoured, &v, 1, 0), pf::DD_OK);
  EXPECT_EQ(device_->EndScene(), pf::DD_OK);
  EXPECT_EQ(Rgb(1, 1), 0xFFFFFFu);
  EXPECT_EQ(pf::testing::DrawsOutsideScene(), 1);
}

TEST_F(Direct3DDeviceTest, VertexFormatsIndicesAndPrimitiveTypesAreChecked) {
  OpenDevice(4, 4);
  const std::vector<TexturedVertex> quad = Quad(0, 0, 4, 4, 0xFF00FF00);
  ASSERT_EQ(device_->BeginScene(), pf::DD_OK);
  // Positions with blend weights, unknown format bits and unknown types are refused.
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLELIST, 0x146, quad.data(), 3, 0), pf::D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLELIST, 0x1142, quad.data(), 3, 0), pf::D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(device_->DrawPrimitive(static_cast<pf::D3DPrimitiveType>(9), kFvfTextured, quad.data(), 3, 0),
            pf::D3DERR_INVALIDPRIMITIVETYPE);
  const std::uint16_t badIndices[] = {0, 1, 4};
  EXPECT_EQ(device_->DrawIndexedPrimitive(pf::D3DPT_TRIANGLESTRIP, kFvfTextured, quad.data(), 4, badIndices, 3, 0),
            pf::DDERR_INVALIDPARAMS);
  EXPECT_EQ(Rgb(0, 0), 0u);
  // Degenerate triangles between strips draw nothing; the real ones draw.
  const std::uint16_t indices[] = {0, 1, 2, 3, 3, 3};
  EXPECT_EQ(device_->DrawIndexedPrimitive(pf::D3DPT_TRIANGLESTRIP, kFvfTextured, quad.data(), 4, indices, 6, 0),
            pf::DD_OK);
  ASSERT_EQ(device_->EndScene(), pf::DD_OK);
  EXPECT_EQ(Coverage(), (std::vector<std::string>{"####", "####", "####", "####"}));

  // The 0x2C4 layout: diffuse, specular, two coordinate sets; stage 1 reads set 1.
  struct BlendVertex {
    float x, y, z, rhw;
    std::uint32_t diffuse, specular;
    float u0, v0, u1, v1;
  };
  pf::DirectDrawSurface7* picture = Texture(2, 1, {0xFF0000FF, 0xFFFF0000});
  device_->SetTexture(0, nullptr);
  device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_SELECTARG1);
  device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_SPECULAR);
  device_->SetTexture(1, picture);
  device_->SetTextureStageState(1, pf::D3DTSS_COLOROP, pf::D3DTOP_ADD);
  device_->SetTextureStageState(1, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
  device_->SetTextureStageState(1, pf::D3DTSS_COLORARG2, pf::D3DTA_CURRENT);
  device_->SetTextureStageState(1, pf::D3DTSS_TEXCOORDINDEX, 1);
  const BlendVertex blend[] = {{-1, -1, 0, 1, 0xFFFFFFFF, 0x00003000, 0, 0, 0.75f, 0.5f},
                               {5, -1, 0, 1, 0xFFFFFFFF, 0x00003000, 0, 0, 0.75f, 0.5f},
                               {-1, 5, 0, 1, 0xFFFFFFFF, 0x00003000, 0, 0, 0.75f, 0.5f}};
  ASSERT_EQ(device_->BeginScene(), pf::DD_OK);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLELIST, 0x2C4, blend, 3, 0), pf::DD_OK);
  ASSERT_EQ(device_->EndScene(), pf::DD_OK);
  EXPECT_EQ(Rgb(0, 0), 0xFF3000u);
}

TEST_F(Direct3DDeviceTest, StatesTransformsLightsAndMaterialAreStored) {
  OpenDevice(4, 4);
  std::uint32_t value = 0;
  device_->GetRenderState(pf::D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, pf::D3DCULL_NONE);
  device_->GetRenderState(pf::D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, 0u);  // no depth buffer attached at creation
  EXPECT_EQ(device_->SetRenderState(static_cast<pf::D3DRenderState>(200), 77), pf::DD_OK);
  device_->GetRenderState(static_cast<pf::D3DRenderState>(200), &value);
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(device_->SetTextureStageState(4, pf::D3DTSS_COLOROP, 1), pf::DDERR_INVALIDPARAMS);
  device_->SetTextureStageState(3, pf::D3DTSS_ADDRESS, pf::D3DTADDRESS_MIRROR);
  device_->GetTextureStageState(3, pf::D3DTSS_ADDRESSV, &value);
  EXPECT_EQ(value, pf::D3DTADDRESS_MIRROR);
  device_->GetTextureStageState(2, pf::D3DTSS_TEXCOORDINDEX, &value);
  EXPECT_EQ(value, 2u);

  pf::D3DMatrix m{};
  m.m[3][0] = 5;
  ASSERT_EQ(device_->SetTransform(pf::D3DTRANSFORMSTATE_PROJECTION, &m), pf::DD_OK);
  pf::D3DMatrix read{};
  device_->GetTransform(pf::D3DTRANSFORMSTATE_PROJECTION, &read);
  EXPECT_EQ(read.m[3][0], 5.0f);
  device_->GetTransform(pf::D3DTRANSFORMSTATE_WORLD, &read);
  EXPECT_EQ(read.m[1][1], 1.0f);

  pf::D3DLight7 light{};
  light.type = 1;
  light.range = 9;
  ASSERT_EQ(device_->SetLight(2, &light), pf::DD_OK);
  ASSERT_EQ(device_->LightEnable(2, 1), pf::DD_OK);
  pf::D3DLight7 stored{};
  bool enabled = false;
  ASSERT_TRUE(pf::testing::DeviceLight(device_, 2, &stored, &enabled));
  EXPECT_EQ(stored.range, 9.0f);
  EXPECT_TRUE(enabled);
  pf::D3DMaterial7 material{};
  material.power = 3;
  ASSERT_EQ(device_->SetMaterial(&material), pf::DD_OK);
  EXPECT_EQ(pf::testing::DeviceMaterial(device_).power, 3.0f);
  pf::testing::FailNextCalls("SetTransform", 1);
  EXPECT_NE(device_->SetTransform(pf::D3DTRANSFORMSTATE_WORLD, &m), pf::DD_OK);
}

TEST_F(Direct3DDeviceTest, TheTraceNamesEachCall) {
  OpenDevice(4, 4);
  pf::DirectDrawSurface7* texture = Texture(1, 1, {0xFFFFFFFF});
  pf::testing::TraceDirect3D(true);
  device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, 1);
  device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_MODULATE);
  device_->SetTexture(0, texture);
  Draw(pf::D3DPT_TRIANGLELIST, {{0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 1, 0, 0, 0}, {0, 1, 0, 1, 0, 0, 0}});
  const std::vector<std::string> trace = pf::testing::TakeDirect3DTrace();
  ASSERT_EQ(trace.size(), 6u);
  EXPECT_EQ(trace[0], "SetRenderState 27 1");
  EXPECT_EQ(trace[1], "SetTextureStageState 0 1 4");
  EXPECT_EQ(trace[2].rfind("SetTexture 0 0x", 0), 0u);
  EXPECT_EQ(trace[3], "BeginScene");
  EXPECT_EQ(trace[4], "DrawPrimitive TRIANGLELIST 0x144 3");
  EXPECT_EQ(trace[5], "EndScene");
}

TEST_F(Direct3DDeviceTest, LoadCopiesARectangleAndCanBeBusy) {
  OpenDevice(2, 2);
  std::vector<std::uint32_t> texels;
  for (std::uint32_t i = 0; i < 16; ++i) texels.push_back(0xFF000000u | i * 0x0F0F0F);
  pf::DirectDrawSurface7* source = Texture(4, 4, texels);
  pf::DirectDrawSurface7* destination = Texture(4, 4, std::vector<std::uint32_t>(16, 0xFF000000u));
  pf::DirectDrawSurface7* other = Texture(4, 4, std::vector<std::uint32_t>(16, 0), k565);
  const pf::Rect rect{1, 1, 3, 2};
  const pf::Point at{0, 3};
  pf::testing::FailNextCalls("Load", 9);
  int busy = 0;
  pf::HResult result;
  while ((result = device_->Load(destination, &at, source, &rect, 0)) == pf::DDERR_SURFACEBUSY) ++busy;
  EXPECT_EQ(result, pf::DD_OK);
  EXPECT_EQ(busy, 9);
  EXPECT_EQ(pf::testing::SurfacePixelArgb(destination, 0, 3), texels[5]);
  EXPECT_EQ(pf::testing::SurfacePixelArgb(destination, 1, 3), texels[6]);
  EXPECT_EQ(pf::testing::SurfacePixelArgb(destination, 2, 3), 0xFF000000u);
  EXPECT_EQ(pf::testing::SurfacePixelArgb(destination, 0, 2), 0xFF000000u);
  EXPECT_EQ(device_->Load(other, nullptr, source, nullptr, 0), pf::DDERR_INVALIDPIXELFORMAT);
  const pf::Point outside{3, 3};
  EXPECT_EQ(device_->Load(destination, &outside, source, &rect, 0), pf::DDERR_INVALIDRECT);
  EXPECT_EQ(device_->Load(destination, nullptr, source, nullptr, 0), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixelArgb(destination, 3, 3), texels[15]);
}

TEST_F(Direct3DDeviceTest, LostTargetsAndTexturesRefuseToDraw) {
  OpenDevice(4, 4);
  pf::DirectDrawSurface7* video = Texture(1, 1, {0xFFFF0000});
  pf::DirectDrawSurface7* managed = Texture(1, 1, {0xFF00FF00}, kA8888, pf::DDSCAPS2_TEXTUREMANAGE);
  ModulateStage0(video);
  pf::testing::LoseVideoMemory();
  ASSERT_EQ(device_->BeginScene(), pf::DDERR_SURFACELOST);
  ASSERT_EQ(target_->Restore(), pf::DD_OK);
  Fill(target_, 0);
  ASSERT_EQ(device_->BeginScene(), pf::DD_OK);
  const std::vector<TexturedVertex> quad = Quad(0, 0, 4, 4, 0xFFFFFFFF);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLESTRIP, kFvfTextured, quad.data(), 4, 0), pf::DDERR_SURFACELOST);
  EXPECT_EQ(Rgb(0, 0), 0u);
  // Managed textures survive.
  device_->SetTexture(0, managed);
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLESTRIP, kFvfTextured, quad.data(), 4, 0), pf::DD_OK);
  EXPECT_EQ(Rgb(0, 0), 0x00FF00u);
  // A target lost inside the scene refuses the draw and keeps its pixels.
  pf::testing::LoseVideoMemory();
  EXPECT_EQ(device_->DrawPrimitive(pf::D3DPT_TRIANGLESTRIP, kFvfTextured, quad.data(), 4, 0), pf::DDERR_SURFACELOST);
  EXPECT_EQ(device_->EndScene(), pf::DD_OK);
}

TEST_F(Direct3DDeviceTest, ThePrimaryCanBeTheTarget) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS;
  desc.caps.caps = pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_3DDEVICE;
  ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, pf::DDSCL_NORMAL), pf::DD_OK);
  pf::DirectDrawSurface7* primary = Make(desc);
  ASSERT_NE(primary, nullptr);
  ASSERT_EQ(d3d_->CreateDevice(pf::IID_IDirect3DHALDevice, primary, &device_), pf::DD_OK);
  target_ = primary;
  device_->SetRenderState(pf::D3DRS_CULLMODE, pf::D3DCULL_NONE);
  pf::D3DViewport7 viewport{};
  device_->GetViewport(&viewport);
  EXPECT_GE(viewport.width, 640u);
  DrawColoured(pf::D3DPT_POINTLIST, {{100, 50, 0, 1, 0xFF123456}});
  EXPECT_EQ(Rgb(100, 50), 0x123456u);
}

}  // namespace
