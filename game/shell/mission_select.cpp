#include "game/shell/mission_select.h"

#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/high_scores.h"
#include "game/shell/menu_frame.h"
#include "game/shell/screen_frame.h"

namespace horundel {

HangarScene g_hangar;

namespace {

constexpr int kBoostSound = 0;   // "wav\sound_boost.wav"
constexpr int kHangarMusic = 0;
constexpr int kHangarEnemySet = 0;

// The departure: she raises her weapon, the flashes go off, she turns and runs off to the right.
constexpr int kDepartureRaise = 281;
constexpr int kDepartureRun = 28;
constexpr int kDepartureFlashFrame = 10;
constexpr int kDepartureRunFrame = 50;
constexpr int kDepartureFrames = 100;
constexpr float kRunStep = 8.0f;
constexpr int kFlashLife = 20;

const char* const kHangarMenuRows[] = {"SHOP", "SCORE", "SAVE", "RETURN"};
const char* const kHangarMenuHelp[] = {"ショップで装備を整えます", "ハイスコアを確認します", "現在のデータをセーブします",
                                       "タイトル画面に戻ります"};

void AdvanceFigure(SceneFigure& figure) {
  const MotionRecord* record = MotionOf(figure.motionKind, figure.motion);
  if (record == nullptr) return;
  figure.tick += 1;
  if (figure.tick >= record->duration) {
    figure.tick = 0;
    figure.motion = record->next;
  }
}

void DrawFigure(SceneFigure& figure) {
  DrawMotion(figure.motionKind, TruncateToInt(figure.x), TruncateToInt(figure.y), figure.motion, figure.facing, 1.0f,
             0, kDrawMotionNormal);
  AdvanceFigure(figure);
}

void DrawFlashes(HangarScene& scene) {
  for (SceneFlash& flash : scene.flashes) {
    if (flash.life <= 0) continue;
    SetBlendMode(ZELVO_BLEND_ADD, 255);
    BlitGraphRotated(TruncateToInt(flash.x), TruncateToInt(flash.y), flash.life * 0.2, flash.life * 0.03 * kPi,
                     g_pictures.hitSpark, 1, 0);
    flash.life -= 1;
  }
  SetBlendMode(ZELVO_BLEND_NONE, 255);
}

void SetMotion(SceneFigure& figure, int motion) {
  figure.motion = motion;
  figure.tick = 0;
}

void Close(MenuState& menu, int choice) {
  menu.MenuChoice = choice;
  menu.MenuScreen = kScreenMissionFadeOut;
}

void RunHangar(MenuState& menu) {
  const MenuPanel& missions = menu.panels[0];
  const MenuPanel& hangarMenu = menu.panels[1];
  DrawPanelTitle(missions, "SELECT MISSION");
  for (int mission = 0; mission <= LastOpenMission(); ++mission) {
    char row[kMenuTextBytes];
    std::snprintf(row, sizeof row, "%02d:%.39s", mission, MissionRecords[mission].name);
    DrawPanelRow(missions, mission, row);
  }
  for (int row = 0; row < 4; ++row) DrawPanelRow(hangarMenu, row, kHangarMenuRows[row]);
  if (!TakeMenuConfirm()) return;
  if (menu.focus == 0) {
    g_hangar.departureFrame = 0;
    menu.MenuChoice = kChoicePlayMission;
    menu.MenuScreen = kScreenMissionDeparture;
    return;
  }
  switch (hangarMenu.cursor) {
    case 0:
      Close(menu, kChoiceShop);
      break;
    case 1:
      menu.MenuScreen = kScreenHighScores;
      break;
    case 2:
      Close(menu, kChoiceSave);
      break;
    default:
      Close(menu, kChoiceBackToTitle);
      break;
  }
}

void RunDeparture(MenuState& menu) {
  HangarScene& scene = g_hangar;
  const int t = scene.departureFrame;
  if (t == 0) {
    SetMotion(scene.heroine, kDepartureRaise);
    SetMotion(scene.companion, 1);
  }
  if (t == kDepartureFlashFrame) {
    RestartSound(kSoundGuard);
    scene.flashes[0] = SceneFlash{kFlashLife, scene.heroine.x - 70.0f, scene.heroine.y - 20.0f};
    scene.flashes[1] = SceneFlash{kFlashLife, scene.companion.x + 70.0f, scene.companion.y - 20.0f};
  }
  if (t == kDepartureRunFrame) {
    scene.heroine.facing = 1;
    SetMotion(scene.heroine, kDepartureRun);
    RestartSound(kBoostSound);
  }
  if (t >= kDepartureRunFrame) scene.heroine.x += kRunStep;
  scene.departureFrame = t + 1;
  // Frames 0 to 99 show the scene; the fade-out follows.
  if (scene.departureFrame >= kDepartureFrames) menu.MenuScreen = kScreenMissionFadeOut;
}

void RunHighScores(MenuState& menu) {
  DrawHighScores(menu.panels[0], LastOpenMission());
  // Back to the list with the mission still highlighted.
  if (TakeMenuConfirm() || TakeMenuCancel()) menu.MenuScreen = kScreenMissionSelect;
}

void HidePanels(MenuState& menu) {
  for (int i = 0; i < 2; ++i) menu.panels[i].PanelMode = kPanelHidden;
}

}  // namespace

void ResetHangarScene(HangarScene& scene) {
  scene = HangarScene{};
  scene.heroine = SceneFigure{kMotionHeroine, 500.0f, 300.0f, -1, 288, 0};
  scene.companion = SceneFigure{kMotionRiveter, 100.0f, 270.0f, 1, 0, 0};
}

int LastOpenMission() {
  int open = 0;
  while (open < 2 && MissionRecords[open].cleared != 0) ++open;
  return open;
}

void EnterMissionSelect(MenuState&) {
  ResetHangarScene(g_hangar);
  LoadEnemySet(kHangarEnemySet);
  PlayStageMusic(kHangarMusic, 0);
}

void DrawMissionSelectBackground(MenuState& menu) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  BlitGraph(0, 0, menu.hangarGraph, 1);
  DrawFigure(g_hangar.heroine);
  DrawFigure(g_hangar.companion);
  DrawFlashes(g_hangar);
}

