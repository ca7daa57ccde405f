#pragma once
// Surface-data records: the pixels behind graphs, as a DirectDraw off-screen ("standard") surface
// or a MEMIMG in system memory, optionally with a depth buffer; shared by reference count.
#include <cstdint>

#include "media/graphics/graphs/graph_flags.h"
#include "media/core/handle_table.h"
#include "media/pixels/memimg.h"
#include "platform/ddraw/ddraw.h"

namespace zelvo {

struct SurfaceRecord {
  std::int32_t check;
  int* lostFlag;
  GraphFlags flags;
  int memoryImage;
  int kindCode;
  int depthBuffer;
  pf::DirectDrawSurface7* surface;
  MEMIMG image;
  pf::DirectDrawSurface7* depthSurface;
  MEMIMG depthImage;
  std::uint32_t colorKey;
  std::uint16_t width, height;
  int refCount;
  int lockedPitch;
  void* lockedPointer;
  int lockNesting;
  void* keptPixels;   // a drawn graph's pixels, kept across a lost surface (kept_pixels.h)
};

constexpr int kSurfaceDataSlots = 65536;
using SurfaceDataTable = HandleTable<SurfaceRecord, kHandleSurfaceData, kSurfaceDataSlots, kHighWaterSlot>;
extern SurfaceDataTable g_surfaceData;

int CreateSurfaceRecord(int refCount, int width, int height, std::uint32_t colorKey, const GraphFlags* flags);
int ReleaseSurfaceRecord(int handle);
int SurfaceRecordRefDown(int handle);
int SurfaceRecordRefUp(int handle);
SurfaceRecord* GetSurfaceRecord(int handle);
int SetSurfaceDepthBuffer(int handle, int wanted);
int ApplySurfaceColorKey(int handle);
// -1 when the surface was lost and has been restored: it holds its kept pixels if it has any, else
// it must be refilled.
int RestoreSurfaceIfLost(int handle);
// 0, -2 when already locked (same pitch and pointer, one more nesting), -1 on failure.
int LockSurfaceRecord(int handle, int* pitch, void** pointer, int writeOnly, const IntRect* rect,
                      const PixelFormat** format);
int UnlockSurfaceRecord(int handle, const IntRect* rect);
int FillSurfaceRecord(int handle, int red, int green, int blue, int alpha);
// The DirectDraw objects of every record released (the DirectDraw object goes away) and made again
// (a new one is up); the records and memory images stay.
void ReleaseAllSurfaceObjects();
void RecreateAllSurfaceObjects();
// Every live record released; the table empty.
int ReleaseAllSurfaceData();
// The format a record's pixels are in.
const PixelFormat* SurfaceRecordFormat(const SurfaceRecord* record);

}  // namespace zelvo
