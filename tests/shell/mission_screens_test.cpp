// The scripted screens around a mission: their frame counts and world passes on the headless host,
// the fades' alpha on the presented frames, the boss defeat's effects for a fixed seed, and the
// clear screen's score as a function of the mission's figures.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "game/battle/data/game_math.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/hud.h"
#include "game/shell/mission_scoring.h"
#include "game/shell/mission_screens.h"
#include "media/core/random.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

ClearFigures Figures(int mission, int difficulty, int frames) {
  ClearFigures f{};
  f.mission = mission;
  f.difficulty = difficulty;
  f.frames = frames;
  f.recordBestTime = 72000;
  return f;
}

TEST(ClearScoring, TimeBonusFollowsClearTimeAndDifficultyForMissionOneOnly) {
  struct Case {
    int mission, difficulty, frames, bonus;
  };
  const Case cases[] = {
      {1, 2, 18000, 6000}, {1, 3, 18000, 10000}, {1, 1, 30000, 0},    {1, 4, 30000, 3000}, {1, 1, 14399, 10000},
      {1, 2, 14400, 6000}, {1, 2, 21600, 3000},  {1, 3, 28799, 6000}, {1, 3, 35999, 3000}, {1, 4, 36000, 0},
      {2, 4, 100, 0},      {0, 1, 100, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClearTimeBonus(c.mission, c.difficulty, c.frames), c.bonus) << c.mission << " " << c.difficulty << " " << c.frames;
  }
}

TEST(ClearScoring, BonusesRecordsAndPayment) {
  ClearFigures f = Figures(1, 2, 3725);
  f.maxHit = 99;
  f.money = 100;
  f.missionScore = 7;
  f.recordHighScore = 20000;
  ClearScore s = ScoreMissionClear(f);
  EXPECT_EQ(s.minutes, 1);
  EXPECT_EQ(s.seconds, 2);
  EXPECT_EQ(s.framesInSecond, 5);
  EXPECT_EQ(s.clearBonus, 5000);
  EXPECT_EQ(s.timeBonus, 10000);
  EXPECT_EQ(s.hitBonus, 0) << "99 hits";
  EXPECT_EQ(s.money, 100 + 15000);
  EXPECT_EQ(s.missionScore, 7 + 15000);
  EXPECT_TRUE(s.newBestTime);
  EXPECT_EQ(s.recordBestTime, 3725);
  EXPECT_FALSE(s.newHighScore);
  EXPECT_EQ(s.recordHighScore, 20000);

  // Mission 2: the destroyed targets show an extra bonus that is not paid; hits still pending count.
  f = Figures(2, 1, 72000);
  f.destroyedTargets = 3;
  f.maxHit = 100;
  f.comboCount = 200;
  f.pendingHits = 50;
  f.recordMaxHit = 250;
  f.recordBestTime = 72000;
  s = ScoreMissionClear(f);
  EXPECT_EQ(s.clearBonus, 6000);
  EXPECT_EQ(s.extraBonus, 1500);
  EXPECT_EQ(s.maxHit, 250);
  EXPECT_EQ(s.hitBonus, 2000);
  EXPECT_FALSE(s.newMaxHit) << "equal to the record";
  EXPECT_FALSE(s.newBestTime) << "equal to the best time";
  EXPECT_EQ(s.money, 8000);
  EXPECT_TRUE(s.newHighScore);

  // Money from a save file at the top of the range stays there.
  f = Figures(5, 1, 10);
  f.money = INT_MAX - 10;
  f.missionScore = INT_MAX;
  s = ScoreMissionClear(f);
  EXPECT_EQ(s.money, INT_MAX);
  EXPECT_EQ(s.missionScore, INT_MAX);
}

class MissionScreens : public ShellScreenTest {
 protected:
  // Runs a screen; returns the frames it presented.
  int Run(const std::function<void()>& screen) {
    const int before = Presented();
    screen();
    return Presented() - before;
  }
  std::vector<int> Modes(char pass) const {
    std::vector<int> modes;
    for (const WorldCall& call : Calls(pass)) modes.push_back(call.mode);
    return modes;
  }
};

