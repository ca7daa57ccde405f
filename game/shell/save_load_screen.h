#pragma once
// One screen for saving the game into one of 20 slots and for loading one.
namespace horundel {

constexpr int kSaveMode = 0;
constexpr int kLoadMode = 1;

// Reads the summary shown for a slot, checking the whole file; returns its SlotState (a damaged
// slot is listed as such). `line` receives at most size - 1 characters.
int ReadSlotSummary(int slot, char* line, int size);

// 1 when a slot was saved or loaded, 0 when the player went back (or the save could not be stored),
// kQuitResult when the program must end.
int SaveLoadScreen(int mode);

}  // namespace horundel
