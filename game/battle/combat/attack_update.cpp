#include <zelvo/zelvo.h>

#include <cmath>
#include <initializer_list>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

bool IsSlotOfTable(int slot) { return slot >= kPlayerSlot && slot <= kLastObjectSlot; }

// A slot still holds a live object of the type; a freed slot, or one reused by something else,
// must never be written through an old reference.
bool IsLive(int slot, int type) {
  return IsSlotOfTable(slot) && CharacterTable[slot].state != 0 && CharacterTable[slot].type == type;
}

// Whom an attack belongs to: player attacks are the heroine's, shots their enemy's.
int OwnerTypeOf(const Character& attack) { return attack.type == kTypeEnemyShot ? kTypeEnemy : kTypePlayer; }
// Whom an attack goes for.
int TargetTypeOf(const Character& attack) { return attack.type == kTypeEnemyShot ? kTypePlayer : kTypeEnemy; }

void Free(int slot) { CharacterTable[slot].state = 0; }

bool ShootPressed() { return KeyBindings[kKeyShoot].pressed != 0; }

bool EveryTenth(const Character& attack) { return attack.timer % 10 == 0; }

int TruncateCell(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 1e9) return 1000000000;
  if (v <= -1e9) return -1000000000;
  return static_cast<int>(v);
}

// The cell a coordinate lies in; anything left of or above the map is outside it, not cell 0.
int CellUnder(float v) { return v >= 0.0f ? CellIndexOf(v) : -1; }

bool CannotBeShotDown(int kind) {
  return IsOneOf(kind, {400, 410, 411, 420, 430, 500, 501, 502, 1000, 1010, 1020});
}

// Player attacks against enemy shots. Returns 1 when the update ends.
int HitShots(int slot) {
  const int hitClass = HitClassOf(kHitTestShots, slot);
  if (hitClass == 0) return 0;
  for (int s = kFirstObjectSlot; s <= kLastObjectSlot && CharacterTable[slot].type == kTypePlayerAttack; ++s) {
    const Character& shot = CharacterTable[s];
    if (shot.state == 0 || shot.type != kTypeEnemyShot || CharactersOverlap(slot, s) == 0) continue;
    if (ResolveHit(slot, s) == 1) return 1;
    if (CannotBeShotDown(shot.kind)) continue;
    SpawnEffect(210, shot.x, shot.y, 1.5f, 0.0f, 0);
    PlaySoundEffect(kSoundShootDown);
    g_battle.PendingHits += 3;
    SpawnEffect(kEffectNumber, CharacterTable[slot].x, CharacterTable[slot].y, 0.6f, 0.0f, 3);
    Free(s);
    if (hitClass == 1) {
      Free(slot);
      return 1;
    }
  }
  return 0;
}

int HitEnemies(int slot) {
  const int hitClass = HitClassOf(kHitTestBodies, slot);
  if (hitClass == 0) return 0;
  for (int s = kFirstObjectSlot; s <= kLastObjectSlot; ++s) {
    const Character& attack = CharacterTable[slot];
    Character& enemy = CharacterTable[s];
    if (enemy.state == 0 || enemy.type != kTypeEnemy) continue;
    if (attack.kind == 730 && s == attack.link) continue;
    if (CharactersOverlap(slot, s) == 0) continue;
    if (ResolveHit(slot, s) == 1) return 1;
    enemy.hp -= CharacterTable[slot].hp;
    ApplyHitToEnemy(slot, s);
    if (hitClass == 1) {
      Free(slot);
      return 1;
    }
  }
  return 0;
}

