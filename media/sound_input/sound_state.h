#pragma once
// The sound subsystem's state: the device, the play buffers, the sound handle table with its
// streamed sounds, the music table and the capture writer.
#include <cstdint>

#include "media/core/file_ops.h"
#include "media/core/handle_table.h"
#include "media/core/runtime_routines.h"
#include "media/sound_input/sound_source.h"
#include "platform/dsound/dsound.h"
#include "platform/kernel/kernel.h"
#include "platform/mci/dmusic.h"

namespace zelvo {

// One play buffer: a DirectSound buffer, or (software-mix option) memory the library mixes itself.
struct SoundBuffer {
  std::int32_t valid;
  pf::DirectSoundBuffer* directSoundBuffer;
  std::uint8_t* data;          // software mode from here on
  std::int32_t playing;
  std::int32_t position;       // sample frames
  std::int32_t loop;
  std::int32_t pan;            // -256 .. 256
  std::int32_t volume;         // 0 .. 256
  std::int32_t frequency;      // -1: the format's own rate
  std::int32_t length;         // sample frames
  pf::WaveFormatEx format;
};

constexpr int kMaxSoundBuffers = 10;
constexpr int kMaxStreamParts = 3;

enum StreamPartKind : std::int32_t {
  kStreamPartDecoded = 0,   // a file decoded whole, kept as a WAVE image
  kStreamPartImage = 2,     // a file image in memory
  kStreamPartReader = 3,    // the caller's reader, read as the stream plays
};

struct StreamPart {
  std::int32_t repeatCount;       // low byte, signed: -1 endless
  std::int32_t kind;
  void* data;                     // owned image (kinds 0 and 2)
  std::int32_t size;
  StreamReaderBlock reader;
  SoundSource source;
  std::int32_t loopStartSample;
};

struct SoundHandleRecord {
  std::int32_t check;
  int* lostFlag;                  // the handle table's shared field; sounds set none
  SoundBuffer buffers[kMaxSoundBuffers];
  pf::WaveFormatEx waveFormat;
  std::int32_t streamed;
  std::int32_t streamPlayType;
  std::uint32_t lastPlayTime;
  // Streamed sounds
  std::int32_t linkedHandle;
  std::int32_t userCount;
  std::int32_t currentPlayer;
  std::int32_t deletePending;
  std::int32_t ringSize;
  std::int32_t writeCursor;       // -800: never filled
  std::int32_t safePosition;
  StreamPart parts[kMaxStreamParts];
  std::uint8_t partFlags[kMaxStreamParts];   // 1: the part's reader is closed at release
  std::int32_t partCount;
  std::int32_t currentPart;
  std::int32_t repeatCounter;
  std::int32_t partOffset;
  std::int32_t totalLength;
  std::uint32_t playedBytes;
  std::uint32_t lastPlayCursor;
  std::uint8_t active;
  std::uint8_t endNoted;
  std::uint8_t wrapPending;
  std::uint8_t allPartsDone;
  std::int32_t endPosition;
  std::uint32_t endPlayedBytes;   // played bytes at which the data up to the end position is heard
  std::int32_t wrapPosition;
  ListNode listNode;              // value: the handle
  std::int32_t inStreamList;
  // Ordinary sounds
  std::int32_t pcmSize;
  void* pcmData;
  std::int32_t bufferCount;
  std::int32_t lastUsedBuffer;
};

constexpr int kMaxSounds = 4096;
using SoundTable = HandleTable<SoundHandleRecord, kHandleSound, kMaxSounds, kHighWaterSlot>;

struct MusicHandleRecord {
  std::int32_t check;
  int* lostFlag;
  std::int32_t playing;
  std::int32_t started;           // 1 once the segment has been seen playing
  void* data;                     // the MIDI file, owned
  std::int32_t size;
  pf::DirectMusicSegment8* segment;   // DirectMusic mode
};

constexpr int kMaxMusic = 256;
using MusicTable = HandleTable<MusicHandleRecord, kHandleMusic, kMaxMusic, kHighWaterSlot>;

struct SoundState {
  // The device
  pf::DirectSound* directSound;        // null while sound is off
  pf::DirectSoundBuffer* primaryBuffer;
  std::int32_t directMusicOption;
  pf::DirectMusicLoader8* musicLoader;         // DirectMusic mode
  pf::DirectMusicPerformance8* performance;
  std::int32_t masterVolume;
  SoundBuffer silentBuffer;
  std::int32_t softwareMixOption;
  std::int32_t loadAsStreamOption;
  std::int32_t oggBytesPerSample;
  ListNode streamHead;
  ListNode streamTail;
  SoundTable sounds;
  // Music and the MCI sequencer
  MusicTable music;
  std::int32_t mciDevice;              // 0: no sequencer open
  std::int32_t mciMusic;               // the music handle the sequencer plays
  std::int32_t mciPlaying;
  std::int32_t mciReplay;
  std::int32_t tempMusicFileExists;
  char tempMusicFile[260];
  std::int32_t currentSoundFile;       // 0: none
  std::int32_t currentSoundFileKind;   // 1 sound handle, otherwise music handle
  // The capture writer
  std::int32_t capturing;
  pf::Handle captureFile;
  std::uint32_t capturedFrames;
};
extern SoundState g_sound;

void ResetSoundState();

}  // namespace zelvo
