#include <zelvo/zelvo.h>

#include <cmath>
#include <initializer_list>

#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"

namespace horundel {

namespace {

constexpr int kBlendNormal = 0;
constexpr int kBlendAdd = 2;

// The tool-weapon picture turns about a point on its shaft, 32 pixels from its top.
constexpr int kToolPivotX = 48;
constexpr int kToolPivotY = 32;

bool DrawsNothing(int kind) {
  return IsOneOf(kind, {110, 140, 400, 410, 411, 412, 420, 440, 531, 540, 541, 542, 730, 731, 1020});
}

int WeaponPicture(int weapon) { return weapon >= 0 && weapon < kWeaponCount ? WeaponRecords[weapon].picture : -1; }

float Spin(int life) { return static_cast<float>(life % 20) * 0.1f * kPi; }

int FadeBy(int life) { return MinInt(life * 30, 255); }

// A live slot of the table, or none: owners may be gone by the time the attack is drawn.
const Character* LiveSlot(int slot) {
  if (slot < kPlayerSlot || slot > kLastObjectSlot || CharacterTable[slot].state == 0) return nullptr;
  return &CharacterTable[slot];
}

void DrawLineToOwner(const Character& attack, int sx, int sy) {
  const Character* owner = LiveSlot(attack.param);
  if (owner == nullptr) return;
  SetBlendMode(kBlendAdd, 160);
  DrawLineSegment(sx, sy, WorldToScreenX(owner->x), WorldToScreenY(owner->y), PackColor(255, 255, 160), 1);
}

void DrawExhaust(const Character& attack, int sx, int sy, float zoom, const int* lights) {
  SetBlendMode(kBlendAdd, 160);
  const float behind = 30.0f * attack.speed * zoom;
  BlitGraphRotated(sx - TruncateToInt(behind * std::sin(attack.angle)), sy - TruncateToInt(behind * std::cos(attack.angle)),
                   attack.speed * zoom, -attack.angle, lights[0], 1, 0);
}

}  // namespace

void DrawAttack(int slot) {
  const Character& attack = CharacterTable[slot];
  const int kind = attack.kind;
  if (DrawsNothing(kind)) return;
  const int sx = WorldToScreenX(attack.x);
  const int sy = WorldToScreenY(attack.y);
  const float fx = static_cast<float>(sx);
  const float fy = static_cast<float>(sy);
  if (fx < -attack.halfWidth || fx > 640.0f + attack.halfWidth || fy < -attack.halfHeight ||
      fy > 480.0f + attack.halfHeight) {
    return;
  }
  const float zoom = g_battle.BattleCamera.zoom;
  const float scale = attack.speed * zoom;
  const float angle = -attack.angle;
  const int life = attack.timer;
  const int* lights = attack.type == kTypePlayerAttack ? g_pictures.blueLights : g_pictures.redLights;
  const int mirror = ((kind == 500 || kind == 550) && attack.facing == -1) || (kind == 501 && attack.facing == 1) ? 1 : 0;
  const int toolWeapon = WeaponRecords[0].picture;

  if (IsOneOf(kind, {30, 40, 50, 80, 81, 130, 150, 151, 900})) DrawExhaust(attack, sx, sy, zoom, lights);
  if (kind == 80 || kind == 81 || (kind == 130 && attack.extra == 1)) DrawLineToOwner(attack, sx, sy);

  switch (kind) {
    case 0: case 10: case 20: case 60: case 70: case 90: case 120:
      SetBlendMode(kBlendAdd, 255);
      BlitGraphRotated(sx, sy, scale, angle, lights[1], 1, mirror);
      break;
    case 502:
      SetBlendMode(kBlendAdd, FadeBy(life));
      BlitGraphRotated(sx, sy, scale, angle, lights[1], 1, mirror);
      break;
    case 30: case 40: case 50: case 80: case 81: case 130: case 150: case 151: case 160: case 900:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, angle, g_pictures.missile, 1, mirror);
      break;
    case 100: case 161: case 170: case 180:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, angle, g_pictures.mine2, 1, mirror);
      break;
    case 171: case 172:
      SetBlendMode(kBlendAdd, FadeBy(life));
      BlitGraphRotated(sx, sy, scale + static_cast<float>(life % 20) * 0.2f, angle, g_pictures.redLights[0], 1, mirror);
      break;
    case 430:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, angle, g_pictures.needle, 1, mirror);
      break;
    case 500: case 501: case 550:
      SetBlendMode(kBlendAdd, FadeBy(life));
      BlitGraphRotated(sx, sy, scale, angle, lights[2], 1, mirror);
      break;
    case 710:
      SetBlendMode(kBlendAdd, 255);
      BlitGraphRotated(sx, sy, scale, Spin(life), lights[2], 1, mirror);
      break;
    case 510: case 520: case 530:
      SetBlendMode(kBlendAdd, FadeBy(life));
      BlitGraphRotated(sx, sy, scale + static_cast<float>(life % 10) * 0.1f, Spin(life), lights[3], 1, mirror);
      break;
    case 704: case 705: case 706:
      SetBlendMode(kBlendAdd, 255);
      BlitGraphRotated(sx, sy, scale + static_cast<float>(life % 10) * 0.2f, Spin(life), lights[3], 1, mirror);
      BlitGraphRotatedPivot(sx, sy, kToolPivotX, kToolPivotY, 0.8f * zoom, -(attack.angle + kHalfPi), toolWeapon, 1, 0);
      break;
    case 700: case 701: case 702: case 703: case 707: {
      SetBlendMode(kBlendNormal, 255);
      const bool spinning = kind == 701 || kind == 703 || kind == 707;
      BlitGraphRotated(sx, sy, scale, spinning ? Spin(life) : -(attack.angle + kHalfPi), toolWeapon, 1, mirror);
      if (kind == 703) BlitGraphRotated(sx, sy, 0.8f * zoom, angle, WeaponPicture(attack.extra), 1, 0);
      if (spinning) {
        SetBlendMode(kBlendAdd, 160);
        BlitGraphRotated(sx, sy, 4.0f * scale, angle, lights[2], 1, 0);
      }
      break;
    }
    case 711: case 720:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, kind == 711 ? -(attack.angle + kHalfPi) : Spin(life), WeaponPicture(attack.extra), 1,
                       mirror);
      break;
    case 740:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, angle, g_pictures.mine, 1, mirror);
      if (life % 10 > 4) {
        SetBlendMode(kBlendAdd, 255);
        BlitGraphRotated(sx, sy, scale, 0.0, g_pictures.redLights[0], 1, 0);
      }
      break;
    case 800:
      SetBlendMode(life % 10 < 3 ? kBlendAdd : kBlendNormal, 255);
      BlitGraphRotated(sx, sy, 1.5f * zoom, angle, HoberPictures[3], 1, mirror);
      BlitGraphRotated(sx, sy, 0.8f * zoom, angle, RiveterPictures[21], 1, mirror);
      break;
    case 810:
      DrawMotion(kMotionTank, sx, sy, 3, attack.facing, zoom, 0, life % 10 < 3 ? kDrawMotionAdditive : kDrawMotionNormal);
      break;
    case 1000:
      if (life > 0) {
        SetBlendMode(kBlendAdd, (life % 40) * 5 + 50);
        DrawRectangle(sx - TruncateToInt(attack.halfWidth * zoom), sy - TruncateToInt(attack.halfHeight * zoom),
                      sx + TruncateToInt(attack.halfWidth * zoom), sy + TruncateToInt(attack.halfHeight * zoom),
                      PackColor(255, 64, 64), 1);
      }
      break;
    case 1010:
      if (life % 10 <= 6) {
        const int w = TruncateToInt(attack.halfWidth * zoom);
        const int h = TruncateToInt(attack.halfHeight * zoom);
        const unsigned int red = PackColor(255, 0, 0);
        SetBlendMode(kBlendNormal, 255);
        DrawRectangle(sx - w, sy - h, sx + w, sy + h, red, 0);
        DrawLineSegment(sx - w, sy, sx + w, sy, red, 1);
        DrawLineSegment(sx, sy - h, sx, sy + h, red, 1);
      }
      break;
    default:
      SetBlendMode(kBlendNormal, 255);
      break;
  }
}

}  // namespace horundel
