#pragma once
// Starting the heroine at a point of the map.
namespace horundel {

void PlacePlayer(float x, float y);

}  // namespace horundel
