#include "game/shell/hud.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/cg_pictures.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_frame.h"
#include "game/shell/mission_screens.h"
#include "game/shell/mission_text_player.h"
#include "game/shell/mission_world.h"

namespace horundel {

HudState g_hud = {0, 0, kMoneyPanelDown, 0, 0.0f, 1};

namespace {

constexpr int kMinusCell = 11;
constexpr int kFirstPrefixCell = 10;
constexpr int kNumberDigits = 7;
constexpr int kMachineBodyPicture = 22;
constexpr int kMachineCannonPicture = 21;

int Trunc(double v) { return static_cast<int>(v); }

// Frame pieces "flame00".."flame07".
enum FramePiece { kCorner = 0, kTopEdge, kTopEnd, kLeftEdge, kBottomEnd, kTabLeft, kTabMiddle, kTabRight };

int FramePicture(int piece) { return g_pictures.hudFrames[piece]; }

// The used gun slots counted from slot 1 upward.
int UsedGunSlots() {
  const int count = ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot);
  int used = 0;
  while (used < count && g_battle.WeaponSlot[used + 1].used != 0) ++used;
  return used;
}

int SlotInHand() { return ClampInt(0, g_battle.CurrentWeaponSlot, kLastCarriedSlot); }

int WeaponPicture(int slot) {
  const int weapon = g_battle.WeaponSlot[slot].weapon;
  return weapon >= 0 && weapon < kWeaponCount ? WeaponRecords[weapon].picture : -1;
}

// A weapon on the wheel: at angle t and radius r from the wheel's centre.
void DrawWheelWeapon(int cx, int cy, int slot, double t, int r, double scale) {
  BlitGraphRotated(cx + Trunc(r * std::sin(t)), cy + Trunc(r * std::cos(t)), scale, kPi / 2 - t, WeaponPicture(slot), 1, 1);
}

struct BarColours {
  unsigned int rising, risingUnder, falling, fallingOver;
};

// A gauge bar at (bx, by): the shown value chases the true one by at most 2 a frame.
void DrawHpBar(int bx, int by, float hp, float* shown, int gauges, const BarColours& colours) {
  *shown = StepTowardF(*shown, hp, 2.0f);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawRectangle(bx, by, bx + 40 * gauges, by + 20, PackColor(0, 0, 0), 1);
  if (*shown < hp) {
    DrawRectangle(bx, by, bx + Trunc(hp * 0.1), by + 20, colours.rising, 1);
    DrawRectangle(bx, by, bx + Trunc(*shown * 0.1), by + 20, colours.risingUnder, 1);
  } else {
    DrawRectangle(bx, by, bx + Trunc(*shown * 0.1), by + 20, colours.falling, 1);
    DrawRectangle(bx, by, bx + Trunc(hp * 0.1), by + 20, colours.fallingOver, 1);
  }
  for (int i = 1; i <= gauges; ++i) BlitGraph(bx + 40 * (i - 1), by, g_pictures.hpBar, 1);
}

void DrawCombo() {
  if (g_battle.ComboCount <= 0) return;
  const int n = DrawNumber(450, 10, g_battle.ComboCount, 0, 1.5f, 255, 128, 0);
  BlitGraph(450 + 40 * n, 40, g_pictures.hitSpark, 1);
  const int timer = ClampInt(0, g_battle.ComboDisplayTimer, 120);
  DrawRectangle(446, 78, 614, 92, PackColor(0, 0, 0), 1);
  DrawRectangle(450, 80, 450 + timer * 160 / 120, 90, PackColor(255, 2 * timer, 0), 1);
}

void DrawBonusHits() {
  if (g_battle.PendingHits <= 0) return;
  const int n = DrawNumber(450, 100, g_battle.PendingHits, 1, 0.8f, 255, 255, 128);
  BlitGraph(450 + 20 * n, 110, g_pictures.bonus, 1);
  BlitGraph(510 + 20 * n, 110, g_pictures.hitSpark, 1);
}

// Rolls in 64 bits: the distance between two ints may not fit one.
int StepShownMoney(int shown, int money) {
  const std::int64_t distance = static_cast<std::int64_t>(money) - shown;
  const std::int64_t step = std::llabs(distance) / 20 + 1;
  if (std::llabs(distance) <= step) return money;
  return static_cast<int>(shown + (distance > 0 ? step : -step));
}

void DrawMoneyCounter() {
  if (g_battle.Money != g_hud.ShownMoney) {
    g_hud.MoneyHoldTimer = kMoneyHoldFrames;
  } else {
    g_hud.MoneyHoldTimer = StepToward(g_hud.MoneyHoldTimer, 0, 1);
  }
  g_hud.MoneyPanelY = StepToward(g_hud.MoneyPanelY, g_hud.MoneyHoldTimer > 0 ? kMoneyPanelUp : kMoneyPanelDown, 3);
  if (g_hud.MoneyHoldTimer <= 0 && g_hud.MoneyPanelY >= kMoneyPanelDown) {
    g_battle.MissionMoney = 0;
    return;
  }
  g_hud.ShownMoney = StepShownMoney(g_hud.ShownMoney, g_battle.Money);
  g_hud.CoinPhase = WrapIncrement(g_hud.CoinPhase, 20);
  const float y = static_cast<float>(g_hud.MoneyPanelY);
  const int n = DrawNumber(50, y, g_hud.ShownMoney, 0, 0.8f, 255, 255, 255);
  if (g_battle.MissionMoney > 0) DrawNumber(static_cast<float>(50 + 20 * n), y, g_battle.MissionMoney, 1, 0.6f, 0, 255, 255);
  DrawEllipse(30, g_hud.MoneyPanelY + 18, std::abs(g_hud.CoinPhase - 10) + 5, 15, PackColor(255, 255, 255), 1);
}

}  // namespace

