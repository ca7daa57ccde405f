// The whole game played through, headless, on the virtual clock, for each difficulty a new game
// offers (easy, hard), each rendering mode (Direct3D, and software rendering where the device cannot
// be made) and each form of the generated data set (loose files, packed archives). One run is one
// process, as the game is: a new game with the tutorial, the training played to its end, mission 1
// cleared and saved into slot 1, mission 2 cleared and saved into slot 2. The saved slots must hold
// the records the game had when they were saved, and a second process that loads slot 2 must find
// mission 2 open. The same configuration played twice gives the same run, frame for frame.
//
// The missions are played by the battle tests' scripted players on the generated maps. The player
// is scripted in the child process: keys whose frame is known beforehand come from the host's
// input script; the rest (menus reached after a mission of unknown length, the clear screens,
// the save offers) are pressed from the input subsystem's place in the message pump. Where a run
// is compared with another, every presented frame is folded into a hash as the host is given it.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"
#include "media/core/random.h"
#include "media/core/subsystem_hooks.h"
#include "media/display/screen_state.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "shell/program_entry_fixture.h"
#include "support/base_attack_player.h"
#include "support/mission_two_player.h"
#include "support/training_player.h"

namespace horundel {
namespace {

constexpr const char* kRunLog = "run_log.txt";
constexpr int kReturnScancode = 40;
constexpr int kEscapeScancode = 41;
constexpr int kDownScancode = 81;
constexpr int kRightShiftScancode = 229;   // the cancel key: pages mission texts, unbound in battle
constexpr int kClearScreenSteps = 7;
constexpr int kHangarFadeFrames = 32;
constexpr int kHangarRows = 3;   // missions 0 to 2 at most
// One run of the whole game on a slow two-core machine under the sanitizers takes some minutes; a
// run past this has hung. The suite's own timeout for the test is above two such runs.
constexpr unsigned kRunTimeLimitSeconds = 900;

std::uint64_t PresentedFrames() { return pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr); }

// The pilot's pump runs on the message thread as well as on the main thread, while the game's
// screens queue presses from the main thread between library calls: the pilot's presses and
// settings are shared under this lock.
std::mutex g_pilotMutex;

std::uint64_t TakeStageHash();
// Where frames are hashed, each line carries the hash of the frames presented since the line before,
// so a run that parts from another shows where.
void Log(const std::string& line) {
  const std::uint64_t stageHash = TakeStageHash();
  std::ofstream(kRunLog, std::ios::app) << line << (stageHash != 0 ? " #" + std::to_string(stageHash) : "") << "\n";
}

// ---------------------------------------------------------------- the player in the child process

// Every presented frame folded into one FNV-style hash, two pixels a step, as the host is given it;
// only where a run is to be compared with another, since hashing each frame costs time. Frames are
// presented on the game's thread and stages end on it too, while the message thread pumps: the hash
// has its own lock, taken inside the host's present.
struct FrameHash {
  static inline bool enabled = false;
  static inline std::mutex mutex;
  static inline std::uint64_t hash = 1469598103934665603ull;
  static inline bool paused = false;
  static inline std::uint64_t skipped = 0;

  static void Fold(std::uint64_t, const std::uint32_t* pixels, int width, int height) {
    std::lock_guard<std::mutex> lock(mutex);
    if (paused) {
      ++skipped;
      return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::uint64_t h = hash ^ (static_cast<std::uint64_t>(width) << 32 | static_cast<std::uint32_t>(height));
    for (std::size_t i = 0; i + 1 < count; i += 2) {
      h = (h ^ (static_cast<std::uint64_t>(pixels[i]) << 32 | pixels[i + 1])) * 1099511628211ull;
    }
    if (count % 2 != 0) h = (h ^ pixels[count - 1]) * 1099511628211ull;
    hash = h;
  }

  static void Pause(bool on) {
    std::lock_guard<std::mutex> lock(mutex);
    paused = on;
  }
};

std::uint64_t TakeStageHash() {
  if (!FrameHash::enabled) return 0;
  std::lock_guard<std::mutex> lock(FrameHash::mutex);
  const std::uint64_t stageHash = FrameHash::hash;
  FrameHash::hash = 1469598103934665603ull;
  return stageHash;
}

// Keys pressed from the message pump: a press goes down on its frame and up two frames later.
// In the hangar the pilot steps the mission list down until the wanted mission is highlighted and
// then chooses it; during a mission the cancel key, unbound in battle, pages the mission texts.
struct Pilot {
  struct Press {
    std::uint64_t frame;
    int scancode;
    int stage;   // 0 waiting, 1 down, 2 done
  };
  static inline std::vector<Press> presses;
  static inline void (*inputPump)() = nullptr;
  static inline int hangarTarget = -1;        // the mission to choose in the hangar; -1 none
  static inline std::uint64_t hangarFrom = 0;  // no key before the hangar has faded in
  static inline bool pageTexts = false;
  static inline int hangarSteps = 0;

