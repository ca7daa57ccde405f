#pragma once
// The mask screen. While mask drawing is active every drawing operation is confined by a
// screen-sized mask: a pixel whose mask byte is set keeps what the target held before the drawing.
// Before a drawing the touched rectangle of the target is copied into the mask screen (a MEMIMG in
// software rendering, else a DirectDraw surface of the screen's size) and the drawing goes there;
// afterwards the pixels the mask lets through are copied back to the target.
#include <cstdint>

#include "media/pixels/memimg.h"
#include "media/pixels/rectangles.h"
#include "platform/ddraw/ddraw.h"

namespace zelvo {

constexpr int kMaskSlotCount = 512;

// A mask handle's record. Nothing in the library makes one; a maker fills the data in the mask
// screen's layout (one byte a pixel, rows `pitch` bytes apart).
struct MaskRecord {
  int check;
  std::uint8_t* data;   // owned
  int width, height, pitch;
  int inUse;
};

struct MaskScreenState {
  // One byte per screen pixel, rows of the screen width rounded up to 4 bytes.
  std::uint8_t* data;
  int width, height, pitch;
  // The mask screen, of the screen's size when it was made.
  int screenWidth, screenHeight;
  pf::DirectDrawSurface7* surface;
  MEMIMG image;
  int hasImage;               // the mask screen is the MEMIMG (software rendering), not the surface
  std::uint32_t keyColor;     // the surface's source colour key
  int inverse;                // 1: pixels whose mask byte is 0 are the masked ones
  int surfaceInVideoMemory;
  int created;
  IntRect drawArea;
  // Drawing operations nest (text draws its glyphs with the graph draws): only the outermost one
  // saves and restores, and sends the drawing into the mask screen.
  int bracketDepth;
  int redirected;
  pf::DirectDrawSurface7* savedSurface;
  MEMIMG* savedImage;
  int savedOriginX, savedOriginY, savedInVideoMemory;
  MaskRecord records[kMaskSlotCount];
};
extern MaskScreenState g_mask;

// Nothing made, as at process start.
void ResetMaskState();

// Makes the mask data and/or the mask screen where they do not exist yet: 0, or -1 when the data
// cannot be allocated. A mask screen that cannot be made ends the program.
int CreateMaskScreen(int withData, int withScreen);
// Around a display change: the mask screen goes and comes back with the same settings; the mask
// data (the caller's pattern) stays.
int ReleaseMaskScreen();
int RecreateMaskScreen();
// Graphics shut-down: the mask off and everything freed.
int EndMaskScreen();

// -1 without mask data (nothing changed); else the request stored and the mask active when it is
// on and the mask screen exists.
int EnableMask(int on);
int IsMaskEnabled();
int IsMaskActive();
pf::DirectDrawSurface7* GetMaskSurface();
MEMIMG* GetMaskImage();
// The surface the Direct3D device draws into while the mask is active, else null.
pf::DirectDrawSurface7* MaskRenderTarget();

// The steps before and after one drawing operation on `rect` (draw coordinates) of the target given
// by its surface or its MEMIMG. Both return 0.
int MaskSaveRect(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, MEMIMG* targetImage);
int MaskRestoreRect(const IntRect* rect, pf::DirectDrawSurface7* targetSurface, MEMIMG* targetImage);

// The bracket the drawing operations run in: the save step with the software target turned to the
// mask screen, and the target given back with the restore step. Nothing while the mask is off.
void BeginMaskedDraw(const IntRect* rect);
void EndMaskedDraw(const IntRect* rect);

// -1 for a handle that is not a live mask (type 8, slot below 512, check number); else its data
// freed and the record cleared.
int DeleteMask(int handle);
int DeleteAllMasks();

}  // namespace zelvo
