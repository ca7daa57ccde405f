// The whole game on the generated data set, headless, on the virtual clock, driven by an input
// script as a player would drive it. Each run is a process of its own, as the game is, since the
// host reads its script once a process: the first run starts a new game with the tutorial, gives
// the training up from the pause menu, plays mission 1 to its clear and saves into slot 1; the
// second run loads that slot and finds mission 2 open in the hangar.
//
// Mission 1 is played on short rooms written over its maps, by the battle tests' scripted player,
// which reacts to the battle each frame from the HUD's place in it and carries the heavy machine
// gun in as if bought. The boss falls, the clear screen shows the mission's figures, and the save
// writes the mission's record as the clear left it. Keys whose frame depends on the mission's length (paging the clear screen,
// the save offer) are pressed a number of frames after its moment, from the message pump.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"
#include "media/core/random.h"
#include "media/core/subsystem_hooks.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "program_entry_fixture.h"
#include "support/mission_one_player.h"

namespace horundel {
namespace {

constexpr const char* kEntryLog = "entry_log.txt";
constexpr int kMenuFadeFrames = 32;

int PresentedFrames() { return static_cast<int>(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr)); }

// Each screen the entry calls, with the frame it started and ended on and its result, one a line.
void Log(const std::string& line) {
  std::ofstream(kEntryLog, std::ios::app) << line << "\n";
}

int LoggedMenu(int screen) {
  const int from = PresentedFrames();
  const int open = MissionRecords[1].cleared;
  const int result = RealEntryScreens().RunMenu(screen);
  Log("menu " + std::to_string(screen) + " frames " + std::to_string(from) + "-" + std::to_string(PresentedFrames()) +
      " result " + std::to_string(result) + " mission1cleared " + std::to_string(open) + " current " +
      std::to_string(g_battle.CurrentMission));
  return result;
}

int LoggedSaveLoad(int mode) {
  const int from = PresentedFrames();
  const int result = RealEntryScreens().SaveLoadScreen(mode);
  Log(std::string(mode == kLoadMode ? "load" : "save") + " frames " + std::to_string(from) + "-" +
      std::to_string(PresentedFrames()) + " result " + std::to_string(result) + " money " +
      std::to_string(g_battle.Money) + " mission1cleared " + std::to_string(MissionRecords[1].cleared) + " record1 " +
      std::to_string(MissionRecords[1].cleared) + "," + std::to_string(MissionRecords[1].bestTime) + "," +
      std::to_string(MissionRecords[1].maxHit) + "," + std::to_string(MissionRecords[1].highScore));
  return result;
}

int LoggedMission(int mode) {
  const int mission = g_battle.CurrentMission;
  const int from = PresentedFrames();
  const int result = RealEntryScreens().RunMission(mode);
  Log("mission " + std::to_string(mission) + " frames " + std::to_string(from) + "-" + std::to_string(PresentedFrames()) +
      " result " + std::to_string(result));
  return result;
}

// Keys pressed a number of frames after a moment no script can know beforehand (the start of the
// clear screen, the end of a played mission), from the input subsystem's place in the message pump.
struct LaterKeys {
  struct Press {
    int frame;
    int scancode;
    int stage;   // 0 waiting, 1 down, 2 done
  };
  static inline std::vector<Press> presses;
  static inline void (*inputPump)() = nullptr;

  static void Install() {
    presses.clear();
    inputPump = zelvo::g_subsystems.rows[zelvo::kSubsystemInput].pump;
    zelvo::g_subsystems.rows[zelvo::kSubsystemInput].pump = Pump;
  }

  // Down `after` frames from now, up two frames later.
  static void Add(int after, int scancode) { presses.push_back({PresentedFrames() + after, scancode, 0}); }

