// Loading times a player waits for: the library's start-up, and the whole data set (LoadAll) with a
// mission's stage resources (its map, background, music and enemy set), from the loose folder and
// from the packed archives. Targets: start-up under 50 ms without the frame-period measurement's
// waits for the vertical blank, LoadAll and the stage together under 200 ms. The waits are left out
// by running on the virtual clock, where each poll of the scan line moves time on, so a wait ends
// after a few polls; what those polls cost (about 1 ms) is still counted.
// Beside each load, the floor of this machine for it: the files the load opened (recorded in an
// untimed pass) read with plain open, read and close, as many bytes from each as the load read,
// each into a block of its own. The table after the runs gives each load's ratio to its floor, which
// carries over between machines where the milliseconds do not.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/map_file.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "bench_support.h"

// The files a load opens and the bytes it reads from each, while recording is on.
struct OpenedFile {
  std::string path;
  long long size = 0;
  long long bytes = 0;   // more than the size where the load read a part again (a picture's signature)
  long long FloorBytes() const { return bytes < size ? bytes : size; }
};
bool g_recording = false;
std::vector<OpenedFile> g_opened;
std::map<int, std::size_t> g_openedByDescriptor;

int RecordOpen(const char* path, int descriptor) {
  struct stat info {};
  if (g_recording && descriptor >= 0 && fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
    g_openedByDescriptor[descriptor] = g_opened.size();
    g_opened.push_back(OpenedFile{path, static_cast<long long>(info.st_size), 0});
  }
  return descriptor;
}

// The process's open, read and close, seen on their way to the system while a load is recorded.
extern "C" int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, unsigned));
    va_end(arguments);
  }
  return RecordOpen(path, static_cast<int>(syscall(SYS_openat, AT_FDCWD, path, flags, mode)));
}

extern "C" int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, unsigned));
    va_end(arguments);
  }
  return RecordOpen(path, static_cast<int>(syscall(SYS_openat, AT_FDCWD, path, flags, mode)));
}

extern "C" ssize_t read(int descriptor, void* buffer, size_t bytes) {
  const ssize_t got = syscall(SYS_read, descriptor, buffer, bytes);
  if (g_recording && got > 0) {
    const auto it = g_openedByDescriptor.find(descriptor);
    if (it != g_openedByDescriptor.end()) g_opened[it->second].bytes += got;
  }
  return got;
}

// A closed descriptor's number may come back for a file opened some other way.
extern "C" int close(int descriptor) {
  g_openedByDescriptor.erase(descriptor);
  return static_cast<int>(syscall(SYS_close, descriptor));
}

