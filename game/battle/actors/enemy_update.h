#pragma once
// The enemies' frame: burn-down and destruction, and each kind's behaviour cycle.
namespace horundel {

// Update modes as for the player: 0 play, 1 settling, 2 overlay screens, 3 boss defeat.
void UpdateEnemy(int slot, int mode);
// Fires the carried weapon when its cadence allows this frame; 1 when it fired.
int FireEnemyWeapon(int slot);

}  // namespace horundel

namespace horundel {

// Draws one enemy; the hit flash counts down here, and the boss fills the boss gauge.
void DrawEnemy(int slot);

}  // namespace horundel
