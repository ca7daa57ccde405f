#include "media/core/core_state.h"

namespace zelvo {

LibraryRunState g_runState{};
StartUpOptions g_startUpOptions{};
TimeSource g_timeSource{};

}  // namespace zelvo
