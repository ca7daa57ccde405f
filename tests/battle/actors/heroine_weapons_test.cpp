// The heroine's guns, the special attack, weapon switching and the throws of a captured enemy.
#include <gtest/gtest.h>

#include <vector>

#include "tests/battle/heroine_scene.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/actors/player_update.h"

namespace horundel {
namespace {

void CarryGun(int weapon, int ammunition) {
  g_battle.WeaponSlot[1] = WeaponSlotRecord{1, weapon, ammunition, 0};
  g_battle.CurrentWeaponSlot = 1;
}

TEST(HeroineWeapons, EmptyGunClicksAtItsClampedRateThenIsThrownOnAFreshPress) {
  struct Case {
    int reload;
    std::vector<int> clickFrames;   // counted from the shot
  };
  const Case cases[] = {{5, {5, 17, 29, 41, 53}}, {40, {40, 60}}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    WeaponRecords[1].reload = c.reload;
    CarryGun(1, 1);
    FrameOnFoot({kKeyShoot});
    EXPECT_EQ(CountKind(kTypePlayerAttack, WeaponRecords[1].attackKind), 1);
    EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 0);
    EXPECT_EQ(g_battle.GunOut, 1);
    EXPECT_EQ(SceneHeroine().state, 200);   // standing shot
    std::vector<int> clicks;
    for (int frame = 1; frame <= 60; ++frame) {
      const int before = g_battle.WeaponSlot[1].countdown;
      FrameOnFoot({kKeyShoot});
      if (g_battle.WeaponSlot[1].countdown > before) clicks.push_back(frame);
    }
    EXPECT_EQ(clicks, c.clickFrames) << "reload " << c.reload;
    EXPECT_EQ(CountKind(kTypePlayerAttack, WeaponRecords[1].attackKind), 1);
    for (int i = 0; i < 20; ++i) FrameOnFoot({});   // the click's countdown runs out
    FrameOnFoot({kKeyShoot});
    EXPECT_EQ(CountKind(kTypePlayerAttack, 720), 1);
    EXPECT_EQ(g_battle.WeaponSlot[1].used, 0);
    EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
    EXPECT_EQ(SceneHeroine().state, 220);
    EXPECT_EQ(SceneHeroine().timer, 19);   // thrown back for 20 frames, this one included
  }
}

TEST(HeroineWeapons, HeldShootFiresAgainEachTimeTheReloadRunsOut) {
  ResetHeroineScene();
  WeaponRecords[1].reload = 6;
  CarryGun(1, 50);
  for (int frame = 0; frame < 30; ++frame) FrameOnFoot({kKeyShoot});
  EXPECT_EQ(CountKind(kTypePlayerAttack, WeaponRecords[1].attackKind), 5);   // frames 0, 6, 12, 18, 24
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 45);
}

TEST(HeroineWeapons, ShotReactionsFollowTheWeapon) {
  struct Case {
    int weapon;
    int state;
    int timer;
  };
  const Case cases[] = {{7, 201, 9}, {9, 202, 5}, {12, 203, 9}, {13, 204, 0}, {16, 10, 0}, {2, 200, 19}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    CarryGun(c.weapon, 10);
    FrameOnFoot({kKeyShoot});
    EXPECT_EQ(SceneHeroine().state, c.state) << "weapon " << c.weapon;
    EXPECT_EQ(SceneHeroine().timer, c.timer) << "weapon " << c.weapon;
  }
  // Recoil throws her back against the aim at 12, then friction.
  ResetHeroineScene();
  CarryGun(7, 10);
  FrameOnFoot({kKeyShoot});
  EXPECT_FLOAT_EQ(SceneHeroine().vx, -11.5f);
}

TEST(HeroineWeapons, AShotCancelsOnlyTheLastThirtyFramesOfTheThirdComboHit) {
  ResetHeroineScene();
  CarryGun(1, 10);
  SceneHeroine().state = 302;
  SceneHeroine().timer = 31;
  FrameOnFoot({kKeyShoot});
  EXPECT_EQ(SceneHeroine().state, 302);
  EXPECT_TRUE(LiveKinds(kTypePlayerAttack).empty());
  FrameOnFoot({kKeyShoot});
  EXPECT_EQ(SceneHeroine().state, 10);
  EXPECT_EQ(LiveKinds(kTypePlayerAttack).size(), 1u);
}

