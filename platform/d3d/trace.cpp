// The device's call trace and counters, read by tests.
#include <mutex>

#include "platform/d3d/d3d_internal.h"

namespace pf::d3d {
namespace {

struct TraceState {
  std::mutex mutex;
  bool on = false;
  std::vector<std::string> lines;
  Counters counters;
};

TraceState& TheTrace() {
  static TraceState* state = new TraceState;
  return *state;
}

}  // namespace

Counters& TheCounters() { return TheTrace().counters; }

bool Tracing() { return TheTrace().on; }

void TraceLine(std::string line) {
  TraceState& t = TheTrace();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (t.on) t.lines.push_back(std::move(line));
}

std::vector<std::string> TakeTrace() {
  TraceState& t = TheTrace();
  std::lock_guard<std::mutex> lock(t.mutex);
  std::vector<std::string> lines;
  lines.swap(t.lines);
  return lines;
}

void SetTracing(bool on) {
  TraceState& t = TheTrace();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.on = on;
  if (!on) t.lines.clear();
}

}  // namespace pf::d3d
