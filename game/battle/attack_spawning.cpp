#include "game/battle/attack_spawning.h"

#include <zelvo/zelvo.h>

#include "game/battle/battle_state.h"
#include "game/battle/character_table.h"
#include "game/battle/game_math.h"

namespace horundel {

int SpawnMapHazard(int kind, int column, int row) {
  if (column < 0 || column > g_battle.LastColumn || row < 0 || row > g_battle.LastRow) {
    ScreenLogPrintf("map over\n");
    return 0;
  }
  const int slot = FindFreeCharacter();
  if (slot == 0) {
    ScreenLogPrintf("Character Over by atk\n");
    return 0;
  }
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
  return slot;
}

}  // namespace horundel
