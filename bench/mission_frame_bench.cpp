// A whole battle frame on the busiest generated mission map with its enemies: the camera step, the
// update pass and the draw pass of every object at 640x480, through Direct3D (profile A, the
// stand-in's default device) and in software rendering. A frame must take at most 2 ms on one
// core (500 frames a second). The stress scene is the same map with the tables full: every free
// object slot taken by an enemy of the map's kinds around the heroine, and every particle record
// alive, the most the game's tables allow.
// The peer is the same frame drawn through SDL2's software renderer: the game's own camera, update
// and draw passes run unchanged, and every drawing entry they call is linked through a wrapper
// (the linker's --wrap) that, while the peer draws, sends it to an SDL_Renderer instead: each
// graph an SDL texture cut from the same BMP file (with its alpha picture and black key), blends
// mapped to SDL's, shapes as SDL lines, rectangles and triangle fans. Before the timing one frame
// of each, from the same snapshot and random seed, is compared within a per-channel bound.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "bench_support.h"
#include "battle_snapshot.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/world/enemy_spawn.h"
#include "game/battle/world/map_file.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/data/resources.h"
#include "media/core/library_lock.h"
#include "media/core/random.h"
#include "media/graphics/graphs/d3d_graph_draw.h"
#include "platform/testing.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#endif


#ifdef ZELVO_BENCH_PEERS
// The drawing entries as the game calls them: each goes to the library, or to the SDL renderer
// while one is set. Loads and colours always go to the library and are remembered for SDL.
extern "C" {
int __real_LoadGraphFile(const char* path, int flag);
int __real_LoadGraphFileDivided(const char* path, int total, int countAcross, int countDown, int cellWidth,
                                int cellHeight, int* handles, int flag);
unsigned int __real_PackColor(int red, int green, int blue);
int __real_SetBlendMode(int mode, int parameter);
int __real_ClearDrawTarget(void);
int __real_BlitGraph(int x, int y, int handle, int transparentFlag);
int __real_BlitGraphRotated(int x, int y, double scale, double angle, int handle, int transparentFlag, int mirrorFlag);
int __real_BlitGraphRotatedPivot(int x, int y, int centreX, int centreY, double scale, double angle, int handle,
                                 int transparentFlag, int mirrorFlag);
int __real_DrawLineSegment(int x1, int y1, int x2, int y2, unsigned int color, int thickness);
int __real_DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag);
int __real_DrawCircleShape(int x, int y, int radius, unsigned int color, int fillFlag);
int __real_DrawEllipse(int x, int y, int radiusX, int radiusY, unsigned int color, int fillFlag);
int __real_DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, unsigned int color, int fillFlag);
}

