#pragma once
// Library start-up and shut-down, and COM's start and end.
namespace zelvo {

int StartUpLibraryBody();     // 0, or -1 after undoing what was started
int ShutDownLibraryBody();    // 0
int StartCom();               // 0, or -1 when already started by the library or CoInitialize fails
int EndCom();                 // 0, or -1 when not started

// The time source chosen at start-up: the performance counter when usable, else timeGetTime.
struct TimeSource {
  int usePerformanceCounter;
  long long performanceFrequency;
};
extern TimeSource g_timeSource;

}  // namespace zelvo
