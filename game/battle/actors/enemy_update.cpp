#include "game/battle/actors/enemy_update.h"

#include <zelvo/zelvo.h>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/world/enemy_spawn.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

struct EnemyFrame {
  int slot;
  int mode;
  bool passive;   // moves but never starts an attack
  bool sees;
  float ground;
  bool airborne;
  float dx;       // heroine minus enemy
  float dy;
};

float Random(int n) { return static_cast<float>(RandomUpTo(n)); }

// The pause before the next attack shortens with difficulty.
int Pause(int frames) { return frames - 20 * g_battle.Difficulty; }

bool TickTimer(Character& e) {
  e.timer = StepToward(e.timer, 0, 1);
  return e.timer == 0;
}

bool IsHeld(const Character& e) { return e.state == 230 || e.state == 231 || e.state == 232; }

bool Within(const EnemyFrame& f, float w, float h) { return AbsFloat(f.dx) < w && AbsFloat(f.dy) < h; }

void SlowDown(Character& e, float step) { e.vx = StepTowardF(e.vx, 0.0f, step); }

void FaceHeroine(Character& e, const EnemyFrame& f) {
  if (SignFloat(f.dx) != 0) e.facing = SignFloat(f.dx);
}

void DustBurst(const Character& e) {
  for (int i = 0; i < 5; ++i) SpawnEffect(0, e.x + Random(80) - 40.0f, e.y + e.halfHeight, 1.0f, 0.0f, 0);
}

bool SolidAhead(const Character& e, float dy) { return TileKindAt(e.x + 50.0f * static_cast<float>(e.facing), e.y + dy) > 0; }

// A thrown body that stopped on either axis hit something and becomes a blast.
void EndThrow(Character& e) {
  if (e.vx != 0.0f && e.vy != 0.0f) return;
  e.state = 10;
  SpawnCopiedShot(731, static_cast<int>(&e - CharacterTable));
}

// True when the enemy landed this frame.
bool Land(Character& e, const EnemyFrame& f) {
  if (f.airborne || e.vy <= 0.0f) return false;
  e.vy = 0.0f;
  e.y = f.ground - e.halfHeight;
  return true;
}

void Gravity(Character& e, const EnemyFrame& f, float g) {
  if (f.airborne) e.vy += g;
}

void BurnDown(Character& e) {
  e.hp -= MaxFloat(1.0f, e.maxHp * 0.01f);
  e.extra = WrapIncrement(e.extra, 10);
  if (e.extra != 0) return;
  PlaySoundEffect(kSoundBomb2);
  const float ox = Random(80);
  const float oy = Random(80);
  SpawnEffect(200, e.x + ox - 40.0f, e.y + oy - 40.0f, 1.0f, 0.0f, 0);
}

void Destroy(int slot) {
  Character& e = CharacterTable[slot];
  if (e.kind == 0 || e.kind == 20 || e.kind == 30 || e.kind == 40 || e.kind == 50) {
    SpawnEffect(kEffectLostWeapon, e.x, e.y, 0.8f, 0.0f, slot);
  }
  if (e.kind == 80) ++g_battle.MissionScriptVars[0];
  SpawnEffect(220, e.x, e.y, 1.0f, 0.0f, 0);
  SpawnEffect(kEffectBlast, e.x, e.y, 3.0f, Random(20) * 0.1f * kPi, 0);
  PlaySoundEffect(kSoundShootDown);
  DropOnEnemyDeath(slot);
  g_battle.PendingHits += 10;
  SpawnEffect(kEffectNumber, e.x, e.y, 0.8f, 0.0f, 10);
  e.state = 0;
}

