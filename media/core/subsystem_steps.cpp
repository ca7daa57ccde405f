// The cross-subsystem steps while the graphics, display, sound, input and network subsystems are
// not part of the library: each passes over its step as the subsystem's skip option would, and the
// display queries answer what the back-end holds before a screen mode is set.
#include "media/core/subsystem_steps.h"


namespace zelvo {
namespace {

int g_vblankWait = 0;

}  // namespace

int DisplaySoftScreenOption() { return 0; }
void DisplaySwitchToSoftwareRender() {}
int DisplayRequestedScreenDepth() { return 16; }
void DisplaySetTemporaryPrimary(int) {}
void DisplayScreenSize(int* width, int* height) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
}
void DisplayEnableVblankWait(int on) { g_vblankWait = on != 0 ? 1 : 0; }
int DisplayVblankWaitEnabled() { return g_vblankWait; }
int DisplayHasDirectDraw() { return 0; }
int DisplayIsFullScreenModeSet() { return 0; }
int DisplayGdiSurfaceMode() { return 0; }
void DisplayApplyGdiSurfaceMode(int) {}
int DisplayChangeScreenModeForWindowSwitch() { return 0; }
int DisplayCopyBackScreenToWindow() { return -1; }
void DisplayRestoreLostSurfaces() {}
void DisplayRebuildAfterModeChange() {}
void DisplayReleaseDirectDraw() {}
void DisplayLogScreenPixelFormat() {}
int DisplayBackBufferIsTarget() { return 0; }
int StartGraphics() { return 0; }
void EndGraphics() {}
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
