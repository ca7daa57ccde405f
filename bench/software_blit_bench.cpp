// Software blitters and shape rasterizers against pixman and SDL2's software blitter, on the same
// input bytes: a full 640x480 frame and 32x32 sprites, 32-bit and 16-bit. Each benchmark reports
// Mpx/s (destination pixels written). Before it is timed, every row of ours draws once on the
// scalar reference path and once on the path it times, and the two results must be the same bytes;
// every peer row draws once beside the matching row of ours, and the two must agree within a bound
// per colour channel (0 where both are exact, a little where the peer rounds its blend otherwise). At the end one table gives ours / peer for pairs that do the
// same work (same formats where the peer has a fast path for them, the same blend: constant alpha
// against a solid mask or an alpha mod, per-pixel alpha against OVER), and one gives every row
// against this machine's ceiling for the same bytes, measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/machine_ceiling.h"
#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"
#include "media/software/blit.h"
#include "media/software/shapes.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#include <pixman.h>
#endif

namespace {

using namespace zelvo;
using zelvo_bench::Picture;
#ifdef ZELVO_BENCH_PEERS
using zelvo_bench::SdlSurface;
#endif

constexpr int kW = 640, kH = 480;

void SetState(int mode, int param) {
  InitSoftBlendTables();
  g_softBlend.mmxUsable = 1;  // add and subtract at 255 saturate each byte, as the peers do
  g_softBlend.drawRegion = {0, 0, kW, kH};
  g_softBlend.blendMode = mode;
  g_softBlend.blendParam = param;
}

// Every third pixel of a sprite takes the key (0), so the keyed rows skip some pixels.
void PunchKey(Picture& p) {
  const int bytes = p.m.format->BytesPerPixel;
  for (int y = 0; y < p.m.height; ++y) {
    for (int x = 0; x < p.m.width; ++x) {
      if ((x + 2 * y) % 3 == 0) std::memset(p.m.pixels + y * p.m.pitch + x * bytes, 0, static_cast<std::size_t>(bytes));
    }
  }
}

// Where the 300 sprites go.
int SpriteX(int i, int size) { return (i * 37) % (kW - size); }
int SpriteY(int i, int size) { return (i * 53) % (kH - size); }

// args: type (0 565, 1 8888), mode, param
void BM_Blit_Frame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(kW, kH, type, 0, 1), dst(kW, kH, type, 0, 2);
  auto draw = [&] { BlitMemImg(&dst.m, &src.m, 0, 0, 0, nullptr); };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

// A whole frame of a picture with its own alpha (transparent flag 1): the work of pixman's OVER.
void BM_Blit_AlphaFrame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(kW, kH, type, 1, 1), dst(kW, kH, type, 0, 2);
  auto draw = [&] { BlitMemImg(&dst.m, &src.m, 0, 0, 1, nullptr); };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

// 300 sprites of 32x32 spread over the frame, keyed (transparent flag 2: per-pixel path).
void BM_Blit_Sprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 0, 3), dst(kW, kH, type, 0, 4);
  PunchKey(src);
  auto draw = [&] {
    for (int i = 0; i < 300; ++i) BlitMemImg(&dst.m, &src.m, SpriteX(i, 32), SpriteY(i, 32), 2, nullptr);
  };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, 300 * 32 * 32);
}

// 300 sprites of 32x32 with their own alpha (0, 255 and between), transparent flag 1.
void BM_Blit_AlphaSprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 1, 11), dst(kW, kH, type, 0, 12);
  auto draw = [&] {
    for (int i = 0; i < 300; ++i) BlitMemImg(&dst.m, &src.m, SpriteX(i, 32), SpriteY(i, 32), 1, nullptr);
  };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, 300 * 32 * 32);
}

// Half-size picture doubled onto the frame.
void BM_Stretch_Frame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(kW / 2, kH / 2, type, 0, 5), dst(kW, kH, type, 0, 6);
  const IntRect r{0, 0, kW, kH};
  auto draw = [&] { StretchBlitMemImg(&dst.m, &src.m, &r, 0, nullptr); };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

void BM_Stretch_Sprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 0, 7), dst(kW, kH, type, 0, 8);
  PunchKey(src);
  auto draw = [&] {
    for (int i = 0; i < 300; ++i) {
      const int x = SpriteX(i, 48), y = SpriteY(i, 48);
      const IntRect r{x + 48, y, x, y + 48};  // 1.5x, mirrored
      StretchBlitMemImg(&dst.m, &src.m, &r, 2, nullptr);
    }
  };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, 300 * 48 * 48);
}

