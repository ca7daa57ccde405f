#include "game/battle/world/enemy_spawn.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_tables.h"

namespace horundel {

namespace {

constexpr int kBossKind = 60;

// Hit points are base + perDifficulty x D + perMission x M at spawn time.
struct EnemyKindRow {
  int kind;
  float base;
  float perDifficulty;
  float perMission;
  float halfWidth;
  float halfHeight;
  bool carriesWeapon;
};

constexpr EnemyKindRow kEnemyKinds[] = {
    {0, 200, 200, 50, 40, 40, true},        // soldier
    {10, 10, 0, 0, 40, 40, true},           // floor gun
    {11, 10, 0, 0, 40, 40, true},           // ceiling gun
    {20, 500, 300, 100, 60, 60, false},     // cannon rider
    {30, 800, 1200, 200, 120, 60, false},   // tank
    {40, 500, 1000, 150, 80, 80, false},    // hover
    {50, 300, 800, 100, 100, 80, false},    // helicopter
    {60, 5000, 8000, 1000, 120, 260, false},   // main computer
    {70, 100, 100, 0, 30, 30, true},        // guard pod
    {80, 500, 500, 100, 160, 80, false},    // truck
};

}  // namespace

int SpawnEnemy(int kind, float x, float y, int facing, int weapon) {
  const int slot = FindFreeCharacter();
  if (slot == 0) {
    ScreenLogPrintf("Character Over by atk\n");
    return 0;
  }
  ClearCharacter(slot);
  Character& enemy = CharacterTable[slot];
  enemy.type = kTypeEnemy;
  enemy.kind = kind;
  enemy.state = 10;
  enemy.facing = facing;
  enemy.x = x;
  enemy.y = y;
  for (const EnemyKindRow& row : kEnemyKinds) {
    if (row.kind != kind) continue;
    enemy.hp = enemy.maxHp = row.base + row.perDifficulty * static_cast<float>(g_battle.Difficulty) +
                             row.perMission * static_cast<float>(g_battle.CurrentMission);
    enemy.halfWidth = row.halfWidth;
    enemy.halfHeight = row.halfHeight;
    // The weapon number indexes the weapon records from here on; map data may hold anything.
    if (row.carriesWeapon) enemy.param = weapon >= 0 && weapon < kWeaponCount ? weapon : 0;
    if (kind == kBossKind) {
      g_battle.BossGauge.value = enemy.hp;
      g_battle.BossGauge.shownValue = enemy.hp;
      g_battle.BossGauge.maximum = enemy.hp;
    }
  }
  return slot;
}

}  // namespace horundel