  static void Pump() {
    if (inputPump != nullptr) inputPump();
    const int now = PresentedFrames();
    for (Press& press : presses) {
      if (press.stage == 0 && now >= press.frame) {
        pf::testing::InjectKey(press.scancode, true);
        press.stage = 1;
      } else if (press.stage == 1 && now >= press.frame + 2) {
        pf::testing::InjectKey(press.scancode, false);
        press.stage = 2;
      }
    }
  }
};

constexpr int kReturnScancode = 40;
constexpr int kEscapeScancode = 41;
constexpr int kHeavyMachineGun = 9;
constexpr int kClearScreenSteps = 7;   // confirm moves the clear screen on to its last, timed step

// Mission 1 played to its clear by the scripted player, the clear screen paged through with the
// confirm key, then the save offer answered: slot 1, "セーブしました", and Escape in the hangar to
// end the game. Frames after the mission follow the save screen's fade-in and fade-out (60) and
// the hangar's fade-in (32).
int PlayMissionOneToItsClear(int mode) {
  if (g_battle.CurrentMission != 1) return LoggedMission(mode);
  // Stands for buying the gun in the shop, which a new game's money does not reach.
  const int armed = AddWeapon(kHeavyMachineGun);
  static void (*drawHud)(int) = nullptr;
  static int (*runMenu)(int) = nullptr;
  static void (*clearScreen)() = nullptr;
  drawHud = g_shell.DrawBattleHud;
  runMenu = g_shell.RunMenu;
  clearScreen = g_shell.MissionClear;
  g_shell.DrawBattleHud = [](int hudMode) {
    drawHud(hudMode);
    if (hudMode == 0) PlayMissionOne();
  };
  // The player pauses only when the mission runs far too long: giving up then ends the run.
  g_shell.RunMenu = [](int screen) { return screen == kMenuPause ? 1 : runMenu(screen); };
  g_shell.MissionClear = [] {
    Log("clear at " + std::to_string(PresentedFrames()));
    for (int step = 0; step < kClearScreenSteps; ++step) LaterKeys::Add(10 + 20 * step, kReturnScancode);
    clearScreen();
  };
  LaterKeys::Install();
  zelvo::SeedRandom(20261211);
  const int result = LoggedMission(mode);
  g_shell.DrawBattleHud = drawHud;
  g_shell.RunMenu = runMenu;
  g_shell.MissionClear = clearScreen;
  ScriptedPad::ReleaseAll();
  Log("armed " + std::to_string(armed));
  LaterKeys::Add(100, kReturnScancode);
  LaterKeys::Add(120, kReturnScancode);
  LaterKeys::Add(300, kEscapeScancode);
  return result;
}

// The second run ends where mission 2 would start.
int EndAtTheNextMission(int) {
  Log("mission " + std::to_string(g_battle.CurrentMission) + " frames " + std::to_string(PresentedFrames()) + " started");
  return kQuitResult;
}

// A frame-stamped input script: keys by SDL name, the first pad's buttons by number.
class InputScript {
 public:
  InputScript() { text_ << "0 pad 0 plug Test Pad\n"; }
  // Down on `frame`, up two frames later: the game reads the keys once a frame.
  InputScript& Key(const char* name, int frame) {
    text_ << frame << " key " << name << " down\n" << frame + 2 << " key " << name << " up\n";
    return *this;
  }
  InputScript& Button(int button, int frame) {
    text_ << frame << " pad 0 button " << button << " down\n" << frame + 2 << " pad 0 button " << button << " up\n";
    return *this;
  }
  // The same button every `period` frames from `from` up to `to`.
  InputScript& Buttons(int button, int from, int to, int period) {
    for (int frame = from; frame < to; frame += period) Button(button, frame);
    return *this;
  }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
};

// The cancel action's default pad button: it pages through the mission texts and does nothing in
// battle but shoot.
constexpr int kCancelButton = 1;

class EndToEnd : public ProgramEntryTest {
 protected:
  void SetUp() override {
    ProgramEntryTest::SetUp();
    CopyIntoFolder(std::string(ZELVO_GAMEDATA_DIR) + "/loose");
  }

