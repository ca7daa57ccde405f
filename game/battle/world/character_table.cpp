#include "game/battle/world/character_table.h"

#include <cmath>
#include <cstring>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

void ClearCharacter(int slot) { std::memset(&CharacterTable[slot], 0, sizeof(Character)); }

int FindFreeCharacter() {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    if (CharacterTable[slot].state == 0) return slot;
  }
  return 0;
}

int CharactersOverlap(int a, int b) {
  const Character& first = CharacterTable[a];
  const Character& second = CharacterTable[b];
  return AbsFloat(first.x - second.x) <= first.halfWidth + second.halfWidth &&
                 AbsFloat(first.y - second.y) <= first.halfHeight + second.halfHeight
             ? 1
             : 0;
}

float AngleTo(int a, int b) {
  const float dx = CharacterTable[b].x - CharacterTable[a].x;
  const float dy = CharacterTable[b].y - CharacterTable[a].y;
  if (dx == 0.0f && dy == 0.0f) return 0.0f;
  return std::atan2(dx, dy);
}

float HasLineOfSight(int a, int b) {
  const Character& from = CharacterTable[a];
  const float dx = CharacterTable[b].x - from.x;
  const float dy = CharacterTable[b].y - from.y;
  if (dx == 0.0f && dy == 0.0f) return 1.0f;
  const float t = std::atan2(dx, dy);
  const float stepX = std::sin(t);
  const float stepY = std::cos(t);
  const float distance = AbsFloat(dy) > AbsFloat(dx) ? dy / stepY : dx / stepX;
  // Nine steps of one cell: targets beyond about 1000 pixels are never in sight.
  for (int i = 1; i <= 9; ++i) {
    const float reach = static_cast<float>(i) * 100.0f;
    if (TileKindAt(from.x + reach * stepX, from.y + reach * stepY) == kOutsideTileKind) return 0.0f;
    if (reach + 100.0f > distance) return 1.0f;
  }
  return 0.0f;
}

int FindAimTarget(int from, int needSight, float aimAngle, float maxDx, float maxDy) {
  int best = 0;
  float bestDiff = kTwoPi;
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& target = CharacterTable[slot];
    if (target.state == 0 || target.type != kTypeEnemy || !(target.hp > 0.0f)) continue;
    if (needSight == 1 && HasLineOfSight(from, slot) == 0.0f) continue;
    const float dx = target.x - CharacterTable[from].x;
    const float dy = target.y - CharacterTable[from].y;
    if (dx == 0.0f && dy == 0.0f) continue;
    if (AbsFloat(dx) > maxDx || AbsFloat(dy) > maxDy) continue;
    // Not wrapped: an enemy just past straight up is almost a full turn away from an upward aim.
    const float diff = AbsFloat(aimAngle - std::atan2(dx, dy));
    if (diff < bestDiff) {
      best = slot;
      bestDiff = diff;
    }
  }
  return best;
}

}  // namespace horundel
