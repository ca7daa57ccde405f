#pragma once
// What other objects ask of the player slot: whether a move may start from its current state, and
// boarding a machine. Slot 1's kind is the PlayableKind: 0 on foot, 1 cannon, 10 tank, 20 hover,
// 30 helicopter.
namespace horundel {

constexpr int kMoveBoardMachine = 0;

// 0 refuse, 1 allow, 2 allow and the caller sets state 10, 3 allow and the caller sets state 34.
int CanStartMove(int request);
void BoardMachine(int kind);

}  // namespace horundel
