#pragma once
// Library-wide state flags of start-up and shut-down, read across the core.
namespace zelvo {

struct RunState {
  int starting;            // 1 while the start-up sequence runs
  int ready;               // 1 from a successful start-up until shut-down's last steps
  int ending;              // 1 from the first step of shut-down on
  int comStarted;          // 1 while COM is started by the library
  char startFolder[260];   // working folder taken at start-up; the log lives there
};
extern RunState g_runState;

// Start-up options, all off by default; set before start-up.
struct StartUpOptions {
  int noWindow;
  int noGraphics;
  int noSound;
  int noInput;
  int hosted;              // attached to a window supplied by the user
};
extern StartUpOptions g_startUpOptions;

// The time source chosen at start-up: the performance counter when usable, else timeGetTime.
struct TimeSource {
  int usePerformanceCounter;
  long long performanceFrequency;
};
extern TimeSource g_timeSource;

// The run flags, the start-up options and the time source as at process start.
void ResetRunState();

}  // namespace zelvo
