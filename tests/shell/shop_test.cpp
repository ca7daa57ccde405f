// The shop: prices and limits of the status ups, the order in which purchases are refused and
// with which message, skills, guns and selling; then the screens under scripted keys.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/shell/hud.h"
#include "game/shell/menu_frame.h"
#include "game/shell/shop_rules.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

constexpr int kFadeFrames = 32;
constexpr int kFirstShopFrame = kFadeFrames + 1;

// A gun of the fixture: price, initial and maximum ammunition.
void SetGun(int weapon, int price, int initial, int maximum, int discovered) {
  WeaponRecord& record = WeaponRecords[weapon];
  record = WeaponRecord{};
  std::snprintf(record.name, sizeof record.name, "gun%d", weapon);
  record.picture = -1;
  record.price = price;
  record.initialAmmunition = initial;
  record.maximumAmmunition = maximum;
  record.owned = discovered;
}

void Carry(int slot, int weapon, int ammunition) { g_battle.WeaponSlot[slot] = WeaponSlotRecord{1, weapon, ammunition, 0}; }

class Shop : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    g_battle = BattleState{};
    g_hud = HudState{};
    std::memset(CharacterTable, 0, sizeof CharacterTable);
    g_battle.HpGaugeCount = 2;
    g_battle.WeaponSlotCount = 3;
    g_battle.WeaponSlot[0] = WeaponSlotRecord{1, 0, 1, 0};
    Player().hp = 500.0f;
    Player().maxHp = 800.0f;
    SetGun(0, 0, 1, 3, 1);
    for (int weapon = 1; weapon < kWeaponCount; ++weapon) SetGun(weapon, 100 * weapon, 10, 30, weapon <= 6 ? 1 : 0);
    for (int skill = 0; skill < kSkillCount; ++skill) {
      SkillRecords[skill] = SkillRecord{};
      SkillRecords[skill].price = 1000 * (skill + 1);
    }
    FillWeaponShopOrder();
    FillSkillShopOrder();
  }

  static Character& Player() { return CharacterTable[kPlayerSlot]; }

  void ShopPress(const char* key, int frame) { Press(key, kFirstShopFrame + frame); }
  // Presses one key every 6 frames from the main menu's first frame, then Escape when asked.
  void Script(const std::vector<const char*>& keys, bool escape = true) {
    int frame = 0;
    for (const char* key : keys) {
      ShopPress(key, frame);
      frame += 6;
    }
    if (escape) Hold("Escape", kFirstShopFrame + frame, kFirstShopFrame + frame + 1);
  }
};

struct StatusPrice {
  int row;
  int level;   // gauges, boosts or gun slots
  int price;
  bool soldOut;
};

TEST_F(Shop, StatusUpPricesGrowWithTheLevelUpToTheLimit) {
  const StatusPrice cases[] = {
      {kStatusHpRefill, 0, 1000, false}, {kStatusToolCharge, 0, 3000, false},
      {kStatusHpGauge, 2, 10000, false}, {kStatusHpGauge, 5, 40000, false},  {kStatusHpGauge, 6, 50000, true},
      {kStatusAirBoost, 0, 25000, false}, {kStatusAirBoost, 1, 50000, false}, {kStatusAirBoost, 2, 75000, true},
      {kStatusGunSlot, 2, 16000, false},  {kStatusGunSlot, 4, 48000, false},  {kStatusGunSlot, 5, 64000, true},
  };
  for (const StatusPrice& c : cases) {
    g_battle.HpGaugeCount = c.row == kStatusHpGauge ? c.level : 2;
    g_battle.AirBoostLevel = c.row == kStatusAirBoost ? c.level : 0;
    g_battle.WeaponSlotCount = c.row == kStatusGunSlot ? c.level : 2;
    EXPECT_EQ(StatusUpPrice(c.row), c.price) << c.row << " at " << c.level;
    EXPECT_EQ(StatusUpSoldOut(c.row), c.soldOut) << c.row << " at " << c.level;
  }
}

TEST_F(Shop, StatusLevelsFromADamagedSaveStillPriceWithinRange) {
  g_battle.HpGaugeCount = INT_MAX;
  g_battle.AirBoostLevel = -7;
  g_battle.WeaponSlotCount = 0;
  EXPECT_EQ(StatusUpPrice(kStatusHpGauge), 50000);
  EXPECT_EQ(StatusUpPrice(kStatusAirBoost), 25000);
  EXPECT_EQ(StatusUpPrice(kStatusGunSlot), 0);
  EXPECT_TRUE(StatusUpSoldOut(kStatusHpGauge));
}

