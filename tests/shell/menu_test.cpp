// RunMenu on the headless host under scripted keys: the title's screen graph and results, the
// configuration screens and the file they write, key capture, the pause menu with its screenshot
// and the equipment screen's reordering of the carried guns.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/hud.h"
#include "game/shell/menu_frame.h"
#include "game/shell/menu_screens.h"
#include "game/shell/save_files.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

constexpr int kTitleFadeFrames = 32;   // 255 to 0 by 8
constexpr int kFirstTitleFrame = kTitleFadeFrames + 1;

class Menus : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    std::filesystem::create_directories(folder_ + "/ss");
    GameSettings = GameSettingsRecord{0, 60, 30, 2, 0, 0};
    WindowModeSetting = 1;
    g_battle = BattleState{};
    g_hud = HudState{};
  }

  // The value on a line (from 1) of the configuration file.
  std::string ConfigLine(int line) const {
    const std::string config = ReadFile("save/saveconfig.dat");
    std::size_t at = 0;
    for (int i = 1; i < line && at != std::string::npos; ++i) {
      at = config.find("\r\n", at);
      if (at != std::string::npos) at += 2;
    }
    if (at == std::string::npos || at >= config.size()) return "";
    return config.substr(at, config.find("\r\n", at) - at);
  }

  std::vector<std::string> Screenshots() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/ss")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Title screen's keys counted from its first frame.
  void TitlePress(const char* key, int frame) { Press(key, kFirstTitleFrame + frame); }
};

// One way through the title, and what RunMenu(0) gives for it.
struct TitleRoute {
  const char* name;
  std::vector<const char*> keys;   // one press every 6 frames from the title's first frame
  int result;
  int difficulty;                  // 0: not chosen
};

void PrintTo(const TitleRoute& route, std::ostream* out) { *out << route.name; }

class TitleRoutes : public Menus, public ::testing::WithParamInterface<TitleRoute> {};

TEST_P(TitleRoutes, EndWithTheirChoiceAfterTheFadeOut) {
  const TitleRoute& route = GetParam();
  int frame = 0;
  for (const char* key : route.keys) {
    TitlePress(key, frame);
    frame += 6;
  }
  Start();
  g_battle.Difficulty = 0;
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), route.result);
  EXPECT_EQ(g_battle.Difficulty, route.difficulty);
  // The last confirm comes on its frame, then 32 frames of fade-out; the returning frame is not shown.
  EXPECT_EQ(Presented(), kFirstTitleFrame + frame - 6 + kTitleFadeFrames - 1);
  EXPECT_FALSE(QuitRequested());
}

INSTANTIATE_TEST_SUITE_P(
    Title, TitleRoutes,
    ::testing::Values(TitleRoute{"EasyWithTutorial", {"Return", "Return", "Return"}, 1, 1},
                      TitleRoute{"HardWithoutTutorial", {"Return", "Down", "Down", "Return", "Down", "Return"}, 0, 3},
                      TitleRoute{"Load", {"Down", "Return"}, 2, 0},
                      TitleRoute{"Gallery", {"Down", "Down", "Down", "Return"}, 3, 0},
                      // Up from the first row wraps to the last.
                      TitleRoute{"QuitByWrapping", {"Up", "Return"}, 4, 0},
                      // Cancel on the difficulty and the tutorial prompt goes back to the title.
                      TitleRoute{"CancelsBackToTheTitle", {"Return", "Backspace", "Return", "Return", "Backspace", "Down", "Return"}, 2, 1},
                      // The configuration menu's RETURN row and its cancel both lead back to the title.
                      TitleRoute{"ThroughTheConfigurationMenu", {"Down", "Down", "Return", "Up", "Return", "Down", "Down", "Return", "Backspace", "Down", "Down", "Down", "Return"}, 3, 0}),
    [](const ::testing::TestParamInfo<TitleRoute>& info) { return std::string(info.param.name); });

