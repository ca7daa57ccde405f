#pragma once
// DirectSound as the library calls it: the DirectSound object (initialise on the default device,
// cooperative level, caps, secondary and primary buffers, duplicates that share their samples) and
// its buffers (play, stop, status, play and write cursors, lock and unlock with wrap, volume in
// hundredths of a decibel, pan, frequency, lost buffers and Restore), plus the device enumeration.
// Objects are made through CoCreateInstance with the public class and interface identifiers;
// results are the platform's result codes.
//
// Every playing buffer is mixed by one software mixer into 16-bit stereo at the primary buffer's
// rate, and heard through an audio output chosen by ZELVO_AUDIO: "sdl" (the default with the SDL
// host) an SDL2 audio device, "headless" (the default otherwise) output that follows the platform
// clock (the virtual clock when it is on) and goes nowhere, "none" no sound device (Initialize
// fails). ZELVO_AUDIO_CAPTURE names a WAVE file that receives every mixed frame.
//
// Fault switches (pf::testing::FailNextCalls): "DirectSoundCreate", "DirectSoundInitialize",
// "DirectSoundSetCooperativeLevel", "DirectSoundCreateBuffer", "DirectSoundDuplicate",
// "DirectSoundSetFormat", "DirectSoundLock", "DirectSoundUnlock", "DirectSoundEnumerate".
#include <cstdint>

#include "platform/acm/acm.h"
#include "platform/ddraw/ddraw.h"

namespace pf {

constexpr HResult MakeDSResult(std::uint32_t code) { return static_cast<HResult>(0x88780000u | code); }
constexpr HResult DS_OK = 0;
constexpr HResult DSERR_GENERIC = static_cast<HResult>(0x80004005u);
constexpr HResult DSERR_INVALIDPARAM = static_cast<HResult>(0x80070057u);
constexpr HResult DSERR_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult DSERR_UNSUPPORTED = static_cast<HResult>(0x80004001u);
constexpr HResult DSERR_ALLOCATED = MakeDSResult(10);
constexpr HResult DSERR_CONTROLUNAVAIL = MakeDSResult(30);
constexpr HResult DSERR_INVALIDCALL = MakeDSResult(50);
constexpr HResult DSERR_PRIOLEVELNEEDED = MakeDSResult(70);
constexpr HResult DSERR_BADFORMAT = MakeDSResult(100);
constexpr HResult DSERR_NODRIVER = MakeDSResult(120);
constexpr HResult DSERR_ALREADYINITIALIZED = MakeDSResult(130);
constexpr HResult DSERR_BUFFERLOST = MakeDSResult(150);
constexpr HResult DSERR_UNINITIALIZED = MakeDSResult(170);

extern const Guid CLSID_DirectSound;
extern const Guid IID_IDirectSound;
extern const Guid IID_IDirectSoundBuffer;

enum : std::uint32_t { DSSCL_NORMAL = 1, DSSCL_PRIORITY = 2, DSSCL_EXCLUSIVE = 3, DSSCL_WRITEPRIMARY = 4 };

enum : std::uint32_t {
  DSCAPS_PRIMARYMONO = 0x1, DSCAPS_PRIMARYSTEREO = 0x2, DSCAPS_PRIMARY8BIT = 0x4, DSCAPS_PRIMARY16BIT = 0x8,
  DSCAPS_CONTINUOUSRATE = 0x10, DSCAPS_EMULDRIVER = 0x20, DSCAPS_SECONDARYMONO = 0x100,
  DSCAPS_SECONDARYSTEREO = 0x200, DSCAPS_SECONDARY8BIT = 0x400, DSCAPS_SECONDARY16BIT = 0x800,
};

enum : std::uint32_t {
  DSBCAPS_PRIMARYBUFFER = 0x1, DSBCAPS_STATIC = 0x2, DSBCAPS_LOCHARDWARE = 0x4, DSBCAPS_LOCSOFTWARE = 0x8,
  DSBCAPS_CTRLFREQUENCY = 0x20, DSBCAPS_CTRLPAN = 0x40, DSBCAPS_CTRLVOLUME = 0x80,
  DSBCAPS_STICKYFOCUS = 0x4000, DSBCAPS_GLOBALFOCUS = 0x8000, DSBCAPS_GETCURRENTPOSITION2 = 0x10000,
};

enum : std::uint32_t { DSBPLAY_LOOPING = 0x1 };
enum : std::uint32_t { DSBSTATUS_PLAYING = 0x1, DSBSTATUS_BUFFERLOST = 0x2, DSBSTATUS_LOOPING = 0x4 };
enum : std::uint32_t { DSBLOCK_FROMWRITECURSOR = 0x1, DSBLOCK_ENTIREBUFFER = 0x2 };

constexpr std::int32_t DSBVOLUME_MIN = -10000;
constexpr std::int32_t DSBVOLUME_MAX = 0;
constexpr std::int32_t DSBPAN_LEFT = -10000;
constexpr std::int32_t DSBPAN_RIGHT = 10000;
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;
constexpr std::uint32_t DSBFREQUENCY_MAX = 200000;
constexpr std::uint32_t DSBSIZE_MIN = 4;
constexpr std::uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

struct DSCaps {
  std::uint32_t size;                    // sizeof(DSCaps)
  std::uint32_t flags;                   // DSCAPS_*
  std::uint32_t minSecondarySampleRate;
  std::uint32_t maxSecondarySampleRate;
  std::uint32_t primaryBuffers;
  std::uint32_t totalHwMemBytes;
  std::uint32_t freeHwMemBytes;
};

struct DSBufferDesc {
  std::uint32_t size;                    // sizeof(DSBufferDesc)
  std::uint32_t flags;                   // DSBCAPS_*
  std::uint32_t bufferBytes;             // 0 for the primary buffer
  std::uint32_t reserved;
  const WaveFormatEx* format;            // nullptr for the primary buffer
};

class DirectSoundBuffer : public Unknown {
 public:
  virtual HResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) = 0;
  virtual HResult GetFormat(WaveFormatEx* format, std::uint32_t size, std::uint32_t* written) = 0;
  virtual HResult GetVolume(std::int32_t* volume) = 0;
  virtual HResult GetStatus(std::uint32_t* status) = 0;
  virtual HResult Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1, void** part2,
                       std::uint32_t* bytes2, std::uint32_t flags) = 0;
  virtual HResult Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) = 0;
  virtual HResult SetCurrentPosition(std::uint32_t position) = 0;
  virtual HResult SetFormat(const WaveFormatEx* format) = 0;   // primary buffer only
  virtual HResult SetVolume(std::int32_t volume) = 0;
  virtual HResult SetPan(std::int32_t pan) = 0;
  virtual HResult SetFrequency(std::uint32_t frequency) = 0;
  virtual HResult Stop() = 0;
  virtual HResult Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2) = 0;
  virtual HResult Restore() = 0;
};

