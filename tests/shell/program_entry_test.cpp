// The program entry: the new-game reset, the logo's fade curve, the dispatch of the title and
// mission-select choices (with scripted screens in place of the real ones) and the configuration
// file written before the library starts.
#include <ostream>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/mission_select.h"
#include "game/shell/save_files.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"
#include "platform/testing.h"
#include "program_entry_fixture.h"

namespace horundel {
namespace {

TEST(NewGameReset, SetsTheNewGameRecordsAndKeepsDifficultyAndSettings) {
  g_battle.CurrentMission = 4;
  g_battle.HpGaugeCount = 6;
  g_battle.AirBoostLevel = 2;
  g_battle.Money = 99999;
  g_battle.WeaponSlotCount = 5;
  for (WeaponSlotRecord& slot : g_battle.WeaponSlot) slot = WeaponSlotRecord{1, 9, 50, 7};
  for (WeaponRecord& weapon : WeaponRecords) weapon.owned = 1;
  WeaponRecords[1].owned = 0;
  for (SkillRecord& skill : SkillRecords) skill.owned = 1;
  for (MissionRecord& mission : MissionRecords) mission = MissionRecord{"m", {}, 1, 100, 40, 5000};
  g_battle.Difficulty = 3;
  g_battle.AdviceIndex = 7;
  g_battle.CurrentWeaponSlot = 2;
  GameSettings.seVolume = 77;

  ResetNewGame();

  EXPECT_EQ(g_battle.CurrentMission, 0);
  EXPECT_EQ(g_battle.HpGaugeCount, 2);
  EXPECT_EQ(g_battle.AirBoostLevel, 0);
  EXPECT_EQ(g_battle.Money, 0);
  EXPECT_EQ(g_battle.WeaponSlotCount, 2);
  for (int slot = 0; slot <= kLastCarriedSlot; ++slot) {
    const WeaponSlotRecord& record = g_battle.WeaponSlot[slot];
    EXPECT_EQ(record.used, slot == 0 ? 1 : 0) << "slot " << slot;
    EXPECT_EQ(record.weapon, 0) << "slot " << slot;
    EXPECT_EQ(record.ammunition, 0) << "slot " << slot;
    EXPECT_EQ(record.countdown, 0) << "slot " << slot;
  }
  for (int weapon = 0; weapon < kWeaponCount; ++weapon) {
    EXPECT_EQ(WeaponRecords[weapon].owned, weapon >= 1 && weapon <= 6 ? 1 : 0) << "weapon " << weapon;
  }
  for (const SkillRecord& skill : SkillRecords) EXPECT_EQ(skill.owned, 0);
  for (int mission = 0; mission < kMissionCount; ++mission) {
    EXPECT_EQ(MissionRecords[mission].cleared, mission == 0 ? 1 : 0) << "mission " << mission;
    EXPECT_EQ(MissionRecords[mission].bestTime, 72000) << "mission " << mission;
    EXPECT_EQ(MissionRecords[mission].maxHit, 0) << "mission " << mission;
    EXPECT_EQ(MissionRecords[mission].highScore, 0) << "mission " << mission;
    EXPECT_STREQ(MissionRecords[mission].name, "m") << "the mission texts are not game state";
  }
  EXPECT_EQ(g_battle.Difficulty, 3);
  EXPECT_EQ(g_battle.AdviceIndex, 7);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);
  EXPECT_EQ(GameSettings.seVolume, 77);
}

TEST(LogoFade, RisesOutOfBlackByFrame32HoldsAndIsBlackAgainFromFrame152) {
  std::vector<int> blackness(kLogoFrames + 1);
  blackness[0] = 255;
  for (int frame = 1; frame <= kLogoFrames; ++frame) blackness[frame] = StepLogoBlackness(blackness[frame - 1], frame);
  EXPECT_EQ(blackness[1], 247);
  EXPECT_EQ(blackness[31], 7);
  EXPECT_EQ(blackness[32], 0);
  for (int frame = 32; frame <= 120; ++frame) ASSERT_EQ(blackness[frame], 0) << "frame " << frame;
  EXPECT_EQ(blackness[121], 8);
  EXPECT_EQ(blackness[151], 248);
  for (int frame = 152; frame <= kLogoFrames; ++frame) ASSERT_EQ(blackness[frame], 255) << "frame " << frame;
}

// Screens that return results from a script and log how they were called, with the game state the
// entry handed them.
struct ScriptedScreens {
  static inline std::vector<int> results;
  static inline std::vector<std::string> calls;
  static inline std::vector<int> moneyAtTitle;
  static inline std::vector<int> difficultyAtTitle;
  static inline std::vector<int> missionAtPlay;
  static inline int presentedAtTitle = -1;

