// The software triangle rasterizer against SDL2's software renderer (SDL_RenderGeometry) on the
// same work: six 256x256 textured quads, two triangles each, into a 640x480 32-bit frame, with a
// 32-bit texture carrying alpha. Ours runs with and without the 16-bit depth test (SDL2 has none),
// plain and alpha-blended. Before it is timed, every row of ours draws once and must give the same
// bytes as the scalar reference without the depth test; SDL2's rows draw once and must agree with
// that frame within a bound per colour channel (allowing SDL2's coarser texel steps). Each benchmark reports Mpx/s (destination pixels covered); a table at
// the end gives ours / SDL2.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"
#include "media/software/raster3d.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#endif

namespace {

using namespace zelvo;
using zelvo_bench::Picture;

constexpr int kW = 640, kH = 480, kQuad = 256, kQuads = 6;
constexpr int kQuadX[kQuads] = {0, 192, 384, 0, 192, 384};
constexpr int kQuadY[kQuads] = {0, 0, 0, 224, 224, 224};
constexpr double kPixels = static_cast<double>(kQuads) * kQuad * kQuad;
constexpr int kAlphaParam = 200;
constexpr std::uint8_t kGrey = 0x80;

void Rate(benchmark::State& state) { zelvo_bench::SetMpxRate(state, kPixels); }

void SetState(bool blend) {
  InitSoftBlendTables();
  g_softBlend.drawRegion = {0, 0, kW, kH};
  g_softBlend.blendMode = blend ? kBlendAlpha : kBlendNone;
  g_softBlend.blendParam = blend ? kAlphaParam : 255;
  g_softBlend.drawTint = kTintOff;
}

std::vector<ScreenVertex> QuadTriangles() {
  std::vector<ScreenVertex> triangles;
  for (int q = 0; q < kQuads; ++q) {
    const float x0 = static_cast<float>(kQuadX[q]), y0 = static_cast<float>(kQuadY[q]);
    const float x1 = x0 + kQuad, y1 = y0 + kQuad;
    const ScreenVertex a{x0, y0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, b{x1, y0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
        c{x0, y1, 0.5f, 1, 0xFFFFFFFF, 0, 1}, d{x1, y1, 0.5f, 1, 0xFFFFFFFF, 1, 1};
    triangles.insert(triangles.end(), {a, b, c, b, d, c});
  }
  return triangles;
}

// Ours on the frame: the six quads, with the depth test when a depth buffer is given.
struct OurDraw {
  Picture tex, dst;
  MEMIMG zbuf;
  std::vector<ScreenVertex> triangles = QuadTriangles();
  bool depth;
  OurDraw(bool withDepth, bool blend) : tex(kQuad, kQuad, kMemImg8888, blend ? 1 : 0, 1), dst(kW, kH, kMemImg8888, 0, 2), depth(withDepth) {
    std::memset(&zbuf, 0, sizeof zbuf);
    InitDepthMemImg(&zbuf, kW, kH);
    ClearDepth();
  }
  ~OurDraw() { FreeMemImg(&zbuf); }
  OurDraw(const OurDraw&) = delete;
  OurDraw& operator=(const OurDraw&) = delete;
  void ClearDepth() { std::memset(zbuf.pixels, 0xFF, static_cast<size_t>(zbuf.pitch) * kH); }
  void Draw() {
    for (size_t i = 0; i < triangles.size(); i += 3) {
      RasterizeTriangle3D(&dst.m, depth ? &zbuf : nullptr, &tex.m, &triangles[i], 0, nullptr, 1, 1, 0, 0);
    }
  }
};

// The frame ours draws without the depth test on the scalar reference path, from fresh input (or
// onto one grey): what every row of ours must draw byte for byte (the quads all lie at one depth,
// and a pixel at the depth already stored passes the test), and what SDL2 must draw within its
// bound.
std::vector<std::uint8_t> ReferenceFrame(bool blend, bool onGrey) {
  SetState(blend);
  ForceSoftReferencePath(1);
  OurDraw reference(false, blend);
  const std::size_t bytes = static_cast<size_t>(reference.dst.m.pitch) * kH;
  if (onGrey) std::memset(reference.dst.m.pixels, kGrey, bytes);
  reference.Draw();
  ForceSoftReferencePath(0);
  return std::vector<std::uint8_t>(reference.dst.m.pixels, reference.dst.m.pixels + bytes);
}

const std::vector<std::uint8_t>& Reference(bool blend, bool onGrey) {
  static const std::vector<std::uint8_t> frames[2][2] = {{ReferenceFrame(false, false), ReferenceFrame(false, true)},
                                                          {ReferenceFrame(true, false), ReferenceFrame(true, true)}};
  return frames[blend ? 1 : 0][onGrey ? 1 : 0];
}

// args: depth test (0, 1), blend (0: plain copy of a texture without alpha; 1: BlendMode 1 at 200
// weighted by the texel alpha), vector (1: the best path the processor offers; 0: the scalar loop)
void BM_Raster3D(benchmark::State& state) {
  const bool depth = state.range(0) != 0, blend = state.range(1) != 0;
  const std::vector<std::uint8_t>& reference = Reference(blend, false);
  SetState(blend);
  ForceSoftReferencePath(state.range(2) == 0);
  OurDraw ours(depth, blend);
  ours.Draw();
  if (std::memcmp(reference.data(), ours.dst.m.pixels, reference.size()) != 0) {
    state.SkipWithError("the timed path draws other pixels than the scalar reference without the depth test");
  } else {
    ours.ClearDepth();
    for (auto _ : state) {
      ours.Draw();
      benchmark::ClobberMemory();
    }
  }
  ForceSoftReferencePath(0);
  Rate(state);
}
BENCHMARK(BM_Raster3D)->ArgsProduct({{0, 1}, {0, 1}, {1, 0}})->ArgNames({"depth", "blend", "vector"});

#ifdef ZELVO_BENCH_PEERS

// How far SDL2 may be from ours: its blend approximates the division by 255, a channel a few steps
// apart; and it steps its texture coordinates coarser than ours, often a texel off, so its frame
// is held against ours pixel by pixel allowing the nine pixels around, both drawn onto one grey
// (so that a neighbour's blend means the same). The quads' edges lie on whole pixels, so both
// cover the same pixels: at most a tenth of a percent may be off.
constexpr int kSdlBound = 5;
constexpr double kSdlOffShare = 0.001;

// How many of the quads cover a pixel.
int QuadsOver(int x, int y) {
  int count = 0;
  for (int q = 0; q < kQuads; ++q) {
    count += x >= kQuadX[q] && x < kQuadX[q] + kQuad && y >= kQuadY[q] && y < kQuadY[q] + kQuad ? 1 : 0;
  }
  return count;
}

// SDL2's software renderer over a 640x480 ARGB8888 surface; the texture is the same bytes. Before
// it is timed it draws once onto the same destination as ours, and the frames must agree.
// arg: blend (0 SDL_BLENDMODE_NONE, 1 SDL_BLENDMODE_BLEND with vertex alpha 200)
void BM_SdlGeometry(benchmark::State& state) {
  const bool blend = state.range(0) != 0;
  Picture tex(kQuad, kQuad, kMemImg8888, 1, 1), dst(kW, kH, kMemImg8888, 0, 2);
  SDL_Surface* target =
      SDL_CreateRGBSurfaceWithFormatFrom(dst.m.pixels, kW, kH, 32, dst.m.pitch, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(tex.m.pixels, kQuad, kQuad, 32, tex.m.pitch, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
  SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, source);
  if (!renderer || !texture) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_SetTextureBlendMode(texture, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  std::vector<SDL_Vertex> vertices;
  std::vector<int> indices;
  for (int q = 0; q < kQuads; ++q) {
    const float x0 = static_cast<float>(kQuadX[q]), y0 = static_cast<float>(kQuadY[q]);
    const float x1 = x0 + kQuad, y1 = y0 + kQuad;
    // The weight of 200 goes in the vertices' alpha: SDL2's software geometry leaves the texture's
    // alpha mod out.
    const SDL_Color white{255, 255, 255, static_cast<Uint8>(blend ? kAlphaParam : 255)};
    const int base = static_cast<int>(vertices.size());
    vertices.push_back({{x0, y0}, white, {0, 0}});
    vertices.push_back({{x1, y0}, white, {1, 0}});
    vertices.push_back({{x0, y1}, white, {0, 1}});
    vertices.push_back({{x1, y1}, white, {1, 1}});
    indices.insert(indices.end(), {base, base + 1, base + 2, base + 1, base + 3, base + 2});
  }
  auto draw = [&] {
    SDL_RenderGeometry(renderer, texture, vertices.data(), static_cast<int>(vertices.size()), indices.data(),
                       static_cast<int>(indices.size()));
    SDL_RenderFlush(renderer);
  };
  const std::size_t bytes = static_cast<std::size_t>(dst.m.pitch) * kH;
  const std::vector<std::uint8_t> before(dst.m.pixels, dst.m.pixels + bytes);
  std::memset(dst.m.pixels, kGrey, bytes);
  draw();
  const std::vector<std::uint8_t>& ours = Reference(blend, true);
  if (blend) {
    // Where two quads overlap each side blends twice, and may be a texel off each time in its
    // own direction: those pixels are held to ours only by the copy row.
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (QuadsOver(x, y) < 2) continue;
        const std::size_t at = static_cast<std::size_t>(y) * dst.m.pitch + static_cast<std::size_t>(x) * 4;
        std::memcpy(dst.m.pixels + at, ours.data() + at, 4);
      }
    }
  }
  const zelvo_bench::ChannelDifference difference =
      zelvo_bench::CompareChannelsNearby(ours.data(), dst.m.pitch, dst.m.pixels, dst.m.pitch, kW, kH, kSdlBound);
  std::memcpy(dst.m.pixels, before.data(), bytes);
  if (zelvo_bench::ChannelsAgree(state, difference, kSdlBound, kSdlOffShare)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(source);
  SDL_FreeSurface(target);
  Rate(state);
}
BENCHMARK(BM_SdlGeometry)->Arg(0)->Arg(1)->ArgName("blend");

#endif

void PrintRatios(const std::map<std::string, double>& rates) {
  static const std::vector<zelvo_bench::RatioPair> pairs = {
      {"alpha, depth test vs SDL BLEND", "BM_Raster3D/depth:1/blend:1/vector:1", "BM_SdlGeometry/blend:1"},
      {"alpha, no depth vs SDL BLEND", "BM_Raster3D/depth:0/blend:1/vector:1", "BM_SdlGeometry/blend:1"},
      {"copy, depth test vs SDL NONE", "BM_Raster3D/depth:1/blend:0/vector:1", "BM_SdlGeometry/blend:0"},
      {"copy, no depth vs SDL NONE", "BM_Raster3D/depth:0/blend:0/vector:1", "BM_SdlGeometry/blend:0"},
      {"scalar: alpha, depth vs SDL BLEND", "BM_Raster3D/depth:1/blend:1/vector:0", "BM_SdlGeometry/blend:1"},
      {"scalar: alpha, no depth vs SDL BLEND", "BM_Raster3D/depth:0/blend:1/vector:0", "BM_SdlGeometry/blend:1"},
      {"scalar: copy, depth vs SDL NONE", "BM_Raster3D/depth:1/blend:0/vector:0", "BM_SdlGeometry/blend:0"},
      {"scalar: copy, no depth vs SDL NONE", "BM_Raster3D/depth:0/blend:0/vector:0", "BM_SdlGeometry/blend:0"},
  };
  zelvo_bench::PrintRatioTable("256x256 quads into 640x480, 32-bit", "SDL2 Mpx/s", rates, pairs);
}

}  // namespace

int main(int argc, char** argv) { return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios); }
