// The game's own cost: horundel run headless on the real clock, without sound, on the generated data
// set, idling on its title and playing a scripted stretch of the training mission, under the
// Direct3D device (profile A) and in software rendering (profile B). Each measurement runs the game
// twice, closed by its input script after fewer and after more frames, and takes the difference of
// the two runs' CPU time, so start-up and loading drop out: CPU seconds per 60 frames, which at 60
// frames a second is the share of one core. Pin it to one core (the game inherits the affinity) and
// run it with --benchmark_repetitions=3 for medians. Under the virtual clock (the smoke run) only
// a few title frames are played.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

enum Scene { kTitle, kBattle };

bool SmokeRun() {
  const char* clock = std::getenv("ZELVO_VIRTUAL_CLOCK");
  return clock != nullptr && clock[0] == '1';
}

// The build folder: this program lives in its bench/ folder.
fs::path BuildFolder() {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return {};
  exe[length] = '\0';
  return fs::path(exe).parent_path().parent_path();
}

// A copy of the loose data set, so the configuration the game writes stays out of the build.
const fs::path& DataCopy() {
  static const fs::path folder = [] {
    char name[] = "/tmp/zelvo-game-cpu-XXXXXX";
    const char* made = mkdtemp(name);
    if (made == nullptr) return fs::path();
    std::error_code error;
    fs::copy(BuildFolder() / "gamedata" / "loose", made, fs::copy_options::recursive, error);
    return error ? fs::path() : fs::path(made);
  }();
  return folder;
}

// Keys held over a few frames, as the game reads the keyboard once a frame.
void Press(std::ofstream& out, const char* key, int frame) {
  out << frame << " key " << key << " down\n" << frame + 3 << " key " << key << " up\n";
}

// The script of a run that ends after `frames` frames: on the title, or in the training mission
// (START GAME, the difficulty, the tutorial) walking right, jumping and attacking.
std::string WriteScript(Scene scene, int frames) {
  const std::string path = (DataCopy() / ("script" + std::to_string(scene) + "_" + std::to_string(frames) + ".txt")).string();
  std::ofstream out(path);
  if (scene == kBattle) {
    Press(out, "Return", 220);
    Press(out, "Return", 250);
    Press(out, "Return", 270);
    for (int frame = 400; frame + 40 < frames; frame += 90) {
      out << frame << " key Right down\n" << frame + 60 << " key Right up\n";
      Press(out, "C", frame + 62);
      Press(out, "A", frame + 75);
    }
  }
  out << frames << " close\n";
  return path;
}

// CPU seconds of one run of the game, or a negative number when it did not run to its script's end.
double RunGame(const std::string& script, bool software) {
  const std::string game = (BuildFolder() / "game" / "horundel" / "horundel").string();
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    setenv("ZELVO_HOST", "headless", 1);
    setenv("ZELVO_AUDIO", "none", 1);
    setenv("ZELVO_D3D_PROFILE", software ? "B" : "A", 1);
    setenv("ZELVO_INPUT_SCRIPT", script.c_str(), 1);
    // A runtime folder of its own, so a copy of the game another program runs on the same machine
    // does not hold the one-copy lock this run asks for.
    const std::string runtime = (DataCopy() / "runtime").string();
    mkdir(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string data = DataCopy().string();
    execl(game.c_str(), game.c_str(), data.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_Game(benchmark::State& state) {
  const auto scene = static_cast<Scene>(state.range(0));
  const bool software = state.range(1) == 1;
  if (DataCopy().empty() || !fs::exists(BuildFolder() / "game" / "horundel" / "horundel")) {
    state.SkipWithError("build horundel and zelvo_gamedata first");
    return;
  }
  if (SmokeRun() && scene == kBattle) {
    state.SkipWithError("the battle is measured on the real clock only");
    return;
  }
  // The title shows from about frame 200; the mission plays from about frame 330.
  const int first = SmokeRun() ? 20 : (scene == kTitle ? 240 : 420);
  const int measured = SmokeRun() ? 20 : 600;
  double perSixty = 0;
  for (auto _ : state) {
    const double shorter = RunGame(WriteScript(scene, first), software);
    const double longer = RunGame(WriteScript(scene, first + measured), software);
    if (shorter < 0 || longer < 0) {
      state.SkipWithError("the game did not run to the end of its script");
      return;
    }
    perSixty = (longer - shorter) / measured * 60;
  }
  state.counters["CPU-s/60"] = perSixty;
}
BENCHMARK(BM_Game)->ArgsProduct({{kTitle, kBattle}, {0, 1}})->ArgNames({"battle", "software"})->Iterations(1)->Unit(benchmark::kSecond);

void PrintTable(const std::map<std::string, double>& rates) {
  std::printf("\n%-10s %14s %14s %8s %10s %10s\n", "game", "A CPU-s/60", "B CPU-s/60", "A / B", "A % core",
              "B % core");
  for (const int scene : {kTitle, kBattle}) {
    const std::string name = "BM_Game/battle:" + std::to_string(scene);
    auto a = rates.find(name + "/software:0/iterations:1"), b = rates.find(name + "/software:1/iterations:1");
    if (a == rates.end() || b == rates.end() || b->second <= 0) continue;
    std::printf("%-10s %14.4f %14.4f %8.2f %9.1f%% %9.1f%%\n", scene == kTitle ? "title" : "battle", a->second,
                b->second, a->second / b->second, a->second * 100, b->second * 100);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  zelvo_bench::RateCollector reporter("CPU-s/60");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter.rates);
  benchmark::Shutdown();
  if (!DataCopy().empty()) {
    std::error_code error;
    fs::remove_all(DataCopy(), error);
  }
  return 0;
}
