// The graph-restore callback and the display rebuild. The order matters: every surface object
// goes before the clipper and the DirectDraw object it hangs on, and the graphs are refilled only
// once the surfaces they are filled into exist again.
#include "media/graphics/manager/graph_restore.h"

#include "media/core/subsystem_hooks.h"
#include "media/display/d3d_device.h"
#include "media/display/present.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/kept_pixels.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/graphics/graphs/surface_data.h"

namespace zelvo {

int SetGraphRestoreCallback(void (*callback)()) {
  g_graphics.restoreCallback = callback;
  return 0;
}

// A null callback is the built-in one, so a restore is always in effect.
int QueryGraphRestoreCallback() { return 1; }

int RebuildGraphicsAfterDisplayChange() {
  // Software rendering goes through the same steps: its screens are made again in memory and the
  // display mode (in full screen) is set again through GDI.
  if (!g_graphics.started || g_graphics.ending) return 0;
  // A graph being drawn into keeps what it holds, as those left behind did.
  G_D3D_EndScene(g_d3d.currentDevice);
  KeepDrawnGraphPixels(g_draw.target);
  ReleaseDirect3DObject();
  ReleaseMaskScreen();
  ReleaseOutputSurfaces();
  // Input goes with the old screen; the next read starts it again.
  CallSubsystem(kSubsystemInput, &SubsystemHooks::end);
  ReleaseAllSurfaceObjects();
  ReleaseScreenClipper();
  // Without an object (released while inactive) it has to be made again whatever the mode.
  if (ServiceWindowMode() != 0 && GetDirectDrawObject() != nullptr) {
    ApplyScreenMode();
    RecreateAllSurfaceObjects();
    RecreateScreenClipper();
  } else {
    ReleaseDirectDrawObject();
    RecreateDirectDraw();
  }
  CreateOutputSurfaces();
  RestoreScreenPalette();
  SelectDrawScreen(g_draw.target, g_draw.target);
  GetDirect3DObject();
  ClearDrawTarget();
  PresentBackScreen();
  // The clear is for the screen: a graph being drawn into gets back what it held.
  PutBackDrawnGraphPixels(g_draw.target);
  RefillAllGraphs();
  RecreateAllFonts();
  ReopenAllMovies();
  RecreateMaskScreen();
  return 0;
}

}  // namespace zelvo
