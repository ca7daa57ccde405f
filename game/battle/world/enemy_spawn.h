#pragma once
// Creating enemies; their update and draw come with the enemies' behaviour.
namespace horundel {

// Returns the slot, or 0 when the table is full ("Character Over by atk").
int SpawnEnemy(int kind, float x, float y, int facing, int weapon);

}  // namespace horundel
