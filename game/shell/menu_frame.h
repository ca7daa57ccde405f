#pragma once
// RunMenu: the one loop behind every menu of the game. A screen number moves between the screens
// of one family until one of them returns a choice; each frame the current screen sets up its
// window panels and help lines afresh, and the frame draws the panels, the cursor and the help.
// The families of screens are rows of a table; each family gives its picture loading, background,
// panel set-up and one frame of its own drawing and input.
#include "game/battle/data/battle_state.h"

namespace horundel {

// Screen numbers of RunMenu.
enum MenuScreenNumber {
  kScreenTitleFadeIn = 0,
  kScreenTitle = 1,
  kScreenConfigMenu = 2,
  kScreenGameConfig = 3,
  kScreenPadConfig = 4,
  kScreenKeyConfig = 5,
  kScreenDifficulty = 6,
  kScreenTutorial = 7,
  kScreenTitleFadeOut = 8,
  kScreenPause = 100,
  kScreenPausePadConfig = 101,
  kScreenPauseKeyConfig = 102,
  kScreenPauseGameConfig = 103,
  kScreenEquipment = 200,
  kScreenEquipmentPlace = 210,
  kScreenShopMain = 300,
  kScreenShopStatus = 310,
  kScreenShopWeapons = 320,
  kScreenShopSkills = 340,
  kScreenShopSell = 350,
  kScreenShopMessage = 360,
  kScreenShopFadeIn = 370,
  kScreenShopFadeOut = 380,
  kScreenMissionSelect = 400,
  kScreenMissionFadeIn = 410,
  kScreenMissionDeparture = 420,
  kScreenMissionFadeOut = 480,
  kScreenHighScores = 490,
};

// What a screen's frame returns while the menu goes on; every choice is 0 or more, and the quit
// result (kQuitResult) is distinct from both.
constexpr int kMenuNoChoice = -2;

// How a panel is shown.
enum PanelModeCode {
  kPanelHidden = 0,
  kPanelList = 1,        // a list with a cursor
  kPanelFrame = 2,       // the frame only
  kPanelScrolling = 3,   // a scrolling list with a cursor
};

struct MenuPanel {
  int PanelMode;
  int cursor;   // current row
  int last;     // index of the last row
  int tab;      // width of the frame's title tab in 20-pixel cells, 0 none
  int width;    // inner size of the frame in 20-pixel cells
  int height;
  int x;        // top-left of the frame's inner area in pixels
  int y;
  int bar;      // width of the cursor bar in pixels
  int pitch;    // row height in pixels
};

constexpr int kMenuPanelCount = 10;
constexpr int kMenuHelpLines = 3;
constexpr int kMenuTextBytes = 80;
constexpr int kDefaultHelpRow = 450;
constexpr int kFadeStep = 8;
constexpr int kFadeOpaque = 255;

struct MenuState {
  int MenuScreen;
  int MenuChoice;                 // the choice the closing screen returns
  MenuPanel panels[kMenuPanelCount];
  int focus;                      // the panel the cursor keys move
  int lastFocusable;              // the last panel left and right reach
  int lastDrawnPanel;
  int scrollTop;                  // first shown row of a scrolling list
  int messageReturnScreen;        // where the shop's message screen goes back to
  float iconX;                    // the cursor icon's position, sliding toward its row
  float iconY;
  int pulse;                      // 0..32, the cursor bar's glow
  int scroll;                     // 0..200, the drifting background
  int fade;                       // 0..255, alpha of the black cover
  char help[kMenuHelpLines][kMenuTextBytes];
  int helpRow;                    // screen row of the first help line
  int lastHelpLine;               // -1: no help
  char message[kMenuTextBytes];   // the shop's message line
  // Graphs loaded on entry; -1 when not loaded.
  int titleBackGraph;
  int titleLogoGraph;
  int tileGraph;                  // "bmp\system\sback.bmp"
  int shopGirlGraph;
  int hangarGraph;                // "bmp\back\back06.bmp"
  WeaponSlotRecord heldGun;       // the gun being moved on the equipment screen
};
extern MenuState g_menu;

// The state at the start of RunMenu: panels hidden, fade opaque, no help, no graphs.
void ResetMenuState(MenuState& menu);

// Runs the menu opened by screen (0 title, 100 pause, 200 equipment, 370 shop, 410 mission
// select) and returns its choice, or kQuitResult when the program must end.
int RunMenu(int screen);

// Panel and help set-up, called by a screen's panel set-up every frame.
void SetPanel(MenuState& menu, int index, int mode, int last, int tab, int width, int height, int x, int y, int bar,
              int pitch);
// The help block at row with count lines (0 none); the lines are then filled by SetHelpLine.
void SetHelpLines(MenuState& menu, int row, int count);
void SetHelpLine(MenuState& menu, int line, const char* text);
// Moves to another screen with panel 0's cursor at 0.
void ChangeMenuScreen(MenuState& menu, int screen);

// A confirm: true once a press, with the menu keys cleared and the confirm sound played.
bool TakeMenuConfirm();
// A cancel: true once a press, with the menu keys cleared.
bool TakeMenuCancel();
// Releases a graph loaded on entry and marks it gone.
void ReleaseMenuGraph(int* graph);

// Drawing pieces shared by the screens.
void DrawPanelTitle(const MenuPanel& panel, const char* text);
void DrawPanelRow(const MenuPanel& panel, int row, const char* text);
// The top of a row of the panel on screen (a scrolling list counts from the scroll top).
int PanelRowTop(const MenuState& menu, const MenuPanel& panel, int row);
// The picture "bmp\system\sback.bmp" tiled and drifting right and up with the scroll counter.
void DrawDriftingTiles(const MenuState& menu);
// Moves the fade level a step toward target and covers the screen with black of that alpha;
// true once the level is there.
bool StepMenuFade(MenuState& menu, int target);
// Slides the cursor icon toward (x, y) and draws it.
void DrawCursorIcon(MenuState& menu, int x, int y);
// The scale at which a weapon's picture is drawn in the menus' lists.
double WeaponListScale(int weapon);

// Each family's entry runs after RunMenu has loaded the family's pictures into the state and
// cleared the menu keys; its fade-out screen releases them before returning the choice.

// The shop family, screens 300 to 380.
void EnterShop(MenuState& menu);
void DrawShopBackground(MenuState& menu);
void SetUpShopPanels(MenuState& menu);
int RunShopScreen(MenuState& menu);

// The mission-select family, screens 400 to 490.
void EnterMissionSelect(MenuState& menu);
void DrawMissionSelectBackground(MenuState& menu);
void SetUpMissionSelectPanels(MenuState& menu);
int RunMissionSelectScreen(MenuState& menu);

}  // namespace horundel
