#include <zelvo/zelvo.h>

#include <cmath>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/sound_effects.h"

namespace horundel {

namespace {

enum ContactKind { kTouchEnd, kTouchCell, kTouchEnemy, kTouchPlayer, kTouchShot, kTouchOther };

ContactKind ContactOf(int other) {
  if (other == kContactEnd) return kTouchEnd;
  if (other < 0) return kTouchCell;
  if (other > kLastObjectSlot) return kTouchOther;
  switch (CharacterTable[other].type) {
    case kTypeEnemy: return kTouchEnemy;
    case kTypePlayer: return kTouchPlayer;
    case kTypeEnemyShot: return kTouchShot;
    default: return kTouchOther;
  }
}

// The attack turns into another kind where it stands: new life and size, no velocity, its launch.
int Become(int slot, int kind, int life, float halfSize) {
  Character& attack = CharacterTable[slot];
  attack.kind = kind;
  attack.timer = life;
  if (halfSize > 0.0f) attack.halfWidth = attack.halfHeight = halfSize;
  attack.vx = attack.vy = 0.0f;
  PlayLaunchEffects(slot);
  return 1;
}

// The thrown tool-weapon gives up and flies home empty.
int ReturnHome(int slot) {
  CharacterTable[slot].kind = 701;
  CharacterTable[slot].timer = 300;
  return 1;
}

int CaptureLife(int enemyKind) {
  switch (enemyKind) {
    case 0: return 60;
    case 20: return 80;
    case 30: case 40: case 50: return 100;
    default: return 1;
  }
}

// The tool-weapon seizes an enemy and holds it while orbiting it.
int Capture(int slot, int enemySlot) {
  Character& attack = CharacterTable[slot];
  Character& enemy = CharacterTable[enemySlot];
  attack.kind = 702;
  attack.angle = -static_cast<float>(attack.facing) * 0.75f * kPi;
  attack.link = enemySlot;
  enemy.state = 230;
  enemy.timer = 10;
  enemy.vx = 0.3f * attack.vx;
  enemy.vy = 0.3f * attack.vy - 8.0f;
  PlaySoundEffect(kSoundDown);
  attack.timer = CaptureLife(enemy.kind);
  return 1;
}

// Back into flight from a wall: a quarter turn away from it and some steps forward.
int Relaunch(int slot, int kind, int life, int steps) {
  Character& attack = CharacterTable[slot];
  attack.kind = kind;
  attack.timer = life;
  attack.angle = WrapAngle(attack.angle - static_cast<float>(attack.facing) * 0.5f * kPi);
  attack.vx = std::sin(attack.angle) * 20.0f;
  attack.vy = std::cos(attack.angle) * 20.0f;
  attack.x += static_cast<float>(steps) * attack.vx;
  attack.y += static_cast<float>(steps) * attack.vy;
  attack.extra = 0;
  PlayLaunchEffects(slot);
  return 1;
}

int ResolveCaptureKind(int slot, int other, ContactKind contact) {
  Character& attack = CharacterTable[slot];
  switch (attack.kind) {
    case 700:
      if (contact == kTouchEnd || contact == kTouchCell) return ReturnHome(slot);
      if (contact == kTouchEnemy) return Capture(slot, other);
      return 0;
    case 704:
      if (contact == kTouchEnd) return ReturnHome(slot);
      if (contact == kTouchCell) {
        // With the crawling upgrade the wall is the crawler rule's to take.
        if (attack.extra != 0) return 0;
        SpawnCopiedShot(412, slot);
        return ReturnHome(slot);
      }
      if (contact == kTouchEnemy) {
        SpawnCopiedShot(412, slot);
        return Capture(slot, other);
      }
      return 0;
    case 705:
      if (contact == kTouchEnd) return Relaunch(slot, 700, 40, 1);
      if (contact == kTouchEnemy) return Capture(slot, other);
      return 0;
    case 706:
      if (contact == kTouchEnd) return Relaunch(slot, 704, 120, 10);
      if (contact == kTouchEnemy) {
        SpawnCopiedShot(412, slot);
        return Capture(slot, other);
      }
      return 0;
    case 702:
    case 707:
      return ReturnHome(slot);
    default:
      return 0;
  }
}

}  // namespace

int ResolveHit(int slot, int other) {
  Character& attack = CharacterTable[slot];
  const ContactKind contact = ContactOf(other);
  const bool body = contact == kTouchEnemy || contact == kTouchPlayer;
  switch (attack.kind) {
    case 30: case 40: case 430:
      return Become(slot, 400, 5, 120.0f);
    case 50: case 100: case 180: case 800: case 900:
      return Become(slot, 410, 5, 200.0f);
    case 740:
      attack.angle = kPi;
      return Become(slot, 410, 15, 0.0f);
    case 80:
      if (body) {
        attack.link = other;
        return Become(slot, 81, attack.type == kTypePlayerAttack ? 180 : 60, 0.0f);
      }
      if (contact == kTouchCell) {
        attack.state = 0;
        return 1;
      }
      return 0;
    case 120:
      return body || contact == kTouchCell ? Become(slot, 400, 5, 80.0f) : 0;
    case 130:
      return body || contact == kTouchCell ? Become(slot, 410, 5, 180.0f) : 0;
    case 110: case 140:
      return body ? Become(slot, 400, 5, 80.0f) : 0;
    case 150: case 151:
      return body ? Become(slot, 410, 5, 200.0f) : 0;
    case 161:
      return Become(slot, 400, 5, 150.0f);
    case 160:
      SpawnCopiedShot(161, slot);
      attack.state = 0;
      return 1;
    case 170: {
      attack.x -= 2.0f * attack.vx;
      attack.y -= 2.0f * attack.vy;
      attack.kind = 171;
      attack.timer = 120;
      attack.halfWidth = attack.halfHeight = 150.0f;
      attack.vx = 6.0f * std::sin(attack.angle);
      attack.vy = 6.0f * std::cos(attack.angle);
      PlayLaunchEffects(slot);
      return 1;
    }
    case 711:
      if (!body && contact != kTouchCell) return 0;
      attack.hp = 200.0f;
      return Become(slot, 420, 30, 400.0f);
    case 810:
      if (contact != kTouchCell && contact != kTouchEnd) return 0;
      attack.hp = 200.0f;
      return Become(slot, 420, 30, 500.0f);
    case 542:
      if (other > 0) {
        CharacterTable[kPlayerSlot].state = 344;
        CharacterTable[kPlayerSlot].vy = -12.0f;
      }
      return 0;
    case 1000:
      attack.link = kPlayerSlot;
      return Become(slot, 1010, 100 - 20 * g_battle.Difficulty, 0.0f);
    case 1010: {
      const Character& player = CharacterTable[kPlayerSlot];
      attack.kind = 1020;
      attack.timer = 60;
      attack.x = player.x - 300.0f;
      attack.y = player.y - 600.0f;
      attack.vx = 10.0f;
      attack.vy = 0.0f;
      PlayLaunchEffects(slot);
      return 1;
    }
    default:
      return ResolveCaptureKind(slot, other, contact);
  }
}

}  // namespace horundel
