// The rotated blitter and the mapped quad against pixman (affine transform, NEAREST) and, for the
// quad, SDL2's software renderer (SDL_RenderGeometry, nearest), on the same input bytes: a 256x256
// picture turned 30 degrees at scale 1 and mapped onto a parallelogram, drawn into a 640x480
// frame. pixman's draws are clipped to exactly the destination pixels ours write, so every
// contender of a shape draws the same pixels; rates are in Mpx/s of those pixels. Before it is
// timed, every row of ours draws once on the scalar reference path and once on the timed path, and
// the two must be the same bytes; every peer row draws once beside ours on the same input, and the
// two frames must agree within a bound per colour channel on all but a small share (pixels at
// texel edges; for SDL2, which steps its texture coordinates coarser, within a pixel's reach). A
// table of ours / peer for the rows doing the same work follows, then every row against this
// machine's copy and add of the same bytes.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/machine_ceiling.h"
#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"
#include "media/software/quad_split.h"
#include "media/software/rotate_blit.h"

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

constexpr int kW = 640, kH = 480, kSide = 256, kCX = 320, kCY = 240;
constexpr double kDegrees = 30.0;
const float kAngle = static_cast<float>(kDegrees * std::numbers::pi / 180.0);
// The quad: a parallelogram, so that every contender maps it with one affine transform.
constexpr int kQuad[8] = {180, 60, 440, 130, 130, 330, 390, 400};

// What each benchmark row draws.
enum Op : int { kCopy, kKeyed, kSourceAlpha, kSourceAlphaParam, kParamAlpha, kAdd, kSubtract, kMultiply };

void SetState(int op) {
  InitSoftBlendTables();
  g_softBlend.drawRegion = {0, 0, kW, kH};
  static const int modes[] = {kBlendNone,  kBlendNone, kBlendNone,      kBlendAlpha,
                              kBlendAlpha, kBlendAdd,  kBlendSubtract, kBlendMultiply};
  g_softBlend.blendMode = modes[op];
  g_softBlend.blendParam = op == kParamAlpha || op == kSourceAlphaParam ? 160 : 255;
}

bool HasAlpha(int op) { return op == kSourceAlpha || op == kSourceAlphaParam; }

// The destination pixels a draw writes, found once by drawing a picture with no zero pixel onto
// zeros: one run per row (both shapes are convex).
struct Drawn {
  double pixels = 0;
  std::vector<std::array<int, 4>> rows;  // x0, y, x1, y + 1
};

template <class Draw>
Drawn FindDrawn(Draw draw) {
  SetState(kCopy);
  Picture src(kSide, kSide, kMemImg8888, 0, 1), dst(kW, kH, kMemImg8888, 0, 2);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < src.m.pitch; ++x) src.m.pixels[y * src.m.pitch + x] |= 1;
  }
  std::memset(dst.m.pixels, 0, static_cast<size_t>(dst.m.pitch) * kH);
  draw(&dst.m, &src.m);
  Drawn out;
  for (int y = 0; y < kH; ++y) {
    int x0 = -1, x1 = -1;
    for (int x = 0; x < kW; ++x) {
      uint32_t v = 0;
      std::memcpy(&v, dst.m.pixels + y * dst.m.pitch + x * 4, 4);
      if (v == 0) continue;
      if (x0 < 0) x0 = x;
      x1 = x + 1;
      out.pixels += 1;
    }
    if (x0 >= 0) out.rows.push_back({x0, y, x1, y + 1});
  }
  return out;
}

void DrawRotated(MEMIMG* d, const MEMIMG* s, int trans) { RotateBlitMemImg(d, s, kCX, kCY, kAngle, 1.0f, trans, 0, nullptr); }
void DrawQuad(MEMIMG* d, const MEMIMG* s, int trans) { QuadMapMemImg(d, s, kQuad, trans, nullptr); }