namespace sdl_peer {

// A graph as SDL sees it: the file and the cell of it, and its textures, with and without the key.
struct Graph {
  std::string file;
  int x = 0, y = 0, w = -1, h = -1;   // w < 0: the whole picture
  SDL_Texture* textures[2] = {nullptr, nullptr};
};

std::map<int, Graph> g_graphs;
std::map<unsigned, SDL_Color> g_colors;
std::map<std::string, SDL_Surface*> g_pictures;
SDL_Renderer* g_renderer = nullptr;   // set: the drawing entries go to SDL
int g_blendMode = ZELVO_BLEND_NONE;
int g_blendParameter = 255;
SDL_BlendMode g_subtract = SDL_BLENDMODE_ADD;

// The picture as ARGB, its alpha from the companion "_a" picture when there is one. The game names
// its files with backslashes.
SDL_Surface* Picture(std::string file) {
  std::replace(file.begin(), file.end(), '\\', '/');
  auto it = g_pictures.find(file);
  if (it != g_pictures.end()) return it->second;
  SDL_Surface* loaded = SDL_LoadBMP(file.c_str());
  SDL_Surface* argb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
  if (loaded != nullptr) SDL_FreeSurface(loaded);
  const std::size_t dot = file.rfind('.');
  const std::string alphaFile = file.substr(0, dot) + "_a" + file.substr(dot);
  SDL_Surface* alphaLoaded = argb != nullptr ? SDL_LoadBMP(alphaFile.c_str()) : nullptr;
  SDL_Surface* alpha = alphaLoaded != nullptr ? SDL_ConvertSurfaceFormat(alphaLoaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
  if (alpha != nullptr && alpha->w == argb->w && alpha->h == argb->h) {
    for (int y = 0; y < argb->h; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(argb->pixels) + y * argb->pitch);
      const auto* a = reinterpret_cast<const std::uint32_t*>(static_cast<unsigned char*>(alpha->pixels) + y * alpha->pitch);
      for (int x = 0; x < argb->w; ++x) row[x] = (row[x] & 0xFFFFFF) | (a[x] & 0xFF) << 24;
    }
  }
  if (alpha != nullptr) SDL_FreeSurface(alpha);
  if (alphaLoaded != nullptr) SDL_FreeSurface(alphaLoaded);
  g_pictures[file] = argb;
  return argb;
}

SDL_Texture* Texture(int handle, bool keyed, int* w, int* h) {
  auto it = g_graphs.find(handle);
  if (it == g_graphs.end()) return nullptr;
  Graph& graph = it->second;
  SDL_Surface* picture = Picture(graph.file);
  if (picture == nullptr) return nullptr;
  *w = graph.w < 0 ? picture->w : graph.w;
  *h = graph.h < 0 ? picture->h : graph.h;
  SDL_Texture*& texture = graph.textures[keyed ? 1 : 0];
  if (texture == nullptr) {
    SDL_Surface* cell = SDL_CreateRGBSurfaceWithFormat(0, *w, *h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Rect from{graph.x, graph.y, *w, *h};
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(picture, &from, cell, nullptr);
    if (keyed) SDL_SetColorKey(cell, SDL_TRUE, SDL_MapRGB(cell->format, 0, 0, 0));
    texture = SDL_CreateTextureFromSurface(g_renderer, cell);
    SDL_FreeSurface(cell);
  }
  return texture;
}

SDL_BlendMode Blend(bool blendsAlready) {
  switch (g_blendMode) {
    case ZELVO_BLEND_ALPHA: return SDL_BLENDMODE_BLEND;
    case ZELVO_BLEND_ADD: return SDL_BLENDMODE_ADD;
    case ZELVO_BLEND_SUBTRACT: return g_subtract;
    case ZELVO_BLEND_MULTIPLY: return SDL_BLENDMODE_MOD;
    default: return blendsAlready ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE;
  }
}

int Copy(int handle, bool keyed, double scale, double angle, bool mirror, double left, double top, double pivotX,
         double pivotY) {
  int w = 0, h = 0;
  SDL_Texture* texture = Texture(handle, keyed, &w, &h);
  if (texture == nullptr) return -1;
  SDL_SetTextureBlendMode(texture, Blend(true));
  SDL_SetTextureAlphaMod(texture, static_cast<Uint8>(g_blendMode == ZELVO_BLEND_NONE ? 255 : g_blendParameter));
  const SDL_FRect to{static_cast<float>(left), static_cast<float>(top), static_cast<float>(w * scale),
                     static_cast<float>(h * scale)};
  const SDL_FPoint centre{static_cast<float>(pivotX * scale), static_cast<float>(pivotY * scale)};
  return SDL_RenderCopyExF(g_renderer, texture, nullptr, &to, angle * 180.0 / M_PI, &centre,
                           mirror ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE);
}

void Pen(unsigned color) {
  const SDL_Color c = g_colors[color];
  SDL_SetRenderDrawBlendMode(g_renderer, Blend(false));
  SDL_SetRenderDrawColor(g_renderer, c.r, c.g, c.b, static_cast<Uint8>(g_blendMode == ZELVO_BLEND_NONE ? 255 : g_blendParameter));
}

// A filled convex outline as a fan of triangles, or its outline as lines.
int Outline(const std::vector<SDL_FPoint>& points, unsigned color, bool fill) {
  Pen(color);
  if (!fill) {
    std::vector<SDL_FPoint> closed = points;
    closed.push_back(points.front());
    return SDL_RenderDrawLinesF(g_renderer, closed.data(), static_cast<int>(closed.size()));
  }
  const SDL_Color c = g_colors[color];
  const SDL_Color shade{c.r, c.g, c.b, static_cast<Uint8>(g_blendMode == ZELVO_BLEND_NONE ? 255 : g_blendParameter)};
  std::vector<SDL_Vertex> fan;
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    for (const SDL_FPoint& p : {points[0], points[i], points[i + 1]}) fan.push_back(SDL_Vertex{p, shade, SDL_FPoint{0, 0}});
  }
  return SDL_RenderGeometry(g_renderer, nullptr, fan.data(), static_cast<int>(fan.size()), nullptr, 0);
}

std::vector<SDL_FPoint> EllipsePoints(int x, int y, int rx, int ry) {
  std::vector<SDL_FPoint> points;
  const int steps = std::max(8, std::min(64, 2 * (rx + ry)));
  for (int i = 0; i < steps; ++i) {
    const double t = 2.0 * M_PI * i / steps;
    points.push_back(SDL_FPoint{static_cast<float>(x + rx * std::cos(t)), static_cast<float>(y + ry * std::sin(t))});
  }
  return points;
}

}  // namespace sdl_peer

