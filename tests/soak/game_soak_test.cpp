// The whole game played for a long stretch by seeded random input, headless on the virtual clock:
// keys are pressed and released at random each presented frame, with weights that walk the menus
// (confirm often, cancel sometimes) and fight in the missions. Escape and the window's close are
// never pressed at random; when the game ends from its title, it is started again in the same
// process until the frame total is reached, so start-up and shut-down are soaked too.
//
// Checked: no crash; the tracked allocator holds no block after each shut-down; the resident size
// stays flat once every screen has been seen; the run really reached missions and many screens.
// ZELVO_SOAK_FRAMES sets the frame total (the build gives a shorter one under the sanitizers) and
// ZELVO_SOAK_SEED the seed; a seed always plays the same game.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/menu_frame.h"
#include "game/shell/save_files.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"
#include "media/core/log.h"
#include "media/core/subsystem_hooks.h"
#include "platform/testing.h"
#include "shell/program_entry_fixture.h"

namespace horundel {
namespace {

constexpr std::uint32_t kSeed = 20261211;
constexpr int kEscapeScancode = 41;
constexpr int kRssSamplePeriod = 250;   // frames between two samples of the resident size
constexpr int kPadButtons = 8;

// The game's keys by SDL scancode, with the chance per frame (per mille) of a press in a menu and
// in battle, and how long a press is held. Enter is both confirm and the battle's equipment key,
// so battle presses it seldom; Space pauses, where giving the mission up is one of the choices.
struct SoakKey {
  const char* name;
  int scancode;
  int menuChance;
  int battleChance;
  int shortestHold;
  int longestHold;
};

constexpr SoakKey kSoakKeys[] = {
    {"Up", 82, 14, 8, 2, 6},          {"Down", 81, 14, 6, 2, 6},
    {"Left", 80, 10, 18, 2, 60},      {"Right", 79, 10, 22, 2, 60},
    {"Return", 40, 30, 1, 2, 4},      {"Right Shift", 229, 7, 12, 2, 4},
    {"A", 4, 3, 30, 2, 12},           {"S", 22, 3, 30, 2, 30},
    {"D", 7, 2, 6, 2, 12},            {"C", 6, 2, 16, 2, 24},
    {"X", 27, 2, 6, 2, 8},            {"W", 26, 2, 3, 2, 4},
    {"E", 8, 2, 3, 2, 4},             {"Space", 44, 2, 3, 2, 4},
};
constexpr int kSoakKeyCount = static_cast<int>(sizeof kSoakKeys / sizeof kSoakKeys[0]);
constexpr int kPadButtonMenuChance = 1;
constexpr int kPadButtonBattleChance = 4;

int SoakFrameTotal() {
  const char* text = std::getenv("ZELVO_SOAK_FRAMES");
  const int frames = text != nullptr ? std::atoi(text) : ZELVO_SOAK_DEFAULT_FRAMES;
  return frames > 0 ? frames : ZELVO_SOAK_DEFAULT_FRAMES;
}

std::uint32_t SoakSeed() {
  const char* text = std::getenv("ZELVO_SOAK_SEED");
  return text != nullptr ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : kSeed;
}

std::size_t ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct RssSample {
  int frame;
  std::size_t bytes;
};

// Everything the soak counts. Its hooks act on the game's own thread only, so one record serves.
struct SoakState {
  std::mt19937 random{kSeed};
  int frameTotal = 0;
  int frames = 0;                         // presented frames over every run
  std::uint64_t lastPresented = 0;
  int holdLeft[kSoakKeyCount] = {};       // frames a held key stays down; 0 up
  int padHoldLeft[kPadButtons] = {};
  bool ending = false;                    // Escape is down to end the last run
  int screenDepth = 0;                    // screens of the shell open now
  bool innermostIsMenu = false;           // the innermost of them is a RunMenu screen
  int missionDepth = 0;
  int runs = 0;
  int battleFrames = 0;
  int screenFrames = 0;
  std::map<int, int> missionsEntered;     // mission number: times entered
  std::map<int, int> missionResults;      // RunMission's result: count
  std::map<int, int> menuScreenFrames;    // RunMenu's screen number: frames shown
  std::map<std::string, int> screenCalls;  // other screens by name: calls
  std::vector<RssSample> rss;
  std::map<std::string, int> firstSeen;   // each screen and mission: the frame it first showed
  std::thread::id gameThread;
  void (*inputPump)() = nullptr;
  ShellServices shell{};                  // the game's own services, wrapped by the soak's
};
SoakState g_soak;

void PressKey(int key, bool down) { pf::testing::InjectKey(kSoakKeys[key].scancode, down); }

void ReleaseEverything() {
  for (int key = 0; key < kSoakKeyCount; ++key) {
    if (g_soak.holdLeft[key] > 0) PressKey(key, false);
    g_soak.holdLeft[key] = 0;
  }
  for (int button = 0; button < kPadButtons; ++button) {
    if (g_soak.padHoldLeft[button] > 0) pf::testing::SetPadButton(0, button, false);
    g_soak.padHoldLeft[button] = 0;
  }
}

bool InBattle() { return g_soak.missionDepth > 0 && g_soak.screenDepth == 0; }

int RandomBetween(int low, int high) { return std::uniform_int_distribution<int>(low, high)(g_soak.random); }

// One presented frame's worth of input: held keys count down and come up, others go down by chance.
void StepRandomInput() {
  const bool battle = InBattle();
  for (int key = 0; key < kSoakKeyCount; ++key) {
    if (g_soak.holdLeft[key] > 0) {
      if (--g_soak.holdLeft[key] == 0) PressKey(key, false);
      continue;
    }
    const SoakKey& soakKey = kSoakKeys[key];
    if (RandomBetween(0, 999) < (battle ? soakKey.battleChance : soakKey.menuChance)) {
      g_soak.holdLeft[key] = RandomBetween(soakKey.shortestHold, soakKey.longestHold);
      PressKey(key, true);
    }
  }
  for (int button = 0; button < kPadButtons; ++button) {
    if (g_soak.padHoldLeft[button] > 0) {
      if (--g_soak.padHoldLeft[button] == 0) pf::testing::SetPadButton(0, button, false);
      continue;
    }
    if (RandomBetween(0, 999) < (battle ? kPadButtonBattleChance : kPadButtonMenuChance)) {
      g_soak.padHoldLeft[button] = RandomBetween(2, 20);
      pf::testing::SetPadButton(0, button, true);
    }
  }
}

void MarkSeen(const std::string& what) { g_soak.firstSeen.emplace(what, g_soak.frames); }

void CountCall(const std::string& name) {
  if (++g_soak.screenCalls[name] == 1) MarkSeen(name);
}

// The frames presented since the last call, as the host counts them: those of start-up and the logo
// come in at the first screen of each run, before which the soak's pump is not in place.
void CountFrames(std::uint64_t presented) {
  const int newFrames = static_cast<int>(presented > g_soak.lastPresented ? presented - g_soak.lastPresented : presented);
  g_soak.lastPresented = presented;
  const int before = g_soak.frames;
  g_soak.frames += newFrames;
  if (InBattle()) {
    g_soak.battleFrames += newFrames;
  } else if (g_soak.screenDepth > 0) {
    g_soak.screenFrames += newFrames;
    if (g_soak.innermostIsMenu && (g_soak.menuScreenFrames[g_menu.MenuScreen] += newFrames) == newFrames) {
      MarkSeen("menu screen " + std::to_string(g_menu.MenuScreen));
    }
  }
  if (g_soak.frames / kRssSamplePeriod != before / kRssSamplePeriod) g_soak.rss.push_back({g_soak.frames, ResidentBytes()});
}

// The input subsystem's pump, followed by one step of input for every newly presented frame. Once
// the total is reached, Escape is held until the game has ended. Only the game's own thread steps
// the input, at the pump that starts each frame, so a seed always plays the same game.
void SoakPump() {
  if (g_soak.inputPump != nullptr) g_soak.inputPump();
  if (std::this_thread::get_id() != g_soak.gameThread) return;
  const std::uint64_t presented = pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr);
  if (presented == g_soak.lastPresented) return;
  CountFrames(presented);
  if (g_soak.ending) return;
  if (g_soak.frames >= g_soak.frameTotal) {
    ReleaseEverything();
    pf::testing::InjectKey(kEscapeScancode, true);
    g_soak.ending = true;
    return;
  }
  StepRandomInput();
}

// One screen open, over the battle or over another screen, for as long as it runs.
class OpenScreen {
 public:
  explicit OpenScreen(bool menu) : outerIsMenu_(g_soak.innermostIsMenu) {
    ++g_soak.screenDepth;
    g_soak.innermostIsMenu = menu;
  }
  ~OpenScreen() {
    --g_soak.screenDepth;
    g_soak.innermostIsMenu = outerIsMenu_;
  }
  OpenScreen(const OpenScreen&) = delete;
  OpenScreen& operator=(const OpenScreen&) = delete;

