// Arbitrary bytes as the parts of a streamed sound (kept as file images or decoded whole), played
// and refilled while the mixer takes chosen amounts: whatever the parts hold, the stream either
// refuses them or plays, refills and ends within its ring, and its handle is released whole.
#include <cstddef>
#include <cstdint>

#include "fuzz/started_library.h"
#include "media/core/library_lock.h"
#include "media/sound_input/sound.h"
#include "media/sound_input/sound_state.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo_fuzz::StartLibraryOnce("sound_stream_refill_fuzz");
  return 0;
}

// The input: a byte of options, then up to three parts, each two bytes of length and its bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size > (1u << 20)) return 0;
  const int options = data[0];
  zelvo::LibraryLockGuard lock;
  const int handle = zelvo::AddSoundData(-1);
  Require(handle != -1);
  std::size_t at = 1;
  int parts = 0;
  for (int part = 0; part < 3 && at + 2 <= size; ++part) {
    std::size_t length = static_cast<std::size_t>(data[at] | data[at + 1] << 8);
    at += 2;
    if (length > size - at) length = size - at;
    const int kind = (options >> (2 + part)) & 1 ? zelvo::kStreamPartDecoded : zelvo::kStreamPartImage;
    const int repeat = (options >> 5) & 1;
    if (zelvo::AddStreamSoundMemory(data + at, static_cast<std::int32_t>(length), repeat, handle, kind, -1) == 0) ++parts;
    at += length;
  }
  if (parts > 0 && zelvo::StartSoundHandle(handle, (options & 1) != 0 ? 3 : 1, 1) == 0) {
    // Each round the mixer plays on and the stream refills what it played.
    for (int round = 0; round < 16; ++round) {
      pf::testing::RenderSound(256 << (options >> 6));
      zelvo::RefillStreamSound(handle);
      const int playing = zelvo::IsSoundPlayingBody(handle);
      Require(playing == 0 || playing == 1);
    }
  }
  Require(zelvo::ReleaseSoundHandle(handle, 0) == 0);
  return 0;
}