void UpdateSoldier(Character& e, const EnemyFrame& f) {
  if (Land(e, f)) {
    if (e.state == 101 || e.state == 103) {
      DustBurst(e);
      PlaySoundEffect(kSoundDown);
      if (e.state == 101) {
        e.state = 102;
        e.timer = 10;
        e.vy = -6.0f;
      } else {
        e.state = 104;
        e.timer = 20;
      }
    } else if (e.state != 100 && !IsHeld(e)) {
      e.state = 10;
      e.vx = 0.0f;
    }
  }
  switch (e.state) {
    case 10:
      e.vx = 0.0f;
      if (f.passive || f.airborne) break;
      if (e.param == 0) {
        e.state = 130;
        e.timer = 60;
      } else if (TickTimer(e) && Within(f, 800.0f, 300.0f)) {
        e.state = 120;
      }
      break;
    case 120:
      if (f.airborne) break;
      FaceHeroine(e, f);
      e.vx = 4.0f * static_cast<float>(e.facing);
      if (AbsFloat(f.dx) > 800.0f && AbsFloat(f.dy) > 300.0f) {
        e.state = 10;
        e.timer = 80;
      } else if (SolidAhead(e, 0.0f)) {
        if (!SolidAhead(e, -100.0f)) {
          e.state = 20;
          e.vy = -12.0f;
        } else {
          e.state = 10;
          e.timer = Pause(120);
        }
      } else if (f.sees && !f.passive) {
        if (!SolidAhead(e, 100.0f)) {
          e.state = 200;
          e.timer = Pause(120);
        } else if (Within(f, 200.0f, 100.0f)) {
          e.state = 300;
          e.timer = Pause(120);
        } else if (Within(f, 800.0f, 800.0f)) {
          e.state = 200;
          e.timer = Pause(120);
        }
      }
      break;
    case 20:
      e.vx = 4.0f * static_cast<float>(e.facing);
      break;
    case 200:
      e.vx = 0.0f;
      FaceHeroine(e, f);
      TickTimer(e);
      if (FireEnemyWeapon(f.slot) != 0) e.motion = 71;
      if (e.timer == 0) {
        e.state = 10;
        e.timer = Pause(120);
      }
      break;
    case 300:
      e.vx = 0.0f;
      if (TickTimer(e)) {
        FireEnemyShot(501, f.slot);
        e.state = 301;
        e.timer = 80;
        e.vx = 12.0f * static_cast<float>(e.facing);
      }
      break;
    case 301:
      SlowDown(e, 0.3f);
      if (TickTimer(e)) {
        e.state = 10;
        e.timer = Pause(80);
      }
      break;
    case 130:
      e.vx = 0.0f;
      TickTimer(e);
      if (e.timer == 50) {
        SpawnEffect(kEffectSurprise, e.x, e.y, 1.5f, 0.0f, f.slot);
        SpawnEffect(kEffectQuestion, e.x, e.y, 1.5f, 0.0f, f.slot);
      }
      if (e.timer == 0) e.state = 131;
      break;
    case 131:
      if (SignFloat(f.dx) != 0) e.facing = -SignFloat(f.dx);
      e.vx = 4.0f * static_cast<float>(e.facing);
      e.timer = WrapIncrement(e.timer, 30);
      if (e.timer == 0) SpawnEffect(kEffectFlee, e.x, e.y, 1.5f, 0.0f, f.slot);
      if (AbsFloat(f.dx) > 800.0f && AbsFloat(f.dy) > 600.0f) {
        e.state = 0;
        return;
      }
      if (SolidAhead(e, 0.0f)) {
        e.state = 101;
        e.vx = -4.0f * static_cast<float>(e.facing);
        e.vy = -8.0f;
      }
      break;
    case 100:
      if (!f.airborne) TickTimer(e);
      SlowDown(e, 0.3f);
      if (e.timer == 0 && e.hp > 0.0f) e.state = 10;
      break;
    case 101:
    case 103:
      break;
    case 102:
      if (TickTimer(e)) e.state = 103;
      break;
    case 104:
      SlowDown(e, 0.3f);
      if (TickTimer(e)) {
        e.state = 105;
        e.timer = 20;
      }
      break;
    case 105:
      SlowDown(e, 0.3f);
      if (TickTimer(e) && e.hp > 0.0f) e.state = 10;
      break;
    case 230:
    case 231:
      if (e.state == 230) SlowDown(e, 0.3f);
      if (TickTimer(e)) e.state = 10;
      break;
    case 232:
      EndThrow(e);
      break;
    default:
      e.vx = 0.0f;
  }
  if (e.state == 231) {
    e.vy = 0.0f;
  } else {
    Gravity(e, f, 0.5f);
  }
  switch (e.state) {
    case 120: case 20: KeepMotionInRange(f.slot, 12, 30); break;
    case 300: KeepMotionInRange(f.slot, 31, 41); break;
    case 301: KeepMotionInRange(f.slot, 42, 47); break;
    case 100: case 230: case 231: KeepMotionInRange(f.slot, 48, 57); break;
    case 101: case 103: case 232: KeepMotionInRange(f.slot, 58, 63); break;
    case 102: case 104: e.motion = 64; break;
    case 105: KeepMotionInRange(f.slot, 65, 70); break;
    case 200: KeepMotionInRange(f.slot, 71, 75); break;
    case 131: KeepMotionInRange(f.slot, 76, 85); break;
    case 130: e.motion = 86; break;
    default:
      if (e.motion > 11) e.motion = 0;
  }
  ProbeHazardTiles(f.slot);
}