  static void Install() {
    inputPump = zelvo::g_subsystems.rows[zelvo::kSubsystemInput].pump;
    zelvo::g_subsystems.rows[zelvo::kSubsystemInput].pump = Pump;
  }

  // Queue with the lock held; Add from the game's side.
  static void Queue(int after, int scancode) { presses.push_back({PresentedFrames() + after, scancode, 0}); }
  static void Add(int after, int scancode) {
    std::lock_guard<std::mutex> lock(g_pilotMutex);
    Queue(after, scancode);
  }
  static bool Idle() {
    for (const Press& press : presses) {
      if (press.stage != 2) return false;
    }
    return true;
  }

  // A mission that is not open is never highlighted: after a round of the list the game is ended.
  static void SteerHangar() {
    const std::uint64_t now = PresentedFrames();
    if (hangarTarget < 0 || now < hangarFrom || !Idle()) return;
    if (g_battle.CurrentMission == hangarTarget) {
      Queue(0, kReturnScancode);
      hangarTarget = -1;
    } else if (++hangarSteps > kHangarRows) {
      Queue(0, kEscapeScancode);
      hangarTarget = -1;
    } else {
      Queue(0, kDownScancode);
      hangarFrom = now + 12;
    }
  }

  static void Pump() {
    if (inputPump != nullptr) inputPump();
    std::lock_guard<std::mutex> lock(g_pilotMutex);
    const std::uint64_t now = PresentedFrames();
    if (pageTexts && now % 8 == 0) Queue(0, kRightShiftScancode);
    SteerHangar();
    for (Press& press : presses) {
      if (press.stage == 0 && now >= press.frame) {
        pf::testing::InjectKey(press.scancode, true);
        press.stage = 1;
      } else if (press.stage == 1 && now >= press.frame + 2) {
        pf::testing::InjectKey(press.scancode, false);
        press.stage = 2;
      }
    }
    std::erase_if(presses, [](const Press& press) { return press.stage == 2; });
  }
};

// The save-file lines the records give at this moment, from the second line on (the first is the date).
std::string ExpectedSlotLines() {
  std::ostringstream out;
  out << (MissionRecords[1].cleared == 0 ? 1 : 2) << "|" << g_battle.Difficulty << "|" << g_battle.Money << "|"
      << g_battle.HpGaugeCount << "|" << g_battle.AirBoostLevel << "|" << g_battle.WeaponSlotCount << "|"
      << g_battle.AdviceIndex;
  for (const WeaponRecord& weapon : WeaponRecords) out << "|" << weapon.owned;
  for (const SkillRecord& skill : SkillRecords) out << "|" << skill.owned;
  for (int mission = 1; mission <= 5; ++mission) {
    const MissionRecord& record = MissionRecords[mission];
    out << "|" << (record.cleared != 0 ? 1 : 0) << "," << record.bestTime << "," << record.maxHit << ","
        << record.highScore;
  }
  return out.str();
}

void SetShared(bool* flag, bool value) {
  std::lock_guard<std::mutex> lock(g_pilotMutex);
  *flag = value;
}

struct Screens {
  static inline void (*drawHud)(int) = nullptr;
  static inline int (*runMenu)(int) = nullptr;
  static inline void (*clearScreen)() = nullptr;
  static inline void (*player)() = nullptr;
  static inline int savesMade = 0;
  static inline bool pilotInstalled = false;
  static inline int hangarVisits = 0;