int HitPlayer(int slot) {
  const int hitClass = HitClassOf(kHitTestBodies, slot);
  Character& player = CharacterTable[kPlayerSlot];
  if (hitClass == 0 || CharactersOverlap(slot, kPlayerSlot) == 0 || !(player.hp > 0.0f) || player.extra != 0) {
    return 0;
  }
  if (ResolveHit(slot, kPlayerSlot) == 1) return 1;
  const float damage = static_cast<float>(g_battle.Difficulty) * CharacterTable[slot].hp * 0.15f;
  if (player.kind == 0) {
    player.hp -= damage;
  } else {
    g_battle.MachineHp -= damage;
  }
  ApplyHitToPlayer(slot, kPlayerSlot);
  if (hitClass == 1) {
    Free(slot);
    return 1;
  }
  return 0;
}

int HitTiles(int slot) {
  const int hitClass = HitClassOf(kHitTestTiles, slot);
  if (hitClass == 0) return 0;
  const Character& attack = CharacterTable[slot];
  if (hitClass == 1 || hitClass == 5) {
    const int result = DamageCell(CellUnder(attack.x), CellUnder(attack.y), hitClass);
    if (hitClass == 1 && result > 0) {
      if (ResolveHit(slot, kContactCell) != 1) Free(slot);
      return 1;
    }
    return hitClass == 5 && result == 1 && ResolveHit(slot, kContactCell) == 1 ? 1 : 0;
  }
  const double cx = static_cast<double>(attack.x) * 0.01;
  const double cy = static_cast<double>(attack.y) * 0.01;
  const int firstColumn = TruncateCell(cx - 1.0);
  const int lastColumn = TruncateCell(cx + 1.0);
  const int firstRow = TruncateCell(cy - 1.0);
  const int lastRow = TruncateCell(cy + 1.0) - (hitClass == 2 ? 1 : 0);
  // At most three cells each way, even far outside the map.
  for (int column = firstColumn; column <= lastColumn && column - firstColumn < 3; ++column) {
    for (int row = firstRow; row <= lastRow && row - firstRow < 3; ++row) {
      const Character& now = CharacterTable[slot];
      const float cellX = static_cast<float>(column) * 100.0f + 50.0f;
      const float cellY = static_cast<float>(row) * 100.0f + 50.0f;
      if (AbsFloat(now.x - cellX) > now.halfWidth + 50.0f || AbsFloat(now.y - cellY) > now.halfHeight + 50.0f) continue;
      if (DamageCell(column, row, hitClass) > 0 && ResolveHit(slot, kContactCell) == 1) return 1;
    }
  }
  return 0;
}

// The thrown tool-weapon orbiting a seized enemy. Returns 1 when the update ends.
int HoldCapturedEnemy(int slot) {
  Character& attack = CharacterTable[slot];
  const int enemySlot = attack.link;
  if (!IsLive(enemySlot, kTypeEnemy) || CharacterTable[enemySlot].hp < -CharacterTable[enemySlot].maxHp) {
    return ResolveHit(slot, kContactEnd);
  }
  Character& enemy = CharacterTable[enemySlot];
  attack.x = enemy.x + 120.0f * std::sin(attack.angle);
  attack.y = enemy.y + 120.0f * std::cos(attack.angle);
  enemy.state = 230;
  enemy.timer = 10;
  if (EveryTenth(attack)) {
    SpawnEffect(kEffectTrail, attack.x, attack.y, 4.0f, 0.0f, 0);
    PlaySoundEffect(kSoundBomb);
    g_battle.ScreenFlash[0].timer = 20;
    g_battle.ScreenFlash[0].alpha = 120;
  }
  if (attack.timer == 1) {
    switch (enemy.kind) {
      case 0: case 10: case 11: case 70:
        if (enemy.param > 0) {
          // A fresh life, as for the empty return: the seized weapon must reach the heroine.
          attack.kind = 703;
          attack.timer = 300;
          attack.extra = enemy.param;
          enemy.param = 0;
          PlaySoundEffect(kSoundGuard);
        } else {
          ResolveHit(slot, kContactEnd);
          PlaySoundEffect(kSoundCursor3);
        }
        break;
      case 20: case 30: case 40: case 50: {
        const int machine = enemy.kind == 20 ? 1 : (enemy.kind == 30 ? 10 : (enemy.kind == 40 ? 20 : 30));
        SpawnItem(kTypeMachinePickup, machine, enemy.x, enemy.y);
        SpawnEffect(kEffectLostWeapon, enemy.x, enemy.y, 0.0f, 0.0f, enemySlot);
        Free(enemySlot);
        PlaySoundEffect(kSoundGuard);
        ResolveHit(slot, kContactEnd);
        break;
      }
      default:
        ResolveHit(slot, kContactEnd);
        PlaySoundEffect(kSoundCursor3);
        break;
    }
    return 0;
  }
  if (ShootPressed() && SkillRecords[5].owned != 0) {
    if (enemy.kind == 20) {
      // The rider is pulled off: the cannon stays behind as a pickup.
      SpawnItem(kTypeMachinePickup, 1, enemy.x, enemy.y);
      enemy.kind = 0;
      enemy.param = RandomDropKind(kTypeWeaponPickup);
    }
    attack.kind = 707;
    attack.timer = 300;
  }
  return 0;
}

