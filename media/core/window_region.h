#pragma once
// The main window's shape: a region of rectangles put on the window while it exists.
#include "platform/window/window.h"

namespace zelvo {

int ClearWindowRegion();                                       // removes the shape; 0
int SetWindowRegionFromRects(const pf::Rect* rects, int count);   // -1 when the region cannot be made
int HasWindowRegion();
// Puts the shape on the window (window creation) or takes it off (window end).
void ApplyWindowRegion(pf::WindowHandle window, int redraw);
void RemoveWindowRegion(pf::WindowHandle window);

}  // namespace zelvo