  static int Menu(int screen) {
    // The library registers its pump when it starts, so the pilot goes in at the first screen; the
    // rendering mode start-up settled on is read then too (the game keeps its log file off).
    if (!pilotInstalled) {
      Pilot::Install();
      pilotInstalled = true;
      Log(zelvo::IsSoftwareRenderMode() != 0 ? "startup software" : "startup direct3d");
    }
    if (screen == kMenuMissionSelect) {
      // After the training: mission 1; after mission 1's save offer: mission 2; then the end.
      const int target = hangarVisits < 2 ? hangarVisits + 1 : -1;
      ++hangarVisits;
      std::lock_guard<std::mutex> lock(g_pilotMutex);
      Pilot::hangarTarget = target;
      Pilot::hangarSteps = 0;
      Pilot::hangarFrom = PresentedFrames() + kHangarFadeFrames + 8;
      if (target < 0) Pilot::Queue(kHangarFadeFrames + 8, kEscapeScancode);
    }
    const std::uint64_t from = PresentedFrames();
    const int result = RealEntryScreens().RunMenu(screen);
    Log("menu " + std::to_string(screen) + " frames " + std::to_string(from) + "-" +
        std::to_string(PresentedFrames()) + " result " + std::to_string(result) + " current " +
        std::to_string(g_battle.CurrentMission));
    return result;
  }

  static int Mission(int mode) {
    const int mission = g_battle.CurrentMission;
    if (mission == 0) player = PlayTraining;
    if (mission == 1) player = PlayBaseAttack;
    if (mission == 2) player = PlayMissionTwo;
    drawHud = g_shell.DrawBattleHud;
    runMenu = g_shell.RunMenu;
    clearScreen = g_shell.MissionClear;
    g_shell.DrawBattleHud = [](int hudMode) {
      drawHud(hudMode);
      if (hudMode == 0) player();
    };
    // The player pauses only when the mission runs far too long: giving up then ends the run.
    g_shell.RunMenu = [](int screen) { return screen == kMenuPause ? 1 : runMenu(screen); };
    g_shell.MissionClear = [] {
      Log("clear " + std::to_string(g_battle.CurrentMission) + " at " + std::to_string(PresentedFrames()));
      for (int step = 0; step < kClearScreenSteps; ++step) Pilot::Add(10 + 20 * step, kReturnScancode);
      clearScreen();
    };
    SetShared(&Pilot::pageTexts, true);
    zelvo::SeedRandom(20261211 + mission);
    const std::uint64_t from = PresentedFrames();
    const int result = RealEntryScreens().RunMission(mode);
    SetShared(&Pilot::pageTexts, false);
    g_shell.DrawBattleHud = drawHud;
    g_shell.RunMenu = runMenu;
    g_shell.MissionClear = clearScreen;
    ScriptedPad::ReleaseAll();
    Log("mission " + std::to_string(mission) + " frames " + std::to_string(from) + "-" +
        std::to_string(PresentedFrames()) + " result " + std::to_string(result) + " phase " +
        std::to_string(g_battle.MissionPhase) + " played " + std::to_string(g_battle.MissionFrames) + " score " +
        std::to_string(g_battle.MissionScore) + " money " + std::to_string(g_battle.Money));
    return result;
  }

