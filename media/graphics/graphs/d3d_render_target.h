#pragma once
// Where the Direct3D device renders: the front or back surface, a texture graph made as a draw
// target, or the surface of a 2D graph; and clearing a texture graph that is the target.
#include "platform/ddraw/ddraw.h"

namespace zelvo {

struct GraphRecord;

// Points the device at the draw target (-4 front, -2 back, or a graph): 0, or -1 for a bad graph,
// a texture graph that is not a single-piece draw target, or a 2D graph Direct3D cannot render into
// (then the target is marked invalid and shapes fall back to the software path). Without a
// Direct3D object 0.
int G_D3D_SelectRenderTarget(int target);
// The surface the device renders into for the current draw target; null when there is none or
// the target is one Direct3D cannot render into.
pf::DirectDrawSurface7* Direct3DTargetSurface();
// Whether a texture graph can be the device's render target: one piece whose texture was made as a
// draw target.
int IsRenderableTextureGraph(int graph);
// Clears the current draw target when it is a texture graph (depth to the far value, colour to the
// background colour at alpha 0); screens and 2D graphs are not touched.
int G_D3D_ClearTarget();
// Fills every texture piece of a texture graph with a colour packed for the piece's format, after
// drawing the vertices that still read the old texels. 0, or -1 for a graph without its pieces.
int G_D3D_FillSurface(const GraphRecord* graph, int red, int green, int blue, int alpha);

}  // namespace zelvo
