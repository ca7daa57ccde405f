#pragma once
// Copying a rectangle of the draw target into a graph.
namespace zelvo {

struct GraphRecord;

// 0; -1 for an invalid graph, a rectangle that is not exactly the graph's size inside the target,
// or a failed lock. The flag only matters to texture graphs.
int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag);
int CopyScreenRectToGraphSoft(int x1, int y1, int x2, int y2, GraphRecord* graph);

}  // namespace zelvo
