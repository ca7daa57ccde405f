#pragma once
// What the on-screen console asks of fonts and text, and its draw over the frame before presenting.
namespace zelvo {

int FontsAllowScreenLog();                       // the console needs the DirectDraw object or GDI output
int CreateScreenLogFont(int* fontLostFlag);      // font handle, or -1
void DeleteScreenLogFont(int font);
int ScreenLogCharWidth(int font, const char* character, int bytes);
void DrawScreenLogLine(int font, int y, const char* text);
// While the console is shown: drawn over the whole screen with no blend and a white tint, the
// drawing state put back after.
void DrawScreenLogOverFrame();

}  // namespace zelvo
