// Debugger output: the platform has no debugger channel, so the text goes to stderr when
// ZELVO_TRACE is set and is dropped otherwise. Tests can capture it instead.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace pf {
namespace {

struct DebugCapture {
  std::atomic<bool> on{false};
  std::mutex mutex;
  std::string text;
};

DebugCapture& Capture() {
  static DebugCapture* capture = new DebugCapture;
  return *capture;
}

}  // namespace

void OutputDebugString(const char* text) {
  if (text == nullptr) return;
  DebugCapture& capture = Capture();
  if (capture.on.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(capture.mutex);
    capture.text += text;
    return;
  }
  static const bool traced = std::getenv("ZELVO_TRACE") != nullptr;
  if (traced) std::fputs(Cp932ToUtf8(text).c_str(), stderr);
}

namespace testing {

void CaptureDebugOutput(bool on) { Capture().on.store(on, std::memory_order_release); }

std::string TakeDebugOutput() {
  DebugCapture& capture = Capture();
  std::lock_guard<std::mutex> lock(capture.mutex);
  std::string taken;
  taken.swap(capture.text);
  return taken;
}

}  // namespace testing
}  // namespace pf
