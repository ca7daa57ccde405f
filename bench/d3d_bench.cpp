// The Direct3D device's rasterizer. First: textured, alpha-blended 64x64 quads into a 640x480
// 32-bit target, in Mpx/s of destination pixels, against peers doing the same work on the same
// texels: with a bilinear filter against pixman (OVER, BILINEAR, edges padded); with point
// sampling against SDL2's software renderer (SDL_RenderGeometry, which samples the nearest texel
// whatever its scale mode). This machine's copy and add of the same bytes are measured beside
// them. Second: a battle-like frame (a 640x480 background, 250 colour-keyed 32x32 tiles, 100
// alpha-blended 64x64 sprites, 300 small additive particles), in milliseconds per frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/machine_ceiling.h"
#include "platform/d3d/d3d.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#include <pixman.h>
#endif

namespace {

constexpr int kW = 640, kH = 480, kSprite = 64, kQuads = 120;

struct Vertex {
  float x, y, z, rhw;
  std::uint32_t diffuse;
  float u, v;
};

// Quad corners placed a quarter pixel off the grid, so bilinear filtering blends four texels.
struct Placement {
  float x, y;
};
std::vector<Placement> Placements(int count, int size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Placement> out;
  for (int i = 0; i < count; ++i) {
    out.push_back({static_cast<float>(rng() % (kW - size)) + 0.25f, static_cast<float>(rng() % (kH - size)) + 0.25f});
  }
  return out;
}

void AddQuad(std::vector<Vertex>* v, float x, float y, float size, std::uint32_t diffuse, float u0 = 0, float v0 = 0,
             float u1 = 1, float v1 = 1) {
  const Vertex a{x, y, 0, 1, diffuse, u0, v0}, b{x + size, y, 0, 1, diffuse, u1, v0};
  const Vertex c{x, y + size, 0, 1, diffuse, u0, v1}, d{x + size, y + size, 0, 1, diffuse, u1, v1};
  v->insert(v->end(), {a, b, c, b, d, c});
}

std::vector<std::uint32_t> RandomTexels(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint32_t> texels(static_cast<std::size_t>(count));
  for (auto& t : texels) t = rng();
  return texels;
}

// The DirectDraw object, Direct3D and a device on a 640x480 X8R8G8B8 target.
class Scene {
 public:
  Scene() {
    pf::SetVirtualClock(true);
    void* object = nullptr;
    pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectDraw7, &object);
    dd_ = static_cast<pf::DirectDraw7*>(object);
    dd_->Initialize(nullptr);
    pf::testing::SetDirect3DProfile('A');
    dd_->QueryInterface(pf::IID_IDirect3D7, &object);
    d3d_ = static_cast<pf::Direct3D7*>(object);
    target_ = Surface(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, kW, kH, false);
    d3d_->CreateDevice(pf::IID_IDirect3DHALDevice, target_, &device_);
    device_->SetRenderState(pf::D3DRS_CULLMODE, pf::D3DCULL_NONE);
    device_->SetRenderState(pf::D3DRS_LIGHTING, 0);
    device_->SetRenderState(pf::D3DRS_TEXTUREPERSPECTIVE, 0);
    device_->SetRenderState(pf::D3DRS_SHADEMODE, pf::D3DSHADE_FLAT);
    device_->SetTextureStageState(0, pf::D3DTSS_COLOROP, pf::D3DTOP_MODULATE);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG1, pf::D3DTA_TEXTURE);
    device_->SetTextureStageState(0, pf::D3DTSS_COLORARG2, pf::D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAOP, pf::D3DTOP_MODULATE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG1, pf::D3DTA_TEXTURE);
    device_->SetTextureStageState(0, pf::D3DTSS_ALPHAARG2, pf::D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, pf::D3DTSS_ADDRESS, pf::D3DTADDRESS_CLAMP);
  }
  ~Scene() {
    device_->Release();
    for (pf::DirectDrawSurface7* s : surfaces_) s->Release();
    d3d_->Release();
    dd_->Release();
  }

  pf::DirectDrawSurface7* Surface(std::uint32_t caps, int w, int h, bool alpha) {
    pf::SurfaceDesc desc{};
    desc.size = sizeof desc;
    desc.flags = pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT | pf::DDSD_PIXELFORMAT;
    desc.caps.caps = caps;
    desc.caps.caps2 = (caps & pf::DDSCAPS_TEXTURE) ? static_cast<std::uint32_t>(pf::DDSCAPS2_TEXTUREMANAGE) : 0u;
    desc.width = static_cast<std::uint32_t>(w);
    desc.height = static_cast<std::uint32_t>(h);
    desc.pixelFormat = pf::DDPixelFormat{sizeof(pf::DDPixelFormat),
                                         alpha ? pf::DDPF_RGB | pf::DDPF_ALPHAPIXELS : static_cast<std::uint32_t>(pf::DDPF_RGB),
                                         0, 32, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000u : 0};
    pf::DirectDrawSurface7* surface = nullptr;
    dd_->CreateSurface(&desc, &surface, nullptr);
    surfaces_.push_back(surface);
    return surface;
  }

  pf::DirectDrawSurface7* Texture(int w, int h, const std::vector<std::uint32_t>& texels, bool alpha) {
    pf::DirectDrawSurface7* texture = Surface(pf::DDSCAPS_TEXTURE, w, h, alpha);
    pf::SurfaceDesc locked{};
    locked.size = sizeof locked;
    texture->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr);
    for (int y = 0; y < h; ++y) {
      std::memcpy(static_cast<std::uint8_t*>(locked.surface) + static_cast<std::ptrdiff_t>(y) * locked.pitch,
                  texels.data() + static_cast<std::size_t>(y) * w, static_cast<std::size_t>(w) * 4);
    }
    texture->Unlock(nullptr);
    return texture;
  }

  void Blend(bool on, std::uint32_t src, std::uint32_t dst) {
    device_->SetRenderState(pf::D3DRS_ALPHABLENDENABLE, on ? 1 : 0);
    device_->SetRenderState(pf::D3DRS_SRCBLEND, src);
    device_->SetRenderState(pf::D3DRS_DESTBLEND, dst);
  }
  void Filter(std::uint32_t filter) {
    device_->SetTextureStageState(0, pf::D3DTSS_MAGFILTER, filter);
    device_->SetTextureStageState(0, pf::D3DTSS_MINFILTER, filter);
  }
  void Draw(const std::vector<Vertex>& v) {
    device_->DrawPrimitive(pf::D3DPT_TRIANGLELIST, 0x144, v.data(), static_cast<std::uint32_t>(v.size()), 0);
  }

  pf::Direct3DDevice7* device_ = nullptr;

 private:
  pf::DirectDraw7* dd_ = nullptr;
  pf::Direct3D7* d3d_ = nullptr;
  pf::DirectDrawSurface7* target_ = nullptr;
  std::vector<pf::DirectDrawSurface7*> surfaces_;
};

