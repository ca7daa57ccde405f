// Reads the demo's window back from the X server and checks its text: the console's "Now Loading..."
// line at the top left, white with its black edge, and the line of Japanese text at (40, 60).
// Exit 0 when both show; 1 otherwise (after about 15 seconds of frames).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "x11_window.h"

namespace {

using zelvo_x11::FindByTitle;

// A window read before it is shown answers BadMatch: that attempt simply finds nothing.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

struct Counts {
  int white = 0, black = 0;
};

// White and black pixels of a rectangle of the window.
Counts Count(Display* display, Window window, int x, int y, int w, int h) {
  Counts counts;
  XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                            ZPixmap);
  if (image == nullptr) return counts;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const unsigned long v = XGetPixel(image, col, row);
      const unsigned long rgb = v & (image->red_mask | image->green_mask | image->blue_mask);
      counts.white += rgb == (image->red_mask | image->green_mask | image->blue_mask);
      counts.black += rgb == 0;
    }
  }
  XDestroyImage(image);
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_text <utf-8 title>\n");
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "window_text: no display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  Counts console, line, blankRow;
  for (int attempt = 0; attempt < 300; ++attempt) {
    const Window window = FindByTitle(display, DefaultRootWindow(display), argv[1]);
    XWindowAttributes attributes{};
    if (window != 0 && XGetWindowAttributes(display, window, &attributes) != 0 &&
        attributes.map_state == IsViewable) {
      XSync(display, False);
      console = Count(display, window, 0, 0, 110, 18);
      line = Count(display, window, 40, 60, 320, 20);
      // Between the console and the text line nothing is drawn.
      blankRow = Count(display, window, 200, 5, 200, 10);
      if (console.white > 60 && console.black > 60 && line.white > 150 && blankRow.white == 0) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  XCloseDisplay(display);
  std::printf("console %d white %d black; text line %d white; blank row %d white\n", console.white, console.black,
              line.white, blankRow.white);
  return console.white > 60 && console.black > 60 && line.white > 150 && blankRow.white == 0 ? 0 : 1;
}
