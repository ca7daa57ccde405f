// Kernel stand-in hot paths: the uncontended critical section (taken around every library entry)
// against a bare std::mutex, and path mapping per file open, exact and case-folded.
#include "platform/kernel/kernel.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace {

void CriticalSectionUncontended(benchmark::State& state) {
  pf::CriticalSection section;
  pf::InitializeCriticalSection(&section);
  for (auto _ : state) {
    pf::EnterCriticalSection(&section);
    pf::LeaveCriticalSection(&section);
  }
  pf::DeleteCriticalSection(&section);
}
BENCHMARK(CriticalSectionUncontended);

void PeerStdMutexUncontended(benchmark::State& state) {
  std::mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    mutex.unlock();
  }
}
BENCHMARK(PeerStdMutexUncontended);

// A game-like tree: <tmp>/Game/BMP/Stage1/Back.bmp, mapped from the current folder <tmp>/Game.
struct Tree {
  Tree() {
    namespace fs = std::filesystem;
    root = fs::temp_directory_path() / ("zelvo_bench_" + std::to_string(getpid()));
    fs::create_directories(root / "Game" / "BMP" / "Stage1");
    for (int i = 0; i < 200; ++i) std::ofstream(root / "Game" / "BMP" / "Stage1" / ("Pic" + std::to_string(i) + ".bmp"));
    std::ofstream(root / "Game" / "BMP" / "Stage1" / "Back.bmp");
    pf::SetCurrentDirectory(pf::HostPathToWindows((root / "Game").string()).c_str());
  }
  ~Tree() {
    pf::SetCurrentDirectory("Z:\\");
    std::filesystem::remove_all(root);
  }
  std::filesystem::path root;
};

void MapPathExactCase(benchmark::State& state) {
  Tree tree;
  for (auto _ : state) benchmark::DoNotOptimize(pf::MapPathToHost("BMP\\Stage1\\Back.bmp"));
}
BENCHMARK(MapPathExactCase);

void MapPathOtherCase(benchmark::State& state) {
  Tree tree;
  for (auto _ : state) benchmark::DoNotOptimize(pf::MapPathToHost("bmp\\STAGE1\\BACK.BMP"));
}
BENCHMARK(MapPathOtherCase);

}  // namespace

BENCHMARK_MAIN();
