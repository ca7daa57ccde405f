// The game, pad and key configuration screens, opened from the title's configuration menu or from
// the pause menu; each writes the configuration file when it closes.
#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_screens.h"
#include "game/shell/save_files.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kSpaceKey = 57;
constexpr int kEnterKey = 28;
constexpr int kFirstButtonBit = 4;
constexpr int kPadBits = 32;
constexpr int kAnyInput = ZELVO_INPUT_ALL;
constexpr int kKeyboardInput = ZELVO_INPUT_KEYBOARD;

// Game configuration rows.
enum GameConfigRow {
  kRowMusic = 0,
  kRowMusicVolume,
  kRowSeVolume,
  kRowDisplay,
  kRowHitWait,
  kRowAutoChange,
  kRowTwoButtonSpecial,
  kRowGameDefault,
  kRowGameReturn,
};
constexpr int kMaxVolume = 255;
constexpr int kMaxHitWait = 3;

// The pad configuration offers the actions from melee on; the key configuration every action.
constexpr int kFirstPadAction = kKeyMelee;
constexpr int kPadReturnRow = kActionCount - kFirstPadAction + 1;
constexpr int kKeyReturnRow = kActionCount + 1;

bool FromPause(const MenuState& menu) { return menu.MenuScreen >= kScreenPause; }

bool IsGameConfig(int screen) { return screen == kScreenGameConfig || screen == kScreenPauseGameConfig; }
bool IsPadConfig(int screen) { return screen == kScreenPadConfig || screen == kScreenPausePadConfig; }

// Writes the configuration and goes back to the menu the screen was opened from.
void CloseConfig(MenuState& menu) {
  SaveConfig();
  ChangeMenuScreen(menu, FromPause(menu) ? kScreenPause : kScreenConfigMenu);
}

const char* GameConfigHelp(int row) {
  const GameSettingsRecord& s = GameSettings;
  switch (row) {
    case kRowMusic:
      return s.musicOff == 0 ? "ＢＧＭを再生します" : "ＢＧＭを再生しません";
    case kRowMusicVolume:
      return "ＢＧＭの音量を設定します";
    case kRowSeVolume:
      return "効果音の音量を設定します";
    case kRowDisplay:
      return WindowModeSetting == 0 ? "フルスクリーンで表示します（次回起動時有効）"
                                    : "ウィンドウモードで表示します（次回起動時有効）";
    case kRowHitWait: {
      static const char* const kHitWaitHelp[] = {"ヒットウェイトが発生しません", "攻撃命中時にゲームが約0.02秒停止します",
                                                 "攻撃命中時にゲームが約0.04秒停止します",
                                                 "攻撃命中時にゲームが約0.06秒停止します"};
      return s.hitWait >= 0 && s.hitWait <= kMaxHitWait ? kHitWaitHelp[s.hitWait] : "";
    }
    case kRowAutoChange:
      return s.autoWeaponChange == 0 ? "入手した武器へ自動的に切り替えます" : "武器を全て手動で切り替えます";
    case kRowTwoButtonSpecial:
      return s.twoButtonSpecial == 0 ? "射撃・格闘ボタン同時押しでスペシャルアタックが出せます"
                                     : "スペシャルボタンでのみスペシャルアタックが出ます";
    case kRowGameDefault:
      return "全ての設定を初期状態に戻します";
    default:
      return "コンフィグを終了します";
  }
}

void ApplyVolumes() {
  SetSoundLevel(GameSettings.musicVolume, g_stage.musicHandle);
  SetSEVolume();
}

int ClampVolume(int volume) { return volume < 0 ? 0 : (volume > kMaxVolume ? kMaxVolume : volume); }

// Left and right on a volume row act every frame while held.
void StepVolume(int* volume, bool musicVolume) {
  const KeyBinding& left = KeyBindings[kKeyLeft];
  const KeyBinding& right = KeyBindings[kKeyRight];
  int step = 0;
  if (left.pressed == 1) step = -1;
  if (right.pressed == 1) step = 1;
  if (step == 0) return;
  RestartSound(kSoundCursorMove);
  *volume = ClampVolume(*volume + step);
  if (musicVolume) {
    SetSoundLevel(*volume, g_stage.musicHandle);
  } else {
    SetSEVolume();
  }
}

