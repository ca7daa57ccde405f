#pragma once
// The drawing operations behind the public drawing entry points: each runs the draw bracket
// (refusals, handle and blend-graph tests, front-screen refresh and copy) around one back-end call.
#include <cstdint>

namespace zelvo {

// A vertex of a 2D polygon list: position, colour bytes, texture coordinates.
struct PolygonVertex2D {
  float x, y;
  std::uint8_t blue, green, red, alpha;
  float u, v;
};
enum : int { kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6 };
constexpr int kNoTexture = -5;

int ClearDrawTarget();
int FillGraphColor(int graph, int red, int green, int blue, int alpha);
int DrawPolygonList(const PolygonVertex2D* vertices, int count, int kind, int texture, int trans);
int BlitGraph(int x, int y, int graph, int trans);
int BlitGraphStretched(int x1, int y1, int x2, int y2, int graph, int trans);
int BlitGraphStretchedFloat(float x1, float y1, float x2, float y2, int graph, int trans);
int BlitGraphMirrored(int x, int y, int graph, int trans);
int BlitGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                         int trans);
int BlitGraphPart(int x, int y, int sx, int sy, int w, int h, int graph, int trans, int mirror);
// BlitGraphPart unmirrored; the part of a texture graph is cut by the device's vertices instead of a
// narrowed draw region, so that parts drawn one after another share one batch; `modulated` as for
// G_D3D_BlitGraphPart.
int BlitTextureGraphPart(int x, int y, int sx, int sy, int w, int h, int graph, int trans, int modulated);
int BlitGraphPartStretched(int x1, int y1, int x2, int y2, int sx, int sy, int sw, int sh, int graph, int trans);
int BlitGraphRotated(int x, int y, double scale, double angle, int graph, int trans, int mirror);
int BlitGraphRotatedFloat(float x, float y, double scale, double angle, int graph, int trans, int mirror);
int BlitGraphRotatedPivot(int x, int y, int cx, int cy, double scale, double angle, int graph, int trans,
                              int mirror);
int DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness);
int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill);
int DrawCircleShape(int x, int y, int r, std::uint32_t colour, int fill);
int DrawEllipse(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
int DrawTriangleShape(int x1, int y1, int x2, int y2, int x3, int y3, std::uint32_t colour, int fill);

}  // namespace zelvo
