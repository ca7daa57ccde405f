#pragma once
// The player slot's frame: the heroine on foot and the machines she rides. The mission loop calls
// UpdatePlayer once a frame before any other object; it dispatches on slot 1's kind.
namespace horundel {

// Update modes of the object pass: 0 play, 1 settling, 2 overlay screens, 3 boss defeat.
void UpdatePlayer(int slot, int mode);

void UpdatePlayerOnFoot(int slot, int mode);
void UpdateCannonMachine(int slot, int mode);
void UpdateTankMachine(int slot, int mode);
// The hover and the helicopter: no weapons of their own, but they fall, land and can be left.
void UpdateFlyingMachine(int slot, int mode);

// Back on foot in the back-flip spin, invulnerable for a while.
void LeaveMachine();

}  // namespace horundel

namespace horundel {

// Draws the player slot: the heroine, or the machine she rides, and the tool-weapon's charge.
void DrawPlayer(int slot);

}  // namespace horundel
