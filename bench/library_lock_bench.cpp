// The library lock is taken and released around every public entry point, thousands of times a
// frame; uncontended, a take and release must cost about as much as a plain mutex (no system call,
// no event touched). Peers: std::mutex and std::recursive_mutex. The tracked allocator is measured
// beside malloc/free.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <mutex>

#include "media/core/library_lock.h"
#include "media/core/log.h"

namespace {

void BM_LibraryLockTakeRelease(benchmark::State& state) {
  for (auto _ : state) {
    zelvo::TakeLibraryLock();
    zelvo::ReleaseLibraryLock();
  }
}
BENCHMARK(BM_LibraryLockTakeRelease);

void BM_LibraryLockReentry(benchmark::State& state) {
  zelvo::TakeLibraryLock();
  for (auto _ : state) {
    zelvo::TakeLibraryLock();
    zelvo::ReleaseLibraryLock();
  }
  zelvo::ReleaseLibraryLock();
}
BENCHMARK(BM_LibraryLockReentry);

void BM_PeerStdMutex(benchmark::State& state) {
  std::mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    benchmark::ClobberMemory();
    mutex.unlock();
  }
}
BENCHMARK(BM_PeerStdMutex);

void BM_PeerStdRecursiveMutex(benchmark::State& state) {
  std::recursive_mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    benchmark::ClobberMemory();
    mutex.unlock();
  }
}
BENCHMARK(BM_PeerStdRecursiveMutex);

void BM_TrackedAllocFree(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* block = zelvo::TrackedAlloc(size, "bench", 1);
    benchmark::DoNotOptimize(block);
    zelvo::TrackedFree(block);
  }
}
BENCHMARK(BM_TrackedAllocFree)->Arg(64)->Arg(4096);

void BM_PeerMallocFree(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* block = std::malloc(size);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}
BENCHMARK(BM_PeerMallocFree)->Arg(64)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