const Drawn& RotatedDrawn() {
  static const Drawn n = FindDrawn([](MEMIMG* d, const MEMIMG* s) { DrawRotated(d, s, 0); });
  return n;
}
const Drawn& QuadDrawn() {
  static const Drawn n = FindDrawn([](MEMIMG* d, const MEMIMG* s) { DrawQuad(d, s, 0); });
  return n;
}
double RotatedPixels() { return RotatedDrawn().pixels; }
double QuadPixels() { return QuadDrawn().pixels; }

// args: type (0 565, 1 8888), op
template <bool Quad>
void BM_Ours(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0)), op = static_cast<int>(state.range(1));
  const double pixels = Quad ? QuadPixels() : RotatedPixels();
  SetState(op);
  Picture src(kSide, kSide, type, HasAlpha(op), 3), dst(kW, kH, type, 0, 4);
  const int trans = op == kKeyed || HasAlpha(op);
  auto draw = [&] {
    if (Quad) DrawQuad(&dst.m, &src.m, trans);
    else DrawRotated(&dst.m, &src.m, trans);
  };
  if (!zelvo_bench::MatchesScalarReference(state, dst, draw)) return;
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  zelvo_bench::SetMpxRate(state, pixels);
}

void OurArgs(benchmark::internal::Benchmark* b) {
  for (int type : {1, 0}) {
    for (int op = kCopy; op <= kMultiply; ++op) b->Args({type, op});
  }
  b->ArgNames({"type", "op"});
}

void BM_Rotate(benchmark::State& state) { BM_Ours<false>(state); }
void BM_Quad(benchmark::State& state) { BM_Ours<true>(state); }
BENCHMARK(BM_Rotate)->Apply(OurArgs);
BENCHMARK(BM_Quad)->Apply(OurArgs);

#ifdef ZELVO_BENCH_PEERS

// The peer rows: what each draws.
enum PeerRow : int {
  kPeerCopy,            // copy of a picture without alpha
  kPeerOver,            // per-pixel alpha
  kPeerOverMaskAlpha,   // per-pixel alpha at 160
  kPeerOverMaskOpaque,  // constant alpha 160, picture without alpha
};

// Ours drawn once for a peer row on the same input bytes (the seeds the peer rows use): copy,
// per-pixel alpha, per-pixel alpha at 160, constant alpha 160.
void DrawOursForPeer(bool quad, int peerRow, Picture& dst) {
  static const int kOpOfPeerRow[] = {kCopy, kSourceAlpha, kSourceAlphaParam, kParamAlpha};
  const int op = kOpOfPeerRow[peerRow];
  SetState(op);
  Picture src(kSide, kSide, kMemImg8888, HasAlpha(op), 3);
  if (quad) DrawQuad(&dst.m, &src.m, HasAlpha(op));
  else DrawRotated(&dst.m, &src.m, HasAlpha(op));
}

// How far a peer may be from ours: a channel may round a step or two apart in the blends (pixman
// divides by 255 with rounding, SDL2 approximates further). pixman picks the texel ours does but
// where a pixel's sample point falls within a rounding step of a texel edge, where it may take the
// neighbour, which on random pictures is any value: a small share of the channels. SDL2 steps its
// texture coordinates coarser and is often a texel off, so its frame is held against ours pixel by
// pixel allowing the nine pixels around, both drawn onto one grey (so that a neighbour's blend
// means the same). The two also cover the edge pixels differently (the quad's outline is about
// 1100 pixels, 0.4% of the frame), which the share allows for.
constexpr int kPixmanBound = 3;
constexpr int kSdlBound = 5;
constexpr double kEdgeTexelShare = 0.003;
constexpr double kSdlEdgeShare = 0.008;
constexpr std::uint8_t kGrey = 0x80;

enum class Match { kSameTexel, kNearbyTexel };

