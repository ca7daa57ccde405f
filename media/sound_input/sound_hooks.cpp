// What the library's start-up, shut-down and message pump call of sound.
#include "media/sound_input/sound.h"

namespace zelvo {
namespace {

int StartSound() { return StartDirectSound(); }
void StopCurrentSound() { StopCurrentSoundFile(); }
void EndSound() { EndDirectSound(); }
void PumpSound() {
  ProcessStreamSounds();
  PollMusicState();
}
void PumpStreamsWhileInactive() { ProcessStreamSounds(); }
// The sequencer's end notice replays or closes it.
void MusicNotice(std::uint32_t, std::uintptr_t, std::intptr_t) { UpdateMciMusic(); }

}  // namespace

SubsystemHooks SoundSubsystemRow() {
  SubsystemHooks row{};
  row.start = StartSound;
  row.stop = StopCurrentSound;
  row.end = EndSound;
  row.pump = PumpSound;
  row.pumpWhileInactive = PumpStreamsWhileInactive;
  row.windowMessage = MusicNotice;
  return row;
}

}  // namespace zelvo
