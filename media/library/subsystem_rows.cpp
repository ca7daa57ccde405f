// The library's subsystem rows: which operation of each room answers each hook of the table.
#include "media/library/subsystem_rows.h"

#include "media/core/http_downloads.h"
#include "media/core/network_layer.h"
#include "media/core/subsystem_hooks.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/dib_graph.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/front_buffer.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/graphics/manager/graphics_manager.h"
#include "media/graphics/screens/inactive_image.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/text/text_draw_console.h"
#include "media/pixels/pixel_format.h"
#include "media/sound_input/input.h"
#include "media/sound_input/sound.h"

namespace zelvo {
namespace {

// The DirectDraw layer, or software rendering when it cannot start; the graphics manager starts
// inside the screen's mode set-up.
int StartGraphics() { return StartDirectDrawLayer(); }
void EndGraphics() { EndDirectDrawLayer(); }

void RestoreLostSurfaces() { RestoreLostScreenSurfaces(); }
void RebuildDisplay() { RebuildGraphicsAfterDisplayChange(); }
void RecreateGraphSurfaces() { RestoreAllGraphSurfaces(); }

void SwitchToSoftwareRender() { SetSoftwareRenderMode(0); }
void SetTemporaryPrimary(int on) { SetTemporaryPrimaryFlag(on); }
void ScreenSizeOfDisplay(int* width, int* height) { GetScreenSize(width, height); }
void EnableVblank(int on) { EnableVblankWait(on); }
int HasDirectDraw() { return GetDirectDrawObject() != nullptr ? 1 : 0; }
void ApplyGdiSurfaceMode(int mode) { SetGdiSurfaceMode(mode); }
int ChangeModeForWindowSwitch() { return ChangeScreenMode(-1, -1, -1, 1, -1); }
void LogPixelFormat() { LogScreenPixelFormat(); }
pf::GdiObject LoadDibPicture(const char* path) { return CreateDIBGraph(path, 0, nullptr); }
int BackBufferIsTarget() { return IsDrawingOnPrimary() != 0 ? 0 : 1; }

SubsystemHooks DisplayRow() {
  SubsystemHooks row{};
  row.restoreLostSurfaces = RestoreLostSurfaces;
  row.rebuildDisplay = RebuildDisplay;
  row.releaseDisplay = ReleaseDisplayWhileInactive;
  return row;
}

SubsystemHooks GraphicsRow() {
  SubsystemHooks row{};
  row.start = StartGraphics;
  row.end = EndGraphics;
  row.recreateSurfaces = RecreateGraphSurfaces;
  row.windowMoved = FollowWindowMove;
  row.paintInactive = [] { PaintInactiveImage(); };
  return row;
}

// Movies follow the window into the background and back, and let go of their objects while the
// display is rebuilt (the rebuild opens them again).
SubsystemHooks MoviesRow() {
  SubsystemHooks row{};
  row.suspend = PauseAllMovies;
  row.resume = ResumeAllMovies;
  row.releaseObjects = ReleaseAllMovieObjects;
  return row;
}

// The network: the download table is cleared at start-up; the downloads end before the
// connections; each pump pass services the connections (closing lost ones) and steps the downloads.
int StartNetwork() { return ClearDownloads(); }
void EndNetwork() {
  CloseAllDownloads();
  EndNetWorkLayer();
}
void PumpNetwork() {
  PumpNetWorkWindow(1);
  PumpDownloads();
}
void NetworkWindowMessage(std::uint32_t, std::uintptr_t wParam, std::intptr_t lParam) {
  HandleSocketNotice(wParam, lParam);
}

SubsystemHooks NetworkRow() {
  SubsystemHooks row{};
  row.start = StartNetwork;
  row.end = EndNetwork;
  row.pump = PumpNetwork;
  row.pumpWhileInactive = PumpNetwork;
  row.windowMessage = NetworkWindowMessage;
  return row;
}

ScreenHooks ScreenAnswers() {
  ScreenHooks screen{};
  screen.switchToSoftwareRender = SwitchToSoftwareRender;
  screen.requestedDepth = GetRequestedScreenDepth;
  screen.setTemporaryPrimary = SetTemporaryPrimary;
  screen.screenSize = ScreenSizeOfDisplay;
  screen.enableVblankWait = EnableVblank;
  screen.vblankWaitEnabled = IsVblankWaitEnabled;
  screen.hasDirectDraw = HasDirectDraw;
  screen.fullScreenModeSet = IsDisplayModeChanged;
  screen.gdiSurfaceMode = GetGdiSurfaceMode;
  screen.applyGdiSurfaceMode = ApplyGdiSurfaceMode;
  screen.changeModeForWindowSwitch = ChangeModeForWindowSwitch;
  screen.copyBackScreenToWindow = CopyBackScreenToWindow;
  screen.logPixelFormat = LogPixelFormat;
  screen.backBufferIsTarget = BackBufferIsTarget;
  screen.packColor = RgbToScreenColor;
  screen.consoleAllowed = FontsAllowScreenLog;
  screen.createConsoleFont = CreateScreenLogFont;
  screen.deleteConsoleFont = DeleteScreenLogFont;
  screen.consoleCharWidth = ScreenLogCharWidth;
  screen.drawConsoleLine = DrawScreenLogLine;
  screen.loadDibPicture = LoadDibPicture;
  return screen;
}

}  // namespace

void ReleaseDisplayWhileInactive() {
  if (GetDirectDrawObject() == nullptr) return;
  LeaveFullScreenMode();
  ReleaseDirectDrawObject();
}

void RegisterLibrarySubsystems() {
  RegisterSubsystem(kSubsystemDisplay, DisplayRow());
  RegisterSubsystem(kSubsystemGraphics, GraphicsRow());
  RegisterSubsystem(kSubsystemSound, SoundSubsystemRow());
  RegisterSubsystem(kSubsystemInput, InputSubsystemRow());
  RegisterSubsystem(kSubsystemNetwork, NetworkRow());
  RegisterSubsystem(kSubsystemMovies, MoviesRow());
  RegisterScreenHooks(ScreenAnswers());
}

}  // namespace zelvo
