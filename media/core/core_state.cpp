#include "media/core/core_state.h"

namespace zelvo {

RunState g_runState{};
StartUpOptions g_startUpOptions{};
TimeSource g_timeSource{};

void ResetRunState() {
  g_runState = RunState{};
  g_startUpOptions = StartUpOptions{};
  g_timeSource = TimeSource{};
}

}  // namespace zelvo
