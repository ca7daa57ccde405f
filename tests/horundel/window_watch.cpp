// Watches the game's real window on the X server until it shows a given scene: "logo" (the logo on
// white), "title" (the title menu's background and logo) or "mission" (a battle scene: neither of
// those, and more than a fade). Exit 0 once seen, 1 when the time runs out.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "../demo/x11_window.h"

namespace {

// A window read before it is shown answers BadMatch: that attempt simply finds nothing.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

struct Rgb {
  int red, green, blue;
};

struct Scene {
  int white = 0;          // pure white pixels of the whole window
  int titleDisc = 0;      // the title background's disc, at screen (440, 210)
  int titleLogo = 0;      // the title logo's yellow, in its box at the top left
  int colours = 0;        // distinct colours of the whole window (at most 1000 counted)
  int total = 0;
};

bool Near(const Rgb& colour, Rgb target) {
  return std::abs(colour.red - target.red) <= 12 && std::abs(colour.green - target.green) <= 12 &&
         std::abs(colour.blue - target.blue) <= 12;
}

Rgb PixelOf(XImage* image, int x, int y) {
  const unsigned long v = XGetPixel(image, x, y);
  auto channel = [v](unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
    return static_cast<int>(((v >> shift) & mask) * 255 / (mask == 0 ? 1 : mask));
  };
  return Rgb{channel(image->red_mask), channel(image->green_mask), channel(image->blue_mask)};
}

bool Read(Display* display, Window window, Scene* scene) {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable) return false;
  const int width = attributes.width < 640 ? attributes.width : 640;
  const int height = attributes.height < 480 ? attributes.height : 480;
  XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  std::set<int> seen;
  *scene = Scene{};
  for (int y = 0; y < height; y += 2) {
    for (int x = 0; x < width; x += 2) {
      const Rgb colour = PixelOf(image, x, y);
      ++scene->total;
      scene->white += colour.red == 255 && colour.green == 255 && colour.blue == 255;
      if (x >= 400 && x < 480 && y >= 170 && y < 250) scene->titleDisc += Near(colour, Rgb{250, 200, 120});
      if (x < 370 && y < 130) scene->titleLogo += Near(colour, Rgb{255, 210, 60});
      if (seen.size() < 1000) seen.insert(colour.red << 16 | colour.green << 8 | colour.blue);
    }
  }
  scene->colours = static_cast<int>(seen.size());
  XDestroyImage(image);
  return true;
}

bool Shows(const std::string& wanted, const Scene& scene) {
  const bool title = scene.titleDisc > 200 && scene.titleLogo > 100;
  if (wanted == "logo") return scene.white > scene.total / 2 && !title;
  if (wanted == "title") return title;
  // A battle scene: not the title or the logo, and a picture rather than a plain fade.
  return scene.titleDisc < 20 && scene.titleLogo < 20 && scene.white < scene.total / 2 && scene.colours > 16;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: window_watch <utf-8 title> logo|title|mission <seconds>\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "window_watch: no display\n");
    return 2;
  }
  XSetErrorHandler(IgnoreErrors);
  const std::string wanted = argv[2];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
  Scene scene;
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    const Window window = zelvo_x11::FindByTitle(display, DefaultRootWindow(display), argv[1]);
    if (window != 0 && Read(display, window, &scene)) seen = Shows(wanted, scene);
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  XCloseDisplay(display);
  std::printf("%s %s: white %d/%d, title disc %d, title logo %d, colours %d\n", wanted.c_str(),
              seen ? "seen" : "not seen", scene.white, scene.total, scene.titleDisc, scene.titleLogo, scene.colours);
  return seen ? 0 : 1;
}
