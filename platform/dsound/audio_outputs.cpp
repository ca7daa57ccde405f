// The audio outputs: an SDL2 audio device whose thread pulls the mix, and a headless output whose
// clock (the platform's, or the tests' manual one) says how many frames are due.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/dsound/dsound_internal.h"
#include "platform/host/host.h"
#include "platform/kernel/virtual_clock.h"

namespace pf::dsound {
namespace {

std::uint64_t ClockNs() {
  if (virtual_clock::On()) return virtual_clock::Now();
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

// A headless output: mixes as its clock moves and drops the frames (after the capture took them).
// A clock that leaps (a long virtual sleep) is followed for at most a minute of audio per catch-up.
class ClockOutput final : public AudioOutput {
 public:
  const char* Name() const override { return "headless"; }

  bool Open(int rate, PullFrames pull, void* user) override {
    rate_ = rate;
    pull_ = pull;
    user_ = user;
    Anchor();
    return true;
  }
  void Close() override {}

  void CatchUp() override {
    if (manualSinceAnchor_) Anchor();
    const std::uint64_t elapsed = ClockNs() - startNs_;
    std::uint64_t due = elapsed * static_cast<std::uint64_t>(rate_) / 1000000000u;
    const std::uint64_t limit = static_cast<std::uint64_t>(rate_) * 60;
    if (due > rendered_ + limit) rendered_ = due - limit;
    if (due > rendered_) Render(due - rendered_);
  }

  void Advance(int frames) override {
    manualSinceAnchor_ = true;
    Render(static_cast<std::uint64_t>(frames));
  }

 private:
  // The clock starts counting from what has been rendered so far.
  void Anchor() {
    startNs_ = ClockNs();
    rendered_ = 0;
    manualSinceAnchor_ = false;
  }

  void Render(std::uint64_t frames) {
    while (frames > 0) {
      const int count = static_cast<int>(std::min<std::uint64_t>(frames, kChunk));
      pull_(user_, chunk_, count);
      rendered_ += static_cast<std::uint64_t>(count);
      frames -= static_cast<std::uint64_t>(count);
    }
  }

  static constexpr int kChunk = 1024;
  int rate_ = 44100;
  PullFrames pull_ = nullptr;
  void* user_ = nullptr;
  std::uint64_t startNs_ = 0;
  std::uint64_t rendered_ = 0;
  bool manualSinceAnchor_ = false;
  std::int16_t chunk_[kChunk * 2];
};

// SDL2's audio device: 16-bit stereo at the mix rate, converted by SDL to what the hardware takes.
class SdlOutput final : public AudioOutput {
 public:
  ~SdlOutput() override { Close(); }
  const char* Name() const override { return "sdl"; }

  bool Open(int rate, PullFrames pull, void* user) override {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    pull_ = pull;
    user_ = user;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = Callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  bool Lost() const override {
    return AudioOutput::Lost() || (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED);
  }

  void Close() override {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

 private:
  static void Callback(void* user, Uint8* stream, int length) {
    auto* self = static_cast<SdlOutput*>(user);
    self->pull_(self->user_, reinterpret_cast<std::int16_t*>(stream), length / 4);
  }

  SDL_AudioDeviceID device_ = 0;
  PullFrames pull_ = nullptr;
  void* user_ = nullptr;
};

std::string ProfileName() {
  std::string profile = OutputProfile();
  if (!profile.empty()) return profile;
  const char* fromEnvironment = std::getenv("ZELVO_AUDIO");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  host::Host* current = host::CurrentHost();
  return current != nullptr && std::strcmp(current->Name(), "sdl") == 0 ? "sdl" : "headless";
}

}  // namespace

std::unique_ptr<AudioOutput> MakeSdlOutput() { return std::make_unique<SdlOutput>(); }
std::unique_ptr<AudioOutput> MakeClockOutput() { return std::make_unique<ClockOutput>(); }

std::unique_ptr<AudioOutput> MakeAudioOutput() {
  const std::string profile = ProfileName();
  if (profile == "sdl") return MakeSdlOutput();
  if (profile == "headless") return MakeClockOutput();
  return nullptr;
}

std::vector<std::string> SdlOutputNames(std::string* driver) {
  std::vector<std::string> names;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return names;
  const char* current = SDL_GetCurrentAudioDriver();
  *driver = current != nullptr ? current : "sdl";
  const int count = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < count; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 0);
    names.push_back(name != nullptr ? name : "");
  }
  if (names.empty()) names.push_back(*driver);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return names;
}

}  // namespace pf::dsound
