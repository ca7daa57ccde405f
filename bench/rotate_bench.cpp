// The rotated blitter and the mapped quad against SDL2's software renderer (SDL_RenderCopyEx and
// SDL_RenderGeometry, nearest), SDL2_gfx's rotozoomSurface (smoothing off) and pixman (affine
// transform, NEAREST), on the same input bytes: a 256x256 picture turned 30 degrees at scale 1 and
// mapped onto a parallelogram, drawn into a 640x480 frame. Rates are in Mpx/s of picture pixels
// drawn (the same count for every contender of a shape); a table of ours / fastest peer follows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"
#include "media/software/quad_split.h"
#include "media/software/rotate_blit.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#include <pixman.h>
#endif
#ifdef ZELVO_BENCH_SDL2_GFX
#include <SDL2_rotozoom.h>
#endif

namespace {

using namespace zelvo;
using zelvo_bench::Picture;
#ifdef ZELVO_BENCH_PEERS
using zelvo_bench::SdlSurface;
#endif

constexpr int kW = 640, kH = 480, kSide = 256, kCX = 320, kCY = 240;
constexpr double kDegrees = 30.0;
const float kAngle = static_cast<float>(kDegrees * std::numbers::pi / 180.0);
// The quad: a parallelogram, so that every contender maps it with one affine transform.
constexpr int kQuad[8] = {180, 60, 440, 130, 130, 330, 390, 400};

// What each benchmark row draws.
enum Op : int { kCopy, kKeyed, kSourceAlpha, kParamAlpha, kAdd, kSubtract, kMultiply };

void SetState(int op) {
  InitSoftBlendTables();
  g_softBlend.drawRegion = {0, 0, kW, kH};
  static const int modes[] = {kBlendNone, kBlendNone, kBlendNone, kBlendAlpha, kBlendAdd, kBlendSubtract, kBlendMultiply};
  g_softBlend.blendMode = modes[op];
  g_softBlend.blendParam = op == kParamAlpha ? 160 : 255;
}

// Destination pixels a draw writes, counted once by drawing a picture with no zero pixel onto zeros.
template <class Draw>
double CountDrawn(int type, Draw draw) {
  SetState(kCopy);
  Picture src(kSide, kSide, type, 0, 1), dst(kW, kH, type, 0, 2);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < src.m.pitch; ++x) src.m.pixels[y * src.m.pitch + x] |= 1;
  }
  std::memset(dst.m.pixels, 0, static_cast<size_t>(dst.m.pitch) * kH);
  draw(&dst.m, &src.m);
  double n = 0;
  const int bytes = type == kMemImg8888 ? 4 : 2;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      uint32_t v = 0;
      std::memcpy(&v, dst.m.pixels + y * dst.m.pitch + x * bytes, bytes);
      n += v != 0;
    }
  }
  return n;
}

void DrawRotated(MEMIMG* d, const MEMIMG* s, int trans) { RotateBlitMemImg(d, s, kCX, kCY, kAngle, 1.0f, trans, 0, nullptr); }
void DrawQuad(MEMIMG* d, const MEMIMG* s, int trans) { QuadMapMemImg(d, s, kQuad, trans, nullptr); }

double RotatedPixels() {
  static const double n = CountDrawn(kMemImg8888, [](MEMIMG* d, const MEMIMG* s) { DrawRotated(d, s, 0); });
  return n;
}
double QuadPixels() {
  static const double n = CountDrawn(kMemImg8888, [](MEMIMG* d, const MEMIMG* s) { DrawQuad(d, s, 0); });
  return n;
}

// args: type (0 565, 1 8888), op
template <bool Quad>
void BM_Ours(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0)), op = static_cast<int>(state.range(1));
  const double pixels = Quad ? QuadPixels() : RotatedPixels();
  SetState(op);
  Picture src(kSide, kSide, type, op == kSourceAlpha, 3), dst(kW, kH, type, 0, 4);
  const int trans = op == kKeyed || op == kSourceAlpha;
  for (auto _ : state) {
    if (Quad) DrawQuad(&dst.m, &src.m, trans);
    else DrawRotated(&dst.m, &src.m, trans);
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, pixels);
}

void OurArgs(benchmark::internal::Benchmark* b) {
  for (int type : {1, 0}) {
    for (int op : {kCopy, kKeyed, kSourceAlpha, kParamAlpha, kAdd, kSubtract, kMultiply}) b->Args({type, op});
  }
  b->ArgNames({"type", "op"});
}

void BM_Rotate(benchmark::State& state) { BM_Ours<false>(state); }
void BM_Quad(benchmark::State& state) { BM_Ours<true>(state); }
BENCHMARK(BM_Rotate)->Apply(OurArgs);
BENCHMARK(BM_Quad)->Apply(OurArgs);