void BM_BoxFill_Frame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture dst(kW, kH, type, 0, 9);
  auto draw = [&] { FillMemImgBox(&dst.m, 0, 0, kW, kH, 0x00406080); };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

void BM_Lines(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture dst(kW, kH, type, 0, 10);
  int64_t pixels = 0;
  for (int i = 0; i < 200; ++i) pixels += std::max(std::abs((i * 97) % kW - (i * 13) % kW), std::abs((i * 31) % kH - (i * 71) % kH));
  auto draw = [&] {
    for (int i = 0; i < 200; ++i) DrawMemImgLine(&dst.m, (i * 13) % kW, (i * 71) % kH, (i * 97) % kW, (i * 31) % kH, 0x00C08040);
  };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, static_cast<double>(pixels));
}

void ModeArgs(benchmark::internal::Benchmark* b) {
  for (int type : {1, 0}) {
    for (auto [mode, param] : {std::pair{0, 255}, {1, 160}, {1, 128}, {2, 255}, {2, 128}, {3, 255}, {3, 128}, {4, 255}}) {
      b->Args({type, mode, param});
    }
  }
  b->ArgNames({"type", "mode", "param"});
}

BENCHMARK(BM_Blit_Frame)->Apply(ModeArgs);
BENCHMARK(BM_Blit_Sprites)->Apply(ModeArgs);
void AlphaArgs(benchmark::internal::Benchmark* b) {
  b->Args({1, 0, 255})->Args({1, 1, 160})->Args({0, 0, 255})->Args({0, 1, 160})->ArgNames({"type", "mode", "param"});
}

BENCHMARK(BM_Blit_AlphaFrame)->Apply(AlphaArgs);
BENCHMARK(BM_Blit_AlphaSprites)->Apply(AlphaArgs);
BENCHMARK(BM_Stretch_Frame)->Apply(ModeArgs);
BENCHMARK(BM_Stretch_Sprites)->Apply(ModeArgs);
BENCHMARK(BM_BoxFill_Frame)->Apply(ModeArgs);
BENCHMARK(BM_Lines)->Apply(ModeArgs);

#ifdef ZELVO_BENCH_PEERS

// What the peer row must agree with: our draw of the same work on the same input, and how far a
// channel may be off.
struct OursForPeer {
  enum Kind : int { kFrame, kAlphaFrame, kSprites, kAlphaSprites, kStretch } kind;
  int mode, param;
  int bound;
};

// How far the blending peers may round away from ours in one channel: pixman divides by 255 with
// rounding where ours shifts, SDL2 approximates its blend further (the "max diff" counter of each
// peer row shows what it was).
constexpr int kPixmanBound = 2;
// Per-pixel alpha at a parameter: pixman rounds the alpha times the mask, then the blend, and the
// two roundings can add up to one more step.
constexpr int kPixmanMaskedAlphaBound = 3;
constexpr int kSdlBound = 5;

// Our 32-bit result for the row, from the pictures of the given seeds.
void DrawOurs(const OursForPeer& o, Picture& dst, uint32_t srcSeed) {
  SetState(o.mode, o.param);
  if (o.kind == OursForPeer::kStretch) {
    Picture src(kW / 2, kH / 2, kMemImg8888, 0, srcSeed);
    const IntRect r{0, 0, kW, kH};
    StretchBlitMemImg(&dst.m, &src.m, &r, 0, nullptr);
    return;
  }
  const bool sprites = o.kind == OursForPeer::kSprites || o.kind == OursForPeer::kAlphaSprites;
  const bool alpha = o.kind == OursForPeer::kAlphaFrame || o.kind == OursForPeer::kAlphaSprites;
  Picture src(sprites ? 32 : kW, sprites ? 32 : kH, kMemImg8888, alpha ? 1 : 0, srcSeed);
  if (o.kind == OursForPeer::kSprites) PunchKey(src);
  if (!sprites) {
    BlitMemImg(&dst.m, &src.m, 0, 0, alpha ? 1 : 0, nullptr);
    return;
  }
  for (int i = 0; i < 300; ++i) BlitMemImg(&dst.m, &src.m, SpriteX(i, 32), SpriteY(i, 32), alpha ? 1 : 2, nullptr);
}

