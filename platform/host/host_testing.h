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
void InjectDropFile(const char* utf8Path);      // one file per drop
void InjectExposed();

// The headless desktop (default 1024x768x32; also ZELVO_DESKTOP=WxHxBPP).
void SetHeadlessDesktop(int width, int height, int bitsPerPixel);

// The last frame presented through the host; returns the count of frames presented so far.
std::uint64_t LastPresentedFrame(std::vector<std::uint32_t>* pixels, int* width, int* height);
// The host window as the host sees it: whether it is open, its client size and its title (UTF-8).
bool HostWindowState(int* width, int* height, std::string* titleUtf8);

}  // namespace pf::testing
