#pragma once
// Creating map events (doors); their update and draw come with the doors' behaviour.
namespace horundel {

// Returns the slot times 10, or 0 when the table is full ("Character Over by event").
int SpawnEvent(int kind, float x, float y, int link, int param, int extra);

}  // namespace horundel
