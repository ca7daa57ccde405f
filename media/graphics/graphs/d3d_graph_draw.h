#pragma once
// Texture graphs drawn by the Direct3D device: plain, stretched, rotated and four-corner draws queue
// six vertices per texture piece in the device's batch; the subtract emulation and the untextured box
// it fills with.
#include "media/core/runtime_routines.h"
#include "media/software/screen_vertex.h"

namespace zelvo {

struct GraphRecord;

int G_D3D_BlitGraph(int x, int y, const GraphRecord* graph, int transparent);
// The part `part` (screen pixels) of the graph placed with its top-left at (x, y), cut to the part and
// the draw region. `modulated` keeps the tint's modulation on also for white (the same pixels), so
// that parts drawn in alternating tints keep one device state.
int G_D3D_BlitGraphPart(int x, int y, const IntRect& part, const GraphRecord* graph, int transparent, int modulated);
int G_D3D_BlitGraphStretched(float x1, float y1, float x2, float y2, const GraphRecord* graph, int transparent,
                             int integerCoords);
int G_D3D_BlitGraphRotated(float x, float y, double scale, double angle, const GraphRecord* graph, int transparent,
                           int mirror);
// Corners top-left, top-right, bottom-left, bottom-right.
int G_D3D_BlitGraphQuad(const float corners[8], const GraphRecord* graph, int transparent);
// The same with integer corners. An axis-aligned rectangle is a stretched draw; with a blend graph
// each piece is drawn at once as a strip through two affine maps of the graph's halves.
int G_D3D_BlitGraphQuadInt(const int corners[8], const GraphRecord* graph, int transparent);
// The caller's triangles as they stand (positions, colours and texture coordinates), textured by the
// graph's first piece.
int G_D3D_DrawVertexList(const ScreenVertex* vertices, int triangleCount, const GraphRecord* graph, int transparent);
// Hands the drawing state to the device (render target, viewport, filter, vertex colour, blend
// graph): 1 to draw, 0 when the target is one the device cannot render into, -1 without a device.
int BeginDirect3DDraw();
// Ends the scene after the draw when drawing on the front surface.
void EndDirect3DDraw();
// Ends the open scene before anything else touches the screen's surfaces.
void EndDirect3DScene();
// Subtraction as invert(invert(destination) + source) around a texture-graph draw.
void BeginSubtractEmulation(const IntRect* rect);
void EndSubtractEmulation(const IntRect* rect);

}  // namespace zelvo
