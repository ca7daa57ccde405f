// The cross-subsystem steps of the core. The display queries answer from the DirectDraw screen;
// subsystems that are not part of the library yet (sound, input, network) pass over their step as
// the subsystem's skip option would.
#include "media/core/subsystem_steps.h"

#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/draw_entries.h"
#include "media/graphics/draw_state.h"
#include "media/graphics/font_table.h"
#include "media/graphics/graph_record.h"
#include "media/graphics/pixel_format.h"
#include "media/graphics/text_draw.h"
#include "media/graphics/text_render.h"
#include "media/graphics/graph_restore.h"
#include "media/graphics/graphics_manager.h"

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
int DisplayCopyBackScreenToWindow() { return CopyBackScreenToWindow(); }
void DisplayRestoreLostSurfaces() { RestoreLostScreenSurfaces(); }
void DisplayRebuildAfterModeChange() { RebuildGraphicsAfterDisplayChange(); }
void DisplayReleaseDirectDraw() {
  if (GetDirectDrawObject() == nullptr) return;
  LeaveFullScreenMode();
  ReleaseDirectDrawObject();
}
void DisplayLogScreenPixelFormat() { LogScreenPixelFormat(); }
int DisplayBackBufferIsTarget() { return IsDrawingOnPrimary() != 0 ? 0 : 1; }
// The DirectDraw layer, or software rendering when it cannot start; the graphics manager starts
// inside the screen's mode set-up.
int StartGraphics() { return StartDirectDrawLayer(); }
void EndGraphics() { EndDirectDrawLayer(); }

namespace {
// A black 256 x 256 graph made from a picture, or -1.
int MakeBlackGraph(GraphImage* picture) {
  if (AllocGraphImageArgb32(256, 256, picture) < 0) return -1;
  FillGraphImage(picture, 0, 0, 0, 0);
  return CreateGraphFromGraphImage(picture, nullptr, 1, 0, 0);
}
}  // namespace

// Every surface path runs once before the program's first frame.
void WarmUpDraw() {
  g_draw.makeDrawable = 1;
  const int blank = CreateBlankGraph(256, 256, 0);
  g_draw.makeDrawable = 0;
  SelectDrawTargetBody(blank);
  SelectDrawTargetBody(kTargetFrontBuffer);
  DeleteGraph(blank, 0);
  SelectDrawTargetBody(kTargetBackBuffer);
  GraphImage picture{};
  int graph = MakeBlackGraph(&picture);
  FreeGraphImageBody(&picture);
  SetBlendModeBody(3, 128);
  BlitGraphBody(0, 0, graph, 1);
  SetBlendModeBody(0, 0);
  SelectDrawTargetBody(kTargetFrontBuffer);
  BlitGraphBody(0, 0, graph, 1);
  DeleteGraph(graph, 0);
  graph = MakeBlackGraph(&picture);
  BlitGraphStretched(0, 0, 640, 480, graph, 1);
  DeleteGraph(graph, 0);
  FreeGraphImageBody(&picture);
  // The front draws above bring the primary's client area to the window; until the program's first
  // frame the window shows the cleared back screen instead.
  if (DisplayHasDirectDraw() && !IsSoftwareRenderMode()) ShowBackScreenInWindow();
}
void SelectStartUpDrawTargets() {
  SelectDrawTargetBody(kTargetBackBuffer);
  SelectDrawTargetBody(kTargetFrontBuffer);
}
void InstallBuiltInGraphRestore() { SetGraphRestoreCallbackBody(nullptr); }
void ResumeGraphMovies() {}
void StopGraphMovies() {}
void ReleaseMovieObjects() {}
void RecreateGraphSurfaces() { RestoreAllGraphSurfaces(); }
void SetDrawAreaAgain() {
  const IntRect r = g_draw.requestedRegion;
  SetDrawRegionBody(r.left, r.top, r.right, r.bottom);
}

// Without the display back-end the console keeps its text in its buffers; with no font the width
// of a character is that of the 16-pixel console font's half-width cell per byte.
int DisplayAllowsScreenLog() { return GetDirectDrawObject() != nullptr || !IsDirectDrawMode() ? 1 : 0; }
int CreateScreenLogFont(int* fontLostFlag) {
  // The default face at 16 pixels, thickness 4, edged.
  const int font = CreateFontToHandle(nullptr, 16, 4, kFontStyleEdge, -1, -1, 0, -1, -1);
  SetFontLostFlagPointer(font, fontLostFlag);
  return font;
}
void DeleteScreenLogFont(int font) { ReleaseFontHandle(font); }
int ScreenLogCharWidth(int font, const char* character, int bytes) {
  const int width = MeasureTextWidth(character, bytes, font, 0);
  return width < 0 ? 8 * bytes : width;
}
void DrawScreenLogLine(int font, int y, const char* text) {
  DrawTextWithFont(0, y, text, RgbToScreenColor(255, 255, 255), font, RgbToScreenColor(0, 0, 0), 0);
}

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
