// The heroine's guns, the special attack, weapon switching and the throws of a captured enemy.
#include <gtest/gtest.h>

#include <vector>

#include "heroine_scene.h"
#include "game/battle/game_tables.h"
#include "game/battle/player_update.h"

namespace horundel {
namespace {

Character& Heroine() { return CharacterTable[kPlayerSlot]; }

void Frame(std::initializer_list<int> keys) {
  HoldKeys(keys);
  UpdatePlayerOnFoot(kPlayerSlot, 0);
}

int CountKind(int type, int kind) {
  int count = 0;
  for (int k : LiveKinds(type)) count += k == kind ? 1 : 0;
  return count;
}

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
    Frame({kKeyShoot});
    EXPECT_EQ(CountKind(kTypePlayerAttack, WeaponRecords[1].attackKind), 1);
    EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 0);
    EXPECT_EQ(g_battle.GunOut, 1);
    EXPECT_EQ(Heroine().state, 200);   // standing shot
    std::vector<int> clicks;
    for (int frame = 1; frame <= 60; ++frame) {
      const int before = g_battle.WeaponSlot[1].countdown;
      Frame({kKeyShoot});
      if (g_battle.WeaponSlot[1].countdown > before) clicks.push_back(frame);
    }
    EXPECT_EQ(clicks, c.clickFrames) << "reload " << c.reload;
    EXPECT_EQ(CountKind(kTypePlayerAttack, WeaponRecords[1].attackKind), 1);
    for (int i = 0; i < 20; ++i) Frame({});   // the click's countdown runs out
    Frame({kKeyShoot});
    EXPECT_EQ(CountKind(kTypePlayerAttack, 720), 1);
    EXPECT_EQ(g_battle.WeaponSlot[1].used, 0);
    EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
    EXPECT_EQ(Heroine().state, 220);
    EXPECT_EQ(Heroine().timer, 19);   // thrown back for 20 frames, this one included
  }
}

TEST(HeroineWeapons, HeldShootFiresAgainEachTimeTheReloadRunsOut) {
  ResetHeroineScene();
  WeaponRecords[1].reload = 6;
  CarryGun(1, 50);
  for (int frame = 0; frame < 30; ++frame) Frame({kKeyShoot});
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
    Frame({kKeyShoot});
    EXPECT_EQ(Heroine().state, c.state) << "weapon " << c.weapon;
    EXPECT_EQ(Heroine().timer, c.timer) << "weapon " << c.weapon;
  }
  // Recoil throws her back against the aim at 12, then friction.
  ResetHeroineScene();
  CarryGun(7, 10);
  Frame({kKeyShoot});
  EXPECT_FLOAT_EQ(Heroine().vx, -11.5f);
}

TEST(HeroineWeapons, AShotCancelsOnlyTheLastThirtyFramesOfTheThirdComboHit) {
  ResetHeroineScene();
  CarryGun(1, 10);
  Heroine().state = 302;
  Heroine().timer = 31;
  Frame({kKeyShoot});
  EXPECT_EQ(Heroine().state, 302);
  EXPECT_TRUE(LiveKinds(kTypePlayerAttack).empty());
  Frame({kKeyShoot});
  EXPECT_EQ(Heroine().state, 10);
  EXPECT_EQ(LiveKinds(kTypePlayerAttack).size(), 1u);
}

TEST(HeroineWeapons, ShotsDuringTheSpinGoRoundTenAnglesAtDoubleRate) {
  ResetHeroineScene();
  WeaponRecords[1].reload = 4;
  CarryGun(1, 40);
  Heroine().state = 34;
  Heroine().timer = 90;
  Heroine().y = 500.0f;   // high in the air
  std::vector<float> angles;
  for (int frame = 0; frame < 20; ++frame) {
    Frame({kKeyShoot, kKeyJump});
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
    Heroine().extra = c.invulnerable;
    Frame({kKeySpecial});
    EXPECT_EQ(Heroine().state, c.state) << "slot " << c.currentSlot << " charges " << c.charges;
    EXPECT_EQ(CountKind(kTypePlayerAttack, 710), c.state == 500 ? 1 : 0);
  }
  // It ends after 40 frames spending a charge, with attack 711.
  ResetHeroineScene();
  Frame({kKeySpecial});
  for (int i = 0; i < 39; ++i) Frame({});
  EXPECT_EQ(Heroine().state, 220);
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
    for (int i = 0; i < c.heldFrames; ++i) Frame({kKeyShoot});
    EXPECT_EQ(g_battle.ToolWeaponState, 2);
    EXPECT_EQ(g_battle.WeaponSlot[0].countdown, c.heldFrames);
    Frame({});
    EXPECT_EQ(g_battle.ToolWeaponState, 0);
    EXPECT_EQ(CountKind(kTypePlayerAttack, c.attack), 1) << c.heldFrames;
    EXPECT_EQ(Heroine().state, 220);
    // Nothing more is thrown while it is away.
    Frame({kKeyShoot});
    Frame({});
    EXPECT_EQ(LiveKinds(kTypePlayerAttack).size(), 1u);
  }
}

