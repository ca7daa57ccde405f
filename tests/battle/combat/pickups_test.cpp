// Pickups: spawning and drops, their physics, collection, and the weapon inventory.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/battle/attack_scene.h"
#include "tests/battle/battle_fixture.h"
#include "game/battle/world/character_table.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/world/player_moves.h"
#include "game/battle/data/shell_services.h"
#include "media/core/random.h"

namespace horundel {
namespace {

std::vector<int> KindsOfType(int type) {
  std::vector<int> kinds;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (CharacterTable[slot].state != 0 && CharacterTable[slot].type == type) kinds.push_back(CharacterTable[slot].kind);
  }
  return kinds;
}

TEST(Pickups, SpawnCoinsPaysLargestFirstInAtMostSixCoins) {
  struct Case {
    int amount;
    std::vector<int> kinds;
  };
  const Case cases[] = {
      {1234, {12, 12, 2, 2, 1, 1}},   // 14 is lost
      {0, {}},
      {66, {11, 1, 10, 0}},
      {999999, {12, 12, 12, 12, 12, 12}},
      {-5, {}},
  };
  for (const Case& c : cases) {
    ResetScene();
    SpawnCoins(c.amount, 500.0f, 500.0f);
    EXPECT_EQ(KindsOfType(kTypeCoin), c.kinds) << c.amount;
  }
}

TEST(Pickups, SpawnItemDrawsLifeAndVelocityInOrder) {
  struct Case {
    int type;
    int kind;
    int lifeBase;
    float halfHeight;
  };
  const Case cases[] = {{kTypeCoin, 0, 300, 40}, {kTypeCoin, 11, 300, 60}, {kTypeCoin, 2, 300, 80},
                        {kTypeSupply, 1, 600, 40}, {kTypeWeaponPickup, 7, 600, 40}, {kTypeMachinePickup, 10, 1200, 60}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type * 100 + c.kind);
    ResetScene();
    zelvo::SeedRandom(2024);
    const int life = RandomUpTo(10) + c.lifeBase;
    float vx = 0.0f, vy = 0.0f;
    if (c.type == kTypeCoin) {
      vx = static_cast<float>(RandomUpTo(12) - 6);
      vy = -static_cast<float>(RandomUpTo(12));
    } else if (c.type != kTypeMachinePickup) {
      vx = static_cast<float>(RandomUpTo(12) - 6);
      vy = static_cast<float>(6 - RandomUpTo(6));
    }
    zelvo::SeedRandom(2024);
    const Character& item = CharacterTable[SpawnItem(c.type, c.kind, 300.0f, 400.0f)];
    EXPECT_EQ(item.timer, life);
    EXPECT_EQ(item.vx, vx);
    EXPECT_EQ(item.vy, vy);
    EXPECT_EQ(item.x, 300.0f);
    EXPECT_EQ(item.y, 360.0f);
    EXPECT_EQ(item.halfHeight, c.halfHeight);
    EXPECT_EQ(item.state, 10);
  }
}

TEST(Pickups, RandomDropKindRangesByMission) {
  ResetScene();
  zelvo::SeedRandom(5);
  auto weapons = [](int mission) {
    g_battle.CurrentMission = mission;
    std::set<int> seen;
    for (int i = 0; i < 4000; ++i) seen.insert(RandomDropKind(kTypeWeaponPickup));
    return seen;
  };
  EXPECT_EQ(weapons(0), (std::set<int>{1, 2, 3, 4, 5, 6, 14}));
  const std::set<int> late = weapons(5);
  EXPECT_TRUE(late.count(19));
  EXPECT_FALSE(late.count(17));
  EXPECT_FALSE(late.count(18));
  std::set<int> coins, supplies;
  for (int i = 0; i < 2000; ++i) {
    coins.insert(RandomDropKind(kTypeCoin));
    supplies.insert(RandomDropKind(kTypeSupply));
  }
  EXPECT_EQ(coins, (std::set<int>{0, 1, 2, 10, 11, 12}));
  EXPECT_EQ(supplies, (std::set<int>{0, 1, 10, 20}));
  EXPECT_EQ(RandomDropKind(33), 1);
}

