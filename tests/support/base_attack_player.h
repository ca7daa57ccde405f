#pragma once
// Mission 1 played to its clear by a scripted player on the mission's own maps: through each area
// to its door, up the shaft's platforms from one side to the other, then the main computer fought
// with the melee combo of a new game's heroine.
#include "game/battle/game_math.h"
#include "game/battle/map_events.h"
#include "support/training_player.h"

namespace horundel {

constexpr int kBaseAttackBossArea = 5;

// The x of the nearest change between solid and open cells along `row`, or -1 without one.
inline float PlatformEdgeNear(int row, float x) {
  float best = -1.0f;
  for (int column = 1; column < LastColumnIndex(); ++column) {
    const float edge = 100.0f * static_cast<float>(column);
    const float y = 100.0f * static_cast<float>(row) + 50.0f;
    if (Solid(edge - 50.0f, y) == Solid(edge + 50.0f, y)) continue;
    if (best < 0.0f || AbsFloat(edge - x) < AbsFloat(best - x)) best = edge;
  }
  return best;
}

// Up a shaft whose platforms, two rows apart, reach from alternate sides to a seam: from beside
// the seam straight up past the platform above, then across onto it.
inline void ClimbShaft() {
  WalkerMemory& memory = Walker();
  const Character& p = Heroine();
  if (HeroineStanding()) {
    const int feetRow = FeetRow();
    const float edge = PlatformEdgeNear(feetRow - 2, p.x);
    if (edge < 0.0f) return;
    memory.climbRow = feetRow - 2;
    memory.climbAcross = Solid(edge + 50.0f, 100.0f * static_cast<float>(memory.climbRow) + 50.0f) ? 1 : -1;
    // Close to the seam: the platform above her own side stops her head a few pixels over the
    // one she is to land on, so she has but a frame or two to cross.
    const float spot = edge - static_cast<float>(memory.climbAcross) * 3.0f;
    if (!WalkToward(spot, 3.0f, kStrikeEnemies)) return;
    ScriptedPad::Set(kKeyRight, false);
    ScriptedPad::Set(kKeyLeft, false);
    // Up held makes a straight jump a plain one, not the stance a bare jump key starts.
    ScriptedPad::Set(kKeyUp, true);
    Tap(kKeyJump, true);
    return;
  }
  ScriptedPad::Set(kKeyJump, false);
  ScriptedPad::Set(kKeyUp, false);
  if (memory.climbRow < 0) return;
  // Across once her feet are above the platform she is to land on.
  const bool clear = p.y + p.halfHeight - 1.0f < 100.0f * static_cast<float>(memory.climbRow);
  ScriptedPad::Set(kKeyRight, clear && memory.climbAcross > 0);
  ScriptedPad::Set(kKeyLeft, clear && memory.climbAcross < 0);
}

// The first closed door of `kind` of the area, 0 if none.
inline int DoorSlot(int kind) {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state == kEventClosed && c.type == kTypeMapEvent && c.kind == kind) return slot;
  }
  return 0;
}

// The boss's slot, 0 once it is gone.
inline int BossSlot() {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state != 0 && c.type == kTypeEnemy && c.kind == 60) return slot;
  }
  return 0;
}

// Close in beside the boss and strike its body with the first two blows of the combo again and
// again: the third blow's long recovery costs more than it adds.
inline void FightBoss() {
  const int boss = BossSlot();
  if (boss == 0) return;
  const Character& b = CharacterTable[boss];
  const Character& p = Heroine();
  const float stand = b.x - b.halfWidth - 30.0f;
  if (p.x < stand - 20.0f) {
    WalkToward(stand, 20.0f, kDashAndStrikeEnemies);
    return;
  }
  ScriptedPad::Set(kKeyRight, false);
  ScriptedPad::Set(kKeyLeft, false);
  ScriptedPad::Set(kKeyJump, false);
  HoldDash(false);
  const bool ready = p.state == 10 || (p.state == 300 && p.timer < 22);
  Tap(kKeyMelee, ready);
}

inline void PlayBaseAttack() {
  GiveUpWhenTooLong();
  StartWalkerFrame();
  if (g_battle.CurrentArea == kBaseAttackBossArea) {
    FightBoss();
    return;
  }
  const int door = DoorSlot(kEventAreaDoor);
  if (door == 0) return;
  const Character& d = CharacterTable[door];
  const Character& p = Heroine();
  // A door high above is reached by climbing; one on her level by walking. Doors stand 90
  // pixels above the floor.
  if (d.y + 90.0f < p.y + p.halfHeight - 150.0f) {
    ClimbShaft();
    return;
  }
  WalkToward(d.x, 10.0f, kDashAndStrikeEnemies);
}

}  // namespace horundel
