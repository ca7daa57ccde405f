#pragma once
// The main window's tool bar: a strip of picture buttons above the client area the screen uses.
#include "platform/window/window.h"

namespace zelvo {

// First command id of the tool-bar buttons; lower ids belong to the menu.
constexpr int kFirstToolbarId = 1280;

// Window mode only: makes or replaces the tool bar with `buttonCount` button images cut side by side
// from the picture at `path`; null removes it. 0, or -1 when it cannot be made.
int SetToolbar(const char* path, int buttonCount);
// The tool-bar window's height, 0 without tool bar.
int GetToolbarHeight();
// Takes the tool bar down with the window; the window is not refitted.
void RemoveToolbar();
// WM_COMMAND with a tool-bar id: 1 when the tool bar took it.
int OnToolbarCommand(int id);
// WM_SIZE of the main window, passed on.
void PassSizeToToolbar(pf::WParam wParam, pf::LParam lParam);

}  // namespace zelvo
