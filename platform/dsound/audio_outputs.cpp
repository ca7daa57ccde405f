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

std::uint64_t RealNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

std::uint64_t ClockNs() { return virtual_clock::On() ? virtual_clock::Now() : RealNs(); }

std::uint64_t PresentedFrames() {
  host::Host* current = host::CurrentHost();
  return current != nullptr ? current->PresentedFrameCount() : 0;
}

// A headless output: mixes as its clock moves and drops the frames (after the capture took them).
// On the real clock it follows the time. On the virtual clock, which every waiting thread moves on
// and which so runs far ahead of the frames, it follows the presented frames (one display refresh
// each) like the program it plays for; while no frame comes for a moment (a wait for a sound's
// end, say) it follows the real time, and before any frame the virtual clock. A clock that leaps
// is followed for at most a minute of audio per catch-up.
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
    if (virtual_clock::On()) {
      FollowFrames();
    } else {
      elapsedNs_ = ClockNs() - startNs_;
    }
    std::uint64_t due = elapsedNs_ * static_cast<std::uint64_t>(rate_) / 1000000000u;
    const std::uint64_t limit = static_cast<std::uint64_t>(rate_) * 60;
    if (due > rendered_ + limit) rendered_ = due - limit;
    if (due > rendered_) Render(due - rendered_);
  }

  void Advance(int frames) override {
    manualSinceAnchor_ = true;
    Render(static_cast<std::uint64_t>(frames));
  }

 private:
  static constexpr std::uint64_t kRefreshHz = 60;
  static constexpr std::uint64_t kFramesStoppedNs = 100000000;   // 100 ms without a new frame

  // The clock starts counting from what has been rendered so far.
  void Anchor() {
    startNs_ = ClockNs();
    elapsedNs_ = 0;
    rendered_ = 0;
    manualSinceAnchor_ = false;
    lastFrames_ = PresentedFrames();
    lastVirtualNs_ = virtual_clock::Now();
    lastRealNs_ = RealNs();
    lastFrameRealNs_ = lastRealNs_;
  }

  void FollowFrames() {
    const std::uint64_t frames = PresentedFrames();
    const std::uint64_t virtualNs = virtual_clock::Now();
    const std::uint64_t realNs = RealNs();
    if (frames > lastFrames_) {
      elapsedNs_ += (frames - lastFrames_) * 1000000000u / kRefreshHz;
      lastFrameRealNs_ = realNs;
    } else if (frames == 0) {
      elapsedNs_ += virtualNs - lastVirtualNs_;
    } else if (realNs - lastFrameRealNs_ > kFramesStoppedNs) {
      elapsedNs_ += realNs - lastRealNs_;
    }
    lastFrames_ = frames;
    lastVirtualNs_ = virtualNs;
    lastRealNs_ = realNs;
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
  std::uint64_t elapsedNs_ = 0;   // the time the output has followed since it was anchored
  std::uint64_t rendered_ = 0;
  bool manualSinceAnchor_ = false;
  std::uint64_t lastFrames_ = 0;
  std::uint64_t lastVirtualNs_ = 0;
  std::uint64_t lastRealNs_ = 0;
  std::uint64_t lastFrameRealNs_ = 0;
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
