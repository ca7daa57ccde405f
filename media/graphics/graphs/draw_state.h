#pragma once
// The library's one drawing state: where drawing goes, the clip region, blend mode, tint, filter,
// transparent colour, blend graph, the 2D transforms of the target and the create options of new
// graphs; together with the graphics manager's started, ending and Direct3D-usable flags.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/display/screen_services.h"
#include "media/pixels/rectangles.h"

namespace zelvo {


struct FloatRect { float left, top, right, bottom; };
using Matrix4 = float[4][4];

struct DrawState {
  int target;
  int targetWidth, targetHeight;
  IntRect region;
  FloatRect regionFloat;
  int regionEmpty;
  IntRect requestedRegion;
  IntRect drawOffset;
  int textureFilter;
  int blendMode;
  int blendParam;
  int blendGraph;
  int blendGraphBorderParam;
  int blendGraphBorderRange;
  std::uint32_t drawTint;
  std::uint32_t transparentColor;
  // Graphs made from pictures: alpha 0 where a picture shows the transparent colour, and the
  // transparent colour taken from each picture's top-left pixel.
  int transparentToAlpha;
  int transparentFromTopLeft;
  float world[4][4], view[4][4], projection[4][4], viewport[4][4], viewport2D[4][4];
  int matricesDirty;
  // world x view x projection x viewport, and the transpose of the view's rotation.
  float combined[4][4], viewRotation[4][4];
  // What depth-only drawing replaced, put back when it ends.
  struct {
    float depth2D;
    int blendMode, blendParam, depthWrite, depthCompare;
  } depthOnlySaved;
  int depthTest, depthWrite, depthCompare;
  float depth2D;
  int direct3DStartSetting;
  int maskRequested;
  int maskActive;      // requested and the mask screen made: every drawing operation is masked
  int optionWord;
  // Create options of new graphs.
  int use3D;
  int makeDrawable;
  int alphaTestOption;
  int systemMemoryOption;
  int colorBitDepthOption;
  int blankGraphAlpha;
  int alphaOnlyOption;
};
extern DrawState g_draw;

struct GraphicsState {
  int started;
  int ending;
  int direct3DUsable;
  void (*restoreCallback)();   // null: the built-in graph restore (reload from the files)
  int lineSkipsSubtractEmulation;
};
extern GraphicsState g_graphics;

// The inactive-window wait of drawing operations; before graphics start there is no window to
// wait for.
void WaitWhileInactiveForDrawing();

// Clears the drawing state and puts the defaults of a graphics manager start in it.
void ResetDrawState();

// Setters: 0, or -1 for an invalid graph; all do nothing while graphics end.
int SetTextureFilter(int mode);
int SetBlendMode(int mode, int parameter);
int SetBlendGraph(int graph, int borderParam, int borderRange);
int SetDrawTint(int red, int green, int blue);
int SetDrawTintPacked(std::uint32_t tint);
int SelectDrawTarget(int target);
int SetDrawRegion(int x1, int y1, int x2, int y2);
int SetDrawOffset(const IntRect* offset);

// Graph size of -2, -4 (the screen size) or a graph; -1 with the outputs unwritten otherwise.
int GetGraphSize(int graph, int* width, int* height);
int Is3DDrawingInEffect();

// Matrix helpers (row-major, row vectors).
void MatrixIdentity(float m[4][4]);
void MatrixMultiply(float out[4][4], const float a[4][4], const float b[4][4]);
void MatrixLookAt(float out[4][4], const float eye[3], const float at[3], const float up[3]);
int MatrixPerspective(float out[4][4], float fov, float nearZ, float farZ);
void MatrixViewport(float out[4][4], float width, float height);

}  // namespace zelvo