// Left and right on a choice row act once a press: the value moves a step within 0..top.
void StepChoice(int* value, int top) {
  int step = 0;
  if (TakeAction(kKeyLeft)) step = -1;
  if (TakeAction(kKeyRight)) step = 1;
  if (step == 0) return;
  ClearMenuKeys();
  RestartSound(kSoundCursorMove);
  const int moved = *value + step;
  *value = moved < 0 ? 0 : (moved > top ? top : moved);
}

void DrawValueBox(int x1, int y1, int x2, int y2) { DrawRectangle(x1, y1, x2, y2, PackColor(0, 128, 255), 1); }

void DrawGameConfig(const MenuPanel& panel) {
  static const char* const kRows[] = {"BGM",      "BGM VOLUME",  "SE VOLUME",    "DISPLAY", "HIT WAIT",
                                      "AUTO CHANGE", "2BTN SPECIAL", "DEFAULT", "RETURN"};
  const GameSettingsRecord& s = GameSettings;
  const unsigned int white = PackColor(255, 255, 255);
  const int x = panel.x;
  auto top = [&panel](int row) { return panel.y + panel.pitch * row; };
  DrawPanelTitle(panel, "CONFIG");
  for (int row = 0; row <= kRowGameReturn; ++row) DrawPanelRow(panel, row, kRows[row]);
  const int onOffRows[] = {kRowMusic, kRowAutoChange, kRowTwoButtonSpecial};
  const int onOffValues[] = {s.musicOff, s.autoWeaponChange, s.twoButtonSpecial};
  for (int i = 0; i < 3; ++i) {
    const int t = top(onOffRows[i]);
    const int v = onOffValues[i];
    DrawValueBox(x + 150 + 100 * v, t + 2, x + 210 + 100 * v, t + 18);
    DrawTextDefaultFont(x + 150, t, "ON", white, 0);
    DrawTextDefaultFont(x + 250, t, "OFF", white, 0);
  }
  DrawValueBox(x + 150, top(kRowMusicVolume) + 5, x + 150 + s.musicVolume, top(kRowMusicVolume) + 15);
  DrawValueBox(x + 150, top(kRowSeVolume) + 5, x + 150 + s.seVolume, top(kRowSeVolume) + 15);
  const int display = top(kRowDisplay);
  DrawValueBox(x + 150 + 150 * WindowModeSetting, display + 2, x + 270 + 150 * WindowModeSetting, display + 18);
  DrawTextDefaultFont(x + 150, display, "FULL SCREEN", white, 0);
  DrawTextDefaultFont(x + 300, display, "WINDOW", white, 0);
  const int hitWait = top(kRowHitWait);
  DrawValueBox(x + 150 + 100 * s.hitWait, hitWait + 2, x + 230 + 100 * s.hitWait, hitWait + 18);
  static const char* const kHitWaitLabels[] = {"OFF", "x1", "x2", "x3"};
  for (int i = 0; i <= kMaxHitWait; ++i) DrawTextDefaultFont(x + 150 + 100 * i, hitWait, kHitWaitLabels[i], white, 0);
}

void RestoreGameDefaults() {
  GameSettingsRecord& s = GameSettings;
  s.musicOff = 0;
  s.musicVolume = 60;
  s.seVolume = 30;
  WindowModeSetting = 1;
  s.hitWait = 1;
  s.autoWeaponChange = 0;
  s.twoButtonSpecial = 0;
  ApplyVolumes();
}

