// What the library's start-up, shut-down, message pump and window procedure call of input.
#include "media/sound_input/input.h"

namespace zelvo {
namespace {

void EndInputStep() { EndInput(); }
void TimePadVibrations() { UpdatePadVibration(); }
void ReacquireOnActivation(int) { ReacquireInputDevices(); }
void ApplyVibrationAfterActivation() { ApplyPadVibration(); }

}  // namespace

SubsystemHooks InputSubsystemRow() {
  SubsystemHooks row{};
  row.start = StartInput;
  row.end = EndInputStep;
  row.pump = TimePadVibrations;
  row.activate = ReacquireOnActivation;
  row.afterActivation = ApplyVibrationAfterActivation;
  return row;
}

}  // namespace zelvo
