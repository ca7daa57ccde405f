#pragma once
// Keeping system key combinations from leaving the window while it is active (the block-system-keys
// option): the system's screen-saver-running switch before OS code 260, the hook module's message
// hook from 260 on.
#include "platform/window/window.h"

namespace zelvo {

// Called on every activation change once the window exists; nothing without the option.
void FollowSystemKeyBlock(pf::WindowHandle window, int active);
// Removes the hook and unloads its module (deactivation and the window end).
void RemoveSystemKeyHook();

}  // namespace zelvo
