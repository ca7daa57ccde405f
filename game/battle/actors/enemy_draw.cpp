#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/actors/enemy_update.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"

namespace horundel {

namespace {

// Pictures of the enemies without motions, in the helicopter and riveter picture sets.
constexpr int kAutogunPicture = 4;      // heli set
constexpr int kComputerPicture = 5;
constexpr int kTruckPicture = 6;
constexpr int kGuardPodPicture = 11;
constexpr int kCannonPicture = 21;      // riveter set
constexpr int kCannonFrontPicture = 22;

int WeaponPicture(const Character& e) {
  const int w = e.param >= 0 && e.param < kWeaponCount ? e.param : 0;
  return WeaponRecords[w].picture;
}

void DrawFixedGun(const Character& e, int sx, int sy, float z) {
  const bool ceiling = e.kind == 11;
  const double angle = ceiling ? kPi : 0.0;
  const int mirror = ceiling ? (e.facing != 1 ? 1 : 0) : (e.facing == 1 ? 1 : 0);
  const int weaponY = sy + TruncateToInt((ceiling ? 40.0f : -40.0f) * z);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (e.param != 0) BlitGraphRotated(sx, weaponY, 0.8 * z, angle, WeaponPicture(e), 1, mirror);
  BlitGraphRotated(sx, sy, 1.5 * z, angle, HeliPictures[kAutogunPicture], 1, mirror);
}

}  // namespace

void DrawEnemy(int slot) {
  Character& e = CharacterTable[slot];
  const int sx = WorldToScreenX(e.x);
  const int sy = WorldToScreenY(e.y);
  if (static_cast<float>(sx) < -e.halfWidth || static_cast<float>(sx) > 640.0f + e.halfWidth ||
      static_cast<float>(sy) < -e.halfHeight || static_cast<float>(sy) > 480.0f + e.halfHeight) {
    return;
  }
  int flash = kDrawMotionNormal;
  if (e.extra > 0 && e.hp > 0.0f) {
    flash = kDrawMotionAdditive;
    e.extra = StepToward(e.extra, 0, 1);
  }
  const float z = g_battle.BattleCamera.zoom;
  const int mirror = e.facing != 1 ? 1 : 0;
  switch (e.kind) {
    case 0: DrawMotion(kMotionPlier, sx, sy, e.motion, e.facing, 0.8f * z, e.param, flash); break;
    case 10:
    case 11: DrawFixedGun(e, sx, sy, z); break;
    case 20:
      DrawMotion(kMotionPlier, sx, sy - TruncateToInt(40.0f * z), e.motion, e.facing, 0.8f * z, 0, flash);
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      BlitGraphRotated(sx + TruncateToInt(80.0f * z * static_cast<float>(e.facing)), sy, 1.5 * z, 0.0,
                       RiveterPictures[kCannonFrontPicture], 1, mirror);
      BlitGraphRotated(sx, sy, 0.8 * z, 0.0, RiveterPictures[kCannonPicture], 1, mirror);
      break;
    case 30: DrawMotion(kMotionTank, sx, sy, e.motion, e.facing, z, 0, flash); break;
    case 40: DrawMotion(kMotionHober, sx, sy, e.motion, e.facing, 0.8f * z, 0, flash); break;
    case 50: DrawMotion(kMotionHeli, sx, sy, e.motion, e.facing, 0.8f * z, 0, flash); break;
    case 60:
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      BlitGraphRotated(sx, sy, 2.0 * z, 0.0, HeliPictures[kComputerPicture], 1, 0);
      g_battle.BossGauge.shown = 1;
      g_battle.BossGauge.value = e.hp;
      g_battle.BossGauge.maximum = e.maxHp;
      break;
    case 70:
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      BlitGraphRotated(sx, sy, z, 0.0, HeliPictures[kGuardPodPicture], 1, 0);
      if (e.param != 0) BlitGraphRotated(sx, sy, 0.8 * z, -e.angle - kHalfPi, WeaponPicture(e), 1, 0);
      break;
    case 80:
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      BlitGraphRotated(sx, sy, z, 0.0, HeliPictures[kTruckPicture], 1, 0);
      break;
    default: break;
  }
}

}  // namespace horundel
