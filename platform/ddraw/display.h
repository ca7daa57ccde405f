#pragma once
// The virtual display behind DirectDraw and GDI: the desktop mode, the display mode set over it
// (full screen), the modes the display accepts, the vertical blank on the layer's clock, and the
// way the primary's pixels reach the host window.
#include <cstdint>
#include <vector>

#include "platform/ddraw/pixel_view.h"

namespace pf::display {

struct Mode {
  int width, height, bitsPerPixel, refresh;
};

// The desktop as the host reports it, refresh 60.
Mode Desktop();
// The mode the display runs in now: the desktop, or the mode set last.
Mode Current();
bool Changed();

// Whether the display takes the mode: it must be in the accepted list; refresh 0 takes any rate.
bool Accepts(int width, int height, int bitsPerPixel, int refresh);
// Switches the display (the host window goes full screen) and tells the windows.
void SetMode(const Mode& mode);
void RestoreDesktop();

// The pixel layout of the display at a depth (16 bits: 5:6:5, or 5:5:5 by the test switch).
pixels::Layout LayoutForDepth(int bitsPerPixel);

// Vertical blank: the last twentieth of each refresh period.
bool InVerticalBlank();
// The scan line; false while the blank runs (the line is then at or past the height).
bool ScanLine(std::uint32_t* line);
void WaitForBlankStart();

// Shows what the primary holds under the host window's client area (desktop coordinates).
void ShowPrimary(const pixels::View& primary);

// The test-controlled settings.
struct Settings {
  std::vector<Mode> acceptedModes;
  bool use555;
  bool blankStopped;
};
Settings& CurrentSettings();
void ResetSettings();

}  // namespace pf::display