TEST_F(MissionScreens, EachScreenRunsItsFramesOverTheWorldPassesItNames) {
  Start();
  CharacterTable[kPlayerSlot] = Character{};
  CharacterTable[kPlayerSlot].facing = 1;
  struct Case {
    const char* name;
    std::function<void()> screen;
    int frames;
    int updateMode, drawMode;   // -1: the world is not touched
  };
  const std::vector<Case> cases = {
      {"fade to black", FadeBattleToBlack, 32, 2, 2},
      {"fade from black", FadeBattleFromBlack, 32, 2, 2},
      {"boss warning", BossWarning, 239, 2, 2},
      {"mission start", MissionStart, 242, -1, -1},
      {"mission failed", MissionFailed, 302, 2, 1},
  };
  for (const Case& c : cases) {
    calls_.clear();
    EXPECT_EQ(Run(c.screen), c.frames) << c.name;
    if (c.updateMode < 0) {
      EXPECT_TRUE(calls_.empty()) << c.name;
      continue;
    }
    const int passes = c.frames + (std::string(c.name) == "boss warning" ? 1 : 0);   // its last frame is drawn, not shown
    EXPECT_EQ(Modes('u'), std::vector<int>(passes, c.updateMode)) << c.name;
    EXPECT_EQ(Modes('d'), std::vector<int>(passes, c.drawMode)) << c.name;
  }
}

TEST_F(MissionScreens, FadesStepTheBlackBoxByEightAFrame) {
  Start();
  worldColour_ = 0xFFFFFF;
  std::vector<std::uint32_t> shown;
  g_missionWorld.UpdateAll = [](int) {};
  static std::vector<std::uint32_t>* probe;
  probe = &shown;
  // Each frame's world pass comes after the previous frame was presented.
  g_missionWorld.DrawAll = [](int mode) {
    if (Presented() > 0) probe->push_back(Shown(320, 300) & 0xFF);
    RecordDraw(mode);
  };
  FadeBattleToBlack();
  shown.push_back(Shown(320, 300) & 0xFF);
  ASSERT_EQ(shown.size(), 32u);
  for (std::size_t k = 0; k < 31; ++k) {
    const int alpha = 8 * static_cast<int>(k + 1);
    EXPECT_NEAR(static_cast<int>(shown[k]), 255 - alpha, 4) << "frame " << k + 1;
  }
  EXPECT_EQ(shown[31], 0u) << "the last frame is black";
}

TEST_F(MissionScreens, TheBossDefeatSpawnsItsEffectsOnItsFramesForAFixedSeed) {
  Start();
  const int boss = 5;
  CharacterTable[boss] = Character{};
  CharacterTable[boss].state = 1;
  CharacterTable[boss].x = 1000.0f;
  CharacterTable[boss].y = 500.0f;
  g_battle.BattleCamera = {2.0f, 0.0f, 0.0f};
  zelvo::SeedRandom(1234);
  EXPECT_EQ(Run([&] { BossDefeatSequence(boss); }), 439);
  EXPECT_EQ(CharacterTable[boss].state, 0) << "the boss's slot is freed";
  EXPECT_EQ(g_battle.ScreenShake, 40);
  EXPECT_EQ(g_battle.ScreenFlash[2].timer, 30);
  EXPECT_EQ(g_battle.BattleCamera.zoom, 1.0f);
  EXPECT_EQ(Modes('u'), std::vector<int>(439, 3));

  // The same seed drawn in the order the sequence draws it.
  zelvo::SeedRandom(1234);
  std::vector<WorldCall> expected;
  const float bx = 1000.0f, by = 500.0f;
  for (int f = 61; f <= 360; ++f) {
    for (int big : {61, 141, 201, 246, 280, 306, 326, 341}) {
      if (f == big) expected.push_back({f, 'e', 221, bx, by, 1.0f, static_cast<float>(RandomUpTo(20)) * 0.1f * kPi});
    }
    if (f % 10 == 1) {
      const int dy = RandomUpTo(200) - 100;
      const int dx = RandomUpTo(200) - 100;
      expected.push_back({f, 'e', 200, bx + static_cast<float>(dx), by + static_cast<float>(dy), 2.0f, 0.0f});
    }
    if (f % 30 == 0) expected.push_back({f, 'e', 130, bx, by, 3.0f, static_cast<float>(RandomUpTo(20) - 10) * 0.1f * kPi});
  }
  expected.push_back({360, 'e', 220, bx, by, 3.0f, 0.0f});
  expected.push_back({360, 'e', 250, bx, by, 4.0f, static_cast<float>(RandomUpTo(20)) * 0.1f * kPi});
  const std::vector<WorldCall> effects = Calls('e');
  ASSERT_EQ(effects.size(), expected.size());
  for (std::size_t i = 0; i < effects.size(); ++i) {
    EXPECT_EQ(effects[i].frame, expected[i].frame) << i;
    EXPECT_EQ(effects[i].mode, expected[i].mode) << i;
    EXPECT_EQ(effects[i].x, expected[i].x) << i;
    EXPECT_EQ(effects[i].y, expected[i].y) << i;
    EXPECT_EQ(effects[i].parameter, expected[i].parameter) << i;
    EXPECT_EQ(effects[i].angle, expected[i].angle) << i;
  }
}

