// A battle-like frame through the public entries: a 640x480 background, 250 keyed 32x32 tiles,
// 100 alpha-blended 64x64 sprites, 300 additive 12x12 particles and a 200-character text line.
// Drawn through Direct3D (the stand-in's default device), in software rendering, and the same frame
// through SDL2's software renderer, its text by SDL2_ttf from the same face at the same size.
// Before the timing each frame of ours is read back and compared with SDL2's: the library draws in
// 16 bits a pixel and the two rasterize glyphs their own way, so the frames must agree within a
// bound per colour channel on all but a small share of the channel values (the text's).
// Reported as frames per second and milliseconds a frame.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "bench_support.h"
#include "font_file.h"
#include "media/core/library_lock.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "platform/testing.h"

#ifdef ZELVO_BENCH_SDL2_TTF
#include <SDL_ttf.h>
#endif

namespace {

constexpr int kTiles = 250, kSprites = 100, kParticles = 300, kTextLength = 200;

struct Place {
  int x, y;
};

std::vector<Place> Places(int count, int size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Place> out;
  for (int i = 0; i < count; ++i) {
    out.push_back(Place{static_cast<int>(rng() % static_cast<std::uint32_t>(640 - size)),
                        static_cast<int>(rng() % static_cast<std::uint32_t>(480 - size))});
  }
  return out;
}

using zelvo_bench::WriteBmp;

std::uint32_t Background(int x, int y) { return static_cast<std::uint32_t>((x * 3) & 0xFF) << 16 | ((y * 2) & 0xFF) << 8 | 0x40; }
// Black is the key: a ring of black around a patterned tile.
std::uint32_t Tile(int x, int y) { return x < 2 || y < 2 || x > 29 || y > 29 ? 0 : 0x80A040u + static_cast<std::uint32_t>(x ^ y); }
std::uint32_t Sprite(int x, int y) { return 0xC08040u + static_cast<std::uint32_t>((x + y) & 0x3F); }
// The sprite's alpha picture: a soft disc.
std::uint32_t SpriteAlpha(int x, int y) {
  const int dx = x - 32, dy = y - 32, d = dx * dx + dy * dy;
  const int a = d >= 1024 ? 0 : 255 - d / 4;
  const std::uint32_t v = static_cast<std::uint32_t>(a < 0 ? 0 : a);
  return v << 16 | v << 8 | v;
}
std::uint32_t Particle(int x, int y) {
  const int dx = x - 6, dy = y - 6;
  return dx * dx + dy * dy > 36 ? 0 : 0x806020u;
}

std::string Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/zelvo-battle-frame-XXXXXX";
    const char* made = mkdtemp(name);
    const std::string path = made != nullptr ? made : "/tmp";
    WriteBmp(path + "/bg.bmp", 640, 480, Background);
    WriteBmp(path + "/tile.bmp", 32, 32, Tile);
    WriteBmp(path + "/sprite.bmp", 64, 64, Sprite);
    WriteBmp(path + "/sprite_a.bmp", 64, 64, SpriteAlpha);
    WriteBmp(path + "/spark.bmp", 12, 12, Particle);
    return path;
  }();
  return folder;
}

const std::string& TextLine() {
  static const std::string line = [] {
    std::string s;
    while (static_cast<int>(s.size()) < kTextLength) s += "Zelvo battle frame 0123456789 ";
    s.resize(kTextLength);
    return s;
  }();
  return line;
}

// A finished frame as 0xAARRGGBB words, 640x480.
using Frame = std::vector<std::uint32_t>;

// How far the two frames may be apart: a channel is "off" when it differs by more than
// kChannelBound (a 16-bit pixel holds 5 or 6 bits a channel, and blends round differently), and at
// most kOffShare of all channel values may be off (the text line is 3% of the frame, and the two
// glyph rasterizers agree on most of it).
constexpr int kChannelBound = 24;
constexpr double kOffShare = 0.02;

struct FrameDifference {
  double offShare;   // of the channel values
  int largest;
};

FrameDifference Compare(const Frame& a, const Frame& b) {
  FrameDifference d{0.0, 0};
  if (a.size() != b.size() || a.empty()) return FrameDifference{1.0, 255};
  std::size_t off = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int difference = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
      d.largest = std::max(d.largest, difference);
      off += difference > kChannelBound ? 1 : 0;
    }
  }
  d.offShare = static_cast<double>(off) / (3.0 * static_cast<double>(a.size()));
  return d;
}

// False, with the run skipped, when the frames are further apart than the bound.
bool FramesAgree(benchmark::State& state, const Frame& ours, const Frame& peer) {
  const FrameDifference d = Compare(ours, peer);
  state.counters["off %"] = 100.0 * d.offShare;
  if (d.offShare <= kOffShare) return true;
  char why[96];
  std::snprintf(why, sizeof why, "the frames differ: %.2f%% of the channels by more than %d", 100.0 * d.offShare,
                kChannelBound);
  state.SkipWithError(why);
  return false;
}

