#include "game/battle/data/sound_effects.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/resources.h"

namespace horundel {

void PlaySoundEffect(int number) {
  if (number < 0 || number >= kSoundEffects) return;
  const int handle = SoundEffectTable[number];
  HaltSound(handle);
  StartSound(handle, ZELVO_PLAY_RETURN, 1);
}

}  // namespace horundel