bool Touches(int slot) { return CharactersOverlap(slot, kPlayerSlot) != 0; }

void FlyHome(Character& attack) {
  const Character& player = CharacterTable[kPlayerSlot];
  attack.x = StepTowardFraction(attack.x, player.x, 0.08f);
  attack.y = StepTowardFraction(attack.y, player.y, 0.08f);
  attack.halfWidth = attack.halfHeight = 200.0f;
}

void ToolWeaponBack() {
  g_battle.ToolWeaponState = 1;
  KeyBindings[kKeyShoot].latched = 1;
}

// The capture sequence's kinds. Returns 1 when the update ends.
int RunCaptureKind(int slot) {
  Character& attack = CharacterTable[slot];
  const int kind = attack.kind;
  if (kind == 703) {
    if (Touches(slot) || attack.timer == 1 || g_battle.ToolWeaponState == 1) {
      g_battle.ToolWeaponState = 1;
      g_battle.GunOut = 0;
      if (AddWeapon(attack.extra) == 0) {
        SpawnItem(kTypeWeaponPickup, attack.extra, attack.x, attack.y);
        PlaySoundEffect(kSoundCursor3);
      }
      Free(slot);
      return 1;
    }
    return 0;
  }
  if (g_battle.ToolWeaponState == 1) {
    Free(slot);
    return 1;
  }
  switch (kind) {
    case 701:
      if (Touches(slot) || attack.timer == 1) {
        ToolWeaponBack();
        Free(slot);
        PlaySoundEffect(kSoundDown);
        return 1;
      }
      return 0;
    case 702:
      return HoldCapturedEnemy(slot);
    case 705:
    case 706:
      if (attack.timer == 1 || ShootPressed()) return ResolveHit(slot, kContactEnd);
      return 0;
    case 707: {
      const int enemySlot = attack.link;
      if (!IsLive(enemySlot, kTypeEnemy)) return ResolveHit(slot, kContactEnd);
      g_battle.HeldEnemySlot = enemySlot;
      Character& enemy = CharacterTable[enemySlot];
      enemy.state = 231;
      enemy.x = attack.x;
      enemy.y = attack.y;
      if (Touches(slot) || attack.timer == 1) {
        Character& player = CharacterTable[kPlayerSlot];
        player.state = 230;
        player.timer = 10;
        player.vx = static_cast<float>(player.facing) * -10.0f;
        player.vy = 0.0f;
        g_battle.ToolWeaponState = 1;
        Free(slot);
        PlaySoundEffect(kSoundDown);
        return 1;
      }
      return 0;
    }
    default:
      return 0;
  }
}

bool IsCrawlerToBe(const Character& attack) {
  return attack.kind == 150 || attack.kind == 171 || ((attack.kind == 700 || attack.kind == 704) && attack.extra == 1);
}