struct StatusPurchase {
  const char* name;
  int row;
  int money;
  bool hpFull;
  int toolCharges;   // of 3
  int level;         // gauges, boosts or gun slots
  int outcome;
  const char* message;
  int moneyAfter;
};

// Cases print as their names.
void PrintTo(const StatusPurchase& c, std::ostream* os) { *os << c.name; }

class StatusPurchases : public Shop, public ::testing::WithParamInterface<StatusPurchase> {};

TEST_P(StatusPurchases, PayOrRefuseWithTheRowsMessage) {
  const StatusPurchase& c = GetParam();
  Start();
  g_battle.Money = c.money;
  if (c.hpFull) Player().hp = Player().maxHp;
  g_battle.WeaponSlot[0].ammunition = c.toolCharges;
  if (c.row == kStatusHpGauge) g_battle.HpGaugeCount = c.level;
  if (c.row == kStatusAirBoost) g_battle.AirBoostLevel = c.level;
  if (c.row == kStatusGunSlot) g_battle.WeaponSlotCount = c.level;
  const BattleState before = g_battle;
  const ShopResult result = BuyStatusUp(c.row);
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_STREQ(result.message == nullptr ? "" : result.message, c.message);
  EXPECT_EQ(g_battle.Money, c.moneyAfter);
  if (c.outcome != kShopBought) {
    EXPECT_EQ(std::memcmp(&before, &g_battle, sizeof before), 0) << "a refusal changes nothing";
    return;
  }
  switch (c.row) {
    case kStatusHpRefill:
      EXPECT_EQ(Player().hp, 800.0f);
      break;
    case kStatusToolCharge:
      EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, c.toolCharges + 1);
      break;
    case kStatusHpGauge:
      EXPECT_EQ(g_battle.HpGaugeCount, c.level + 1);
      EXPECT_EQ(Player().maxHp, 400.0f * (c.level + 1));
      EXPECT_EQ(Player().hp, Player().maxHp);
      break;
    case kStatusAirBoost:
      EXPECT_EQ(g_battle.AirBoostLevel, c.level + 1);
      break;
    default:
      EXPECT_EQ(g_battle.WeaponSlotCount, c.level + 1);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StatusPurchases,
    ::testing::Values(
        StatusPurchase{"HpRefill", kStatusHpRefill, 1500, false, 1, 0, kShopBought, "", 500},
        StatusPurchase{"HpRefillShortOfMoney", kStatusHpRefill, 999, false, 1, 0, kShopMessage, "お金が足りません", 999},
        // Too little money and a full gauge at once: the row's own refusal speaks.
        StatusPurchase{"HpAlreadyFullWhileShort", kStatusHpRefill, 0, true, 1, 0, kShopMessage, "ＨＰはすでに満タンです", 0},
        StatusPurchase{"ToolCharge", kStatusToolCharge, 3000, false, 2, 0, kShopBought, "", 0},
        StatusPurchase{"ToolChargeFull", kStatusToolCharge, 9000, false, 3, 0, kShopMessage, "これ以上はチャージできません", 9000},
        StatusPurchase{"GaugeFromTwo", kStatusHpGauge, 10000, false, 1, 2, kShopBought, "", 0},
        StatusPurchase{"GaugeFromFive", kStatusHpGauge, 45000, false, 1, 5, kShopBought, "", 5000},
        StatusPurchase{"GaugeAtSix", kStatusHpGauge, 99999, false, 1, 6, kShopMessage, "これ以上は強化できません", 99999},
        StatusPurchase{"FirstAirBoost", kStatusAirBoost, 25000, false, 1, 0, kShopBought, "", 0},
        StatusPurchase{"SecondAirBoostShort", kStatusAirBoost, 49999, false, 1, 1, kShopMessage, "お金が足りません", 49999},
        StatusPurchase{"AirBoostAtTwo", kStatusAirBoost, 0, false, 1, 2, kShopMessage, "これ以上は強化できません", 0},
        StatusPurchase{"LastGunSlot", kStatusGunSlot, 48000, false, 1, 4, kShopBought, "", 0},
        StatusPurchase{"GunSlotsAtFive", kStatusGunSlot, 99999, false, 1, 5, kShopMessage, "これ以上は強化できません", 99999}),
    [](const ::testing::TestParamInfo<StatusPurchase>& info) { return std::string(info.param.name); });