TEST_F(Menus, EscapeEndsTheMenuWithoutActingOnTheRow) {
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Down", 12);
  TitlePress("Down", 18);   // QUIT
  Hold("Return", kFirstTitleFrame + 24, kFirstTitleFrame + 26);
  Hold("Escape", kFirstTitleFrame + 24, kFirstTitleFrame + 25);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(Presented(), kFirstTitleFrame + 23);
}

TEST_F(Menus, GameConfigurationDefaultSetsHitWaitOneAndReturnSaves) {
  GameSettings = GameSettingsRecord{1, 10, 200, 3, 1, 1};
  WindowModeSetting = 0;
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Return", 12);   // CONFIG
  TitlePress("Return", 18);   // GAME CONFIG
  TitlePress("Up", 24);       // RETURN
  TitlePress("Up", 30);       // DEFAULT
  TitlePress("Return", 36);
  TitlePress("Down", 42);
  TitlePress("Return", 48);   // RETURN: saved, back on the configuration menu
  Hold("Escape", kFirstTitleFrame + 54, kFirstTitleFrame + 55);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenConfigMenu);
  const GameSettingsRecord& s = GameSettings;
  EXPECT_EQ(s.musicOff, 0);
  EXPECT_EQ(s.musicVolume, 60);
  EXPECT_EQ(s.seVolume, 30);
  EXPECT_EQ(WindowModeSetting, 1);
  EXPECT_EQ(s.hitWait, 1) << "unlike the start-up default of 2";
  EXPECT_EQ(s.autoWeaponChange, 0);
  EXPECT_EQ(s.twoButtonSpecial, 0);
  const char* expected[] = {"0", "60", "30", "1", "1", "0", "0"};
  for (int line = 1; line <= 7; ++line) EXPECT_EQ(ConfigLine(line), expected[line - 1]) << line;
}

TEST_F(Menus, GameConfigurationValuesReachTheFile) {
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Return", 12);     // CONFIG
  TitlePress("Return", 18);     // GAME CONFIG
  TitlePress("Right", 24);      // BGM OFF
  TitlePress("Down", 30);       // BGM VOLUME
  Hold("Left", kFirstTitleFrame + 36, kFirstTitleFrame + 46);
  TitlePress("Down", 52);
  Hold("Right", kFirstTitleFrame + 58, kFirstTitleFrame + 59);   // SE VOLUME: one frame, one step
  TitlePress("Down", 64);
  TitlePress("Left", 70);       // FULL SCREEN
  TitlePress("Down", 76);
  Hold("Right", kFirstTitleFrame + 82, kFirstTitleFrame + 92);  // HIT WAIT 2 to 3 only
  TitlePress("Down", 98);
  TitlePress("Right", 104);     // AUTO CHANGE OFF
  TitlePress("Backspace", 110);
  Hold("Escape", kFirstTitleFrame + 116, kFirstTitleFrame + 117);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(GameSettings.musicOff, 1);
  EXPECT_EQ(GameSettings.musicVolume, 50);
  EXPECT_EQ(GameSettings.seVolume, 31);
  EXPECT_EQ(WindowModeSetting, 0);
  EXPECT_EQ(GameSettings.hitWait, 3);
  EXPECT_EQ(GameSettings.autoWeaponChange, 1);
  const char* expected[] = {"1", "50", "31", "0", "3", "1", "0"};
  for (int line = 1; line <= 7; ++line) EXPECT_EQ(ConfigLine(line), expected[line - 1]) << line;
}

TEST_F(Menus, VolumesStopAtTheirEnds) {
  GameSettings.musicVolume = 3;
  GameSettings.seVolume = 254;
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Return", 12);
  TitlePress("Return", 18);
  TitlePress("Down", 24);
  Hold("Left", kFirstTitleFrame + 30, kFirstTitleFrame + 40);
  TitlePress("Down", 46);
  Hold("Right", kFirstTitleFrame + 52, kFirstTitleFrame + 62);
  Hold("Escape", kFirstTitleFrame + 70, kFirstTitleFrame + 71);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(GameSettings.musicVolume, 0);
  EXPECT_EQ(GameSettings.seVolume, 255);
}

