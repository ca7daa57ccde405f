#pragma once
// Mission 2 survived by a scripted player: the supply raid clears when its countdown runs out, so
// the player has to stay alive through it on the generated city streets. She breaks the supply
// truck parked nearest the start with what she carries in hand, then goes back to the start, which
// lies beyond the sight of every armed enemy of the street, and holds it. Run once a battle frame
// after the keys were read, like the mission 1 player.
#include "game/battle/data/battle_state.h"
#include "support/mission_one_player.h"

namespace horundel {

constexpr int kTruckKind = 80;
constexpr float kNearTruckReach = 1600.0f;   // trucks beyond this stand too close to the street's soldiers
constexpr float kStartGround = 400.0f;

// The slot of a standing truck near the start, or 0.
inline int NearTruck() {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state != 0 && c.type == kTypeEnemy && c.kind == kTruckKind && c.hp > 0.0f && c.x < kNearTruckReach) {
      return slot;
    }
  }
  return 0;
}

inline void PlayMissionTwo() {
  GiveUpWhenTooLong();
  const Character& heroine = CharacterTable[kPlayerSlot];
  const int truck = NearTruck();
  if (truck != 0) {
    const bool inReach = CharacterTable[truck].x - heroine.x < 260.0f;
    ScriptedPad::Set(kKeyLeft, false);
    ScriptedPad::Set(kKeyRight, !inReach);
    ScriptedPad::Set(kKeyMelee, inReach && !ScriptedPad::held[kKeyMelee]);
    return;
  }
  ScriptedPad::Set(kKeyMelee, false);
  ScriptedPad::Set(kKeyRight, false);
  ScriptedPad::Set(kKeyLeft, heroine.x > kStartGround);
}

}  // namespace horundel
