// The title family: the fades around the title, the title menu, the configuration menu, the
// difficulty and the tutorial prompt.
#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_screens.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

// The title's results.
enum TitleChoice {
  kChoiceStart = 0,
  kChoiceStartWithTutorial = 1,
  kChoiceLoad = 2,
  kChoiceGallery = 3,
  kChoiceQuit = 4,
};

const char* const kTitleRows[] = {"START GAME", "LOAD GAME", "CONFIG", "GRAPHICS", "QUIT"};
const char* const kTitleHelp[] = {"最初からゲームを始めます", "セーブした時の状態からゲームを再開します",
                                  "ゲームプレイ時の各種設定を変更します", "獲得したＣＧを閲覧します",
                                  "ゲームを終了します"};
const char* const kConfigMenuRows[] = {"GAME CONFIG", "PAD CONFIG", "KEY CONFIG", "RETURN"};
const char* const kConfigMenuHelp[] = {"戦闘画面の各種設定を変更します", "ゲームパッドのボタン配置を変更します",
                                       "キーボードのボタン配置を変更します", "メインメニューに戻ります"};
const char* const kDifficultyRows[] = {"EASY", "NORMAL", "HARD"};
const char* const kDifficultyHelp[] = {"初めてプレイする人向けの難易度です", "少々手ごたえのある難易度です",
                                       "アクションゲームが得意な人向けの難易度です"};
const char* const kTutorialRows[] = {"YES", "NO"};

template <int N>
void DrawRows(const MenuPanel& panel, const char* const (&rows)[N]) {
  for (int i = 0; i < N; ++i) DrawPanelRow(panel, i, rows[i]);
}

// The help line of the row under panel 0's cursor.
template <int N>
void SetRowHelp(MenuState& menu, const char* const (&help)[N]) {
  const int row = menu.panels[0].cursor;
  SetHelpLines(menu, kDefaultHelpRow, 1);
  if (row >= 0 && row < N) SetHelpLine(menu, 0, help[row]);
}

void CloseTitle(MenuState& menu, int choice) {
  menu.MenuChoice = choice;
  ChangeMenuScreen(menu, kScreenTitleFadeOut);
}

void RunTitleMenu(MenuState& menu) {
  DrawRows(menu.panels[0], kTitleRows);
  if (!TakeMenuConfirm()) return;
  switch (menu.panels[0].cursor) {
    case 0:
      ChangeMenuScreen(menu, kScreenDifficulty);
      break;
    case 1:
      CloseTitle(menu, kChoiceLoad);
      break;
    case 2:
      ChangeMenuScreen(menu, kScreenConfigMenu);
      break;
    case 3:
      CloseTitle(menu, kChoiceGallery);
      break;
    default:
      CloseTitle(menu, kChoiceQuit);
      break;
  }
}

void RunConfigMenu(MenuState& menu) {
  DrawRows(menu.panels[0], kConfigMenuRows);
  if (TakeMenuConfirm()) {
    const int kTargets[] = {kScreenGameConfig, kScreenPadConfig, kScreenKeyConfig, kScreenTitle};
    const int row = menu.panels[0].cursor;
    ChangeMenuScreen(menu, row >= 0 && row < 4 ? kTargets[row] : kScreenTitle);
  } else if (TakeMenuCancel()) {
    ChangeMenuScreen(menu, kScreenTitle);
  }
}

void RunDifficulty(MenuState& menu) {
  const MenuPanel& prompt = menu.panels[1];
  DrawPanelTitle(prompt, "SELECT DIFFICULTY");
  DrawPanelRow(prompt, 1, "難易度を選んでください");
  DrawRows(menu.panels[0], kDifficultyRows);
  if (TakeMenuConfirm()) {
    g_battle.Difficulty = menu.panels[0].cursor + 1;
    ChangeMenuScreen(menu, kScreenTutorial);
  } else if (TakeMenuCancel()) {
    ChangeMenuScreen(menu, kScreenTitle);
  }
}

void RunTutorialPrompt(MenuState& menu) {
  const MenuPanel& prompt = menu.panels[1];
  DrawPanelTitle(prompt, "PLAY TUTORIAL?");
  DrawPanelRow(prompt, 1, "操作説明を受けますか？");
  DrawRows(menu.panels[0], kTutorialRows);
  if (TakeMenuConfirm()) {
    CloseTitle(menu, menu.panels[0].cursor == 0 ? kChoiceStartWithTutorial : kChoiceStart);
  } else if (TakeMenuCancel()) {
    ChangeMenuScreen(menu, kScreenTitle);
  }
}

}  // namespace

void DrawTitleBackground(MenuState& menu) {
  DrawDriftingTiles(menu);
  BlitGraph(250, 10, menu.titleBackGraph, 1);
  BlitGraph(10, 10, menu.titleLogoGraph, 1);
}

void SetUpTitlePanels(MenuState& menu) {
  menu.lastFocusable = 0;
  menu.lastDrawnPanel = 0;
  SetHelpLines(menu, kDefaultHelpRow, 0);
  switch (menu.MenuScreen) {
    case kScreenTitle:
      SetPanel(menu, 0, kPanelList, 4, 0, 10, 5, 50, 250, 200, 20);
      SetRowHelp(menu, kTitleHelp);
      break;
    case kScreenConfigMenu:
      SetPanel(menu, 0, kPanelList, 3, 0, 10, 4, 50, 250, 200, 20);
      SetRowHelp(menu, kConfigMenuHelp);
      break;
    case kScreenDifficulty:
    case kScreenTutorial:
      menu.lastDrawnPanel = 1;
      SetPanel(menu, 0, kPanelList, menu.MenuScreen == kScreenDifficulty ? 2 : 1, 0, 6,
               menu.MenuScreen == kScreenDifficulty ? 3 : 2, 100, 350, 120, 20);
      SetPanel(menu, 1, kPanelFrame, 0, 10, 11, 3, 50, 250, 220, 20);
      if (menu.MenuScreen == kScreenDifficulty) SetRowHelp(menu, kDifficultyHelp);
      // The tutorial prompt's help row stands empty.
      if (menu.MenuScreen == kScreenTutorial) SetHelpLines(menu, kDefaultHelpRow, 1);
      break;
    default:   // the fades show no panel
      menu.lastDrawnPanel = 1;
      SetPanel(menu, 0, kPanelHidden, 0, 5, 1, 1, 0, 0, 0, 0);
      SetPanel(menu, 1, kPanelHidden, 0, 5, 1, 1, 0, 0, 0, 0);
      break;
  }
}

int RunTitleScreen(MenuState& menu) {
  switch (menu.MenuScreen) {
    case kScreenTitleFadeIn:
      if (StepMenuFade(menu, 0)) menu.MenuScreen = kScreenTitle;
      break;
    case kScreenTitle:
      RunTitleMenu(menu);
      break;
    case kScreenConfigMenu:
      RunConfigMenu(menu);
      break;
    case kScreenDifficulty:
      RunDifficulty(menu);
      break;
    case kScreenTutorial:
      RunTutorialPrompt(menu);
      break;
    case kScreenTitleFadeOut:
      if (!StepMenuFade(menu, kFadeOpaque)) break;
      ReleaseMenuGraph(&menu.titleBackGraph);
      ReleaseMenuGraph(&menu.titleLogoGraph);
      ReleaseMenuGraph(&menu.tileGraph);
      return menu.MenuChoice;
    default:
      break;
  }
  return kMenuNoChoice;
}

}  // namespace horundel