// From the title to the key configuration's first action row ("方向↑").
class KeyCapture : public Menus {
 protected:
  void ToFirstAction() {
    TitlePress("Down", 0);
    TitlePress("Down", 6);
    TitlePress("Return", 12);   // CONFIG
    TitlePress("Down", 18);
    TitlePress("Down", 24);
    TitlePress("Return", 30);   // KEY CONFIG
    TitlePress("Down", 36);     // 方向↑
  }
  static constexpr int kCaptureFrame = kFirstTitleFrame + 42;
};

TEST_F(KeyCapture, TheKeyPressedBecomesTheBindingAndIsSavedOnReturn) {
  ToFirstAction();
  Press("Return", kCaptureFrame);       // starts the capture
  Press("Q", kCaptureFrame + 6);        // scan code 16
  // Up is now Q: two steps up reach RETURN.
  Press("Q", kCaptureFrame + 12);
  Press("Q", kCaptureFrame + 18);
  Press("Return", kCaptureFrame + 24);  // RETURN saves and goes back to the configuration menu
  Hold("Escape", kCaptureFrame + 30, kCaptureFrame + 31);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(KeyBindings[kKeyUp].keyCode, 16);
  EXPECT_EQ(ConfigLine(8), "16");
  EXPECT_EQ(ConfigLine(9), "3") << "the pad bit stays";
  EXPECT_EQ(ConfigLine(10), "208");
}

TEST_F(KeyCapture, EscapeIsNeverABindingAndEndsTheProgramFromTheCapture) {
  ToFirstAction();
  Press("Return", kCaptureFrame);
  Hold("Escape", kCaptureFrame + 6, kCaptureFrame + 7);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(KeyBindings[kKeyUp].keyCode, 200);
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/save/saveconfig.dat")) << "nothing is saved on the way out";
}

TEST_F(KeyCapture, DefaultRestoresEveryKeyAndOnlyReturnLeaves) {
  KeyBindings[kKeyJump].keyCode = 99;
  ToFirstAction();
  Press("Backspace", kCaptureFrame);     // cancel does nothing here
  Press("Space", kCaptureFrame + 6);     // nor does the pause key
  Press("Up", kCaptureFrame + 12);       // DEFAULT
  Press("Return", kCaptureFrame + 18);
  Press("Up", kCaptureFrame + 24);       // RETURN
  Press("Return", kCaptureFrame + 30);
  Hold("Escape", kCaptureFrame + 36, kCaptureFrame + 37);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenConfigMenu);
  EXPECT_EQ(g_menu.panels[0].cursor, 0);
  EXPECT_EQ(KeyBindings[kKeyJump].keyCode, 46);
  EXPECT_EQ(KeyBindings[kKeyCancel].keyCode, 54) << "the default cancel key";
  EXPECT_EQ(ConfigLine(8 + 2 * kKeyJump), "46");
}