namespace {

char g_title[64];
std::map<std::string, std::vector<OpenedFile>> g_loadFiles;   // by data folder

int StartLibrary() {
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(g_title);
  return StartUpLibrary();
}

void BM_LibraryStartUp(benchmark::State& state) {
  for (auto _ : state) {
    if (StartLibrary() != 0) {
      state.SkipWithError("start-up failed");
      break;
    }
    state.PauseTiming();
    ShutDownLibrary();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LibraryStartUp)->Unit(benchmark::kMillisecond)->Iterations(20);

// Each run starts from a fresh library, so every picture and sound is loaded anew.
void SetSecondsPerRun(benchmark::State& state) {
  state.counters["s/run"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The library started, the loads run, the library shut down; only the loads are timed by the caller.
bool StartLoadAndEnd(benchmark::State& state, bool timed, bool recorded) {
  if (timed) state.PauseTiming();
  if (StartLibrary() != 0) {
    state.SkipWithError("start-up failed");
    return false;
  }
  horundel::g_battle.CurrentMission = 1;
  horundel::g_battle.Difficulty = 1;
  // The stage keeps what it holds across library sessions; without this every run after the
  // first would skip the background, music and enemy set.
  horundel::g_stage = horundel::StageState{-1, -1, -1, -1, -1};
  if (timed) state.ResumeTiming();
  g_recording = recorded;
  horundel::LoadAll();
  horundel::LoadMap(horundel::kMapSourceMission, 1, 0);
  g_recording = false;
  if (timed) state.PauseTiming();
  ShutDownLibrary();
  if (timed) state.ResumeTiming();
  return true;
}

void LoadAllAndStage(benchmark::State& state, const char* folder) {
  const std::string path = std::string(ZELVO_GAMEDATA_DIR) + "/" + folder;
  if (chdir(path.c_str()) != 0) {
    state.SkipWithError("no generated data set");
    return;
  }
  // One untimed load, recorded for the floor.
  g_opened.clear();
  g_openedByDescriptor.clear();
  if (!StartLoadAndEnd(state, false, true)) return;
  g_loadFiles[folder] = g_opened;
  for (auto _ : state) {
    if (!StartLoadAndEnd(state, true, false)) break;
  }
  SetSecondsPerRun(state);
}

// The floor: the recorded files read plainly, the same bytes from each (once).
void ReadFloor(benchmark::State& state, const char* folder) {
  const auto files = g_loadFiles.find(folder);
  if (files == g_loadFiles.end() || files->second.empty()) {
    state.SkipWithError("no recorded load: run it with the load of the same folder");
    return;
  }
  long long total = 0, read = 0;
  for (const OpenedFile& f : files->second) total += f.FloorBytes();
  for (auto _ : state) {
    read = 0;
    for (const OpenedFile& f : files->second) {
      const int descriptor = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
      if (descriptor < 0) continue;
      const long long bytes = f.FloorBytes();
      std::vector<char> block(static_cast<std::size_t>(bytes));
      for (long long done = 0; done < bytes;) {
        const ssize_t got = ::read(descriptor, block.data() + done, static_cast<std::size_t>(bytes - done));
        if (got <= 0) break;
        done += got;
        read += got;
      }
      benchmark::DoNotOptimize(block.data());
      ::close(descriptor);
    }
  }
  // The floor read what the load read, or it is no floor.
  if (read != total) state.SkipWithError("the files no longer hold the bytes the load read");
  state.counters["files"] = static_cast<double>(files->second.size());
  state.counters["MB"] = static_cast<double>(total) / 1e6;
  SetSecondsPerRun(state);
}

void BM_LoadAllAndStage_Loose(benchmark::State& state) { LoadAllAndStage(state, "loose"); }
void BM_LoadAllAndStage_Packed(benchmark::State& state) { LoadAllAndStage(state, "packed"); }
void BM_FileReadFloor_Loose(benchmark::State& state) { ReadFloor(state, "loose"); }
void BM_FileReadFloor_Packed(benchmark::State& state) { ReadFloor(state, "packed"); }
BENCHMARK(BM_LoadAllAndStage_Loose)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_LoadAllAndStage_Packed)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_FileReadFloor_Loose)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_FileReadFloor_Packed)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // Headless on the virtual clock unless the caller chose otherwise.
  setenv("ZELVO_HOST", "headless", 0);
  setenv("ZELVO_VIRTUAL_CLOCK", "1", 0);
  std::snprintf(g_title, sizeof g_title, "zelvo-load-bench-%d", static_cast<int>(getpid()));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  zelvo_bench::RateCollector reporter("s/run");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-28s %10s %10s %8s\n", "LoadAll + mission 1 stage", "ms", "floor ms", "/floor");
  // The runs are named with their fixed iterations and time kind after the function's name.
  auto seconds = [&](const std::string& function) {
    const auto it = reporter.rates.lower_bound(function + "/");
    return it != reporter.rates.end() && it->first.rfind(function + "/", 0) == 0 ? it->second : 0.0;
  };
  for (const char* folder : {"Loose", "Packed"}) {
    const double load = seconds(std::string("BM_LoadAllAndStage_") + folder);
    const double floor = seconds(std::string("BM_FileReadFloor_") + folder);
    if (load <= 0 || floor <= 0) continue;
    std::printf("%-28s %10.1f %10.2f %8.1f\n", folder, 1e3 * load, 1e3 * floor, load / floor);
  }
  benchmark::Shutdown();
  return 0;
}