TEST(HeroineWeapons, NextAndPreviousTogetherEndOnTheToolWeapon) {
  ResetHeroineScene();
  g_battle.WeaponSlot[1] = WeaponSlotRecord{1, 1, 10, 0};
  g_battle.WeaponSlot[2] = WeaponSlotRecord{1, 2, 10, 0};
  Frame({kKeyPreviousWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);   // wraps
  EXPECT_EQ(g_battle.WeaponSlotSlide, 50.0f);
  Frame({kKeyPreviousWeapon});                // held: no second step
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);
  Frame({});
  Frame({kKeyNextWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
  EXPECT_EQ(g_battle.WeaponSlotSlide, 0.0f);
  Frame({});
  Frame({kKeyNextWeapon});
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 1);
  Frame({});
  Frame({kKeyPreviousWeapon, kKeyNextWeapon});   // steps to 2 then back to 1, and both end on 0
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 0);
}

Character& HoldEnemy(int slot, float x) {
  Character& e = PlaceEnemy(slot, 0, x, kStandingY);
  e.state = 231;
  g_battle.HeldEnemySlot = slot;
  Heroine().state = 230;
  Heroine().timer = 1;
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
    EXPECT_EQ(Heroine().state, c.state);
    if (c.attack != 0) { EXPECT_EQ(LiveKinds(kTypePlayerAttack), (std::vector<int>{c.attack})) << c.state; }
    if (c.attack == 0) { EXPECT_TRUE(LiveKinds(kTypePlayerAttack).empty()); }
  }
}

TEST(HeroineWeapons, SwingThrowReleasesTheEnemyWithDamage) {
  ResetHeroineScene();
  Character& e = HoldEnemy(5, 1140.0f);
  Frame({});
  EXPECT_EQ(Heroine().state, 360);
  for (int i = 0; i < 79; ++i) Frame({});
  EXPECT_EQ(Heroine().state, 360);
  EXPECT_EQ(e.state, 231);
  Frame({});
  EXPECT_EQ(Heroine().state, 361);
  EXPECT_EQ(e.state, 232);
  EXPECT_FLOAT_EQ(e.hp, 900.0f);
  EXPECT_FLOAT_EQ(e.vx, 12.0f);
  EXPECT_FLOAT_EQ(e.vy, -12.1f);
}

TEST(HeroineWeapons, OrbitThrowAgainstTheMapEdgeEndsWhenTheTimerIsZero) {
  ResetHeroineScene();
  Heroine().x = 3000.0f;
  Character& e = HoldEnemy(5, 3140.0f);
  Frame({kKeyRight});
  EXPECT_EQ(Heroine().state, 370);
  EXPECT_EQ(Heroine().timer, 20);
  for (int i = 0; i < 19; ++i) Frame({});
  EXPECT_EQ(Heroine().state, 370);
  Frame({});
  EXPECT_EQ(Heroine().state, 371);
  EXPECT_EQ(e.state, 232);
  EXPECT_FLOAT_EQ(e.hp, 200.0f);
  // Left outside the map it is put back on her.
  EXPECT_EQ(e.x, Heroine().x - Heroine().vx);
}

TEST(HeroineWeapons, AHoldOnAnEnemyThatIsGoneIsDroppedWithoutWritingItsSlot) {
  for (int holdState : {230, 360, 370, 390}) {
    ResetHeroineScene();
    HoldEnemy(5, 1140.0f);
    Heroine().state = holdState;
    Heroine().timer = 30;
    CharacterTable[5].state = 0;   // freed by its own update while held
    Frame({});
    EXPECT_EQ(Heroine().state, 10) << holdState;
    EXPECT_EQ(g_battle.HeldEnemySlot, 0);
    EXPECT_EQ(CharacterTable[5].state, 0);
    // A reused slot holding something else is left alone too.
    ResetHeroineScene();
    HoldEnemy(5, 1140.0f);
    Heroine().state = holdState;
    Heroine().timer = 30;
    CharacterTable[5].type = kTypeEffect;
    Frame({});
    EXPECT_EQ(Heroine().state, 10) << holdState;
    EXPECT_EQ(CharacterTable[5].state, 231);
    EXPECT_FLOAT_EQ(CharacterTable[5].x, 1140.0f);
  }
}

}  // namespace
}  // namespace horundel