class DirectSound : public Unknown {
 public:
  virtual HResult CreateSoundBuffer(const DSBufferDesc* desc, DirectSoundBuffer** out, Unknown* outer) = 0;
  virtual HResult GetCaps(DSCaps* caps) = 0;
  virtual HResult DuplicateSoundBuffer(DirectSoundBuffer* original, DirectSoundBuffer** out) = 0;
  virtual HResult SetCooperativeLevel(WindowHandle window, std::uint32_t level) = 0;
  virtual HResult Initialize(const Guid* device) = 0;
};

// A producer of sound other than a buffer (a synthesizer, a movie's sound renderer), mixed with a
// device's buffers. AddFrames runs under the device's lock on whichever thread mixes: the audio
// output's own, or the caller of a reading that brings a clock-driven output up to its clock.
class MixSource {
 public:
  virtual ~MixSource() = default;
  // Adds `frames` stereo frames at `rate` frames per second into sums (left and right per frame,
  // on the 16-bit scale; the device saturates the total).
  virtual void AddFrames(std::int32_t* sums, int frames, int rate) = 0;
};
// The device last initialised and still alive, with a reference for the caller; nullptr when none.
DirectSound* CurrentSoundDevice();
// The source is mixed from now on; the device keeps a reference until it is detached.
HResult AttachMixSource(DirectSound* device, MixSource* source);
// Once this returns the source is not called again.
void DetachMixSource(DirectSound* device, MixSource* source);
// Mixes what a clock-driven output's clock says is due, as every buffer reading does first.
void CatchUpSoundDevice(DirectSound* device);

// Lists the sound devices: the default device first (no identifier), then each output the audio
// host knows. Module and description are CP932. The callback returns 1 to go on.
using DSEnumCallback = int (*)(const Guid* device, const char* description, const char* module, void* user);
HResult DirectSoundEnumerateA(DSEnumCallback callback, void* user);

}  // namespace pf
