#pragma once
// Test controls of the host: injected input, the headless desktop, frame readback.
#include <cstdint>
#include <string>
#include <vector>

namespace pf::testing {

// Queue host events as if the user acted; they come out of the next host poll, before the host's own.
void InjectKey(int scancode, bool down, int modifiers = 0);
void InjectText(const char* utf8);
void InjectComposition(const char* utf8, int cursor);   // empty text ends the composition
void InjectFocus(bool focused);
void InjectClose();
void InjectMouseWheel(int steps);
void InjectMouseMove(int x, int y);
void InjectMouseButton(int button, bool down);   // 1 left, 2 middle, 3 right
void InjectDropFile(const char* utf8Path);      // one file per drop
void InjectExposed();
// Keys let go before any read saw them count as down for the next frame (a player's quick tap);
// a scripted player ending a run drops those, so that the next run starts with every key up.
void ForgetTappedKeys();

// Virtual pads (slots 0..15), on every host and listed before the host's own pads. Changes take
// effect at once; scripts change them through "pad" lines instead. Hats take SDL's hat bits.
void PlugPad(int slot, const char* name, int axes = 8, int buttons = 32, int hats = 4, bool rumble = true);
void UnplugPad(int slot);
void SetPadButton(int slot, int button, bool down);
void SetPadAxis(int slot, int axis, int value);     // -32768..32767
void SetPadHat(int slot, int hat, int bits);
// The last rumble asked of the pad (strengths 0..65535); false when the slot holds no pad.
bool PadRumble(int slot, int* lowStrength, int* highStrength, int* milliseconds);

// The headless desktop (default 1024x768x32; also ZELVO_DESKTOP=WxHxBPP).
void SetHeadlessDesktop(int width, int height, int bitsPerPixel);

// The last frame presented through the host; returns the count of frames presented so far.
std::uint64_t LastPresentedFrame(std::vector<std::uint32_t>* pixels, int* width, int* height);
// Called with every frame the host is given, on the presenting thread and before the next frame can
// come; nullptr stops the calls. For tests that must see each frame, not only the latest.
using PresentedFrameWatcher = void (*)(std::uint64_t number, const std::uint32_t* pixels, int width, int height);
void WatchPresentedFrames(PresentedFrameWatcher watcher);
// The host window as the host sees it: whether it is open, its client size and its title (UTF-8).
bool HostWindowState(int* width, int* height, std::string* titleUtf8);
// Whether the host keeps system key combinations inside its window (the message hook's grab).
bool HostKeyboardGrabbed();

}  // namespace pf::testing
