#pragma once
// A Direct3D device over a small off-screen target for the Direct3D tests, with helpers to make
// textures from 0xAARRGGBB texels, to send vertices and to read pixels back.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"

namespace d3d_test {

// The vertex of format 0x144: position, reciprocal w, diffuse, one texture-coordinate set.
struct TexturedVertex {
  float x, y, z, rhw;
  std::uint32_t diffuse;
  float u, v;
};
constexpr std::uint32_t kFvfTextured = 0x144;

struct ColouredVertex {
  float x, y, z, rhw;
  std::uint32_t diffuse;
};
constexpr std::uint32_t kFvfColoured = 0x44;

struct Format {
  std::uint32_t bits, r, g, b, a;
};
constexpr Format kX888{32, 0xFF0000, 0xFF00, 0xFF, 0};
constexpr Format kA8888{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
constexpr Format k565{16, 0xF800, 0x07E0, 0x1F, 0};
constexpr Format k4444{16, 0x0F00, 0x00F0, 0x0F, 0xF000};
constexpr Format k1555{16, 0x7C00, 0x03E0, 0x1F, 0x8000};

inline pf::SurfaceDesc Described(std::uint32_t caps, int width, int height, const Format& f) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
  desc.caps.caps = caps;
  desc.width = static_cast<std::uint32_t>(width);
  desc.height = static_cast<std::uint32_t>(height);
  desc.pixelFormat = pf::DDPixelFormat{sizeof(pf::DDPixelFormat),
                                       f.a != 0 ? pf::DDPF_RGB | pf::DDPF_ALPHAPIXELS : static_cast<std::uint32_t>(pf::DDPF_RGB),
                                       0, f.bits, f.r, f.g, f.b, f.a};
  return desc;
}

inline std::uint32_t Narrow(const Format& f, std::uint32_t argb) {
  const auto cut = [](std::uint32_t value, std::uint32_t mask) -> std::uint32_t {
    if (mask == 0) return 0;
    const int shift = __builtin_ctz(mask), bits = __builtin_popcount(mask);
    return ((value >> (8 - bits)) << shift) & mask;
  };
  return cut(argb >> 24, f.a) | cut((argb >> 16) & 0xFF, f.r) | cut((argb >> 8) & 0xFF, f.g) | cut(argb & 0xFF, f.b);
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    pf::testing::ResetDisplayStandIn();
    pf::testing::ResetDirect3DStandIn();
    void* object = nullptr;
    ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectDraw7, &object),
              pf::DD_OK);
    dd_ = static_cast<pf::DirectDraw7*>(object);
    ASSERT_EQ(dd_->Initialize(nullptr), pf::DD_OK);
    ASSERT_EQ(dd_->QueryInterface(pf::IID_IDirect3D7, &object), pf::DD_OK);
    d3d_ = static_cast<pf::Direct3D7*>(object);
  }
  void TearDown() override {
    if (device_ != nullptr) device_->Release();
    for (pf::DirectDrawSurface7* s : surfaces_) s->Release();
    if (d3d_ != nullptr) d3d_->Release();
    if (dd_ != nullptr) dd_->Release();
    pf::testing::ClearFaults();
    pf::testing::ResetDirect3DStandIn();
    pf::testing::ResetDisplayStandIn();
  }

  pf::DirectDrawSurface7* Make(const pf::SurfaceDesc& desc) {
    pf::SurfaceDesc copy = desc;
    pf::DirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&copy, &surface, nullptr), pf::DD_OK);
    if (surface != nullptr) surfaces_.push_back(surface);
    return surface;
  }

  // A render target filled with `fill` (raw) and a device on it.
  pf::DirectDrawSurface7* OpenDevice(int width, int height, const Format& f = kX888, std::uint32_t fill = 0) {
    if (device_ != nullptr) device_->Release();
    device_ = nullptr;
    target_ = Make(Described(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, width, height, f));
    Fill(target_, fill);
    EXPECT_EQ(d3d_->CreateDevice(pf::IID_IDirect3DHALDevice, target_, &device_), pf::DD_OK);
    if (device_ != nullptr) {
      device_->SetRenderState(pf::D3DRS_CULLMODE, pf::D3DCULL_NONE);
      device_->SetRenderState(pf::D3DRS_LIGHTING, 0);
      device_->SetRenderState(pf::D3DRS_TEXTUREPERSPECTIVE, 0);
    }
    return target_;
  }

  static void Fill(pf::DirectDrawSurface7* surface, std::uint32_t raw) {
    pf::DDBltFx fx{sizeof(pf::DDBltFx), raw, raw};
    const std::uint32_t flags = IsZ(surface) ? pf::DDBLT_DEPTHFILL : pf::DDBLT_COLORFILL;
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, flags | pf::DDBLT_WAIT, &fx), pf::DD_OK);
  }
  static bool IsZ(pf::DirectDrawSurface7* surface) {
    pf::DDCaps2 caps{};
    surface->GetCaps(&caps);
    return (caps.caps & pf::DDSCAPS_ZBUFFER) != 0;
  }

  // A texture of the format holding the texels (0xAARRGGBB, row by row).
  pf::DirectDrawSurface7* Texture(int width, int height, const std::vector<std::uint32_t>& texels,
                                  const Format& f = kA8888, std::uint32_t caps2 = 0) {
    pf::SurfaceDesc desc = Described(pf::DDSCAPS_TEXTURE, width, height, f);
    desc.caps.caps2 = caps2;
    pf::DirectDrawSurface7* texture = Make(desc);
    pf::SurfaceDesc locked{};
    locked.size = sizeof locked;
    EXPECT_EQ(texture->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t raw = Narrow(f, texels[static_cast<std::size_t>(y) * width + x]);
        auto* at = static_cast<std::uint8_t*>(locked.surface) + static_cast<std::ptrdiff_t>(y) * locked.pitch +
                   x * static_cast<int>(f.bits / 8);
        std::memcpy(at, &raw, f.bits / 8);
      }
    }
    texture->Unlock(nullptr);
    return texture;
  }

  // Stage 0 as sprites use it: the texture's colour and alpha times the diffuse colour.
  void ModulateStage0(pf::DirectDrawSurface7* texture) {
    device_->SetTexture(0, texture);
    device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_MODULATE);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG2, pf::D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_MODULATE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, pf::D3DTA_TEXTURE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, pf::D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, pf::D3DTSS_ADDRESS, pf::D3DTADDRESS_CLAMP);
  }
  void Blend(std::uint32_t src, std::uint32_t dst) {
    device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(pf::D3DRS_SRCBLEND, src);
    device_->SetRenderState(pf::D3DRS_DESTBLEND, dst);
  }
  void Filter(std::uint32_t filter) {
    device_->SetTextureStageState(0, pf::D3DTSS_MAGFILTER, filter);
    device_->SetTextureStageState(0, pf::D3DTSS_MINFILTER, filter);
  }

  // A rectangle as a strip of two triangles; texture coordinates 0..1 across it.
  static std::vector<TexturedVertex> Quad(float x0, float y0, float x1, float y1, std::uint32_t diffuse,
                                          float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    return {{x0, y0, 0, 1, diffuse, u0, v0}, {x1, y0, 0, 1, diffuse, u1, v0},
            {x0, y1, 0, 1, diffuse, u0, v1}, {x1, y1, 0, 1, diffuse, u1, v1}};
  }

  pf::HResult Draw(pf::D3DPrimitiveType type, const std::vector<TexturedVertex>& v) {
    EXPECT_EQ(device_->BeginScene(), pf::DD_OK);
    const pf::HResult result =
        device_->DrawPrimitive(type, kFvfTextured, v.data(), static_cast<std::uint32_t>(v.size()), 0);
    EXPECT_EQ(device_->EndScene(), pf::DD_OK);
    return result;
  }
  pf::HResult DrawColoured(pf::D3DPrimitiveType type, const std::vector<ColouredVertex>& v) {
    EXPECT_EQ(device_->BeginScene(), pf::DD_OK);
    const pf::HResult result =
        device_->DrawPrimitive(type, kFvfColoured, v.data(), static_cast<std::uint32_t>(v.size()), 0);
    EXPECT_EQ(device_->EndScene(), pf::DD_OK);
    return result;
  }

  std::uint32_t Pixel(int x, int y) const { return pf::testing::SurfacePixelArgb(target_, x, y); }
  std::uint32_t Rgb(int x, int y) const { return Pixel(x, y) & 0x00FFFFFFu; }

  // The target's pixels as '#' (not `background`) and '.' rows, for coverage checks.
  std::vector<std::string> Coverage(std::uint32_t background = 0) const {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    target_->GetSurfaceDesc(&desc);
    std::vector<std::string> rows;
    for (int y = 0; y < static_cast<int>(desc.height); ++y) {
      std::string row;
      for (int x = 0; x < static_cast<int>(desc.width); ++x) row += Rgb(x, y) != background ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  }

  pf::DirectDraw7* dd_ = nullptr;
  pf::Direct3D7* d3d_ = nullptr;
  pf::Direct3DDevice7* device_ = nullptr;
  pf::DirectDrawSurface7* target_ = nullptr;
  std::vector<pf::DirectDrawSurface7*> surfaces_;
};

}  // namespace d3d_test