#ifdef ZELVO_BENCH_PEERS

template <bool Quad>
void BM_SdlRenderer(benchmark::State& state) {
  const bool blend = state.range(0) != 0;
  Picture src(kSide, kSide, kMemImg8888, 1, 3), dst(kW, kH, kMemImg8888, 0, 4);
  SDL_Surface* s = SdlSurface(src, true);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_Renderer* r = SDL_CreateSoftwareRenderer(d);
  SDL_Texture* t = SDL_CreateTextureFromSurface(r, s);
  SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(t, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  const SDL_Rect rect{kCX - kSide / 2, kCY - kSide / 2, kSide, kSide};
  const SDL_Color white{255, 255, 255, 255};
  const SDL_Vertex v[4] = {
      {{static_cast<float>(kQuad[0]), static_cast<float>(kQuad[1])}, white, {0, 0}},
      {{static_cast<float>(kQuad[2]), static_cast<float>(kQuad[3])}, white, {1, 0}},
      {{static_cast<float>(kQuad[4]), static_cast<float>(kQuad[5])}, white, {0, 1}},
      {{static_cast<float>(kQuad[6]), static_cast<float>(kQuad[7])}, white, {1, 1}},
  };
  const int indices[6] = {0, 1, 2, 1, 2, 3};
  for (auto _ : state) {
    if (Quad) SDL_RenderGeometry(r, t, v, 4, indices, 6);
    else SDL_RenderCopyEx(r, t, nullptr, &rect, kDegrees, nullptr, SDL_FLIP_NONE);
    SDL_RenderFlush(r);
    benchmark::ClobberMemory();
  }
  SDL_DestroyTexture(t);
  SDL_DestroyRenderer(r);
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, Quad ? QuadPixels() : RotatedPixels());
}
void BM_Sdl_RenderCopyEx(benchmark::State& state) { BM_SdlRenderer<false>(state); }
void BM_Sdl_RenderGeometry(benchmark::State& state) { BM_SdlRenderer<true>(state); }
BENCHMARK(BM_Sdl_RenderCopyEx)->Arg(0)->Arg(1)->ArgName("blend");
BENCHMARK(BM_Sdl_RenderGeometry)->Arg(0)->Arg(1)->ArgName("blend");

// pixman: destination-to-source transform, NEAREST, composited over the shape's bounding box.
template <bool Quad>
void BM_Pixman(benchmark::State& state) {
  const bool blend = state.range(0) != 0;
  Picture src(kSide, kSide, kMemImg8888, 1, 3), dst(kW, kH, kMemImg8888, 0, 4);
  for (int y = 0; y < kSide; ++y) {
    uint8_t* q = src.m.pixels + y * src.m.pitch;
    for (int x = 0; x < kSide; ++x, q += 4) {
      for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(q[c] * q[3] / 255);
    }
  }
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, reinterpret_cast<uint32_t*>(src.m.pixels), src.m.pitch);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(dst.m.pixels), dst.m.pitch);
  pixman_f_transform f;
  int bx, by, bw, bh;
  if (Quad) {
    // (u, v) -> p0 + u (p1 - p0) / 256 + v (p2 - p0) / 256, inverted.
    const double ax = (kQuad[2] - kQuad[0]) / 256.0, ay = (kQuad[3] - kQuad[1]) / 256.0;
    const double cx = (kQuad[4] - kQuad[0]) / 256.0, cy = (kQuad[5] - kQuad[1]) / 256.0;
    pixman_f_transform fwd;
    pixman_f_transform_init_identity(&fwd);
    fwd.m[0][0] = ax, fwd.m[0][1] = cx, fwd.m[0][2] = kQuad[0];
    fwd.m[1][0] = ay, fwd.m[1][1] = cy, fwd.m[1][2] = kQuad[1];
    pixman_f_transform_invert(&f, &fwd);
    bx = 130, by = 60, bw = 440 - 130, bh = 400 - 60;
  } else {
    const double a = kDegrees * std::numbers::pi / 180.0, c = std::cos(a), sn = std::sin(a);
    pixman_f_transform_init_identity(&f);
    f.m[0][0] = c, f.m[0][1] = sn, f.m[0][2] = -c * kCX - sn * kCY + kSide / 2;
    f.m[1][0] = -sn, f.m[1][1] = c, f.m[1][2] = sn * kCX - c * kCY + kSide / 2;
    const int half = static_cast<int>(std::ceil(kSide / 2.0 * (c + sn)));
    bx = kCX - half, by = kCY - half, bw = bh = 2 * half;
  }
  pixman_transform t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  const pixman_op_t op = blend ? PIXMAN_OP_OVER : PIXMAN_OP_SRC;
  for (auto _ : state) {
    pixman_image_composite32(op, s, nullptr, d, bx, by, 0, 0, bx, by, bw, bh);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, Quad ? QuadPixels() : RotatedPixels());
}
void BM_Pixman_Rotate(benchmark::State& state) { BM_Pixman<false>(state); }
void BM_Pixman_Quad(benchmark::State& state) { BM_Pixman<true>(state); }
BENCHMARK(BM_Pixman_Rotate)->Arg(0)->Arg(1)->ArgName("blend");
BENCHMARK(BM_Pixman_Quad)->Arg(0)->Arg(1)->ArgName("blend");