 private:
  bool outerIsMenu_;
};

// The screens a mission opens through the shell services.
int SoakShellMenu(int screen) {
  OpenScreen open(true);
  return g_soak.shell.RunMenu(screen);
}

void CountScreen(const char* name, void (*screen)()) {
  CountCall(name);
  OpenScreen open(false);
  screen();
}

void SoakMissionStart() { CountScreen("mission start", g_soak.shell.MissionStart); }
void SoakMissionClear() { CountScreen("mission clear", g_soak.shell.MissionClear); }
void SoakMissionFailed() { CountScreen("mission failed", g_soak.shell.MissionFailed); }
void SoakBossWarning() { CountScreen("boss warning", g_soak.shell.BossWarning); }

void SoakMissionText(int source, int number) {
  CountCall("mission text");
  OpenScreen open(false);
  g_soak.shell.PlayMissionText(source, number);
}

void SoakCgPicture(int number) {
  CountCall("picture show");
  OpenScreen open(false);
  g_soak.shell.ShowCgPicture(number);
}

// Start-up fills the hook table and the entry installs the shell services; both are wrapped again
// at the first screen of each run.
void WrapRunHooks() {
  zelvo::SubsystemHooks& input = zelvo::g_subsystems.rows[zelvo::kSubsystemInput];
  if (input.pump != SoakPump) {
    g_soak.inputPump = input.pump;
    input.pump = SoakPump;
  }
  if (g_shell.RunMenu == SoakShellMenu) return;
  g_soak.shell = g_shell;
  g_shell.RunMenu = SoakShellMenu;
  g_shell.MissionStart = SoakMissionStart;
  g_shell.MissionClear = SoakMissionClear;
  g_shell.MissionFailed = SoakMissionFailed;
  g_shell.BossWarning = SoakBossWarning;
  g_shell.PlayMissionText = SoakMissionText;
  g_shell.ShowCgPicture = SoakCgPicture;
}

int SoakMenu(int screen) {
  WrapRunHooks();
  OpenScreen open(true);
  return RealEntryScreens().RunMenu(screen);
}

int SoakMission(int mode) {
  WrapRunHooks();
  if (++g_soak.missionsEntered[g_battle.CurrentMission] == 1) {
    MarkSeen("mission " + std::to_string(g_battle.CurrentMission));
  }
  ++g_soak.missionDepth;
  const int result = RealEntryScreens().RunMission(mode);
  --g_soak.missionDepth;
  ++g_soak.missionResults[result];
  return result;
}

int SoakSaveLoad(int mode) {
  WrapRunHooks();
  CountCall(mode == kLoadMode ? "load" : "save");
  OpenScreen open(false);
  return RealEntryScreens().SaveLoadScreen(mode);
}

int SoakGallery() {
  WrapRunHooks();
  CountCall("gallery");
  OpenScreen open(false);
  return RealEntryScreens().GalleryScreen();
}

double Megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// The sanitizers keep freed memory aside and grow their own tables, so the resident size says
// nothing of the game's there; the count of live blocks still does.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

// The resident size is flat when its largest sample after the warm-up (the first 30% of the frames,
// by which the default seed's run has shown every screen and mission it reaches) stays within 4 MiB
// of the largest during it: a leak of some 60 bytes a frame or more breaks that over the rest.
constexpr int kWarmUpPercent = 30;
constexpr int kFullLengthFrames = 50000;
constexpr std::size_t kResidentSlack = 4u << 20;

struct ResidentSummary {
  std::size_t warmUpMaximum = 0;
  std::size_t warmUpEnd = 0;      // the last sample of the warm-up
  std::size_t laterMaximum = 0;
  int laterMaximumFrame = 0;
};

ResidentSummary SummariseResident(int warmUpFrames) {
  ResidentSummary summary;
  for (const RssSample& sample : g_soak.rss) {
    if (sample.frame <= warmUpFrames) {
      summary.warmUpMaximum = std::max(summary.warmUpMaximum, sample.bytes);
      summary.warmUpEnd = sample.bytes;
    } else if (sample.bytes > summary.laterMaximum) {
      summary.laterMaximum = sample.bytes;
      summary.laterMaximumFrame = sample.frame;
    }
  }
  return summary;
}

// Missions 0 and 1 cleared with money to spend, in every slot, so a load from the title opens
// mission 2 (the last the hangar offers) and the whole shop.
constexpr int kSavedMoney = 500000;

void WriteAdvancedSaves() {
  ResetNewGame();
  MissionRecords[1].cleared = 1;
  g_battle.Money = kSavedMoney;
  g_battle.Difficulty = 2;
  for (int slot = 0; slot < kSaveSlotCount; ++slot) ASSERT_EQ(WriteSaveSlot(slot), 0) << "slot " << slot;
  ResetNewGame();
}

class GameSoak : public ProgramEntryTest {
 protected:
  void SetUp() override {
    ProgramEntryTest::SetUp();
    CopyIntoFolder(std::string(ZELVO_GAMEDATA_DIR) + "/loose");
    WriteAdvancedSaves();
    pf::testing::PlugPad(0, "Soak Pad");
  }

