// Attacks whose owner or target goes away mid-flight: they give up or go, and never write into a
// slot that was freed and handed to something else.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/battle/attack_scene.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/combat/pickups.h"

namespace horundel {
namespace {

// The slot is freed and handed to a coin far from everything.
Character ReuseAsCoin(int slot) {
  Character& coin = CharacterTable[slot];
  coin = Character{};
  coin.type = kTypeCoin;
  coin.state = 10;
  coin.timer = 300;
  coin.x = 2900.0f;
  coin.y = 100.0f;
  coin.halfWidth = coin.halfHeight = 40.0f;
  return coin;
}

bool Unchanged(int slot, const Character& before) {
  return std::memcmp(&CharacterTable[slot], &before, sizeof before) == 0;
}

TEST(AttackLiveness, HomingDropsATargetThatIsGone) {
  ResetScene();
  PlaceEnemy(10, 0, 2000.0f, 500.0f);
  Character& missile = PlaceAttack(2, kTypePlayerAttack, 40, 500.0f, 500.0f, 0.0f);
  missile.link = 10;
  missile.angle = 0.0f;
  missile.vy = 20.0f;
  UpdateAttack(2, 0);
  EXPECT_GT(missile.angle, 0.0f);   // turning toward the enemy
  const Character coin = ReuseAsCoin(10);
  const float angle = missile.angle;
  UpdateAttack(2, 0);
  EXPECT_EQ(missile.link, 0);
  EXPECT_EQ(missile.angle, angle);
  EXPECT_TRUE(Unchanged(10, coin));
}

TEST(AttackLiveness, LockedWiresAndThrownEnemiesGoWithTheirTarget) {
  for (int kind : {81, 730, 740}) {
    SCOPED_TRACE(kind);
    ResetScene();
    PlaceEnemy(10, 0, 2000.0f, 500.0f).state = 232;
    Character& attack = PlaceAttack(2, kTypePlayerAttack, kind, 2000.0f, 500.0f, 0.0f, 37);
    attack.link = 10;
    const Character coin = ReuseAsCoin(10);
    UpdateAttack(2, 0);
    EXPECT_EQ(attack.state, 0);
    EXPECT_TRUE(Unchanged(10, coin));
  }
  // A thrown enemy that lands and gets up ends its throw.
  ResetScene();
  PlaceEnemy(10, 0, 2000.0f, 500.0f).state = 10;
  PlaceAttack(2, kTypePlayerAttack, 730, 2000.0f, 500.0f, 0.0f, 37).link = 10;
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[2].state, 0);
}

TEST(AttackLiveness, TheToolWeaponLetsGoOfAVanishedEnemy) {
  for (int kind : {702, 707}) {
    SCOPED_TRACE(kind);
    ResetScene();
    g_battle.ToolWeaponState = 0;
    PlaceEnemy(10, 70, 2000.0f, 500.0f);
    Character& hold = PlaceAttack(2, kTypePlayerAttack, kind, 2100.0f, 500.0f, 0.0f, 30);
    hold.link = 10;
    UpdateAttack(2, 0);
    EXPECT_EQ(CharacterTable[10].state, kind == 702 ? 230 : 231);
    const Character coin = ReuseAsCoin(10);
    g_battle.HeldEnemySlot = 0;
    UpdateAttack(2, 0);
    EXPECT_EQ(hold.kind, 701);
    EXPECT_TRUE(Unchanged(10, coin));
    EXPECT_EQ(g_battle.HeldEnemySlot, 0);
  }
  // An enemy burnt past its maximum counts as gone too.
  ResetScene();
  g_battle.ToolWeaponState = 0;
  PlaceEnemy(10, 0, 2000.0f, 500.0f, 100.0f).hp = -150.0f;
  PlaceAttack(2, kTypePlayerAttack, 702, 2100.0f, 500.0f, 0.0f, 30).link = 10;
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[2].kind, 701);
}

TEST(AttackLiveness, AttachedAttacksGoWithTheirOwnersState) {
  ResetScene();
  CharacterTable[kPlayerSlot].state = 300;
  Character& swing = PlaceAttack(2, kTypePlayerAttack, 500, 0.0f, 0.0f, 0.0f, 10);
  swing.vx = 60.0f;
  UpdateAttack(2, 0);
  EXPECT_EQ(swing.x, kPlayerX + 60.0f);   // it follows her
  CharacterTable[kPlayerSlot].state = 10;
  UpdateAttack(2, 0);
  EXPECT_EQ(swing.state, 0);

  // An enemy's lunge, the air raid and its bomber go when their owner is gone.
  for (int kind : {501, 1000, 1010}) {
    SCOPED_TRACE(kind);
    ResetScene();
    PlaceEnemy(10, 0, 2000.0f, 500.0f).state = 301;
    Character& shot = PlaceAttack(2, kTypeEnemyShot, kind, 2000.0f, 500.0f, 0.0f, 20);
    shot.param = 10;
    shot.link = kPlayerSlot;
    UpdateAttack(2, 0);
    EXPECT_NE(shot.state, 0);
    const Character coin = ReuseAsCoin(10);
    UpdateAttack(2, 0);
    EXPECT_EQ(shot.state, 0);
    EXPECT_TRUE(Unchanged(10, coin));
  }
}

}  // namespace
}  // namespace horundel