  static int Next() {
    if (results.empty()) {
      ADD_FAILURE() << "the entry asked for more screens than the script holds";
      return kQuitResult;
    }
    const int result = results.front();
    results.erase(results.begin());
    return result;
  }
  static int Menu(int screen) {
    calls.push_back("menu " + std::to_string(screen));
    if (screen == kMenuTitle) {
      moneyAtTitle.push_back(g_battle.Money);
      difficultyAtTitle.push_back(g_battle.Difficulty);
      if (presentedAtTitle < 0) presentedAtTitle = static_cast<int>(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr));
    }
    return Next();
  }
  // A played mission earns money and clears the mission; the difficulty menu would set 2.
  static int Mission(int mode) {
    calls.push_back("mission " + std::to_string(mode));
    missionAtPlay.push_back(g_battle.CurrentMission);
    g_battle.Money += 500;
    g_battle.Difficulty = 2;
    return Next();
  }
  static int SaveLoad(int mode) {
    calls.push_back(mode == kLoadMode ? "load" : "save");
    return Next();
  }
  static int Gallery() {
    calls.push_back("gallery");
    return Next();
  }
  static void Install() {
    calls.clear();
    moneyAtTitle.clear();
    difficultyAtTitle.clear();
    missionAtPlay.clear();
    presentedAtTitle = -1;
    g_entryScreens = EntryScreens{Menu, Mission, SaveLoad, Gallery};
  }
};

struct DispatchCase {
  const char* name;
  std::vector<int> results;
  std::vector<std::string> calls;
};
void PrintTo(const DispatchCase& dispatch, std::ostream* out) { *out << dispatch.name; }

class EntryDispatch : public ProgramEntryTest, public ::testing::WithParamInterface<DispatchCase> {};

constexpr int kQuit = kQuitResult;

const DispatchCase kDispatchCases[] = {
    {"QuitFromTheTitleMenu", {kTitleQuit}, {"menu 0"}},
    {"QuitResultFromTheTitle", {kQuit}, {"menu 0"}},
    {"TutorialThenMissionSelectWithoutSaveOffer",
     {kTitleStartWithTutorial, 0, kQuit},
     {"menu 0", "mission 3", "menu 410"}},
    {"QuitDuringTheTutorialEndsWithoutTheMissionSelect", {kTitleStartWithTutorial, kQuit}, {"menu 0", "mission 3"}},
    {"PlayedMissionIsFollowedByTheSaveOffer",
     {kTitleStart, kChoicePlayMission, 0, 1, kQuit},
     {"menu 0", "menu 410", "mission 3", "save", "menu 410"}},
    {"DeclinedSaveOfferReturnsToTheMissionSelect",
     {kTitleStart, kChoicePlayMission, 0, 0, kChoiceBackToTitle, kTitleQuit},
     {"menu 0", "menu 410", "mission 3", "save", "menu 410", "menu 0"}},
    {"MissionEndedByQuitGetsNoSaveOffer", {kTitleStart, kChoicePlayMission, kQuit}, {"menu 0", "menu 410", "mission 3"}},
    {"MissionEndedByEscapeGetsNoSaveOffer", {kTitleStart, kChoicePlayMission, 1}, {"menu 0", "menu 410", "mission 3"}},
    {"QuitInTheSaveOfferEnds", {kTitleStart, kChoicePlayMission, 0, kQuit}, {"menu 0", "menu 410", "mission 3", "save"}},
    {"LoadBackedOutOfReturnsToTheTitleThenLoadedGoesOn",
     {kTitleLoad, 0, kTitleLoad, 1, kQuit},
     {"menu 0", "load", "menu 0", "load", "menu 410"}},
    {"QuitInTheLoadScreenEnds", {kTitleLoad, kQuit}, {"menu 0", "load"}},
    {"GalleryReturnsToTheTitle", {kTitleGallery, 0, kTitleQuit}, {"menu 0", "gallery", "menu 0"}},
    {"QuitInTheGalleryEnds", {kTitleGallery, kQuit}, {"menu 0", "gallery"}},
    {"ShopAndSaveReturnToTheMissionSelect",
     {kTitleStart, kChoiceShop, 0, kChoiceSave, 1, kChoiceBackToTitle, kTitleQuit},
     {"menu 0", "menu 410", "menu 370", "menu 410", "save", "menu 410", "menu 0"}},
    {"QuitInTheShopEnds", {kTitleStart, kChoiceShop, kQuit}, {"menu 0", "menu 410", "menu 370"}},
    {"UnknownChoicesRunTheirMenuAgain", {7, kTitleStart, 9, kQuit}, {"menu 0", "menu 0", "menu 410", "menu 410"}},
};