void ResetHud() {
  g_hud.ShownMoney = g_battle.Money;
  g_hud.MoneyHoldTimer = 0;
  g_hud.MoneyPanelY = kMoneyPanelDown;
  g_hud.CoinPhase = 0;
  g_battle.MissionMoney = 0;
}

int DrawNumber(float x, float y, int value, int prefix, float scale, int red, int green, int blue) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  SetDrawTint(red, green, blue);
  const double s = scale;
  const double pitch = 25.0 * s;
  const double firstX = x + 15.0 * s;
  const int centreY = Trunc(y + 20.0 * s);
  int n = 0;
  auto glyph = [&](int cell) {
    BlitGraphRotated(Trunc(firstX + n * pitch), centreY, s, 0.0, g_pictures.digits[cell], 1, 0);
    ++n;
  };
  if (prefix >= 1 && prefix <= 4) glyph(kFirstPrefixCell + prefix - 1);
  // The magnitude in 64 bits, so the smallest int has one too.
  std::int64_t magnitude = value;
  if (magnitude < 0) {
    glyph(kMinusCell);
    magnitude = -magnitude;
  }
  // Only the seven lowest digits are drawn; the units always are.
  std::int64_t power = 1000000;
  for (int k = kNumberDigits - 1; k >= 0; --k, power /= 10) {
    if (magnitude > power - 1 || k == 0) glyph(static_cast<int>(magnitude % (power * 10) / power));
  }
  SetDrawTint(255, 255, 255);
  return n;
}