#endif

#if defined(ZELVO_BENCH_PEERS) && defined(ZELVO_BENCH_SDL2_GFX)

// rotozoomSurface builds the turned picture in a new surface; it is then blitted to the frame.
void BM_Gfx_Rotozoom(benchmark::State& state) {
  const bool blend = state.range(0) != 0;
  Picture src(kSide, kSide, kMemImg8888, 1, 3), dst(kW, kH, kMemImg8888, 0, 4);
  SDL_Surface* s = SdlSurface(src, true);
  SDL_Surface* d = SdlSurface(dst, false);
  for (auto _ : state) {
    SDL_Surface* turned = rotozoomSurface(s, -kDegrees, 1.0, SMOOTHING_OFF);
    SDL_SetSurfaceBlendMode(turned, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    SDL_Rect at{kCX - turned->w / 2, kCY - turned->h / 2, turned->w, turned->h};
    SDL_BlitSurface(turned, nullptr, d, &at);
    SDL_FreeSurface(turned);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, RotatedPixels());
}
BENCHMARK(BM_Gfx_Rotozoom)->Arg(0)->Arg(1)->ArgName("blend");

#endif

void PrintRatios(const std::map<std::string, double>& rates) {
  struct Row {
    const char* what;
    const char* ours;
    const char* peers[3];
  };
  static const Row rows[] = {
      {"rotate copy", "BM_Rotate/type:1/op:0", {"BM_Sdl_RenderCopyEx/blend:0", "BM_Pixman_Rotate/blend:0", "BM_Gfx_Rotozoom/blend:0"}},
      {"rotate keyed copy", "BM_Rotate/type:1/op:1", {"BM_Sdl_RenderCopyEx/blend:0", "BM_Pixman_Rotate/blend:0", "BM_Gfx_Rotozoom/blend:0"}},
      {"rotate source alpha", "BM_Rotate/type:1/op:2", {"BM_Sdl_RenderCopyEx/blend:1", "BM_Pixman_Rotate/blend:1", "BM_Gfx_Rotozoom/blend:1"}},
      {"rotate alpha p160", "BM_Rotate/type:1/op:3", {"BM_Sdl_RenderCopyEx/blend:1", "BM_Pixman_Rotate/blend:1", "BM_Gfx_Rotozoom/blend:1"}},
      {"quad copy", "BM_Quad/type:1/op:0", {"BM_Sdl_RenderGeometry/blend:0", "BM_Pixman_Quad/blend:0", nullptr}},
      {"quad keyed copy", "BM_Quad/type:1/op:1", {"BM_Sdl_RenderGeometry/blend:0", "BM_Pixman_Quad/blend:0", nullptr}},
      {"quad source alpha", "BM_Quad/type:1/op:2", {"BM_Sdl_RenderGeometry/blend:1", "BM_Pixman_Quad/blend:1", nullptr}},
      {"quad alpha p160", "BM_Quad/type:1/op:3", {"BM_Sdl_RenderGeometry/blend:1", "BM_Pixman_Quad/blend:1", nullptr}},
  };
  std::printf("\n%-22s %10s %-30s %10s %7s\n", "32-bit, 256x256", "ours", "fastest peer", "peer", "ratio");
  for (const Row& r : rows) {
    auto a = rates.find(r.ours);
    if (a == rates.end()) continue;
    const char* best = nullptr;
    double bestRate = 0;
    for (const char* p : r.peers) {
      if (!p) continue;
      auto b = rates.find(p);
      if (b != rates.end() && b->second > bestRate) best = p, bestRate = b->second;
    }
    if (!best) continue;
    std::printf("%-22s %10.0f %-30s %10.0f %7.2f\n", r.what, a->second, best, bestRate, a->second / bestRate);
  }
}

}  // namespace

int main(int argc, char** argv) { return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios); }
