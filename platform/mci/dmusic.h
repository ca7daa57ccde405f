#pragma once
// DirectMusic as the library calls it: the loader (a segment from a standard MIDI file in memory or
// on disk, kept in its cache until released), segments (repeats, download and unload), the
// DirectMusic object (its ports), and the performance (InitAudio making its own DirectSound device,
// segments played, stopped and polled, the master volume, close-down). The performance plays through
// the MIDI synthesizer into that DirectSound device's mix. Without the synthesizer library or a
// General MIDI sound font no DirectMusic class is registered, as on a machine without DirectMusic.
//
// Fault switches (pf::testing::FailNextCalls): "DirectMusicLoaderCreate", "DirectMusicPerformanceCreate",
// "DirectMusicCreate", "DirectMusicQueryInterface", "DirectMusicInitAudio", "DirectMusicGetObject".
#include <cstdint>

#include "platform/dsound/dsound.h"

namespace pf {

constexpr HResult DMUS_S_FALSE = 1;
constexpr HResult DMUS_E_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult DMUS_E_NOT_INIT = static_cast<HResult>(0x88781160u);
constexpr HResult DMUS_E_ALREADY_INITED = static_cast<HResult>(0x88781161u);
constexpr HResult DMUS_E_LOADER_FAILEDCREATE = static_cast<HResult>(0x88781185u);
constexpr HResult DMUS_E_UNSUPPORTED_STREAM = static_cast<HResult>(0x88781191u);
constexpr HResult DMUS_E_TYPE_UNSUPPORTED = static_cast<HResult>(0x88781192u);

extern const Guid CLSID_DirectMusicLoader;
extern const Guid IID_IDirectMusicLoader8;
extern const Guid CLSID_DirectMusicPerformance;
extern const Guid IID_IDirectMusicPerformance8;
extern const Guid CLSID_DirectMusic;
extern const Guid IID_IDirectMusic;
extern const Guid IID_IDirectMusic8;
extern const Guid CLSID_DirectMusicSegment;
extern const Guid IID_IDirectMusicSegment8;
extern const Guid GUID_PerfMasterVolume;

constexpr std::uint32_t CLSCTX_INPROC = 0x3;
constexpr std::uint32_t DMUS_APATH_SHARED_STEREOPLUSREVERB = 1;
constexpr std::uint32_t DMUS_AUDIOF_ALL = 0x3F;
constexpr std::uint32_t DMUS_AUDIOPARAMS_FEATURES = 0x1;
constexpr std::uint32_t DMUS_AUDIOPARAMS_SAMPLERATE = 0x4;
constexpr std::uint32_t DMUS_PC_INPUTCLASS = 0;
constexpr std::uint32_t DMUS_PC_OUTPUTCLASS = 1;
constexpr std::uint32_t DMUS_SEG_REPEAT_INFINITE = 0xFFFFFFFFu;
enum : std::uint32_t { DMUS_OBJ_CLASS = 0x8, DMUS_OBJ_FILENAME = 0x10, DMUS_OBJ_FULLPATH = 0x40,
                       DMUS_OBJ_MEMORY = 0x4000 };

struct DMusPortCaps {
  std::uint32_t size;            // sizeof(DMusPortCaps)
  std::uint32_t flags;
  Guid port;
  std::uint32_t portClass;       // DMUS_PC_*
  std::uint32_t type;
  std::uint32_t memorySize;
  std::uint32_t maxChannelGroups;
  std::uint32_t maxVoices;
  std::uint32_t maxAudioChannels;
  std::uint32_t effectFlags;
  char16_t description[128];     // UTF-16
};

struct DMusAudioParams {
  std::uint32_t size;            // sizeof(DMusAudioParams)
  std::int32_t initNow;
  std::uint32_t validData;       // DMUS_AUDIOPARAMS_*
  std::uint32_t features;
  std::uint32_t voices;
  std::uint32_t sampleRate;
  Guid defaultSynth;
};

struct DMusObjectDesc {
  std::uint32_t size;            // sizeof(DMusObjectDesc)
  std::uint32_t validData;       // DMUS_OBJ_*
  Guid objectClass;
  const char* fileName;          // DMUS_OBJ_FILENAME: a Windows path (CP932)
  const void* memory;            // DMUS_OBJ_MEMORY: kept by the caller while the object lives
  std::int64_t memoryLength;
};

class DirectMusic8 : public Unknown {
 public:
  // DMUS_S_FALSE past the last port.
  virtual HResult EnumPort(std::uint32_t index, DMusPortCaps* caps) = 0;
};

class DirectMusicSegment8 : public Unknown {
 public:
  virtual HResult SetRepeats(std::uint32_t repeats) = 0;
  virtual HResult Download(Unknown* performance) = 0;
  // DMUS_S_FALSE when it was not downloaded to that performance.
  virtual HResult Unload(Unknown* performance) = 0;
};

class DirectMusicLoader8 : public Unknown {
 public:
  virtual HResult GetObject(const DMusObjectDesc* desc, const Guid& iid, void** out) = 0;
  // The loader forgets the object (its cache holds a reference until then).
  virtual HResult ReleaseObjectByUnknown(Unknown* object) = 0;
};

class DirectMusicPerformance8 : public Unknown {
 public:
  // Makes the DirectSound device (handed out through `sound` when it points to a null pointer) and
  // the synthesizer. `music` may be null.
  virtual HResult InitAudio(DirectMusic8** music, DirectSound** sound, WindowHandle window, std::uint32_t pathType,
                            std::uint32_t channelCount, std::uint32_t flags, DMusAudioParams* params) = 0;
  // Plays the segment as the primary segment, in place of the one playing.
  virtual HResult PlaySegmentEx(Unknown* segment, std::uint32_t flags, std::int64_t startTime) = 0;
  // Stops the segment (null: every segment).
  virtual HResult StopEx(Unknown* object, std::int64_t stopTime, std::uint32_t flags) = 0;
  virtual HResult Stop(DirectMusicSegment8* segment, Unknown* segmentState, std::int32_t stopTime,
                       std::uint32_t flags) = 0;
  // DMUS_S_FALSE when the segment does not play (has played out, was stopped, or never started).
  virtual HResult IsPlaying(DirectMusicSegment8* segment, Unknown* segmentState) = 0;
  virtual HResult GetGlobalParam(const Guid& type, void* data, std::uint32_t size) = 0;
  virtual HResult CloseDown() = 0;
};

}  // namespace pf
