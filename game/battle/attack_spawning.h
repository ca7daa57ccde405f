#pragma once
// Attacks standing on a map cell.
namespace horundel {

constexpr int kHazardExplodingCell = 420;
constexpr int kHazardFallingDebris = 430;
constexpr int kHazardCellBurst = 440;

// A map hazard (type 22) centred on the cell; 0 when the cell is outside the map ("map over") or
// the table is full ("Character Over by atk").
int SpawnMapHazard(int kind, int column, int row);

}  // namespace horundel