TEST_F(MissionScreens, KeysDoNothingInTheBossDefeatButEscapeEndsEveryScreen) {
  Hold("Return", 5, 300);
  Hold("Escape", 100, 102);
  Start();
  CharacterTable[5].state = 1;
  EXPECT_EQ(Run([] { BossDefeatSequence(5); }), 99);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(CharacterTable[5].state, 1);
  // The end is kept: the screens around it return at once.
  EXPECT_EQ(Run(MissionClear), 0);
  EXPECT_EQ(Run(FadeBattleToBlack), 0);
}

TEST_F(MissionScreens, TheBattleReachesTheScreensThroughItsShellTable) {
  Start();
  g_shell = DefaultShellServices();
  InstallShellServices();
  EXPECT_EQ(Run(g_shell.FadeBattleFromBlack), 32);
  EXPECT_EQ(Run(g_shell.MissionFailed), 302);
  EXPECT_EQ(Run([] { g_shell.PlayMissionText(1, 99); }), 0) << "no such text";
  g_shell = DefaultShellServices();
}

class ClearScreen : public MissionScreens {
 protected:
  void SetUpMission() {
    g_battle.CurrentMission = 1;
    g_battle.Difficulty = 2;
    g_battle.MissionFrames = 18000;
    g_battle.MaxHit = 120;
    g_battle.ComboCount = 0;
    g_battle.PendingHits = 0;
    g_battle.Money = 500;
    g_battle.MissionScore = 0;
    MissionRecords[1].bestTime = 20000;
    MissionRecords[1].maxHit = 300;
    MissionRecords[1].highScore = 1000;
    CharacterTable[kPlayerSlot] = Character{};
    CharacterTable[kPlayerSlot].kind = 10;
    g_battle.ToolWeaponState = 0;
    // The counter already shows the paid money, so the tally takes one frame.
    g_hud.ShownMoney = 500 + 5000 + 6000 + 1000;
  }
};

TEST_F(ClearScreen, PaysRecordsAndRunsEachPhaseItsFrames) {
  Start();
  SetUpMission();
  EXPECT_EQ(Run(MissionClear), 181 + 61 * 5 + 1 + 180);
  EXPECT_EQ(g_battle.Money, 12500);
  EXPECT_EQ(g_battle.MissionScore, 12000);
  EXPECT_EQ(MissionRecords[1].bestTime, 18000);
  EXPECT_EQ(MissionRecords[1].maxHit, 300);
  EXPECT_EQ(MissionRecords[1].highScore, 12000);
  EXPECT_EQ(CharacterTable[kPlayerSlot].state, 60);
  EXPECT_EQ(CharacterTable[kPlayerSlot].timer, 60);
  EXPECT_EQ(machineLeft_, 1) << "she leaves her machine";
  EXPECT_EQ(g_battle.ToolWeaponState, 1);
  EXPECT_EQ(Modes('d'), std::vector<int>(667, 2));
}

TEST_F(ClearScreen, OnePressAdvancesOnePhaseAndAHeldKeyNoMore) {
  Hold("Return", 10, 400);
  Start();
  SetUpMission();
  // Phase 0 ends on the press at frame 10; phases 1 to 5 then run their full 61 frames each.
  EXPECT_EQ(Run(MissionClear), 10 + 61 * 5 + 1 + 180);
}

TEST_F(ClearScreen, TheMoneyTallyClosesAHundredthOfTheGapAFrame) {
  Start();
  SetUpMission();
  g_hud.ShownMoney = 0;
  g_battle.Money = 0;
  MissionRecords[1].maxHit = 0;
  // 12000 paid: steps of gap / 100 + 1 until the counter meets the money.
  int gap = 12000, frames = 0;
  while (gap > 0) {
    gap -= gap / 100 + 1 < gap ? gap / 100 + 1 : gap;
    ++frames;
  }
  EXPECT_EQ(Run(MissionClear), 181 + 61 * 5 + frames + 180);
  EXPECT_EQ(g_hud.ShownMoney, 12000);
}

}  // namespace
}  // namespace horundel