// Special behaviour of the kind. Returns 1 when the update ends.
int RunKindBehaviour(int slot) {
  Character& attack = CharacterTable[slot];
  if (IsCrawlerToBe(attack)) MeetWall(slot);
  if (attack.kind >= 700 && attack.kind <= 707 && attack.type == kTypePlayerAttack) {
    if (RunCaptureKind(slot) == 1) return 1;
  }
  const int kind = attack.kind;
  if (attack.timer == 1 && IsOneOf(kind, {700, 704, 800, 810, 1010})) {
    if (ResolveHit(slot, kContactEnd) == 1) return 1;
  }
  if (kind == 160 && !ShootPressed()) {
    if (ResolveHit(slot, kContactEnd) == 1) return 1;
  }
  if (kind == 161) attack.extra = StepToward(attack.extra, 0, 1);
  if (kind == 412 && EveryTenth(attack)) SpawnCopiedShot(411, slot);
  if (kind == 1020 && attack.timer % 8 == 0) SpawnCopiedShot(40, slot);
  return 0;
}

// Attacks tied to an owner or a target go when that one is gone or has moved on.
int CheckOwner(int slot) {
  Character& attack = CharacterTable[slot];
  const int required = OwnerStateOf(attack.kind);
  const int owner = attack.param;
  bool keep = true;
  if (required != 0) {
    keep = IsLive(owner, OwnerTypeOf(attack)) && CharacterTable[owner].state == required;
  } else if (attack.kind == 81) {
    keep = IsLive(attack.link, TargetTypeOf(attack));
  } else if (attack.kind == 1000 || attack.kind == 1010) {
    keep = IsLive(owner, OwnerTypeOf(attack));
  } else if (attack.kind == 730) {
    keep = IsLive(attack.link, kTypeEnemy) && IsOneOf(CharacterTable[attack.link].state, {230, 231, 232});
  } else if (attack.kind == 740) {
    keep = IsLive(attack.link, kTypeEnemy);
    if (keep) CharacterTable[attack.link].state = 230;
  }
  if (keep) return 0;
  Free(slot);
  return 1;
}

void SetAlong(Character& attack, float speed) {
  attack.vx = speed * std::sin(attack.angle);
  attack.vy = speed * std::cos(attack.angle);
}

// A homing attack's target: player attacks their locked enemy, shots the player.
int HomingTarget(Character& attack) {
  if (attack.type == kTypeEnemyShot) return kPlayerSlot;
  if (!IsLive(attack.link, kTypeEnemy)) attack.link = 0;
  return attack.link;
}