// Draws the peer once (`peerDraw` into `peerDst`) and ours once, from the same input; false, with
// the run skipped, when a channel differs by more than the row allows.
template <class PeerDraw>
bool PeerAgrees(benchmark::State& state, const OursForPeer& ours, Picture& peerDst, uint32_t srcSeed, uint32_t dstSeed,
                PeerDraw peerDraw) {
  Picture oursDst(kW, kH, kMemImg8888, 0, dstSeed);
  DrawOurs(ours, oursDst, srcSeed);
  const std::size_t bytes = static_cast<std::size_t>(peerDst.m.pitch) * peerDst.m.height;
  const std::vector<uint8_t> before(peerDst.m.pixels, peerDst.m.pixels + bytes);
  peerDraw();
  const int difference = zelvo_bench::CompareChannels(oursDst.m.pixels, oursDst.m.pitch, peerDst.m.pixels, peerDst.m.pitch,
                                                     kW, kH, ours.bound).largest;
  std::memcpy(peerDst.m.pixels, before.data(), bytes);
  state.counters["max diff"] = difference;
  if (difference <= ours.bound) return true;
  state.SkipWithError(("the peer's pixels differ from ours by " + std::to_string(difference)).c_str());
  return false;
}

// pixman on the same bytes, in the formats its fast paths take. Sources with alpha are
// premultiplied outside the timer; the destination of the blends is x8r8g8b8, like ours.
pixman_image_t* PixmanImage(pixman_format_code_t format, Picture& p, bool premultiply) {
  if (premultiply) {
    for (int y = 0; y < p.m.height; ++y) {
      uint8_t* q = p.m.pixels + y * p.m.pitch;
      for (int x = 0; x < p.m.width; ++x, q += 4) {
        for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(q[c] * q[3] / 255);
      }
    }
  }
  return pixman_image_create_bits(format, p.m.width, p.m.height, reinterpret_cast<uint32_t*>(p.m.pixels), p.m.pitch);
}

pixman_image_t* SolidMask(int level) {
  const uint16_t a = static_cast<uint16_t>(level * 257);
  const pixman_color_t c{a, a, a, a};
  return pixman_image_create_solid_fill(&c);
}

// The pixman rows: what each does, in which formats.
enum PixmanRow : int {
  kPixmanCopy,            // SRC, x8r8g8b8 onto x8r8g8b8
  kPixmanOver,            // OVER, a8r8g8b8 onto x8r8g8b8: per-pixel alpha
  kPixmanOverMaskOpaque,  // OVER, x8r8g8b8 with a solid 160 mask: constant alpha
  kPixmanOverMaskAlpha,   // OVER, a8r8g8b8 with a solid 160 mask: per-pixel alpha at a parameter
  kPixmanAdd,             // ADD, a8r8g8b8 onto a8r8g8b8
  kPixmanAddMask,         // ADD with a solid 128 mask: the source scaled, then added
  kPixmanMultiplyFast,    // IN_REVERSE, solid white source, component-alpha mask: d * s per channel
  kPixmanMultiplyGeneral, // PDF MULTIPLY, x8r8g8b8 onto x8r8g8b8 (the general path)
};

