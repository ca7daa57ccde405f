#pragma once
// The 2D surface table (handle type 5): rectangles inside shared surface-data records, one per 2D
// graph; the cells of a divided picture share their parent's record.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/graphics/graphs/graph_flags.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/core/handle_table.h"

namespace zelvo {

struct GraphRecord;
struct MovieRecord;

struct Surface2DEntry {
  std::int32_t check;
  int* lostFlag;
  std::uint16_t positionX, positionY;
  std::uint16_t originX, originY;
  std::uint16_t width, height;
  std::int32_t owner;
  std::int32_t record;
};

constexpr int kSurface2DSlots = 32768;
using Surface2DTable = HandleTable<Surface2DEntry, kHandleSurface2D, kSurface2DSlots, kHighWaterSlot>;
extern Surface2DTable g_surface2D;

int AddSurface2D(int width, int height, int positionX, int positionY, int owner, const Surface2DEntry* parent,
                 int originX, int originY, const GraphFlags* graphFlags);
int DeleteSurface2D(int handle);
Surface2DEntry* GetSurface2D(int handle);
int DeleteAllSurface2D();
int CreateGraphSurfaces(GraphRecord* graph);
int DeriveGraphSurface(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* parent);
int DeleteGraphSurfaces(GraphRecord* graph);
int TransferImageToGraph(const GraphImage* picture, const GraphImage* alpha, int x, int y, GraphRecord* graph);
// The picture's rectangle placed at (x, y) of the graph: each 2D surface takes the part it covers.
int TransferImageRectToGraph(const GraphImage* picture, const GraphImage* alpha, const IntRect* rect, int x, int y,
                             GraphRecord* graph);
int TransferImageRectToSurface2D(const GraphImage* picture, const GraphImage* alpha, const IntRect* sourceRect,
                                 int x, int y, int handle);
// The movie's current frame into the graph's 2D surface: rows copied as they are when the frame has
// the surface's layout, else converted. 0, or -1 when the surface cannot be had.
int TransferMovieFrame(const MovieRecord* movie, GraphRecord* graph);
int RestoreGraphSurfaces(GraphRecord* graph);
// Stores the owner's flag in the entry and clears it; deleting the entry sets it to 1.
int SetSurface2DLostFlag(int handle, int* flag);

}  // namespace zelvo
