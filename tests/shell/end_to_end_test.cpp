// The whole game on the generated data set, headless, on the virtual clock, driven by an input
// script as a player would drive it. Each run is a process of its own, as the game is, since the
// host reads its script once a process: the first run starts a new game with the tutorial, gives
// the training up from the pause menu, plays mission 1 and saves into slot 1; the second run loads
// that slot and finds mission 2 open in the hangar.
//
// Mission 1 cannot be fought through to its boss by a fixed script in a test's time, so the first
// run plays its start and battle for real, gives it up from the pause menu, and then records the
// clear in the game's own mission record, as the mission's script does when the boss falls
// (RecordMissionOneClearedThroughItsRecord below).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/battle/battle_state.h"
#include "game/battle/game_tables.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"
#include "platform/testing.h"
#include "program_entry_fixture.h"

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
      std::to_string(g_battle.Money) + " mission1cleared " + std::to_string(MissionRecords[1].cleared));
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

// The test's stand-in for fighting mission 1 through to its boss: the mission is played and given
// up, then its record is marked cleared as the mission's own script marks it.
int RecordMissionOneClearedThroughItsRecord(int mode) {
  const int mission = g_battle.CurrentMission;
  const int result = LoggedMission(mode);
  if (result == 0 && mission == 1) MissionRecords[1].cleared = 1;
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
    std::filesystem::copy(std::string(ZELVO_GAMEDATA_DIR) + "/loose", folder_,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  }

  // One run of the game in a child process; returns its exit status, or -1 when it did not exit.
  int RunGame(const InputScript& script, EntryScreens screens) {
    std::ofstream(folder_ + "/input.txt") << script.Text();
    std::filesystem::remove(folder_ + "/" + kEntryLog);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      setenv("ZELVO_INPUT_SCRIPT", (folder_ + "/input.txt").c_str(), 1);
      g_entryScreens = screens;
      const int result = WinMain();
      std::fflush(nullptr);
      _exit(result & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  std::vector<std::string> EntryLog() const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ + "/" + kEntryLog);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The logged line that starts with `prefix`, or an empty one.
  static std::string Find(const std::vector<std::string>& log, const std::string& prefix) {
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) return line;
    }
    return "";
  }

  static std::string Joined(const std::vector<std::string>& log) {
    std::string text;
    for (const std::string& line : log) text += line + "\n";
    return text;
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
  const std::vector<std::string> log = EntryLog();
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
  const std::vector<std::string> log = EntryLog();
  ASSERT_EQ(log.size(), 1u) << Joined(log);
  EXPECT_NE(log[0].find("result " + std::to_string(kQuitResult)), std::string::npos) << log[0];
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/save/saveconfig.dat"));
}

// The rest of the first run: mission 1 from the hangar, given up and recorded as cleared, then
// saved into slot 1 from the save offer. Frames follow the hangar's fade-in (32), its departure
// scene (100) and fade-out (32), the mission's start, and the save screen's fade-out (60).
InputScript SaveRun() {
  InputScript script = FirstRun();
  script.Key("Down", 780);                      // hangar: mission 1
  script.Key("Return", 800);                    // play
  script.Buttons(kCancelButton, 1000, 1300, 8);   // page through the mission's opening texts
  script.Key("Space", 1400);                    // pause
  script.Key("Up", 1420);
  script.Key("Return", 1440);                   // give up
  script.Key("Return", 1600);                   // save offer: slot 1
  script.Key("Return", 1620);                   // "セーブしました"
  script.Key("Escape", 1800);                   // back in the hangar: end the game
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
  EXPECT_EQ(RunGame(SaveRun(), EntryScreens{LoggedMenu, RecordMissionOneClearedThroughItsRecord, LoggedSaveLoad,
                                            RealEntryScreens().GalleryScreen}),
            0);
  std::vector<std::string> log = EntryLog();
  const std::string hangar = Find(log, "menu 410 ");
  int from = 0, to = 0;
  if (std::sscanf(hangar.c_str(), "menu 410 frames %d-%d", &from, &to) == 2 && to - from < kMenuFadeFrames) {
    GTEST_SKIP() << "the mission select closes at once: it has no screens yet\n" << Joined(log);
  }
  ASSERT_NE(Find(log, "mission 1 ").find("result 0"), std::string::npos) << Joined(log);
  const std::string save = Find(log, "save ");
  ASSERT_NE(save.find("result 1"), std::string::npos) << Joined(log);
  ASSERT_NE(save.find("mission1cleared 1"), std::string::npos) << Joined(log);
  int money = -1;
  ASSERT_EQ(std::sscanf(save.substr(save.find("money")).c_str(), "money %d", &money), 1);

  const std::vector<std::string> slot = ReadLines("save/save00.dat");
  ASSERT_EQ(slot.size(), 44u);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  EXPECT_EQ(std::sscanf(slot[0].c_str(), "%d,%d,%d,%d,%d", &year, &month, &day, &hour, &minute), 5) << slot[0];
  EXPECT_GE(year, 2000);
  std::vector<std::string> expected = {"2", "1", std::to_string(money), "2", "0", "2", "0"};
  for (int weapon = 0; weapon < kWeaponCount; ++weapon) expected.push_back(weapon >= 1 && weapon <= 6 ? "1" : "0");
  for (int skill = 0; skill < kSkillCount; ++skill) expected.push_back("0");
  expected.push_back("1,72000,0,0");
  for (int mission = 2; mission <= 5; ++mission) expected.push_back("0,72000,0,0");
  EXPECT_EQ(std::vector<std::string>(slot.begin() + 1, slot.end()), expected);

  EXPECT_EQ(RunGame(LoadRun(), EntryScreens{LoggedMenu, EndAtTheNextMission, LoggedSaveLoad,
                                            RealEntryScreens().GalleryScreen}),
            0);
  log = EntryLog();
  EXPECT_NE(Find(log, "load ").find("result 1"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "menu 410 ").find("mission1cleared 1"), std::string::npos) << Joined(log);
  EXPECT_NE(Find(log, "mission 2 "), "") << "mission 2 was not offered\n" << Joined(log);
}

}  // namespace
}  // namespace horundel