extern "C" {
int __wrap_LoadGraphFile(const char* path, int flag) {
  const int handle = __real_LoadGraphFile(path, flag);
  if (handle != -1) sdl_peer::g_graphs[handle] = sdl_peer::Graph{path};
  return handle;
}
int __wrap_LoadGraphFileDivided(const char* path, int total, int countAcross, int countDown, int cellWidth,
                                int cellHeight, int* handles, int flag) {
  const int result = __real_LoadGraphFileDivided(path, total, countAcross, countDown, cellWidth, cellHeight, handles, flag);
  for (int i = 0; result == 0 && i < total; ++i) {
    sdl_peer::g_graphs[handles[i]] =
        sdl_peer::Graph{path, i % countAcross * cellWidth, i / countAcross * cellHeight, cellWidth, cellHeight};
  }
  return result;
}
unsigned int __wrap_PackColor(int red, int green, int blue) {
  const unsigned packed = __real_PackColor(red, green, blue);
  sdl_peer::g_colors[packed] = SDL_Color{static_cast<Uint8>(red), static_cast<Uint8>(green), static_cast<Uint8>(blue), 255};
  return packed;
}
int __wrap_SetBlendMode(int mode, int parameter) {
  sdl_peer::g_blendMode = mode;
  sdl_peer::g_blendParameter = std::clamp(parameter, 0, 255);
  return __real_SetBlendMode(mode, parameter);
}
int __wrap_ClearDrawTarget(void) {
  if (sdl_peer::g_renderer == nullptr) return __real_ClearDrawTarget();
  SDL_SetRenderDrawColor(sdl_peer::g_renderer, 0, 0, 0, 255);
  return SDL_RenderClear(sdl_peer::g_renderer);
}
int __wrap_BlitGraph(int x, int y, int handle, int transparentFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_BlitGraph(x, y, handle, transparentFlag);
  return sdl_peer::Copy(handle, transparentFlag != 0, 1.0, 0.0, false, x, y, 0, 0);
}
int __wrap_BlitGraphRotated(int x, int y, double scale, double angle, int handle, int transparentFlag, int mirrorFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_BlitGraphRotated(x, y, scale, angle, handle, transparentFlag, mirrorFlag);
  int w = 0, h = 0;
  if (sdl_peer::Texture(handle, transparentFlag != 0, &w, &h) == nullptr) return -1;
  return sdl_peer::Copy(handle, transparentFlag != 0, scale, angle, mirrorFlag != 0, x - w * scale / 2, y - h * scale / 2,
                        w / 2.0, h / 2.0);
}
int __wrap_BlitGraphRotatedPivot(int x, int y, int centreX, int centreY, double scale, double angle, int handle,
                                 int transparentFlag, int mirrorFlag) {
  if (sdl_peer::g_renderer == nullptr) {
    return __real_BlitGraphRotatedPivot(x, y, centreX, centreY, scale, angle, handle, transparentFlag, mirrorFlag);
  }
  return sdl_peer::Copy(handle, transparentFlag != 0, scale, angle, mirrorFlag != 0, x - centreX * scale, y - centreY * scale,
                        centreX, centreY);
}
int __wrap_DrawLineSegment(int x1, int y1, int x2, int y2, unsigned int color, int thickness) {
  if (sdl_peer::g_renderer == nullptr) return __real_DrawLineSegment(x1, y1, x2, y2, color, thickness);
  if (thickness <= 1) {
    sdl_peer::Pen(color);
    return SDL_RenderDrawLine(sdl_peer::g_renderer, x1, y1, x2, y2);
  }
  const double length = std::max(1e-6, std::hypot(x2 - x1, y2 - y1));
  const float nx = static_cast<float>(-(y2 - y1) / length * thickness / 2), ny = static_cast<float>((x2 - x1) / length * thickness / 2);
  return sdl_peer::Outline({{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}}, color, true);
}
int __wrap_DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_DrawRectangle(x1, y1, x2, y2, color, fillFlag);
  sdl_peer::Pen(color);
  const SDL_Rect box{x1, y1, x2 - x1, y2 - y1};
  return fillFlag != 0 ? SDL_RenderFillRect(sdl_peer::g_renderer, &box) : SDL_RenderDrawRect(sdl_peer::g_renderer, &box);
}
int __wrap_DrawCircleShape(int x, int y, int radius, unsigned int color, int fillFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_DrawCircleShape(x, y, radius, color, fillFlag);
  return sdl_peer::Outline(sdl_peer::EllipsePoints(x, y, radius, radius), color, fillFlag != 0);
}
int __wrap_DrawEllipse(int x, int y, int radiusX, int radiusY, unsigned int color, int fillFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_DrawEllipse(x, y, radiusX, radiusY, color, fillFlag);
  return sdl_peer::Outline(sdl_peer::EllipsePoints(x, y, radiusX, radiusY), color, fillFlag != 0);
}
int __wrap_DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, unsigned int color, int fillFlag) {
  if (sdl_peer::g_renderer == nullptr) return __real_DrawTriangleShape(x1, y1, x2, y2, x3, y3, color, fillFlag);
  return sdl_peer::Outline({{static_cast<float>(x1), static_cast<float>(y1)}, {static_cast<float>(x2), static_cast<float>(y2)},
                            {static_cast<float>(x3), static_cast<float>(y3)}},
                           color, fillFlag != 0);
}
}
#endif