void Rate(benchmark::State& state, double pixels) {
  state.counters["Mpx/s"] =
      benchmark::Counter(pixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// arg: filter (0 point, 1 bilinear)
void BM_D3DQuads(benchmark::State& state) {
  const bool linear = state.range(0) != 0;
  Scene scene;
  const std::vector<std::uint32_t> texels = RandomTexels(kSprite * kSprite, 3);
  scene.device_->SetTexture(0, scene.Texture(kSprite, kSprite, texels, true));
  scene.Blend(true, pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
  scene.Filter(linear ? pf::D3DTFG_LINEAR : pf::D3DTFG_POINT);
  std::vector<Vertex> vertices;
  for (const Placement& p : Placements(kQuads, kSprite, 5)) AddQuad(&vertices, p.x, p.y, kSprite, 0xFFFFFFFF);
  scene.device_->BeginScene();
  for (auto _ : state) scene.Draw(vertices);
  scene.device_->EndScene();
  Rate(state, static_cast<double>(kQuads) * kSprite * kSprite);
}
BENCHMARK(BM_D3DQuads)->Arg(0)->Arg(1)->ArgName("filter")->Unit(benchmark::kMicrosecond);

#ifdef ZELVO_BENCH_PEERS
// SDL's software geometry samples the nearest texel in either scale mode: the point-sampled peer.
void BM_SdlQuads(benchmark::State& state) {
  std::vector<std::uint32_t> frame(static_cast<std::size_t>(kW) * kH, 0xFF203040);
  std::vector<std::uint32_t> texels = RandomTexels(kSprite * kSprite, 3);
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormatFrom(frame.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_RGB888);
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(texels.data(), kSprite, kSprite, 32, kSprite * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
  SDL_Texture* texture = renderer != nullptr ? SDL_CreateTextureFromSurface(renderer, source) : nullptr;
  if (texture == nullptr) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  std::vector<SDL_Vertex> vertices;
  std::vector<int> indices;
  const SDL_Color white{255, 255, 255, 255};
  for (const Placement& p : Placements(kQuads, kSprite, 5)) {
    const int base = static_cast<int>(vertices.size());
    vertices.push_back({{p.x, p.y}, white, {0, 0}});
    vertices.push_back({{p.x + kSprite, p.y}, white, {1, 0}});
    vertices.push_back({{p.x, p.y + kSprite}, white, {0, 1}});
    vertices.push_back({{p.x + kSprite, p.y + kSprite}, white, {1, 1}});
    indices.insert(indices.end(), {base, base + 1, base + 2, base + 1, base + 3, base + 2});
  }
  for (auto _ : state) {
    SDL_RenderGeometry(renderer, texture, vertices.data(), static_cast<int>(vertices.size()), indices.data(),
                       static_cast<int>(indices.size()));
    SDL_RenderFlush(renderer);
  }
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(source);
  SDL_FreeSurface(target);
  Rate(state, static_cast<double>(kQuads) * kSprite * kSprite);
}
BENCHMARK(BM_SdlQuads)->Unit(benchmark::kMicrosecond);

// pixman with a bilinear filter: each quad is the texture (premultiplied, edges padded) moved by a
// quarter pixel, so every pixel blends four texels, composited OVER its 64x64 square.
void BM_PixmanQuads(benchmark::State& state) {
  std::vector<std::uint32_t> frame(static_cast<std::size_t>(kW) * kH, 0xFF203040);
  std::vector<std::uint32_t> texels = RandomTexels(kSprite * kSprite, 3);
  for (std::uint32_t& t : texels) {
    const std::uint32_t a = t >> 24;
    std::uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) out |= (((t >> shift) & 0xFF) * a / 255) << shift;
    t = out;
  }
  pixman_image_t* target = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, frame.data(), kW * 4);
  pixman_image_t* texture = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, texels.data(), kSprite * 4);
  pixman_transform shift;
  pixman_transform_init_translate(&shift, pixman_double_to_fixed(-0.25), pixman_double_to_fixed(-0.25));
  pixman_image_set_transform(texture, &shift);
  pixman_image_set_filter(texture, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(texture, PIXMAN_REPEAT_PAD);
  const std::vector<Placement> placements = Placements(kQuads, kSprite, 5);
  for (auto _ : state) {
    for (const Placement& p : placements) {
      pixman_image_composite32(PIXMAN_OP_OVER, texture, nullptr, target, 0, 0, 0, 0, static_cast<int>(p.x),
                               static_cast<int>(p.y), kSprite, kSprite);
    }
    benchmark::ClobberMemory();
  }
  pixman_image_unref(texture);
  pixman_image_unref(target);
  Rate(state, static_cast<double>(kQuads) * kSprite * kSprite);
}
BENCHMARK(BM_PixmanQuads)->Unit(benchmark::kMicrosecond);
#endif

// One battle-like frame; the diffuse colours are white, as the game's sprites mostly are.
void BM_D3DBattleFrame(benchmark::State& state) {
  Scene scene;
  pf::DirectDrawSurface7* background = scene.Texture(kW, kH, RandomTexels(kW * kH, 1), false);
  std::vector<std::uint32_t> tileTexels = RandomTexels(256 * 256, 2);
  for (std::size_t i = 0; i < tileTexels.size(); i += 7) tileTexels[i] = 0x00FF00FF;
  pf::DirectDrawSurface7* tiles = scene.Texture(256, 256, tileTexels, false);
  const pf::DDColorKey key{0x00FF00FF, 0x00FF00FF};
  tiles->SetColorKey(pf::DDCKEY_SRCBLT, &key);
  pf::DirectDrawSurface7* sprites = scene.Texture(256, 256, RandomTexels(256 * 256, 3), true);
  pf::DirectDrawSurface7* particles = scene.Texture(16, 16, RandomTexels(16 * 16, 4), true);

  std::vector<Vertex> backgroundQuad, tileQuads, spriteQuads, particleQuads;
  backgroundQuad = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},     {kW - 0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                    {-0.5f, kH - 0.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {kW - 0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                    {kW - 0.5f, kH - 0.5f, 0, 1, 0xFFFFFFFF, 1, 1}, {-0.5f, kH - 0.5f, 0, 1, 0xFFFFFFFF, 0, 1}};
  for (int i = 0; i < 250; ++i) {
    const float x = static_cast<float>((i % 20) * 32) - 0.5f, y = static_cast<float>(160 + (i / 20) * 32) - 0.5f;
    const float u = static_cast<float>(i % 8) / 8, v = static_cast<float>((i / 8) % 8) / 8;
    AddQuad(&tileQuads, x, y, 32, 0xFFFFFFFF, u, v, u + 0.125f, v + 0.125f);
  }
  for (const Placement& p : Placements(100, 64, 9)) {
    AddQuad(&spriteQuads, static_cast<float>(static_cast<int>(p.x)) - 0.5f,
            static_cast<float>(static_cast<int>(p.y)) - 0.5f, 64, 0xFFFFFFFF, 0, 0, 0.25f, 0.25f);
  }
  for (const Placement& p : Placements(300, 12, 11)) AddQuad(&particleQuads, p.x, p.y, 12, 0xC0FFFFFF);
  const double pixels = kW * kH + 250.0 * 32 * 32 + 100.0 * 64 * 64 + 300.0 * 12 * 12;

  scene.Filter(pf::D3DTFG_POINT);
  for (auto _ : state) {
    pf::Direct3DDevice7* d = scene.device_;
    d->BeginScene();
    scene.Blend(false, pf::D3DBLEND_ONE, pf::D3DBLEND_ZERO);
    d->SetRenderState(pf::D3DRS_COLORKEYENABLE, 0);
    d->SetTexture(0, background);
    scene.Draw(backgroundQuad);
    d->SetRenderState(pf::D3DRS_COLORKEYENABLE, 1);
    d->SetTexture(0, tiles);
    scene.Draw(tileQuads);
    d->SetRenderState(pf::D3DRS_COLORKEYENABLE, 0);
    scene.Blend(true, pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_INVSRCALPHA);
    d->SetTexture(0, sprites);
    scene.Draw(spriteQuads);
    scene.Blend(true, pf::D3DBLEND_SRCALPHA, pf::D3DBLEND_ONE);
    scene.Filter(pf::D3DTFG_LINEAR);
    d->SetTexture(0, particles);
    scene.Draw(particleQuads);
    scene.Filter(pf::D3DTFG_POINT);
    d->EndScene();
  }
  Rate(state, pixels);
}
// One iteration is one frame, so the time column reads in milliseconds per frame.
BENCHMARK(BM_D3DBattleFrame)->Unit(benchmark::kMillisecond);

void PrintRatios(const std::map<std::string, double>& rates) {
  static const std::vector<zelvo_bench::RatioPair> pairs = {
      {"bilinear alpha quads vs pixman", "BM_D3DQuads/filter:1", "BM_PixmanQuads"},
      {"point alpha quads vs SDL geometry", "BM_D3DQuads/filter:0", "BM_SdlQuads"},
  };
  zelvo_bench::PrintRatioTable("64x64 alpha quads into 640x480", "peer Mpx/s", rates, pairs);
  zelvo_bench::PrintCeilingTable("64x64 alpha quads, against the ceiling", rates, "BM_Ceiling_Quads",
                                 {"BM_D3DQuads/filter:0", "BM_D3DQuads/filter:1", "BM_PixmanQuads", "BM_SdlQuads"});
}

}  // namespace

int main(int argc, char** argv) {
  zelvo_bench::RegisterCeiling("BM_Ceiling_Quads", static_cast<double>(kQuads) * kSprite * kSprite, 4);
  return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios);
}
