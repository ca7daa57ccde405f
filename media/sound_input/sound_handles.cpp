// Sound handles: the table, loading a file or a file image into play buffers, starting in turn
// over the copies, stopping, the playing test, the volume law and release.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/core/clock.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/sound_input/sound.h"
#include "media/sound_input/sound_decode.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

// Fills every buffer of an ordinary handle with its PCM.
int CopyPcmIntoBuffers(SoundHandleRecord* record) {
  for (int i = 0; i < record->bufferCount; ++i) {
    SoundBuffer* buffer = &record->buffers[i];
    void* part1 = nullptr;
    void* part2 = nullptr;
    std::uint32_t bytes1 = 0, bytes2 = 0;
    if (LockSoundBuffer(buffer, 0, static_cast<std::uint32_t>(record->pcmSize), &part1, &bytes1, &part2, &bytes2) != 0) {
      return WriteLogText("サウンドデータの転送に失敗しました_1\n");
    }
    const auto* pcm = static_cast<const std::uint8_t*>(record->pcmData);
    std::memcpy(part1, pcm, bytes1);
    if (part2 != nullptr) std::memcpy(part2, pcm + bytes1, bytes2);
    if (UnlockSoundBuffer(buffer, part1, bytes1, part2, bytes2) != 0) {
      return WriteLogText("サウンドデータの転送に失敗しました_2\n");
    }
  }
  return 0;
}

// A new handle holding one stream part, prepared for play; -1 (the handle released) on failure.
int MakeStreamedSound(int kind, int linkedHandle, const char* path, const void* data, std::int32_t size) {
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  const int added = path != nullptr ? AddStreamSoundFile(path, 0, handle, kind, linkedHandle)
                                    : AddStreamSoundMemory(data, size, 0, handle, kind, linkedHandle);
  if (added != 0) {
    ReleaseSoundHandle(handle, 0);
    return -1;
  }
  PrepareStreamSound(handle);
  return handle;
}

}  // namespace

std::int32_t SoundVolumeToHundredthsDb(int volume) {
  volume = std::clamp(volume, 0, 255);
  if (volume == 0) return -10000;
  const auto value = static_cast<std::int32_t>(std::log10(volume / 255.0) * 10.0 * 100.0);
  return std::max(value, -10000);
}

SoundHandleRecord* FindSound(int handle) {
  if (g_sound.directSound == nullptr) return nullptr;
  return g_sound.sounds.Find(handle);
}

int AddSoundData(int handle) {
  SoundTable& table = g_sound.sounds;
  int slot;
  if (handle == -1) {
    if (table.count >= kMaxSounds) return WriteLogText("サウンドの数が許容量を越えました\n");
    slot = table.FreeSlot();
  } else {
    // An explicit handle names its own slot, which must be free.
    if (handle < 0 || HandleTypeOf(handle) != kHandleSound) return -1;
    slot = HandleSlotOf(handle);
    if (slot >= kMaxSounds || table.slots[slot] != nullptr) return -1;
  }
  auto* record = static_cast<SoundHandleRecord*>(ZELVO_ALLOC_ZEROED(sizeof(SoundHandleRecord)));
  if (record == nullptr) return WriteLogText("メモリ領域の確保に失敗しました in AddSoundData\n");
  if (handle == -1) {
    record->check = table.checkCounter;
    table.checkCounter = (table.checkCounter + 1) % kCheckNumberLimit;
  } else {
    record->check = (handle & kHandleCheckMask) >> kHandleCheckShift;
  }
  record->linkedHandle = -1;
  record->currentPlayer = -1;
  record->safePosition = -1;
  record->writeCursor = -800;
  table.slots[slot] = record;
  ++table.count;
  if (slot >= table.highWater) table.highWater = slot + 1;
  table.highWater = std::max(table.highWater, table.count);
  return MakeHandle(slot, kHandleSound, record->check);
}

int LoadSoundFromFile(const char* path, int copies, int linkedHandle) {
  if (g_sound.directSound == nullptr) return -1;
  if (g_sound.loadAsStreamOption != 0) {
    return MakeStreamedSound(g_sound.loadAsStreamOption, linkedHandle, path, nullptr, 0);
  }
  void* image = nullptr;
  std::int32_t size = 0;
  if (LoadWholeFile(path, &image, &size) != 0) return WriteLogFormat("右記の音声ファイルのロードに失敗しました_1：%s", path);
  const int handle = CreateSoundFromMemory(image, size, std::min(copies, kMaxSoundBuffers), linkedHandle);
  TrackedFree(image);
  if (handle == -1) return WriteLogFormat("右記の音声ファイルのロードに失敗しました_2：%s", path);
  return handle;
}

