#pragma once
// Pickups (types 30 coin, 31 supply, 32 weapon, 33 machine) that fall out of enemies, broken cells
// and the capture move and are collected by touch, and the carried-weapon inventory.
namespace horundel {

constexpr int kTypeCoin = 30;
constexpr int kTypeSupply = 31;
constexpr int kTypeWeaponPickup = 32;
constexpr int kTypeMachinePickup = 33;

// Supply kinds.
constexpr int kSupplyCurrentGun = 0;
constexpr int kSupplyEveryGun = 1;
constexpr int kSupplyRepair = 10;
constexpr int kSupplyToolCharge = 20;

// Returns the slot, or 0 when the table is full ("Character Over by item").
int SpawnItem(int type, int kind, float x, float y);
// At most six coins, the largest worth first; what is left after the sixth is not paid.
void SpawnCoins(int amount, float x, float y);
int RandomDropKind(int type);
// The worth of a coin kind; 0 for kinds that are not coins.
int CoinWorth(int kind);
void DropOnEnemyDeath(int enemy);
void DropFromCell(int column, int row);
void UpdateItem(int slot, int mode);
void DrawItem(int slot);

// 1 when the weapon was taken into a slot, 0 when no slot could take it.
int AddWeapon(int weapon);
// Slot 0 spends a tool-weapon charge; a gun slot is removed and the ones above move down.
void RemoveWeapon(int slot);

}  // namespace horundel