// Draws the peer once (`peerDraw` into `peerDst`) and ours once from the same input, and compares
// the whole frames; false, with the run skipped, when they are further apart than the bound.
// `keepOutside` puts back what the peer drew outside the pixels ours draws (the unclipped pixman
// rows clear the corners of the bounding box, which is their extra work, not a different result).
template <class PeerDraw>
bool PeerAgrees(benchmark::State& state, bool quad, int peerRow, Picture& peerDst, bool keepOutside, Match match,
                PeerDraw peerDraw) {
  const std::size_t bytes = static_cast<std::size_t>(peerDst.m.pitch) * kH;
  Picture ours(kW, kH, kMemImg8888, 0, 4);
  const std::vector<uint8_t> before(peerDst.m.pixels, peerDst.m.pixels + bytes);
  if (match == Match::kNearbyTexel) {
    std::memset(ours.m.pixels, kGrey, bytes);
    std::memset(peerDst.m.pixels, kGrey, bytes);
  }
  const std::vector<uint8_t> under(peerDst.m.pixels, peerDst.m.pixels + bytes);
  DrawOursForPeer(quad, peerRow, ours);
  peerDraw();
  if (keepOutside) {
    std::vector<uint8_t> drawn(peerDst.m.pixels, peerDst.m.pixels + bytes);
    std::memcpy(peerDst.m.pixels, under.data(), bytes);
    for (const auto& r : (quad ? QuadDrawn() : RotatedDrawn()).rows) {
      const std::size_t at = static_cast<std::size_t>(r[1]) * peerDst.m.pitch + static_cast<std::size_t>(r[0]) * 4;
      std::memcpy(peerDst.m.pixels + at, drawn.data() + at, static_cast<std::size_t>(r[2] - r[0]) * 4);
    }
  }
  const bool same = match == Match::kSameTexel;
  const int bound = same ? kPixmanBound : kSdlBound;
  const zelvo_bench::ChannelDifference d =
      same ? zelvo_bench::CompareChannels(ours.m.pixels, ours.m.pitch, peerDst.m.pixels, peerDst.m.pitch, kW, kH, bound)
           : zelvo_bench::CompareChannelsNearby(ours.m.pixels, ours.m.pitch, peerDst.m.pixels, peerDst.m.pitch, kW, kH,
                                                bound);
  std::memcpy(peerDst.m.pixels, before.data(), bytes);
  return zelvo_bench::ChannelsAgree(state, d, bound, same ? kEdgeTexelShare : kSdlEdgeShare);
}

