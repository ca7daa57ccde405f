// The heroine on foot: scripted key sequences give the specified state chains, frame by frame.
#include <gtest/gtest.h>

#include <vector>

#include "tests/battle/heroine_scene.h"
#include "game/battle/actors/player_update.h"

namespace horundel {
namespace {

// Runs frames with the keys held until the state changes or the limit; returns the frames run.
int RunWhileState(int state, std::initializer_list<int> keys, int limit) {
  int frames = 0;
  while (SceneHeroine().state == state && frames < limit) {
    FrameOnFoot(keys);
    ++frames;
  }
  return frames;
}

struct Expect {
  std::vector<int> keys;
  int state;
  int timer;
  float x;
  float y;
};

void RunScript(const std::vector<Expect>& script) {
  int frame = 0;
  for (const Expect& step : script) {
    ++frame;
    for (int key = 0; key < kKeyBindingCount; ++key) {
      bool held = false;
      for (int k : step.keys) held = held || k == key;
      KeyBindings[key].pressed = held ? 1 : 0;
      if (!held) KeyBindings[key].latched = 0;
    }
    UpdatePlayerOnFoot(kPlayerSlot, 0);
    EXPECT_EQ(SceneHeroine().state, step.state) << "frame " << frame;
    EXPECT_EQ(SceneHeroine().timer, step.timer) << "frame " << frame;
    EXPECT_NEAR(SceneHeroine().x, step.x, 1e-3) << "frame " << frame;
    EXPECT_NEAR(SceneHeroine().y, step.y, 1e-3) << "frame " << frame;
  }
}

TEST(HeroineOnFoot, ComboChainsThreeHitsOnFreshPressesAndEndsInTheFreeState) {
  ResetHeroineScene();
  const float y = kStandingY;
  RunScript({
      {{kKeyMelee}, 300, 29, 1005.8f, y},   // vx = facing x T x 0.2
      {{kKeyMelee}, 300, 28, 1011.4f, y},   // held: no new hit
      {{}, 300, 27, 1016.8f, y},
      {{kKeyMelee}, 301, 29, 1022.6f, y},
      {{}, 301, 28, 1028.2f, y},
      {{kKeyMelee}, 302, 49, 1033.1f, y},   // vx = facing x T x 0.1
  });
  EXPECT_EQ(LiveKinds(kTypePlayerAttack), (std::vector<int>{500, 501, 502}));
  EXPECT_EQ(RunWhileState(302, {}, 100), 49);
  EXPECT_EQ(SceneHeroine().state, 10);
  EXPECT_EQ(SceneHeroine().vx, 0.0f);
}

TEST(HeroineOnFoot, GroundDashLastsWhileHeldAndBrakesFifteenFrames) {
  ResetHeroineScene();
  FrameOnFoot({kKeyDash});
  EXPECT_EQ(SceneHeroine().state, 30);
  EXPECT_FLOAT_EQ(SceneHeroine().x, 1010.0f);
  for (int i = 0; i < 69; ++i) FrameOnFoot({kKeyDash});   // past the timer of 60: the ground dash goes on
  EXPECT_EQ(SceneHeroine().state, 30);
  EXPECT_FLOAT_EQ(SceneHeroine().x, 1700.0f);
  RunScript({
      {{}, 40, 15, 1709.5f, kStandingY},   // released: brake, friction 0.5 a frame
      {{}, 40, 14, 1718.5f, kStandingY},
  });
  EXPECT_EQ(RunWhileState(40, {}, 100), 14);
  EXPECT_EQ(SceneHeroine().state, 10);
  EXPECT_FLOAT_EQ(SceneHeroine().x, 1790.0f);
}

TEST(HeroineOnFoot, AirBoostsFollowTheLevelAndLandingRefillsThem) {
  for (int level = 0; level <= 2; ++level) {
    ResetHeroineScene();
    g_battle.AirBoostLevel = g_battle.AirBoostsLeft = level;
    FrameOnFoot({kKeyJump, kKeyRight});
    ASSERT_FLOAT_EQ(SceneHeroine().vy, -15.5f);
    int boosts = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
      FrameOnFoot({kKeyRight});
      // Alternate air jump and air dash: both spend a boost.
      const bool dash = attempt % 2 == 1;
      FrameOnFoot({dash ? kKeyDash : kKeyJump, kKeyRight});
      const bool boosted = dash ? SceneHeroine().state == 30 : SceneHeroine().vy == -15.5f;
      boosts += boosted ? 1 : 0;
      if (dash && boosted) FrameOnFoot({kKeyRight});   // releasing ends an air dash
    }
    EXPECT_EQ(boosts, level) << "level " << level;
    EXPECT_EQ(g_battle.AirBoostsLeft, 0);
    for (int i = 0; i < 200 && SceneHeroine().y != kStandingY; ++i) FrameOnFoot({});
    EXPECT_EQ(SceneHeroine().y, kStandingY);
    EXPECT_EQ(g_battle.AirBoostsLeft, level) << "level " << level;
  }
}

TEST(HeroineOnFoot, SecondNeutralJumpLandsIntoTheBackFlipChainWhileJumpIsHeld) {
  ResetHeroineScene();
  SkillRecords[4].owned = 1;
  SceneHeroine().x = 2500.0f;   // the flips carry her far to the left
  RunScript({
      {{kKeyJump}, 350, 0, 2500.0f, 1044.5f},    // neutral jump
      {{}, 350, 0, 2500.0f, 1029.5f},
      {{kKeyJump}, 351, 40, 2494.0f, 1018.0f},   // second jump: vy -12, vx -6 facing
  });
  EXPECT_EQ(LiveKinds(kTypePlayerAttack), (std::vector<int>{550}));
  std::vector<int> chain{351};
  for (int i = 0; i < 600 && !(chain.back() == 10); ++i) {
    FrameOnFoot({kKeyJump});
    if (SceneHeroine().state != chain.back()) {
      chain.push_back(SceneHeroine().state);
      if (SceneHeroine().state == 32 || SceneHeroine().state == 33) {
        // Each landing bounces her up at -18 (then +1.2 of the flip's own gravity) and flips back.
        EXPECT_FLOAT_EQ(SceneHeroine().vy, -16.8f);
        EXPECT_EQ(SceneHeroine().facing, 1);
      }
      if (SceneHeroine().state == 34) { EXPECT_EQ(SceneHeroine().timer, 89); }
    }
  }
  EXPECT_EQ(chain, (std::vector<int>{351, 32, 33, 34, 10}));
  EXPECT_EQ(SceneHeroine().y, kStandingY);
}

TEST(HeroineOnFoot, SlideThenDropKickLastsHalfAsLongWithoutPushingForward) {
  ResetHeroineScene();
  SkillRecords[3].owned = 1;
  RunScript({
      {{kKeyDown, kKeyJump}, 341, 39, 1019.5f, kStandingY},   // vx 20, then friction
      {{kKeyDown}, 341, 38, 1038.5f, kStandingY},
      {{kKeyJump}, 342, 58, 1054.3f, 1057.6f},                // 10f + f x T x 0.1, vy (10 - T) x 0.05
  });
  EXPECT_EQ(LiveKinds(kTypePlayerAttack), (std::vector<int>{541, 542}));
  EXPECT_EQ(RunWhileState(342, {}, 100), 29);
  EXPECT_EQ(SceneHeroine().state, 343);
  EXPECT_LT(RunWhileState(343, {}, 200), 200);
  EXPECT_EQ(SceneHeroine().state, 10);
  EXPECT_EQ(SceneHeroine().y, kStandingY);

  // Pushing forward only takes one frame off the timer each frame.
  ResetHeroineScene();
  SkillRecords[3].owned = 1;
  FrameOnFoot({kKeyDown, kKeyJump});
  FrameOnFoot({});
  FrameOnFoot({kKeyJump, kKeyRight});
  EXPECT_EQ(RunWhileState(342, {kKeyRight}, 100), 59);
}

TEST(HeroineOnFoot, DownJumpWithoutTheSliderSkillIsAPlainJump) {
  ResetHeroineScene();
  FrameOnFoot({kKeyDown, kKeyJump});
  EXPECT_EQ(SceneHeroine().state, 10);   // a direction was held: no neutral jump
  EXPECT_FLOAT_EQ(SceneHeroine().vy, -15.5f);
  EXPECT_TRUE(LiveKinds(kTypePlayerAttack).empty());
}

TEST(HeroineOnFoot, ClingsToAWallSlidesDownAndKicksOff) {
  ResetHeroineScene();
  for (int row = 0; row < kFloorRow; ++row) TileMap[13][row].kind = 1;   // a wall at x 1300..1399
  SceneHeroine().x = 1200.0f;
  FrameOnFoot({kKeyJump, kKeyRight});
  g_battle.AirBoostsLeft = 0;
  EXPECT_LT(RunWhileState(10, {kKeyRight}, 60), 60);
  EXPECT_EQ(SceneHeroine().state, 50);
  EXPECT_EQ(SceneHeroine().facing, -1);
  EXPECT_EQ(g_battle.AimFacing, -1);
  EXPECT_FLOAT_EQ(SceneHeroine().x, 1295.0f);
  EXPECT_EQ(g_battle.AirBoostsLeft, 1);
  const float clingY = SceneHeroine().y;
  for (int i = 0; i < 5; ++i) FrameOnFoot({kKeyRight});   // holding toward the wall: slide at 2 a frame
  EXPECT_EQ(SceneHeroine().state, 50);
  EXPECT_FLOAT_EQ(SceneHeroine().y, clingY + 10.0f);
  FrameOnFoot({kKeyJump, kKeyRight});
  EXPECT_EQ(SceneHeroine().state, 51);
  EXPECT_EQ(SceneHeroine().timer, 9);
  EXPECT_FLOAT_EQ(SceneHeroine().x, 1291.0f);
  EXPECT_FLOAT_EQ(SceneHeroine().vy, -15.5f);
  EXPECT_EQ(RunWhileState(51, {}, 100), 9);
  EXPECT_EQ(SceneHeroine().state, 10);

  // Letting go of the wall.
  ResetHeroineScene();
  for (int row = 0; row < kFloorRow; ++row) TileMap[13][row].kind = 1;
  SceneHeroine().x = 1200.0f;
  FrameOnFoot({kKeyJump, kKeyRight});
  RunWhileState(10, {kKeyRight}, 60);
  FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 52);
  EXPECT_EQ(SceneHeroine().timer, 15);
}

TEST(HeroineOnFoot, KnockedDownKeepsTheInvulnerabilityCounterAtSixty) {
  ResetHeroineScene();
  SceneHeroine().state = 100;
  SceneHeroine().vy = 1.0f;
  std::vector<int> chain{100};
  for (int i = 0; i < 100 && chain.back() != 10; ++i) {
    FrameOnFoot({});
    if (SceneHeroine().state != 10) { EXPECT_EQ(SceneHeroine().extra, 60); }
    if (SceneHeroine().state != chain.back()) chain.push_back(SceneHeroine().state);
  }
  EXPECT_EQ(chain, (std::vector<int>{100, 101, 102, 103, 10}));
  FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().extra, 59);
}

}  // namespace
}  // namespace horundel