TEST_P(EntryDispatch, CallsTheScreensInOrderAndEndsNormally) {
  ScriptedScreens::Install();
  ScriptedScreens::results = GetParam().results;
  EXPECT_EQ(WinMain(), 0);
  EXPECT_EQ(ScriptedScreens::calls, GetParam().calls);
  EXPECT_TRUE(ScriptedScreens::results.empty()) << "script left over";
}

INSTANTIATE_TEST_SUITE_P(Choices, EntryDispatch, ::testing::ValuesIn(kDispatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramEntryTest, EveryTitlePassStartsANewGameButKeepsTheDifficulty) {
  ScriptedScreens::Install();
  ScriptedScreens::results = {kTitleStart, kChoicePlayMission, 0, 0, kChoiceBackToTitle, kTitleQuit};
  g_battle.Difficulty = 1;
  ASSERT_EQ(WinMain(), 0);
  EXPECT_EQ(ScriptedScreens::missionAtPlay, (std::vector<int>{0}));
  EXPECT_EQ(ScriptedScreens::moneyAtTitle, (std::vector<int>{0, 0}));
  EXPECT_EQ(ScriptedScreens::difficultyAtTitle, (std::vector<int>{1, 2}));
}

TEST_F(ProgramEntryTest, TheLogoTakesOneHundredSixtyFramesAfterTheLoadingFrame) {
  // What start-up itself presents, measured by a start of its own.
  ASSERT_EQ(StartUpLibrary(), 0);
  const int startUpFrames = static_cast<int>(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr));
  ASSERT_EQ(ShutDownLibrary(), 0);
  ScriptedScreens::Install();
  ScriptedScreens::results = {kTitleQuit};
  ASSERT_EQ(WinMain(), 0);
  // The host counts on across both starts: the entry's start-up, the loading text, then the logo.
  EXPECT_EQ(ScriptedScreens::presentedAtTitle, 2 * startUpFrames + 1 + kLogoFrames) << "start-up presents " << startUpFrames;
}

// A copy that cannot start (a second copy, say) leaves the folder as it found it.
TEST_F(ProgramEntryTest, FailedStartUpReturnsMinusOneAndWritesNoFile) {
  ScriptedScreens::Install();
  pf::testing::SetHeadlessDesktop(1024, 768, 24);   // the library refuses 24-bit colour in a window
  EXPECT_EQ(WinMain(), -1);
  EXPECT_TRUE(ScriptedScreens::calls.empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder_ + "/save"));
}

TEST_F(ProgramEntryTest, TheDefaultConfigurationIsWrittenOnceTheGameRuns) {
  ScriptedScreens::Install();
  ScriptedScreens::results = {kTitleQuit};
  GalleryFlags[4] = 1;   // cleared by the entry before the file is read
  EXPECT_EQ(WinMain(), 0);
  const std::vector<std::string> lines = ReadLines("save/saveconfig.dat");
  ASSERT_EQ(lines.size(), 68u);
  const std::vector<std::string> settings(lines.begin(), lines.begin() + 7);
  EXPECT_EQ(settings, (std::vector<std::string>{"0", "60", "30", "1", "2", "0", "0"}));
  EXPECT_EQ(lines[7], "200") << "the first key binding: up on the up arrow";
  for (int flag = 0; flag < kGalleryFlagCount; ++flag) EXPECT_EQ(lines[37 + flag], "0") << "gallery flag " << flag;
}

TEST_F(ProgramEntryTest, ExistingConfigurationIsReadBeforeStartUpAndWrittenBack) {
  std::string config;
  const char* settings[] = {"1", "200", "10", "1", "3", "1", "1"};
  for (const char* value : settings) config += std::string(value) + "\r\n";
  for (int entry = 0; entry < 15; ++entry) config += std::to_string(entry == 4 ? 44 : 30 + entry) + "\r\n" + std::to_string(4 + entry) + "\r\n";
  for (int flag = 0; flag < kGalleryFlagCount; ++flag) config += (flag == 2 ? "1\r\n" : "0\r\n");
  std::ofstream(folder_ + "/save/saveconfig.dat", std::ios::binary) << config;
  ScriptedScreens::Install();
  ScriptedScreens::results = {kTitleQuit};
  EXPECT_EQ(WinMain(), 0);
  EXPECT_EQ(ReadFile("save/saveconfig.dat"), config);
  EXPECT_EQ(GalleryFlags[2], 1);
  EXPECT_EQ(GameSettings.hitWait, 3);
}

}  // namespace
}  // namespace horundel
