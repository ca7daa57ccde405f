// The cross-subsystem steps of the core. The display queries answer from the DirectDraw screen;
// subsystems that are not part of the library yet (graph records, sound, input, network) pass over
// their step as the subsystem's skip option would.
#include "media/core/subsystem_steps.h"

#include "media/display/screen_state.h"

namespace zelvo {

int DisplaySoftScreenOption() { return 0; }
void DisplaySwitchToSoftwareRender() { SetSoftwareRenderMode(0); }
int DisplayRequestedScreenDepth() { return GetRequestedScreenDepth(); }
void DisplaySetTemporaryPrimary(int on) { SetTemporaryPrimaryFlag(on); }
void DisplayScreenSize(int* width, int* height) {
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
}
void DisplayEnableVblankWait(int on) { EnableVblankWait(on); }
int DisplayVblankWaitEnabled() { return IsVblankWaitEnabled(); }
int DisplayHasDirectDraw() { return GetDirectDrawObject() != nullptr ? 1 : 0; }
int DisplayIsFullScreenModeSet() { return IsDisplayModeChanged(); }
int DisplayGdiSurfaceMode() { return GetGdiSurfaceMode(); }
void DisplayApplyGdiSurfaceMode(int mode) { SetGdiSurfaceMode(mode); }
int DisplayChangeScreenModeForWindowSwitch() { return ChangeScreenMode(-1, -1, -1, 1, -1); }
int DisplayCopyBackScreenToWindow() { return -1; }
void DisplayRestoreLostSurfaces() { RestoreLostScreenSurfaces(); }
// A lost or changed display: the clipper, the mode and the object are made again in that order.
void DisplayRebuildAfterModeChange() {
  if (GetDirectDrawObject() == nullptr) return;
  ReleaseScreenClipper();
  RecreateDirectDraw();
  ApplyScreenMode();
  RecreateScreenClipper();
}
void DisplayReleaseDirectDraw() {
  if (GetDirectDrawObject() == nullptr) return;
  LeaveFullScreenMode();
  ReleaseDirectDrawObject();
}
void DisplayLogScreenPixelFormat() { LogScreenPixelFormat(); }
int DisplayBackBufferIsTarget() { return IsDrawingOnPrimary() != 0 ? 0 : 1; }
// The DirectDraw screen, or software rendering when it cannot start; either way the software blend
// tables are built on the way.
int StartGraphics() { return StartDirectDrawScreen(); }
void EndGraphics() { ShutDownDirectDraw(); }
void WarmUpDraw() {}
void SelectStartUpDrawTargets() {}
void InstallBuiltInGraphRestore() {}
void ResumeGraphMovies() {}
void StopGraphMovies() {}
void ReleaseMovieObjects() {}
void RecreateGraphSurfaces() {}
void SetDrawAreaAgain() {}

// Without the display back-end the console keeps its text in its buffers; with no font the width
// of a character is that of the 16-pixel console font's half-width cell per byte.
int DisplayAllowsScreenLog() { return 1; }
int CreateScreenLogFont(int*) { return -1; }
void DeleteScreenLogFont(int) {}
int ScreenLogCharWidth(int, const char*, int bytes) { return 8 * bytes; }
void DrawScreenLogLine(int, int, const char*) {}

int StartSound() { return -1; }
void EndSound() {}
void StopCurrentSoundFile() {}
void RefillStreamedSounds() {}
void PollMusicState() {}
void HandleMusicNotify(unsigned long, long) {}

int StartInput() { return 0; }
void EndInput() {}
void TimePadVibrations() {}
void ReacquireInputDevices() {}
void ApplyPadVibration() {}

int ResetHttpDownloads() { return 0; }
void EndHttp() {}
void EndNetwork() {}
void PumpNetwork() {}
void PumpHttpDownloads() {}
void HandleSocketNotify(unsigned long, long) {}

}  // namespace zelvo
