#pragma once
// The attack scene with a floor under the heroine and a key script: each frame names the keys held,
// keys not named are released (and their latches cleared, as the battle's input poll does).
#include <initializer_list>
#include <vector>

#include "attack_scene.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

constexpr int kFloorRow = 11;                 // cells of row 11 start at y 1100
constexpr float kStandingY = 1060.0f;         // feet on the floor with half height 40

inline void ResetHeroineScene() {
  ResetScene();
  for (int column = 0; column <= g_battle.LastColumn; ++column) TileMap[column][kFloorRow].kind = 1;
  for (KeyBinding& key : KeyBindings) key.pressed = key.latched = 0;
  for (SkillRecord& skill : SkillRecords) skill.owned = 0;
  g_shell = DefaultShellServices();
  GameSettings.twoButtonSpecial = 0;
  CharacterTable[kPlayerSlot].y = kStandingY;
  CharacterTable[kPlayerSlot].hp = 800.0f;
  g_battle.AirBoostLevel = g_battle.AirBoostsLeft = 1;
  g_battle.CurrentMission = 1;
  g_battle.WeaponSlotCount = 2;
  g_battle.CurrentWeaponSlot = 0;
  g_battle.ToolWeaponState = 1;
  g_battle.WeaponSlot[0] = WeaponSlotRecord{1, 0, 3, 0};
}

inline void HoldKeys(std::initializer_list<int> keys) {
  for (int key = 0; key < kKeyBindingCount; ++key) {
    bool held = false;
    for (int k : keys) held = held || k == key;
    KeyBindings[key].pressed = held ? 1 : 0;
    if (!held) KeyBindings[key].latched = 0;
  }
}

// Kinds of the live objects of a type, in slot order.
inline std::vector<int> LiveKinds(int type) {
  std::vector<int> kinds;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (CharacterTable[slot].state != 0 && CharacterTable[slot].type == type) kinds.push_back(CharacterTable[slot].kind);
  }
  return kinds;
}

// How many live objects of the type are of the kind.
inline int CountKind(int type, int kind) {
  int count = 0;
  for (int k : LiveKinds(type)) count += k == kind ? 1 : 0;
  return count;
}

// The heroine's record, to be changed by the scene (the walking players read it only).
inline Character& SceneHeroine() { return CharacterTable[kPlayerSlot]; }

// One frame of the heroine on foot with the keys held.
inline void FrameOnFoot(std::initializer_list<int> keys) {
  HoldKeys(keys);
  UpdatePlayerOnFoot(kPlayerSlot, 0);
}

}  // namespace horundel