  // The save offer after each mission: slot 1 after mission 1, slot 2 after mission 2.
  static int SaveLoad(int mode) {
    if (mode == kSaveMode) {
      const int slot = savesMade;
      for (int step = 0; step < slot; ++step) Pilot::Add(70 + 10 * step, kDownScancode);
      Pilot::Add(100, kReturnScancode);
      Pilot::Add(120, kReturnScancode);
    }
    const std::uint64_t from = PresentedFrames();
    // The slot list shows the wall-clock time of each save, which no two runs share.
    FrameHash::Pause(true);
    const int result = RealEntryScreens().SaveLoadScreen(mode);
    FrameHash::Pause(false);
    std::string line = std::string(mode == kLoadMode ? "load" : "save") + " frames " + std::to_string(from) + "-" +
                       std::to_string(PresentedFrames()) + " result " + std::to_string(result);
    if (mode == kSaveMode && result == 1) line += " slot " + std::to_string(savesMade++) + " lines " + ExpectedSlotLines();
    if (mode == kLoadMode) {
      line += " open " + std::to_string(MissionRecords[1].cleared);
      hangarVisits = 1;   // a loaded game goes on with mission 2
    }
    Log(line);
    return result;
  }
};

// The load run ends where mission 2 would start.
int EndAtTheChosenMission(int) {
  Log("mission " + std::to_string(g_battle.CurrentMission) + " chosen");
  return kQuitResult;
}

// ---------------------------------------------------------------- the test side

struct Configuration {
  int difficulty;        // as the difficulty menu sets it: 1 easy, 3 hard
  char direct3DProfile;  // 'A' a working device; 'B' none, so the game draws in software rendering
  const char* dataSet;   // "loose" or "packed"
};

void PrintTo(const Configuration& c, std::ostream* out) {
  *out << "difficulty " << c.difficulty << " profile " << c.direct3DProfile << " " << c.dataSet;
}

std::string ConfigurationName(const Configuration& c) {
  return std::string(c.difficulty == 1 ? "Easy" : "Hard") + (c.direct3DProfile == 'A' ? "Direct3D" : "Software") +
         (c.dataSet[0] == 'l' ? "Loose" : "Packed");
}

// A frame-stamped input script: the title, the difficulty and the tutorial prompt.
std::string NewGameScript(int difficulty) {
  std::ostringstream text;
  auto key = [&text](const char* name, int frame) {
    text << frame << " key " << name << " down\n" << frame + 2 << " key " << name << " up\n";
  };
  key("Return", 220);                                           // START GAME
  for (int row = 1; row < difficulty; ++row) key("Down", 230 + 6 * row);
  key("Return", 250);                                           // the difficulty
  key("Return", 270);                                           // tutorial: YES
  return text.str();
}

std::string LoadScript() {
  std::ostringstream text;
  auto key = [&text](const char* name, int frame) {
    text << frame << " key " << name << " down\n" << frame + 2 << " key " << name << " up\n";
  };
  key("Down", 220);     // LOAD GAME
  key("Return", 240);
  key("Down", 270);     // slot 2
  key("Return", 280);
  key("Return", 300);   // "ロードしました"
  return text.str();
}

class PlayThrough : public ProgramEntryTest {
 protected:
  // The data set linked in read-only, maps and archives included; what the game writes (the
  // temporary map, saves, screenshots) is the folder's own, so nothing is written through into it.
  void LinkDataSet(const char* dataSet) {
    // The fixture's copies of the files the entry checks for give way to the whole set.
    for (const char* required : kRequiredGameFiles) {
      const std::string name = required;
      std::filesystem::remove_all(folder_ + "/" + name.substr(0, name.find_first_of("\\/")));
    }
    const std::filesystem::path data = std::filesystem::path(ZELVO_GAMEDATA_DIR) / dataSet;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
      const std::string name = entry.path().filename().string();
      if (name == "save" || name == "ss") continue;
      if (name == "tempmap.dat") {
        std::filesystem::copy_file(entry.path(), folder_ + "/" + name);
        continue;
      }
      std::filesystem::create_symlink(entry.path(), folder_ + "/" + name);
    }
    std::filesystem::create_directories(folder_ + "/ss");
  }

  // One run of the game in a child process; its exit status, or -1 when it did not exit.
  int RunGame(const std::string& script, EntryScreens screens, char direct3DProfile) {
    std::filesystem::remove(folder_ + "/" + kRunLog);
    return RunInChild(script, screens, direct3DProfile, [] {
      if (FrameHash::enabled) pf::testing::WatchPresentedFrames(FrameHash::Fold);
      const int result = WinMain();
      pf::testing::WatchPresentedFrames(nullptr);
      Log("presented " + std::to_string(PresentedFrames()) + " unhashed " + std::to_string(FrameHash::skipped));
      return result;
    }, kRunTimeLimitSeconds);
  }

  // The whole first run; its log.
  std::vector<std::string> PlayWholeGame(const Configuration& c) {
    const int status = RunGame(NewGameScript(c.difficulty),
                               EntryScreens{Screens::Menu, Screens::Mission, Screens::SaveLoad,
                                            RealEntryScreens().GalleryScreen},
                               c.direct3DProfile);
    EXPECT_EQ(status, 0);
    return LogLines(kRunLog);
  }

