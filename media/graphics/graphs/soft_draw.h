#pragma once
// The software drawing front ends: graph draws and shapes that do not go to Direct3D, drawn into
// the software target or into the SoftDrawLock images on a DirectDraw target.
#include <cstdint>

#include "media/graphics/graphs/graph_record.h"
#include "media/software/screen_vertex.h"
#include "media/software/shapes.h"
#include "media/software/triangle_map.h"

namespace zelvo {

int BlitGraphSoft(float x, float y, const GraphRecord* graph, int trans, int integerCoordinates);
int StretchGraphSoft(float x1, float y1, float x2, float y2, const GraphRecord* graph, int trans,
                     int integerCoordinates);
int RotateGraphSoft(float x, float y, double scale, double angle, const GraphRecord* graph, int trans, int mirror);
int DrawMappedTriangleSoft(const TriangleMapVertex* vertices, const GraphRecord* graph, int trans,
                           std::uint32_t flatColour);
// Corners top left, top right, bottom left, bottom right.
int DrawFourCornersSoft(const float* corners, const GraphRecord* graph, int trans);
int DrawLineListSoft(const LineRecord* lines, int count);
// Triangles of three ScreenVertex each; graph null for untextured ones.
int DrawPolygonSoft(const ScreenVertex* triangles, int count, const GraphRecord* graph, int trans, int plain,
                    int depth);
int ClearTargetSoft();
// Fills every surface-data record behind the graph (a cell fills its whole shared picture).
int FillGraphSurfacesSoft(const GraphRecord* graph, int red, int green, int blue, int alpha);

// The shape front ends.
int DrawSoftCircle(int x, int y, int r, std::uint32_t colour, int fill);
int DrawSoftOval(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
int DrawSoftTriangle(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill);
int DrawBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawLineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawBoxOutlineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);

}  // namespace zelvo
