#pragma once
// Graph records (handle type 1) in the graph table: creation as a texture or a 2D graph, loading
// from picture files, cutting into cells, deriving, deleting and restoring after a lost display.
#include <cstdint>

#include "media/graphics/graphs/graph_flags.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/core/handle_table.h"
#include "media/core/runtime_routines.h"

namespace zelvo {

constexpr int kMaxBackEndHandles = 64;
constexpr int kGraphFileNameSize = 64;
constexpr int kGraphFolderSize = 256;

struct GraphRecord {
  std::int32_t check;
  int* lostFlag;
  int handle;
  GraphFlags flags;
  int loadOption;
  int alphaOnlyAtCreation;
  int backEnds[kMaxBackEndHandles];
  int backEndCount;
  char fileName[kGraphFileNameSize];
  char folder[kGraphFolderSize];
  int sourceX, sourceY;
  int width, height;
  int movie;
  int restorePending;
  void* ownedBuffer;
};

constexpr int kGraphSlots = 32768;
using GraphTable = HandleTable<GraphRecord, kHandleGraph, kGraphSlots, kHighWaterSlot>;
extern GraphTable g_graphs;

GraphRecord* GetGraphRecord(int handle);
int CreateGraphRecord(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag, GraphRecord** out);
int CreateGraph(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag);
int CreateBlankGraph(int width, int height, int notTexture);
int FillGraphFromImage(int graph, const char* fileName, const GraphImage* picture, const GraphImage* alpha, int x,
                       int y, int loadOption);
// The picture's rectangle placed at (x, y) of the graph; a reload refills the graph from the
// picture position its top-left corner shows.
int FillGraphFromImageRect(int graph, const char* fileName, const GraphImage* picture, const GraphImage* alpha,
                           const IntRect* rect, int x, int y, int loadOption);
int CreateGraphFromGraphImage(GraphImage* picture, GraphImage* alpha, int textureAllowed, int mirror, int mirrorHere);
int CreateDivGraphFromGraphImage(GraphImage* picture, GraphImage* alpha, int total, int across, int down,
                                 int cellWidth, int cellHeight, int* handles, int textureAllowed, int mirror,
                                 int mirrorHere);
int LoadGraph(const char* fileName, int notTexture);
int LoadDivGraph(const char* fileName, int total, int across, int down, int cellWidth, int cellHeight,
                     int* handles, int notTexture);
int DeriveGraph(int x, int y, int width, int height, int parent);
int DeleteGraph(int graph, int logFlag);
int DeleteAllGraphs(int logFlag);
int RegisterGraphLostFlag(int graph, int* flag);
int RestoreGraphHandleSurfaces(int graph);
int RestoreAllGraphSurfaces();
// After a display change: every graph flagged for refilling, then the restore callback.
int RefillAllGraphs();
void RestoreGraphsBuiltIn();

}  // namespace zelvo