TEST(Pickups, DropsOnDeathAndFromCells) {
  ResetScene();
  g_battle.ComboCount = 20;
  g_battle.PendingHits = 4;
  PlaceEnemy(10, 0, 500.0f, 500.0f);
  DropOnEnemyDeath(10);                 // 24 / 12 + 100 = 102
  EXPECT_EQ(KindsOfType(kTypeCoin), (std::vector<int>{2, 0, 0}));
  ResetScene();
  g_battle.ComboCount = 20;
  PlaceEnemy(10, 30, 500.0f, 500.0f);
  DropOnEnemyDeath(10);                 // 20 / 4 + 300 = 305
  EXPECT_EQ(KindsOfType(kTypeCoin), (std::vector<int>{2, 2, 2, 10}));
  ResetScene();
  PlaceEnemy(10, 10, 500.0f, 500.0f);
  DropOnEnemyDeath(10);                 // a turret with no combo pays nothing
  EXPECT_TRUE(KindsOfType(kTypeCoin).empty());

  ResetScene();
  TileMap[3][4].kind = 50;
  DropFromCell(3, 4);
  ASSERT_EQ(KindsOfType(kTypeSupply), (std::vector<int>{kSupplyRepair}));
  EXPECT_EQ(CharacterTable[2].x, 350.0f);
  EXPECT_EQ(CharacterTable[2].y, 450.0f - 40.0f);
  ResetScene();
  g_battle.PendingHits = 16;
  TileMap[3][4].kind = 70;
  DropFromCell(3, 4);                   // 16 / 8 + 300
  EXPECT_EQ(KindsOfType(kTypeCoin), (std::vector<int>{2, 2, 2, 0, 0}));
  ResetScene();
  TileMap[3][4].kind = 60;
  DropFromCell(3, 4);
  DropFromCell(-1, 4);
  DropFromCell(3, 500);
  EXPECT_EQ(CountLive(kTypeCoin) + CountLive(kTypeSupply) + CountLive(kTypeWeaponPickup), 0);
}

Character& PlaceItem(int type, int kind, float x, float y, float vx, float vy) {
  Character& item = CharacterTable[10];
  item = Character{};
  item.type = type;
  item.kind = kind;
  item.state = 10;
  item.timer = 500;
  item.x = x;
  item.y = y;
  item.vx = vx;
  item.vy = vy;
  item.halfWidth = item.halfHeight = 40.0f;
  return item;
}

