// Software blitters and shape rasterizers against pixman and SDL2's software blitter, on the same
// input bytes: a full 640x480 frame and 32x32 sprites, 32-bit and 16-bit. Each benchmark reports
// Mpx/s (destination pixels written); at the end a table gives ours / peer for the pairs that do
// comparable work.
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
  g_softBlend.drawRegion = {0, 0, kW, kH};
  g_softBlend.blendMode = mode;
  g_softBlend.blendParam = param;
}

// args: type (0 565, 1 8888), mode, param
void BM_Blit_Frame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(kW, kH, type, 0, 1), dst(kW, kH, type, 0, 2);
  for (auto _ : state) {
    BlitMemImg(&dst.m, &src.m, 0, 0, 0, nullptr);
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

// A whole frame of a picture with its own alpha (transparent flag 1): the work of pixman's OVER.
void BM_Blit_AlphaFrame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(kW, kH, type, 1, 1), dst(kW, kH, type, 0, 2);
  for (auto _ : state) {
    BlitMemImg(&dst.m, &src.m, 0, 0, 1, nullptr);
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

// 300 sprites of 32x32 spread over the frame, keyed (transparent flag 2: per-pixel path).
void BM_Blit_Sprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 0, 3), dst(kW, kH, type, 0, 4);
  for (auto _ : state) {
    for (int i = 0; i < 300; ++i) BlitMemImg(&dst.m, &src.m, (i * 37) % (kW - 32), (i * 53) % (kH - 32), 2, nullptr);
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, 300 * 32 * 32);
}

// 300 sprites of 32x32 with their own alpha (0, 255 and between), transparent flag 1.
void BM_Blit_AlphaSprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 1, 11), dst(kW, kH, type, 0, 12);
  for (auto _ : state) {
    for (int i = 0; i < 300; ++i) BlitMemImg(&dst.m, &src.m, (i * 37) % (kW - 32), (i * 53) % (kH - 32), 1, nullptr);
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
  for (auto _ : state) {
    StretchBlitMemImg(&dst.m, &src.m, &r, 0, nullptr);
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, kW * kH);
}

void BM_Stretch_Sprites(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture src(32, 32, type, 0, 7), dst(kW, kH, type, 0, 8);
  for (auto _ : state) {
    for (int i = 0; i < 300; ++i) {
      const int x = (i * 37) % (kW - 48), y = (i * 53) % (kH - 48);
      const IntRect r{x + 48, y, x, y + 48};  // 1.5x, mirrored
      StretchBlitMemImg(&dst.m, &src.m, &r, 2, nullptr);
    }
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, 300 * 48 * 48);
}