namespace horundel {
namespace {

BattleSnapshot g_scene;
int g_sceneMission = -1;
int g_sceneArea = -1;
int g_sceneObjects = 0;

int LiveObjects() {
  int live = 0;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) live += CharacterTable[slot].state != 0 ? 1 : 0;
  return live;
}

// Every free object slot taken by an enemy of the kinds the map placed, spread over the screen
// around the heroine, and every particle record alive.
void FillTables() {
  std::vector<int> kinds;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (CharacterTable[slot].state != 0 && CharacterTable[slot].type == kTypeEnemy) kinds.push_back(CharacterTable[slot].kind);
  }
  if (kinds.empty()) return;
  const Character& heroine = CharacterTable[kPlayerSlot];
  for (int i = 0;; ++i) {
    const float x = heroine.x + static_cast<float>((i * 37) % 640 - 320);
    const float y = heroine.y - static_cast<float>((i * 23) % 240);
    if (SpawnEnemy(kinds[static_cast<std::size_t>(i) % kinds.size()], x, y, i % 2 == 0 ? 1 : -1, 0) == 0) break;
  }
  for (int i = 0; i < kParticleRecords; ++i) {
    SpawnEffect(30, heroine.x + static_cast<float>((i * 41) % 640 - 320), heroine.y - static_cast<float>((i * 17) % 240),
                1.0f, static_cast<float>(i), kPlayerSlot);
  }
}

// The hard map with the most objects, set up as a mission starts, after a second of play so that
// shots, effects and particles are under way; with `stress`, the tables then filled.
void BuildScene(bool stress) {
  g_battle.Difficulty = 3;
  g_battle.HpGaugeCount = 2;
  g_sceneObjects = 0;
  for (int mission = 0; mission <= 5; ++mission) {
    for (int area = 0; area <= 9; ++area) {
      ResetMission();
      LoadMap(kMapSourceMission, mission, area);
      const int live = LiveObjects();
      if (CharacterTable[kPlayerSlot].type == kTypePlayer && live > g_sceneObjects) {
        g_sceneObjects = live;
        g_sceneMission = mission;
        g_sceneArea = area;
      }
    }
  }
  g_battle.CurrentMission = g_sceneMission;
  g_battle.CurrentArea = g_sceneArea;
  ResetMission();
  LoadMap(kMapSourceMission, g_sceneMission, g_sceneArea);
  zelvo::SeedRandom(1);
  Character& heroine = CharacterTable[kPlayerSlot];
  heroine.hp = heroine.maxHp = 400.0f * static_cast<float>(g_battle.HpGaugeCount);
  g_battle.BattleCamera.zoom = 0.75f;
  for (int frame = 0; frame < 60; ++frame) {
    MoveCamera();
    UpdateAll(kModeBattle);
  }
  if (stress) FillTables();
  g_sceneObjects = LiveObjects();
  TakeBattleSnapshot(&g_scene);
}

