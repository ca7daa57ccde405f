#pragma once
// One General MIDI synthesizer (FluidSynth over the system's GM sound font) playing one standard
// MIDI file at a time into a sound device's mix. The player runs on the synthesizer's own sample
// clock, so the song moves exactly as far as the device mixes. A song ends when its last tick has
// been played (FluidSynth's player would go on reporting it for a grace time while notes decay);
// the notes still sounding then fade out as they would.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dsound/dsound.h"

namespace pf::mci {

class MidiSynth final : public MixSource {
 public:
  // nullptr when the synthesizer library or the sound font cannot be had.
  static std::unique_ptr<MidiSynth> Create();
  ~MidiSynth() override;
  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  // Plays the song from its start `times` times (-1: endlessly), in place of the one playing. false
  // when it is no standard MIDI file.
  bool Play(const std::uint8_t* song, std::size_t size, int times);
  // Stops the song; every sounding note is cut at once.
  void Stop();
  // A song was started and has not reached its end.
  bool Playing();

  void AddFrames(std::int32_t* sums, int frames, int rate) override;

 private:
  MidiSynth();
  void DropPlayer();
  void Render(int frames);
  // At the song's last tick: its start again while plays are left, else the end.
  void FollowSongEnd();

  std::mutex mutex_;
  // FluidSynth's settings, synthesizer and player, kept opaque here.
  void* settings_ = nullptr;
  void* synth_ = nullptr;
  void* player_ = nullptr;
  int timesLeft_ = 0;     // plays left after this one (-1: endless)
  bool ended_ = false;
  bool seeking_ = false;
  std::vector<std::uint8_t> song_;
  std::vector<float> left_, right_;
  // Another output rate than the synthesizer's: the position between the last two frames rendered.
  double phase_ = 0.0;
  float lastLeft_ = 0.0f, lastRight_ = 0.0f;
  float nextLeft_ = 0.0f, nextRight_ = 0.0f;
};

// The synthesizer library loads and the sound font is readable: a MIDI device exists.
bool MidiSynthAvailable();
// Synthesizers alive, for tests that check none is left behind.
int LiveMidiSynths();

}  // namespace pf::mci