TEST(HeroineWeapons, ShotsDuringTheSpinGoRoundTenAnglesAtDoubleRate) {
  ResetHeroineScene();
  WeaponRecords[1].reload = 4;
  CarryGun(1, 40);
  SceneHeroine().state = 34;
  SceneHeroine().timer = 90;
  SceneHeroine().y = 500.0f;   // high in the air
  std::vector<float> angles;
  for (int frame = 0; frame < 20; ++frame) {
    FrameOnFoot({kKeyShoot, kKeyJump});
    angles.push_back(g_battle.AimAngle);
  }
  // The countdown steps twice a frame: a shot every other frame, each taking one round.
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 30);
  EXPECT_FLOAT_EQ(angles[0], 0.8f * kPi);   // 39 rounds left after the first shot: (9 - 5) x 0.2 pi
  std::vector<float> distinct;
  for (float a : angles) {
    bool seen = false;
    for (float d : distinct) seen = seen || d == a;
    if (!seen) distinct.push_back(a);
  }
  EXPECT_EQ(distinct.size(), 10u);
}

TEST(HeroineWeapons, SpecialAttackIsRefusedWhileInvulnerableOrWithoutCharges) {
  struct Case {
    int currentSlot;
    int charges;
    int invulnerable;
    int state;
  };
  const Case cases[] = {{0, 3, 0, 500}, {0, 0, 0, 10}, {1, 0, 0, 500}, {0, 3, 5, 10}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    CarryGun(1, 10);
    g_battle.CurrentWeaponSlot = c.currentSlot;
    g_battle.WeaponSlot[0].ammunition = c.charges;
    SceneHeroine().extra = c.invulnerable;
    FrameOnFoot({kKeySpecial});
    EXPECT_EQ(SceneHeroine().state, c.state) << "slot " << c.currentSlot << " charges " << c.charges;
    EXPECT_EQ(CountKind(kTypePlayerAttack, 710), c.state == 500 ? 1 : 0);
  }
  // It ends after 40 frames spending a charge, with attack 711.
  ResetHeroineScene();
  FrameOnFoot({kKeySpecial});
  for (int i = 0; i < 39; ++i) FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 220);
  EXPECT_EQ(CountKind(kTypePlayerAttack, 711), 1);
  EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, 2);
}

TEST(HeroineWeapons, ToolWeaponChargesWhileHeldAndIsThrownOnRelease) {
  struct Case {
    int heldFrames;
    bool missileSkill;
    int attack;
  };
  const Case cases[] = {{10, true, 700}, {40, false, 700}, {40, true, 704}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    SkillRecords[6].owned = c.missileSkill ? 1 : 0;
    for (int i = 0; i < c.heldFrames; ++i) FrameOnFoot({kKeyShoot});
    EXPECT_EQ(g_battle.ToolWeaponState, 2);
    EXPECT_EQ(g_battle.WeaponSlot[0].countdown, c.heldFrames);
    FrameOnFoot({});
    EXPECT_EQ(g_battle.ToolWeaponState, 0);
    EXPECT_EQ(CountKind(kTypePlayerAttack, c.attack), 1) << c.heldFrames;
    EXPECT_EQ(SceneHeroine().state, 220);
    // Nothing more is thrown while it is away.
    FrameOnFoot({kKeyShoot});
    FrameOnFoot({});
    EXPECT_EQ(LiveKinds(kTypePlayerAttack).size(), 1u);
  }
}

