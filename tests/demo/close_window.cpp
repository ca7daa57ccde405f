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

namespace {

std::string Utf8Title(Display* display, Window window) {
  Atom name = XInternAtom(display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  return title;
}

Window FindByTitle(Display* display, Window root, const std::string& title) {
  Window rootOut = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, root, &rootOut, &parent, &children, &count) == 0) return 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    if (Utf8Title(display, children[i]) == title) {
      found = children[i];
    } else {
      found = FindByTitle(display, children[i], title);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

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