  // One run of the game in a child process, on the stand-in's Direct3D profile given ('B': no usable
  // device, so the game draws in software rendering); returns its exit status, or -1 when it did not
  // exit.
  int RunGame(const InputScript& script, EntryScreens screens, char direct3DProfile = 'A') {
    std::filesystem::remove(folder_ + "/" + kEntryLog);
    return RunInChild(script.Text(), screens, direct3DProfile, [] { return WinMain(); });
  }
};

// Frames of the first run. Start-up presents 8 frames, the loading text 1 and the logo 160; the
// title fades in for 32. Menus wait for their keys, so each press comes with room to spare.
InputScript FirstRun() {
  InputScript script;
  script.Key("Return", 220);                 // START GAME
  script.Key("Return", 240);                 // EASY
  script.Key("Return", 260);                 // tutorial: YES
  script.Buttons(kCancelButton, 300, 600, 8);  // page through the training's opening texts
  script.Key("Space", 650);                  // pause
  script.Key("Up", 670);                     // from CONTINUE up to ESCAPE
  script.Key("Return", 690);                 // give the training up
  return script;
}

TEST_F(EndToEnd, TitleTutorialAndGivingTheTrainingUpReachTheMissionSelect) {
  InputScript script = FirstRun();
  script.Key("Escape", 1000);
  EXPECT_EQ(RunGame(script, EntryScreens{LoggedMenu, LoggedMission, LoggedSaveLoad, RealEntryScreens().GalleryScreen}), 0);
  const std::vector<std::string> log = LogLines(kEntryLog);
  EXPECT_NE(Find(log, "menu 0 ").find("result 1"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "mission 0 ").find("result 0"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "menu 410 "), "") << Joined(log);
  EXPECT_EQ(Find(log, "save "), "") << "no save offer after the training\n" << Joined(log);
}

TEST_F(EndToEnd, EscapeOnTheTitleEndsWithoutStartingTheTraining) {
  InputScript script;
  script.Key("Return", 220);   // START GAME
  script.Key("Return", 240);   // EASY
  script.Key("Escape", 250);   // on the tutorial prompt
  script.Key("Return", 260);
  EXPECT_EQ(RunGame(script, EntryScreens{LoggedMenu, LoggedMission, LoggedSaveLoad, RealEntryScreens().GalleryScreen}), 0);
  const std::vector<std::string> log = LogLines(kEntryLog);
  ASSERT_EQ(log.size(), 1u) << Joined(log);
  EXPECT_NE(log[0].find("result " + std::to_string(kQuitResult)), std::string::npos) << log[0];
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/save/saveconfig.dat"));
}

// The rest of the first run: mission 1 from the hangar, after the hangar's fade-in (32); the
// scripted player takes over once it starts.
InputScript SaveRun() {
  InputScript script = FirstRun();
  script.Key("Down", 780);      // hangar: mission 1
  script.Key("Return", 800);    // play
  return script;
}

// The second run: LOAD GAME, slot 1, then two steps down the hangar's list to mission 2, which is
// open only when the loaded game has mission 1 cleared (the list wraps at its last open mission).
InputScript LoadRun() {
  InputScript script;
  script.Key("Down", 220);      // LOAD GAME
  script.Key("Return", 240);
  script.Key("Return", 280);    // slot 1
  script.Key("Return", 300);    // "ロードしました"
  script.Key("Down", 450);      // hangar: mission 1
  script.Key("Down", 470);      // mission 2
  script.Key("Return", 490);    // play
  return script;
}

TEST_F(EndToEnd, ClearedMissionSavedToASlotIsOpenInTheHangarAfterLoadingIt) {
  for (const MapFile& map : MissionOneMaps()) std::ofstream(folder_ + "/" + map.name, std::ios::binary) << map.text;
  // The long run is played in software rendering, where a frame costs a tenth of the stand-in
  // device's; the shorter runs above go through Direct3D.
  EXPECT_EQ(RunGame(SaveRun(), EntryScreens{LoggedMenu, PlayMissionOneToItsClear, LoggedSaveLoad,
                                            RealEntryScreens().GalleryScreen},
                    'B'),
            0);
  std::vector<std::string> log = LogLines(kEntryLog);
  const std::string hangar = Find(log, "menu 410 ");
  int from = 0, to = 0;
  ASSERT_EQ(std::sscanf(hangar.c_str(), "menu 410 frames %d-%d", &from, &to), 2) << Joined(log);
  ASSERT_GE(to - from, kMenuFadeFrames) << "the hangar closed without its screens\n" << Joined(log);
  ASSERT_NE(Find(log, "mission 1 ").find("result 0"), std::string::npos) << Joined(log);
  ASSERT_EQ(Find(log, "armed "), "armed 1") << Joined(log);
  ASSERT_NE(Find(log, "clear at "), "") << "mission 1 ended without its clear screen\n" << Joined(log);
  const std::string save = Find(log, "save ");
  ASSERT_NE(save.find("result 1"), std::string::npos) << Joined(log);
  ASSERT_NE(save.find("mission1cleared 1"), std::string::npos) << Joined(log);
  int money = -1;
  ASSERT_EQ(std::sscanf(save.substr(save.find("money")).c_str(), "money %d", &money), 1);
  // The clear's own figures: a best time under the new game's 20 minutes, and a score.
  const std::string record = save.substr(save.find("record1 ") + 8);
  int cleared = 0, bestTime = 0, maxHit = 0, highScore = 0;
  ASSERT_EQ(std::sscanf(record.c_str(), "%d,%d,%d,%d", &cleared, &bestTime, &maxHit, &highScore), 4) << save;
  EXPECT_GT(bestTime, 0);
  EXPECT_LT(bestTime, kNewGameBestTime);
  EXPECT_GT(highScore, 0);

  const std::vector<std::string> slot = ReadLines("save/save00.dat");
  ASSERT_EQ(slot.size(), 44u);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  EXPECT_EQ(std::sscanf(slot[0].c_str(), "%d,%d,%d,%d,%d", &year, &month, &day, &hour, &minute), 5) << slot[0];
  EXPECT_GE(year, 2000);
  std::vector<std::string> expected = {"2", "1", std::to_string(money), "2", "0", "2", "0"};
  for (int weapon = 0; weapon < kWeaponCount; ++weapon) {
    expected.push_back((weapon >= 1 && weapon <= 6) || weapon == kHeavyMachineGun ? "1" : "0");
  }
  for (int skill = 0; skill < kSkillCount; ++skill) expected.push_back("0");
  expected.push_back(record);
  for (int mission = 2; mission <= 5; ++mission) expected.push_back("0,72000,0,0");
  EXPECT_EQ(std::vector<std::string>(slot.begin() + 1, slot.end()), expected);

  EXPECT_EQ(RunGame(LoadRun(), EntryScreens{LoggedMenu, EndAtTheNextMission, LoggedSaveLoad,
                                            RealEntryScreens().GalleryScreen}),
            0);
  log = LogLines(kEntryLog);
  EXPECT_NE(Find(log, "load ").find("result 1"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "menu 410 ").find("mission1cleared 1"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "mission 2 "), "") << "mission 2 was not offered\n" << Joined(log);
}

}  // namespace
}  // namespace horundel
