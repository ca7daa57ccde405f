// The training and mission 1 played to their clear on the generated loose set by the scripted
// players, in software rendering through the host's keys with a fixed seed and a new game's
// heroine: nothing carried in, nothing bought. On hard, hits take three times the HP and the main
// computer has 30,000: the player blows up the drums from afar, breaks the repair blocks and seizes
// the pile bunker that brings the main computer down.
#include <gtest/gtest.h>

#include <string>

#include "game/battle/mission/mission_scripts.h"
#include "media/core/random.h"
#include "tests/battle/mission_scene.h"
#include "support/base_attack_player.h"
#include "support/training_player.h"

namespace horundel {
namespace {

constexpr int kEasy = 1;
constexpr int kHard = 3;

struct ClearRun {
  int result;
  int phase;
  int frames;
  int area;
  int cleared;
  float heroineHp;
  std::string calls;
  int lastText;   // the number of the last mission text shown, -1 for none
  std::uint64_t screen;

  bool operator==(const ClearRun&) const = default;
};

void PrintTo(const ClearRun& r, std::ostream* out) {
  *out << "result " << r.result << " phase " << r.phase << " frames " << r.frames << " area " << r.area << " cleared "
       << r.cleared << " hp " << r.heroineHp << " calls " << r.calls << " last text " << r.lastText << " screen "
       << r.screen;
}

class GeneratedClearTest : public MissionPlayTest {
 protected:
  static ClearRun Play(int mission, int difficulty, void (*player)()) {
    ScriptedPad::ReleaseAll();
    NewGameState();
    g_battle.Difficulty = difficulty;
    BindSceneKeys();
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    ShellRecorder::onFrame = player;
    g_battle.CurrentMission = mission;
    zelvo::SeedRandom(20261211);
    ClearRun r{};
    r.result = RunMission(kMissionMap);
    ScriptedPad::ReleaseAll();
    r.phase = g_battle.MissionPhase;
    r.frames = g_battle.MissionFrames;
    r.area = g_battle.CurrentArea;
    r.cleared = MissionRecords[mission].cleared;
    r.heroineHp = CharacterTable[kPlayerSlot].hp;
    r.calls = ShellRecorder::Kinds();
    r.lastText = -1;
    for (const ShellCall& call : ShellRecorder::calls) {
      if (call.what == 't') r.lastText = call.second;
    }
    r.screen = ScreenHash();
    return r;
  }
};

class TrainingClear : public GeneratedClearTest, public ::testing::WithParamInterface<int> {};

TEST_P(TrainingClear, ReachesTheSecondAreaWithinItsBudget) {
  const ClearRun run = Play(0, GetParam(), PlayTraining);
  EXPECT_EQ(run.result, 0) << ::testing::PrintToString(run);
  EXPECT_EQ(run.phase, kPhaseEnded);
  EXPECT_EQ(run.area, 1);
  EXPECT_EQ(run.lastText, 24);   // the training's closing words, shown on reaching the second area
  EXPECT_EQ(run.calls.find('f'), std::string::npos);
  EXPECT_LT(run.frames, 3000);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, TrainingClear, ::testing::Values(kEasy, kHard));

TEST_F(GeneratedClearTest, TheSameSeedAndPlayerGiveTheSameTrainingTwice) {
  const ClearRun first = Play(0, kHard, PlayTraining);
  EXPECT_EQ(Play(0, kHard, PlayTraining), first);
}

class MissionOneClear : public GeneratedClearTest, public ::testing::WithParamInterface<int> {};

TEST_P(MissionOneClear, IsClearedThroughTheMainComputerWithinItsBudget) {
  const ClearRun run = Play(1, GetParam(), PlayBaseAttack);
  EXPECT_EQ(run.result, 0) << ::testing::PrintToString(run);
  EXPECT_EQ(run.phase, kPhaseEnded);
  EXPECT_EQ(run.area, 5);
  EXPECT_EQ(run.cleared, 1);
  EXPECT_GT(run.heroineHp, 0.0f);
  // The boss warning on entering its room, then its defeat and the clear.
  EXPECT_NE(run.calls.find("wbc"), std::string::npos) << run.calls;
  EXPECT_LT(run.frames, 12000);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, MissionOneClear, ::testing::Values(kEasy, kHard));

TEST_F(GeneratedClearTest, TheSameSeedAndPlayerGiveTheSameHardMissionOneTwice) {
  const ClearRun first = Play(1, kHard, PlayBaseAttack);
  EXPECT_EQ(Play(1, kHard, PlayBaseAttack), first);
}

}  // namespace
}  // namespace horundel
