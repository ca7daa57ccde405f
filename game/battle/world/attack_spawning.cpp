#include "game/battle/world/attack_spawning.h"

#include <zelvo/zelvo.h>

#include <cmath>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"

namespace horundel {

namespace {

enum AngleRule {
  kAngleAim,        // AimAngle
  kAngleArc,        // AimAngle lifted toward its upper side
  kAngleFacing,     // facing x turn x pi
  kAngleAimed,      // toward the player
  kAngleNone,
};

enum StartRule {
  kStartAlongVelocity,   // shooter + start x velocity
  kStartAhead,           // 80 pixels ahead of the shooter, level with it
  kStartAtShooter,
};

enum TargetRule { kTargetNone, kTargetInSight, kTargetAny };

struct GunRow {
  int kind;
  int weapon;          // damage from this weapon record, or -1 for the fixed damage
  float damage;        // fixed damage, or the factor on the record's damage
  int life;
  float scale;
  int angleRule;
  float turn;          // kAngleFacing: the facing's angle in units of pi
  float spread;        // units of pi per step of the random -10..10
  float speed;
  int startRule;
  float start;         // kStartAlongVelocity: multiple of the velocity
  float halfSize;
  int pellets;         // further copies of the shot (shotgun)
  float pelletSpread;
  int targetRule;
  float targetRange;
};

constexpr GunRow kPlayerGuns[] = {
    {0, 1, 1, 20, 1.5f, kAngleAim, 0, 0.003f, 40, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {10, 2, 1, 15, 1.5f, kAngleAim, 0, 0, 40, kStartAlongVelocity, 2, 30, 8, 0.015f, kTargetNone, 0},
    {20, 3, 1, 20, 1.5f, kAngleAim, 0, 0.001f, 40, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {30, 4, 1, 80, 1, kAngleAim, 0, 0.005f, 5, kStartAlongVelocity, 20, 40, 0, 0, kTargetNone, 0},
    {40, 5, 1, 120, 1, kAngleAim, 0, 0, 20, kStartAlongVelocity, 2, 40, 0, 0, kTargetInSight, 800},
    {50, 6, 1, 80, 1, kAngleArc, 0, 0, 30, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {60, 14, 1, 60, 1.5f, kAngleAim, 0, 0.003f, 30, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {70, 7, 1, 5, 5, kAngleAim, 0, 0, 30, kStartAlongVelocity, 2, 200, 0, 0, kTargetNone, 0},
    {80, 8, 1, 40, 1, kAngleAim, 0, 0, 30, kStartAlongVelocity, 2, 80, 0, 0, kTargetNone, 0},
    {90, 9, 1, 30, 2, kAngleAim, 0, 0.003f, 40, kStartAhead, 0, 40, 0, 0, kTargetNone, 0},
    {100, 10, 1, 120, 1, kAngleArc, 0, 0.003f, 25, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {110, 11, 1, 60, 0.6f, kAngleAim, 0, 0, 20, kStartAlongVelocity, 2, 40, 0, 0, kTargetAny, 1000},
    {120, 12, 1, 80, 3, kAngleAim, 0, 0, 40, kStartAhead, 0, 60, 0, 0, kTargetInSight, 1200},
    {130, 13, 1, 300, 2, kAngleAim, 0, 0, 10, kStartAlongVelocity, 2, 60, 0, 0, kTargetNone, 0},
    {140, 11, 1, 120, 0.5f, kAngleAim, 0, 0, 20, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {150, 16, 1, 80, 1.5f, kAngleAim, 0, 0, 20, kStartAtShooter, 0, 100, 0, 0, kTargetNone, 0},
    {160, 17, 1, 80, 1.5f, kAngleAim, 0, 0, 10, kStartAlongVelocity, 8, 0, 0, 0, kTargetNone, 0},
    {170, 18, 1, 80, 1, kAngleAim, 0, 0, 20, kStartAlongVelocity, 2, 100, 0, 0, kTargetNone, 0},
    {180, 19, 1, 300, 1, kAngleAim, 0, 0, 10, kStartAlongVelocity, 8, 100, 0, 0, kTargetAny, 800},
    {900, -1, 1600, 120, 2, kAngleArc, 0, 0, 30, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
};

constexpr GunRow kEnemyShots[] = {
    {0, 1, 1, 20, 1.5f, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {10, 2, 1, 15, 1.5f, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 2, 30, 4, 0.02f, kTargetNone, 0},
    {20, 3, 1, 20, 1.5f, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {30, 4, 1, 80, 1, kAngleFacing, 0.5f, 0.003f, 10, kStartAtShooter, 0, 40, 0, 0, kTargetNone, 0},
    {40, 5, 1, 120, 1, kAngleFacing, 0.5f, 0.003f, 10, kStartAtShooter, 0, 40, 0, 0, kTargetNone, 0},
    {50, 6, 1, 80, 1, kAngleFacing, 0.6f, 0.003f, 20, kStartAtShooter, 0, 40, 0, 0, kTargetNone, 0},
    {60, 14, 1, 60, 1.5f, kAngleAimed, 0, 0, 15, kStartAlongVelocity, 2, 30, 0, 0, kTargetNone, 0},
    {70, 7, 0.5f, 5, 3, kAngleFacing, 0.5f, 0, 20, kStartAtShooter, 0, 150, 0, 0, kTargetNone, 0},
    {80, 8, 1, 30, 1.5f, kAngleFacing, 0.5f, 0, 20, kStartAtShooter, 0, 80, 0, 0, kTargetNone, 0},
    {90, 9, 1, 30, 2, kAngleAimed, 0, 0, 20, kStartAhead, 0, 40, 0, 0, kTargetNone, 0},
    {100, 10, 1, 120, 1, kAngleFacing, 0.6f, 0.003f, 15, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {110, 11, 1, 60, 0.8f, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {120, 12, 1, 40, 3, kAngleAimed, 0, 0, 30, kStartAhead, 0, 40, 0, 0, kTargetNone, 0},
    {130, 13, 1, 300, 2, kAngleAimed, 0, 0, 10, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {140, 11, 1, 80, 0.5f, kAngleAimed, 0, 0, 10, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {150, 16, 1, 80, 1.5f, kAngleAimed, 0, 0, 20, kStartAtShooter, 0, 100, 0, 0, kTargetNone, 0},
    {160, 16, 1, 80, 1.5f, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 8, 100, 0, 0, kTargetNone, 0},
    {170, 18, 1, 80, 1, kAngleAimed, 0, 0, 20, kStartAlongVelocity, 4, 100, 0, 0, kTargetNone, 0},
    {180, 19, 1, 300, 1, kAngleAimed, 0, 0, 5, kStartAlongVelocity, 8, 100, 0, 0, kTargetNone, 0},
    {900, -1, 400, 120, 2, kAngleFacing, 0.7f, 0.003f, 15, kStartAlongVelocity, 2, 40, 0, 0, kTargetNone, 0},
    {1000, -1, 0, 600, 0, kAngleNone, 0, 0, 0, kStartAtShooter, 0, 100, 0, 0, kTargetNone, 0},
};

const GunRow* FindRow(const GunRow* rows, int count, int kind) {
  for (int i = 0; i < count; ++i) {
    if (rows[i].kind == kind) return &rows[i];
  }
  return nullptr;
}

float Random(int n) { return static_cast<float>(RandomUpTo(n)); }

float Spread(float s) { return s == 0.0f ? 0.0f : (Random(20) - 10.0f) * s * kPi; }

void SetVelocity(Character& attack, float angle, float speed) {
  attack.angle = angle;
  attack.vx = std::sin(angle) * speed;
  attack.vy = std::cos(angle) * speed;
}

float ArcOf(float aim) { return aim + std::sin(aim) * 0.1f * kPi; }

int TakeSlot(const char* family) {
  const int slot = FindFreeCharacter();
  if (slot == 0) ScreenLogPrintf("Character Over by %s\n", family);
  return slot;
}

bool IsSlot(int slot) { return slot >= 0 && slot <= kLastObjectSlot; }

// A fresh attack of the type and kind at the shooter's position and facing.
Character& StartAttack(int slot, int type, int kind, int shooter) {
  ClearCharacter(slot);
  Character& attack = CharacterTable[slot];
  const Character& from = CharacterTable[shooter];
  attack.type = type;
  attack.kind = kind;
  attack.state = 10;
  attack.facing = from.facing;
  attack.x = from.x;
  attack.y = from.y;
  attack.param = shooter;
  return attack;
}

// Angle, velocity, start point and sizes of a gun row; the shooter is the attack's owner.
void ApplyGunRow(int slot, const GunRow& row) {
  Character& attack = CharacterTable[slot];
  const Character& shooter = CharacterTable[attack.param];
  attack.hp = row.weapon >= 0 ? WeaponRecords[row.weapon].attack * row.damage : row.damage;
  attack.timer = row.life;
  attack.speed = row.scale;
  attack.halfWidth = attack.halfHeight = row.halfSize;
  switch (row.angleRule) {
    case kAngleAim:
      SetVelocity(attack, g_battle.AimAngle + Spread(row.spread), row.speed);
      break;
    case kAngleArc:
      SetVelocity(attack, ArcOf(g_battle.AimAngle) + Spread(row.spread), row.speed);
      break;
    case kAngleFacing:
      SetVelocity(attack, static_cast<float>(attack.facing) * row.turn * kPi + Spread(row.spread), row.speed);
      break;
    case kAngleAimed:
      AimAtCharacter(slot, attack.param, kPlayerSlot, row.speed);
      break;
    default:
      break;
  }
  switch (row.startRule) {
    case kStartAlongVelocity:
      attack.x = shooter.x + row.start * attack.vx;
      attack.y = shooter.y + row.start * attack.vy;
      break;
    case kStartAhead:
      attack.x = shooter.x + static_cast<float>(attack.facing) * 80.0f;
      attack.y = shooter.y;
      break;
    default:
      break;
  }
  if (row.targetRule != kTargetNone) {
    attack.link = FindAimTarget(kPlayerSlot, row.targetRule == kTargetInSight ? 1 : 0, attack.angle, row.targetRange,
                                row.targetRange);
  }
}

// The shotgun: copies of the first pellet, each with its own spread around the first one's angle.
void SpawnPellets(int first, const GunRow& row, const char* family) {
  for (int i = 0; i < row.pellets; ++i) {
    const int slot = TakeSlot(family);
    if (slot == 0) return;
    Character& pellet = CharacterTable[slot];
    pellet = CharacterTable[first];
    SetVelocity(pellet, CharacterTable[first].angle + Spread(row.pelletSpread), row.speed);
  }
}

void ApplyToolRow(int slot) {
  Character& attack = CharacterTable[slot];
  const Character& player = CharacterTable[kPlayerSlot];
  const float facing = static_cast<float>(attack.facing);
  auto set = [&attack](float damage, int life, float scale, float halfWidth, float halfHeight) {
    attack.hp = damage;
    attack.timer = life;
    attack.speed = scale;
    attack.halfWidth = halfWidth;
    attack.halfHeight = halfHeight;
  };
  auto offset = [&attack](float vx, float vy) {
    attack.vx = vx;
    attack.vy = vy;
  };
  auto atPlayerPlusOffset = [&attack, &player]() {
    attack.x = player.x + attack.vx;
    attack.y = player.y + attack.vy;
  };
  auto atTwoV = [&attack, &player]() {
    attack.x = player.x + 2.0f * attack.vx;
    attack.y = player.y + 2.0f * attack.vy;
  };
  const int held = g_battle.HeldEnemySlot;
  const WeaponSlotRecord& current = g_battle.WeaponSlot[ClampInt(0, g_battle.CurrentWeaponSlot, kWeaponSlots - 1)];
  switch (attack.kind) {
    case 500: set(60, 10, 3, 80, 80); attack.angle = -kPi; offset(facing * 60.0f, 0.0f); break;
    case 501: set(60, 10, 3, 80, 80); attack.angle = 0.0f; offset(facing * 60.0f, 0.0f); break;
    case 502: set(180, 10, 4, 120, 80); attack.angle = facing * 0.65f * kPi; offset(facing * 80.0f, 0.0f); break;
    case 510: set(80, 20, 4, 100, 80); offset(facing * 130.0f, -30.0f); atPlayerPlusOffset(); break;
    case 520: set(80, player.timer, 4, 100, 80); offset(facing * 70.0f, 0.0f); atPlayerPlusOffset(); break;
    case 530:
      set(60, 300, 4, 100, 120);
      attack.angle = facing * 0.5f * kPi;
      offset(facing * 100.0f, 0.0f);
      atPlayerPlusOffset();
      break;
    case 531: set(300, 9, 4, 150, 120); attack.angle = facing * 0.75f * kPi; attack.x = player.x + facing * 100.0f; break;
    case 540: set(200, 300, 0, 80, 60); offset(facing * 60.0f, 60.0f); break;
    case 541: set(200, 300, 0, 80, 60); offset(facing * 60.0f, 0.0f); break;
    case 542: set(100, 300, 0, 80, 60); offset(facing * 60.0f, 0.0f); break;
    case 550: set(60, 20, 4, 200, 200); break;
    case 700:
    case 704:
      if (attack.kind == 700) set(5, 40, 0.8f, 50, 50);
      else set(200, 120, 0.8f, 50, 50);
      SetVelocity(attack, g_battle.AimAngle, 20.0f);
      attack.extra = SkillRecords[7].owned != 0 ? 1 : 0;
      break;
    case 710: set(30, 300, 5, 150, 150); break;
    case 711:
      set(30, 300, 1, 80, 80);
      SetVelocity(attack, g_battle.AimAngle, 20.0f);
      atTwoV();
      attack.extra = current.weapon;
      break;
    case 720:
      set(30, 80, 1, 30, 30);
      attack.facing = g_battle.AimFacing;
      SetVelocity(attack, g_battle.AimAngle + std::sin(g_battle.AimAngle) * 0.2f * kPi, 20.0f);
      atTwoV();
      attack.extra = current.weapon;
      break;
    case 730:
    case 740:
      if (attack.kind == 730) set(150, 300, 0, 0, 0);
      else set(500, 39, 1, 250, 250);
      attack.link = held;
      // Only a slot of the table lends its position and size.
      if (held >= kFirstObjectSlot && held <= kLastObjectSlot) {
        const Character& enemy = CharacterTable[held];
        attack.x = enemy.x;
        attack.y = enemy.y;
        if (attack.kind == 730) {
          attack.halfWidth = 1.5f * enemy.halfWidth;
          attack.halfHeight = 1.5f * enemy.halfHeight;
        }
      }
      break;
    case 800: set(1000, 40, 1, 300, 300); attack.angle = kPi; break;
    case 810: set(2000, 40, 1, 120, 80); attack.angle = kPi; break;
    default:
      break;
  }
}

}  // namespace

void AimAtCharacter(int slot, int from, int to, float speed) {
  if (!IsSlot(from) || !IsSlot(to)) return;
  const float dx = CharacterTable[to].x - CharacterTable[from].x;
  const float dy = CharacterTable[to].y - CharacterTable[from].y;
  if (dx == 0.0f && dy == 0.0f) return;
  SetVelocity(CharacterTable[slot], std::atan2(dx, dy), speed);
}

int FirePlayerAttack(int kind) {
  const int slot = TakeSlot("atk");
  if (slot == 0) return 0;
  Character& attack = StartAttack(slot, kTypePlayerAttack, kind, kPlayerSlot);
  const GunRow* row = FindRow(kPlayerGuns, sizeof kPlayerGuns / sizeof kPlayerGuns[0], kind);
  if (row != nullptr) {
    attack.facing = g_battle.AimFacing;
    ApplyGunRow(slot, *row);
    if (kind == 120 && attack.link != 0) AimAtCharacter(slot, kPlayerSlot, attack.link, 40.0f);
    if (kind == 130) attack.extra = 1;
    SpawnPellets(slot, *row, "stg");
  } else {
    ApplyToolRow(slot);
  }
  PlayLaunchEffects(slot);
  return slot;
}

int FireEnemyShot(int kind, int owner) {
  if (owner < kPlayerSlot || owner > kLastObjectSlot) return 0;
  const int slot = TakeSlot("atk");
  if (slot == 0) return 0;
  Character& shot = StartAttack(slot, kTypeEnemyShot, kind, owner);
  shot.link = kPlayerSlot;
  if (kind == 501) {
    shot.hp = 300.0f;
    shot.timer = 20;
    shot.speed = 3.0f;
    shot.vx = static_cast<float>(shot.facing) * 60.0f;
    shot.halfWidth = shot.halfHeight = 80.0f;
  } else if (const GunRow* row = FindRow(kEnemyShots, sizeof kEnemyShots / sizeof kEnemyShots[0], kind)) {
    ApplyGunRow(slot, *row);
    SpawnPellets(slot, *row, "stg");
  }
  PlayLaunchEffects(slot);
  return slot;
}

namespace {

// One bomblet of a cluster: velocity twice the source's plus a burst along the angle.
void SetBomblet(Character& bomblet, const Character& source, float angle, float startX, float startY) {
  bomblet.timer = 120;
  bomblet.speed = 0.8f;
  bomblet.angle = angle;
  const float burst = Random(10) + 8.0f;
  bomblet.vx = source.vx * 2.0f + burst * std::sin(angle);
  bomblet.vy = source.vy * 2.0f + burst * std::cos(angle);
  bomblet.halfWidth = bomblet.halfHeight = 100.0f;
  bomblet.x = source.x + startX * bomblet.vx;
  bomblet.y = source.y + startY * bomblet.vy;
  bomblet.extra = RandomUpTo(7) + 3;
}

void SpawnBomblets(int first, const Character& source) {
  const bool fromPlayer = source.type == kTypePlayerAttack;
  const int count = fromPlayer ? 21 : 11;
  const float step = fromPlayer ? 0.1f : 0.2f;
  const float start = fromPlayer ? 2.0f : 4.0f;
  for (int j = 0; j < count; ++j) {
    const int slot = TakeSlot("cb");
    if (slot == 0) return;
    Character& bomblet = CharacterTable[slot];
    bomblet = CharacterTable[first];
    SetBomblet(bomblet, source, static_cast<float>(j) * step * kPi, start, start);
  }
}

}  // namespace

int SpawnCopiedShot(int kind, int source) {
  if (source < kPlayerSlot || source > kLastObjectSlot) return 0;
  const int slot = TakeSlot("atk");
  if (slot == 0) return 0;
  // The source may be freed by the caller afterwards, so the bomblets read this copy of it.
  const Character original = CharacterTable[source];
  Character& copy = CharacterTable[slot];
  copy = original;
  copy.kind = kind;
  switch (kind) {
    case 40:
      copy.hp = WeaponRecords[5].attack * 2.0f;
      copy.angle = 0.0f;
      copy.timer = 200;
      copy.speed = 1.0f;
      copy.vx = 0.0f;
      copy.vy = 20.0f;
      copy.halfWidth = copy.halfHeight = 40.0f;
      break;
    case 161:
      SetBomblet(copy, original, 0.0f, 2.0f, 4.0f);
      SpawnBomblets(slot, original);
      break;
    case 400:
    case 410:
    case 411:
      copy.timer = kind == 411 ? 15 : 5;
      copy.vx = copy.vy = 0.0f;
      copy.halfWidth = copy.halfHeight = kind == 400 ? 80.0f : (kind == 410 ? 120.0f : 160.0f);
      break;
    case 412:
      copy.timer = 30;
      SetVelocity(copy, copy.angle, 20.0f);
      copy.halfWidth = copy.halfHeight = 160.0f;
      break;
    case 731:
      copy.type = kTypePlayerAttack;
      copy.timer = 5;
      copy.hp = 500.0f;
      copy.vx = copy.vy = 0.0f;
      copy.halfWidth *= 2.0f;
      copy.halfHeight *= 2.0f;
      copy.link = source;
      break;
    default:
      break;
  }
  PlayLaunchEffects(slot);
  return slot;
}

int SpawnMapHazard(int kind, int column, int row) {
  if (column < 0 || column > g_battle.LastColumn || row < 0 || row > g_battle.LastRow) {
    ScreenLogPrintf("map over\n");
    return 0;
  }
  const int slot = TakeSlot("atk");
  if (slot == 0) return 0;
  ClearCharacter(slot);
  Character& hazard = CharacterTable[slot];
  hazard.type = kTypeMapHazard;
  hazard.kind = kind;
  hazard.state = 10;
  hazard.x = static_cast<float>(column * 100 + 50);
  hazard.y = static_cast<float>(row * 100 + 50);
  switch (kind) {
    case kHazardExplodingCell:
      hazard.timer = 5;
      hazard.hp = 800.0f;
      hazard.angle = kPi;
      hazard.halfWidth = hazard.halfHeight = 200.0f;
      hazard.extra = -1;
      break;
    case kHazardFallingDebris:
      hazard.timer = 180;
      hazard.hp = 300.0f;
      hazard.speed = 1.0f;
      hazard.halfWidth = hazard.halfHeight = 50.0f;
      hazard.extra = -1;
      break;
    case kHazardCellBurst:
      hazard.timer = 5;
      hazard.hp = 300.0f;
      hazard.halfWidth = hazard.halfHeight = 100.0f;
      break;
    default:
      break;
  }
  PlayLaunchEffects(slot);
  return slot;
}

}  // namespace horundel