#ifdef ZELVO_BENCH_SDL2_TTF
// A BMP read back as 0xAARRGGBB words.
Frame ReadFrame(const std::string& path) {
  SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
  SDL_Surface* argb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
  Frame frame;
  if (argb != nullptr && argb->w == 640 && argb->h == 480) {
    for (int y = 0; y < 480; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(argb->pixels) + y * argb->pitch);
      frame.insert(frame.end(), row, row + 640);
    }
  }
  if (argb != nullptr) SDL_FreeSurface(argb);
  if (loaded != nullptr) SDL_FreeSurface(loaded);
  return frame;
}

Frame SdlFrameOnce();

// The library's software frame, kept by its run for the SDL2 run to compare with.
Frame g_oursSoftwareFrame;
#endif

void SetFrameRate(benchmark::State& state) {
  state.counters["frame/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The library's frame: `software` starts it in software rendering (the Z buffer cannot be attached).
void BM_Zelvo_BattleFrame(benchmark::State& state) {
  const bool software = state.range(0) == 1;
  const std::string folder = Folder();
  if (chdir(folder.c_str()) != 0) {
    state.SkipWithError("no scratch folder");
    return;
  }
  SwitchWindowMode(1);
  SetWindowTitleText("zelvo battle frame");
  SetLogFileEnabled(0);
  if (software) pf::testing::FailNextCalls("AddAttachedSurface", 1);
  if (StartUpLibrary() != 0) {
    state.SkipWithError("the library did not start");
    return;
  }
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  const int background = LoadGraphFile("bg.bmp", 0), tile = LoadGraphFile("tile.bmp", 0);
  const int sprite = LoadGraphFile("sprite.bmp", 0), spark = LoadGraphFile("spark.bmp", 0);
  const std::vector<Place> tiles = Places(kTiles, 32, 1), sprites = Places(kSprites, 64, 2);
  const std::vector<Place> sparks = Places(kParticles, 12, 3);
  const unsigned white = PackColor(255, 255, 255), black = PackColor(0, 0, 0);
  auto frame = [&] {
    BlitGraph(0, 0, background, 0);
    for (const Place& p : tiles) BlitGraph(p.x, p.y, tile, 1);
    for (const Place& p : sprites) BlitGraph(p.x, p.y, sprite, 1);
    SetBlendMode(2, 200);
    for (const Place& p : sparks) BlitGraph(p.x, p.y, spark, 1);
    SetBlendMode(0, 0);
    DrawTextDefaultFont(0, 440, TextLine().c_str(), white, black);
    // Every queued vertex reaches the back buffer inside the frame.
    zelvo::LibraryLockGuard lock;
    zelvo::EndDirect3DScene();
  };
  frame();   // textures, glyph cache
#ifdef ZELVO_BENCH_SDL2_TTF
  const std::string shot = folder + "/ours.bmp";
  const Frame ours = SaveScreenRectToFile(0, 0, 640, 480, shot.c_str(), 0, 0, 0) == 0 ? ReadFrame(shot) : Frame{};
  if (software) g_oursSoftwareFrame = ours;
  if (ours.empty() || !FramesAgree(state, ours, SdlFrameOnce())) {
    if (!state.error_occurred()) state.SkipWithError("the frame could not be read back");
    ShutDownLibrary();
    return;
  }
#endif
  for (auto _ : state) frame();
  SetFrameRate(state);
  ShutDownLibrary();
}
BENCHMARK(BM_Zelvo_BattleFrame)->Arg(0)->Arg(1)->ArgName("software")->Unit(benchmark::kMillisecond);

#ifdef ZELVO_BENCH_SDL2_TTF
SDL_Texture* LoadTexture(SDL_Renderer* renderer, const std::string& path, const std::string& alphaPath, bool keyed) {
  SDL_Surface* surface = SDL_LoadBMP(path.c_str());
  if (surface == nullptr) return nullptr;
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(surface);
  if (!alphaPath.empty()) {
    SDL_Surface* alpha = SDL_LoadBMP(alphaPath.c_str());
    SDL_Surface* alpha32 = alpha != nullptr ? SDL_ConvertSurfaceFormat(alpha, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    if (alpha32 != nullptr) {
      for (int y = 0; y < converted->h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(converted->pixels) + y * converted->pitch);
        const auto* a = reinterpret_cast<const std::uint32_t*>(static_cast<unsigned char*>(alpha32->pixels) + y * alpha32->pitch);
        for (int x = 0; x < converted->w; ++x) row[x] = (row[x] & 0xFFFFFF) | (a[x] & 0xFF) << 24;
      }
      SDL_FreeSurface(alpha32);
    }
    if (alpha != nullptr) SDL_FreeSurface(alpha);
  }
  if (keyed) SDL_SetColorKey(converted, SDL_TRUE, SDL_MapRGB(converted->format, 0, 0, 0));
  SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, converted);
  SDL_FreeSurface(converted);
  return texture;
}

// The same frame through SDL2's software renderer into a 640x480 ARGB surface. The text line is
// rendered by SDL2_ttf each frame, as a game without a text cache of its own draws it.
struct SdlScene {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(640 * 480, 0);
  SDL_Surface* target = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* background = nullptr;
  SDL_Texture* tile = nullptr;
  SDL_Texture* sprite = nullptr;
  SDL_Texture* spark = nullptr;
  TTF_Font* font = nullptr;
  std::vector<Place> tiles = Places(kTiles, 32, 1), sprites = Places(kSprites, 64, 2), sparks = Places(kParticles, 12, 3);

  // Empty when everything is there, else what is missing.
  std::string Open() {
    const std::string folder = Folder();
    target = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 640, 480, 32, 640 * 4, SDL_PIXELFORMAT_ARGB8888);
    renderer = target != nullptr ? SDL_CreateSoftwareRenderer(target) : nullptr;
    if (renderer == nullptr) return SDL_GetError();
    background = LoadTexture(renderer, folder + "/bg.bmp", "", false);
    tile = LoadTexture(renderer, folder + "/tile.bmp", "", true);
    sprite = LoadTexture(renderer, folder + "/sprite.bmp", folder + "/sprite_a.bmp", false);
    spark = LoadTexture(renderer, folder + "/spark.bmp", "", true);
    if (background == nullptr || tile == nullptr || sprite == nullptr || spark == nullptr) return "SDL could not load the pictures";
    SDL_SetTextureBlendMode(background, SDL_BLENDMODE_NONE);
    SDL_SetTextureBlendMode(sprite, SDL_BLENDMODE_BLEND);
    SDL_SetTextureBlendMode(spark, SDL_BLENDMODE_ADD);
    SDL_SetTextureAlphaMod(spark, 200);
    if (TTF_WasInit() == 0) TTF_Init();
    font = TTF_OpenFont(zelvo_bench::IpaGothicFile().c_str(), zelvo_bench::kDefaultFontPoints);
    return font != nullptr ? "" : "SDL2_ttf cannot open the face";
  }

  void Draw() {
    auto copy = [&](SDL_Texture* t, int x, int y, int w, int h) {
      const SDL_Rect to{x, y, w, h};
      SDL_RenderCopy(renderer, t, nullptr, &to);
    };
    SDL_RenderCopy(renderer, background, nullptr, nullptr);
    for (const Place& p : tiles) copy(tile, p.x, p.y, 32, 32);
    for (const Place& p : sprites) copy(sprite, p.x, p.y, 64, 64);
    for (const Place& p : sparks) copy(spark, p.x, p.y, 12, 12);
    SDL_Surface* line = TTF_RenderUTF8_Solid(font, TextLine().c_str(), SDL_Color{255, 255, 255, 255});
    SDL_Texture* text = line != nullptr ? SDL_CreateTextureFromSurface(renderer, line) : nullptr;
    if (text != nullptr) copy(text, 0, 440, line->w, line->h);
    SDL_DestroyTexture(text);
    SDL_FreeSurface(line);
    SDL_RenderFlush(renderer);
  }

  ~SdlScene() {
    for (SDL_Texture* t : {background, tile, sprite, spark}) {
      if (t != nullptr) SDL_DestroyTexture(t);
    }
    if (font != nullptr) TTF_CloseFont(font);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (target != nullptr) SDL_FreeSurface(target);
  }
};

