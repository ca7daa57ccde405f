#pragma once
// The library's one top-level window: its start and end, its procedure and its accessories.
#include "platform/window/window.h"

namespace zelvo {

int StartMainWindow();
int EndMainWindow();
pf::LResult MainWindowProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam);
void BringWindowToForeground(pf::WindowHandle window, int topmost);
int FitWindowToScreen();
int SetCursorVisible(int flag);
int GetMousePosition(int* x, int* y);
int FreeDroppedFiles();
// The client size of a window-mode window: the screen size times the scale rate, truncated.
void WindowClientSize(int* width, int* height);

}  // namespace zelvo