void RunGameConfig(MenuState& menu) {
  GameSettingsRecord& s = GameSettings;
  const int row = menu.panels[0].cursor;
  DrawGameConfig(menu.panels[0]);
  switch (row) {
    case kRowMusic:
      StepChoice(&s.musicOff, 1);
      break;
    case kRowMusicVolume:
      StepVolume(&s.musicVolume, true);
      break;
    case kRowSeVolume:
      StepVolume(&s.seVolume, false);
      break;
    case kRowDisplay:
      StepChoice(&WindowModeSetting, 1);
      break;
    case kRowHitWait:
      StepChoice(&s.hitWait, kMaxHitWait);
      break;
    case kRowAutoChange:
      StepChoice(&s.autoWeaponChange, 1);
      break;
    case kRowTwoButtonSpecial:
      StepChoice(&s.twoButtonSpecial, 1);
      break;
    default:
      break;
  }
  if (TakeAction(kKeyConfirm)) {
    ClearMenuKeys();
    if (row == kRowSeVolume) RestartSound(kSoundDecide);   // a sample of the new level
    if (row == kRowGameDefault) {
      RestoreGameDefaults();
      RestartSound(kSoundDecide);
    }
    if (row == kRowGameReturn) CloseConfig(menu);
  } else if (TakeAction(kKeyPause) || TakeAction(kKeyCancel)) {
    ClearMenuKeys();
    CloseConfig(menu);
  }
}

// The first button bit set, or -1; a direction of the pad is never taken, nor a failed read (-1,
// every bit at once).
int FirstButtonBit(int pad) {
  if (pad < 0) return -1;
  for (int bit = kFirstButtonBit; bit < kPadBits; ++bit) {
    if ((static_cast<unsigned int>(pad) >> bit) & 1u) return bit;
  }
  return -1;
}

void RunPadConfig(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  const unsigned int white = PackColor(255, 255, 255);
  DrawPanelTitle(panel, "PAD CONFIG");
  DrawPanelRow(panel, 0, "DEFAULT");
  for (int action = kFirstPadAction; action < kActionCount; ++action) {
    const int row = action - kFirstPadAction + 1;
    const int y = panel.y + panel.pitch * row;
    DrawTextDefaultFont(panel.x, y, KeyBindingInfo[action].name, white, 0);
    const int bit = KeyBindings[action].padBit;
    if (bit == kNoPadBit) {
      DrawTextDefaultFont(panel.x + 200, y, "使用しない", white, 0);
    } else {
      DrawTextFormatted(panel.x + 200, y, white, "ボタン%d", bit - 3);
    }
  }
  DrawPanelRow(panel, kPadReturnRow, "RETURN");

  const int row = panel.cursor;
  if (row > 0 && row < kPadReturnRow) {
    KeyBinding& binding = KeyBindings[row - 1 + kFirstPadAction];
    if (IsKeyDown(kSpaceKey) != 0) {
      binding.padBit = kNoPadBit;
    } else if (FindAnyInputDown(kKeyboardInput) == 0) {
      // Only a button pressed with no key down binds: a keyboard that the system also lists as a
      // joypad reports its keys as buttons too, and the keys that move the cursor or confirm would
      // otherwise bind every row they touch.
      const int bit = FirstButtonBit(ReadPadBits(ZELVO_PAD_1));
      if (bit >= 0) binding.padBit = bit;
    }
  }
  if (!TakeAction(kKeyConfirm)) return;
  ClearMenuKeys();
  if (row == 0) {
    for (int action = 0; action < kActionCount; ++action) KeyBindings[action].padBit = KeyBindingInfo[action].defaultPadBit;
    RestartSound(kSoundDecide);
  } else if (row == kPadReturnRow) {
    CloseConfig(menu);
  }
}

// Presents the frame while waiting until no key, button or mouse input is down; false once the
// program must end.
bool WaitUntilNothingDown() {
  while (FindAnyInputDown(kAnyInput) != 0) {
    if (!BeginScreenFrame()) return false;
    PresentBackBuffer();
  }
  return true;
}

// The first key down, Escape aside: an action bound to Escape would end the game when used.
int FirstKeyDown(const unsigned char* keys) {
  for (int code = 0; code < 256; ++code) {
    if (code != kEscapeKey && keys[code] != 0) return code;
  }
  return -1;
}

