// Measurements of a screen-mode change: which copy between surfaces is faster (BltFast or GDI
// BitBlt), and how long a display frame lasts, found by timing vertical blanks until one period
// repeats.
#include <cstdint>
#include <ctime>

#include "media/core/log.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr int kCopyRuns = 8;
constexpr int kMaxSlots = 20;
constexpr int kPasses = 5;
// A display whose blank never comes must not hang the mode change: each wait gives up after this
// much real time (the virtual clock of tests moves only as the display is asked).
constexpr std::int64_t kBlankWaitLimitNs = 100000000;

std::int64_t RealNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t Microseconds() {
  std::int64_t count = 0, frequency = 1;
  pf::QueryPerformanceCounter(&count);
  pf::QueryPerformanceFrequency(&frequency);
  return count / (frequency / 1000000);
}

class BlankWaits {
 public:
  explicit BlankWaits(pf::DirectDraw7* object) : object_(object) {}

  // Until the scan line falls below where it started or the blank shows.
  bool WaitStart() {
    std::uint32_t start = 0, line = 0;
    object_->GetScanLine(&start);
    const std::int64_t limit = RealNanoseconds() + kBlankWaitLimitNs;
    for (int n = 0;; ++n) {
      std::int32_t inBlank = 0;
      object_->GetVerticalBlankStatus(&inBlank);
      object_->GetScanLine(&line);
      if (line < start || inBlank) return true;
      if ((n & 255) == 255 && RealNanoseconds() > limit) return false;
    }
  }

  bool WaitEnd() {
    const std::int64_t limit = RealNanoseconds() + kBlankWaitLimitNs;
    for (int n = 0;; ++n) {
      std::int32_t inBlank = 0;
      object_->GetVerticalBlankStatus(&inBlank);
      if (!inBlank) return true;
      if ((n & 255) == 255 && RealNanoseconds() > limit) return false;
    }
  }

 private:
  pf::DirectDraw7* object_;
};

// The first slot value that occurs again in a later slot, or -1.
int RepeatedPeriod(const int* slots, int n) {
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (slots[i] == slots[j]) return slots[i];
    }
  }
  return -1;
}

}  // namespace

void MeasureSurfaceCopyMethod() {
  pf::DirectDrawSurface7* front = GetFrontSurface();
  pf::DirectDrawSurface7* work = g_screen.workSurface1;
  if (front == nullptr || work == nullptr) return;
  const pf::Rect whole{0, 0, g_screen.width, g_screen.height};
  const std::int64_t start = Microseconds();
  for (int i = 0; i < kCopyRuns; ++i) work->BltFast(0, 0, front, &whole, 0);
  const std::int64_t bltFast = Microseconds() - start;
  const std::int64_t gdiStart = Microseconds();
  pf::DeviceContext from = nullptr, to = nullptr;
  if (front->GetDC(&from) == pf::DD_OK) {
    if (work->GetDC(&to) == pf::DD_OK) {
      for (int i = 0; i < kCopyRuns; ++i) pf::BitBlt(to, 0, 0, g_screen.width, g_screen.height, from, 0, 0, pf::SRCCOPY);
      work->ReleaseDC(to);
    }
    front->ReleaseDC(from);
  }
  const std::int64_t bitBlt = Microseconds() - gdiStart;
  g_screen.useGdiBlit = bitBlt <= bltFast ? 1 : 0;
  WriteLogFormat("サーフェス間転送には %s を使用します", g_screen.useGdiBlit ? "BitBlt" : "BltFast");
  WriteLogFormat("BitBlt:%.0lfμs   BltFast:%.0lfμs", static_cast<double>(bitBlt), static_cast<double>(bltFast));
}

void MeasureFramePeriod() {
  pf::DirectDraw7* object = g_screen.directDraw;
  if (object == nullptr) return;
  BlankWaits waits(object);
  const int n = g_screen.measuredRefresh < 0 ? kMaxSlots : 4;
  g_screen.scanLineCount = pf::GetSystemMetrics(pf::SM_CYSCREEN);
  WriteLogFormat("スキャンラインの数:%d", g_screen.scanLineCount);
  int slots[kMaxSlots] = {};
  bool blanksCome = true;
  for (int i = 0; i < 3 && blanksCome; ++i) blanksCome = waits.WaitStart() && waits.WaitEnd();
  blanksCome = blanksCome && waits.WaitStart();
  std::int64_t totalMicroseconds = 0;
  int measurements = 0;
  for (int pass = 0; pass < kPasses && blanksCome; ++pass) {
    // One clock reading per blank: the end of one measurement is the start of the next.
    std::int64_t begin = Microseconds();
    for (int i = 0; i < n && blanksCome; ++i) {
      blanksCome = waits.WaitEnd() && waits.WaitStart();
      const std::int64_t end = Microseconds();
      slots[i] = static_cast<int>(end / 1000 - begin / 1000);
      totalMicroseconds += end - begin;
      ++measurements;
      begin = end;
    }
    if (!blanksCome) break;
    const std::int64_t average = totalMicroseconds / measurements;
    if (g_screen.measuredRefresh < 0 && average > 0) {
      const std::int64_t r = 10000000 / average;
      g_screen.measuredRefresh = static_cast<int>(r / 10 + (r % 10 > 5 ? 1 : 0));
    }
    if (pass == kPasses - 1) break;
    g_screen.framePeriod = RepeatedPeriod(slots, n);
    if (g_screen.framePeriod >= 0) break;
  }
  if (!blanksCome) g_screen.framePeriod = -1;
  if (g_screen.framePeriod < 0) {
    WriteLogText("１フレームの時間を正常に取得できませんでした\n");
  } else {
    WriteLogFormat("１フレーム当たりの時間は %d msecです", g_screen.framePeriod);
  }
  for (int i = 0; i < n; ++i) WriteLogFormat("\tTri%02d:%d msec", i, slots[i]);
}

}  // namespace zelvo
