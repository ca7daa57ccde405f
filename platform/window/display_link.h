#pragma once
// What the drawing layers (DirectDraw and GDI) need of the window system: the pixels they draw
// into a window's client area, and the report of a display mode set over the desktop.
#include <cstdint>
#include <functional>

#include "platform/window/window.h"

namespace pf::window_system {

// A window's client pixels: 0x00RRGGBB, rows of `width` packed, sized to the client area;
// `client` is that area in screen coordinates.
using ClientPixelsDraw = std::function<void(std::uint32_t* pixels, int width, int height, const Rect& client)>;

// Runs `draw` over the client pixels of `window` (null: the window shown through the host) and,
// when `present` is set and the window is the host's, shows them. False when there is no such
// window or its client area is empty.
bool DrawClientPixels(WindowHandle window, bool present, const ClientPixelsDraw& draw);

// The display layer reports the mode it set over the desktop, so that the desktop queries
// (GetDesktopMode, GetSystemMetrics) follow a full-screen mode; false while none is set.
using DisplayModeSource = bool (*)(int* width, int* height, int* bitsPerPixel);
void SetDisplayModeSource(DisplayModeSource source);

}  // namespace pf::window_system