TEST_F(Menus, PadConfigurationTakesButtonsNeverDirectionsAndSpaceClears) {
  script_ += "0 pad 0 plug Test Pad\n";
  auto pad = [this](int frame, const char* change) {
    script_ += std::to_string(kBaseFrame + kFirstTitleFrame + frame - 1) + " pad 0 " + change + "\n";
  };
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Return", 12);   // CONFIG
  TitlePress("Down", 18);
  TitlePress("Return", 24);   // PAD CONFIG
  TitlePress("Down", 30);     // 格闘
  pad(36, "button 5 down");   // bit 9: "ボタン6"
  pad(38, "button 5 up");
  TitlePress("Down", 42);     // 射撃
  pad(48, "axis 1 -32768");   // up: moves the cursor back to 格闘 but binds nothing
  pad(50, "axis 1 0");
  TitlePress("Down", 54);
  TitlePress("Down", 60);     // スペシャル
  TitlePress("Space", 66);    // "使用しない"
  for (int i = 0; i < 4; ++i) TitlePress("Up", 72 + 6 * i);   // to RETURN over the top
  TitlePress("Return", 96);
  Hold("Escape", kFirstTitleFrame + 102, kFirstTitleFrame + 103);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenConfigMenu);
  EXPECT_EQ(KeyBindings[kKeyMelee].padBit, 9);
  EXPECT_EQ(KeyBindings[kKeyShoot].padBit, 5);
  EXPECT_EQ(KeyBindings[kKeySpecial].padBit, kNoPadBit);
  EXPECT_EQ(KeyBindings[kKeyUp].padBit, 3) << "the directions are not offered";
  EXPECT_EQ(ConfigLine(9 + 2 * kKeyMelee), "9");
  EXPECT_EQ(ConfigLine(9 + 2 * kKeyShoot), "5");
  EXPECT_EQ(ConfigLine(9 + 2 * kKeySpecial), "30");
}

