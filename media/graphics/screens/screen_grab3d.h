#pragma once
// Copying a rectangle of the screen into a texture graph through the first strategy that works.
namespace zelvo {

struct GraphRecord;

// 0, or the last strategy's -1 when none works; the graph must be at least the rectangle's size.
int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);

}  // namespace zelvo
