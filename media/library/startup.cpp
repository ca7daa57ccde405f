// Library start-up and shut-down: every service brought up in a fixed order, and taken down in a
// fixed order, ending with the dump of every tracked block still live.
#include "media/library/startup.h"

#include "media/core/archive_files.h"
#include "media/core/core_state.h"
#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/core/main_window.h"
#include "media/core/message_pump.h"
#include "media/core/screen_log.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/system_report.h"
#include "media/core/text_input.h"
#include "media/core/window_state.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/manager/graph_restore.h"
#include "media/library/subsystem_rows.h"
#include "platform/com/com.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace zelvo {

namespace {

// Shut-down pumps until the window is gone; a window that never answers cannot hold it longer.
constexpr std::uint32_t kFinalPumpLimitMs = 5000;

// A 24-bit screen cannot be drawn on: refused in window mode by the desktop's depth, in full screen
// by the requested depth.
int RefuseTwentyFourBitScreen() {
  int desktopBits = 0;
  pf::GetDesktopMode(nullptr, nullptr, &desktopBits);
  if ((g_windowSettings.windowMode != 0 && desktopBits == 24) || ScreenRequestedDepth() == 24) {
    WriteLogText("ゼルボライブラリは２４ビットカラーモードに対応していません\n");
    return 1;
  }
  return 0;
}

void ChooseTimeSource() {
  std::int64_t frequency = 0;
  pf::QueryPerformanceFrequency(&frequency);
  g_timeSource.performanceFrequency = frequency;
  g_timeSource.usePerformanceCounter = frequency != 0 ? 1 : 0;
}

int FailStartUp() {
  ShutDownLibrary();
  g_runState.starting = 0;
  return -1;
}

// A fatal stop shuts the library down before the process ends.
void ShutDownForFatalStop() { ShutDownLibrary(); }

void PumpUntilWindowGone(int hadWindow) {
  if (g_startUpOptions.noWindow != 0 || hadWindow == 0 || IsMainThread() == 0) return;
  std::uint32_t start = pf::timeGetTime();
  while (ProcessMessage() == 0 && WindowClosed() == 0 && pf::timeGetTime() - start < kFinalPumpLimitMs) {
  }
}

// A black 256 x 256 graph made from a picture, or -1.
int MakeBlackGraph(GraphImage* picture) {
  if (AllocGraphImageArgb32(256, 256, picture) < 0) return -1;
  FillGraphImage(picture, 0, 0, 0, 0);
  return CreateGraphFromGraphImage(picture, nullptr, 1, 0, 0);
}

// Every surface path runs once before the program's first frame.
void WarmUpDraw() {
  g_draw.makeDrawable = 1;
  const int blank = CreateBlankGraph(256, 256, 0);
  g_draw.makeDrawable = 0;
  SelectDrawTarget(blank);
  SelectDrawTarget(kTargetFrontBuffer);
  DeleteGraph(blank, 0);
  SelectDrawTarget(kTargetBackBuffer);
  GraphImage picture{};
  int graph = MakeBlackGraph(&picture);
  FreeGraphImage(&picture);
  SetBlendMode(3, 128);
  BlitGraph(0, 0, graph, 1);
  SetBlendMode(0, 0);
  SelectDrawTarget(kTargetFrontBuffer);
  BlitGraph(0, 0, graph, 1);
  DeleteGraph(graph, 0);
  graph = MakeBlackGraph(&picture);
  BlitGraphStretched(0, 0, 640, 480, graph, 1);
  DeleteGraph(graph, 0);
  FreeGraphImage(&picture);
  // The front draws above bring the primary's client area to the window; until the program's first
  // frame the window shows the cleared back screen instead.
  if (ScreenHasDirectDraw() && !IsSoftwareRenderMode()) ShowBackScreenInWindow();
}

void SelectStartUpDrawTargets() {
  SelectDrawTarget(kTargetBackBuffer);
  SelectDrawTarget(kTargetFrontBuffer);
}

}  // namespace

int StartCom() {
  if (g_runState.comStarted != 0) return -1;
  WriteLogText("ＣＯＭの初期化... ");
  if (pf::CoInitialize(nullptr) < 0) {
    WriteLogText("ＣＯＭの初期化に失敗しました\n");
    return -1;
  }
  WriteLogText("成功しました\n");
  g_runState.comStarted = 1;
  return 0;
}

int EndCom() {
  if (g_runState.comStarted == 0) return -1;
  pf::CoUninitialize();
  WriteLogText("ＣＯＭを終了... 完了\n");
  g_runState.comStarted = 0;
  return 0;
}

int StartUpLibrary() {
  // A library already starting or running is left alone: starting it again would wipe its archives
  // and log and then shut the running library down.
  if (g_runState.starting != 0 || g_runState.ready != 0) return -1;
  g_runState.starting = 1;
  RegisterLibrarySubsystems();
  if (ScreenSoftScreenOption() == 1) ScreenSwitchToSoftwareRender();
  ResetArchiveState();
  SetupFileOpsTable(nullptr);
  FileGetcwd(g_runState.startFolder);
  StartLogFile();
  if (g_startUpOptions.noWindow == 0 && RefuseTwentyFourBitScreen() != 0) {
    g_runState.starting = 0;
    return -1;
  }
  ChooseTimeSource();
  WriteSystemReport();
  if (SystemInfoRecord()->osCode == 264) ScreenSetTemporaryPrimary(1);
  FillStreamOpsTables();
  SetGraphRestoreCallback(nullptr);
  SetAbortShutdownHook(ShutDownForFatalStop);

  if (StartCom() != 0) return FailStartUp();
  if (g_startUpOptions.noWindow == 0 && StartMainWindow() != 0) return FailStartUp();
  if (CallSubsystem(kSubsystemNetwork, &SubsystemHooks::start, 0) == -1) return FailStartUp();
  if (g_startUpOptions.noInput == 0 && CallSubsystem(kSubsystemInput, &SubsystemHooks::start, 0) == -1) return FailStartUp();
  if (g_startUpOptions.noSound == 0) CallSubsystem(kSubsystemSound, &SubsystemHooks::start, 0);   // a machine without sound still starts
  if (g_startUpOptions.noGraphics == 0 && CallSubsystem(kSubsystemGraphics, &SubsystemHooks::start, 0) < 0) return FailStartUp();
  StartTextInput();
  g_runState.ready = 1;
  ScreenEnableVblankWait(1);
  if (g_windowSettings.windowMode == 0 && g_startUpOptions.hosted == 0) BringWindowToForeground(g_window.window, 1);
  StartScreenLog();
  SelectStartUpDrawTargets();
  if (g_startUpOptions.noGraphics == 0) WarmUpDraw();
  g_runState.starting = 0;
  return 0;
}

int ShutDownLibrary() {
  g_runState.ending = 1;
  EndScreenLog();
  CallSubsystem(kSubsystemNetwork, &SubsystemHooks::end);
  CallSubsystem(kSubsystemSound, &SubsystemHooks::stop);
  CallSubsystem(kSubsystemGraphics, &SubsystemHooks::end);
  CallSubsystem(kSubsystemInput, &SubsystemHooks::end);
  CallSubsystem(kSubsystemSound, &SubsystemHooks::end);
  int hadWindow = g_window.window != nullptr ? 1 : 0;
  EndMainWindow();
  EndCom();
  g_runState.ready = 0;
  PumpUntilWindowGone(hadWindow);
  if (g_runState.startFolder[0] != '\0') FileChdir(g_runState.startFolder);
  FreeUnusedArchives();
  DumpTrackedBlocks();
  return 0;
}

}  // namespace zelvo
