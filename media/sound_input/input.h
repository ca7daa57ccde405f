#pragma once
// Keyboard, mouse buttons and up to eight joypads, read through DirectInput (7, else 8) or, when
// neither can be used, through the multimedia joystick functions and the platform's key state.
// Keys are DirectInput key codes 0..255 everywhere.
#include "media/core/subsystem_hooks.h"

namespace zelvo {

// The input row of the subsystem table: start and end, the pump's vibration timing, reacquiring on
// activation changes and the effects after them.
SubsystemHooks InputSubsystemRow();

// 0 started (or already), -1 failed, 1 the keyboard's event notification could not be set up.
int StartInput();
int EndInput();   // 0

// The reading operations behind the public entries. Each waits while the application is inactive
// and starts input when it is not started.
int IsKeyDown(int keyCode);             // 1 down, 0 up (and 0 for codes outside 0..255)
int FindAnyInputDown(int flags);        // bit 0 keys, bit 1 pads, bit 2 mouse: key code, -1, or 0
int ReadAllKeyStates(unsigned char* states256);   // 0 or 1 per key code; 0
int ReadPadBits(int code);              // pad number 1..8, plus 0x1000 for the keyboard

// Steps of the message pump and the window procedure.
int UpdatePadVibration();
int StopPadVibration(int padNumber);
int ApplyPadVibration();
int ReacquireInputDevices();

}  // namespace zelvo