// A keyboard that the system also lists as a joypad reports each key as a button too. Its player
// confirms on an action row and moves off it with the arrow keys: no binding changes, and neither
// cancel nor the pause key (Space aside, which the screen names) leaves; a button alone still binds.
TEST_F(Menus, PadConfigurationTakesNoButtonThatComesWithAKey) {
  script_ += "0 pad 0 plug Keyboard Receiver\n";
  auto keyWithButton = [this](const char* key, int button, int frame) {
    TitlePress(key, frame);
    const std::string at = std::to_string(kBaseFrame + kFirstTitleFrame + frame - 1);
    const std::string up = std::to_string(kBaseFrame + kFirstTitleFrame + frame + 1);
    script_ += at + " pad 0 button " + std::to_string(button) + " down\n";
    script_ += up + " pad 0 button " + std::to_string(button) + " up\n";
  };
  TitlePress("Down", 0);
  TitlePress("Down", 6);
  TitlePress("Return", 12);              // CONFIG
  TitlePress("Down", 18);
  TitlePress("Return", 24);              // PAD CONFIG
  TitlePress("Down", 30);                // 格闘
  keyWithButton("Return", 10, 36);       // confirm on the action row
  keyWithButton("Down", 11, 42);         // 射撃
  keyWithButton("Down", 11, 48);         // スペシャル
  keyWithButton("Backspace", 12, 54);    // cancel: stays
  keyWithButton("Up", 13, 60);           // 射撃
  script_ += std::to_string(kBaseFrame + kFirstTitleFrame + 66 - 1) + " pad 0 button 6 down\n";
  script_ += std::to_string(kBaseFrame + kFirstTitleFrame + 68 - 1) + " pad 0 button 6 up\n";
  Hold("Escape", kFirstTitleFrame + 72, kFirstTitleFrame + 73);
  Start();
  EXPECT_EQ(RunMenu(kScreenTitleFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenPadConfig);
  EXPECT_EQ(g_menu.panels[0].cursor, 2);
  EXPECT_EQ(KeyBindings[kKeyMelee].padBit, 4);
  EXPECT_EQ(KeyBindings[kKeyShoot].padBit, 10) << "button 7 pressed alone";
  EXPECT_EQ(KeyBindings[kKeySpecial].padBit, 6);
}

TEST(ScreenshotName, DateAndTimeMakeTheFileName) {
  const int when[6] = {2026, 12, 9, 10, 5, 7};
  char path[64];
  ScreenshotPath(when, path, sizeof path);
  EXPECT_STREQ(path, "ss\\brkss20261209100507.bmp");
}

class Pause : public Menus {};

TEST_F(Pause, ContinueGiveUpAndThePauseKey) {
  Press("Space", 3);                       // the pause key closes the menu at once
  Start();
  EXPECT_EQ(RunMenu(kScreenPause), 0);
  EXPECT_EQ(Presented(), 2);
  EXPECT_EQ(Calls('d').size(), 3u) << "the frozen battle drawn each frame, nothing updated";
  EXPECT_TRUE(Calls('u').empty());
}

TEST_F(Pause, TheFrameDarkensTheBattleAndDrawsTheCursorBarAndTheHelpBand) {
  Hold("Escape", 3, 4);
  Start();
  worldColour_ = 0xFFFFFF;
  EXPECT_EQ(RunMenu(kScreenPause), kQuitResult);
  ASSERT_EQ(Presented(), 2);
  const std::uint32_t outside = Shown(600, 20);
  EXPECT_NEAR(static_cast<int>(outside & 0xFF), 95, 3) << "white under black at alpha 160";
  // The bar of row 0 glows blue-green over the panel; row 1 of the same panel does not.
  const std::uint32_t bar = Shown(380, 108);
  const std::uint32_t row = Shown(380, 130);
  EXPECT_EQ(bar >> 16, row >> 16) << "no red in the glow";
  EXPECT_GT(bar & 0xFF, row & 0xFF);
  // The help band darkens the bottom once more.
  EXPECT_LT(Shown(600, 460) & 0xFF, outside & 0xFF);
}

TEST_F(Pause, EscapeRowGivesUp) {
  Press("Up", 3);
  Press("Return", 8);
  Start();
  EXPECT_EQ(RunMenu(kScreenPause), 1);
}

TEST_F(Pause, TheScreenshotIsWrittenAndTheMenuGoesOn) {
  for (int i = 0; i < 4; ++i) Press("Down", 3 + 6 * i);
  Press("Return", 30);
  Press("Backspace", 40);
  Start();
  EXPECT_EQ(RunMenu(kScreenPause), 0);
  const std::vector<std::string> shots = Screenshots();
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_TRUE(std::regex_match(shots[0], std::regex("brkss[0-9]{14}\\.bmp"))) << shots[0];
  EXPECT_EQ(std::filesystem::file_size(folder_ + "/ss/" + shots[0]), 921654u) << "640 x 480 at 24 bits";
  EXPECT_EQ(ReadFile("ss/" + shots[0]).substr(0, 2), "BM");
}

TEST_F(Pause, AScreenshotThatCannotBeWrittenIsAFailure) {
  Start();
  std::filesystem::remove_all(folder_ + "/ss");
  EXPECT_EQ(TakeScreenshot(), -1);
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/ss")) << "the folder is not made";
  std::filesystem::create_directories(folder_ + "/ss");
  EXPECT_EQ(TakeScreenshot(), 0);
  EXPECT_EQ(Screenshots().size(), 1u);
}

TEST_F(Pause, TheConfigurationScreensComeBackToThePauseAndEscapeEndsThemAll) {
  Press("Down", 3);
  Press("Return", 8);                      // CONFIG (103)
  Press("Space", 14);                      // the pause key leaves it, saving
  Press("Down", 20);
  Press("Down", 26);
  Press("Return", 32);                     // PAD CONFIG (101)
  Hold("Escape", 38, 39);                  // a one-frame tap
  Start();
  EXPECT_EQ(RunMenu(kScreenPause), kQuitResult);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(g_menu.MenuScreen, kScreenPausePadConfig);
  EXPECT_EQ(ConfigLine(5), "2");
  // The end is kept: a menu opened after it returns at once.
  EXPECT_EQ(RunMenu(kScreenPause), kQuitResult);
}

class Equipment : public Menus {
 protected:
  void CarryGuns(std::vector<int> weapons, int inHand) {
    g_battle.WeaponSlotCount = 5;
    g_battle.WeaponSlot[0] = WeaponSlotRecord{1, 0, 3, 0};
    for (std::size_t i = 0; i < weapons.size(); ++i) {
      g_battle.WeaponSlot[i + 1] = WeaponSlotRecord{1, weapons[i], 10 * weapons[i], 0};
    }
    g_battle.CurrentWeaponSlot = inHand;
  }
  static std::vector<int> Carried() {
    std::vector<int> weapons;
    for (int slot = 1; slot <= kLastCarriedSlot && g_battle.WeaponSlot[slot].used != 0; ++slot) {
      weapons.push_back(g_battle.WeaponSlot[slot].weapon);
      EXPECT_EQ(g_battle.WeaponSlot[slot].ammunition, 10 * g_battle.WeaponSlot[slot].weapon) << "moved whole";
    }
    return weapons;
  }
};

// A gun taken from a slot and the presses that place it.
struct GunMove {
  const char* name;
  int inHand;                        // the row confirmed
  std::vector<const char*> target;   // presses on the target row
  std::vector<int> order;
};

void PrintTo(const GunMove& move, std::ostream* out) { *out << move.name; }

class GunMoves : public Equipment, public ::testing::WithParamInterface<GunMove> {};

TEST_P(GunMoves, PutTheHeldGunBeforeTheTargetRow) {
  const GunMove& move = GetParam();
  Press("Return", 3);
  int frame = 9;
  for (const char* key : move.target) {
    Press(key, frame);
    frame += 6;
  }
  Press("Return", frame);
  Press("Backspace", frame + 6);
  Start();
  CarryGuns({4, 7, 9}, move.inHand);
  EXPECT_EQ(RunMenu(kScreenEquipment), 0);
  EXPECT_EQ(Carried(), move.order);
  EXPECT_EQ(g_battle.WeaponSlot[4].used, 0);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, move.inHand) << "the slot in hand is left as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Equipment, GunMoves,
    ::testing::Values(GunMove{"FirstToSecond", 1, {"Down"}, {7, 4, 9}},
                      GunMove{"FirstStaysFirst", 1, {}, {4, 7, 9}},
                      GunMove{"LastToFirst", 3, {"Up", "Up"}, {9, 4, 7}},
                      // The last target row is before the last remaining gun: a step down wraps to the top.
                      GunMove{"LastWrapsToFirst", 3, {"Down"}, {9, 4, 7}},
                      GunMove{"MiddleBackInPlace", 2, {}, {4, 7, 9}}),
    [](const ::testing::TestParamInfo<GunMove>& info) { return std::string(info.param.name); });

