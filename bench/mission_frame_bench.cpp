// A whole battle frame on the busiest generated mission map with its enemies: the camera step, the
// update pass and the draw pass of every object at 640x480, through Direct3D (profile A, the
// stand-in's default device) and in software rendering. A frame must take at most 2 ms on one
// core (500 frames a second). The stress scene is the same map with the tables full: every free
// object slot taken by an enemy of the map's kinds around the heroine, and every particle record
// alive, the most the game's tables allow.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "bench_support.h"
#include "battle_snapshot.h"
#include "game/battle/battle_state.h"
#include "game/battle/effects.h"
#include "game/battle/enemy_spawn.h"
#include "game/battle/map_file.h"
#include "game/battle/mission_loop.h"
#include "game/battle/resources.h"
#include "media/core/library_lock.h"
#include "media/core/random.h"
#include "media/graphics/d3d_graph_draw.h"
#include "platform/testing.h"

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
  } rows[] = {{"Direct3D (profile A)", "BM_MissionFrame/software:0/stress:0"},
              {"software rendering", "BM_MissionFrame/software:1/stress:0"},
              {"Direct3D, tables full", "BM_MissionFrame/software:0/stress:1"},
              {"software, tables full", "BM_MissionFrame/software:1/stress:1"}};
  std::printf("\nmission %d, area %d (hard)\n", horundel::g_sceneMission, horundel::g_sceneArea);
  std::printf("%-24s %10s %10s %8s\n", "battle frame", "frame/s", "ms/frame", "target");
  for (const auto& row : rows) {
    const auto it = reporter.rates.find(row.name);
    if (it == reporter.rates.end() || it->second <= 0) continue;
    std::printf("%-24s %10.0f %10.3f %8s\n", row.what, it->second, 1000.0 / it->second, it->second >= 500.0 ? "met" : "missed");
  }
  benchmark::Shutdown();
  return 0;
}
