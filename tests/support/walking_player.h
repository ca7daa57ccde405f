#pragma once
// The moves a scripted player makes on a mission's own maps, once a battle frame after the keys
// were read: walk toward a point, jump up steps and over pits and enemies, strike what blocks the
// way. The players of the single missions decide where to go; this decides how.
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/tile_map.h"
#include "support/mission_one_player.h"

namespace horundel {

constexpr int kBreakableTileKind = 10;

// What the player remembers between frames; cleared whenever a run or an area starts.
struct WalkerMemory {
  int area = -1;
  int lastFrame = -1;
  float lastX = 0.0f;
  int stalledFrames = 0;
  int climbRow = -1;      // the row of the platform a climbing jump is to land on
  int climbAcross = 0;    // the side it reaches from: 1 right, -1 left
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

// True when the ground a little ahead is lower than under her feet. Climbing and the training jump
// at every such edge; the armed areas jump only pits.
inline bool DropAhead(int direction) {
  const Character& p = Heroine();
  const float feet = p.y + p.halfHeight;
  const float x = p.x + static_cast<float>(direction) * 70.0f;
  return !Solid(x, feet + 1.0f);
}

constexpr int kLiveWireTileKind = 90;

// True when the way ahead falls into a pit deeper than she can climb out of, or onto live wires:
// to be jumped. A step down of a cell or two is simply walked off; a jump there may bring her head
// against what hangs overhead.
inline bool PitAhead(int direction) {
  const Character& p = Heroine();
  const float feet = p.y + p.halfHeight;
  const float x = p.x + static_cast<float>(direction) * 70.0f;
  for (int cells = 0; cells < 3; ++cells) {
    const int kind = TileKindAt(x, feet + 1.0f + 100.0f * static_cast<float>(cells));
    if (kind > 0) return kind == kLiveWireTileKind;
  }
  return true;
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

// True when an enemy shot is about to reach her from the side she faces: a blow strikes it down.
inline bool ShotIncoming() {
  const Character& p = Heroine();
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& shot = CharacterTable[slot];
    if (shot.state == 0 || shot.type != kTypeEnemyShot) continue;
    const float ahead = (shot.x - p.x) * static_cast<float>(p.facing);
    if (ahead > 0.0f && ahead < 130.0f && shot.y > p.y - 90.0f && shot.y < p.y + 90.0f) return true;
  }
  return false;
}

// How she deals with an enemy in her way: over it, or through it with her fists; and whether she
// dashes along where the way is clear, which halves the time armed enemies have to hit her.
enum EnemyHandling { kJumpOverEnemies, kStrikeEnemies, kDashAndStrikeEnemies };

constexpr int kDashingState = 30;

// Holds the dash key while wanted; a dash starts only on a fresh press, so a dash that ended
// under a held key is let go for a frame first.
inline void HoldDash(bool wanted) {
  const bool dashing = Heroine().state == kDashingState;
  ScriptedPad::Set(kKeyDash, wanted && (dashing || !ScriptedPad::held[kKeyDash]));
}

// One frame of walking toward `targetX`: over steps of up to two cells, across pits, striking
// breakable blocks it cannot pass and enemies in the way. True once she stands within `near` of
// the target.
inline bool WalkToward(float targetX, float near = 20.0f, EnemyHandling enemies = kJumpOverEnemies) {
  WalkerMemory& memory = Walker();
  const Character& p = Heroine();
  const float gap = targetX - p.x;
  memory.stalledFrames = p.x == memory.lastX ? memory.stalledFrames + 1 : 0;
  memory.lastX = p.x;
  if (gap < near && gap > -near) {
    ScriptedPad::Set(kKeyLeft, false);
    ScriptedPad::Set(kKeyRight, false);
    ScriptedPad::Set(kKeyJump, false);
    ScriptedPad::Set(kKeyMelee, false);
    HoldDash(false);
    return HeroineStanding();
  }
  const int direction = gap > 0 ? 1 : -1;
  bool jump = false;
  bool strike = false;
  bool hold = false;
  if (HeroineStanding()) {
    const int wall = WallHeightAhead(direction);
    const int blocker = TileAheadKind(direction);
    const int enemy = EnemyAhead(direction, 160.0f, 40.0f);
    const bool close = enemy != 0 && (CharacterTable[enemy].x - p.x) * static_cast<float>(direction) -
                                             CharacterTable[enemy].halfWidth < 100.0f;
    if (enemy != 0 && enemies != kJumpOverEnemies) {
      strike = close;
      hold = close;
    } else if (blocker == kBreakableTileKind && wall > 2) {
      strike = true;
    } else if (wall > 0 || (enemies == kDashAndStrikeEnemies ? PitAhead(direction) : DropAhead(direction))) {
      jump = true;
    } else if (enemy != 0) {
      strike = close;
      jump = !strike;
    }
    if (memory.stalledFrames > 30) strike = true;
    if (memory.stalledFrames > 60 && !hold) jump = true;
    // A shot about to hit her is struck down in the armed areas; not while climbing (plain
    // striking), where a blow may break the platform she is to land on.
    if (enemies == kDashAndStrikeEnemies && ShotIncoming()) {
      strike = true;
      jump = false;
    }
    // Dashing stops short of enemies she is to strike and of the target; in the air a held dash
    // key changes nothing, so it is kept through jumps.
    const bool enemyNear = EnemyAhead(direction, 400.0f, 60.0f) != 0;
    HoldDash(enemies == kDashAndStrikeEnemies && !enemyNear && !strike && (gap > 250.0f || gap < -250.0f));
  }
  ScriptedPad::Set(kKeyRight, direction > 0 && !hold);
  ScriptedPad::Set(kKeyLeft, direction < 0 && !hold);
  Tap(kKeyJump, jump);
  Tap(kKeyMelee, strike);
  return false;
}

}  // namespace horundel
