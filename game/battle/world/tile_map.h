#pragma once
// Queries of the tile map made by the object updates: cell kinds, ground, wall stops, hazard cells.
namespace horundel {

// 20 for any point outside the map (NaN included).
int TileKindAt(float x, float y);
float GroundBelow(int slot);
int IsFallingTileKind(int kind);
void StopAtWalls(int slot);
int ProbeHazardTiles(int slot);

// The column or row of a world coordinate: trunc(v x 0.01), saturating at +-1e9.
int CellIndexOf(float v);
// LastColumn and LastRow as indices that are safe to use on the map.
int LastColumnIndex();
int LastRowIndex();

}  // namespace horundel