void BM_Pixman_Frame(benchmark::State& state) {
  const int row = static_cast<int>(state.range(0));
  const bool sourceAlpha = row == kPixmanOver || row == kPixmanOverMaskAlpha;
  Picture src(kW, kH, kMemImg8888, sourceAlpha, 1), dst(kW, kH, kMemImg8888, 0, 2);
  static const pixman_format_code_t srcFormat[] = {PIXMAN_x8r8g8b8, PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8, PIXMAN_a8r8g8b8,
                                                   PIXMAN_a8r8g8b8, PIXMAN_a8r8g8b8, PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8};
  static const pixman_op_t ops[] = {PIXMAN_OP_SRC, PIXMAN_OP_OVER, PIXMAN_OP_OVER,       PIXMAN_OP_OVER,
                                    PIXMAN_OP_ADD, PIXMAN_OP_ADD,  PIXMAN_OP_IN_REVERSE, PIXMAN_OP_MULTIPLY};
  const bool add = row == kPixmanAdd || row == kPixmanAddMask;
  pixman_image_t* s = PixmanImage(srcFormat[row], src, sourceAlpha);
  pixman_image_t* d = PixmanImage(add ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, dst, false);
  pixman_image_t* mask = nullptr;
  if (row == kPixmanOverMaskOpaque || row == kPixmanOverMaskAlpha) mask = SolidMask(160);
  if (row == kPixmanAddMask) mask = SolidMask(128);
  if (row == kPixmanMultiplyFast) {
    // the picture becomes the per-channel mask of a white source
    mask = s;
    pixman_image_set_component_alpha(mask, 1);
    s = SolidMask(255);
  }
  // The row of ours each pixman row stands beside.
  static const OursForPeer kOurs[] = {
      {OursForPeer::kFrame, 0, 255, 0},      {OursForPeer::kAlphaFrame, 0, 255, kPixmanBound},
      {OursForPeer::kFrame, 1, 160, kPixmanBound}, {OursForPeer::kAlphaFrame, 1, 160, kPixmanMaskedAlphaBound},
      {OursForPeer::kFrame, 2, 255, 0},      {OursForPeer::kFrame, 2, 128, kPixmanBound},
      {OursForPeer::kFrame, 4, 255, kPixmanBound}, {OursForPeer::kFrame, 4, 255, kPixmanBound}};
  auto draw = [&] { pixman_image_composite32(ops[row], s, mask, d, 0, 0, 0, 0, 0, 0, kW, kH); };
  if (PeerAgrees(state, kOurs[row], dst, 1, 2, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  pixman_image_unref(s);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Pixman_Frame)->DenseRange(kPixmanCopy, kPixmanMultiplyGeneral)->ArgName("row");

// A half-size picture doubled onto the frame: nearest scaling, x8r8g8b8 on both sides.
void BM_Pixman_Scaled(benchmark::State& state) {
  Picture src(kW / 2, kH / 2, kMemImg8888, 0, 5), dst(kW, kH, kMemImg8888, 0, 6);
  pixman_image_t* s = PixmanImage(PIXMAN_x8r8g8b8, src, false);
  pixman_image_t* d = PixmanImage(PIXMAN_x8r8g8b8, dst, false);
  pixman_transform t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  auto draw = [&] { pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, kW, kH); };
  if (PeerAgrees(state, {OursForPeer::kStretch, 0, 255, 0}, dst, 5, 6, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Pixman_Scaled);

// The SDL rows: blend mode, whether the source has alpha (ARGB8888) or not (RGB888, alpha 255),
// and the alpha mod. The destination is RGB888.
struct SdlRow {
  SDL_BlendMode mode;
  bool sourceAlpha;
  int alphaMod;
  OursForPeer ours;
};
const SdlRow kSdlRows[] = {
    {SDL_BLENDMODE_NONE, false, 255, {OursForPeer::kFrame, 0, 255, 0}},                 // 0 copy, one format
    {SDL_BLENDMODE_BLEND, true, 255, {OursForPeer::kAlphaFrame, 0, 255, kSdlBound}},    // 1 per-pixel alpha
    {SDL_BLENDMODE_BLEND, false, 160, {OursForPeer::kFrame, 1, 160, kSdlBound}},        // 2 constant alpha
    {SDL_BLENDMODE_BLEND, true, 160, {OursForPeer::kAlphaFrame, 1, 160, kSdlBound}},    // 3 per-pixel alpha at a parameter
    {SDL_BLENDMODE_ADD, false, 255, {OursForPeer::kFrame, 2, 255, 0}},                  // 4 add, the source unweighted
    {SDL_BLENDMODE_MOD, false, 255, {OursForPeer::kFrame, 4, 255, kSdlBound}},          // 5 product
};

void BM_Sdl_Frame(benchmark::State& state) {
  const SdlRow& row = kSdlRows[state.range(0)];
  Picture src(kW, kH, kMemImg8888, row.sourceAlpha, 1), dst(kW, kH, kMemImg8888, 0, 2);
  SDL_Surface* s = SdlSurface(src, row.sourceAlpha);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_SetSurfaceBlendMode(s, row.mode);
  SDL_SetSurfaceAlphaMod(s, static_cast<Uint8>(row.alphaMod));
  auto draw = [&] { SDL_BlitSurface(s, nullptr, d, nullptr); };
  if (PeerAgrees(state, row.ours, dst, 1, 2, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Sdl_Frame)->DenseRange(0, 5)->ArgName("row");

void BM_Sdl_Scaled(benchmark::State& state) {
  Picture src(kW / 2, kH / 2, kMemImg8888, 0, 5), dst(kW, kH, kMemImg8888, 0, 6);
  SDL_Surface* s = SdlSurface(src, false);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
  SDL_Rect r{0, 0, kW, kH};
  auto draw = [&] { SDL_BlitScaled(s, nullptr, d, &r); };
  if (PeerAgrees(state, {OursForPeer::kStretch, 0, 255, 0}, dst, 5, 6, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Sdl_Scaled);

// The 300 sprites of ours, 32-bit: keyed (row 0) and with their own alpha (row 1).
// pixman has no colour key: the keyed sprite is an a8r8g8b8 picture opaque but where ours holds the
// key, drawn with OVER, which copies an opaque pixel and keeps the target under a clear one.
void BM_Pixman_Sprites(benchmark::State& state) {
  const bool alpha = state.range(0) == 1;
  Picture src(32, 32, kMemImg8888, alpha ? 1 : 0, alpha ? 11 : 3), dst(kW, kH, kMemImg8888, 0, alpha ? 12 : 4);
  if (!alpha) {
    PunchKey(src);
    for (int y = 0; y < 32; ++y) {
      uint32_t* p = reinterpret_cast<uint32_t*>(src.m.pixels + y * src.m.pitch);
      for (int x = 0; x < 32; ++x) p[x] = p[x] == 0 ? 0 : (p[x] | 0xFF000000u);
    }
  }
  pixman_image_t* s = PixmanImage(PIXMAN_a8r8g8b8, src, alpha);
  pixman_image_t* d = PixmanImage(PIXMAN_x8r8g8b8, dst, false);
  auto draw = [&] {
    for (int i = 0; i < 300; ++i) {
      pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, SpriteX(i, 32), SpriteY(i, 32), 32, 32);
    }
  };
  const OursForPeer ours{alpha ? OursForPeer::kAlphaSprites : OursForPeer::kSprites, 0, 255, alpha ? kPixmanBound : 0};
  if (PeerAgrees(state, ours, dst, alpha ? 11 : 3, alpha ? 12 : 4, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, 300 * 32 * 32);
}
BENCHMARK(BM_Pixman_Sprites)->DenseRange(0, 1)->ArgName("alpha");

// SDL2: the keyed sprite through its colour key, the alpha sprite blended.
void BM_Sdl_Sprites(benchmark::State& state) {
  const bool alpha = state.range(0) == 1;
  Picture src(32, 32, kMemImg8888, alpha ? 1 : 0, alpha ? 11 : 3), dst(kW, kH, kMemImg8888, 0, alpha ? 12 : 4);
  if (!alpha) PunchKey(src);
  SDL_Surface* s = SdlSurface(src, alpha);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_SetSurfaceBlendMode(s, alpha ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  if (!alpha) SDL_SetColorKey(s, SDL_TRUE, 0);
  auto draw = [&] {
    for (int i = 0; i < 300; ++i) {
      SDL_Rect to{SpriteX(i, 32), SpriteY(i, 32), 32, 32};
      SDL_BlitSurface(s, nullptr, d, &to);
    }
  };
  const OursForPeer ours{alpha ? OursForPeer::kAlphaSprites : OursForPeer::kSprites, 0, 255, alpha ? kSdlBound : 0};
  if (PeerAgrees(state, ours, dst, alpha ? 11 : 3, alpha ? 12 : 4, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, 300 * 32 * 32);
}
BENCHMARK(BM_Sdl_Sprites)->DenseRange(0, 1)->ArgName("alpha");

#endif

#define OURS32(mode, param) "BM_Blit_Frame/type:1/mode:" #mode "/param:" #param
#define OURS16(mode, param) "BM_Blit_Frame/type:0/mode:" #mode "/param:" #param
#define ALPHA32(mode, param) "BM_Blit_AlphaFrame/type:1/mode:" #mode "/param:" #param

void PrintRatios(const std::map<std::string, double>& rates) {
  static const std::vector<zelvo_bench::RatioPair> pairs = {
      {"copy vs pixman SRC", OURS32(0, 255), "BM_Pixman_Frame/row:0"},
      {"constant alpha p160 vs pixman OVER+mask", OURS32(1, 160), "BM_Pixman_Frame/row:2"},
      {"source alpha vs pixman OVER", ALPHA32(0, 255), "BM_Pixman_Frame/row:1"},
      {"source alpha p160 vs pixman OVER+mask", ALPHA32(1, 160), "BM_Pixman_Frame/row:3"},
      {"add vs pixman ADD", OURS32(2, 255), "BM_Pixman_Frame/row:4"},
      {"add p128 vs pixman ADD+mask", OURS32(2, 128), "BM_Pixman_Frame/row:5"},
      {"multiply vs pixman IN_REVERSE ca", OURS32(4, 255), "BM_Pixman_Frame/row:6"},
      {"multiply vs pixman MULTIPLY (general)", OURS32(4, 255), "BM_Pixman_Frame/row:7"},
      {"stretch 2x vs pixman nearest", "BM_Stretch_Frame/type:1/mode:0/param:255", "BM_Pixman_Scaled"},
      {"copy vs SDL NONE", OURS32(0, 255), "BM_Sdl_Frame/row:0"},
      {"constant alpha p160 vs SDL BLEND+mod", OURS32(1, 160), "BM_Sdl_Frame/row:2"},
      {"source alpha vs SDL BLEND", ALPHA32(0, 255), "BM_Sdl_Frame/row:1"},
      {"source alpha p160 vs SDL BLEND+mod", ALPHA32(1, 160), "BM_Sdl_Frame/row:3"},
      {"add vs SDL ADD", OURS32(2, 255), "BM_Sdl_Frame/row:4"},
      {"multiply vs SDL MOD", OURS32(4, 255), "BM_Sdl_Frame/row:5"},
      {"stretch 2x vs SDL_BlitScaled", "BM_Stretch_Frame/type:1/mode:0/param:255", "BM_Sdl_Scaled"},
      {"300 keyed sprites vs pixman OVER", "BM_Blit_Sprites/type:1/mode:0/param:255", "BM_Pixman_Sprites/alpha:0"},
      {"300 alpha sprites vs pixman OVER", "BM_Blit_AlphaSprites/type:1/mode:0/param:255", "BM_Pixman_Sprites/alpha:1"},
      {"300 keyed sprites vs SDL colour key", "BM_Blit_Sprites/type:1/mode:0/param:255", "BM_Sdl_Sprites/alpha:0"},
      {"300 alpha sprites vs SDL BLEND", "BM_Blit_AlphaSprites/type:1/mode:0/param:255", "BM_Sdl_Sprites/alpha:1"},
  };
  zelvo_bench::PrintRatioTable("32-bit 640x480 frame", "peer Mpx/s", rates, pairs);
  zelvo_bench::PrintCeilingTable("32-bit 640x480 frame against the ceiling", rates, "BM_Ceiling32",
                                 {OURS32(0, 255), OURS32(1, 160), OURS32(1, 128), OURS32(2, 255), OURS32(2, 128),
                                  OURS32(3, 255), OURS32(3, 128), OURS32(4, 255), ALPHA32(0, 255), ALPHA32(1, 160),
                                  "BM_Pixman_Frame/row:0", "BM_Pixman_Frame/row:1", "BM_Pixman_Frame/row:2",
                                  "BM_Pixman_Frame/row:3", "BM_Pixman_Frame/row:4", "BM_Pixman_Frame/row:5",
                                  "BM_Pixman_Frame/row:6", "BM_Sdl_Frame/row:0", "BM_Sdl_Frame/row:1",
                                  "BM_Sdl_Frame/row:4"});
  zelvo_bench::PrintCeilingTable("16-bit 640x480 frame against the ceiling", rates, "BM_Ceiling16",
                                 {OURS16(0, 255), OURS16(1, 160), OURS16(1, 128), OURS16(2, 255), OURS16(2, 128),
                                  OURS16(3, 255), OURS16(3, 128), OURS16(4, 255)});
}

#undef OURS32
#undef OURS16
#undef ALPHA32

}  // namespace

int main(int argc, char** argv) {
  zelvo_bench::RegisterCeiling("BM_Ceiling32", kW * kH, 4);
  zelvo_bench::RegisterCeiling("BM_Ceiling16", kW * kH, 2);
  return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios);
}
