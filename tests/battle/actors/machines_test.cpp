// Riding machines: boarding, fire rates, movement limits and leaving them.
#include <gtest/gtest.h>

#include <vector>

#include "tests/battle/heroine_scene.h"
#include "game/battle/world/player_moves.h"
#include "game/battle/actors/player_update.h"

namespace horundel {
namespace {

Character& Rider() { return CharacterTable[kPlayerSlot]; }

void RideFrame(std::initializer_list<int> keys) {
  HoldKeys(keys);
  UpdatePlayer(kPlayerSlot, 0);
}

// Frames (from 0) in which a new attack of the kind appeared.
std::vector<int> FramesFiring(int kind, std::initializer_list<int> keys, int frames) {
  std::vector<int> fired;
  for (int frame = 0; frame < frames; ++frame) {
    const int before = CountKind(kTypePlayerAttack, kind);
    RideFrame(keys);
    if (CountKind(kTypePlayerAttack, kind) > before) fired.push_back(frame);
  }
  return fired;
}

TEST(Machines, CannonFiresTwentyShellsTenFramesApartThenClicks) {
  ResetHeroineScene();
  BoardMachine(1);
  EXPECT_EQ(Rider().state, 10);
  EXPECT_EQ(Rider().halfWidth, 80.0f);
  EXPECT_EQ(g_battle.MachineHp, 400.0f);
  const std::vector<int> shells = FramesFiring(50, {kKeyMelee}, 250);
  ASSERT_EQ(shells.size(), 20u);
  for (size_t i = 0; i < shells.size(); ++i) EXPECT_EQ(shells[i], static_cast<int>(10 * i));
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].ammunition, 0);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].countdown, 10 - (249 - 240));   // still clicking
  EXPECT_EQ(FramesFiring(90, {kKeyShoot}, 20), (std::vector<int>{0, 4, 8, 12, 16}));
}

TEST(Machines, CannonOnlyTurnsAndTheAimTurnsSlowlyWhileFiring) {
  ResetHeroineScene();
  BoardMachine(1);
  RideFrame({kKeyLeft});
  EXPECT_EQ(Rider().facing, -1);
  EXPECT_EQ(g_battle.AimFacing, -1);
  EXPECT_FLOAT_EQ(Rider().x, 1000.0f);
  RideFrame({kKeyShoot, kKeyRight});   // holding shoot: no turn; the aim comes over to the facing side
  EXPECT_EQ(Rider().facing, -1);
  EXPECT_FLOAT_EQ(g_battle.AimAngle, -kHalfPi);
  RideFrame({kKeyShoot, kKeyUp});      // the barrel steps toward the keys
  EXPECT_FLOAT_EQ(g_battle.AimAngle, -kHalfPi - 0.01f * kPi);
  EXPECT_FLOAT_EQ(Rider().x, 1000.0f);
}

TEST(Machines, TankStartsInItsBoardingStateUntilTheTimerRunsOut) {
  for (int timer : {0, 5}) {
    ResetHeroineScene();
    Rider().timer = timer;
    BoardMachine(10);
    EXPECT_EQ(Rider().state, 70);
    int frames = 0;
    while (Rider().state == 70 && frames < 100) {
      RideFrame({kKeyRight});
      ++frames;
      if (Rider().state == 70) { EXPECT_FLOAT_EQ(Rider().vx, 0.0f); }
    }
    EXPECT_EQ(frames, timer == 0 ? 1 : timer);
    EXPECT_FLOAT_EQ(Rider().y, 1040.0f);   // set on the floor with its own half height
  }
}

TEST(Machines, TankShellsComeEveryFortyFramesWithRecoil) {
  ResetHeroineScene();
  BoardMachine(10);
  RideFrame({});
  const float x = Rider().x;
  RideFrame({kKeyMelee});
  EXPECT_EQ(Rider().state, 200);
  EXPECT_FLOAT_EQ(Rider().vx, -11.5f);
  EXPECT_FLOAT_EQ(Rider().x, x - 11.5f);
  EXPECT_EQ(FramesFiring(900, {kKeyMelee}, 100), (std::vector<int>{39, 79}));
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].ammunition, 17);
}

TEST(Machines, TankJumpsOnlyFromTheGroundAndKeepsTheDashSpeed) {
  ResetHeroineScene();
  BoardMachine(10);
  RideFrame({});
  RideFrame({kKeyDash, kKeyRight});
  EXPECT_EQ(Rider().state, 30);
  EXPECT_FLOAT_EQ(Rider().vx, 10.0f);
  RideFrame({kKeyDash, kKeyRight, kKeyJump});
  EXPECT_EQ(Rider().state, 31);
  EXPECT_FLOAT_EQ(Rider().vx, 10.0f);
  EXPECT_FLOAT_EQ(Rider().vy, -11.7f);
  RideFrame({kKeyRight});
  const float vy = Rider().vy;
  RideFrame({kKeyRight, kKeyJump});   // no jump in the air
  EXPECT_FLOAT_EQ(Rider().vy, vy + 0.3f);
}

TEST(Machines, BailOutAndWreckLeaveOnFootInTheSpin) {
  struct Case {
    int kind;
    bool wreck;
    int blast;
  };
  const Case cases[] = {{1, false, 800}, {10, false, 810}, {1, true, 0}, {10, true, 0}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    BoardMachine(c.kind);
    RideFrame({});
    if (c.wreck) {
      g_battle.MachineHp = 0.0f;
      RideFrame({});
    } else {
      RideFrame({kKeySpecial});
      EXPECT_EQ(CountKind(kTypePlayerAttack, c.blast), 1);
    }
    EXPECT_EQ(Rider().kind, 0) << c.kind;
    EXPECT_EQ(Rider().state, 34);
    EXPECT_EQ(Rider().timer, 60);
    EXPECT_EQ(Rider().extra, 180);
    EXPECT_EQ(Rider().halfWidth, 40.0f);
    EXPECT_EQ(g_battle.GunOut, 0);
  }
}

TEST(Machines, HoverAndHelicopterFallCanBeLeftInTheAirAndSheLands) {
  for (int kind : {20, 30}) {
    ResetHeroineScene();
    Rider().y = 400.0f;
    BoardMachine(kind);
    EXPECT_EQ(g_battle.MachineHp, 400.0f);
    RideFrame({});
    EXPECT_FLOAT_EQ(Rider().y, 400.3f);
    RideFrame({kKeySpecial});
    EXPECT_EQ(Rider().kind, 0);
    EXPECT_EQ(Rider().state, 34);
    int frames = 0;
    while (Rider().state != 10 && frames < 1000) {
      RideFrame({});
      ++frames;
    }
    EXPECT_LT(frames, 1000) << kind;
    EXPECT_FLOAT_EQ(Rider().y, kStandingY);
    // A wrecked flying machine puts her down too.
    ResetHeroineScene();
    BoardMachine(kind);
    g_battle.MachineHp = -1.0f;
    RideFrame({});
    EXPECT_EQ(Rider().kind, 0);
  }
}

}  // namespace
}  // namespace horundel
