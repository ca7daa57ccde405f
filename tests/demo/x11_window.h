#pragma once
// Finding a top-level window on the X server by its UTF-8 title (_NET_WM_NAME), for the programs
// that drive the demo's real window under Xvfb.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

namespace zelvo_x11 {

inline std::string Utf8Title(Display* display, Window window) {
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

// The first window below `root` (depth first) with this title, or 0.
inline Window FindByTitle(Display* display, Window root, const std::string& title) {
  Window rootOut = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, root, &rootOut, &parent, &children, &count) == 0) return 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    found = Utf8Title(display, children[i]) == title ? children[i] : FindByTitle(display, children[i], title);
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace zelvo_x11
