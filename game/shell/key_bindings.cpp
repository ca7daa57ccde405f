#include "game/shell/key_bindings.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"

namespace horundel {

KeyBindingDefaults KeyBindingInfo[kActionCount];

namespace {

struct ActionDefault {
  const char* name;
  int keyCode;
  int padBit;
};

constexpr ActionDefault kActionDefaults[kActionCount] = {
    {"方向↑", 200, 3},          {"方向↓", 208, 0},          {"方向←", 203, 1},
    {"方向→", 205, 2},          {"格闘", 30, 4},            {"射撃", 31, 5},
    {"スペシャル", 32, 6},      {"ジャンプ", 46, 7},        {"ダッシュ", 45, 8},
    {"武器選択（順）", 17, 11}, {"武器選択（逆）", 18, 12}, {"ポーズ", 57, 10},
    {"装備画面", 28, 9},        {"決定", 28, 4},            {"キャンセル", 54, 5},
};

// The loaded configuration keeps codes in range, but the table is also written by the menus.
bool IsDown(const KeyBinding& binding, const unsigned char* keys, int padBits) {
  const bool padDown = ((static_cast<unsigned>(padBits) >> (binding.padBit & 31)) & 1u) != 0;
  const bool keyDown = binding.keyCode >= 0 && binding.keyCode < 256 && keys[binding.keyCode] == 1;
  return padDown || keyDown;
}

void PollEntries(const int* entries, int count) {
  unsigned char keys[256] = {};
  ReadAllKeyStates(keys);
  // A failed read answers -1, which would be every bit at once.
  const int padBits = ReadPadBits(ZELVO_PAD_1);
  ApplyInputToBindings(entries, count, keys, padBits < 0 ? 0 : padBits);
}

}  // namespace

void ApplyInputToBindings(const int* entries, int count, const unsigned char* keys, int padBits) {
  for (int i = 0; i < count; ++i) {
    KeyBinding& binding = KeyBindings[entries[i]];
    if (IsDown(binding, keys, padBits)) {
      binding.pressed = 1;
    } else {
      binding.pressed = 0;
      binding.latched = 0;
    }
  }
}

void SetDefaultKeyBindings() {
  for (int e = 0; e < kActionCount; ++e) {
    CopyText(KeyBindingInfo[e].name, kKeyNameSize, kActionDefaults[e].name);
    KeyBindingInfo[e].defaultKeyCode = kActionDefaults[e].keyCode;
    KeyBindingInfo[e].defaultPadBit = kActionDefaults[e].padBit;
  }
  for (int e = 0; e < kActionCount; ++e) {
    KeyBindings[e].keyCode = KeyBindingInfo[e].defaultKeyCode;
    KeyBindings[e].padBit = KeyBindingInfo[e].defaultPadBit;
  }
}

void ClearMenuKeys() {
  for (KeyBinding& binding : KeyBindings) {
    binding.pressed = 0;
    binding.latched = 1;
  }
}

void PollMenuKeys() {
  static constexpr int kMenuEntries[] = {kKeyUp, kKeyDown, kKeyLeft, kKeyRight,
                                         kKeyPause, kKeyEquipment, kKeyConfirm, kKeyCancel};
  PollEntries(kMenuEntries, 8);
}

void PollConfirmCancel() {
  static constexpr int kEntries[] = {kKeyConfirm, kKeyCancel};
  PollEntries(kEntries, 2);
}

bool TakeAction(int action) {
  KeyBinding& binding = KeyBindings[action];
  if (binding.pressed != 1 || binding.latched != 0) return false;
  binding.latched = 1;
  return true;
}

}  // namespace horundel
