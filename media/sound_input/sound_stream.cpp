// Streamed sounds: up to three parts decoded in turn into a 6-second ring that the message pump
// refills while it plays; linked handles play through another handle's ring.
#include <algorithm>
#include <cstring>

#include "media/core/clock.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/sound_input/sound.h"

namespace zelvo {
namespace {

// The record whose ring this handle plays through.
SoundHandleRecord* RingOwner(SoundHandleRecord* record) {
  if (record->linkedHandle == -1) return record;
  return g_sound.sounds.Find(record->linkedHandle);
}

std::int32_t BytesPerSecond(const SoundHandleRecord* record) {
  return static_cast<std::int32_t>(record->waveFormat.samplesPerSec) * record->waveFormat.blockAlign;
}

std::int32_t RoundToBlock(const SoundHandleRecord* record, std::int64_t bytes) {
  const std::int32_t align = std::max<std::int32_t>(record->waveFormat.blockAlign, 1);
  return static_cast<std::int32_t>(bytes - bytes % align);
}

std::int32_t ForwardDistance(std::int32_t from, std::int32_t to, std::int32_t ring) {
  const std::int32_t distance = (to - from) % ring;
  return distance < 0 ? distance + ring : distance;
}

// The handle takes its ring when nobody else plays through it; a start stops the other player,
// whose stream then prepares afresh when it starts again (the ring no longer holds its data).
SoundHandleRecord* TakeRing(int handle, SoundHandleRecord* record, bool stopOther) {
  SoundHandleRecord* owner = RingOwner(record);
  if (owner == nullptr || owner->buffers[0].valid == 0) return nullptr;
  const int other = owner->currentPlayer;
  if (other != -1 && other != handle) {
    if (!stopOther) return nullptr;
    if (SoundHandleRecord* otherRecord = FindSound(other)) {
      StopStreamSound(other);
      otherRecord->active = 0;
    }
  }
  owner->currentPlayer = handle;
  return owner;
}

bool RingPlaying(SoundHandleRecord* owner) {
  std::uint32_t status = 0;
  return GetSoundBufferStatus(&owner->buffers[0], &status) == 0 && (status & 1) != 0;
}

std::int32_t PlayCursor(SoundHandleRecord* owner) {
  std::uint32_t play = 0;
  GetSoundBufferPosition(&owner->buffers[0], &play, nullptr);
  return static_cast<std::int32_t>(play);
}

// Played bytes follow the play cursor; a pending loop wrap restarts the count once passed.
void TrackPlayedBytes(SoundHandleRecord* record, SoundHandleRecord* owner) {
  const std::int32_t ring = record->ringSize;
  if (ring <= 0) return;
  const std::int32_t now = PlayCursor(owner);
  const auto last = static_cast<std::int32_t>(record->lastPlayCursor);
  const std::int32_t moved = ForwardDistance(last, now, ring);
  if (record->wrapPending != 0 && moved > 0 && ForwardDistance(last, record->wrapPosition, ring) <= moved) {
    record->playedBytes = static_cast<std::uint32_t>(ForwardDistance(record->wrapPosition, now, ring));
    record->wrapPending = 0;
  } else {
    record->playedBytes += static_cast<std::uint32_t>(moved);
  }
  record->lastPlayCursor = static_cast<std::uint32_t>(now);
}

// The current part ran out: the next pass, the next part, a loop back to part 0, or the end.
// Returns false when decoding stops (the end of a stream that does not loop).
bool EndOfPass(SoundHandleRecord* record, std::int32_t ringOffset) {
  ++record->repeatCounter;
  const auto repeatCount = static_cast<std::int8_t>(record->parts[record->currentPart].repeatCount & 0xFF);
  bool newPart = false;
  if (repeatCount != -1 && repeatCount < record->repeatCounter) {
    record->repeatCounter = 0;
    ++record->currentPart;
    newPart = true;
  }
  if (record->currentPart >= record->partCount) {
    record->allPartsDone = 1;
    if (record->streamPlayType != 3) {
      record->endNoted = 1;
      record->endPosition = ringOffset % record->ringSize;
      return false;
    }
    record->currentPart = 0;
    record->wrapPending = 1;
    record->wrapPosition = ringOffset % record->ringSize;
  }
  StreamPart* part = &record->parts[record->currentPart];
  const std::int32_t sample = newPart ? 0 : part->loopStartSample;
  record->partOffset = sample * record->waveFormat.blockAlign;
  SeekSoundSource(&part->source, sample);
  return true;
}

// Decodes into one locked region; after the end (or parts that give nothing at all) the rest of
// the region is silence.
void FillRegion(SoundHandleRecord* record, std::uint8_t* at, std::int32_t bytes, std::int32_t ringOffset,
                int* emptyPasses) {
  while (bytes > 0 && record->endNoted == 0 && *emptyPasses <= kMaxStreamParts + 1) {
    StreamPart* part = &record->parts[record->currentPart];
    const int got = ReadSoundSource(&part->source, at, bytes);
    if (got > 0) {
      at += got;
      bytes -= got;
      ringOffset += got;
      record->partOffset += got;
      *emptyPasses = 0;
      continue;
    }
    ++*emptyPasses;
    if (!EndOfPass(record, ringOffset)) break;
  }
  if (bytes > 0) std::memset(at, record->waveFormat.bitsPerSample == 8 ? 128 : 0, static_cast<std::size_t>(bytes));
}

void CloseParts(SoundHandleRecord* record) {
  for (int i = 0; i < record->partCount; ++i) {
    StreamPart* part = &record->parts[i];
    CloseSoundSource(&part->source);
    if (part->data != nullptr) {
      CloseMemoryStream(static_cast<MemoryStream*>(part->reader.data));
      TrackedFree(part->data);
    } else if (record->partFlags[i] != 0 && part->reader.ops.close != nullptr) {
      part->reader.ops.close(part->reader.data);
    }
    std::memset(part, 0, sizeof *part);
  }
  record->partCount = 0;
}

// Opens the part's source as its kind asks; the message of a failure is logged here.
int OpenPart(StreamPart* part, const StreamReaderBlock* reader) {
  if (part->kind == kStreamPartReader) {
    part->reader = *reader;
    if (OpenSoundSource(&part->reader, &part->source) != 0) return WriteLogText("音声データのオープンに失敗しました\n");
    return 0;
  }
  if (part->kind != kStreamPartDecoded && part->kind != kStreamPartImage) {
    return WriteLogText("音声データのオープンに失敗しました\n");
  }
  void* image = nullptr;
  std::int32_t size = 0;
  if (LoadWholeReader(reader, &image, &size) != 0) return WriteLogText("音声データの読み込みに失敗しました\n");
  if (part->kind == kStreamPartDecoded) {
    // Decoded once; the part then reads the PCM as a WAVE image.
    MemoryStream* stream = CreateMemoryStream(image, size);
    StreamReaderBlock imageReader = {*MemoryStreamOpsTable(), stream};
    SoundSource source;
    pf::WaveFormatEx format{};
    void* pcm = nullptr;
    std::int32_t pcmSize = 0;
    const bool decoded = stream != nullptr && OpenSoundSource(&imageReader, &source) == 0 &&
                         (DecodeSoundSourceAll(&source, &format, &pcm, &pcmSize) == 0 || (CloseSoundSource(&source), false));
    if (decoded) CloseSoundSource(&source);
    if (stream != nullptr) CloseMemoryStream(stream);
    TrackedFree(image);
    image = nullptr;
    if (!decoded) return WriteLogText("音声データの変換に失敗しました\n");
    pcmSize -= pcmSize % std::max<std::int32_t>(format.blockAlign, 1);
    const int built = BuildRiffWaveImage(&image, &size, &format, sizeof format, pcm, pcmSize);
    TrackedFree(pcm);
    if (built != 0) return WriteLogText("音声データの変換に失敗しました\n");
  }
  part->data = image;
  part->size = size;
  MemoryStream* stream = CreateMemoryStream(image, size);
  part->reader = {*MemoryStreamOpsTable(), stream};
  if (stream == nullptr || OpenSoundSource(&part->reader, &part->source) != 0) {
    if (stream != nullptr) CloseMemoryStream(stream);
    TrackedFree(image);
    part->data = nullptr;
    return WriteLogText("音声データのオープンに失敗しました\n");
  }
  return 0;
}

// Closes what OpenPart made, when the part is refused after all.
void DropPart(StreamPart* part) {
  CloseSoundSource(&part->source);
  if (part->data != nullptr) {
    CloseMemoryStream(static_cast<MemoryStream*>(part->reader.data));
    TrackedFree(part->data);
  }
  std::memset(part, 0, sizeof *part);
}

}  // namespace

SoundBuffer* StreamPlayBuffer(SoundHandleRecord* record) {
  SoundHandleRecord* owner = RingOwner(record);
  return owner != nullptr ? &owner->buffers[0] : nullptr;
}

int AddStreamSound(const StreamReaderBlock* reader, int repeatCount, int handle, int kind, int* releaseFlag,
                   int linkedHandle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  if (record->partCount > 0) {
    if (record->streamed == 0) {
      return WriteLogText("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
    }
    SoundHandleRecord* owner = RingOwner(record);
    if (owner != nullptr && owner->currentPlayer == handle && RingPlaying(owner)) {
      return WriteLogText("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
    }
    if (record->partCount >= kMaxStreamParts) return WriteLogText("ストリーム風サウンドの制御データ領域がいっぱいです\n");
  }
  StreamPart* part = &record->parts[record->partCount];
  std::memset(part, 0, sizeof *part);
  part->kind = kind;
  reader->ops.seek(reader->data, 0, 0);
  if (OpenPart(part, reader) != 0) {
    std::memset(part, 0, sizeof *part);
    return -1;
  }
  pf::WaveFormatEx format{};
  GetSoundSourceFormat(&part->source, &format);
  if (record->partCount > 0) {
    if (std::memcmp(&format, &record->waveFormat, sizeof format) != 0) {
      DropPart(part);
      return WriteLogText("フォーマットの違う音声データは同時に使うことは出来ません\n");
    }
  } else {
    record->waveFormat = format;
    SoundHandleRecord* other = linkedHandle != -1 ? FindSound(linkedHandle) : nullptr;
    if (other != nullptr && linkedHandle != handle && other->streamed != 0 && other->linkedHandle == -1 &&
        std::memcmp(&other->waveFormat, &format, sizeof format) == 0) {
      record->streamed = 1;
      record->bufferCount = 1;
      if (record->inStreamList == 0) {
        ListInsertAfter(g_sound.streamTail.previous, &record->listNode, handle, 0);
        record->inStreamList = 1;
      }
      record->linkedHandle = linkedHandle;
      ++other->userCount;
    } else {
      if (CreateSoundBuffers(record, handle, &format, 0, 1, 1) != 0) {
        DropPart(part);
        return -1;
      }
      record->linkedHandle = -1;
    }
    record->ringSize = BytesPerSecond(record) * 6;
    record->userCount = 0;
    record->currentPlayer = -1;
    record->deletePending = 0;
  }
  part->repeatCount = repeatCount;
  ++record->partCount;
  std::int32_t total = 0;
  for (int i = 0; i < record->partCount; ++i) {
    total += GetSoundSourceLength(&record->parts[i].source) / std::max<std::int32_t>(format.blockAlign, 1);
  }
  record->totalLength = total;
  if (releaseFlag != nullptr) *releaseFlag = kind == kStreamPartReader ? 0 : 1;
  return 0;
}

int AddStreamSoundFile(const char* path, int repeatCount, int handle, int kind, int linkedHandle) {
  const FileHandle file = FileOpen(path, 0, 0, 0);
  if (file == 0) return WriteLogFormat("右記のＷＡＶファイルのロードに失敗しました：%s ", path);
  const StreamReaderBlock reader = {*FileStreamOpsTable(), reinterpret_cast<void*>(file)};
  int releaseFlag = 1;
  if (AddStreamSound(&reader, repeatCount, handle, kind, &releaseFlag, linkedHandle) != 0) {
    FileClose(file);
    return WriteLogFormat("右記のＷＡＶファイルのセットアップに失敗しました：%s ", path);
  }
  if (releaseFlag != 0) FileClose(file);
  SoundHandleRecord* record = FindSound(handle);
  record->partFlags[record->partCount - 1] = 1;
  return 0;
}

int AddStreamSoundMemory(const void* data, std::int32_t size, int repeatCount, int handle, int kind,
                         int linkedHandle) {
  if (kind == kStreamPartReader) kind = kStreamPartImage;
  MemoryStream* stream = CreateMemoryStream(data, size);
  if (stream == nullptr) return WriteLogText("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
  const StreamReaderBlock reader = {*MemoryStreamOpsTable(), stream};
  int releaseFlag = 1;
  if (AddStreamSound(&reader, repeatCount, handle, kind, &releaseFlag, linkedHandle) != 0) {
    CloseMemoryStream(stream);
    return WriteLogText("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
  }
  CloseMemoryStream(stream);
  SoundHandleRecord* record = FindSound(handle);
  record->partFlags[record->partCount - 1] = 1;
  return 0;
}

int PrepareStreamSound(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr || record->streamed == 0 || record->partCount == 0) return -1;
  SoundHandleRecord* owner = RingOwner(record);
  if (owner == nullptr || (owner->currentPlayer == handle && RingPlaying(owner))) return 0;
  if (TakeRing(handle, record, false) == nullptr || record->active != 0) return 0;
  SetSoundBufferPosition(&owner->buffers[0], 0);
  record->writeCursor = -800;
  record->safePosition = -1;
  record->endNoted = 0;
  record->lastPlayCursor = 0;
  if (record->currentPart >= record->partCount) {
    record->currentPart = 0;
    record->partOffset = 0;
  }
  SeekSoundSource(&record->parts[record->currentPart].source,
                  record->partOffset / std::max<std::int32_t>(record->waveFormat.blockAlign, 1));
  record->active = 1;
  RefillStreamSound(handle);
  return 0;
}

int StartStreamSound(int handle, int playType, int fromTop) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr || record->streamed == 0 || record->partCount == 0) return -1;
  SoundHandleRecord* owner = TakeRing(handle, record, true);
  if (owner == nullptr) return -1;
  if (fromTop == 0 && RingPlaying(owner)) return 0;
  StopStreamSound(handle);
  owner->currentPlayer = handle;
  const bool loopChanged = ((playType ^ record->streamPlayType) & 2) != 0;
  // A stream that played to its end starts again from the top.
  const bool finished = record->currentPart >= record->partCount;
  if ((loopChanged && record->allPartsDone != 0) || (fromTop == 1 && record->playedBytes > 0) || finished) {
    record->allPartsDone = 0;
    record->wrapPending = 0;
    record->currentPart = 0;
    record->repeatCounter = 0;
    record->partOffset = 0;
    record->playedBytes = 0;
    record->active = 0;
  }
  if (fromTop == 1) record->allPartsDone = 0;
  record->streamPlayType = playType;
  PrepareStreamSound(handle);
  if (PlaySoundBuffer(&owner->buffers[0], 1) != 0) return -1;
  record->lastPlayTime = static_cast<std::uint32_t>(CurrentMilliseconds(0));
  if (playType == 0) {
    while (ProcessMessage() == 0 && IsStreamSoundPlaying(handle) == 1) pf::Sleep(1);
  }
  return 0;
}

int StopStreamSound(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr || record->streamed == 0) return -1;
  SoundHandleRecord* owner = RingOwner(record);
  if (owner == nullptr || owner->buffers[0].valid == 0) return -1;
  if (owner->currentPlayer == handle) TrackPlayedBytes(record, owner);
  if (TakeRing(handle, record, false) == nullptr) return -1;
  owner->currentPlayer = -1;
  if (RingPlaying(owner)) StopSoundBuffer(&owner->buffers[0]);
  return 0;
}

int IsStreamSoundPlaying(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr) return -1;
  SoundHandleRecord* owner = RingOwner(record);
  return owner != nullptr && owner->currentPlayer == handle && RingPlaying(owner) ? 1 : 0;
}

