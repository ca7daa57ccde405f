#pragma once
// The on-screen furniture: numbers of digit pictures, framed windows and the battle HUD, with the
// rule by which weapon slots are stepped. The HUD's animations advance one step a call, so the HUD
// is drawn exactly once a frame.
namespace horundel {

struct HudState {
  int ShownMoney;          // what the money counter shows
  int MoneyHoldTimer;      // frames the counter stays up after the last change
  int MoneyPanelY;         // 430 up, 500 out of sight
  int CoinPhase;           // 0..20, the coin's spin
  float ShownMachineHp;
  int MachineGaugeCount;   // 1 or 3, set when she boards
};
extern HudState g_hud;

constexpr int kMoneyPanelUp = 430;
constexpr int kMoneyPanelDown = 500;
constexpr int kMoneyHoldFrames = 180;

// The mission's starting values: the counter out of sight, showing the money as it is.
void ResetHud();

// Draws value (with an optional prefix glyph 1..4) with its top-left at (x, y); returns the glyphs
// drawn, prefix and minus sign included.
int DrawNumber(float x, float y, int value, int prefix, float scale, int red, int green, int blue);
// A translucent window whose inside is columns x rows cells of 20 pixels; tab > 0 adds a tab of that
// many cells above it.
void DrawWindowFrame(float x, float y, int columns, int rows, int tab);
// Mode 0 in battle, 1 in the pause and equipment menus, any other the counters only.
void DrawBattleHud(int mode);
void DrawPlayerStatus(int x, int y);
void DrawMachineStatus(int x, int y);
// The slot reached from slot by step (-2..+2) on the ring of slot 0 and the used gun slots.
int StepWeaponSlot(int slot, int step);

// Puts the shell's routines into the battle's table of shell services.
void InstallShellServices();

}  // namespace horundel