void Steer(int slot) {
  Character& attack = CharacterTable[slot];
  const bool player = attack.type == kTypePlayerAttack;
  switch (attack.kind) {
    case 100: attack.vy += 0.6f; attack.angle += attack.vx * 0.01f * kPi; break;
    case 161: attack.vy += 0.6f; break;
    case 430: case 720: attack.vy += 1.0f; break;
    case 50: case 900: attack.vy += 1.0f; attack.angle = StepTowardF(attack.angle, 0.0f, 0.01f * kPi); break;
    case 30:
      if (player) {
        attack.vx *= 1.08f;
        attack.vy *= 1.08f;
      }
      break;
    case 810: attack.vx += static_cast<float>(attack.facing) * 0.5f; break;
    case 70: attack.speed -= 0.5f; break;
    case 501: attack.angle -= static_cast<float>(attack.facing) * 0.03f * kPi; attack.speed += 0.1f; break;
    case 500: attack.angle += static_cast<float>(attack.facing) * 0.03f * kPi; attack.speed += 0.1f; break;
    case 502: attack.speed += 0.1f; break;
    case 550: attack.angle += static_cast<float>(attack.facing) * 0.1f * kPi; attack.speed += 0.2f; break;
    case 520: attack.vy = StepTowardFraction(attack.vy, -100.0f, 0.05f); break;
    case 530:
      attack.angle = StepTowardF(attack.angle, -static_cast<float>(attack.facing) * 1.65f * kPi, 0.1f * kPi);
      SetAlong(attack, 150.0f);
      break;
    default: break;
  }
  switch (attack.kind) {
    case 40:
      if (player) HomeToward(slot, HomingTarget(attack), 0.1f * kPi, 1.5f, 25.0f);
      else HomeToward(slot, kPlayerSlot, 0.05f * kPi, 1.0f, 10.0f);
      break;
    case 110:
      if (player) HomeToward(slot, HomingTarget(attack), 0.1f * kPi, 1.0f, 20.0f);
      else HomeToward(slot, kPlayerSlot, 0.05f * kPi, 0.5f, 10.0f);
      break;
    case 130:
      if (!player) {
        HomeToward(slot, kPlayerSlot, 0.05f * kPi, 1.0f, 10.0f);
        break;
      }
      if (!ShootPressed()) attack.extra = 0;
      if (attack.extra == 1 && (KeyBindings[kKeyUp].pressed || KeyBindings[kKeyDown].pressed ||
                                KeyBindings[kKeyLeft].pressed || KeyBindings[kKeyRight].pressed)) {
        attack.angle = TurnToward(attack.angle, AimAngleFromKeys(), 0.05f * kPi);
        SetAlong(attack, 10.0f);
      }
      break;
    case 180:
      if (player) HomeToward(slot, HomingTarget(attack), 0.02f * kPi, 0.2f, 8.0f);
      else HomeToward(slot, kPlayerSlot, 0.01f * kPi, 0.1f, 5.0f);
      break;
    default: break;
  }
  const bool wallAhead = TileKindAt(attack.x + attack.vx, attack.y) == kOutsideTileKind;
  const bool wallBelow = TileKindAt(attack.x, attack.y + attack.vy) == kOutsideTileKind;
  switch (attack.kind) {
    case 60:
      if (wallAhead) attack.angle = -attack.angle;
      if (wallBelow) attack.angle = kPi - attack.angle;
      if (wallAhead || wallBelow) SetAlong(attack, 30.0f);
      break;
    case 100:
      if (wallAhead) attack.vx = -attack.vx;
      if (wallBelow) attack.vy = -0.6f * attack.vy;
      break;
    case 140: case 180:
      if (wallAhead) attack.vx = -attack.vx;
      if (wallBelow) attack.vy = -attack.vy;
      break;
    default: break;
  }
}

void LeaveTrails(const Character& attack) {
  const int kind = attack.kind;
  const bool player = attack.type == kTypePlayerAttack;
  if (kind == 110 || kind == 140) {
    const int light = player ? 80 : 81;
    SpawnEffect(light, attack.x - attack.vx / 2.0f, attack.y - attack.vy / 2.0f, attack.speed, attack.angle, 0);
    SpawnEffect(light, attack.x, attack.y, attack.speed, attack.angle, 0);
  }
  if (IsOneOf(kind, {30, 40, 50, 130, 150, 151, 160, 900})) {
    SpawnEffect(0, attack.x, attack.y, attack.speed / 2.0f, attack.angle, 0);
  }
  if (kind == 81 && EveryTenth(attack)) {
    PlaySoundEffect(kSoundBomb4);
    SpawnEffect(kEffectTrail, attack.x, attack.y, 3.0f, 0.0f, 0);
    SpawnEffect(70, attack.x, attack.y, 4.0f, attack.angle, 0);
  }
  if ((kind == 171 || kind == 172) && EveryTenth(attack)) {
    SpawnEffect(211, attack.x, attack.y, 2.0f, attack.angle + kPi, 0);
  }
  if (IsOneOf(kind, {510, 520, 530, 710, 711})) {
    g_battle.ScreenFlash[0].timer = 20;
    g_battle.ScreenFlash[0].alpha = 120;
  }
  if (IsOneOf(kind, {701, 703, 707}) && EveryTenth(attack)) PlaySoundEffect(kSoundSwing);
  if (IsOneOf(kind, {800, 810, 1010}) && EveryTenth(attack)) PlaySoundEffect(kSoundWarning2);
  if (kind == 740 && EveryTenth(attack)) PlaySoundEffect(kSoundCursor1);
  if (kind >= 704 && kind <= 706) {
    const float angle = (static_cast<float>(RandomUpTo(20)) - 10.0f) * 0.1f * kPi;
    SpawnEffect(0, attack.x - 150.0f * std::sin(attack.angle), attack.y - 150.0f * std::cos(attack.angle), 0.5f, angle,
                0);
  }
}

