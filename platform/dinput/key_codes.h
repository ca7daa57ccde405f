#pragma once
// The keys by position (host scancodes, the USB HID usage numbers SDL uses) as DirectInput key codes
// and as virtual keys, both as a Japanese (JIS) keyboard reports them: the library's key tables and
// the game's key names assume that keyboard.
#include <cstdint>

namespace pf::dinput {

// 0 for a scancode without a key code or virtual key.
std::uint8_t KeyCodeOfScancode(int scancode);
std::uint8_t VirtualKeyOfScancode(int scancode);
// The 256-byte DirectInput keyboard state from the host's keys: 0x80 for each key code held down.
void ReadHostKeyCodes(std::uint8_t* state256);

}  // namespace pf::dinput