void DrawWindowFrame(float x, float y, int columns, int rows, int tab) {
  SetBlendMode(ZELVO_BLEND_ALPHA, 180);
  DrawRectangle(Trunc(x - 10), Trunc(y - 10), Trunc(x + 20 * columns + 10), Trunc(y + 20 * rows + 10), PackColor(0, 0, 0), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (tab > 0) {
    BlitGraph(Trunc(x - 20), Trunc(y - 40), FramePicture(kTabLeft), 1);
    for (int i = 0; i <= tab; ++i) {
      BlitGraph(Trunc(x + 20 * i), Trunc(y - 40), FramePicture(i == tab ? kTabRight : kTabMiddle), 1);
    }
  }
  BlitGraph(Trunc(x - 20), Trunc(y - 20), FramePicture(kCorner), 1);
  for (int i = 0; i <= columns; ++i) {
    BlitGraph(Trunc(x + 20 * i), Trunc(y - 20), FramePicture(i == columns ? kTopEnd : kTopEdge), 1);
  }
  for (int j = 0; j <= rows; ++j) {
    BlitGraph(Trunc(x - 20), Trunc(y + 20 * j), FramePicture(j == rows ? kBottomEnd : kLeftEdge), 1);
  }
  if (tab > 0) BlitGraph(Trunc(x + 20 * tab), Trunc(y - 20), FramePicture(kCorner), 1);
}

void DrawBattleHud(int mode) {
  const int kind = CharacterTable[kPlayerSlot].kind;
  if (mode == 0) {
    if (kind == 0) {
      DrawPlayerStatus(0, 0);
    } else {
      DrawMachineStatus(0, 0);
    }
  } else if (mode == 1) {
    DrawPlayerStatus(0, 0);
    if (kind > 0) DrawMachineStatus(300, 0);
    return;
  }
  DrawCombo();
  DrawBonusHits();
  DrawMoneyCounter();
}

void DrawPlayerStatus(int x, int y) {
  const int cx = x + 30;
  const int cy = y + 45;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  g_battle.WeaponSlotSlide = StepTowardFraction(g_battle.WeaponSlotSlide, 25.0f, 0.1f);
  const double w = g_battle.WeaponSlotSlide;
  const double a = w * 0.01 * kPi;
  const double d = w - 25.0;
  const int inHand = SlotInHand();
  BlitGraphRotated(cx, cy, 1.0, -a, g_pictures.statusBase, 1, 0);

  DrawWheelWeapon(cx, cy, StepWeaponSlot(inHand, -2), a + kPi / 2, 60, 0.5);
  DrawWheelWeapon(cx, cy, StepWeaponSlot(inHand, -1), a + kPi / 4, d < 0 ? Trunc(60 - d) : 60, d < 0 ? 0.5 - 0.01 * d : 0.5);
  DrawWheelWeapon(cx, cy, StepWeaponSlot(inHand, 1), a - kPi / 4, d > 0 ? Trunc(60 + d) : 60, d > 0 ? 0.5 + 0.01 * d : 0.5);
  DrawWheelWeapon(cx, cy, StepWeaponSlot(inHand, 2), a - kPi / 2, 60, 0.5);

  BlitGraph(cx, cy, g_pictures.statusWeaponDisplay, 1);
  if (d == 0) {
    DrawWheelWeapon(cx, cy, inHand, a, 85, 0.75);
  } else {
    DrawWheelWeapon(cx, cy, inHand, a, Trunc(85 - std::fabs(d)), 0.75 - std::fabs(0.01 * d));
  }
  BlitGraph(x + 10, y + 5, g_pictures.statusWeaponNumber, 1);

  DrawNumber(static_cast<float>(x + 18), static_cast<float>(y + 30), inHand, 0, 0.5f, 0, 255, 255);
  DrawNumber(static_cast<float>(x + 26), static_cast<float>(y + 45), UsedGunSlots(), 3, 0.3f, 0, 255, 255);
  DrawNumber(static_cast<float>(x + 130), static_cast<float>(y + 75), g_battle.WeaponSlot[inHand].ammunition, 0, 0.5f, 0, 255, 255);
  if (g_battle.AmmoGainTimer > 0) {
    DrawNumber(static_cast<float>(x + 130), static_cast<float>(y + 75 - (60 - g_battle.AmmoGainTimer) / 2),
               g_battle.AmmoGainShown, 1, 0.5f, 0, 255, 255);
    --g_battle.AmmoGainTimer;
  } else {
    g_battle.AmmoGainShown = 0;
  }

  const BarColours colours = {PackColor(0, 255, 255), PackColor(0, 255, 0), PackColor(255, 0, 0), PackColor(0, 255, 0)};
  DrawHpBar(x + 60, y + 5, CharacterTable[kPlayerSlot].hp, &g_battle.ShownPlayerHp, ClampInt(0, g_battle.HpGaugeCount, 6),
            colours);
}

void DrawMachineStatus(int x, int y) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  BlitGraph(x + 10, y + 5, g_pictures.statusWeaponNumber, 1);
  BlitGraph(x + 30, y + 45, g_pictures.statusWeaponDisplay, 1);
  switch (CharacterTable[kPlayerSlot].kind) {
    case 1:
      BlitGraphRotated(x + 80, y + 65, 1.0, 0.0, RiveterPictures[kMachineBodyPicture], 1, 0);
      BlitGraphRotated(x + 30, y + 70, 0.5, 0.0, RiveterPictures[kMachineCannonPicture], 1, 0);
      break;
    case 10:
      DrawMotion(kMotionTank, x + 30, y + 70, 0, 1, 0.5f, 0, kDrawMotionNormal);
      break;
    case 20:
      DrawMotion(kMotionHober, x + 30, y + 70, 0, 1, 0.4f, 0, kDrawMotionNormal);
      break;
    case 30:
      DrawMotion(kMotionHeli, x + 30, y + 70, 0, 1, 0.4f, 0, kDrawMotionNormal);
      break;
    default:
      break;
  }
  DrawNumber(static_cast<float>(x + 130), static_cast<float>(y + 75), g_battle.WeaponSlot[kMachineWeaponSlot].ammunition,
             0, 0.5f, 0, 255, 255);
  const BarColours colours = {PackColor(255, 255, 255), PackColor(255, 255, 0), PackColor(255, 0, 0),
                              PackColor(255, 255, 0)};
  DrawHpBar(x + 60, y + 5, g_battle.MachineHp, &g_hud.ShownMachineHp, ClampInt(0, g_hud.MachineGaugeCount, 3), colours);
}

int StepWeaponSlot(int slot, int step) {
  // Stepping modulo the ring keeps any slot, even one outside the ring, on it.
  const int ring = UsedGunSlots() + 1;
  const int stepped = (slot + step) % ring;
  return stepped < 0 ? stepped + ring : stepped;
}

void InstallShellServices() {
  g_shell.ClearMenuKeys = ClearMenuKeys;
  g_shell.RunMenu = RunMenu;
  g_shell.StepWeaponSlot = StepWeaponSlot;
  g_shell.DrawBattleHud = DrawBattleHud;
  g_shell.DrawNumber = DrawNumber;
  g_shell.FadeBattleToBlack = FadeBattleToBlack;
  g_shell.FadeBattleFromBlack = FadeBattleFromBlack;
  g_shell.MissionStart = MissionStart;
  g_shell.MissionClear = MissionClear;
  g_shell.MissionFailed = MissionFailed;
  g_shell.BossWarning = BossWarning;
  g_shell.BossDefeatSequence = BossDefeatSequence;
  g_shell.PlayMissionText = PlayMissionText;
  g_shell.ShowCgPicture = ShowCgPicture;
  InstallMissionWorld();
}

}  // namespace horundel
