#pragma once
// What the DirectDraw screen uses of its neighbours: the library core (main window, window mode,
// window style, message pump, system report) and the graphics front end and Direct3D (graphs, draw
// target, graphics manager, default font, 2D surfaces). The library core's entries are set from the
// start; the graphics front end and Direct3D fill in theirs. An entry left empty does nothing (and
// reads as the default shown).
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "platform/window/window.h"

namespace zelvo {

// The draw targets that are the screen itself.
constexpr int kTargetBackBuffer = -2;
constexpr int kTargetFrontBuffer = -4;

struct ScreenServices {
  // Library core.
  pf::WindowHandle (*mainWindow)();           // null
  int (*windowMode)();                        // 1 window, 0 full screen (1)
  double (*windowScaleRate)();                // the window's magnification (1.0)
  int (*menuEnabled)();                       // 0
  int (*hasWindowRegion)();                   // 0
  void (*applyWindowStyle)();
  int (*osVersionCode)();                     // 0x107
  int (*mmxAvailable)();                      // 1
  void (*processMessage)();
  void (*startScreenLog)();
  void (*storeVideoCardInfo)(const char* driver, const char* description, std::uint32_t freeBytes,
                             std::uint32_t totalBytes);
  // Graphics front end.
  int (*graphicsEnding)();                    // 0
  void (*releaseAllGraphs)();
  void (*startGraphicsManager)();
  void (*endGraphicsManager)();
  void (*switchOffTextureGraphs)();           // texture graphs and the graph surface option off
  void (*deleteAllSurface2D)();
  void (*releaseSurface2DObjects)();
  void (*recreateSurface2DObjects)();
  int (*getDrawTarget)();                     // -2
  int (*selectDrawTarget)(int target);
  void (*clearDrawTarget)();
  void* (*drawTargetSurface)();               // null
  void (*getDrawRegion)(IntRect* out);
  void (*setDrawRegion)(const IntRect* region);
  std::uint32_t (*getTransparentColor)();     // 0
  void (*setTransparentColor)(std::uint32_t color);
  int (*readDefaultFont)(char* face, int faceSize, int* size, int* thickness);   // 0 when the font is valid
  void (*recreateDefaultFont)(const char* face, int size, int thickness);
  void (*resetFlipCounter)();
  void (*waitWhileInactive)();                // drawing waits while the window is inactive
  void (*drawScreenLogOverFrame)();           // the on-screen console, when shown, before presenting
  // Direct3D.
  int (*startDirect3D)();                     // 0
  void (*endDirect3D)();
};

ScreenServices& Services();
void ResetScreenServices();

// The entries with their defaults.
pf::WindowHandle ServiceMainWindow();
int ServiceWindowMode();
double ServiceWindowScaleRate();
int ServiceMenuEnabled();
int ServiceOsVersionCode();
int ServiceGraphicsEnding();
int ServiceGetDrawTarget();
void ServiceSelectDrawTarget(int target);
std::uint32_t ServiceGetTransparentColor();
int ServiceStartDirect3D();
void ServiceCall(void (*entry)());

}  // namespace zelvo