TEST(Pickups, CoinsBounceAndSettle) {
  ResetScene();
  for (int column = 0; column <= 30; ++column) TileMap[column][10].kind = 20;   // ground top at y 1000
  TileMap[12][9].kind = 20;                                                    // a wall from x 1200
  // A hard landing bounces back at half speed.
  Character& coin = PlaceItem(kTypeCoin, 0, 550.0f, 945.0f, 0.0f, 20.0f);
  UpdateItem(10, 0);
  EXPECT_FLOAT_EQ(coin.vy, -9.5f);
  EXPECT_FLOAT_EQ(coin.y, 935.5f);
  // A soft one settles on the ground and starts to slow down.
  PlaceItem(kTypeCoin, 0, 550.0f, 955.0f, 2.0f, 5.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(coin.vy, 0.0f);
  EXPECT_EQ(coin.y, 960.0f);
  EXPECT_FLOAT_EQ(coin.vx, 1.9f);
  EXPECT_FLOAT_EQ(coin.x, 551.9f);
  // A wall turns it round; rising into a ceiling sends it down at 5.
  PlaceItem(kTypeCoin, 0, 1150.0f, 960.0f, 20.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_FLOAT_EQ(coin.vx, -19.9f);
  TileMap[5][8].kind = 20;
  PlaceItem(kTypeCoin, 0, 550.0f, 950.0f, 0.0f, -20.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(coin.vy, 5.5f);   // sent down at 5, then gravity
  // Anything left long enough comes to rest and is gone when its life ends.
  PlaceItem(kTypeCoin, 0, 550.0f, 500.0f, 3.0f, 0.0f).timer = 300;
  for (int frame = 0; frame < 299; ++frame) UpdateItem(10, 0);
  EXPECT_EQ(coin.y, 960.0f);
  EXPECT_EQ(coin.vx, 0.0f);
  EXPECT_NE(coin.state, 0);
  UpdateItem(10, 0);
  EXPECT_EQ(coin.state, 0);
}

TEST(Pickups, SuppliesSpinInTheAirAndLieStillOnTheGround) {
  ResetScene();
  for (int column = 0; column <= 30; ++column) TileMap[column][10].kind = 20;
  Character& supply = PlaceItem(kTypeSupply, 0, 550.0f, 500.0f, 1.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_FLOAT_EQ(supply.angle, 0.1f * kPi);
  EXPECT_EQ(supply.vy, 0.5f);
  PlaceItem(kTypeSupply, 0, 550.0f, 960.0f, 3.0f, 2.0f).angle = 1.0f;
  UpdateItem(10, 0);
  EXPECT_EQ(supply.vx, 0.0f);
  EXPECT_EQ(supply.angle, 0.0f);
  EXPECT_EQ(supply.y, 960.0f);
  // Inside a solid cell nothing moves.
  PlaceItem(kTypeSupply, 0, 550.0f, 1050.0f, 3.0f, 2.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(supply.x, 550.0f);
  // Modes other than 0 free it.
  UpdateItem(10, 2);
  EXPECT_EQ(supply.state, 0);
}

TEST(Pickups, CollectingCoinsAndSupplies) {
  ResetScene();
  PlaceItem(kTypeCoin, 11, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.Money, 50);
  EXPECT_EQ(g_battle.MissionMoney, 50);
  EXPECT_EQ(g_battle.MissionScore, 50);
  EXPECT_EQ(CharacterTable[10].type == kTypeCoin && CharacterTable[10].state != 0, false);

  // Ammunition for the current gun: a quarter of its first load, shown on the HUD.
  ResetScene();
  g_battle.WeaponSlotCount = 3;
  g_battle.CurrentWeaponSlot = 2;
  g_battle.WeaponSlot[1] = {1, 1, 6000, 0};
  g_battle.WeaponSlot[2] = {1, 4, 100, 0};
  PlaceItem(kTypeSupply, kSupplyCurrentGun, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.WeaponSlot[2].ammunition, 100 + WeaponRecords[4].initialAmmunition / 4);
  EXPECT_EQ(g_battle.AmmoGainShown, WeaponRecords[4].initialAmmunition / 4);
  EXPECT_EQ(g_battle.AmmoGainTimer, 60);
  // The current gun full: the first gun below its maximum takes it, without the HUD figure.
  g_battle.AmmoGainShown = 0;
  g_battle.CurrentWeaponSlot = 1;
  PlaceItem(kTypeSupply, kSupplyCurrentGun, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.WeaponSlot[2].ammunition, 100 + 2 * (WeaponRecords[4].initialAmmunition / 4));
  EXPECT_EQ(g_battle.AmmoGainShown, 0);
  // Every carried gun, up to the first empty slot.
  g_battle.WeaponSlot[1].ammunition = 0;
  PlaceItem(kTypeSupply, kSupplyEveryGun, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, WeaponRecords[1].initialAmmunition / 4);
  EXPECT_EQ(g_battle.WeaponSlot[2].ammunition, 100 + 3 * (WeaponRecords[4].initialAmmunition / 4));
  EXPECT_EQ(g_battle.AmmoGainShown, WeaponRecords[1].initialAmmunition / 4);
  // Repair and a tool-weapon charge, both capped.
  CharacterTable[kPlayerSlot].hp = 700.0f;
  PlaceItem(kTypeSupply, kSupplyRepair, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f);
  g_battle.WeaponSlot[0].ammunition = WeaponRecords[0].maximumAmmunition;
  PlaceItem(kTypeSupply, kSupplyToolCharge, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, WeaponRecords[0].maximumAmmunition);
  EXPECT_EQ(CountLive(kTypeSupply), 0);

  // The thrown tool-weapon fetches coins, not weapons.
  ResetScene();
  g_battle.ToolWeaponState = 0;
  Character& fetch = CharacterTable[3];
  fetch = Character{kTypePlayerAttack, 701, 10, 50, 0, 0, 0, 0, 1, 0, 0, 300.0f, 300.0f, 0, 0, 50.0f, 50.0f, 0, 1, 0};
  PlaceItem(kTypeCoin, 0, 300.0f, 300.0f, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(g_battle.Money, 1);
  PlaceItem(kTypeWeaponPickup, 3, 300.0f, 300.0f, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_NE(CharacterTable[10].state, 0);
}

TEST(Pickups, BoardingAMachine) {
  ResetScene();
  CharacterTable[kPlayerSlot].state = 100;   // knocked down: no boarding
  PlaceItem(kTypeMachinePickup, 10, kPlayerX + 30.0f, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].kind, 0);
  CharacterTable[kPlayerSlot].state = 10;
  UpdateItem(10, 0);
  const Character& player = CharacterTable[kPlayerSlot];
  EXPECT_EQ(player.kind, 10);
  EXPECT_EQ(player.state, 70);
  EXPECT_EQ(player.halfWidth, 120.0f);
  EXPECT_EQ(player.x, kPlayerX + 30.0f);
  EXPECT_EQ(g_battle.MachineHp, 1200.0f);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].weapon, 6);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].ammunition, 20);
  EXPECT_EQ(CharacterTable[10].state, 0);
  // Riding, the next machine stays where it is.
  PlaceItem(kTypeMachinePickup, 1, kPlayerX, kPlayerY, 0.0f, 0.0f);
  UpdateItem(10, 0);
  EXPECT_NE(CharacterTable[10].state, 0);
}

TEST(MoveGate, RefusalsByState) {
  struct Case {
    int state, timer, request, result;
  };
  const Case cases[] = {
      {10, 0, kMoveBoardMachine, 1}, {230, 0, kMoveBoardMachine, 0}, {101, 0, 20, 0},   {34, 0, 20, 0},
      {331, 15, 30, 1},              {331, 16, 30, 0},                {32, 0, 200, 3},  {302, 30, 200, 2},
      {302, 31, 200, 0},             {311, 0, 200, 2},                {10, 0, 200, 1},  {351, 0, 350, 0},
      {320, 0, 340, 0},              {50, 0, 300, 0},                 {212, 0, 350, 0},
  };
  for (const Case& c : cases) {
    CharacterTable[kPlayerSlot].state = c.state;
    CharacterTable[kPlayerSlot].timer = c.timer;
    EXPECT_EQ(CanStartMove(c.request), c.result) << c.state << " " << c.timer << " " << c.request;
  }
}

TEST(WeaponInventory, AddWeaponFillsOnlyTheUsableSlots) {
  ResetScene();
  g_battle.WeaponSlotCount = 2;
  EXPECT_EQ(AddWeapon(1), 1);
  EXPECT_EQ(AddWeapon(3), 1);
  EXPECT_EQ(AddWeapon(5), 0);   // both slots hold other guns
  EXPECT_EQ(g_battle.WeaponSlot[3].used, 0);
  EXPECT_EQ(WeaponRecords[5].owned, 0);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);   // auto change switches to the gun taken
  EXPECT_EQ(g_battle.AmmoGainShown, WeaponRecords[1].initialAmmunition + WeaponRecords[3].initialAmmunition);
  EXPECT_EQ(WeaponRecords[3].owned, 1);
  // A carried gun is refilled by its first load up to the maximum, then refused.
  const WeaponRecord& record = WeaponRecords[3];
  EXPECT_EQ(AddWeapon(3), 1);
  EXPECT_EQ(g_battle.WeaponSlot[2].ammunition, 2 * record.initialAmmunition);
  while (g_battle.WeaponSlot[2].ammunition < record.maximumAmmunition) ASSERT_EQ(AddWeapon(3), 1);
  EXPECT_EQ(g_battle.WeaponSlot[2].ammunition, record.maximumAmmunition);
  EXPECT_EQ(AddWeapon(3), 0);
  // Without the auto change the selection stays.
  GameSettings.autoWeaponChange = 1;
  g_battle.WeaponSlotCount = 3;
  EXPECT_EQ(AddWeapon(7), 1);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 2);
  // Numbers outside the gun records are refused without touching anything.
  for (int weapon : {0, 23, -1, 1000}) EXPECT_EQ(AddWeapon(weapon), 0) << weapon;
  // However many slots were bought, six entries are never exceeded.
  g_battle.WeaponSlotCount = 9;
  for (int weapon = 1; weapon <= 22; ++weapon) AddWeapon(weapon);
  EXPECT_EQ(g_battle.WeaponSlot[6].used, 0);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].used, 0);
}

