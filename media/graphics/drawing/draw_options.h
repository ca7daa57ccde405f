#pragma once
// The create options of new graphs and the small queries of the drawing state: setters store what
// the graph records read at creation (and the display reads before it starts) and do nothing while
// graphics end; getters copy the state out.
#include "media/core/runtime_routines.h"

namespace zelvo {

// Texture graphs allowed; before the DirectDraw object exists it also tells the display whether to
// prepare Direct3D.
int SetUse3DOption(int flag);
int SetAlphaTestOption(int flag);
int GetAlphaTestOption();
int SetMakeDrawableOption(int flag);
// New 2D graphs in system memory. Under DirectDraw output (not GDI) the option is always on; the
// second form stores the inverse of its argument.
int SetSystemMemoryOption(int flag);
int SetVideoMemoryOption(int flag);
int GetSystemMemoryOption();
// 0 automatic (the screen's depth), else 16 or 32.
int SetColorBitDepthOption(int depth);
int GetColorBitDepthOption();
// Blank graphs made with an alpha channel.
int SetBlankGraphAlphaOption(int flag);
int GetBlankGraphAlphaOption();

int GetDrawTarget();
int GetDrawRegionCopy(IntRect* out);
int GetTextureFilter();
int GetGraphicsOptionWord();
// The screen's size (640x480 until it has one) and the requested depth (16 when none).
int GetScreenInfo(int* width, int* height, int* depth);

}  // namespace zelvo
