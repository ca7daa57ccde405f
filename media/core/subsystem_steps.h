#pragma once
// The steps of start-up, shut-down, the window procedure and the message pump that belong to the
// graphics, display, sound, input and network subsystems. Each is the one place the core calls for
// that step. A subsystem that is not part of the library yet is passed over here exactly as its
// skip option would pass it over (no graphics, no sound, no input), and its queries answer the
// values the display back-end has before any screen mode is set.
namespace zelvo {

// Display back-end and graphics.
int DisplaySoftScreenOption();              // the software-screen option (0)
void DisplaySwitchToSoftwareRender();       // start-up step 2 when that option is 1
int DisplayRequestedScreenDepth();          // the requested full-screen depth (16)
void DisplaySetTemporaryPrimary(int on);
void DisplayScreenSize(int* width, int* height);   // 640 x 480 until a mode is set
void DisplayEnableVblankWait(int on);
int DisplayVblankWaitEnabled();
int DisplayHasDirectDraw();                 // 0 without the DirectDraw layer
int DisplayIsFullScreenModeSet();           // 1 while a full-screen display mode is set
int DisplayGdiSurfaceMode();
void DisplayApplyGdiSurfaceMode(int mode);
int DisplayChangeScreenModeForWindowSwitch();   // the back-end's full mode change keeping every value
int DisplayCopyBackScreenToWindow();        // WM_PAINT once graphics are ready; -1 with nothing to copy
void DisplayRestoreLostSurfaces();          // activation
void DisplayRebuildAfterModeChange();       // activation in full screen, display change
void DisplayReleaseDirectDraw();            // deactivation in full screen
void DisplayLogScreenPixelFormat();
int DisplayBackBufferIsTarget();
int StartGraphics();                        // start-up step 18: negative fails
void EndGraphics();
void WarmUpDraw();                          // start-up step 25
void SelectStartUpDrawTargets();            // start-up step 24
void InstallBuiltInGraphRestore();          // start-up step 12
void ResumeGraphMovies();
void StopGraphMovies();
void ReleaseMovieObjects();
void RecreateGraphSurfaces();               // after an inactive wait
void SetDrawAreaAgain();                    // WM_MOVE

// Fonts and text drawing for the on-screen console.
int DisplayAllowsScreenLog();               // the console needs the DirectDraw object
int CreateScreenLogFont(int* fontLostFlag); // font handle, or -1
void DeleteScreenLogFont(int font);
int ScreenLogCharWidth(int font, const char* character, int bytes);
void DrawScreenLogLine(int font, int y, const char* text);

// Sound and music.
int StartSound();                           // start-up step 17 (result ignored)
void EndSound();
void StopCurrentSoundFile();                // shut-down step 4
void RefillStreamedSounds();
void PollMusicState();
void HandleMusicNotify(unsigned long wParam, long lParam);

// Input devices.
int StartInput();                           // start-up step 16: -1 fails
int EndInput();
void TimePadVibrations();
int ReacquireInputDevices();
int ApplyPadVibration();

// Network and HTTP.
int ResetHttpDownloads();                   // start-up step 15: -1 fails
void EndHttp();
void EndNetwork();
void PumpNetwork();
void PumpHttpDownloads();
void HandleSocketNotify(unsigned long wParam, long lParam);

}  // namespace zelvo
