#pragma once
// The front buffer in a window: the desktop's primary surface, drawn at the window's client area.
#include "media/pixels/rectangles.h"

namespace zelvo {

// The client area's position on the desktop while the front buffer is the target of a DirectDraw
// window, else (0, 0, 0, 0).
IntRect FrontBufferClientOffset();
// The offset added to drawing on the front buffer: the client offset, except while the mask is
// active (drawing then goes into the mask screen, which has no window offset).
IntRect FrontBufferDrawOffset();
// The part of the front buffer (0, 0, width, height) that lies on the desktop, for a front buffer
// drawn through the offset; any other target keeps the whole rectangle.
IntRect FrontBufferVisiblePart(int width, int height);
// The window moved: the offset follows it and the draw region is set again.
void FollowWindowMove();

}  // namespace zelvo
