// Finds the top-level window whose UTF-8 title (_NET_WM_NAME) is the one given, checks its size,
// and asks it to close the way a window manager does (WM_DELETE_WINDOW). Exit 0 when the window was
// found with the expected size and the close was sent; 1 otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "x11_window.h"

using zelvo_x11::FindByTitle;

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: close_window <utf-8 title> <width> <height>\n");
    return 1;
  }
  const std::string title = argv[1];
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "close_window: no display\n");
    return 1;
  }
  Window window = 0;
  for (int attempt = 0; attempt < 300 && window == 0; ++attempt) {
    window = FindByTitle(display, DefaultRootWindow(display), title);
    if (window == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (window == 0) {
    std::fprintf(stderr, "close_window: no window titled %s\n", title.c_str());
    return 1;
  }
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  std::printf("window %dx%d\n", attributes.width, attributes.height);
  if (attributes.width != width || attributes.height != height) {
    std::fprintf(stderr, "close_window: window is %dx%d, expected %dx%d\n", attributes.width, attributes.height, width,
                 height);
    return 1;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return 0;
}
