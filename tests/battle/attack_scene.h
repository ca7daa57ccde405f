#pragma once
// A small battle scene for the attack, effect and pickup tests: an empty 31 x 21 map, the weapon
// records filled, the heroine standing at (1000, 1000) and enemies placed by hand.
#include <cstring>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/resources.h"

namespace horundel {

constexpr float kPlayerX = 1000.0f;
constexpr float kPlayerY = 1000.0f;

inline void ResetScene() {
  // The program-start values: each test runs in a process of its own, so the first call sees them.
  static const BattleState kStartState = g_battle;
  g_battle = kStartState;
  std::memset(CharacterTable, 0, sizeof CharacterTable);
  std::memset(TileMap, 0, sizeof TileMap);
  std::memset(&ParticleRing, 0, sizeof ParticleRing);
  for (int& handle : SoundEffectTable) handle = -1;
  FillWeaponRecords();
  FillSkillRecords();
  g_battle.LastColumn = 30;
  g_battle.LastRow = 20;
  g_battle.Difficulty = 2;
  g_battle.BattleCamera = {1.0f, kPlayerX, kPlayerY};
  Character& player = CharacterTable[kPlayerSlot];
  player.type = kTypePlayer;
  player.state = 10;
  player.hp = player.maxHp = 800.0f;
  player.facing = 1;
  player.x = kPlayerX;
  player.y = kPlayerY;
  player.halfWidth = player.halfHeight = 40.0f;
  g_battle.AimFacing = 1;
  g_battle.AimAngle = kHalfPi;
}

inline Character& PlaceEnemy(int slot, int kind, float x, float y, float hp = 1000.0f) {
  Character& enemy = CharacterTable[slot];
  enemy = Character{};
  enemy.type = kTypeEnemy;
  enemy.kind = kind;
  enemy.state = 10;
  enemy.facing = 1;
  enemy.hp = enemy.maxHp = hp;
  enemy.x = x;
  enemy.y = y;
  enemy.halfWidth = enemy.halfHeight = 40.0f;
  return enemy;
}

// An attack of the given type and kind at (x, y); a player's attack is the heroine's, an enemy's
// shot aims at her.
inline Character& PlaceAttack(int slot, int type, int kind, float x, float y, float damage = 100.0f, int life = 50) {
  Character& attack = CharacterTable[slot];
  attack = Character{};
  attack.type = type;
  attack.kind = kind;
  attack.state = 10;
  attack.timer = life;
  attack.hp = damage;
  attack.facing = 1;
  attack.x = x;
  attack.y = y;
  attack.halfWidth = attack.halfHeight = 30.0f;
  attack.param = type == kTypePlayerAttack ? kPlayerSlot : 0;
  attack.link = type == kTypeEnemyShot ? kPlayerSlot : 0;
  return attack;
}

// Slots 2..299 that hold a live object of the type.
inline int CountLive(int type) {
  int count = 0;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    count += CharacterTable[slot].state != 0 && CharacterTable[slot].type == type ? 1 : 0;
  }
  return count;
}

// Fills every free slot but the given number with inert objects.
inline void FillTableLeaving(int freeSlots) {
  int left = 0;
  for (int slot = kLastFreeSlot; slot >= kFirstObjectSlot; --slot) {
    if (CharacterTable[slot].state != 0) continue;
    if (left < freeSlots) {
      ++left;
      continue;
    }
    CharacterTable[slot].state = 1;
    CharacterTable[slot].type = 99;
  }
}

}  // namespace horundel
