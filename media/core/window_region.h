#pragma once
// The main window's shape, taken from a picture: every pixel whose bytes are not all 0 belongs to it.
#include "platform/window/window.h"

namespace zelvo {

int SetWindowRegionFromPicture(const char* path);   // null removes the shape; -1 when the picture fails
int HasWindowRegion();
// Puts the shape on the window (window creation) or takes it off (window end).
void ApplyWindowRegion(pf::WindowHandle window, int redraw);
void RemoveWindowRegion(pf::WindowHandle window);

}  // namespace zelvo
