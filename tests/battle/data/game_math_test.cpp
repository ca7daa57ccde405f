// The math helpers' tie rules, projection and angle steps.
#include <gtest/gtest.h>

#include <cmath>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/shell_services.h"

namespace horundel {
namespace {

TEST(GameMath, CountersAndClampsKeepTheirTieRules) {
  struct Case {
    int got, want;
  };
  const Case cases[] = {
      {StepToward(7, 10, 3), 10},        {StepToward(6, 10, 3), 9},       {StepToward(5, 0, 1), 4},
      {StepToward(13, 10, 3), 10},       {StepToward(14, 10, 3), 11},     {WrapIncrement(12, 12), 0},
      {WrapIncrement(11, 12), 12},       {CountdownReload(0, 20), 20},    {CountdownReload(1, 20), 0},
      {ClampInt(0, 300, 255), 255},      {ClampInt(0, -5, 255), 0},       {ClampInt(10, 5, 0), 10},
      {MaxInt(3, 3), 3},                 {SignFloat(-0.0f), 0},           {SignInt(-7), -1},
      {StepToward(2147483600, 2147483647, 100), 2147483647},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_FLOAT_EQ(StepTowardFraction(0.0f, 10.0f, 0.25f), 2.5f);
  EXPECT_FLOAT_EQ(StepTowardFraction(0.0f, 10.0f, 1.0f), 10.0f);
}

TEST(GameMath, WrapAngleTakesOneStepOnly) {
  EXPECT_NEAR(WrapAngle(7.0f), 7.0f - kTwoPi, 1e-6);
  EXPECT_NEAR(WrapAngle(13.0f), 13.0f - kTwoPi, 1e-6);
  EXPECT_NEAR(WrapAngle(-4.0f), -4.0f + kTwoPi, 1e-6);
  EXPECT_EQ(WrapAngle(kPi), kPi);
}

TEST(GameMath, TurnTowardTakesTheShortWayThroughPi) {
  EXPECT_NEAR(TurnToward(3.0f, -3.0f, 0.1f), 3.1f, 1e-6);
  // From 3.1 the next step passes pi and wraps to the negative side.
  EXPECT_NEAR(TurnToward(3.1f, -3.0f, 0.1f), 3.2f - kTwoPi, 1e-5);
  EXPECT_EQ(TurnToward(1.0f, 1.05f, 0.1f), 1.05f);
  EXPECT_NEAR(TurnToward(0.0f, 1.0f, 0.1f), 0.1f, 1e-6);
  EXPECT_NEAR(TurnToward(0.0f, -1.0f, 0.1f), -0.1f, 1e-6);
}

TEST(GameMath, WorldToScreenCentresTheCameraAndScales) {
  g_battle.BattleCamera = {0.5f, 1000.0f, 500.0f};
  EXPECT_EQ(WorldToScreenX(1000.0f), 320);
  EXPECT_EQ(WorldToScreenY(500.0f), 240);
  EXPECT_EQ(WorldToScreenX(1100.0f), 370);
  EXPECT_EQ(WorldToScreenX(1000.5f), 320);    // truncated toward zero
  // Positions from data files never overflow the conversion.
  EXPECT_EQ(WorldToScreenX(3e38f), kScreenCoordinateLimit);
  EXPECT_EQ(WorldToScreenX(-3e38f), -kScreenCoordinateLimit);
  EXPECT_EQ(WorldToScreenX(std::nanf("")), 0);
}

TEST(GameMath, AimAngleFromKeysFollowsTheDirectionTable) {
  struct Case {
    int up, down, left, right, facing;
    float angle;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 1, 1.5707964f},  {0, 0, 0, 0, -1, -1.5707964f}, {1, 0, 0, 0, 1, 3.1415927f},
      {0, 1, 0, 0, -1, 0.0f},       {1, 0, 1, 0, 1, -2.3561945f},  {0, 1, 1, 0, 1, -0.7853982f},
      {1, 0, 0, 1, 1, 2.3561945f},  {0, 1, 0, 1, 1, 0.7853982f},   {0, 0, 1, 1, 1, 1.5707964f},
      {1, 1, 0, 1, 1, 1.5707964f},
  };
  for (const Case& c : cases) {
    KeyBindings[kKeyUp].pressed = c.up;
    KeyBindings[kKeyDown].pressed = c.down;
    KeyBindings[kKeyLeft].pressed = c.left;
    KeyBindings[kKeyRight].pressed = c.right;
    g_battle.AimFacing = c.facing;
    EXPECT_EQ(AimAngleFromKeys(), c.angle) << c.up << c.down << c.left << c.right;
  }
}

}  // namespace
}  // namespace horundel
