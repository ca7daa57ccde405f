#include <zelvo/zelvo.h>

#include <cmath>
#include <initializer_list>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/sound_effects.h"

namespace horundel {

namespace {

float Random(int n) { return static_cast<float>(RandomUpTo(n)); }

int CellKindAt(int column, int row) {
  if (column < 0 || row < 0 || column > g_battle.LastColumn || row > g_battle.LastRow) return kOutsideTileKind;
  if (column > kLastMapIndex || row > kLastMapIndex) return kOutsideTileKind;
  return TileMap[column][row].kind;
}

// Sparks and the streak where an attack lands.
void SpawnHitSparks(const Character& attack, float streakAngle) {
  const float facing = static_cast<float>(attack.facing);
  SpawnEffect(kEffectStreak, attack.x, attack.y, 1.0f, streakAngle, 0);
  const float sparkAngle = -(facing * 0.5f + (Random(10) - 5.0f) * 0.1f) * kPi;
  SpawnEffect(110, attack.x, attack.y, 1.0f, sparkAngle, 0);
}

struct KnockBack {
  int knockClass;
  float vx;
  float vy;
};

KnockBack KnockBackOf(const Character& attack, const Character& enemy) {
  const float facing = static_cast<float>(attack.facing);
  const Character& player = CharacterTable[kPlayerSlot];
  KnockBack knock{1, facing * 4.0f, 0.0f};
  const int kind = attack.kind;
  if (IsOneOf(kind, {420, 440, 502, 531, 540, 541, 542, 710, 711, 730, 731, 810})) {
    knock.knockClass = 3;
  } else if (IsOneOf(kind, {90, 410, 411, 500, 501, 510, 520, 530, 550})) {
    knock.knockClass = 2;
  }
  switch (kind) {
    case 531: knock.vx = facing * 4.0f; knock.vy = -16.0f; break;
    case 400: case 500: case 501: case 510: knock.vx = facing * 4.0f; knock.vy = -1.0f; break;
    case 410: case 411: knock.vx = facing * 8.0f; knock.vy = -8.0f; break;
    case 420: case 440:
      knock.vx = 8.0f * static_cast<float>(SignFloat(enemy.x - attack.x));
      knock.vy = -8.0f;
      break;
    case 502: case 810: knock.vx = facing * 12.0f; knock.vy = -6.0f; break;
    case 520: case 550: knock.vx = facing * 2.0f; knock.vy = -10.0f; break;
    case 530: knock.vx = facing * 2.0f; knock.vy = player.vy + 3.0f; break;
    case 540: knock.vx = facing * 20.0f; knock.vy = 16.0f; break;
    case 541: knock.vx = facing * 16.0f; knock.vy = -8.0f; break;
    case 542: knock.vx = facing * 8.0f; knock.vy = -12.0f; break;
    case 710: knock.vx = 0.0f; knock.vy = -6.0f; break;
    case 711: knock.vx = 30.0f * std::sin(attack.angle); knock.vy = 30.0f * std::cos(attack.angle); break;
    case 730:
      knock.vx = 4.0f * static_cast<float>(SignFloat(attack.x - player.x));
      knock.vy = -2.0f;
      break;
    case 731: knock.vx = 0.0f; knock.vy = -10.0f; break;
    default: break;
  }
  return knock;
}

void AddBonusHits(int amount, const Character& attack, float scale) {
  g_battle.PendingHits += amount;
  SpawnEffect(kEffectNumber, attack.x, attack.y, scale, 0.0f, amount);
}

}  // namespace

int DamageCell(int column, int row, int hitClass) {
  const int kind = CellKindAt(column, row);
  const float cx = static_cast<float>(column) * 100.0f + 50.0f;
  const float cy = static_cast<float>(row) * 100.0f + 50.0f;
  switch (kind) {
    case 20:
    case 90:
      if (hitClass != 2 && hitClass != 4 && hitClass != 5) {
        SpawnEffect(0, cx, cy, 1.0f, 0.0f, 0);
        PlaySoundEffect(kSoundHit2);
      }
      return 1;
    case 10: case 30: case 40: case 50: case 60: case 70: {
      if (kind == 60) {
        g_battle.PendingHits += 30;
        SpawnEffect(kEffectNumber, cx, cy, 1.0f, 0.0f, 30);
      } else {
        g_battle.PendingHits += 1;
      }
      const float angle = Random(20) * 0.1f * kPi;
      SpawnEffect(200, cx, cy, 2.0f, angle, 0);
      PlaySoundEffect(kSoundShootDown);
      DropFromCell(column, row);
      TileMap[column][row].kind = 0;
      return 2;
    }
    case 80:
      SpawnMapHazard(kHazardExplodingCell, column, row);
      TileMap[column][row].kind = 0;
      return 2;
    case 110:
      SpawnEffect(210, cx, cy, 1.0f, 0.0f, 0);
      PlaySoundEffect(kSoundShootDown);
      SpawnMapHazard(kHazardFallingDebris, column, row);
      TileMap[column][row].kind = 0;
      return 2;
    default:
      return 0;
  }
}

void ApplyHitToEnemy(int attackSlot, int enemySlot) {
  const Character attack = CharacterTable[attackSlot];
  const int kind = attack.kind;
  const float facing = static_cast<float>(attack.facing);
  if (!IsOneOf(kind, {400, 410, 411, 731})) SpawnHitSparks(attack, -facing * 0.5f * kPi);
  if (IsOneOf(kind, {502, 531, 540, 541, 542})) {
    PlaySoundEffect(kSoundHit3);
  } else if (!IsOneOf(kind, {400, 410, 411, 420, 731})) {
    PlaySoundEffect(kSoundHit);
  }
  if (IsOneOf(kind, {502, 531, 540, 541, 542, 731})) g_battle.HitStopRequest = 2;
  if (IsOneOf(kind, {500, 501, 510, 520, 530, 550, 730, 810})) g_battle.HitStopRequest = 1;
  g_battle.ComboCount += 1;
  g_battle.ComboDisplayTimer = 120;
  if (kind == 440) AddBonusHits(10, attack, 0.8f);
  if ((kind == 400 || kind == 420) && attack.extra == -1) AddBonusHits(20, attack, 1.0f);
  if (kind == 730) g_battle.PendingHits += 1;
  if (kind == 731 && attack.link != enemySlot) AddBonusHits(5, attack, 0.6f);
  Character& enemy = CharacterTable[enemySlot];
  enemy.extra = 3;
  const KnockBack knock = KnockBackOf(attack, enemy);
  switch (enemy.kind) {
    case 0:
      if (knock.knockClass == 3) {
        enemy.state = 101;
        enemy.motion = 58;
      } else {
        enemy.state = 100;
        enemy.motion = 48;
        enemy.timer = 20;
      }
      enemy.vx = knock.vx;
      enemy.vy = knock.vy;
      break;
    case 20:
      enemy.state = 100;
      enemy.motion = 48;
      enemy.timer = 20;
      break;
    case 30:
      if (knock.knockClass >= 2) {
        enemy.state = 100;
        enemy.motion = 42;
        enemy.timer = 20;
        enemy.vx = 0.7f * knock.vx;
        enemy.vy = 0.7f * knock.vy;
      }
      break;
    default:
      break;
  }
}

void ApplyHitToPlayer(int attackSlot, int playerSlot) {
  const Character attack = CharacterTable[attackSlot];
  const float facing = static_cast<float>(attack.facing);
  SpawnHitSparks(attack, facing * 0.5f * kPi);
  PlaySoundEffect(kSoundDamage);
  Character& player = CharacterTable[playerSlot];
  const float away = static_cast<float>(SignFloat(player.x - attack.x));
  switch (attack.kind) {
    case 420:
      player.vx = 12.0f * away;
      player.vy = -10.0f;
      player.state = 100;
      break;
    case 410: case 411: case 440:
      player.vx = 8.0f * away;
      player.vy = -6.0f;
      player.state = 100;
      break;
    case 400: case 501:
      player.vx = facing * 8.0f;
      player.vy = -6.0f;
      player.state = 100;
      break;
    default:
      break;
  }
  if (player.hp <= 0.0f) {
    player.vx = facing * 8.0f;
    player.vy = -10.0f;
    player.state = 100;
  }
}

}  // namespace horundel
