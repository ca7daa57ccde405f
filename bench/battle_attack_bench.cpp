// One battle frame's attack work: the update pass and the draw pass over a busy map with the
// particle ring full and 200 live attacks, on the generated data set. The update must stay well
// inside a frame: at most 1 ms on one core.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <zelvo/zelvo.h>

#include "battle_snapshot.h"

#include "game/battle/world/attack_spawning.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/resources.h"
#include "media/core/random.h"

namespace horundel {
namespace {

BattleSnapshot g_scene;

constexpr int kLiveAttacks = 200;
// Player guns, enemy shots and blasts in turn, so every hit test and movement rule takes part.
constexpr int kPlayerKinds[] = {0, 20, 30, 40, 60, 70, 80, 100, 110, 140, 150, 180};
constexpr int kShotKinds[] = {0, 10, 30, 40, 50, 110, 130, 140, 180, 900};

int CountAttacks() {
  int count = 0;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    const int type = CharacterTable[slot].type;
    if (CharacterTable[slot].state != 0 && type >= kTypePlayerAttack && type <= kTypeMapHazard) ++count;
  }
  return count;
}

// Effect objects of the launches are freed so that the table has room; what is past 200 goes too.
void KeepAttacks(int limit) {
  int kept = 0;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    Character& object = CharacterTable[slot];
    if (object.type == kTypeEffect) object.state = 0;
    if (object.state == 0 || object.type < kTypePlayerAttack || object.type > kTypeMapHazard) continue;
    if (++kept > limit) object.state = 0;
  }
}

void BuildScene() {
  std::memset(CharacterTable, 0, sizeof CharacterTable);
  std::memset(TileMap, 0, sizeof TileMap);
  zelvo::SeedRandom(1);
  g_battle.LastColumn = 60;
  g_battle.LastRow = 20;
  g_battle.Difficulty = 2;
  g_battle.BattleCamera = {0.75f, 1500.0f, 1000.0f};
  // Borders of the outside kind, a floor and scattered blocks of every kind.
  for (int c = 0; c <= 60; ++c) {
    TileMap[c][0].kind = 20;
    TileMap[c][20].kind = 20;
    TileMap[c][15].kind = c % 7 == 3 ? 0 : 10 * (1 + c % 11);
  }
  for (int r = 0; r <= 20; ++r) TileMap[0][r].kind = TileMap[60][r].kind = 20;
  for (int i = 0; i < 200; ++i) {
    const int c = 1 + RandomUpTo(58);
    const int r = 1 + RandomUpTo(13);
    TileMap[c][r].kind = 10 * (1 + RandomUpTo(10));
  }
  Character& player = CharacterTable[kPlayerSlot];
  player = Character{kTypePlayer, 0, 10, 0, 0, 0, 400000.0f, 400000.0f, 1, 0, 0, 1500.0f, 1000.0f, 0, 0, 40, 40, 0, 0, 0};
  // Forty enemies that take the hits without dying.
  for (int i = 0; i < 40; ++i) {
    Character& enemy = CharacterTable[2 + i];
    enemy = Character{};
    enemy.type = kTypeEnemy;
    enemy.kind = (i % 4) * 10;
    enemy.state = 10;
    enemy.hp = enemy.maxHp = 1e9f;
    enemy.facing = -1;
    enemy.x = 300.0f + static_cast<float>(i) * 140.0f;
    enemy.y = 900.0f + static_cast<float>(i % 5) * 100.0f;
    enemy.halfWidth = enemy.halfHeight = 40.0f;
  }
  // 200 attacks: half the heroine's, half enemy shots, spread over the screen.
  int made = 0;
  for (int i = 0; made < kLiveAttacks && i < 5000; ++i) {
    const float x = 800.0f + static_cast<float>((i * 97) % 1400);
    const float y = 300.0f + static_cast<float>((i * 61) % 1100);
    player.x = x;
    player.y = y;
    g_battle.AimAngle = static_cast<float>(i % 12) * 0.5f;
    int slot = 0;
    if (i % 2 == 0) {
      slot = FirePlayerAttack(kPlayerKinds[(i / 2) % (sizeof kPlayerKinds / sizeof kPlayerKinds[0])]);
    } else {
      slot = FireEnemyShot(kShotKinds[(i / 2) % (sizeof kShotKinds / sizeof kShotKinds[0])], 2 + i % 40);
    }
    if (slot != 0) CharacterTable[slot].timer = 1000;
    KeepAttacks(kLiveAttacks);
    made = CountAttacks();
  }
  player.x = 1500.0f;
  player.y = 1000.0f;
  player.extra = 1;   // invulnerable, so the shots keep flying
  // The ring full of particles on screen.
  for (int i = 0; i < kParticleRecords; ++i) {
    SpawnEffect(i % 2 == 0 ? 50 : 0, 1200.0f + static_cast<float>(i * 2), 800.0f + static_cast<float>(i), 2.0f, 0.0f, 0);
  }
  for (Particle& p : ParticleRing.records) p.life = 1000;
  TakeBattleSnapshot(&g_scene);
}

void UpdatePass() {
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0) continue;
    switch (object.type) {
      case kTypePlayerAttack: case kTypeEnemyShot: case kTypeMapHazard: UpdateAttack(slot, 0); break;
      case kTypeEffect: UpdateEffectObject(slot); break;
      case kTypeCoin: case kTypeSupply: case kTypeWeaponPickup: case kTypeMachinePickup: UpdateItem(slot, 0); break;
      default: break;
    }
  }
  UpdateParticles();
}

void DrawPass() {
  ClearDrawTarget();
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0) continue;
    if (object.type >= kTypePlayerAttack && object.type <= kTypeMapHazard) DrawAttack(slot);
  }
  DrawParticles();
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    const Character& object = CharacterTable[slot];
    if (object.state == 0) continue;
    if (object.type == kTypeEffect) DrawEffectObject(slot);
    if (object.type >= kTypeCoin && object.type <= kTypeMachinePickup) DrawItem(slot);
  }
}

void BM_UpdatePass(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    RestoreBattleSnapshot(g_scene);
    state.ResumeTiming();
    UpdatePass();
  }
}
BENCHMARK(BM_UpdatePass)->Unit(benchmark::kMicrosecond);

void BM_DrawPass(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    RestoreBattleSnapshot(g_scene);
    state.ResumeTiming();
    DrawPass();
  }
}
BENCHMARK(BM_DrawPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace horundel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (chdir((std::string(ZELVO_GAMEDATA_DIR) + "/loose").c_str()) != 0) return 1;
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-battle-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  if (StartUpLibrary() != 0) return 1;
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  horundel::LoadAll();
  horundel::BuildScene();
  int live = 0;
  for (int slot = 2; slot <= 300; ++slot) live += horundel::CharacterTable[slot].state != 0 ? 1 : 0;
  std::printf("scene: %d live attacks, %d live objects in all, particle ring of %d records full\n",
              horundel::CountAttacks(), live, horundel::kParticleRecords);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ShutDownLibrary();
  return 0;
}