void UpdateFixedGun(Character& e, const EnemyFrame& f) {
  e.vx = 0.0f;
  e.vy = 0.0f;
  FaceHeroine(e, f);
  if (f.mode == 1) {
    if (e.kind == 10 && TileKindAt(e.x, e.y + e.halfHeight) == 0) e.y += 1.0f;
    if (e.kind == 11 && TileKindAt(e.x, e.y - e.halfHeight) == 0) e.y -= 1.0f;
  }
  switch (e.state) {
    case 10:
      if (f.passive) break;
      if (e.param == 0) {
        e.hp = -e.maxHp;   // robbed of its gun: it blows up next frame
        break;
      }
      TickTimer(e);
      if (e.timer < 1 && f.sees && Within(f, 800.0f, 800.0f)) {
        e.state = 200;
        e.timer = Pause(120);
      }
      break;
    case 200:
      TickTimer(e);
      FireEnemyWeapon(f.slot);
      if (e.timer == 0) {
        e.state = 10;
        e.timer = Pause(120);
      }
      break;
    case 232:
      EndThrow(e);
      [[fallthrough]];
    case 230:
    case 231:
      if (TickTimer(e)) e.state = 10;
      break;
    default:
      break;
  }
}

void UpdateCannonRider(Character& e, const EnemyFrame& f) {
  e.vx = 0.0f;
  FaceHeroine(e, f);
  Land(e, f);
  switch (e.state) {
    case 10:
      if (f.passive) break;
      TickTimer(e);
      if (e.timer < 1 && f.sees && Within(f, 800.0f, 800.0f)) {
        e.state = 200;
        e.timer = Pause(120);
      }
      break;
    case 100:
      if (TickTimer(e)) {
        e.state = 10;
        e.timer = Pause(80);
      }
      break;
    case 200:
      TickTimer(e);
      if (e.timer % 5 == 0 && e.timer < 21) FireEnemyShot(90, f.slot);
      if (e.timer == 0) {
        e.state = 10;
        e.timer = Pause(120);
      }
      break;
    default:
      break;
  }
  Gravity(e, f, 0.5f);
  if (e.state == 100) {
    KeepMotionInRange(f.slot, 48, 57);
  } else if (e.motion > 11) {
    e.motion = 0;
  }
}

void UpdateTank(Character& e, const EnemyFrame& f) {
  Land(e, f);
  switch (e.state) {
    case 10:
      e.vx = 0.0f;
      if (f.passive || f.airborne) break;
      if (TickTimer(e) && Within(f, 800.0f, 300.0f)) e.state = 120;
      break;
    case 120:
      if (f.airborne) break;
      FaceHeroine(e, f);
      e.vx = 4.0f * static_cast<float>(e.facing);
      if (AbsFloat(f.dx) > 1000.0f && AbsFloat(f.dy) > 500.0f) {
        e.state = 10;
        e.timer = 80;
      } else if (SolidAhead(e, 0.0f)) {
        e.state = 10;
        e.timer = Pause(120);
      } else if (f.sees && !f.passive) {
        if (!SolidAhead(e, 100.0f)) {
          e.state = 201;
          e.timer = Pause(120);
        } else if (Within(f, 500.0f, 300.0f)) {
          e.state = 200;
          e.timer = Pause(120);
        } else if (Within(f, 700.0f, 400.0f)) {
          e.state = 202;
          e.timer = Pause(80);
        }
      }
      break;
    case 200:
    case 201:
      e.vx = e.state == 200 ? -4.0f * static_cast<float>(e.facing) : 0.0f;
      TickTimer(e);
      if (e.timer % 5 == 0 && e.timer < 41) FireEnemyShot(90, f.slot);
      if (e.timer == 0) {
        e.state = 10;
        e.timer = Pause(120);
      }
      break;
    case 202:
      e.vx = 0.0f;
      if (TickTimer(e)) {
        FireEnemyShot(900, f.slot);
        e.state = 203;
        e.vx = -12.0f * static_cast<float>(e.facing);
        e.timer = Pause(140);
      }
      break;
    case 203:
    case 100:
    case 230:
    case 231:
      if (e.state != 231) SlowDown(e, 0.5f);
      if (TickTimer(e)) {
        e.state = 10;
        e.timer = Pause(80);
      }
      break;
    case 232:
      EndThrow(e);
      break;
    default:
      e.vx = 0.0f;
  }
  Gravity(e, f, 0.5f);
  switch (e.state) {
    case 100: KeepMotionInRange(f.slot, 42, 49); break;
    case 203:
      if (e.motion < 7 || e.motion > 27) e.motion = 27;
      break;
    default:
      if (e.vx == 0.0f) {
        e.motion = 0;
      } else if (SignFloat(e.vx) == e.facing) {
        KeepMotionInRange(f.slot, 1, 3);
      } else {
        KeepMotionInRange(f.slot, 4, 6);
      }
  }
}

