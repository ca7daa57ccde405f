// Drawing a cached 40-character line of mixed Japanese and ASCII text: ours through the public
// text entry (plain, edged and antialiased default font) in software rendering, against SDL2_ttf
// rendering the same string with the same face and size to a surface and blitting it onto a
// 640x480 screen surface. Before the timing both lines are drawn once and their ink compared: the
// two rasterize the face their own way, so the ink's extent must agree within a few pixels and its
// amount within a factor. On a shared machine run it with --benchmark_repetitions=12
// --benchmark_enable_random_interleaving=true: the table then compares medians taken under the same
// load.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include <zelvo/zelvo.h>

#include "bench_support.h"
#include "platform/testing.h"
#include "font_file.h"

#ifdef ZELVO_BENCH_SDL2_TTF
#include <SDL.h>
#include <SDL_ttf.h>
#endif

namespace {

// 40 characters: 22 Japanese, 18 ASCII.
constexpr char kLineUtf8[] = "ゼルボの文字描画：日本語とASCII textが混ざる一行です。Zelvo 2D";
constexpr int kCharacters = 40;

std::string Cp932(const char* utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  std::string out(256, '\0');
  char* in = const_cast<char*>(utf8);
  char* to = out.data();
  std::size_t left = std::char_traits<char>::length(utf8), room = out.size();
  iconv(cd, &in, &left, &to, &room);
  iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

void SetCharRate(benchmark::State& state) {
  state.counters["Mchar/s"] =
      benchmark::Counter(kCharacters * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// Where a drawn line has ink: its box and how many pixels.
struct Ink {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
  long pixels = 0;
  void Add(int x, int y) {
    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
    ++pixels;
  }
};

// The ink of each style of ours, kept by its run for the peer's run to compare with.
std::map<int, Ink> g_oursInk;

// The same extent within a few pixels, and the same amount within a factor: the library emboldens
// its glyphs, each a pixel wider and a pixel further on, and the edge style adds its edge.
bool InkAgrees(benchmark::State& state, const Ink& ours, const Ink& peer) {
  constexpr int kExtent = 4;
  constexpr double kFactor = 2.5;
  const int width = ours.right - ours.left, peerWidth = peer.right - peer.left;
  const bool same = ours.pixels > 0 && peer.pixels > 0 && std::abs(width - peerWidth) <= kCharacters + kExtent &&
                    std::abs((ours.bottom - ours.top) - (peer.bottom - peer.top)) <= kExtent &&
                    ours.pixels <= kFactor * peer.pixels && peer.pixels <= kFactor * ours.pixels;
  state.counters["ink width"] = width;
  if (!same) state.SkipWithError("the two lines' ink differs");
  return same;
}

void BM_Zelvo_Text(benchmark::State& state) {
  static const std::string line = Cp932(kLineUtf8);
  SetDefaultFontStyle(static_cast<int>(state.range(0)));
  const unsigned white = PackColor(255, 255, 255), black = PackColor(0, 0, 0);
  DrawRectangle(0, 0, 640, 480, black, 1);
  DrawTextDefaultFont(10, 100, line.c_str(), white, black);   // fills the cache
#ifdef ZELVO_BENCH_SDL2_TTF
  // The line read back: whatever is not black is ink.
  char shot[64];
  std::snprintf(shot, sizeof shot, "/tmp/zelvo-text-bench-%d.bmp", static_cast<int>(getpid()));
  Ink ink;
  SDL_Surface* loaded = SaveScreenRectToFile(0, 0, 640, 480, shot, 0, 0, 0) == 0 ? SDL_LoadBMP(shot) : nullptr;
  SDL_Surface* argb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
  std::remove(shot);
  for (int y = 0; argb != nullptr && y < argb->h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < argb->w; ++x) {
      if ((row[x] & 0xFFFFFF) != 0) ink.Add(x, y);
    }
  }
  if (argb != nullptr) SDL_FreeSurface(argb);
  if (loaded != nullptr) SDL_FreeSurface(loaded);
  g_oursInk[static_cast<int>(state.range(0))] = ink;
  if (ink.pixels == 0) {
    state.SkipWithError("no text of ours to compare");
    return;
  }
#endif
  for (auto _ : state) benchmark::DoNotOptimize(DrawTextDefaultFont(10, 100, line.c_str(), white, black));
  SetCharRate(state);
}
BENCHMARK(BM_Zelvo_Text)->Arg(0)->Arg(1)->Arg(2)->ArgName("style");

#ifdef ZELVO_BENCH_SDL2_TTF
void BM_SdlTtf_Text(benchmark::State& state) {
  TTF_Init();
  TTF_Font* font = TTF_OpenFont(zelvo_bench::IpaGothicFile().c_str(), zelvo_bench::kDefaultFontPoints);
  SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_RGB888);
  if (font == nullptr || screen == nullptr) {
    state.SkipWithError("SDL2_ttf cannot open the face");
    return;
  }
  const SDL_Color white{255, 255, 255, 255};
  const bool blended = state.range(0) == 2;
  auto draw = [&] {
    SDL_Surface* text = blended ? TTF_RenderUTF8_Blended(font, kLineUtf8, white) : TTF_RenderUTF8_Solid(font, kLineUtf8, white);
    SDL_Rect to{10, 100, 0, 0};
    SDL_BlitSurface(text, nullptr, screen, &to);
    SDL_FreeSurface(text);
  };
  SDL_FillRect(screen, nullptr, 0);
  draw();
  Ink ink;
  for (int y = 0; y < screen->h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(screen->pixels) + y * screen->pitch);
    for (int x = 0; x < screen->w; ++x) {
      if ((row[x] & 0xFFFFFF) != 0) ink.Add(x, y);
    }
  }
  const auto ours = g_oursInk.find(static_cast<int>(state.range(0)));
  if (ours == g_oursInk.end()) {
    state.SkipWithError("no text of ours to compare with: run it with BM_Zelvo_Text of the same style");
  } else if (InkAgrees(state, ours->second, ink)) {
    for (auto _ : state) draw();
  }
  SetCharRate(state);
  SDL_FreeSurface(screen);
  TTF_CloseFont(font);
  TTF_Quit();
}
// Solid (1-bit) is the peer of the plain and edged styles, Blended of the antialiased one.
BENCHMARK(BM_SdlTtf_Text)->Arg(0)->Arg(2)->ArgName("style");
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // A title of its own: the window class, and with it the single-instance lock, is not shared.
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-text-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  // Software rendering: the Z buffer cannot be attached, so the library draws text itself.
  pf::testing::FailNextCalls("AddAttachedSurface", 1);
  if (StartUpLibrary() != 0) return 1;
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  zelvo_bench::RateCollector reporter("Mchar/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  struct Pair {
    const char* what;
    const char* ours;
    const char* peer;
  };
  const Pair pairs[] = {
      {"plain vs TTF_RenderUTF8_Solid", "BM_Zelvo_Text/style:0", "BM_SdlTtf_Text/style:0"},
      {"edged vs TTF_RenderUTF8_Solid", "BM_Zelvo_Text/style:1", "BM_SdlTtf_Text/style:0"},
      {"antialiased vs TTF_RenderUTF8_Blended", "BM_Zelvo_Text/style:2", "BM_SdlTtf_Text/style:2"},
  };
  std::printf("\n%-40s %12s %12s %8s\n", "cached 40-character line", "ours Mchar/s", "peer Mchar/s", "ratio");
  for (const Pair& p : pairs) {
    auto a = reporter.rates.find(p.ours), b = reporter.rates.find(p.peer);
    if (a == reporter.rates.end() || b == reporter.rates.end() || b->second <= 0) continue;
    std::printf("%-40s %12.2f %12.2f %8.2f\n", p.what, a->second, b->second, a->second / b->second);
  }
  benchmark::Shutdown();
  ShutDownLibrary();
  return 0;
}