// SDL's software renderer fills the quad's two triangles, nearest, as ours does.
void BM_Sdl_RenderGeometry(benchmark::State& state) {
  const int row = static_cast<int>(state.range(0));
  const bool alpha = row == kPeerOver || row == kPeerOverMaskAlpha;
  Picture src(kSide, kSide, kMemImg8888, alpha, 3), dst(kW, kH, kMemImg8888, 0, 4);
  SDL_Surface* s = SdlSurface(src, alpha);
  SDL_Surface* d = SdlSurface(dst, false);
  SDL_Renderer* r = SDL_CreateSoftwareRenderer(d);
  SDL_Texture* t = SDL_CreateTextureFromSurface(r, s);
  SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(t, row == kPeerCopy ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
  const Uint8 level = row == kPeerOverMaskAlpha || row == kPeerOverMaskOpaque ? 160 : 255;
  const SDL_Color colour{255, 255, 255, level};
  const SDL_Vertex v[4] = {
      {{static_cast<float>(kQuad[0]), static_cast<float>(kQuad[1])}, colour, {0, 0}},
      {{static_cast<float>(kQuad[2]), static_cast<float>(kQuad[3])}, colour, {1, 0}},
      {{static_cast<float>(kQuad[4]), static_cast<float>(kQuad[5])}, colour, {0, 1}},
      {{static_cast<float>(kQuad[6]), static_cast<float>(kQuad[7])}, colour, {1, 1}},
  };
  const int indices[6] = {0, 1, 2, 1, 2, 3};
  auto draw = [&] {
    SDL_RenderGeometry(r, t, v, 4, indices, 6);
    SDL_RenderFlush(r);
  };
  if (PeerAgrees(state, true, row, dst, false, Match::kNearbyTexel, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  SDL_DestroyTexture(t);
  SDL_DestroyRenderer(r);
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  zelvo_bench::SetMpxRate(state, QuadPixels());
}
BENCHMARK(BM_Sdl_RenderGeometry)->DenseRange(kPeerCopy, kPeerOverMaskOpaque)->ArgName("row");

// pixman: destination-to-source transform, NEAREST. Clipped (clip:1), the destination is limited
// to the pixels ours draws, so corners outside the picture are neither cleared nor blended; its
// clip costs a call per row. Unclipped (clip:0) it draws the bounding box, and its rate counts the
// box's pixels. The table takes the faster of the two.
template <bool Quad>
void BM_Pixman(benchmark::State& state) {
  const int row = static_cast<int>(state.range(0));
  const bool clipped = state.range(1) != 0;
  const bool alpha = row == kPeerOver || row == kPeerOverMaskAlpha;
  Picture src(kSide, kSide, kMemImg8888, alpha, 3), dst(kW, kH, kMemImg8888, 0, 4);
  if (alpha) {
    for (int y = 0; y < kSide; ++y) {
      uint8_t* q = src.m.pixels + y * src.m.pitch;
      for (int x = 0; x < kSide; ++x, q += 4) {
        for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(q[c] * q[3] / 255);
      }
    }
  }
  pixman_image_t* s = pixman_image_create_bits(alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, kSide, kSide,
                                               reinterpret_cast<uint32_t*>(src.m.pixels), src.m.pitch);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(dst.m.pixels), dst.m.pitch);
  const Drawn& drawn = Quad ? QuadDrawn() : RotatedDrawn();
  pixman_region32_t clip;
  std::vector<pixman_box32_t> boxes;
  for (const auto& r : drawn.rows) boxes.push_back({r[0], r[1], r[2], r[3]});
  pixman_region32_init_rects(&clip, boxes.data(), static_cast<int>(boxes.size()));
  if (clipped) pixman_image_set_clip_region32(d, &clip);
  pixman_f_transform f;
  if (Quad) {
    // (u, v) -> p0 + u (p1 - p0) / 256 + v (p2 - p0) / 256, inverted.
    const double ax = (kQuad[2] - kQuad[0]) / 256.0, ay = (kQuad[3] - kQuad[1]) / 256.0;
    const double cx = (kQuad[4] - kQuad[0]) / 256.0, cy = (kQuad[5] - kQuad[1]) / 256.0;
    pixman_f_transform fwd;
    pixman_f_transform_init_identity(&fwd);
    fwd.m[0][0] = ax, fwd.m[0][1] = cx, fwd.m[0][2] = kQuad[0];
    fwd.m[1][0] = ay, fwd.m[1][1] = cy, fwd.m[1][2] = kQuad[1];
    pixman_f_transform_invert(&f, &fwd);
  } else {
    const double a = kDegrees * std::numbers::pi / 180.0, c = std::cos(a), sn = std::sin(a);
    pixman_f_transform_init_identity(&f);
    f.m[0][0] = c, f.m[0][1] = sn, f.m[0][2] = -c * kCX - sn * kCY + kSide / 2;
    f.m[1][0] = -sn, f.m[1][1] = c, f.m[1][2] = sn * kCX - c * kCY + kSide / 2;
  }
  // pixman samples at a destination pixel's centre, ours at its top-left corner: moved half a
  // pixel, both pick the same texel.
  f.m[0][2] -= 0.5 * (f.m[0][0] + f.m[0][1]);
  f.m[1][2] -= 0.5 * (f.m[1][0] + f.m[1][1]);
  pixman_transform t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_t* mask = nullptr;
  if (row == kPeerOverMaskAlpha || row == kPeerOverMaskOpaque) {
    const pixman_color_t level{160 * 257, 160 * 257, 160 * 257, 160 * 257};
    mask = pixman_image_create_solid_fill(&level);
  }
  const pixman_op_t op = row == kPeerCopy ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
  const pixman_box32_t* extent = pixman_region32_extents(&clip);
  const int bx = extent->x1, by = extent->y1, bw = extent->x2 - extent->x1, bh = extent->y2 - extent->y1;
  auto draw = [&] { pixman_image_composite32(op, s, mask, d, bx, by, 0, 0, bx, by, bw, bh); };
  if (PeerAgrees(state, Quad, row, dst, !clipped, Match::kSameTexel, draw)) {
    for (auto _ : state) {
      draw();
      benchmark::ClobberMemory();
    }
  }
  if (mask) pixman_image_unref(mask);
  pixman_region32_fini(&clip);
  pixman_image_unref(s);
  pixman_image_unref(d);
  zelvo_bench::SetMpxRate(state, clipped ? drawn.pixels : static_cast<double>(bw) * bh);
}
void BM_Pixman_Rotate(benchmark::State& state) { BM_Pixman<false>(state); }
void BM_Pixman_Quad(benchmark::State& state) { BM_Pixman<true>(state); }
void PixmanArgs(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{kPeerCopy, kPeerOver, kPeerOverMaskAlpha, kPeerOverMaskOpaque}, {1, 0}})->ArgNames({"row", "clip"});
}
BENCHMARK(BM_Pixman_Rotate)->Apply(PixmanArgs);
BENCHMARK(BM_Pixman_Quad)->Apply(PixmanArgs);

