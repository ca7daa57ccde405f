#pragma once
// Test controls of the DirectSound stand-in: the audio output, the device caps, a manual clock for
// the mix, the mixed frames read back, lost buffers and the sample memory alive.
#include <cstdint>
#include <vector>

#include "platform/dsound/dsound.h"

namespace pf::testing {

// The audio output the next Initialize opens: "sdl", "headless" or "none" (no sound device);
// nullptr goes back to ZELVO_AUDIO and the host's default.
void SetSoundOutput(const char* name);
// The caps GetCaps reports; nullptr goes back to the default profile.
void SetSoundCaps(const DSCaps* caps);
// With the manual clock on, a headless output mixes only when RenderSound asks: play cursors move by
// exactly the frames rendered. Off (the default), it follows the platform clock.
void SetManualSoundClock(bool on);
// Mixes this many output frames on the current device (nothing without one).
void RenderSound(int frames);
// Keeps every mixed frame (16-bit stereo, interleaved) while on; Take hands them over.
void RecordMixedSound(bool on);
std::vector<std::int16_t> TakeMixedSound();
// Every secondary buffer of the current device is lost: stopped, and Play and Lock answer
// DSERR_BUFFERLOST until Restore.
void LoseSoundBuffers();
// The current device's audio output is lost, as when SDL's device goes away: the mix goes on by
// the platform clock, heard nowhere.
void LoseSoundDevice();
// Bytes of buffer sample memory alive (duplicates share their original's).
std::int64_t SoundSampleBytes();

}  // namespace pf::testing
