#pragma once
// The menu screens of the title, configuration, pause and equipment families, as RunMenu's screen
// table calls them: a background, a panel set-up and one frame of the screen's own drawing and
// input, which returns a choice or kMenuNoChoice.
#include "game/shell/menu_frame.h"

namespace horundel {

// Title family: fades, title, configuration menu, difficulty and tutorial (screens 0-2, 6-8).
void DrawTitleBackground(MenuState& menu);
void SetUpTitlePanels(MenuState& menu);
int RunTitleScreen(MenuState& menu);

// Game, pad and key configuration, from the title (3, 4, 5) and from the pause menu (103, 101, 102).
void SetUpConfigPanels(MenuState& menu);
int RunConfigScreen(MenuState& menu);

// The frozen battle under a darkening and the HUD (screens 100-103, 200, 210).
void DrawBattleBackground(MenuState& menu);

void SetUpPausePanels(MenuState& menu);
int RunPauseScreen(MenuState& menu);

void SetUpEquipmentPanels(MenuState& menu);
int RunEquipmentScreen(MenuState& menu);

// "ss\brkssYYYYMMDDhhmmss.bmp" for the date and time given (year, month, day, hour, minute, second).
void ScreenshotPath(const int dateTime[6], char* path, int size);
// Draws the battle without the menu and saves it; 0, or -1 when the file could not be written.
int TakeScreenshot();

}  // namespace horundel