  void TearDown() override {
    pf::testing::UnplugPad(0);
    ProgramEntryTest::TearDown();
  }

  static void Report(double cpuSeconds, int warmUpFrames, const ResidentSummary& resident) {
    std::printf("soak: seed %u, %d frames in %d runs, %.1f CPU s (%.1f us a frame)\n", SoakSeed(), g_soak.frames,
                g_soak.runs, cpuSeconds, cpuSeconds * 1e6 / std::max(g_soak.frames, 1));
    std::printf("soak: %d battle frames, %d menu and screen frames\n", g_soak.battleFrames, g_soak.screenFrames);
    for (const auto& [mission, count] : g_soak.missionsEntered) std::printf("soak: mission %d entered %d times\n", mission, count);
    for (const auto& [result, count] : g_soak.missionResults) std::printf("soak: mission result %d: %d\n", result, count);
    for (const auto& [screen, frames] : g_soak.menuScreenFrames) std::printf("soak: menu screen %d: %d frames\n", screen, frames);
    for (const auto& [name, calls] : g_soak.screenCalls) std::printf("soak: %s: %d calls\n", name.c_str(), calls);
    int lastNew = 0;
    for (const auto& [what, frame] : g_soak.firstSeen) lastNew = std::max(lastNew, frame);
    std::printf("soak: %zu screens and missions seen, the last first seen at frame %d\n", g_soak.firstSeen.size(),
                lastNew);
    for (const auto& [what, frame] : g_soak.firstSeen) {
      if (frame > warmUpFrames) std::printf("soak: %s first seen after the warm-up, at frame %d\n", what.c_str(), frame);
    }
    std::printf("soak: resident %.1f MiB at the warm-up's end (frame %d), %.1f MiB its maximum, %.1f MiB the maximum "
                "after (frame %d)\n",
                Megabytes(resident.warmUpEnd), warmUpFrames, Megabytes(resident.warmUpMaximum),
                Megabytes(resident.laterMaximum), resident.laterMaximumFrame);
  }
};

TEST_F(GameSoak, RandomInputThroughMenusAndMissionsLeavesNoBlockAndNoGrowth) {
  g_soak.frameTotal = SoakFrameTotal();
  g_soak.random.seed(SoakSeed());
  g_soak.gameThread = std::this_thread::get_id();
  // Profile B: no usable Direct3D device, so the game draws in software rendering.
  pf::testing::SetDirect3DProfile('B');
  const double cpuAtStart = CpuSeconds();
  while (!g_soak.ending) {
    // Each run starts from the default configuration: random keys on KEY CONFIG rebind the actions
    // (confirm onto an arrow, say), and bindings kept from run to run would leave the soak going
    // round the title.
    std::filesystem::remove(folder_ + "/save/saveconfig.dat");
    ClearQuitRequest();
    g_entryScreens = EntryScreens{SoakMenu, SoakMission, SoakSaveLoad, SoakGallery};
    ++g_soak.runs;
    const int framesBefore = g_soak.frames;
    ASSERT_EQ(WinMain(), 0) << "run " << g_soak.runs << " at frame " << g_soak.frames;
    ReleaseEverything();
    // The library's shut-down ends with the dump of every block still live: it must list none.
    const zelvo::TrackedTotals left = zelvo::TrackedAllocatorTotals();
    ASSERT_EQ(left.liveCount, 0) << "blocks left after run " << g_soak.runs << " (" << left.liveBytes << " bytes)";
    ASSERT_GT(g_soak.frames, framesBefore) << "run " << g_soak.runs << " presented no frame";
  }
  pf::testing::InjectKey(kEscapeScancode, false);
  const int warmUpFrames = g_soak.frameTotal * kWarmUpPercent / 100;
  const ResidentSummary resident = SummariseResident(warmUpFrames);
  Report(CpuSeconds() - cpuAtStart, warmUpFrames, resident);

  // A full-length soak reaches the training, mission 1 and most menu screens; a short one (under the
  // sanitizers) at least a mission and the screens on the way to it.
  const bool fullLength = g_soak.frameTotal >= kFullLengthFrames;
  EXPECT_GE(g_soak.frames, g_soak.frameTotal);
  EXPECT_GE(g_soak.missionsEntered.size(), fullLength ? 2u : 1u);
  EXPECT_GT(g_soak.battleFrames, g_soak.frames / 20);
  EXPECT_GE(g_soak.menuScreenFrames.size(), fullLength ? 16u : 8u);
  if (kResidentSizeMeaningful) {
    EXPECT_LE(resident.laterMaximum, resident.warmUpMaximum + kResidentSlack)
        << "resident size grew after the warm-up: " << Megabytes(resident.warmUpMaximum) << " MiB then "
        << Megabytes(resident.laterMaximum) << " MiB at frame " << resident.laterMaximumFrame;
  }
}

}  // namespace
}  // namespace horundel