TEST_F(Shop, SkillsAreBoughtOnceAndRefusedWhenShortOrOwned) {
  Start();
  g_battle.Money = 2500;
  ShopResult result = BuySkill(1);   // 2000
  EXPECT_EQ(result.outcome, kShopBought);
  EXPECT_EQ(SkillRecords[1].owned, 1);
  EXPECT_EQ(g_battle.Money, 500);
  // An owned skill only sounds the refusal, whatever the money.
  g_battle.Money = 99999;
  result = BuySkill(1);
  EXPECT_EQ(result.outcome, kShopRefused);
  EXPECT_EQ(g_battle.Money, 99999);
  g_battle.Money = 999;
  result = BuySkill(0);
  EXPECT_EQ(result.outcome, kShopMessage);
  EXPECT_STREQ(result.message, "お金が足りません");
  EXPECT_EQ(SkillRecords[0].owned, 0);
  EXPECT_EQ(g_battle.Money, 999);
}

struct GunPurchase {
  const char* name;
  int weapon;       // weapons 1-6 discovered, price 100 x number, 10 initial, 30 maximum
  int money;
  std::vector<std::vector<int>> carried;   // {weapon, ammunition} from slot 1
  int outcome;
  const char* message;
  int moneyAfter;
  int slot;         // where the gun is afterwards (0: not carried)
  int ammunition;
};

// Cases print as their names.
void PrintTo(const GunPurchase& c, std::ostream* os) { *os << c.name; }

class GunPurchases : public Shop, public ::testing::WithParamInterface<GunPurchase> {};

TEST_P(GunPurchases, FollowTheScanOfTheGunSlots) {
  const GunPurchase& c = GetParam();
  Start();
  g_battle.Money = c.money;
  for (std::size_t i = 0; i < c.carried.size(); ++i) Carry(static_cast<int>(i) + 1, c.carried[i][0], c.carried[i][1]);
  const ShopResult result = BuyWeapon(c.weapon);
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_STREQ(result.message == nullptr ? "" : result.message, c.message);
  EXPECT_EQ(g_battle.Money, c.moneyAfter);
  if (c.slot != 0) {
    EXPECT_EQ(g_battle.WeaponSlot[c.slot].used, 1);
    EXPECT_EQ(g_battle.WeaponSlot[c.slot].weapon, c.weapon);
    EXPECT_EQ(g_battle.WeaponSlot[c.slot].ammunition, c.ammunition);
  }
  if (c.outcome != kShopBought) {
    for (int s = 1; s <= kLastCarriedSlot; ++s) {
      if (s > static_cast<int>(c.carried.size())) {
        EXPECT_EQ(g_battle.WeaponSlot[s].used, 0) << s;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Guns, GunPurchases,
    ::testing::Values(
        GunPurchase{"IntoTheFirstEmptySlot", 3, 1000, {{1, 5}}, kShopBought, "", 700, 2, 10},
        GunPurchase{"MoreAmmunitionForACarriedGun", 2, 200, {{1, 5}, {2, 25}}, kShopBought, "", 0, 2, 30},
        GunPurchase{"ShortOfMoney", 4, 399, {}, kShopMessage, "お金が足りません", 399, 0, 0},
        GunPurchase{"CarriedAtFullAmmunition", 2, 0, {{2, 30}}, kShopMessage, "最大弾数に達しています", 0, 1, 30},
        GunPurchase{"EverySlotHoldsAnotherGun", 4, 9999, {{1, 5}, {2, 5}, {3, 5}}, kShopMessage, "武器はこれ以上持てません", 9999, 0, 0},
        // Not yet discovered: only the refusal sound, even when something else would refuse too.
        GunPurchase{"Undiscovered", 9, 9999, {}, kShopRefused, "", 9999, 0, 0},
        GunPurchase{"UndiscoveredAndShort", 9, 0, {}, kShopRefused, "", 0, 0, 0}),
    [](const ::testing::TestParamInfo<GunPurchase>& info) { return std::string(info.param.name); });

TEST_F(Shop, SellingPaysTheFullPriceAndMovesTheLaterGunsUp) {
  Start();
  g_battle.Money = 50;
  Carry(1, 4, 1);
  Carry(2, 5, 7);
  Carry(3, 6, 9);
  EXPECT_EQ(CarriedGunCount(), 3);
  EXPECT_EQ(SellGun(1), 400);
  EXPECT_EQ(g_battle.Money, 450);
  EXPECT_EQ(g_battle.WeaponSlot[1].weapon, 5);
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 7);
  EXPECT_EQ(g_battle.WeaponSlot[2].weapon, 6);
  EXPECT_EQ(g_battle.WeaponSlot[3].used, 0);
  EXPECT_EQ(CarriedGunCount(), 2);
  // Nothing to sell past the carried guns; the money never wraps.
  EXPECT_EQ(SellGun(3), 0);
  g_battle.Money = INT_MAX - 10;
  EXPECT_EQ(SellGun(2), 600);
  EXPECT_EQ(g_battle.Money, INT_MAX);
}

TEST_F(Shop, CarriedGunsCountUpToTheFirstGapAndTheSlotCount) {
  Carry(1, 1, 1);
  Carry(2, 2, 1);
  Carry(4, 3, 1);
  EXPECT_EQ(CarriedGunCount(), 2);
  Carry(3, 4, 1);
  g_battle.WeaponSlotCount = 3;
  EXPECT_EQ(CarriedGunCount(), 3);
  g_battle.WeaponSlotCount = 99;
  Carry(5, 5, 1);
  Carry(6, 6, 1);
  EXPECT_EQ(CarriedGunCount(), 5) << "never past the last carried slot";
}

TEST_F(Shop, BuyingAGaugeAndLeavingReturnsZeroAfterTheFades) {
  g_battle.Money = 12345;
  Script({"Return", "Down", "Down", "Return", "Backspace", "Backspace"}, false);
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), 0);
  EXPECT_EQ(g_battle.HpGaugeCount, 3);
  EXPECT_EQ(g_battle.Money, 2345);
  EXPECT_EQ(Player().hp, 1200.0f);
  EXPECT_EQ(Presented(), kFirstShopFrame + 30 + kFadeFrames - 1);
  EXPECT_FALSE(QuitRequested());
}

