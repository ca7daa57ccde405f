#pragma once
// Test controls of the window system.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace pf::testing {

// What GetOEMCP reports (default 932; 949 is the Korean system).
void SetOemCodePage(std::uint32_t codePage);

// The window shown through the host, or nullptr.
WindowHandle HostWindowHandle();
// Messages posted and not yet taken from the queue of a thread (WM_QUIT, WM_PAINT and WM_TIMER are
// made up on demand and not counted).
int QueuedMessageCount(std::uint32_t threadId);
bool WindowNeedsPaint(WindowHandle window);
// What GDI fills drew into the client area.
bool ClientPixels(WindowHandle window, std::vector<std::uint32_t>* pixels);
// The lock file that AcquireInstanceLock takes for a name.
std::string InstanceLockPath(const char* name);
// How many times a module of the layer is loaded and not yet freed.
int LoadedModuleCount(const char* name);

}  // namespace pf::testing