void BattleFrame() {
  ClearDrawTarget();
  MoveCamera();
  UpdateAll(kModeBattle);
  DrawAll(kModeBattle);
  // Every queued vertex reaches the back buffer inside the frame.
  zelvo::LibraryLockGuard lock;
  zelvo::EndDirect3DScene();
}

// `software` starts the library in software rendering (the Z buffer cannot be attached); `stress`
// fills the tables.
void BM_MissionFrame(benchmark::State& state) {
  const bool software = state.range(0) == 1;
  const bool stress = state.range(1) == 1;
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-mission-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  if (software) pf::testing::FailNextCalls("AddAttachedSurface", 1);
  if (StartUpLibrary() != 0) {
    state.SkipWithError("the library did not start");
    return;
  }
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  LoadAll();
  BuildScene(stress);
  BattleFrame();   // textures and caches
  for (auto _ : state) {
    state.PauseTiming();
    RestoreBattleSnapshot(g_scene);
    state.ResumeTiming();
    BattleFrame();
  }
  state.counters["frame/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["objects"] = g_sceneObjects;
  ShutDownLibrary();
}
BENCHMARK(BM_MissionFrame)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"software", "stress"})
    ->Unit(benchmark::kMillisecond);

#ifdef ZELVO_BENCH_PEERS
// A finished 640x480 frame as 0xAARRGGBB words.
using Frame = std::vector<std::uint32_t>;

Frame OursReadBack() {
  char shot[64];
  std::snprintf(shot, sizeof shot, "/tmp/zelvo-mission-frame-%d.bmp", static_cast<int>(getpid()));
  Frame frame;
  SDL_Surface* loaded = SaveScreenRectToFile(0, 0, 640, 480, shot, 0, 0, 0) == 0 ? SDL_LoadBMP(shot) : nullptr;
  std::remove(shot);
  SDL_Surface* argb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
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

// How far the two frames may be apart: a channel is "off" when it differs by more than
// kChannelBound (the library draws in 16 bits a pixel, and the two samplers of a scaled, turned
// sprite pick their texels at edges their own way), and at most kOffShare of all channel values
// may be off (about 2% are, at the edges of the turned and scaled sprites and the smoke).
constexpr int kChannelBound = 32;
constexpr double kOffShare = 0.05;

bool FramesAgree(benchmark::State& state, const Frame& ours, const Frame& peer) {
  if (ours.size() != peer.size() || ours.empty()) {
    state.SkipWithError("a frame could not be read back");
    return false;
  }
  std::size_t off = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>((ours[i] >> shift) & 0xFF), b = static_cast<int>((peer[i] >> shift) & 0xFF);
      off += std::abs(a - b) > kChannelBound ? 1 : 0;
    }
  }
  const double share = static_cast<double>(off) / (3.0 * static_cast<double>(ours.size()));
  state.counters["off %"] = 100.0 * share;
  if (share <= kOffShare) return true;
  char why[96];
  std::snprintf(why, sizeof why, "the frames differ: %.2f%% of the channels by more than %d", 100.0 * share, kChannelBound);
  state.SkipWithError(why);
  return false;
}

// The same frame with every drawing entry sent to SDL's software renderer.
void SdlBattleFrame(SDL_Renderer* renderer) {
  sdl_peer::g_renderer = renderer;
  ClearDrawTarget();
  MoveCamera();
  UpdateAll(kModeBattle);
  DrawAll(kModeBattle);
  SDL_RenderFlush(renderer);
  sdl_peer::g_renderer = nullptr;
}

void ReleaseSdlTextures() {
  for (auto& [handle, graph] : sdl_peer::g_graphs) {
    for (SDL_Texture*& texture : graph.textures) {
      if (texture != nullptr) SDL_DestroyTexture(texture);
      texture = nullptr;
    }
  }
  sdl_peer::g_graphs.clear();
  for (auto& [file, picture] : sdl_peer::g_pictures) {
    if (picture != nullptr) SDL_FreeSurface(picture);
  }
  sdl_peer::g_pictures.clear();
}