int CreateSoundFromMemory(const void* data, std::int32_t size, int copies, int linkedHandle) {
  if (g_sound.directSound == nullptr || copies > kMaxSoundBuffers) return -1;
  if (g_sound.loadAsStreamOption != 0) {
    const int kind = g_sound.loadAsStreamOption == kStreamPartReader ? kStreamPartImage : g_sound.loadAsStreamOption;
    return MakeStreamedSound(kind, linkedHandle, nullptr, data, size);
  }
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  pf::WaveFormatEx format{};
  void* pcm = nullptr;
  std::int32_t pcmSize = 0;
  // The decoder logs why a file gives no PCM.
  if (DecodeSoundImage(data, size, &format, &pcm, &pcmSize) != 0) {
    ReleaseSoundHandle(handle, 0);
    return -1;
  }
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr || CreateSoundBuffers(record, handle, &format, pcmSize, 0, copies) != 0) {
    TrackedFree(pcm);
    ReleaseSoundHandle(handle, 0);
    return -1;
  }
  record->waveFormat = format;
  record->pcmSize = pcmSize;
  record->pcmData = pcm;
  if (CopyPcmIntoBuffers(record) != 0) {
    ReleaseSoundHandle(handle, 0);
    return -1;
  }
  return handle;
}

int StartSoundHandle(int handle, int playType, int fromTop) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  if (record->streamed != 0) return StartStreamSound(handle, playType, fromTop);
  // A handle without buffers has nothing to start.
  if (record->bufferCount <= 0) return -1;
  std::uint32_t previousPosition = 0;
  GetSoundBufferPosition(&record->buffers[record->lastUsedBuffer], &previousPosition, nullptr);
  record->lastUsedBuffer = record->lastUsedBuffer + 1 >= record->bufferCount ? 0 : record->lastUsedBuffer + 1;
  SoundBuffer* buffer = &record->buffers[record->lastUsedBuffer];
  std::uint32_t status = 0;
  if (GetSoundBufferStatus(buffer, &status) != 0) return -1;
  if ((status & 1) != 0) {
    if (fromTop == 0) return 0;
    StopSoundBuffer(buffer);
  }
  SetSoundBufferPosition(buffer, fromTop == 1 ? 0 : previousPosition);
  if (PlaySoundBuffer(buffer, playType == 3 ? 1 : 0) != 0) return -1;
  record->lastPlayTime = static_cast<std::uint32_t>(CurrentMilliseconds(0));
  if (playType == 0) {
    while (ProcessMessage() == 0 && IsSoundPlayingBody(handle) == 1) pf::Sleep(1);
  }
  return 0;
}

int StopSoundHandle(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  if (record->streamed != 0) return StopStreamSound(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    std::uint32_t status = 0;
    if (GetSoundBufferStatus(&record->buffers[i], &status) != 0) return -1;
    if ((status & 1) != 0) StopSoundBuffer(&record->buffers[i]);
  }
  return 0;
}

int IsSoundPlayingBody(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  if (record->streamed != 0) return IsStreamSoundPlaying(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    std::uint32_t status = 0;
    if (GetSoundBufferStatus(&record->buffers[i], &status) == 0 && (status & 1) != 0) return 1;
  }
  return 0;
}

int SetSoundVolumeBody(int volume, int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  const std::int32_t hundredthsDb = SoundVolumeToHundredthsDb(volume);
  if (record->streamed != 0) {
    if (SoundBuffer* buffer = StreamPlayBuffer(record)) SetSoundBufferVolume(buffer, hundredthsDb);
    return 0;
  }
  for (int i = 0; i < record->bufferCount; ++i) SetSoundBufferVolume(&record->buffers[i], hundredthsDb);
  return 0;
}

int ReleaseSoundHandle(int handle, int) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  if (record->streamed != 0) {
    if (ReleaseStreamHandle(handle, record) != 0) return 0;
  } else {
    if (record->buffers[0].valid != 0) StopSoundHandle(handle);
    for (int i = 0; i < kMaxSoundBuffers; ++i) {
      if (record->buffers[i].valid != 0) ReleaseSoundBuffer(&record->buffers[i]);
    }
    if (record->pcmData != nullptr) TrackedFree(record->pcmData);
    record->pcmData = nullptr;
  }
  g_sound.sounds.Free(handle);
  return 0;
}

int ReleaseAllSounds() {
  for (int slot = 0; slot < kMaxSounds; ++slot) {
    if (g_sound.sounds.slots[slot] != nullptr) ReleaseSoundHandle(g_sound.sounds.HandleOfSlot(slot), 0);
  }
  return 0;
}

}  // namespace zelvo
