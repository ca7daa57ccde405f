// Mission 2 on the generated city streets, easy and hard: the scripted player outlasts the raid's
// countdown, and the clear comes on the frame it runs out.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "game/battle/mission/mission_scripts.h"
#include "media/core/random.h"
#include "tests/battle/mission_scene.h"
#include "support/mission_two_player.h"

namespace horundel {
namespace {

struct RaidOutcome {
  int result;
  int phase;
  int frames;
  int score;
  int money;
  int area;
  int heroineHp;
  int trucksBroken;
  std::uint64_t screen;
  std::string calls;

  bool operator==(const RaidOutcome&) const = default;
};

void PrintTo(const RaidOutcome& o, std::ostream* out) {
  *out << "result " << o.result << " phase " << o.phase << " frames " << o.frames << " score " << o.score << " money "
       << o.money << " area " << o.area << " hp " << o.heroineHp << " trucks " << o.trucksBroken << " screen " << o.screen << " calls " << o.calls;
}

class MissionTwoTest : public MissionPlayTest, public ::testing::WithParamInterface<int> {
 protected:
  static RaidOutcome Play(int difficulty) {
    ScriptedPad::ReleaseAll();
    NewGameState();
    BindSceneKeys();
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    ShellRecorder::onFrame = PlayMissionTwo;
    g_battle.CurrentMission = 2;
    g_battle.Difficulty = difficulty;
    MissionRecords[1].cleared = 1;
    zelvo::SeedRandom(20261211);
    RaidOutcome o{};
    o.result = RunMission(kMissionMap);
    ScriptedPad::ReleaseAll();
    o.phase = g_battle.MissionPhase;
    o.frames = g_battle.MissionFrames;
    o.score = g_battle.MissionScore;
    o.money = g_battle.Money;
    o.area = g_battle.CurrentArea;
    o.heroineHp = static_cast<int>(CharacterTable[kPlayerSlot].hp);
    o.trucksBroken = g_battle.MissionScriptVars[0];
    o.screen = ScreenHash();
    o.calls = ShellRecorder::Kinds();
    return o;
  }
};

// The countdown is set on the first frame and counts down on each after it, so the clear comes on
// frame 18001; the truck parked nearest the start is broken on the way.
TEST_P(MissionTwoTest, TheRaidIsSurvivedToItsClear) {
  const RaidOutcome outcome = Play(GetParam());
  EXPECT_EQ(outcome.result, 0) << ::testing::PrintToString(outcome);
  EXPECT_EQ(outcome.phase, kPhaseEnded);
  EXPECT_EQ(outcome.frames, 18001);
  EXPECT_EQ(outcome.calls, "sco");
  EXPECT_GT(outcome.heroineHp, 0);
  EXPECT_EQ(outcome.trucksBroken, 1);
  EXPECT_EQ(outcome.area, 0);
  EXPECT_EQ(MissionRecords[2].cleared, 1);
  EXPECT_EQ(g_battle.MissionCountdownShown, 0);
}

INSTANTIATE_TEST_SUITE_P(Difficulty, MissionTwoTest, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param == 1 ? "Easy" : "Hard"; });

}  // namespace
}  // namespace horundel