void UpdateBoss(Character& e, const EnemyFrame& f) {
  e.y = f.ground - e.halfHeight;
  e.vx = 0.0f;
  e.vy = 0.0f;
  TickTimer(e);
  if (f.passive || !f.sees || e.timer != 0) return;
  const int side = SignFloat(f.dx);
  if (RandomUpTo(2) != 0) {
    const float r = Random(2);
    const int pod = SpawnEnemy(70, e.x, e.y + 200.0f * r - 200.0f, side, 0);
    if (pod != 0) FireEnemyShot(1000, pod);
  } else {
    const float r = Random(2);
    const int weapon = RandomDropKind(32);
    SpawnEnemy(70, e.x, e.y + 200.0f * r - 200.0f, side, weapon);
  }
  e.timer = 180 - 30 * g_battle.Difficulty;
}

void UpdateGuardPod(Character& e, const EnemyFrame& f) {
  e.vx = 4.0f * static_cast<float>(e.facing);
  e.vy = 0.0f;
  e.angle = AngleTo(f.slot, kPlayerSlot);
  TickTimer(e);
  if (!f.passive && f.sees) {
    if (e.param != 0) FireEnemyWeapon(f.slot);
    if (e.timer == 0) e.timer = 200 - 20 * g_battle.Difficulty;
  }
  // Leaving the map sideways frees it whether or not it still sees her; it flies on forever otherwise.
  if (e.x < 0.0f || e.x > 100.0f * static_cast<float>(g_battle.LastColumn) + 100.0f) e.state = 0;
}

void UpdateTruck(Character& e, const EnemyFrame& f) {
  e.state = 10;
  e.vx = 0.0f;
  Land(e, f);
  Gravity(e, f, 0.5f);
}

}  // namespace

int FireEnemyWeapon(int slot) {
  const Character& e = CharacterTable[slot];
  const int w = e.param >= 0 && e.param < kWeaponCount ? e.param : 0;
  const int t = e.timer;
  bool fire;
  switch (w) {
    case 1: case 4: case 9: case 14: fire = t % 5 == 0 && t <= 20; break;
    case 3: case 5: case 10: case 11: case 15: case 19: fire = t % 8 == 0 && t <= 20; break;
    default: fire = t == 0;
  }
  if (!fire) return 0;
  FireEnemyShot(WeaponRecords[w].attackKind, slot);
  return 1;
}

void UpdateEnemy(int slot, int mode) {
  Character& e = CharacterTable[slot];
  if (mode == 3) {
    if (e.kind != 60) e.state = 0;
    return;
  }
  const BattleCameraState& camera = g_battle.BattleCamera;
  if (AbsFloat(e.x - camera.x) > 2000.0f && AbsFloat(e.y - camera.y) > 2000.0f) return;
  const Character& heroine = CharacterTable[kPlayerSlot];
  EnemyFrame f{};
  f.slot = slot;
  f.mode = mode;
  f.passive = g_battle.CurrentMission == 0 || mode == 1 || mode == 2 || heroine.hp <= 0.0f;
  f.sees = HasLineOfSight(slot, kPlayerSlot) != 0.0f;
  f.ground = GroundBelow(slot);
  f.airborne = e.y + e.halfHeight < f.ground;
  f.dx = heroine.x - e.x;
  f.dy = heroine.y - e.y;
  const bool held = IsHeld(e);
  if (e.hp <= 0.0f && !held) BurnDown(e);
  if (e.hp < -e.maxHp && !held) {
    Destroy(slot);
    return;
  }
  switch (e.kind) {
    case 0: UpdateSoldier(e, f); break;
    case 10: case 11: UpdateFixedGun(e, f); break;
    case 20: UpdateCannonRider(e, f); break;
    case 30: UpdateTank(e, f); break;
    case 60: UpdateBoss(e, f); break;
    case 70: UpdateGuardPod(e, f); break;
    case 80: UpdateTruck(e, f); break;
    default: break;
  }
  if (e.state == 0) return;
  if (e.state != 231 && e.kind != 70 && e.kind != 80) StopAtWalls(slot);
  e.x += e.vx;
  e.y += e.vy;
}

}  // namespace horundel
