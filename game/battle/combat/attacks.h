#pragma once
// The per-frame life of attacks (types 20, 21, 22): hits against enemy shots, enemies, the
// player and the tile map, the reactions to contact, the kinds' own behaviour, and the draw.
namespace horundel {

// The three hit tests and their classes: 0 no test, 1 one hit and the attack is freed, 2 hits
// and goes on. Against the tile map 1 and 5 test the centre cell, 2 to 4 sweep the cells around.
enum HitTest { kHitTestShots = 0, kHitTestBodies, kHitTestTiles };
int HitClassOf(int test, int slot);

// What ResolveHit's other side can be besides a slot.
constexpr int kContactEnd = 0;     // the attack's life is ending
constexpr int kContactCell = -1;   // a map cell

// Modes 1-3 free the attack; mode 0 runs the frame.
void UpdateAttack(int slot, int mode);
// 1 when the attack dealt with the contact itself and the caller stops.
int ResolveHit(int attack, int other);
void ApplyHitToEnemy(int attack, int enemy);
void ApplyHitToPlayer(int attack, int player);
// 0 nothing there, 1 a solid cell was hit, 2 the cell was destroyed.
int DamageCell(int column, int row, int hitClass);
void HomeToward(int slot, int target, float maxTurn, float velocityStep, float speed);
void DrawAttack(int slot);

// The crawling kinds' two halves: snapping onto a wall they meet, and following its corners.
int MeetWall(int slot);
void CrawlAlongWall(int slot, float step);

// The state slot 1 must be in for an attack attached to it; 0 for kinds not attached to a state.
int OwnerStateOf(int kind);

}  // namespace horundel
