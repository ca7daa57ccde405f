#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/resources.h"

namespace horundel {

namespace {

constexpr int kCannonPicture = 21;        // riveter picture set
constexpr int kCannonFrontPicture = 22;

void DrawChargeGlow(const Character& p, int sx, int sy, float zoom) {
  const int charge = g_battle.WeaponSlot[0].countdown;
  const int x = sx - TruncateToInt(static_cast<float>(p.facing) * 40.0f * zoom);
  const double angle = static_cast<double>(charge % 10) * 0.2 * kPi;
  SetBlendMode(ZELVO_BLEND_ADD, 160);
  BlitGraphRotated(x, sy, 3.5 * zoom, angle, g_pictures.blueLights[0], 1, 0);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  BlitGraphRotated(x, sy, 0.8 * zoom, angle, WeaponRecords[0].picture, 1, 0);
  if (charge > 39 && SkillRecords[6].owned != 0) {
    SetBlendMode(ZELVO_BLEND_ADD, 160);
    BlitGraphRotated(x, sy, (static_cast<double>(charge % 20) * 0.1 + 3.0) * zoom, angle, g_pictures.chargedBullet, 1, 0);
  }
}

}  // namespace

void DrawPlayer(int slot) {
  const Character& p = CharacterTable[slot];
  if (p.state == 600) return;
  const int sx = WorldToScreenX(p.x);
  const int sy = WorldToScreenY(p.y);
  const float z = g_battle.BattleCamera.zoom;
  const int weapon = g_battle.GunOut == 1 ? g_battle.WeaponSlot[g_battle.CurrentWeaponSlot].weapon : 0;
  const int flash = p.extra % 10 > 5 ? kDrawMotionAdditive : kDrawMotionNormal;
  if (g_battle.ToolWeaponState == 2) DrawChargeGlow(p, sx, sy, z);
  const int mirror = p.facing != 1 ? 1 : 0;
  switch (p.kind) {
    case 0:
      DrawMotion(kMotionHeroine, sx, sy, p.motion, p.facing, 0.8f * z, weapon, flash);
      break;
    case 1:
      DrawMotion(kMotionHeroine, sx, sy - TruncateToInt(40.0f * z), p.motion, p.facing, 0.8f * z, weapon, flash);
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      BlitGraphRotated(sx + TruncateToInt(static_cast<float>(p.facing) * 80.0f * z), sy, 1.5 * z, 0.0,
                       RiveterPictures[kCannonFrontPicture], 1, mirror);
      BlitGraphRotated(sx, sy, 0.8 * z, 0.0, RiveterPictures[kCannonPicture], 1, mirror);
      break;
    case 10: DrawMotion(kMotionTank, sx, sy, p.motion, p.facing, z, 0, flash); break;
    case 20: DrawMotion(kMotionHober, sx, sy, p.motion, p.facing, 0.8f * z, 0, flash); break;
    case 30: DrawMotion(kMotionHeli, sx, sy, p.motion, p.facing, 0.8f * z, 0, flash); break;
    default: break;
  }
}

}  // namespace horundel
