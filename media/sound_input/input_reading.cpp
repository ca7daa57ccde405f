// Reading the devices: the key state array (DirectInput keyboard with the platform's key state laid
// over it, or the platform's key state alone), the pads (DirectInput or multimedia joystick), the
// mouse buttons, and the four reading operations behind the public entries. Each device is read at
// most once per millisecond unless its event reports new input. A key or pad is down by bit 7 of its
// byte only: the platform's key state also carries toggle bits.
#include <cstring>

#include "media/core/core_state.h"
#include "media/core/message_pump.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"
#include "media/sound_input/input.h"
#include "media/sound_input/input_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr unsigned char kDown = 0x80;
constexpr int kKeyboardMerged = 0x1000;
constexpr int kPadButtonBits = 24;

bool Started() { return g_input.mode != InputMode::kNotStarted; }

bool Down(unsigned char state) { return (state & kDown) != 0; }

// Whether the device's notification event is set (and so new input waits).
bool EventSignalled(pf::Handle event) {
  return event != nullptr && pf::WaitForSingleObject(event, 0) == pf::kWaitObject0;
}

// The multimedia joystick's 0..65535 as -1000..1000, with the band around the centre as its dead
// zone.
std::int32_t MultimediaAxis(std::uint32_t value) {
  const auto v = static_cast<std::int64_t>(value);
  if (v == 0) return -1000;
  if (v == 0x7FFF) return 0;
  if (v == 0xFFFF) return 1000;
  if (v <= 0x5FFF) return static_cast<std::int32_t>((v * 1000 - 24576000) / 24576);
  if (v <= 0xA000) return 0;
  return static_cast<std::int32_t>((v * 1000 - 40960000) / 24576);
}

int PollMultimediaPad(int index) {
  PadRecord& pad = g_input.pads[index];
  const std::uint32_t now = pf::timeGetTime();
  if (now == pad.lastPoll) return 0;
  pad.lastPoll = now;
  pf::JoyInfoEx info{};
  info.size = sizeof info;
  info.flags = pf::JOY_RETURNALL;
  if (pf::joyGetPosEx(static_cast<std::uint32_t>(index), &info) != pf::JOYERR_NOERROR) {
    pad.state = pf::DIJoyState{};
    return 0;
  }
  pad.state = pf::DIJoyState{};
  pad.state.x = MultimediaAxis(info.x);
  pad.state.y = MultimediaAxis(info.y);
  if (pad.hasZAndR != 0) {
    pad.state.z = MultimediaAxis(info.z);
    pad.state.rz = MultimediaAxis(info.r);
  }
  for (int i = 0; i < kPadButtonBits; ++i) pad.state.buttons[i] = (info.buttons >> i) & 1 ? kDown : 0;
  return 0;
}

// After a pump inside a read, the pad must still be there: the pump can end input.
bool PumpKeepsPad(int index) {
  return ProcessMessage() == 0 && g_input.mode == InputMode::kDirectInput && g_input.pads[index].device != nullptr;
}

int PollDirectInputPad(int index) {
  PadRecord& pad = g_input.pads[index];
  if (pad.device == nullptr) return 0;
  const std::uint32_t now = pf::timeGetTime();
  const bool signalled = EventSignalled(pad.event);
  if (now == pad.lastPoll && !signalled) return 0;
  pad.device->Poll();
  pf::DIJoyState state{};
  pf::HResult result = pad.device->GetDeviceState(sizeof state, &state);
  if (result != pf::DI_OK) {
    if (!PumpKeepsPad(index)) return -1;
    const pf::HResult acquired = pad.device->Acquire();
    if (acquired >= 0) {
      if (!PumpKeepsPad(index)) return -1;
      result = pad.device->GetDeviceState(sizeof state, &state);
    } else if (acquired == pf::DIERR_UNPLUGGED) {
      // A pad that is gone keeps no held stick or button: its last state would steer for ever.
      pad.state = pf::DIJoyState{};
    }
  }
  if (result == pf::DI_OK) pad.state = state;
  pad.lastPoll = now;
  if (signalled) pf::ResetEvent(pad.event);
  return 0;
}

// Copies the platform's key state over the key codes of the table's pairs: the first part only, or
// (whole) every pair.
void CopyPlatformKeys(bool whole) {
  std::uint8_t keys[256];
  pf::GetKeyboardState(keys);
  for (const VirtualKeyPair* pair = kVkToDikTable; pair->virtualKey != kEndOfTable; ++pair) {
    if (pair->virtualKey == kEndOfFirstPart) {
      if (!whole) return;
      continue;
    }
    g_input.keyStates[pair->keyCode] = keys[pair->virtualKey];
  }
}

int RefreshFromDirectInput() {
  const std::uint32_t now = pf::timeGetTime();
  const bool signalled = EventSignalled(g_input.keyboardEvent);
  if (now == g_input.lastKeyboardRefresh && !signalled) return 0;
  if (ProcessMessage() != 0 || g_input.keyboard == nullptr) return 0;
  pf::DirectInputDevice* keyboard = g_input.keyboard;
  unsigned char states[256];
  if (keyboard->GetDeviceState(sizeof states, states) != pf::DI_OK) {
    if (keyboard->Acquire() < 0 || keyboard->GetDeviceState(sizeof states, states) != pf::DI_OK) return 0;
  }
  std::memcpy(g_input.keyStates, states, sizeof states);
  g_input.lastKeyboardRefresh = now;
  if (signalled) pf::ResetEvent(g_input.keyboardEvent);
  // The platform's key state belongs to the thread that owns the window.
  if (g_input.overlayOff == 0 && IsMainThread() != 0) CopyPlatformKeys(false);
  return 1;
}