void BM_BoxFill_Frame(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  SetState(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  Picture dst(kW, kH, type, 0, 9);
  for (auto _ : state) {
    FillMemImgBox(&dst.m, 0, 0, kW, kH, 0x00406080);
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
  for (auto _ : state) {
    for (int i = 0; i < 200; ++i) DrawMemImgLine(&dst.m, (i * 13) % kW, (i * 71) % kH, (i * 97) % kW, (i * 31) % kH, 0x00C08040);
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
BENCHMARK(BM_Blit_AlphaFrame)->Args({1, 0, 255})->Args({1, 1, 160})->Args({0, 0, 255})->ArgNames({"type", "mode", "param"});
BENCHMARK(BM_Blit_AlphaSprites)->Args({1, 0, 255})->Args({1, 1, 160})->Args({0, 0, 255})->ArgNames({"type", "mode", "param"});
BENCHMARK(BM_Stretch_Frame)->Apply(ModeArgs);
BENCHMARK(BM_Stretch_Sprites)->Apply(ModeArgs);
BENCHMARK(BM_BoxFill_Frame)->Apply(ModeArgs);
BENCHMARK(BM_Lines)->Apply(ModeArgs);

#ifdef ZELVO_BENCH_PEERS

// pixman on the same bytes: x8r8g8b8 destination, a8r8g8b8 source premultiplied outside the timer.
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

// arg: pixman_op_t
void BM_Pixman_Frame(benchmark::State& state) {
  const auto op = static_cast<pixman_op_t>(state.range(0));
  Picture src(kW, kH, kMemImg8888, 1, 1), dst(kW, kH, kMemImg8888, 0, 2);
  pixman_image_t* s = PixmanImage(PIXMAN_a8r8g8b8, src, true);
  pixman_image_t* d = PixmanImage(PIXMAN_x8r8g8b8, dst, false);
  for (auto _ : state) {
    pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Pixman_Frame)->Arg(PIXMAN_OP_SRC)->Arg(PIXMAN_OP_OVER)->Arg(PIXMAN_OP_ADD)->Arg(PIXMAN_OP_MULTIPLY)->ArgName("op");

void BM_Sdl_Frame(benchmark::State& state) {
  const auto mode = static_cast<SDL_BlendMode>(state.range(0));
  Picture src(kW, kH, kMemImg8888, 1, 1), dst(kW, kH, kMemImg8888, 0, 2);
  SDL_Surface* s = SdlSurface(src, true);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_SetSurfaceBlendMode(s, mode);
  for (auto _ : state) {
    SDL_BlitSurface(s, nullptr, d, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Sdl_Frame)
    ->Arg(SDL_BLENDMODE_NONE)->Arg(SDL_BLENDMODE_BLEND)->Arg(SDL_BLENDMODE_ADD)->Arg(SDL_BLENDMODE_MOD)
    ->Arg(SDL_BLENDMODE_MUL)->ArgName("mode");

void BM_Sdl_Scaled(benchmark::State& state) {
  Picture src(kW / 2, kH / 2, kMemImg8888, 0, 5), dst(kW, kH, kMemImg8888, 0, 6);
  SDL_Surface* s = SdlSurface(src, false);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
  SDL_Rect r{0, 0, kW, kH};
  for (auto _ : state) {
    SDL_BlitScaled(s, nullptr, d, &r);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, kW * kH);
}
BENCHMARK(BM_Sdl_Scaled);

#endif

void PrintRatios(const std::map<std::string, double>& rates) {
#define OURS32(mode, param) "BM_Blit_Frame/type:1/mode:" #mode "/param:" #param
  static const std::vector<zelvo_bench::RatioPair> pairs = {
      {"copy vs pixman SRC", OURS32(0, 255), "BM_Pixman_Frame/op:1"},
      {"alpha vs pixman OVER", OURS32(1, 160), "BM_Pixman_Frame/op:3"},
      {"alpha source vs pixman OVER", "BM_Blit_AlphaFrame/type:1/mode:0/param:255", "BM_Pixman_Frame/op:3"},
      {"alpha source at 160 vs pixman OVER", "BM_Blit_AlphaFrame/type:1/mode:1/param:160", "BM_Pixman_Frame/op:3"},
      {"add vs pixman ADD", OURS32(2, 255), "BM_Pixman_Frame/op:12"},
      {"add p128 vs pixman ADD", OURS32(2, 128), "BM_Pixman_Frame/op:12"},
      {"multiply vs pixman MULTIPLY", OURS32(4, 255), "BM_Pixman_Frame/op:48"},
      {"copy vs SDL NONE", OURS32(0, 255), "BM_Sdl_Frame/mode:0"},
      {"alpha vs SDL BLEND", OURS32(1, 160), "BM_Sdl_Frame/mode:1"},
      {"alpha source vs SDL BLEND", "BM_Blit_AlphaFrame/type:1/mode:0/param:255", "BM_Sdl_Frame/mode:1"},
      {"add vs SDL ADD", OURS32(2, 255), "BM_Sdl_Frame/mode:2"},
      {"subtract vs SDL ADD", OURS32(3, 255), "BM_Sdl_Frame/mode:2"},
      {"multiply vs SDL MOD", OURS32(4, 255), "BM_Sdl_Frame/mode:4"},
      {"multiply vs SDL MUL", OURS32(4, 255), "BM_Sdl_Frame/mode:8"},
      {"stretch 2x vs SDL_BlitScaled", "BM_Stretch_Frame/type:1/mode:0/param:255", "BM_Sdl_Scaled"},
      {"subtract vs add (ours)", OURS32(3, 255), OURS32(2, 255)},
      {"subtract p128 vs add p128 (ours)", OURS32(3, 128), OURS32(2, 128)},
  };
#undef OURS32
  zelvo_bench::PrintRatioTable("32-bit 640x480 frame", "peer Mpx/s", rates, pairs);
}

}  // namespace

int main(int argc, char** argv) { return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios); }