// The library runs in software rendering for the game's own calls; its frame is drawn once, to
// compare with SDL's.
void BM_SdlMissionFrame(benchmark::State& state) {
  const bool stress = state.range(0) == 1;
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-mission-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  pf::testing::FailNextCalls("AddAttachedSurface", 1);
  if (StartUpLibrary() != 0) {
    state.SkipWithError("the library did not start");
    return;
  }
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  ReleaseSdlTextures();
  LoadAll();
  BuildScene(stress);
  std::vector<std::uint32_t> pixels(640 * 480, 0);
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 640, 480, 32, 640 * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = target != nullptr ? SDL_CreateSoftwareRenderer(target) : nullptr;
  if (renderer == nullptr) {
    state.SkipWithError("SDL has no software renderer");
  } else {
    // Subtracting, where SDL's software renderer has it; else added (one effect of the game).
    const SDL_BlendMode subtract = SDL_ComposeCustomBlendMode(SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE,
                                                              SDL_BLENDOPERATION_REV_SUBTRACT, SDL_BLENDFACTOR_ZERO,
                                                              SDL_BLENDFACTOR_ONE, SDL_BLENDOPERATION_ADD);
    sdl_peer::g_subtract = SDL_SetRenderDrawBlendMode(renderer, subtract) == 0 ? subtract : SDL_BLENDMODE_ADD;
    RestoreBattleSnapshot(g_scene);
    zelvo::SeedRandom(7);
    BattleFrame();
    const Frame ours = OursReadBack();
    RestoreBattleSnapshot(g_scene);
    zelvo::SeedRandom(7);
    SdlBattleFrame(renderer);
    if (FramesAgree(state, ours, pixels)) {
      for (auto _ : state) {
        state.PauseTiming();
        RestoreBattleSnapshot(g_scene);
        state.ResumeTiming();
        SdlBattleFrame(renderer);
      }
    }
    state.counters["frame/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["objects"] = g_sceneObjects;
  }
  ReleaseSdlTextures();
  if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  if (target != nullptr) SDL_FreeSurface(target);
  ShutDownLibrary();
}
BENCHMARK(BM_SdlMissionFrame)->Arg(0)->Arg(1)->ArgName("stress")->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace horundel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (chdir((std::string(ZELVO_GAMEDATA_DIR) + "/loose").c_str()) != 0) return 1;
  zelvo_bench::RateCollector reporter("frame/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const struct {
    const char* what;
    const char* name;
    const char* peer;
  } rows[] = {{"Direct3D (profile A)", "BM_MissionFrame/software:0/stress:0", "BM_SdlMissionFrame/stress:0"},
              {"software rendering", "BM_MissionFrame/software:1/stress:0", "BM_SdlMissionFrame/stress:0"},
              {"SDL2 software renderer", "BM_SdlMissionFrame/stress:0", ""},
              {"Direct3D, tables full", "BM_MissionFrame/software:0/stress:1", "BM_SdlMissionFrame/stress:1"},
              {"software, tables full", "BM_MissionFrame/software:1/stress:1", "BM_SdlMissionFrame/stress:1"},
              {"SDL2, tables full", "BM_SdlMissionFrame/stress:1", ""}};
  std::printf("\nmission %d, area %d (hard)\n", horundel::g_sceneMission, horundel::g_sceneArea);
  std::printf("%-24s %10s %10s %8s %12s\n", "battle frame", "frame/s", "ms/frame", "target", "ours / SDL");
  for (const auto& row : rows) {
    const auto it = reporter.rates.find(row.name);
    if (it == reporter.rates.end() || it->second <= 0) continue;
    const auto peer = reporter.rates.find(row.peer);
    char ratio[16] = "";
    if (peer != reporter.rates.end() && peer->second > 0) std::snprintf(ratio, sizeof ratio, "%.2f", it->second / peer->second);
    std::printf("%-24s %10.0f %10.3f %8s %12s\n", row.what, it->second, 1000.0 / it->second,
                it->second >= 500.0 ? "met" : "missed", ratio);
  }
  benchmark::Shutdown();
  return 0;
}
