// The MIDI synthesizer over FluidSynth: the sound font loaded once per synthesizer, a player made
// for every song, and the rendered frames added into the device's sums.
#include "platform/mci/midi_synth.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/mci/fluidsynth_calls.h"
#include "platform/mci/mci_testing.h"

namespace pf::mci {
namespace {

constexpr int kSynthRate = 44100;
constexpr int kRenderChunk = 1024;
constexpr int kSynthBlock = 64;   // FluidSynth renders in blocks of this many frames
// Debian's General MIDI sound font, whichever package provides it.
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

std::atomic<int> g_liveSynths{0};
std::mutex g_soundFontMutex;
std::string g_soundFontOverride;
bool g_soundFontOverridden = false;

std::string SoundFontPath() {
  std::lock_guard<std::mutex> lock(g_soundFontMutex);
  return g_soundFontOverridden ? g_soundFontOverride : kDefaultSoundFont;
}

bool Readable(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

fluid_synth_t* AsSynth(void* synth) { return static_cast<fluid_synth_t*>(synth); }
fluid_player_t* AsPlayer(void* player) { return static_cast<fluid_player_t*>(player); }

bool IsStandardMidiFile(const std::uint8_t* song, std::size_t size) {
  return song != nullptr && size >= 14 && std::memcmp(song, "MThd", 4) == 0;
}

std::int32_t ToSample(float value) {
  return static_cast<std::int32_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

bool MidiSynthAvailable() { return LoadFluidSynth() && Readable(SoundFontPath()); }

int LiveMidiSynths() { return g_liveSynths.load(); }

MidiSynth::MidiSynth() { ++g_liveSynths; }

std::unique_ptr<MidiSynth> MidiSynth::Create() {
  if (!MidiSynthAvailable()) return nullptr;
  std::unique_ptr<MidiSynth> made(new MidiSynth());
  const FluidSynthCalls& calls = FluidSynth();
  fluid_settings_t* settings = calls.new_fluid_settings();
  made->settings_ = settings;
  if (settings == nullptr) return nullptr;
  calls.fluid_settings_setnum(settings, "synth.sample-rate", kSynthRate);
  // No thread, no locked memory: the synthesizer renders only when the device mixes.
  calls.fluid_settings_setint(settings, "synth.cpu-cores", 1);
  calls.fluid_settings_setint(settings, "synth.lock-memory", 0);
  calls.fluid_settings_setstr(settings, "player.timing-source", "sample");
  // No reverb or chorus tail: a stopped song is silent at once.
  calls.fluid_settings_setint(settings, "synth.reverb.active", 0);
  calls.fluid_settings_setint(settings, "synth.chorus.active", 0);
  // Louder than FluidSynth's cautious default, as a hardware synthesizer's music would be.
  calls.fluid_settings_setnum(settings, "synth.gain", 0.5);
  made->synth_ = calls.new_fluid_synth(settings);
  if (made->synth_ == nullptr) return nullptr;
  if (calls.fluid_synth_sfload(AsSynth(made->synth_), SoundFontPath().c_str(), 1) == FLUID_FAILED) return nullptr;
  made->left_.resize(kRenderChunk);
  made->right_.resize(kRenderChunk);
  return made;
}

MidiSynth::~MidiSynth() {
  DropPlayer();
  if (synth_ != nullptr) FluidSynth().delete_fluid_synth(AsSynth(synth_));
  if (settings_ != nullptr) FluidSynth().delete_fluid_settings(static_cast<fluid_settings_t*>(settings_));
  --g_liveSynths;
}

void MidiSynth::DropPlayer() {
  if (player_ == nullptr) return;
  FluidSynth().fluid_player_stop(AsPlayer(player_));
  FluidSynth().delete_fluid_player(AsPlayer(player_));
  player_ = nullptr;
}

bool MidiSynth::Play(const std::uint8_t* song, std::size_t size, int times) {
  if (!IsStandardMidiFile(song, size)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const FluidSynthCalls& calls = FluidSynth();
  DropPlayer();
  calls.fluid_synth_all_sounds_off(AsSynth(synth_), -1);
  song_.assign(song, song + size);
  fluid_player_t* player = calls.new_fluid_player(AsSynth(synth_));
  if (player == nullptr) return false;
  player_ = player;
  if (calls.fluid_player_add_mem(player, song_.data(), song_.size()) != FLUID_OK) {
    DropPlayer();
    return false;
  }
  timesLeft_ = times < 0 ? -1 : times - 1;
  ended_ = false;
  seeking_ = false;
  if (calls.fluid_player_play(player) != FLUID_OK) {
    DropPlayer();
    return false;
  }
  return true;
}

void MidiSynth::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  DropPlayer();
  FluidSynth().fluid_synth_all_sounds_off(AsSynth(synth_), -1);
  // The synthesizer hands out frames from a block it rendered before the stop: that block goes.
  Render(kSynthBlock);
}

bool MidiSynth::Playing() {
  std::lock_guard<std::mutex> lock(mutex_);
  return player_ != nullptr && !ended_;
}

void MidiSynth::FollowSongEnd() {
  if (player_ == nullptr || ended_) return;
  fluid_player_t* player = AsPlayer(player_);
  const int total = FluidSynth().fluid_player_get_total_ticks(player);
  const bool pastEnd = total > 0 && FluidSynth().fluid_player_get_current_tick(player) >= total;
  // A seek takes effect at the player's next step.
  if (seeking_) {
    seeking_ = pastEnd;
    return;
  }
  if (!pastEnd) return;
  if (timesLeft_ == 0) {
    ended_ = true;
    return;
  }
  if (timesLeft_ > 0) --timesLeft_;
  FluidSynth().fluid_player_seek(player, 0);
  seeking_ = true;
}

void MidiSynth::Render(int frames) {
  FluidSynth().fluid_synth_write_float(AsSynth(synth_), frames, left_.data(), 0, 1, right_.data(), 0, 1);
}

void MidiSynth::AddFrames(std::int32_t* sums, int frames, int rate) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (rate == kSynthRate) {
    while (frames > 0) {
      const int count = std::min(frames, kRenderChunk);
      Render(count);
      FollowSongEnd();
      for (int i = 0; i < count; ++i) {
        sums[2 * i] += ToSample(left_[static_cast<std::size_t>(i)]);
        sums[2 * i + 1] += ToSample(right_[static_cast<std::size_t>(i)]);
      }
      sums += 2 * count;
      frames -= count;
    }
    return;
  }
  // Another rate: linear steps between the synthesizer's frames, one rendered at a time.
  const double step = static_cast<double>(kSynthRate) / rate;
  for (int i = 0; i < frames; ++i) {
    while (phase_ >= 1.0) {
      Render(1);
      FollowSongEnd();
      lastLeft_ = nextLeft_;
      lastRight_ = nextRight_;
      nextLeft_ = left_[0];
      nextRight_ = right_[0];
      phase_ -= 1.0;
    }
    const auto weight = static_cast<float>(phase_);
    sums[2 * i] += ToSample(lastLeft_ + (nextLeft_ - lastLeft_) * weight);
    sums[2 * i + 1] += ToSample(lastRight_ + (nextRight_ - lastRight_) * weight);
    phase_ += step;
  }
}

}  // namespace pf::mci

namespace pf::testing {

void SetSoundFontPath(const char* path) {
  std::lock_guard<std::mutex> lock(mci::g_soundFontMutex);
  mci::g_soundFontOverridden = path != nullptr;
  mci::g_soundFontOverride = path != nullptr ? path : "";
}

}  // namespace pf::testing
