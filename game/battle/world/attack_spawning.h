#pragma once
// Creating attacks: the heroine's guns, tool-weapon moves and skills (type 20), enemy shots
// (type 21), copies of an existing attack (sub-munitions, explosions) and map hazards (type 22).
// For an attack the hp field is the damage per hit, timer its life, speed its drawing scale,
// param the owner slot and link its target.
namespace horundel {

constexpr int kHazardExplodingCell = 420;
constexpr int kHazardFallingDebris = 430;
constexpr int kHazardCellBurst = 440;

// Each returns the new slot, or 0 when the table is full ("Character Over by atk").
int FirePlayerAttack(int kind);
int FireEnemyShot(int kind, int owner);
int SpawnCopiedShot(int kind, int source);
// A map hazard centred on the cell; 0 when the cell is outside the map ("map over").
int SpawnMapHazard(int kind, int column, int row);

// Points the slot's angle and velocity from one slot toward another; coinciding slots change nothing.
void AimAtCharacter(int slot, int from, int to, float speed);
// Muzzle flashes, launch effects and the launch sound of the slot's kind.
void PlayLaunchEffects(int slot);

}  // namespace horundel
