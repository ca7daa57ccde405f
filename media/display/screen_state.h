#pragma once
// The DirectDraw screen: its one state record, the output surfaces, the start-up and shut-down,
// the screen-mode change with its fall-backs and the frame timing, and the accessors through which
// the rest of the library reads and sets the screen.
#include <cstdint>

#include <zelvo/pixel_format.h>

#include "media/pixels/memimg.h"
#include "platform/ddraw/ddraw.h"

namespace zelvo {

// Screen format kinds.
enum : int { kScreen565 = 0, kScreen555 = 1, kScreen888 = 2, kScreenOtherFormat = 3 };

struct ScreenState {
  pf::DirectDraw7* directDraw;
  pf::DirectDrawClipper* clipper;
  pf::DirectDrawPalette* palette;
  pf::DDCaps deviceCaps;
  int width, height;                // 0 reads as 640 x 480
  int colorDepth;                   // 0 reads as 16
  int refreshRate;                  // requested; 0 = driver default
  int requestedDepth;
  std::uint32_t cooperativeLevel;
  int screenFormatKind;
  PixelFormat screenFormat;
  DDPixelFormatRecord displayPixelFormat;
  int overlayFormatIndex;           // -1 = no overlay
  int softwareRendering;
  int gdiOutput;
  int direct3DOff;
  int gdiSurface;
  int appliedGdiSurface;            // -1 = unknown
  int vblankWait;
  int displayModeChanged;
  int sceneEndBeforeSoftDraw;
  int useGdiBlit;
  int temporaryPrimary;
  int measuredRefresh;              // Hz, -1 = unknown
  int framePeriod;                  // ms, -1 = unknown
  int frameWaitThreshold;           // (period * 2 - 4) / 3, -1 when unknown
  int scanLineCount;
  std::uint32_t lastModeChangeTime; // 0 = none
  int ready;
  // Output surfaces of DirectDraw output.
  pf::DirectDrawSurface7* primarySurface;
  pf::DirectDrawSurface7* backSurface;
  pf::DirectDrawSurface7* temporaryPrimarySurface;
  pf::DirectDrawSurface7* workSurface1;
  pf::DirectDrawSurface7* workSurface2;
  pf::DirectDrawSurface7* zBufferSurface;
};
extern ScreenState g_screen;
// The screens of software rendering: front, back and depth.
extern MEMIMG SoftScreen;
extern MEMIMG SoftBackScreen;
extern MEMIMG SoftDepthScreen;

// Back to the state before the first start (tests and the library's restart).
void ResetScreenState();
// The overlay formats the start-up probe tries, in order (index 0..3), and their logged names.
const DDPixelFormatRecord* OverlayFormatEntry(int index);

// ---------------------------------------------------------------- start-up and shut-down
int InitDirectDraw();
int ShutDownDirectDraw();
// The graphics start's DirectDraw step: InitDirectDraw, and when the screen cannot be brought up,
// software rendering and InitDirectDraw once more. 0, or -1 when neither works.
int StartDirectDrawScreen();
int CreateDirectDrawObject(pf::DirectDraw7** out);
int CreateScreenClipper(pf::DirectDraw7* object, pf::DirectDrawClipper** out, pf::WindowHandle window);
int CreateOutputSurfaces();
int ReleaseOutputSurfaces();
int CreateScreenPalette();
int ReleaseScreenPalette();
int RestoreScreenPalette();
int RestoreOriginalDisplayMode();
// The display rebuild after a lost or changed display, in the order the graphics front end calls them.
int ReleaseScreenClipper();
int RecreateScreenClipper();
int ApplyScreenMode();
int LeaveFullScreenMode();
int ReleaseDirectDrawObject();
int RecreateDirectDraw();

// ---------------------------------------------------------------- mode change and frame timing
int ChangeScreenMode(int width, int height, int colorDepth, int force, int refreshRate);
int ApplyCooperativeLevelAndMode(pf::DirectDraw7* object, int desktopWidth, int desktopHeight, int width,
                                 int height, int depth, int* outDepth, std::uint32_t* outCooperativeLevel,
                                 int windowMode, int* displayModeChanged, pf::WindowHandle window);
int LogScreenPixelFormat();
void MeasureSurfaceCopyMethod();
void MeasureFramePeriod();

// ---------------------------------------------------------------- accessors and switches
int GetScreenSize(int* width, int* height);
int GetRequestedScreenDepth();
int GetScreenColorBitDepth();
const PixelFormat* GetScreenPixelFormat();
const DDPixelFormatRecord* GetDisplayPixelFormat();
const DDPixelFormatRecord* GetOverlayPixelFormat();
pf::DDCaps* CopyDeviceCaps(pf::DDCaps* destination);
pf::DirectDraw7* GetDirectDrawObject();
pf::DirectDrawSurface7* GetFrontSurface();
pf::DirectDrawSurface7* GetBackSurface();
pf::DirectDrawSurface7* GetWorkSurface();
pf::DirectDrawSurface7* GetDrawTargetSurface();
int IsDrawingOnPrimary();
int IsDirectDrawMode();
int IsSoftwareRenderMode();
int IsDisplayModeChanged();
int SetDisplayModeChanged(int flag);
int EnableVblankWait(int flag);
int IsVblankWaitEnabled();
int SetSoftDrawSceneEndFlag(int flag);
int SetDirect3DOffFlag(int flag);
int GetDirect3DOffFlag();
int SetTemporaryPrimaryFlag(int flag);
int GetGdiSurfaceMode();
int SetSoftwareRenderMode(int useHardware);
int SetGdiSurfaceMode(int flag);
int RestoreLostScreenSurfaces();

}  // namespace zelvo
