// Music handles: MIDI music played through a DirectMusic segment (DirectMusic mode) or the MCI
// sequencer from a temporary MIDI file (DirectSound mode), stopped, polled and deleted as the
// library's pump and shut-down expect.
#include <cstring>

#include "media/core/file_paths.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/core/window_mode.h"
#include "media/sound_input/sound.h"
#include "platform/kernel/kernel.h"
#include "platform/mci/mci.h"

namespace zelvo {
namespace {

// DirectMusic mode: the performance the start made (a start that fell back made none).
bool DirectMusicMode() { return g_sound.performance != nullptr; }

MusicHandleRecord* FindMusic(int handle) {
  if (g_sound.directSound == nullptr) return nullptr;
  return g_sound.music.Find(handle);
}

void DeleteTempMusicFile() {
  if (g_sound.tempMusicFileExists == 0) return;
  pf::DeleteFile(g_sound.tempMusicFile);
  g_sound.tempMusicFileExists = 0;
}

bool IsMidiFile(const void* data, std::int32_t size) {
  return data != nullptr && size >= 14 && std::memcmp(data, "MThd", 4) == 0;
}

// The sequencer from the song's start, with its end reported to the main window.
int PlayMciFromStart() {
  pf::MciPlayParms params{QueryMainWindow(), 0, 0};
  return pf::mciSendCommand(static_cast<pf::MciDeviceId>(g_sound.mciDevice), pf::MCI_PLAY,
                            pf::MCI_NOTIFY | pf::MCI_FROM, &params) == 0
             ? 0
             : -1;
}

void CloseMci() {
  if (g_sound.mciDevice == 0) return;
  pf::mciSendCommand(static_cast<pf::MciDeviceId>(g_sound.mciDevice), pf::MCI_CLOSE, 0, nullptr);
  g_sound.mciDevice = 0;
}

// The music's data as a temporary MIDI file, opened as the sequencer. 0, or -1 after logging.
int OpenMciSequencer(const MusicHandleRecord* record) {
  char name[pf::kMaxPath];
  const pf::Handle file = CreateTempFile(name);
  if (file == nullptr || file == pf::kInvalidHandle) return WriteLogText("MIDI 演奏用の一時ファイルを作成できませんでした\n");
  std::uint32_t written = 0;
  const bool whole = pf::WriteFile(file, record->data, static_cast<std::uint32_t>(record->size), &written) &&
                     written == static_cast<std::uint32_t>(record->size);
  pf::CloseHandle(file);
  std::memcpy(g_sound.tempMusicFile, name, sizeof name);
  g_sound.tempMusicFileExists = 1;
  if (!whole) {
    DeleteTempMusicFile();
    return WriteLogText("MIDI 演奏用の一時ファイルを作成できませんでした\n");
  }
  pf::MciOpenParms open{nullptr, 0, "sequencer", g_sound.tempMusicFile, nullptr};
  if (pf::mciSendCommand(0, pf::MCI_OPEN, pf::MCI_OPEN_TYPE | pf::MCI_OPEN_ELEMENT, &open) != 0) {
    DeleteTempMusicFile();
    return WriteLogText("MIDI シーケンサを開けませんでした\n");
  }
  g_sound.mciDevice = static_cast<std::int32_t>(open.deviceId);
  return 0;
}

int PlayMusicThroughMci(int handle, MusicHandleRecord* record, int loop) {
  // One sequencer: the music it plays now stops first, and its notices are taken off the queue.
  if (g_sound.mciDevice != 0) {
    MusicHandleRecord* previous = FindMusic(g_sound.mciMusic);
    if (previous != nullptr) {
      StopMusic(g_sound.mciMusic);
    } else {
      g_sound.mciReplay = 0;
      g_sound.mciPlaying = 0;
      CloseMci();
      DeleteTempMusicFile();
    }
  }
  if (OpenMciSequencer(record) != 0) return -1;
  if (PlayMciFromStart() != 0) {
    CloseMci();
    DeleteTempMusicFile();
    return WriteLogText("MIDI シーケンサの演奏を開始できませんでした\n");
  }
  g_sound.mciMusic = handle;
  g_sound.mciReplay = loop != 0 ? 1 : 0;
  g_sound.mciPlaying = 1;
  return 0;
}

int PlayMusicThroughSegment(MusicHandleRecord* record, int loop) {
  record->segment->SetRepeats(loop != 0 ? pf::DMUS_SEG_REPEAT_INFINITE : 0);
  if (g_sound.performance->PlaySegmentEx(record->segment, 0, 0) < 0) {
    return WriteLogText("DirectMusic セグメントの演奏を開始できませんでした\n");
  }
  return 0;
}

}  // namespace

int LoadMusicFromMemory(const void* data, std::int32_t size) {
  if (g_sound.directSound == nullptr) return -1;
  if (!IsMidiFile(data, size)) return WriteLogText("MIDI ファイルではないデータは読み込めません\n");
  const int slot = g_sound.music.FreeSlot();
  if (slot < 0) return WriteLogText("ミュージックハンドルに空きがありません\n");
  void* copy = ZELVO_ALLOC(static_cast<std::size_t>(size));
  if (copy == nullptr) return WriteLogText("メモリの確保に失敗しました\n");
  std::memcpy(copy, data, static_cast<std::size_t>(size));
  MusicHandleRecord* record = nullptr;
  const int handle = g_sound.music.Occupy(slot, &record);
  if (handle < 0) {
    TrackedFree(copy);
    return -1;
  }
  record->data = copy;
  record->size = size;
  if (DirectMusicMode()) {
    // The loader reads the segment from the record's data, which lives as long as the handle.
    const pf::DMusObjectDesc desc{sizeof desc, pf::DMUS_OBJ_CLASS | pf::DMUS_OBJ_MEMORY, pf::CLSID_DirectMusicSegment,
                                  nullptr, record->data, record->size};
    void* segment = nullptr;
    if (g_sound.musicLoader->GetObject(&desc, pf::IID_IDirectMusicSegment8, &segment) < 0) {
      DeleteMusic(handle);
      return WriteLogText("DirectMusic セグメントの作成に失敗しました\n");
    }
    record->segment = static_cast<pf::DirectMusicSegment8*>(segment);
    record->segment->Download(g_sound.performance);
  }
  return handle;
}

int LoadMusicFromFile(const char* path) {
  if (g_sound.directSound == nullptr) return -1;
  void* data = nullptr;
  std::int32_t size = 0;
  if (LoadWholeFile(path, &data, &size) != 0) return -1;
  const int handle = LoadMusicFromMemory(data, size);
  TrackedFree(data);
  return handle;
}

int PlayMusic(int handle, int loop) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  const int played = DirectMusicMode() ? PlayMusicThroughSegment(record, loop) : PlayMusicThroughMci(handle, record, loop);
  if (played != 0) return -1;
  record->playing = 1;
  record->started = 0;
  return 0;
}

