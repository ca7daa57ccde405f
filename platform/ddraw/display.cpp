// The virtual display: desktop and display modes, the vertical blank on the layer's clock (the
// virtual clock moves 20 us at each blank query, so polling loops end), and showing the primary
// through the host window.
#include "platform/ddraw/display.h"

#include <algorithm>
#include <ctime>
#include <mutex>

#include "platform/host/host.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/virtual_clock.h"
#include "platform/window/display_link.h"

namespace pf::display {
namespace {

constexpr int kDefaultRefresh = 60;
constexpr std::uint64_t kBlankQueryStepNs = 20000;

std::mutex modeMutex;
bool modeSet = false;
Mode setMode{};

std::vector<Mode> DefaultModes() {
  std::vector<Mode> modes;
  const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}};
  for (const auto& size : sizes) {
    for (int bpp : {8, 16, 32}) modes.push_back(Mode{size[0], size[1], bpp, kDefaultRefresh});
  }
  return modes;
}

Settings& SettingsRecord() {
  static Settings settings{DefaultModes(), false, false};
  return settings;
}

bool ReportSetMode(int* width, int* height, int* bitsPerPixel) {
  std::lock_guard<std::mutex> lock(modeMutex);
  if (!modeSet) return false;
  *width = setMode.width;
  *height = setMode.height;
  *bitsPerPixel = setMode.bitsPerPixel;
  return true;
}

void RegisterWithWindowSystem() {
  static bool registered = [] {
    window_system::SetDisplayModeSource(&ReportSetMode);
    return true;
  }();
  (void)registered;
}

std::uint64_t NowNs() {
  if (virtual_clock::On()) return virtual_clock::Advance(kBlankQueryStepNs);
  std::int64_t count = 0;
  QueryPerformanceCounter(&count);
  return static_cast<std::uint64_t>(count);
}

std::uint64_t PeriodNs() {
  int refresh = Current().refresh;
  return 1000000000ull / static_cast<std::uint64_t>(refresh > 0 ? refresh : kDefaultRefresh);
}

std::uint64_t BlankStartNs(std::uint64_t period) { return period - period / 20; }

}  // namespace

Mode Desktop() {
  host::Host* current = host::CurrentHost();
  host::DesktopMode mode = current != nullptr ? current->Desktop() : host::DesktopMode{0, 0, 0};
  return Mode{mode.width, mode.height, mode.bitsPerPixel, kDefaultRefresh};
}

Mode Current() {
  {
    std::lock_guard<std::mutex> lock(modeMutex);
    if (modeSet) return setMode;
  }
  return Desktop();
}

bool Changed() {
  std::lock_guard<std::mutex> lock(modeMutex);
  return modeSet;
}

bool Accepts(int width, int height, int bitsPerPixel, int refresh) {
  for (const Mode& mode : SettingsRecord().acceptedModes) {
    if (mode.width == width && mode.height == height && mode.bitsPerPixel == bitsPerPixel &&
        (refresh == 0 || mode.refresh == refresh)) {
      return true;
    }
  }
  return false;
}

void SetMode(const Mode& mode) {
  RegisterWithWindowSystem();
  {
    std::lock_guard<std::mutex> lock(modeMutex);
    modeSet = true;
    setMode = mode;
    if (setMode.refresh == 0) setMode.refresh = kDefaultRefresh;
  }
  if (host::Host* current = host::CurrentHost()) current->SetFullscreen(true);
  BroadcastDisplayChange(mode.bitsPerPixel, mode.width, mode.height);
}

void RestoreDesktop() {
  {
    std::lock_guard<std::mutex> lock(modeMutex);
    if (!modeSet) return;
    modeSet = false;
  }
  if (host::Host* current = host::CurrentHost()) current->SetFullscreen(false);
  Mode desktop = Desktop();
  BroadcastDisplayChange(desktop.bitsPerPixel, desktop.width, desktop.height);
}

pixels::Layout LayoutForDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8: return pixels::Palette8();
    case 16: return SettingsRecord().use555 ? pixels::Rgb555() : pixels::Rgb565();
    case 24: return pixels::Rgb888();
    default: return pixels::Xrgb8888();
  }
}

bool InVerticalBlank() {
  std::uint64_t now = NowNs();
  if (SettingsRecord().blankStopped) return false;
  std::uint64_t period = PeriodNs();
  return now % period >= BlankStartNs(period);
}

bool ScanLine(std::uint32_t* line) {
  std::uint64_t now = NowNs();
  std::uint64_t period = PeriodNs();
  std::uint64_t start = BlankStartNs(period);
  std::uint64_t phase = SettingsRecord().blankStopped ? start - 1 : now % period;
  std::uint64_t height = static_cast<std::uint64_t>(std::max(Current().height, 1));
  *line = static_cast<std::uint32_t>(phase * height / start);
  return phase < start;
}

void WaitForBlankStart() {
  if (SettingsRecord().blankStopped) return;
  std::uint64_t now = NowNs();
  std::uint64_t period = PeriodNs();
  std::uint64_t start = BlankStartNs(period);
  std::uint64_t phase = now % period;
  std::uint64_t wait = phase < start ? start - phase : period - phase + start;
  if (virtual_clock::On()) {
    virtual_clock::Advance(wait);
    return;
  }
  timespec pause{static_cast<time_t>(wait / 1000000000ull), static_cast<long>(wait % 1000000000ull)};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

void ShowPrimary(const pixels::View& primary) {
  window_system::DrawClientPixels(nullptr, true, [&primary](std::uint32_t* pixelsOfClient, int width, int height,
                                                            const Rect& client) {
    pixels::View clientView{reinterpret_cast<std::uint8_t*>(pixelsOfClient), width, height, width * 4,
                            pixels::Xrgb8888(), nullptr};
    int left = std::max(client.left, 0), top = std::max(client.top, 0);
    int right = std::min(client.right, primary.width), bottom = std::min(client.bottom, primary.height);
    if (right > left && bottom > top) {
      pixels::CopyPixels(clientView, left - client.left, top - client.top, primary, left, top, right - left,
                         bottom - top);
    }
  });
}

Settings& CurrentSettings() { return SettingsRecord(); }

void ResetSettings() { SettingsRecord() = Settings{DefaultModes(), false, false}; }

}  // namespace pf::display
