#include "game/shell/shop_rules.h"

#include <climits>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/combat/pickups.h"

namespace horundel {

const char* const kNotEnoughMoney = "お金が足りません";

namespace {

constexpr const char* kHpFull = "ＨＰはすでに満タンです";
constexpr const char* kChargeFull = "これ以上はチャージできません";
constexpr const char* kAtLimit = "これ以上は強化できません";
constexpr const char* kAmmunitionFull = "最大弾数に達しています";
constexpr const char* kNoRoom = "武器はこれ以上持てません";

constexpr ShopResult kBought{kShopBought, nullptr};
constexpr ShopResult kRefused{kShopRefused, nullptr};

// The gun slots in play; a count read from a save file never reaches past the table.
int LastGunSlot() { return ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot); }

// A price from a level that a save file may hold out of range, kept to an int.
int LevelPrice(long long unit, long long steps) {
  const long long price = unit * steps;
  return price > INT_MAX ? INT_MAX : static_cast<int>(price < 0 ? 0 : price);
}

// The row's own reason to refuse, whatever the money; null when the row can be bought.
const char* StatusUpRefusal(int row) {
  const Character& player = CharacterTable[kPlayerSlot];
  switch (row) {
    case kStatusHpRefill:
      return player.hp >= player.maxHp ? kHpFull : nullptr;
    case kStatusToolCharge:
      return g_battle.WeaponSlot[0].ammunition >= WeaponRecords[0].maximumAmmunition ? kChargeFull : nullptr;
    default:
      return StatusUpSoldOut(row) ? kAtLimit : nullptr;
  }
}

void ApplyStatusUp(int row) {
  Character& player = CharacterTable[kPlayerSlot];
  switch (row) {
    case kStatusHpRefill:
      player.hp = player.maxHp;
      break;
    case kStatusToolCharge: {
      WeaponSlotRecord& tool = g_battle.WeaponSlot[0];
      tool.ammunition = MinInt(tool.ammunition + 1, WeaponRecords[0].maximumAmmunition);
      break;
    }
    case kStatusHpGauge:
      g_battle.HpGaugeCount = MinInt(g_battle.HpGaugeCount + 1, kMostHpGauges);
      player.maxHp = static_cast<float>(kHpPerGauge * g_battle.HpGaugeCount);
      player.hp = player.maxHp;
      break;
    case kStatusAirBoost:
      g_battle.AirBoostLevel = MinInt(g_battle.AirBoostLevel + 1, kMostAirBoosts);
      break;
    case kStatusGunSlot:
      g_battle.WeaponSlotCount = MinInt(g_battle.WeaponSlotCount + 1, kMostGunSlots);
      break;
    default:
      break;
  }
}

ShopResult Refusal(const char* message) { return ShopResult{kShopMessage, message}; }

}  // namespace

int StatusUpPrice(int row) {
  switch (row) {
    case kStatusHpRefill:
      return 1000;
    case kStatusToolCharge:
      return 3000;
    case kStatusHpGauge:
      return LevelPrice(10000, ClampInt(1, g_battle.HpGaugeCount, kMostHpGauges) - 1);
    case kStatusAirBoost:
      return LevelPrice(25000, ClampInt(0, g_battle.AirBoostLevel, kMostAirBoosts) + 1);
    case kStatusGunSlot:
      return LevelPrice(16000, ClampInt(1, g_battle.WeaponSlotCount, kMostGunSlots) - 1);
    default:
      return 0;
  }
}

bool StatusUpSoldOut(int row) {
  switch (row) {
    case kStatusHpGauge:
      return g_battle.HpGaugeCount >= kMostHpGauges;
    case kStatusAirBoost:
      return g_battle.AirBoostLevel >= kMostAirBoosts;
    case kStatusGunSlot:
      return g_battle.WeaponSlotCount >= kMostGunSlots;
    default:
      return false;
  }
}

ShopResult BuyStatusUp(int row) {
  if (row < kStatusHpRefill || row > kStatusGunSlot) return kRefused;
  const int price = StatusUpPrice(row);
  // Too little money is refused first; a refusal of the row itself then speaks instead.
  const char* message = g_battle.Money < price ? kNotEnoughMoney : nullptr;
  if (const char* own = StatusUpRefusal(row)) message = own;
  if (message != nullptr) return Refusal(message);
  ApplyStatusUp(row);
  ChangeMoney(-static_cast<long long>(price));
  return kBought;
}

ShopResult BuySkill(int skill) {
  if (skill < 0 || skill >= kSkillCount) return kRefused;
  SkillRecord& record = SkillRecords[skill];
  if (record.owned != 0) return kRefused;
  if (g_battle.Money < record.price) return Refusal(kNotEnoughMoney);
  record.owned = 1;
  ChangeMoney(-static_cast<long long>(record.price));
  return kBought;
}

ShopResult BuyWeapon(int weapon) {
  if (weapon < 1 || weapon >= kWeaponCount) return kRefused;
  const WeaponRecord& record = WeaponRecords[weapon];
  const char* message = record.price > g_battle.Money ? kNotEnoughMoney : nullptr;
  const int last = LastGunSlot();
  if (last < 1) message = kNoRoom;
  for (int s = 1; s <= last; ++s) {
    const WeaponSlotRecord& slot = g_battle.WeaponSlot[s];
    if (slot.used == 0) break;
    if (slot.weapon == weapon) {
      if (slot.ammunition >= record.maximumAmmunition) message = kAmmunitionFull;
      break;
    }
    if (s == last) message = kNoRoom;
  }
  if (record.owned == 0) return kRefused;
  if (message != nullptr) return Refusal(message);
  // The scan above found room, so the weapon is taken; should it not be, nothing is paid.
  if (AddWeapon(weapon) == 0) return kRefused;
  ChangeMoney(-static_cast<long long>(record.price));
  return kBought;
}

int CarriedGunCount() {
  int count = 0;
  while (count < LastGunSlot() && g_battle.WeaponSlot[count + 1].used != 0) ++count;
  return count;
}

int SellGun(int slot) {
  if (slot < 1 || slot > CarriedGunCount()) return 0;
  const int weapon = g_battle.WeaponSlot[slot].weapon;
  const int price = weapon >= 0 && weapon < kWeaponCount ? WeaponRecords[weapon].price : 0;
  RemoveWeapon(slot);
  ChangeMoney(price);
  return price;
}

void ChangeMoney(long long amount) {
  const long long money = static_cast<long long>(g_battle.Money) + amount;
  g_battle.Money = money < 0 ? 0 : money > INT_MAX ? INT_MAX : static_cast<int>(money);
}

}  // namespace horundel
