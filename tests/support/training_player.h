#pragma once
// The training played to its end by a scripted player: along the training ground to the door into
// its second area. Its enemies never attack, so the way is all that has to be mastered.
#include "game/battle/mission/map_events.h"
#include "support/walking_player.h"

namespace horundel {

// The x of the first closed area door of the area, or of the map's goal when it has none.
inline float AreaDoorX() {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state != 0 && c.type == kTypeMapEvent && c.kind == kEventAreaDoor) return c.x;
  }
  return g_battle.MissionGoalX;
}

inline void PlayTraining() {
  GiveUpWhenTooLong();
  StartWalkerFrame();
  WalkToward(AreaDoorX() + 30.0f, 10.0f);
}

}  // namespace horundel