int RefillStreamSound(int handle) {
  SoundHandleRecord* record = FindSound(handle);
  if (record == nullptr || record->streamed == 0 || record->active == 0 || record->partCount == 0) return -1;
  SoundHandleRecord* owner = RingOwner(record);
  if (owner == nullptr || owner->buffers[0].valid == 0 || owner->currentPlayer != handle) return -1;
  const std::int32_t ring = record->ringSize;
  const std::int32_t perSecond = BytesPerSecond(record);
  const bool firstFill = record->writeCursor == -800;
  if (!firstFill) TrackPlayedBytes(record, owner);
  const bool playing = RingPlaying(owner);
  std::int32_t amount = 0;
  if (record->endNoted != 0) {
    if (!playing || record->playedBytes >= record->endPlayedBytes) {
      StopSoundBuffer(&owner->buffers[0]);
      record->endNoted = 0;
      return 0;
    }
    amount = perSecond / 8;
  } else if (playing && !firstFill) {
    const std::int32_t queued = static_cast<std::int32_t>(
        std::int64_t{ForwardDistance(PlayCursor(owner), record->writeCursor, ring)} * 128 / perSecond);
    amount = queued < 384 ? static_cast<std::int32_t>(std::int64_t{384 - queued} * perSecond / 128) : perSecond / 8;
  } else if (firstFill) {
    amount = perSecond * 4;
  } else {
    return 0;
  }
  if (!firstFill) {
    // The writer fell more than 4 s behind: writing now would overwrite what has not been played.
    const std::int32_t play = PlayCursor(owner);
    const std::int32_t toSafe = ForwardDistance(record->writeCursor, record->safePosition, ring);
    const std::int32_t toPlay = ForwardDistance(record->writeCursor, play, ring);
    if (toPlay > 0 && toPlay < toSafe) return 0;
  }
  amount = RoundToBlock(record, amount);
  if (amount <= 0) return 0;
  const std::int32_t offset = firstFill ? 0 : record->writeCursor;
  void* part1 = nullptr;
  void* part2 = nullptr;
  std::uint32_t bytes1 = 0, bytes2 = 0;
  if (LockSoundBuffer(&owner->buffers[0], static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(amount),
                      &part1, &bytes1, &part2, &bytes2) != 0) {
    return -1;
  }
  const bool endBefore = record->endNoted != 0;
  if (endBefore) {
    std::memset(part1, record->waveFormat.bitsPerSample == 8 ? 128 : 0, bytes1);
    if (part2 != nullptr) std::memset(part2, record->waveFormat.bitsPerSample == 8 ? 128 : 0, bytes2);
  } else {
    int emptyPasses = 0;
    FillRegion(record, static_cast<std::uint8_t*>(part1), static_cast<std::int32_t>(bytes1), offset, &emptyPasses);
    if (part2 != nullptr) FillRegion(record, static_cast<std::uint8_t*>(part2), static_cast<std::int32_t>(bytes2), 0, &emptyPasses);
  }
  UnlockSoundBuffer(&owner->buffers[0], part1, bytes1, part2, bytes2);
  if (!endBefore && record->endNoted != 0) {
    // The end was met in this fill: the stream stops once the play cursor has covered the distance
    // to it, however often the cursor wraps meanwhile.
    record->endPlayedBytes =
        record->playedBytes + static_cast<std::uint32_t>(ForwardDistance(PlayCursor(owner), record->endPosition, ring));
  }
  if (firstFill) {
    record->writeCursor = RoundToBlock(record, perSecond * 4);
    record->safePosition = 0;
  } else {
    record->writeCursor += amount;
    if (record->writeCursor >= ring) record->writeCursor -= ring;
    record->safePosition = record->writeCursor - perSecond * 4;
    if (record->safePosition < 0) record->safePosition = record->writeCursor + perSecond * 2;
  }
  return 0;
}

