#pragma once
// The shell's side of the key bindings: each action's name and defaults, and the menu polls. The
// current codes and the pressed and latched flags live in the battle's KeyBindings table.
#include "game/battle/data/shell_services.h"

namespace horundel {

constexpr int kActionCount = 15;      // entries 0..14 are the game's actions
constexpr int kKeyNameSize = 32;
constexpr int kNoPadBit = 30;         // no pad input ever sets this bit
constexpr int kEscapeKey = 1;

struct KeyBindingDefaults {
  char name[kKeyNameSize];
  int defaultPadBit;
  int defaultKeyCode;
};
extern KeyBindingDefaults KeyBindingInfo[kActionCount];

// Names and defaults filled in, then copied into the current bindings.
void SetDefaultKeyBindings();
// Every entry pressed 0 and latched 1: an input held from before must be released first.
void ClearMenuKeys();
// Polls keyboard and joypad 1 for the menu actions (0-3 and 11-14).
void PollMenuKeys();
// The same poll for confirm and cancel only.
void PollConfirmCancel();
// One poll of the given entries against 256 key states and the pad's bit set.
void ApplyInputToBindings(const int* entries, int count, const unsigned char* keys, int padBits);
// True once for each new press of the action; the press is then latched.
bool TakeAction(int action);

}  // namespace horundel
