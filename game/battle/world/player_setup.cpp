#include "game/battle/world/player_setup.h"

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

void PlacePlayer(float x, float y) {
  g_battle.BattleCamera.x = x;
  g_battle.BattleCamera.y = y;
  g_battle.AirBoostsLeft = g_battle.AirBoostLevel;
  g_battle.GunOut = 0;
  g_battle.ToolWeaponState = 1;
  g_battle.AimFacing = 1;
  g_battle.AimAngle = kHalfPi;
  g_battle.WeaponSlotSlide = 25.0f;
  g_battle.HeldEnemySlot = 0;
  Character& player = CharacterTable[kPlayerSlot];
  const float hp = player.hp;   // the mission loop fills it at mission start
  player = Character{};
  player.type = kTypePlayer;
  player.kind = 0;
  player.state = 10;
  player.hp = hp;
  player.maxHp = 400.0f * static_cast<float>(g_battle.HpGaugeCount);
  player.facing = 1;
  player.x = x;
  player.y = y;
  player.halfWidth = 40.0f;
  player.halfHeight = 40.0f;
  // Keys held during the placement must be released before they act.
  g_shell.ClearMenuKeys();
}

}  // namespace horundel