TEST_F(Equipment, TheCursorIsTheWeaponInHandAndTheToolWeaponCannotMove) {
  Press("Down", 3);      // slot 2
  Press("Down", 9);      // slot 0 after the last gun
  Press("Return", 15);   // the tool-weapon: no move, Enter as the equipment key closes
  Start();
  CarryGuns({4, 7}, 1);
  EXPECT_EQ(RunMenu(kScreenEquipment), 0);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
  EXPECT_EQ(Carried(), (std::vector<int>{4, 7}));
  EXPECT_EQ(Presented(), 14);
}

TEST_F(Equipment, CancelAndTheEquipmentKeyDoNothingWhileAGunIsHeld) {
  Press("Return", 3);     // take gun 1
  Press("Backspace", 9);
  Press("Down", 15);
  Press("Return", 21);    // placed at row 1
  Press("Backspace", 27);
  Start();
  CarryGuns({4, 7, 9}, 1);
  EXPECT_EQ(RunMenu(kScreenEquipment), 0);
  EXPECT_EQ(Carried(), (std::vector<int>{7, 4, 9}));
  EXPECT_EQ(Presented(), 26);
}

TEST_F(Equipment, TheBattleOpensTheMenusThroughItsShellTable) {
  Press("Backspace", 3);
  Start();
  g_shell = DefaultShellServices();
  InstallShellServices();
  CarryGuns({4}, 1);
  EXPECT_EQ(g_shell.RunMenu(kMenuWeapons), 0);
  EXPECT_EQ(Presented(), 2);
  g_shell = DefaultShellServices();
}

}  // namespace
}  // namespace horundel
