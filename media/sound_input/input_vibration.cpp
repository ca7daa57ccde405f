// Pad vibration: the timing of a vibration with a duration (each message-pump pass) and the
// starting and stopping of the two effects to match each pad's vibration state. Effects play only
// while the application is active; a pad without force feedback has no effect to start.
#include "media/core/window_state.h"
#include "media/sound_input/input.h"
#include "media/sound_input/input_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr int kFullPower = 10000;
constexpr int kSinePowerThreshold = 5000;

// Brings one effect to the wanted state when it differs from the recorded one.
void SetEffectPlaying(pf::DirectInputEffect* effect, int want, int* started) {
  if (want == *started) return;
  if (effect != nullptr) {
    if (want != 0) {
      effect->Start(1, 0);
    } else {
      effect->Stop();
    }
  }
  *started = want;
}

}  // namespace

int UpdatePadVibration() {
  if (g_input.mode != InputMode::kDirectInput) return 0;
  const std::uint32_t now = pf::timeGetTime();
  for (int number = 1; number <= g_input.padCount; ++number) {
    PadRecord& pad = g_input.pads[number - 1];
    if (pad.device == nullptr || pad.vibrationOn == 0 || pad.vibrationDuration < 0) continue;
    if (now != pad.vibrationLastUpdate) {
      // A clock that went backwards restarts the count from now.
      if (static_cast<std::int32_t>(now - pad.vibrationLastUpdate) > 0) {
        pad.vibrationElapsed += static_cast<int>(now - pad.vibrationLastUpdate);
      }
      pad.vibrationLastUpdate = now;
    }
    if (pad.vibrationElapsed >= pad.vibrationDuration) StopPadVibration(number);
  }
  return ApplyPadVibration();
}

int StopPadVibration(int padNumber) {
  if (padNumber < 1 || padNumber > g_input.padCount) return 0;
  PadRecord& pad = g_input.pads[padNumber - 1];
  if (pad.device == nullptr || pad.vibrationOn == 0) return 0;
  pad.vibrationOn = 0;
  pad.vibrationPower = kFullPower;
  ApplyPadVibration();
  return 0;
}

int ApplyPadVibration() {
  if (g_input.mode != InputMode::kDirectInput) return 0;
  const int active = g_window.active != 0 ? 1 : 0;
  for (int i = 0; i < g_input.padCount; ++i) {
    PadRecord& pad = g_input.pads[i];
    if (pad.device == nullptr) continue;
    const int on = active != 0 && pad.vibrationOn != 0 ? 1 : 0;
    SetEffectPlaying(pad.constantEffect, on, &pad.constantStarted);
    SetEffectPlaying(pad.sineEffect, on != 0 && pad.vibrationPower > kSinePowerThreshold ? 1 : 0, &pad.sineStarted);
  }
  return 0;
}

}  // namespace zelvo