TEST(WeaponInventory, RemoveWeaponShiftsDownAndPullsInTheEmptyEntry) {
  ResetScene();
  g_battle.WeaponSlotCount = 5;
  for (int s = 1; s <= 5; ++s) g_battle.WeaponSlot[s] = {1, s + 1, 10 * s, 0};
  g_battle.WeaponSlot[kMachineWeaponSlot] = {1, 6, 20, 0};
  g_battle.CurrentWeaponSlot = 5;
  g_battle.GunOut = 1;
  RemoveWeapon(2);
  EXPECT_EQ(g_battle.WeaponSlot[2].weapon, 4);
  EXPECT_EQ(g_battle.WeaponSlot[4].weapon, 6);
  EXPECT_EQ(g_battle.WeaponSlot[5].used, 0);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].used, 1);   // the ridden machine's gun stays apart
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 4);
  EXPECT_EQ(g_battle.WeaponSlotSlide, 50.0f);
  EXPECT_EQ(g_battle.GunOut, 0);
  EXPECT_EQ(g_battle.WeaponSlotCount, 5);
  // The current slot still in use: the selection stays.
  g_battle.CurrentWeaponSlot = 1;
  g_battle.WeaponSlotSlide = 25.0f;
  RemoveWeapon(1);
  EXPECT_EQ(g_battle.CurrentWeaponSlot, 1);
  EXPECT_EQ(g_battle.WeaponSlotSlide, 25.0f);
  // Slot 0 spends a tool-weapon charge, never below 0; slots outside the usable ones are ignored.
  g_battle.WeaponSlot[0].ammunition = 1;
  RemoveWeapon(0);
  RemoveWeapon(0);
  EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, 0);
  RemoveWeapon(6);
  RemoveWeapon(-3);
  EXPECT_EQ(g_battle.WeaponSlot[kMachineWeaponSlot].used, 1);
  EXPECT_EQ(g_battle.WeaponSlot[1].weapon, 4);
}

class PickupLog : public zelvo_test::BattleTest {};

TEST_F(PickupLog, AFullTableSpawnsNoItem) {
  ResetScene();
  FillTableLeaving(1);
  SpawnCoins(20, 0.0f, 0.0f);
  EXPECT_EQ(CountLive(kTypeCoin), 1);
  EXPECT_EQ(ScreenLogText(), "Character Over by item\n\n");
}

}  // namespace
}  // namespace horundel
