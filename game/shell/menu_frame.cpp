#include "game/shell/menu_frame.h"

#include <cstring>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/data/resources.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_screens.h"
#include "game/shell/screen_frame.h"

namespace horundel {

MenuState g_menu;

namespace {

constexpr int kPointerPicture = 8;   // "bmp\system\flame08.bmp" among the HUD frame pieces
constexpr int kPulseTop = 32;
constexpr int kScrollEnd = 200;
constexpr int kCoinPhaseEnd = 20;

// One screen: its background, its panel set-up and one frame of its own drawing and input.
struct MenuScreenRow {
  int screen;
  void (*DrawBackground)(MenuState&);
  void (*SetUpPanels)(MenuState&);
  int (*RunScreen)(MenuState&);
};

const MenuScreenRow kMenuScreens[] = {
    {kScreenTitleFadeIn, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenTitle, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenConfigMenu, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenGameConfig, DrawTitleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenPadConfig, DrawTitleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenKeyConfig, DrawTitleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenDifficulty, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenTutorial, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenTitleFadeOut, DrawTitleBackground, SetUpTitlePanels, RunTitleScreen},
    {kScreenPause, DrawBattleBackground, SetUpPausePanels, RunPauseScreen},
    {kScreenPausePadConfig, DrawBattleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenPauseKeyConfig, DrawBattleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenPauseGameConfig, DrawBattleBackground, SetUpConfigPanels, RunConfigScreen},
    {kScreenEquipment, DrawBattleBackground, SetUpEquipmentPanels, RunEquipmentScreen},
    {kScreenEquipmentPlace, DrawBattleBackground, SetUpEquipmentPanels, RunEquipmentScreen},
    {kScreenShopMain, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopStatus, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopWeapons, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopSkills, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopSell, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopMessage, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopFadeIn, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenShopFadeOut, DrawShopBackground, SetUpShopPanels, RunShopScreen},
    {kScreenMissionSelect, DrawMissionSelectBackground, SetUpMissionSelectPanels, RunMissionSelectScreen},
    {kScreenMissionFadeIn, DrawMissionSelectBackground, SetUpMissionSelectPanels, RunMissionSelectScreen},
    {kScreenMissionDeparture, DrawMissionSelectBackground, SetUpMissionSelectPanels, RunMissionSelectScreen},
    {kScreenMissionFadeOut, DrawMissionSelectBackground, SetUpMissionSelectPanels, RunMissionSelectScreen},
    {kScreenHighScores, DrawMissionSelectBackground, SetUpMissionSelectPanels, RunMissionSelectScreen},
};

// The screens where the cursor keys do not move a cursor, and those where left and right move the
// focus between panels.
const int kScreensWithoutCursor[] = {kScreenTitleFadeIn, kScreenTitleFadeOut, kScreenShopMessage, kScreenShopFadeIn,
                                     kScreenShopFadeOut, kScreenMissionFadeIn, kScreenMissionFadeOut};
const int kScreensWithFocusKeys[] = {kScreenDifficulty, kScreenTutorial,      kScreenEquipment,
                                     kScreenShopStatus, kScreenMissionSelect, kScreenMissionDeparture};

template <int N>
bool ListHolds(const int (&list)[N], int screen) {
  for (int entry : list) {
    if (entry == screen) return true;
  }
  return false;
}

const MenuScreenRow* FindMenuScreen(int screen) {
  for (const MenuScreenRow& row : kMenuScreens) {
    if (row.screen == screen) return &row;
  }
  return nullptr;
}

int LoadMenuGraph(const char* path) { return LoadPicture(path); }

// The pictures and set-up of the screen RunMenu was opened with.
void EnterMenu(MenuState& menu, int screen) {
  switch (screen) {
    case kScreenTitleFadeIn:
      menu.titleBackGraph = LoadMenuGraph("bmp\\system\\titleback.bmp");
      menu.titleLogoGraph = LoadMenuGraph("bmp\\system\\titlelogo.bmp");
      menu.tileGraph = LoadMenuGraph("bmp\\system\\sback.bmp");
      break;
    case kScreenEquipment:
      menu.panels[0].cursor = g_battle.CurrentWeaponSlot;
      break;
    case kScreenShopFadeIn:
      menu.shopGirlGraph = LoadMenuGraph("bmp\\system\\shopgirl.bmp");
      menu.tileGraph = LoadMenuGraph("bmp\\system\\sback.bmp");
      break;
    case kScreenMissionFadeIn:
      menu.hangarGraph = LoadMenuGraph("bmp\\back\\back06.bmp");
      break;
    default:
      break;
  }
  ClearMenuKeys();
  if (screen == kScreenShopFadeIn) EnterShop(menu);
  if (screen == kScreenMissionFadeIn) EnterMissionSelect(menu);
}

void MoveCursor(MenuState& menu) {
  if (ListHolds(kScreensWithoutCursor, menu.MenuScreen)) return;
  MenuPanel& panel = menu.panels[menu.focus];
  const bool weaponInHand = menu.MenuScreen == kScreenEquipment && menu.focus == 0;
  if (TakeAction(kKeyDown)) {
    panel.cursor = panel.cursor < panel.last ? panel.cursor + 1 : 0;
    RestartSound(kSoundCursorMove);
    if (weaponInHand) {
      g_battle.CurrentWeaponSlot = StepWeaponSlot(g_battle.CurrentWeaponSlot, 1);
      g_battle.WeaponSlotSlide = 0.0f;
    }
  }
  if (TakeAction(kKeyUp)) {
    panel.cursor = panel.cursor > 0 ? panel.cursor - 1 : panel.last;
    RestartSound(kSoundCursorMove);
    if (weaponInHand) {
      g_battle.CurrentWeaponSlot = StepWeaponSlot(g_battle.CurrentWeaponSlot, -1);
      g_battle.WeaponSlotSlide = 50.0f;
    }
  }
}

void MoveFocus(MenuState& menu) {
  if (!ListHolds(kScreensWithFocusKeys, menu.MenuScreen)) return;
  if (TakeAction(kKeyRight)) {
    menu.focus = menu.focus < menu.lastFocusable ? menu.focus + 1 : 0;
    RestartSound(kSoundCursorMove);
  }
  if (TakeAction(kKeyLeft)) {
    menu.focus = menu.focus > 0 ? menu.focus - 1 : menu.lastFocusable;
    RestartSound(kSoundCursorMove);
  }
}

void AdvanceMenuCounters(MenuState& menu) {
  menu.pulse = menu.pulse > 0 ? menu.pulse - 1 : kPulseTop;
  menu.scroll = menu.scroll < kScrollEnd ? menu.scroll + 1 : 0;
  g_hud.CoinPhase = WrapIncrement(g_hud.CoinPhase, kCoinPhaseEnd);
}

void DrawPanels(MenuState& menu) {
  for (int i = 0; i <= menu.lastDrawnPanel && i < kMenuPanelCount; ++i) {
    const MenuPanel& panel = menu.panels[i];
    if (panel.PanelMode == kPanelHidden) continue;
    DrawWindowFrame(static_cast<float>(panel.x), static_cast<float>(panel.y), panel.width, panel.height, panel.tab);
    if (i != menu.focus || (panel.PanelMode != kPanelList && panel.PanelMode != kPanelScrolling)) continue;
    const int top = PanelRowTop(menu, panel, panel.cursor);
    SetBlendMode(ZELVO_BLEND_ADD, 255);
    DrawRectangle(panel.x - 2, top - 2, panel.x + panel.bar - 2, top + panel.pitch - 2,
                  PackColor(0, 3 * menu.pulse, 6 * menu.pulse), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    DrawCursorIcon(menu, panel.x - 20, top + panel.pitch / 2 - 10);
  }
}

void DrawHelp(const MenuState& menu) {
  for (int i = 0; i <= menu.lastHelpLine && i < kMenuHelpLines; ++i) {
    const int row = menu.helpRow + 20 * i;
    SetBlendMode(ZELVO_BLEND_ALPHA, 160);
    DrawRectangle(0, row, 640, row + 20, PackColor(0, 0, 0), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    DrawTextDefaultFont(10, row + 2, menu.help[i], PackColor(255, 255, 255), 0);
  }
}

}  // namespace

void ResetMenuState(MenuState& menu) {
  std::memset(&menu, 0, sizeof menu);
  for (MenuPanel& panel : menu.panels) {
    panel = MenuPanel{kPanelHidden, 0, 0, 5, 1, 1, 0, 0, 0, 0};
  }
  menu.fade = kFadeOpaque;
  menu.helpRow = kDefaultHelpRow;
  menu.lastHelpLine = -1;
  menu.MenuChoice = 0;
  menu.titleBackGraph = -1;
  menu.titleLogoGraph = -1;
  menu.tileGraph = -1;
  menu.shopGirlGraph = -1;
  menu.hangarGraph = -1;
}

void SetPanel(MenuState& menu, int index, int mode, int last, int tab, int width, int height, int x, int y, int bar,
              int pitch) {
  MenuPanel& panel = menu.panels[index];
  panel.PanelMode = mode;
  panel.last = last;
  panel.tab = tab;
  panel.width = width;
  panel.height = height;
  panel.x = x;
  panel.y = y;
  panel.bar = bar;
  panel.pitch = pitch;
}

void SetHelpLines(MenuState& menu, int row, int count) {
  menu.helpRow = row;
  menu.lastHelpLine = count - 1;
  for (char* line : menu.help) line[0] = '\0';
}

void SetHelpLine(MenuState& menu, int line, const char* text) {
  if (line < 0 || line >= kMenuHelpLines) return;
  std::strncpy(menu.help[line], text, kMenuTextBytes - 1);
  menu.help[line][kMenuTextBytes - 1] = '\0';
}

void ChangeMenuScreen(MenuState& menu, int screen) {
  menu.MenuScreen = screen;
  menu.panels[0].cursor = 0;
}

bool TakeMenuConfirm() {
  if (!TakeAction(kKeyConfirm)) return false;
  ClearMenuKeys();
  RestartSound(kSoundDecide);
  return true;
}

bool TakeMenuCancel() {
  if (!TakeAction(kKeyCancel)) return false;
  ClearMenuKeys();
  return true;
}

void ReleaseMenuGraph(int* graph) {
  if (*graph != -1) ReleaseGraph(*graph, 0);
  *graph = -1;
}

void DrawPanelTitle(const MenuPanel& panel, const char* text) {
  DrawTextDefaultFont(panel.x, panel.y - 35, text, PackColor(0, 255, 255), 0);
}

void DrawPanelRow(const MenuPanel& panel, int row, const char* text) {
  DrawTextDefaultFont(panel.x, panel.y + panel.pitch * row, text, PackColor(255, 255, 255), 0);
}

int PanelRowTop(const MenuState& menu, const MenuPanel& panel, int row) {
  const int shown = panel.PanelMode == kPanelScrolling ? row - menu.scrollTop : row;
  return panel.y + panel.pitch * shown;
}

void DrawDriftingTiles(const MenuState& menu) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  for (int column = -1; column <= 4; ++column) {
    for (int row = 0; row <= 3; ++row) {
      BlitGraph(200 * column + menu.scroll, 200 * row - menu.scroll, menu.tileGraph, 1);
    }
  }
}

bool StepMenuFade(MenuState& menu, int target) {
  menu.fade = StepToward(menu.fade, target, kFadeStep);
  SetBlendMode(ZELVO_BLEND_ALPHA, menu.fade);
  DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  return menu.fade == target;
}

void DrawCursorIcon(MenuState& menu, int x, int y) {
  menu.iconX = StepTowardFraction(menu.iconX, static_cast<float>(x), 0.2f);
  menu.iconY = StepTowardFraction(menu.iconY, static_cast<float>(y), 0.2f);
  BlitGraph(TruncateToInt(menu.iconX), TruncateToInt(menu.iconY), g_pictures.hudFrames[kPointerPicture], 1);
}

double WeaponListScale(int weapon) {
  switch (weapon) {
    case 17:
      return 0.4;
    case 20:
      return 0.25;
    case 21:
    case 22:
      return 0.2;
    default:
      return 0.5;
  }
}

int RunMenu(int screen) {
  MenuState& menu = g_menu;
  ResetMenuState(menu);
  menu.MenuScreen = screen;
  // A screen with no row in the table has nothing to show: the menu closes as unused.
  if (FindMenuScreen(screen) == nullptr) return 0;
  EnterMenu(menu, screen);
  for (;;) {
    if (!BeginScreenFrame()) return kQuitResult;
    PollMenuKeys();
    ClearDrawTarget();
    const MenuScreenRow* row = FindMenuScreen(menu.MenuScreen);
    if (row == nullptr) return 0;
    // The keys move within the rows the screen has now; the set-up runs again after them, so that
    // the help follows the moved cursor.
    row->SetUpPanels(menu);
    MoveCursor(menu);
    MoveFocus(menu);
    AdvanceMenuCounters(menu);
    row->DrawBackground(menu);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    row->SetUpPanels(menu);
    DrawPanels(menu);
    const int choice = row->RunScreen(menu);
    if (choice == kQuitResult || QuitRequested()) return kQuitResult;
    if (choice != kMenuNoChoice) return choice;
    DrawHelp(menu);
    PresentBackBuffer();
    ScreenLogClear();
    if (!BeginScreenFrame()) return kQuitResult;
  }
}

}  // namespace horundel
