#pragma once
// The shop's prices, limits and money rules: what each purchase costs, when it is refused and with
// which message, and what it changes. The screens only draw these and play the sounds they say.
namespace horundel {

// How a purchase ends.
enum ShopOutcome {
  kShopBought = 0,    // paid and applied; the confirm sound
  kShopMessage = 1,   // refused with a message on the message screen; the confirm sound
  kShopRefused = 2,   // refused without a word; the refusal sound
};

struct ShopResult {
  int outcome;
  const char* message;   // the refusal's text for kShopMessage, else null
};

// The status-up rows: HP refill, tool-weapon charge, HP gauge, air boost, gun slot; row 5 is "戻る".
enum StatusUpRow {
  kStatusHpRefill = 0,
  kStatusToolCharge = 1,
  kStatusHpGauge = 2,
  kStatusAirBoost = 3,
  kStatusGunSlot = 4,
  kStatusBack = 5,
};

constexpr int kHpPerGauge = 400;
constexpr int kMostHpGauges = 6;
constexpr int kMostAirBoosts = 2;
constexpr int kMostGunSlots = 5;

extern const char* const kNotEnoughMoney;

// The row's price at the current levels.
int StatusUpPrice(int row);
// True when the row has reached its limit and shows "SOLD OUT".
bool StatusUpSoldOut(int row);
ShopResult BuyStatusUp(int row);

ShopResult BuySkill(int skill);
// A gun from the weapon list: a new slot, or more ammunition for the one carried.
ShopResult BuyWeapon(int weapon);

// The guns carried from slot 1 up to the first empty slot.
int CarriedGunCount();
// Sells the gun of slot 1..CarriedGunCount() at its full price; returns the money paid (0 for a
// slot that holds no gun).
int SellGun(int slot);

// Money after a gain or a payment, kept within 0..INT_MAX.
void ChangeMoney(long long amount);

}  // namespace horundel
