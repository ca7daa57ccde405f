// Fault switches: the next n calls of a named platform function fail.
#include "platform/kernel/kernel_testing.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace pf::testing {
namespace {

struct FaultTable {
  std::mutex mutex;
  std::map<std::string, int, std::less<>> remaining;
  std::map<std::string, int, std::less<>> skipped;   // calls that succeed before the failures
  std::atomic<bool> anyArmed{false};
};

FaultTable& Faults() {
  static FaultTable* table = new FaultTable;
  return *table;
}

}  // namespace

void FailNextCalls(const char* function, int count) { FailCallsAfter(function, 0, count); }

void FailCallsAfter(const char* function, int skip, int count) {
  if (function == nullptr) return;
  FaultTable& faults = Faults();
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.skipped.erase(function);
  if (count > 0) {
    faults.remaining[function] = count;
    if (skip > 0) faults.skipped[function] = skip;
  } else {
    faults.remaining.erase(function);
  }
  faults.anyArmed.store(!faults.remaining.empty(), std::memory_order_release);
}

void ClearFaults() {
  FaultTable& faults = Faults();
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.remaining.clear();
  faults.skipped.clear();
  faults.anyArmed.store(false, std::memory_order_release);
}

bool ShouldFail(const char* function) {
  FaultTable& faults = Faults();
  if (!faults.anyArmed.load(std::memory_order_acquire) || function == nullptr) return false;
  std::lock_guard<std::mutex> lock(faults.mutex);
  auto it = faults.remaining.find(std::string_view(function));
  if (it == faults.remaining.end()) return false;
  if (auto skip = faults.skipped.find(std::string_view(function)); skip != faults.skipped.end()) {
    if (--skip->second == 0) faults.skipped.erase(skip);
    return false;
  }
  if (--it->second == 0) {
    faults.remaining.erase(it);
    faults.anyArmed.store(!faults.remaining.empty(), std::memory_order_release);
  }
  return true;
}

}  // namespace pf::testing