int ProcessStreamSounds() {
  if (g_sound.directSound == nullptr) return -1;
  for (ListNode* node = g_sound.streamHead.next; node != nullptr && node != &g_sound.streamTail;) {
    ListNode* next = node->next;
    RefillStreamSound(node->value);
    node = next;
  }
  return 0;
}

int ReleaseStreamHandle(int handle, SoundHandleRecord* record) {
  StopStreamSound(handle);
  if (record->userCount > 0) {
    record->deletePending = 1;
    return 1;
  }
  if (record->inStreamList != 0) {
    ListRemove(&record->listNode);
    record->inStreamList = 0;
  }
  CloseParts(record);
  if (record->buffers[0].valid != 0) ReleaseSoundBuffer(&record->buffers[0]);
  if (record->linkedHandle != -1) {
    SoundHandleRecord* owner = g_sound.sounds.Find(record->linkedHandle);
    const int ownerHandle = record->linkedHandle;
    record->linkedHandle = -1;
    if (owner != nullptr) {
      --owner->userCount;
      if (owner->currentPlayer == handle) owner->currentPlayer = -1;
      if (owner->deletePending != 0 && owner->userCount == 0) ReleaseSoundHandle(ownerHandle, 0);
    }
  }
  return 0;
}

}  // namespace zelvo