int UpdateMciMusic() {
  if (g_sound.mciReplay != 0) {
    // A sequencer that cannot start again is closed: the music has ended.
    if (PlayMciFromStart() == 0) {
      g_sound.mciPlaying = 1;
      return 0;
    }
    g_sound.mciReplay = 0;
  }
  if (g_sound.mciPlaying != 0) {
    CloseMci();
    g_sound.mciPlaying = 0;
  }
  return 0;
}

int StopMusic(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  g_sound.mciReplay = 0;
  if (DirectMusicMode()) {
    if (record->segment != nullptr) g_sound.performance->StopEx(record->segment, 0, 0);
  } else {
    UpdateMciMusic();
    // The sequencer's last notices are taken off the queue while nothing is left to replay.
    for (int i = 0; i < 5; ++i) ProcessMessage();
  }
  DeleteTempMusicFile();
  record->playing = 0;
  record->started = 0;
  return 0;
}

int IsMusicPlaying(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  if (DirectMusicMode()) return record->playing != 0 ? 1 : 0;
  return g_sound.mciPlaying != 0 ? 1 : 0;
}

int DeleteMusic(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  if (record->playing != 0) StopMusic(handle);
  if (record->segment != nullptr) {
    if (g_sound.performance != nullptr) record->segment->Unload(g_sound.performance);
    if (g_sound.musicLoader != nullptr) g_sound.musicLoader->ReleaseObjectByUnknown(record->segment);
    record->segment->Release();
    record->segment = nullptr;
  }
  if (record->data != nullptr) {
    std::memset(record->data, 0, static_cast<std::size_t>(record->size));
    TrackedFree(record->data);
  }
  if (g_sound.mciMusic == handle) g_sound.mciMusic = 0;
  g_sound.music.Free(handle);
  return 0;
}

int DeleteAllMusic() {
  for (int slot = 0; slot < kMaxMusic; ++slot) {
    if (g_sound.music.slots[slot] != nullptr) DeleteMusic(g_sound.music.HandleOfSlot(slot));
  }
  return 0;
}

int PollMusicState() {
  if (g_sound.directSound == nullptr) return -1;
  if (!DirectMusicMode()) return 0;
  for (int slot = 0; slot < g_sound.music.highWater; ++slot) {
    MusicHandleRecord* record = g_sound.music.slots[slot];
    if (record == nullptr || record->playing == 0 || record->segment == nullptr) continue;
    const bool playing = g_sound.performance->IsPlaying(record->segment, nullptr) == pf::DD_OK;
    if (record->started == 0) {
      if (playing) record->started = 1;
    } else {
      record->playing = playing ? 1 : 0;
    }
  }
  return 0;
}

int StopCurrentSoundFile() {
  if (g_sound.currentSoundFile == 0) return 0;
  const int handle = g_sound.currentSoundFile;
  if (g_sound.currentSoundFileKind == 1) {
    StopSoundHandle(handle);
    ReleaseSoundHandle(handle, 0);
  } else {
    StopMusic(handle);
    DeleteMusic(handle);
  }
  g_sound.currentSoundFile = 0;
  g_sound.currentSoundFileKind = 0;
  return 0;
}

}  // namespace zelvo