// One SDL2 frame, to compare ours with; empty when SDL2 could not draw it.
Frame SdlFrameOnce() {
  SdlScene scene;
  if (!scene.Open().empty()) return {};
  scene.Draw();
  return scene.pixels;
}

void BM_Sdl_BattleFrame(benchmark::State& state) {
  SdlScene scene;
  const std::string missing = scene.Open();
  if (!missing.empty()) {
    state.SkipWithError(missing.c_str());
    return;
  }
  scene.Draw();
  if (g_oursSoftwareFrame.empty()) {
    state.SkipWithError("no frame of ours to compare with: run it with BM_Zelvo_BattleFrame/software:1");
    return;
  }
  if (!FramesAgree(state, g_oursSoftwareFrame, scene.pixels)) return;
  for (auto _ : state) scene.Draw();
  SetFrameRate(state);
}
BENCHMARK(BM_Sdl_BattleFrame)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  zelvo_bench::RateCollector reporter("frame/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const struct {
    const char* what;
    const char* name;
  } rows[] = {{"Zelvo, Direct3D (profile A)", "BM_Zelvo_BattleFrame/software:0"},
              {"Zelvo, software rendering", "BM_Zelvo_BattleFrame/software:1"},
              {"SDL2 software renderer", "BM_Sdl_BattleFrame"}};
  const auto sdl = reporter.rates.find("BM_Sdl_BattleFrame");
  std::printf("\n%-32s %10s %10s %12s\n", "battle frame", "frame/s", "ms/frame", "SDL / ours");
  for (const auto& row : rows) {
    const auto it = reporter.rates.find(row.name);
    if (it == reporter.rates.end() || it->second <= 0) continue;
    const double ratio = sdl != reporter.rates.end() && sdl->second > 0 ? it->second / sdl->second : 0.0;
    std::printf("%-32s %10.0f %10.3f %12.2f\n", row.what, it->second, 1000.0 / it->second, ratio);
  }
  benchmark::Shutdown();
  return 0;
}