  // The slot file's lines after its date, joined as the run logged the records.
  std::string SlotLinesAfterTheDate(int slot) const {
    const std::vector<std::string> lines = ReadLines("save/save0" + std::to_string(slot) + ".dat");
    if (lines.size() != 44u) return "expected 44 lines, found " + std::to_string(lines.size());
    std::string joined;
    for (std::size_t i = 1; i < lines.size(); ++i) joined += (i > 1 ? "|" : "") + lines[i];
    return joined;
  }
};

class PlayThroughMatrix : public PlayThrough, public ::testing::WithParamInterface<Configuration> {};

TEST_P(PlayThroughMatrix, EveryMissionIsClearedSavedAndLoaded) {
  const Configuration c = GetParam();
  LinkDataSet(c.dataSet);
  const std::vector<std::string> log = PlayWholeGame(c);
  const std::string all = Joined(log);

  EXPECT_EQ(Find(log, "startup "), c.direct3DProfile == 'A' ? "startup direct3d" : "startup software") << all;
  EXPECT_NE(Find(log, "menu 0 ").find("result 1"), std::string::npos) << all;
  EXPECT_NE(Find(log, "mission 0 ").find("result 0 phase 100"), std::string::npos) << "training\n" << all;
  EXPECT_NE(Find(log, "clear 1 "), "") << all;
  EXPECT_NE(Find(log, "mission 1 ").find("result 0 phase 100"), std::string::npos) << all;
  EXPECT_NE(Find(log, "clear 2 "), "") << all;
  EXPECT_NE(Find(log, "mission 2 ").find("result 0 phase 100 played 18001"), std::string::npos) << all;

  // Each save holds the records of its moment: mission 1 alone cleared in slot 1, both in slot 2.
  for (int slot = 0; slot <= 1; ++slot) {
    std::string expected;
    const std::string marker = " slot " + std::to_string(slot) + " lines ";
    for (const std::string& line : log) {
      const std::size_t at = line.find(marker);
      if (line.rfind("save ", 0) == 0 && at != std::string::npos) expected = line.substr(at + marker.size());
    }
    ASSERT_NE(expected, "") << "no save into slot " << slot + 1 << "\n" << all;
    EXPECT_EQ(SlotLinesAfterTheDate(slot), expected) << "slot " << slot + 1;
    EXPECT_EQ(expected.substr(0, 2 + std::to_string(c.difficulty).size()), "2|" + std::to_string(c.difficulty));
    const std::string missionTwo = "|" + std::string(slot == 0 ? "0,72000,0,0" : "1,");
    EXPECT_NE(expected.find(missionTwo), std::string::npos) << expected;
  }

  ASSERT_EQ(RunGame(LoadScript(),
                    EntryScreens{Screens::Menu, EndAtTheChosenMission, Screens::SaveLoad,
                                 RealEntryScreens().GalleryScreen},
                    c.direct3DProfile),
            0);
  const std::vector<std::string> loaded = LogLines(kRunLog);
  EXPECT_EQ(Find(loaded, "load ").find("result 1 open 1") != std::string::npos, true) << Joined(loaded);
  EXPECT_EQ(Find(loaded, "mission 2 chosen"), "mission 2 chosen") << Joined(loaded);
}

const Configuration kEasyConfigurations[] = {
    {1, 'A', "loose"}, {1, 'A', "packed"}, {1, 'B', "loose"}, {1, 'B', "packed"},
};
const Configuration kHardConfigurations[] = {
    {3, 'A', "loose"}, {3, 'A', "packed"}, {3, 'B', "loose"}, {3, 'B', "packed"},
};

std::string NameOf(const ::testing::TestParamInfo<Configuration>& info) { return ConfigurationName(info.param); }

INSTANTIATE_TEST_SUITE_P(Configurations, PlayThroughMatrix, ::testing::ValuesIn(kEasyConfigurations), NameOf);
INSTANTIATE_TEST_SUITE_P(HardConfigurations, PlayThroughMatrix, ::testing::ValuesIn(kHardConfigurations), NameOf);

// Frame counts, scores, money, the saved slots and every presented frame the same in a second run.
TEST_F(PlayThrough, TheSameConfigurationPlaysTheSameTwice) {
  const Configuration c{1, 'B', "loose"};
  FrameHash::enabled = true;
  LinkDataSet(c.dataSet);
  std::vector<std::string> first = PlayWholeGame(c);
  const std::string slotsFirst = SlotLinesAfterTheDate(0) + "\n" + SlotLinesAfterTheDate(1);
  std::filesystem::remove_all(folder_ + "/save");
  std::filesystem::create_directories(folder_ + "/save");
  std::vector<std::string> second = PlayWholeGame(c);
  const std::string slotsSecond = SlotLinesAfterTheDate(0) + "\n" + SlotLinesAfterTheDate(1);
  ASSERT_NE(Find(first, "presented "), "") << Joined(first);
  EXPECT_EQ(Joined(second), Joined(first));
  EXPECT_EQ(slotsSecond, slotsFirst);
}

}  // namespace
}  // namespace horundel
