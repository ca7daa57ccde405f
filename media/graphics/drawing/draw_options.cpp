// Create options and drawing-state queries.
#include "media/graphics/drawing/draw_options.h"

#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"

namespace zelvo {

int SetUse3DOption(int flag) {
  if (g_graphics.ending) return 0;
  g_draw.use3D = flag;
  if (GetDirectDrawObject() == nullptr) SetDirect3DOffFlag(flag == 0 ? 1 : 0);
  return 0;
}

int SetAlphaTestOption(int flag) {
  if (g_graphics.ending) return 0;
  g_draw.alphaTestOption = flag;
  return 0;
}

int GetAlphaTestOption() { return g_draw.alphaTestOption; }

int SetMakeDrawableOption(int flag) {
  if (g_graphics.ending) return 0;
  g_draw.makeDrawable = flag;
  return 0;
}

int SetSystemMemoryOption(int flag) {
  if (g_graphics.ending) return 0;
  g_draw.systemMemoryOption = IsDirectDrawMode() ? 1 : flag;
  return 0;
}

int SetVideoMemoryOption(int flag) { return SetSystemMemoryOption(flag == 0 ? 1 : 0); }

int GetSystemMemoryOption() { return g_draw.systemMemoryOption; }

int SetColorBitDepthOption(int depth) {
  if (g_graphics.ending) return 0;
  g_draw.colorBitDepthOption = depth;
  return 0;
}

int GetColorBitDepthOption() { return g_draw.colorBitDepthOption; }

int SetBlankGraphAlphaOption(int flag) {
  if (g_graphics.ending) return 0;
  g_draw.blankGraphAlpha = flag;
  return 0;
}

int GetBlankGraphAlphaOption() { return g_draw.blankGraphAlpha; }

int GetDrawTarget() { return g_draw.target; }

int GetDrawRegionCopy(IntRect* out) {
  *out = g_draw.region;
  return 0;
}

int GetTextureFilter() { return g_draw.textureFilter; }

int GetGraphicsOptionWord() { return g_draw.optionWord; }

int GetScreenInfo(int* width, int* height, int* depth) {
  GetGraphSize(kTargetFrontBuffer, width, height);
  if (depth != nullptr) *depth = GetRequestedScreenDepth();
  return 0;
}

}  // namespace zelvo
