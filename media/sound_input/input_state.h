#pragma once
// The input subsystem's state: the devices, the key state array and the eight pad records.
#include <cstdint>

#include "platform/dinput/dinput.h"

namespace zelvo {

constexpr int kMaxPads = 8;
constexpr int kPadNameSize = 260;

enum class InputMode : int { kNotStarted = 0, kDirectInput, kMultimediaJoystick };

struct PadRecord {
  pf::DirectInputDevice* device;
  pf::DirectInputEffect* constantEffect;
  pf::DirectInputEffect* sineEffect;
  pf::Handle event;
  pf::DIJoyState state;              // axes -1000..1000, buttons bit 7 down
  int hasZAndR;                      // multimedia mode
  std::uint32_t lastPoll;            // timeGetTime of the last read
  int vibrationOn;
  int vibrationPower;                // 0..10000
  int vibrationDuration;             // ms; negative: no time limit
  int vibrationElapsed;              // ms
  std::uint32_t vibrationLastUpdate;
  int constantStarted;
  int sineStarted;
  char instanceName[kPadNameSize];
  char productName[kPadNameSize];
};

struct InputState {
  int useMultimediaJoystick;         // neither DirectInput could be used; kept across starts
  int directInput8;
  InputMode mode;
  pf::DirectInput* directInput;
  unsigned char keyStates[256];      // by key code, bit 7 down
  pf::DirectInputDevice* keyboard;
  pf::Handle keyboardEvent;
  std::uint32_t lastKeyboardRefresh;
  pf::DirectInputDevice* mouse;
  int overlayOff;
  int padCount;
  PadRecord pads[kMaxPads];
  int noDirectInputKeyboard;         // nothing in the library sets it
};
extern InputState g_input;

// Start's clearing of the state; the multimedia-joystick choice stays.
void ClearInputState();

// Virtual key to key code pairs: the first part (ended by 0xFFFE) is laid over the DirectInput
// keyboard's state; the whole table (ended by 0xFFFF) makes the key state without one.
struct VirtualKeyPair {
  std::uint16_t virtualKey;
  std::uint16_t keyCode;
};
extern const VirtualKeyPair kVkToDikTable[];
constexpr std::uint16_t kEndOfFirstPart = 0xFFFE;
constexpr std::uint16_t kEndOfTable = 0xFFFF;

// Refreshes the key state array: 1 when it was read, 0 when not.
int RefreshKeyboardState();
// Refreshes one pad's state: 0, or -1 when the pump reports the end (or a bad index).
int PollPad(int index);
int ReadMouseButtons();
int EnumeratePads();
int ReleasePads();

}  // namespace zelvo
