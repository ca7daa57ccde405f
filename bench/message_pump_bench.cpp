// The per-frame cost of the message pump on the headless host: an empty queue (the common frame),
// and a frame that dispatches its whole budget of five messages. The message thread runs alongside
// as it does in the game.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <zelvo/zelvo.h>

#include "media/core/window_mode.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace {

void BM_PumpMessagesEmptyQueue(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PumpMessages());
}
BENCHMARK(BM_PumpMessagesEmptyQueue);

void BM_PumpMessagesFiveMessages(benchmark::State& state) {
  pf::WindowHandle window = zelvo::QueryMainWindow();
  for (auto _ : state) {
    for (int i = 0; i < 5; ++i) pf::PostMessage(window, pf::WM_USER + 1, 0, 0);
    benchmark::DoNotOptimize(PumpMessages());
  }
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_PumpMessagesFiveMessages);

}  // namespace

int main(int argc, char** argv) {
  setenv("ZELVO_HOST", "headless", 1);
  pf::SetVirtualClock(false);   // real waits: the message thread sleeps its 17 ms as in the game
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  if (StartUpLibrary() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ShutDownLibrary();
  return 0;
}
