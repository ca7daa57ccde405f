#pragma once
// Test controls of the DirectDraw and GDI stand-ins: the display modes the display accepts, the
// 16-bit layout, the vertical blank, the video-memory budget, lost surfaces, the results of
// injected faults, and counters. Faults themselves go through pf::testing::FailNextCalls with the
// method's name ("CreateSurface", "SetDisplayMode", "Lock", "BitBlt", "ChangeDisplaySettings", ...).
#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace pf::testing {

struct DisplayModeEntry {
  int width, height, bitsPerPixel, refresh;
};
// The full-screen modes the display takes (default 640x480, 800x600 and 1024x768 at 8, 16 and 32
// bits, 60 Hz); a request with refresh 0 takes any listed rate.
void SetAcceptedDisplayModes(const std::vector<DisplayModeEntry>& modes);
// 16-bit display modes as 5:5:5 instead of 5:6:5.
void SetDisplay16Bit555(bool on);
// A display whose vertical blank never comes.
void SetVerticalBlankStopped(bool stopped);
// Video memory for surfaces made without DDSCAPS_SYSTEMMEMORY (default 64 MiB).
void SetVideoMemoryBudget(std::uint32_t bytes);
// Every surface that can be lost (display buffers, video memory, Z) is lost until Restore.
void LoseVideoMemory();
// The result an injected fault of `method` returns (default DDERR_GENERIC; GDI calls fail as GDI does).
void SetFaultResult(const char* method, HResult code);
// What GetDeviceCaps (VREFRESH) reports; -1 (default) reports the display's rate.
void SetReportedRefreshRate(int hertz);
// The rectangles locked on one surface (null: none) from now on, taken out in lock order.
void WatchSurfaceLocks(DirectDrawSurface7* surface);
std::vector<Rect> TakeSurfaceLocks();
// Back to the defaults above, the desktop mode restored, fault results and watched locks forgotten.
void ResetDisplayStandIn();

int LiveDirectDrawObjects();
int LiveSurfaceCount();
int CallsOnDeadObjects();
// The display mode set over the desktop; false while the desktop mode stands.
bool DisplayModeSet(int* width, int* height, int* bitsPerPixel);

// A surface's pixel as 0x00RRGGBB (8-bit surfaces through their palette).
std::uint32_t SurfacePixel(DirectDrawSurface7* surface, int x, int y);

}  // namespace pf::testing