#endif

std::string Name(const std::string& benchmark, const char* arg, int value) {
  return benchmark + "/" + arg + ":" + std::to_string(value);
}

void PrintRatios(const std::map<std::string, double>& rates) {
  // Keyed copies, add, subtract and multiply have no peer doing the same work.
  struct Row {
    const char* what;
    int op;
    int peerRow;
  };
  static const Row rows[] = {
      {"copy", kCopy, kPeerCopy},
      {"source alpha", kSourceAlpha, kPeerOver},
      {"source alpha p160", kSourceAlphaParam, kPeerOverMaskAlpha},
      {"constant alpha p160", kParamAlpha, kPeerOverMaskOpaque},
  };
  std::printf("\n%-28s %10s %-30s %10s %7s\n", "32-bit, 256x256", "ours", "fastest peer", "peer", "ratio");
  for (const char* shape : {"Rotate", "Quad"}) {
    const bool quad = std::string(shape) == "Quad";
    for (const Row& r : rows) {
      auto a = rates.find(Name(std::string("BM_") + shape + "/type:1", "op", r.op));
      if (a == rates.end()) continue;
      const std::string pixman = Name(std::string("BM_Pixman_") + shape, "row", r.peerRow);
      std::vector<std::string> peers = {pixman + "/clip:1", pixman + "/clip:0"};
      if (quad) peers.push_back(Name("BM_Sdl_RenderGeometry", "row", r.peerRow));
      std::string best;
      double bestRate = 0;
      for (const std::string& p : peers) {
        auto b = rates.find(p);
        if (b != rates.end() && b->second > bestRate) best = p, bestRate = b->second;
      }
      if (best.empty()) continue;
      const std::string what = std::string(quad ? "quad " : "rotate ") + r.what;
      std::printf("%-28s %10.0f %-30s %10.0f %7.2f\n", what.c_str(), a->second, best.c_str(), bestRate,
                  a->second / bestRate);
    }
  }
  for (const char* shape : {"Rotate", "Quad"}) {
    std::vector<std::string> names;
    for (int op = kCopy; op <= kMultiply; ++op) names.push_back(Name(std::string("BM_") + shape + "/type:1", "op", op));
    for (int row = kPeerCopy; row <= kPeerOverMaskOpaque; ++row) {
      for (int clip : {1, 0}) names.push_back(Name(Name(std::string("BM_Pixman_") + shape, "row", row), "clip", clip));
    }
    std::vector<const char*> list;
    for (const std::string& n : names) list.push_back(n.c_str());
    const std::string title = std::string("32-bit ") + shape + ", against the ceiling";
    zelvo_bench::PrintCeilingTable(title.c_str(), rates, std::string("BM_Ceiling_") + shape, list);
  }
}

}  // namespace

int main(int argc, char** argv) {
  zelvo_bench::RegisterCeiling("BM_Ceiling_Rotate", RotatedPixels(), 4);
  zelvo_bench::RegisterCeiling("BM_Ceiling_Quad", QuadPixels(), 4);
  return zelvo_bench::RunBenchmarks(argc, argv, PrintRatios);
}
