// Memory status, processor identification and the time-stamp counter.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/kernel/virtual_clock.h"

#include <atomic>
#include <ctime>
#include <sys/sysinfo.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define ZELVO_HAS_CPUID 1
#else
#define ZELVO_HAS_CPUID 0
#endif

namespace pf {
namespace {

std::atomic<bool> cpuIdSwitchedOn{true};

// Under the virtual clock the counter runs at 3 GHz of virtual time; each reading moves the
// clock on by a microsecond so a loop on the counter alone still sees it change.
constexpr std::uint64_t kVirtualTicksPerNs = 3;
constexpr std::uint64_t kVirtualNsPerReading = 1000;

}  // namespace

void GlobalMemoryStatus(MemoryStatus* out) {
  if (out == nullptr) return;
  struct sysinfo info {};
  if (sysinfo(&info) != 0) {
    *out = MemoryStatus{};
    return;
  }
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  out->totalPhysical = info.totalram * unit;
  out->availablePhysical = (info.freeram + info.bufferram) * unit;
  out->totalVirtual = (info.totalram + info.totalswap) * unit;
  out->availableVirtual = (info.freeram + info.bufferram + info.freeswap) * unit;
}

bool CpuIdAvailable() { return ZELVO_HAS_CPUID != 0 && cpuIdSwitchedOn.load(std::memory_order_relaxed); }

void CpuId(std::uint32_t leaf, CpuIdRegisters* out) {
  if (out == nullptr) return;
  *out = CpuIdRegisters{};
#if ZELVO_HAS_CPUID
  if (CpuIdAvailable()) {
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    *out = CpuIdRegisters{a, b, c, d};
  }
#endif
}

std::uint64_t ReadTimeStampCounter() {
  if (virtual_clock::On()) return virtual_clock::Advance(kVirtualNsPerReading) * kVirtualTicksPerNs;
#if ZELVO_HAS_CPUID
  return __rdtsc();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
#endif
}

namespace testing {

void SetCpuIdAvailable(bool available) { cpuIdSwitchedOn.store(available, std::memory_order_relaxed); }

}  // namespace testing
}  // namespace pf
