#pragma once
// The 3D surface table (handle type 6): the texture pieces of texture graphs. A graph is divided
// into at most 64 power-of-two textures; each piece names its texture (a surface-data record), its
// place in the graph and in the texture, and a ready quad of corners.
#include <cstdint>

#include "media/core/handle_table.h"
#include "media/display/d3d_device.h"
#include "media/graphics/graphs/graph_image.h"

namespace zelvo {

struct GraphRecord;
struct SurfaceRecord;

struct Surface3DRecord {
  std::int32_t check;
  int* lostFlag;
  std::uint16_t x, y;
  std::uint16_t uOffset, vOffset;
  std::uint16_t sourceX, sourceY;
  std::uint16_t width, height;
  ScreenVertex corners[4];       // top-left, top-right, bottom-left, bottom-right
  std::uint8_t cornerSides[4];   // 1 on or above the graph's bottom-left to top-right diagonal
  std::int32_t owner;
  std::int32_t texture;          // surface-data record
};

constexpr int kSurface3DSlots = 65536;
using Surface3DTable = HandleTable<Surface3DRecord, kHandleTexture3D, kSurface3DSlots, kHighWaterSlot>;
extern Surface3DTable g_surface3D;

// The blend graph's texture size and its reciprocals.
extern float BlendGraphTextureScale[4];

int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DRecord* parent, int uOffset, int vOffset, int* lostFlag);
int ReleaseSurface3D(int handle);
Surface3DRecord* GetSurface3DRecord(int handle);
int ReleaseAllSurface3D();
// Pieces along one side of `length`; their sizes go to `sizes` (at most 64).
int ComputePieceSizes(int length, int* sizes, int singleTexture);
int CreateGraph3DDivided(GraphRecord* graph);
int DeriveGraph3D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source);
int ReleaseGraph3DPieces(GraphRecord* graph);
int FillGraph3DFromImage(const GraphImage* picture, const GraphImage* alpha, int x, int y, GraphRecord* graph);
int RestoreGraph3DTextures(GraphRecord* graph);
// A texture of the same size and format in system memory, to write in and Load from; null on failure.
pf::DirectDrawSurface7* CreateSystemMemoryTexture(const SurfaceRecord* texture);
int G_D3D_SetBlendGraph(const GraphRecord* blendGraph, int borderParam, int borderRange);
// The texture of a surface-data record: a power-of-two texture in the format its flags ask for
// (the descriptor index goes to its kind code), and its colour key in that format.
int CreateTextureStorage(SurfaceRecord* record);
std::uint32_t TextureColorKeyValue(const SurfaceRecord* record);
// The facts the device's state preparation needs of a piece.
TextureFacts PieceTextureFacts(const Surface3DRecord* piece);
// The device's reading of a piece by its handle (the free-quad draw): -1 when the handle names none.
int ReadTexturePiece(int handle, TexturePieceFacts* out);

}  // namespace zelvo
