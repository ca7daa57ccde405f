#include "game/battle/data/battle_state.h"

namespace horundel {

Character CharacterTable[kCharacterSlots];
TileCell TileMap[kMapSide][kMapSide];

// Program-start values: those of a new game and of a freshly reset mission, so the battle can run
// before any menu has set them.
BattleState g_battle = [] {
  BattleState state{};
  state.Difficulty = 1;
  state.LastColumn = 10;
  state.LastRow = 10;
  state.MissionGoalX = 100.0f;
  state.MissionGoalY = 100.0f;
  state.BattleCamera.zoom = 1.0f;
  state.HpGaugeCount = 2;
  state.WeaponSlotCount = 2;
  state.WeaponSlot[0].used = 1;
  state.AimFacing = 1;
  state.ToolWeaponState = 1;
  state.WeaponSlotSlide = 25.0f;
  return state;
}();

}  // namespace horundel
