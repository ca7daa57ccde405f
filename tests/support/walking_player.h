#pragma once
// The moves a scripted player makes on a mission's own maps, once a battle frame after the keys
// were read: walk toward a point, jump up steps and over pits and enemies, strike what blocks the
// way. The players of the single missions decide where to go; this decides how.
#include "game/battle/battle_state.h"
#include "game/battle/character_table.h"
#include "game/battle/tile_map.h"
#include "support/mission_one_player.h"

namespace horundel {

constexpr int kBreakableTileKind = 10;

// What the player remembers between frames; cleared whenever a run or an area starts.
struct WalkerMemory {
  int area = -1;
  int lastFrame = -1;
  float lastX = 0.0f;
  int stalledFrames = 0;
  int strikeFrames = 0;
};

inline WalkerMemory& Walker() {
  static WalkerMemory memory;
  return memory;
}

// True on the first frame of a run or of an area; the memory is fresh afterwards.
inline bool StartWalkerFrame() {
  WalkerMemory& memory = Walker();
  const bool fresh = g_battle.MissionFrames < memory.lastFrame || g_battle.CurrentArea != memory.area;
  if (fresh) {
    memory = WalkerMemory{};
    memory.area = g_battle.CurrentArea;
    memory.lastX = CharacterTable[kPlayerSlot].x;
  }
  memory.lastFrame = g_battle.MissionFrames;
  return fresh;
}

inline const Character& Heroine() { return CharacterTable[kPlayerSlot]; }

inline bool HeroineStanding() {
  const Character& p = Heroine();
  return p.y + p.halfHeight >= GroundBelow(kPlayerSlot) && p.vy >= 0.0f;
}

// A key pressed afresh: held this frame when it was up, let go the next so it can be pressed again.
inline void Tap(int action, bool wanted) { ScriptedPad::Set(action, wanted && !ScriptedPad::held[action]); }

inline bool Solid(float x, float y) { return TileKindAt(x, y) > 0; }

// The heroine's feet stand on the top of this row.
inline int FeetRow() { return CellIndexOf(Heroine().y + Heroine().halfHeight + 1.0f); }

// Cells of wall in the next column toward `direction`, counted up from her feet.
inline int WallHeightAhead(int direction) {
  const Character& p = Heroine();
  const float x = p.x + static_cast<float>(direction) * 60.0f;
  const float feet = p.y + p.halfHeight - 1.0f;
  int cells = 0;
  while (cells < 8 && Solid(x, feet - 100.0f * static_cast<float>(cells))) ++cells;
  return cells;
}

// The first blocking tile kind in the next column at her body's height, 0 if none.
inline int TileAheadKind(int direction) {
  const Character& p = Heroine();
  const float x = p.x + static_cast<float>(direction) * 60.0f;
  for (float dy : {p.halfHeight - 1.0f, 0.0f, 1.0f - p.halfHeight}) {
    const int kind = TileKindAt(x, p.y + dy);
    if (kind > 0) return kind;
  }
  return 0;
}

// True when the ground a little ahead is lower than under her feet.
inline bool DropAhead(int direction) {
  const Character& p = Heroine();
  const float feet = p.y + p.halfHeight;
  const float x = p.x + static_cast<float>(direction) * 70.0f;
  return !Solid(x, feet + 1.0f);
}

// The nearest live enemy ahead of her within `reach` pixels and at about her height; 0 if none.
inline int EnemyAhead(int direction, float reach, float height) {
  const Character& p = Heroine();
  int nearest = 0;
  float nearestDistance = reach;
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& e = CharacterTable[slot];
    if (e.state == 0 || e.type != kTypeEnemy || e.hp <= 0.0f) continue;
    const float distance = (e.x - p.x) * static_cast<float>(direction) - e.halfWidth;
    if (distance < -p.halfWidth || distance > nearestDistance) continue;
    if (e.y - e.halfHeight > p.y + p.halfHeight + height || e.y + e.halfHeight < p.y - p.halfHeight - height) continue;
    nearest = slot;
    nearestDistance = distance;
  }
  return nearest;
}

// One frame of walking toward `targetX`: over steps of up to two cells, across pits, striking
// breakable blocks and enemies it cannot pass. True once she stands within `near` of the target.
inline bool WalkToward(float targetX, float near = 20.0f) {
  WalkerMemory& memory = Walker();
  const Character& p = Heroine();
  const float gap = targetX - p.x;
  memory.stalledFrames = p.x == memory.lastX ? memory.stalledFrames + 1 : 0;
  memory.lastX = p.x;
  if (gap < near && gap > -near) {
    ScriptedPad::Set(kKeyLeft, false);
    ScriptedPad::Set(kKeyRight, false);
    ScriptedPad::Set(kKeyJump, false);
    Tap(kKeyMelee, false);
    return HeroineStanding();
  }
  const int direction = gap > 0 ? 1 : -1;
  ScriptedPad::Set(kKeyRight, direction > 0);
  ScriptedPad::Set(kKeyLeft, direction < 0);
  bool jump = false;
  bool strike = false;
  if (HeroineStanding()) {
    const int wall = WallHeightAhead(direction);
    const int blocker = TileAheadKind(direction);
    const int enemy = EnemyAhead(direction, 160.0f, 40.0f);
    if (blocker == kBreakableTileKind && wall > 2) {
      strike = true;
    } else if (wall > 0 || DropAhead(direction)) {
      jump = true;
    } else if (enemy != 0) {
      strike = CharacterTable[enemy].x * static_cast<float>(direction) - p.x * static_cast<float>(direction) < 140.0f;
      jump = !strike;
    }
    if (memory.stalledFrames > 30) strike = true;
    if (memory.stalledFrames > 60) jump = true;
  }
  Tap(kKeyJump, jump);
  if (!jump && ScriptedPad::held[kKeyJump]) ScriptedPad::Set(kKeyJump, false);
  Tap(kKeyMelee, strike);
  if (!strike && ScriptedPad::held[kKeyMelee]) ScriptedPad::Set(kKeyMelee, false);
  return false;
}

}  // namespace horundel