int RefreshFromPlatform() {
  const std::uint32_t now = pf::timeGetTime();
  if (now == g_input.lastKeyboardRefresh) return 0;
  g_input.lastKeyboardRefresh = now;
  if (ProcessMessage() != 0) return 0;
  std::memset(g_input.keyStates, 0, sizeof g_input.keyStates);
  CopyPlatformKeys(true);
  return 1;
}

// Lazy start before a read: true when the read can go on (with devices, or with none while the
// library closes). Otherwise the reader returns *result instead of reading: the result of the start
// made for this read, or 0 for a library that is not running, which has no window to wait for or
// to read through.
bool ReadyToRead(int* result) {
  *result = 0;
  if (g_runState.ready == 0 && g_runState.starting == 0) return false;
  WaitWhileInactive();
  if (Started() || IsClosePosted() != 0) return true;
  *result = StartInput();
  return false;
}

int PadBits(const PadRecord& pad) {
  int bits = 0;
  if (pad.state.x < 0) bits |= 2;
  if (pad.state.x > 0) bits |= 4;
  if (pad.state.y < 0) bits |= 8;
  if (pad.state.y > 0) bits |= 1;
  for (int i = 0; i < kPadButtonBits; ++i) {
    if (Down(pad.state.buttons[i])) bits |= 1 << (4 + i);
  }
  return bits;
}

int KeyboardPadBits() {
  struct KeyBit {
    unsigned char keyCode;
    int bit;
  };
  static const KeyBit kKeys[] = {
      {0x50, 1}, {0xD0, 1}, {0x4B, 2}, {0xCB, 2}, {0x4D, 4}, {0xCD, 4}, {0x48, 8}, {0xC8, 8},
      {0x39, 0x2000}, {0x01, 0x1000}, {0x2C, 0x10}, {0x2D, 0x20}, {0x2E, 0x40}, {0x1E, 0x80},
      {0x1F, 0x100}, {0x20, 0x200}, {0x10, 0x400}, {0x11, 0x800},
  };
  RefreshKeyboardState();
  int bits = 0;
  for (const KeyBit& key : kKeys) {
    if (Down(g_input.keyStates[key.keyCode])) bits |= key.bit;
  }
  return bits;
}

int ReadPadBitsStarted(int code) {
  const bool keyboard = (code & kKeyboardMerged) != 0;
  const int index = (code & ~kKeyboardMerged) - 1;
  const bool inRange = index >= 0 && index < g_input.padCount;
  if (g_input.padCount > 0 && !inRange && !keyboard) return 0;
  int bits = 0;
  if (inRange) {
    PollPad(index);
    bits |= PadBits(g_input.pads[index]);
  }
  if (keyboard) bits |= KeyboardPadBits();
  return bits;
}

}  // namespace

int PollPad(int index) {
  if (index < 0 || index >= kMaxPads) return -1;
  if (g_input.mode == InputMode::kMultimediaJoystick) return PollMultimediaPad(index);
  if (g_input.mode == InputMode::kDirectInput) return PollDirectInputPad(index);
  return 0;
}

int RefreshKeyboardState() {
  if (g_input.mode == InputMode::kDirectInput && g_input.keyboard != nullptr) return RefreshFromDirectInput();
  return RefreshFromPlatform();
}

int ReadMouseButtons() {
  if (g_input.mouse == nullptr) {
    std::uint8_t keys[256];
    pf::GetKeyboardState(keys);
    return (Down(keys[0x01]) ? 1 : 0) | (Down(keys[0x02]) ? 2 : 0) | (Down(keys[0x04]) ? 4 : 0);
  }
  pf::DIMouseState2 state{};
  if (g_input.mouse->GetDeviceState(sizeof state, &state) != pf::DI_OK) {
    if (g_input.mouse->Acquire() < 0 || g_input.mouse->GetDeviceState(sizeof state, &state) != pf::DI_OK) return 0;
  }
  int bits = 0;
  for (int i = 0; i < 8; ++i) {
    if (Down(state.buttons[i])) bits |= 1 << i;
  }
  return bits;
}

int IsKeyDown(int keyCode) {
  int result = 0;
  if (!ReadyToRead(&result)) return result;
  if (!Started()) return 0;
  if (keyCode < 0 || keyCode > 255) return 0;
  RefreshKeyboardState();
  return Down(g_input.keyStates[keyCode]) ? 1 : 0;
}

int FindAnyInputDown(int flags) {
  int result = 0;
  if (!ReadyToRead(&result)) return result;
  if (flags & 1) {
    RefreshKeyboardState();
    for (int code = 0; code < 256; ++code) {
      // Caps Lock, Kana and Kanji are lock keys, not input.
      if (code == 0x3A || code == 0x70 || code == 0x94) continue;
      if (Down(g_input.keyStates[code])) return code;
    }
    if (g_window.f10Flag != 0) return 68;
  }
  if (flags & 2) {
    for (int pad = 1; pad <= g_input.padCount; ++pad) {
      if (ReadPadBitsStarted(pad) != 0) return -1;
    }
  }
  if ((flags & 4) && ReadMouseButtons() != 0) return -1;
  return 0;
}

int ReadAllKeyStates(unsigned char* states256) {
  if (states256 == nullptr) return -1;
  int result = 0;
  if (!ReadyToRead(&result)) {
    // The caller's buffer is not left as it was: a read that starts input reports no key down.
    std::memset(states256, 0, 256);
    return result;
  }
  RefreshKeyboardState();
  for (int code = 0; code < 256; ++code) states256[code] = Down(g_input.keyStates[code]) ? 1 : 0;
  return 0;
}

int ReadPadBits(int code) {
  int result = 0;
  if (!ReadyToRead(&result)) return result;
  return ReadPadBitsStarted(code);
}

}  // namespace zelvo