bool IsAttachedKind(int kind) {
  return IsOneOf(kind, {500, 501, 502, 510, 520, 530, 540, 541, 542, 550, 710, 1000});
}

void Move(int slot) {
  Character& attack = CharacterTable[slot];
  const int kind = attack.kind;
  if (IsAttachedKind(kind)) {
    // Owners were checked above; an unchecked attached kind without a live owner stays put.
    if (IsLive(attack.param, OwnerTypeOf(attack))) {
      attack.x = CharacterTable[attack.param].x + attack.vx;
      attack.y = CharacterTable[attack.param].y + attack.vy;
    }
    return;
  }
  if (IsOneOf(kind, {81, 730, 740, 1010})) {
    if (IsSlotOfTable(attack.link) && CharacterTable[attack.link].state != 0) {
      attack.x = CharacterTable[attack.link].x;
      attack.y = CharacterTable[attack.link].y;
    }
    return;
  }
  if (kind == 702) return;   // placed by its hold
  if (IsOneOf(kind, {701, 703, 707})) {
    FlyHome(attack);
    return;
  }
  switch (kind) {
    case 151: CrawlAlongWall(slot, 12.0f); return;
    case 172: CrawlAlongWall(slot, 6.0f); return;
    case 705: case 706: CrawlAlongWall(slot, 10.0f); return;
    default: break;
  }
  attack.x += attack.vx;
  attack.y += attack.vy;
}

}  // namespace

int OwnerStateOf(int kind) {
  switch (kind) {
    case 500: return 300;
    case 501: return 301;
    case 502: return 302;
    case 510: return 310;
    case 520: return 320;
    case 530: return 330;
    case 540: return 340;
    case 541: return 341;
    case 542: return 342;
    case 550: return 351;
    case 710: return 500;
    default: return 0;
  }
}

void HomeToward(int slot, int target, float maxTurn, float velocityStep, float speed) {
  if (!IsSlotOfTable(target) || CharacterTable[target].state == 0) return;
  Character& attack = CharacterTable[slot];
  const float dx = CharacterTable[target].x - attack.x;
  const float dy = CharacterTable[target].y - attack.y;
  if (dx == 0.0f && dy == 0.0f) return;
  attack.angle = TurnToward(attack.angle, std::atan2(dx, dy), maxTurn);
  attack.vx = StepTowardF(attack.vx, speed * std::sin(attack.angle), velocityStep);
  attack.vy = StepTowardF(attack.vy, speed * std::cos(attack.angle), velocityStep);
}

void UpdateAttack(int slot, int mode) {
  if (mode != 0) {
    Free(slot);
    return;
  }
  const int type = CharacterTable[slot].type;
  if (type == kTypePlayerAttack && HitShots(slot) == 1) return;
  if ((type == kTypePlayerAttack || type == kTypeMapHazard) && HitEnemies(slot) == 1) return;
  if ((type == kTypeEnemyShot || type == kTypeMapHazard) && HitPlayer(slot) == 1) return;
  if (HitTiles(slot) == 1) return;
  if (RunKindBehaviour(slot) == 1) return;
  if (CheckOwner(slot) == 1) return;
  Steer(slot);
  LeaveTrails(CharacterTable[slot]);
  Move(slot);
  Character& attack = CharacterTable[slot];
  attack.timer = StepToward(attack.timer, 0, 1);
  if (attack.timer == 0) Free(slot);
}

}  // namespace horundel