TEST(HeroineWeapons, NextAndPreviousTogetherEndOnTheToolWeapon) {
  ResetHeroineScene();
  g_battle.WeaponSlot[1] = WeaponSlotRecord{1, 1, 10, 0};
  g_battle.WeaponSlot[2] = WeaponSlotRecord{1, 2, 10, 0};
  FrameOnFoot({kKeyPreviousWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);   // wraps
  EXPECT_EQ(g_battle.WeaponSlotSlide, 50.0f);
  FrameOnFoot({kKeyPreviousWeapon});                // held: no second step
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);
  FrameOnFoot({});
  FrameOnFoot({kKeyNextWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
  EXPECT_EQ(g_battle.WeaponSlotSlide, 0.0f);
  FrameOnFoot({});
  FrameOnFoot({kKeyNextWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 1);
  FrameOnFoot({});
  FrameOnFoot({kKeyPreviousWeapon, kKeyNextWeapon});   // steps to 2 then back to 1, and both end on 0
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
}

Character& HoldEnemy(int slot, float x) {
  Character& e = PlaceEnemy(slot, 0, x, kStandingY);
  e.state = 231;
  g_battle.HeldEnemySlot = slot;
  SceneHeroine().state = 230;
  SceneHeroine().timer = 1;
  return e;
}

TEST(HeroineWeapons, HoldingKeysChooseTheThrow) {
  struct Case {
    std::vector<int> keys;
    int state;
    int attack;
  };
  const Case cases[] = {
      {{kKeyJump}, 410, 730}, {{kKeyRight}, 370, 730}, {{kKeyLeft}, 380, 730},
      {{kKeyUp}, 390, 0},     {{kKeyDown}, 400, 740},  {{}, 360, 730},
  };
  for (const Case& c : cases) {
    ResetHeroineScene();
    HoldEnemy(5, 1140.0f);
    HoldKeys({});
    for (int key : c.keys) KeyBindings[key].pressed = 1;
    UpdatePlayerOnFoot(kPlayerSlot, 0);
    EXPECT_EQ(SceneHeroine().state, c.state);
    if (c.attack != 0) { EXPECT_EQ(LiveKinds(kTypePlayerAttack), (std::vector<int>{c.attack})) << c.state; }
    if (c.attack == 0) { EXPECT_TRUE(LiveKinds(kTypePlayerAttack).empty()); }
  }
}

TEST(HeroineWeapons, SwingThrowReleasesTheEnemyWithDamage) {
  ResetHeroineScene();
  Character& e = HoldEnemy(5, 1140.0f);
  FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 360);
  for (int i = 0; i < 79; ++i) FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 360);
  EXPECT_EQ(e.state, 231);
  FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 361);
  EXPECT_EQ(e.state, 232);
  EXPECT_FLOAT_EQ(e.hp, 900.0f);
  EXPECT_FLOAT_EQ(e.vx, 12.0f);
  EXPECT_FLOAT_EQ(e.vy, -12.1f);
}

TEST(HeroineWeapons, OrbitThrowAgainstTheMapEdgeEndsWhenTheTimerIsZero) {
  ResetHeroineScene();
  SceneHeroine().x = 3000.0f;
  Character& e = HoldEnemy(5, 3140.0f);
  FrameOnFoot({kKeyRight});
  EXPECT_EQ(SceneHeroine().state, 370);
  EXPECT_EQ(SceneHeroine().timer, 20);
  for (int i = 0; i < 19; ++i) FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 370);
  FrameOnFoot({});
  EXPECT_EQ(SceneHeroine().state, 371);
  EXPECT_EQ(e.state, 232);
  EXPECT_FLOAT_EQ(e.hp, 200.0f);
  // Left outside the map it is put back on her.
  EXPECT_EQ(e.x, SceneHeroine().x - SceneHeroine().vx);
}

TEST(HeroineWeapons, AHoldOnAnEnemyThatIsGoneIsDroppedWithoutWritingItsSlot) {
  for (int holdState : {230, 360, 370, 390}) {
    ResetHeroineScene();
    HoldEnemy(5, 1140.0f);
    SceneHeroine().state = holdState;
    SceneHeroine().timer = 30;
    CharacterTable[5].state = 0;   // freed by its own update while held
    FrameOnFoot({});
    EXPECT_EQ(SceneHeroine().state, 10) << holdState;
    EXPECT_EQ(g_battle.HeldEnemySlot, 0);
    EXPECT_EQ(CharacterTable[5].state, 0);
    // A reused slot holding something else is left alone too.
    ResetHeroineScene();
    HoldEnemy(5, 1140.0f);
    SceneHeroine().state = holdState;
    SceneHeroine().timer = 30;
    CharacterTable[5].type = kTypeEffect;
    FrameOnFoot({});
    EXPECT_EQ(SceneHeroine().state, 10) << holdState;
    EXPECT_EQ(CharacterTable[5].state, 231);
    EXPECT_FLOAT_EQ(CharacterTable[5].x, 1140.0f);
  }
}

}  // namespace
}  // namespace horundel
