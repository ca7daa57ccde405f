// The mission scripts: training steps by the heroine's position (their texts may be missing), the
// mission 1 boss and the mission 2 countdown.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/mission/mission_scripts.h"
#include "tests/battle/mission_scene.h"

namespace horundel {
namespace {

class MissionScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NewGameState();
    std::memset(CharacterTable, 0, sizeof CharacterTable);
    CharacterTable[kPlayerSlot].type = kTypePlayer;
    CharacterTable[kPlayerSlot].state = 10;
    ShellRecorder::Install();
  }

  // Battle texts shown so far, in order.
  static std::vector<int> Texts() {
    std::vector<int> texts;
    for (const ShellCall& call : ShellRecorder::calls) {
      if (call.what == 't' && call.first == kTextBattle) texts.push_back(call.second);
    }
    return texts;
  }

  static void FrameAt(float x) {
    CharacterTable[kPlayerSlot].x = x;
    MissionScript();
  }
};

TEST_F(MissionScriptTest, TrainingStepsFollowTheHeroineToTheEnd) {
  const float path[] = {0, 501, 1401, 2601, 4001, 5001, 5701, 7001, 7201, 8301, 8701, 9001, 9301, 9601, 9900};
  for (float x : path) FrameAt(x);
  EXPECT_EQ(Texts(), (std::vector<int>{0, 3, 4, 6, 8, 10, 11, 25, 14, 16, 19, 20, 21, 23}));
  EXPECT_EQ(g_battle.MissionPhase, 14);

  g_battle.CurrentArea = 1;   // the second area ends the training
  FrameAt(100);
  EXPECT_EQ(Texts().back(), 24);
  EXPECT_EQ(g_battle.MissionPhase, kPhaseEnded);
}

TEST_F(MissionScriptTest, StandingStillInTheFirstStepRepeatsItsHints) {
  g_battle.MissionPhase = 1;
  std::vector<int> hintFrames[3];
  for (int frame = 1; frame <= 4002; ++frame) {
    const std::size_t before = ShellRecorder::calls.size();
    FrameAt(100);
    for (std::size_t i = before; i < ShellRecorder::calls.size(); ++i) hintFrames[ShellRecorder::calls[i].second].push_back(frame);
  }
  EXPECT_EQ(hintFrames[2], (std::vector<int>{1001, 2002, 3003}));
  EXPECT_EQ(hintFrames[1], (std::vector<int>{2001, 4002}));
}

TEST_F(MissionScriptTest, LongJumpRunsTwoStepsInOneFrame) {
  g_battle.MissionPhase = 11;
  FrameAt(8999);
  FrameAt(9400);
  EXPECT_EQ(Texts(), (std::vector<int>{20, 21}));
  EXPECT_EQ(g_battle.MissionPhase, 13);
}

TEST_F(MissionScriptTest, WeaponMachineAndRescueHintsShowOnce) {
  // A gun in hand when the armed soldiers come, and while walking on toward the guns.
  g_battle.MissionPhase = 6;
  g_battle.CurrentWeaponSlot = 1;
  g_battle.WeaponSlot[1].used = 1;
  FrameAt(5701);
  FrameAt(5800);
  FrameAt(5900);
  EXPECT_EQ(Texts(), (std::vector<int>{11, 12, 13}));
  // Climbing into a machine while the training waits for it.
  ShellRecorder::calls.clear();
  g_battle.MissionPhase = 9;
  g_battle.MissionScriptVars[0] = 0;
  CharacterTable[kPlayerSlot].kind = 10;
  FrameAt(8000);
  FrameAt(8000);
  EXPECT_EQ(Texts(), (std::vector<int>{15}));
  // Past x 9300 the rescue door is found and remembered; its opening is pointed out once.
  ShellRecorder::calls.clear();
  g_battle.MissionPhase = 12;
  Character& door = CharacterTable[7];
  door.type = kTypeMapEvent;
  door.kind = 2;
  door.state = 10;
  FrameAt(9301);
  door.state = 2;
  FrameAt(9400);
  FrameAt(9400);
  EXPECT_EQ(Texts(), (std::vector<int>{21, 22}));
  EXPECT_EQ(g_battle.MissionScriptVars[0], 7);
}

TEST_F(MissionScriptTest, MissionOneClearsOnlyWhenTheBossFallsInItsRoom) {
  g_battle.CurrentMission = 1;
  Character& boss = CharacterTable[9];
  boss.type = kTypeEnemy;
  boss.kind = 60;
  boss.state = 10;
  boss.hp = 0.0f;
  for (int area = 0; area <= 4; ++area) {
    g_battle.CurrentArea = area;
    EXPECT_EQ(MissionOneBossCheck(), 0);
    g_battle.MissionScriptVars[0] = 9;
    MissionScript();
  }
  EXPECT_TRUE(ShellRecorder::calls.empty());
  EXPECT_EQ(g_battle.MissionPhase, 0);

  // With no boss in the room the slot stays 0, which never counts as a fallen boss.
  g_battle.CurrentArea = 5;
  g_battle.MissionScriptVars[0] = 0;
  boss.state = 0;
  EXPECT_EQ(MissionOneBossCheck(), 1);
  EXPECT_EQ(g_battle.MissionScriptVars[0], 0);
  MissionScript();
  EXPECT_EQ(ShellRecorder::Kinds(), "w");

  boss.state = 10;
  boss.hp = 100.0f;
  EXPECT_EQ(MissionOneBossCheck(), 1);
  EXPECT_EQ(g_battle.MissionScriptVars[0], 9);
  MissionScript();
  EXPECT_EQ(g_battle.MissionPhase, 0);
  boss.hp = -1.0f;
  MissionScript();
  EXPECT_EQ(ShellRecorder::Kinds(), "wwbc");
  EXPECT_EQ(ShellRecorder::calls[2].first, 9);
  EXPECT_EQ(g_battle.MissionPhase, kPhaseEnded);
  EXPECT_EQ(MissionRecords[1].cleared, 1);
}

TEST_F(MissionScriptTest, SupplyRaidIsClearedBySurvivingFiveMinutes) {
  g_battle.CurrentMission = 2;
  MissionScript();
  EXPECT_EQ(g_battle.MissionCountdown, 18000);
  EXPECT_EQ(g_battle.MissionCountdownShown, 1);
  for (int frame = 0; frame < 9000; ++frame) MissionScript();
  g_battle.CurrentArea = 1;   // an area change keeps the clock
  for (int frame = 0; frame < 8999; ++frame) MissionScript();
  EXPECT_EQ(g_battle.MissionCountdown, 1);
  EXPECT_TRUE(ShellRecorder::calls.empty());
  MissionScript();
  EXPECT_EQ(ShellRecorder::Kinds(), "c");
  EXPECT_EQ(g_battle.MissionCountdownShown, 0);
  EXPECT_EQ(g_battle.MissionPhase, kPhaseEnded);
  EXPECT_EQ(MissionRecords[2].cleared, 1);
}

}  // namespace
}  // namespace horundel
