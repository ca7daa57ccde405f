#pragma once
// Window mode, title, style and the small getters through which the rest of the library reads the
// core's window state.
#include "platform/window/window.h"

namespace zelvo {

int ChangeWindowMode(int flag);
int SetWindowModeFlag(int flag);
int ApplyWindowStyle();
int SetWindowTitle(const char* text);
int SetWindowStyleIndex(int index);
int IsWindowClosed();
int IsClosePosted();
pf::WindowHandle QueryMainWindow();
int QueryWindowMode();
int QueryAppActive();
int QueryCursorSetting();
int QueryDesktopMode(int* width, int* height, int* bits);
int GetClientRectBelowToolbar(pf::Rect* out);
double QueryWindowScaleRate();
int QuerySavedWindowOption();
int QueryMenuEnabled();
// The window style and extended style of the style table for the current mode and options.
void StyleForCurrentMode(std::uint32_t* style, std::uint32_t* exStyle);

}  // namespace zelvo