TEST_F(Shop, ARefusalShowsItsMessageAndReturnsToItsScreen) {
  g_battle.Money = 10;
  Script({"Return", "Down", "Return"});   // status up, tool charge: too little money
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenShopMessage);
  EXPECT_STREQ(g_menu.message, "お金が足りません");
  EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, 1);
}

TEST_F(Shop, TheMessageClosesBackOnTheFirstRow) {
  g_battle.Money = 10;
  Script({"Return", "Down", "Return", "Backspace"});
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenShopStatus);
  EXPECT_EQ(g_menu.panels[0].cursor, 0);
}

TEST_F(Shop, TheWeaponListJumpsBySevenAndScrollsWithTheCursor) {
  Script({"Down", "Down", "Return", "Right", "Right", "Right", "Right"});
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenShopWeapons);
  EXPECT_EQ(g_menu.panels[0].cursor, 22) << "clamped on 戻る";
  EXPECT_EQ(g_menu.scrollTop, 15);
}

TEST_F(Shop, TheWeaponListScrollsBackUpWithLeftAndUp) {
  Script({"Down", "Down", "Return", "Up", "Left", "Left", "Up"});
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.panels[0].cursor, 7);
  EXPECT_EQ(g_menu.scrollTop, 7);
}

TEST_F(Shop, BuyingAGunFromTheListAndSellingIt) {
  g_battle.Money = 1000;
  Carry(1, 1, 3);
  // WEAPON, third row (weapon 3), buy; back; SELL, first row (weapon 1), sell.
  Script({"Down", "Down", "Return", "Down", "Down", "Return", "Backspace", "Down", "Down", "Down", "Return", "Return"});
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenShopSell);
  EXPECT_EQ(g_battle.Money, 1000 - 300 + 100);
  EXPECT_EQ(g_battle.WeaponSlot[1].weapon, 3);
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, 10);
  EXPECT_EQ(g_battle.WeaponSlot[2].used, 0);
}

TEST_F(Shop, ASkillIsBoughtFromItsListOrder) {
  g_battle.Money = 6000;
  // SKILL, fourth row: skill 4 in the list order 0, 1, 2, 4, ...
  Script({"Down", "Return", "Down", "Down", "Down", "Return"});
  Start();
  EXPECT_EQ(RunMenu(kScreenShopFadeIn), kQuitResult);
  EXPECT_EQ(SkillRecords[4].owned, 1);
  EXPECT_EQ(g_battle.Money, 1000);
}

}  // namespace
}  // namespace horundel