// Waits for the key to bind to the action; false once the program must end (Escape among them).
bool CaptureKey(int action) {
  if (!WaitUntilNothingDown()) return false;
  for (;;) {
    if (!BeginScreenFrame()) return false;
    ClearDrawTarget();
    unsigned char keys[256] = {};
    ReadAllKeyStates(keys);
    const int code = FirstKeyDown(keys);
    if (code >= 0) {
      KeyBindings[action].keyCode = code;
      break;
    }
    DrawTextFormatted(50, 200, PackColor(255, 255, 255), "%sボタンに設定したいキーを押してください",
                      KeyBindingInfo[action].name);
    PresentBackBuffer();
  }
  if (!WaitUntilNothingDown()) return false;
  ClearMenuKeys();
  return true;
}

const char* KeyName(int code) { return code >= 0 && code < 256 ? KeyNameTable[code] : ""; }

int RunKeyConfig(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  const unsigned int white = PackColor(255, 255, 255);
  DrawPanelTitle(panel, "KEY CONFIG");
  DrawPanelRow(panel, 0, "DEFAULT");
  for (int action = 0; action < kActionCount; ++action) {
    const int y = panel.y + panel.pitch * (action + 1);
    DrawTextDefaultFont(panel.x, y, KeyBindingInfo[action].name, white, 0);
    DrawTextDefaultFont(panel.x + 200, y, KeyName(KeyBindings[action].keyCode), white, 0);
  }
  DrawPanelRow(panel, kKeyReturnRow, "RETURN");

  const int row = panel.cursor;
  if (row > 0 && row < kKeyReturnRow && IsKeyDown(kEnterKey) != 0) {
    return CaptureKey(row - 1) ? kMenuNoChoice : kQuitResult;
  }
  if (!TakeAction(kKeyConfirm)) return kMenuNoChoice;
  ClearMenuKeys();
  if (row == 0) {
    for (int action = 0; action < kActionCount; ++action) KeyBindings[action].keyCode = KeyBindingInfo[action].defaultKeyCode;
    RestartSound(kSoundDecide);
  } else if (row == kKeyReturnRow) {
    CloseConfig(menu);
  }
  return kMenuNoChoice;
}

}  // namespace

void SetUpConfigPanels(MenuState& menu) {
  menu.lastFocusable = 0;
  menu.lastDrawnPanel = 0;
  const int row = menu.panels[0].cursor;
  if (IsGameConfig(menu.MenuScreen)) {
    menu.lastDrawnPanel = 1;
    SetPanel(menu, 0, kPanelList, kRowGameReturn, 4, 25, 15, 50, 50, 500, 30);
    SetPanel(menu, 1, kPanelHidden, 0, 5, 1, 1, 0, 0, 0, 0);
    SetHelpLines(menu, kDefaultHelpRow, 1);
    SetHelpLine(menu, 0, GameConfigHelp(row));
  } else if (IsPadConfig(menu.MenuScreen)) {
    SetPanel(menu, 0, kPanelList, kPadReturnRow, 9, 15, 13, 100, 50, 300, 20);
    SetHelpLines(menu, 430, 2);
    if (row == 0) {
      SetHelpLine(menu, 0, "ゲームパッドの設定を初期状態に戻します");
    } else if (row == kPadReturnRow) {
      SetHelpLine(menu, 0, "設定を終了します");
    } else {
      SetHelpLine(menu, 0, "設定したいゲームパッドのボタンを押してください");
      SetHelpLine(menu, 1, "キーボードのＳＰＡＣＥキーで「使用しない」に設定できます");
    }
  } else {
    SetPanel(menu, 0, kPanelList, kKeyReturnRow, 9, 15, 17, 100, 50, 300, 20);
    SetHelpLines(menu, kDefaultHelpRow, 1);
    if (row == 0) {
      SetHelpLine(menu, 0, "キーボードの設定を初期状態に戻します");
    } else if (row == kKeyReturnRow) {
      SetHelpLine(menu, 0, "設定を終了します");
    } else {
      SetHelpLine(menu, 0, "Enterキーを押すと設定を開始します");
    }
  }
}

int RunConfigScreen(MenuState& menu) {
  if (IsGameConfig(menu.MenuScreen)) {
    RunGameConfig(menu);
    return kMenuNoChoice;
  }
  if (IsPadConfig(menu.MenuScreen)) {
    RunPadConfig(menu);
    return kMenuNoChoice;
  }
  return RunKeyConfig(menu);
}

}  // namespace horundel
