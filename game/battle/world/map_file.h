#pragma once
// Mission areas: map files and the random map. The caller has reset the mission, so the map starts
// empty with 11 x 11 cells.
namespace horundel {

constexpr int kMapSourceMission = 0;   // "map\easy\" or "map\hard\" "c<mission><area>.dat"
constexpr int kMapSourceTemporary = 1; // "tempmap.dat"

// The map file's path into `path` (at least 64 bytes); 0 when there is none (a difficulty outside
// 1..4 with the mission source).
int MapFilePath(int source, int mission, int area, char* path, int size);

// Loads the map, places the player, spawns the objects, then sets the stage background, music and
// enemy set. A missing file changes nothing; so does a file whose size lines are outside 0..100 or
// whose lines are not ended by CR LF, which is refused with a line on the on-screen log.
void LoadMap(int source, int mission, int area);

// Fills the reset map at random, places the player and the goal and spawns enemies.
void GenerateRandomMap();

// The kind a map file's cell character stands for.
int TileKindOfCharacter(char c);

}  // namespace horundel
