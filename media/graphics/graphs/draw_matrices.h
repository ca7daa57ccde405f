#pragma once
// The transforms and depth settings of the drawing state: the world, view, projection and viewport
// matrices with their combination, the depth-buffer write switch and compare function, the depth of
// 2D drawing, and the depth-only drawing bracket. Setters do nothing and return 0 while graphics end.
namespace zelvo {

enum DrawMatrixKind : int { kWorldMatrix = 0, kViewMatrix = 1, kProjectionMatrix = 2, kViewportMatrix = 3 };

// Stores a 4x4 row-vector matrix and recombines; world, view and projection also go to the device
// when Direct3D is usable. -1 for a null matrix or one with an entry that is not a finite number
// (nothing stored), or when the device refuses it.
int SetDrawMatrix(int kind, const float matrix[4][4]);
// Copies a stored matrix out; -1 for an unknown kind or a null output.
int GetDrawMatrix(int kind, float out[4][4]);
// combined = world x view x projection x viewport; view rotation = the transpose of the view's upper
// left 3x3 (the fourth row and column zero).
int CombineDrawMatrices();
// The target switch's transforms of a w x h target: one unit is one pixel at depth 0.
void SetTargetMatrices(int width, int height);

// Depth-buffer write switch and compare function: a change first draws the vertices queued under
// the old setting.
int SetDepthWrite(int on);
int SetDepthCompare(int function);
int SetDepth2D(float depth);
int GetDepthWrite();
int GetDepthCompare();
float GetDepth2D();

// Draws made between these change only the depth buffer (at depth 1.0 when flag is set, else 0.0).
int BeginDepthOnlyDrawing(int flag);
int EndDepthOnlyDrawing();

}  // namespace zelvo
