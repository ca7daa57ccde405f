// The pause menu over the frozen battle: continue, the configuration screens, a screenshot and
// giving the mission up.
#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/shell_services.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_screens.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

enum PauseRow {
  kRowContinue = 0,
  kRowConfig,
  kRowPadConfig,
  kRowKeyConfig,
  kRowScreenshot,
  kRowGiveUp,
};

constexpr int kPauseContinue = 0;
constexpr int kPauseGiveUp = 1;
constexpr int kScreenshotStandMs = 1000;
constexpr int kPathBytes = 64;

const char* const kPauseRows[] = {"CONTINUE", "CONFIG", "PAD CONFIG", "KEY CONFIG", "SCREEN SHOT", "ESCAPE"};
const char* const kPauseHelp[] = {"ゲーム画面に戻ります",
                                  "ゲームプレイに関する設定を行います",
                                  "ゲームパッドの操作設定を変更します",
                                  "キーボードの操作設定を変更します",
                                  "現在の戦闘画面をスクリーンショットとして保存します",
                                  "戦闘を放棄し、ミッション選択画面に戻ります"};

}  // namespace

void DrawBattleBackground(MenuState&) {
  g_missionWorld.DrawAll(0);
  SetBlendMode(ZELVO_BLEND_ALPHA, 160);
  DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawBattleHud(1);
}

void ScreenshotPath(const int dateTime[6], char* path, int size) {
  std::snprintf(path, static_cast<std::size_t>(size), "ss\\brkss%04d%02d%02d%02d%02d%02d.bmp", dateTime[0], dateTime[1],
                dateTime[2], dateTime[3], dateTime[4], dateTime[5]);
}

int TakeScreenshot() {
  ClearDrawTarget();
  g_missionWorld.DrawAll(0);
  DrawBattleHud(0);
  ZelvoDateTime now{};
  GetLocalDateTime(&now);
  const int dateTime[6] = {now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second};
  char path[kPathBytes];
  ScreenshotPath(dateTime, path, kPathBytes);
  const int saved = SaveScreenRectToFile(0, 0, 640, 480, path, ZELVO_SAVE_BMP, 80, -1);
  SleepWithMessages(kScreenshotStandMs);
  return saved == 0 ? 0 : -1;
}

void SetUpPausePanels(MenuState& menu) {
  menu.lastFocusable = 0;
  menu.lastDrawnPanel = 0;
  SetPanel(menu, 0, kPanelList, kRowGiveUp, 3, 10, 6, 200, 100, 200, 20);
  SetHelpLines(menu, kDefaultHelpRow, 1);
  const int row = menu.panels[0].cursor;
  if (row >= 0 && row <= kRowGiveUp) SetHelpLine(menu, 0, kPauseHelp[row]);
}

int RunPauseScreen(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  DrawPanelTitle(panel, "PAUSE");
  for (int row = 0; row <= kRowGiveUp; ++row) DrawPanelRow(panel, row, kPauseRows[row]);
  if (TakeMenuConfirm()) {
    switch (panel.cursor) {
      case kRowContinue:
        return kPauseContinue;
      case kRowConfig:
        ChangeMenuScreen(menu, kScreenPauseGameConfig);
        break;
      case kRowPadConfig:
        ChangeMenuScreen(menu, kScreenPausePadConfig);
        break;
      case kRowKeyConfig:
        ChangeMenuScreen(menu, kScreenPauseKeyConfig);
        break;
      case kRowScreenshot:
        // A picture that could not be written is not passed over in silence.
        if (TakeScreenshot() != 0) RestartSound(kSoundRefuse);
        break;
      default:
        return kPauseGiveUp;
    }
    return kMenuNoChoice;
  }
  if (TakeAction(kKeyPause) || TakeAction(kKeyCancel)) {
    ClearMenuKeys();
    return kPauseContinue;
  }
  return kMenuNoChoice;
}

}  // namespace horundel