void SetUpMissionSelectPanels(MenuState& menu) {
  const int last = LastOpenMission();
  menu.lastFocusable = 0;
  menu.lastDrawnPanel = 1;
  SetHelpLines(menu, kDefaultHelpRow, 0);
  switch (menu.MenuScreen) {
    case kScreenMissionSelect:
      menu.lastFocusable = 1;
      SetPanel(menu, 0, kPanelList, last, 8, 15, last + 1, 180, 50, 300, 20);
      SetPanel(menu, 1, kPanelList, 3, 0, 4, 4, 500, 50, 80, 20);
      // Each frame the highlighted mission is the one to play; the help follows it.
      g_battle.CurrentMission = ClampInt(0, menu.panels[0].cursor, last);
      SetHelpLines(menu, 410, 3);
      if (menu.focus == 0) {
        for (int line = 0; line < 3; ++line) SetHelpLine(menu, line, MissionRecords[g_battle.CurrentMission].lines[line]);
      } else {
        SetHelpLine(menu, 0, kHangarMenuHelp[ClampInt(0, menu.panels[1].cursor, 3)]);
      }
      break;
    case kScreenHighScores:
      SetPanel(menu, 0, kPanelFrame, last, 8, 28, last + 1, 50, 50, 300, 20);
      menu.panels[1].PanelMode = kPanelHidden;
      break;
    default:   // the fades and the departure show no panel
      HidePanels(menu);
      break;
  }
}

int RunMissionSelectScreen(MenuState& menu) {
  switch (menu.MenuScreen) {
    case kScreenMissionFadeIn:
      if (StepMenuFade(menu, 0)) menu.MenuScreen = kScreenMissionSelect;
      break;
    case kScreenMissionSelect:
      RunHangar(menu);
      break;
    case kScreenMissionDeparture:
      RunDeparture(menu);
      break;
    case kScreenHighScores:
      RunHighScores(menu);
      break;
    case kScreenMissionFadeOut:
      if (!StepMenuFade(menu, kFadeOpaque)) break;
      ReleaseMenuGraph(&menu.hangarGraph);
      return menu.MenuChoice;
    default:
      break;
  }
  return kMenuNoChoice;
}

}  // namespace horundel
