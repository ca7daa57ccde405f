// Music handles and the MCI sequencer state. Nothing here makes a music handle (MIDI has no player
// on this platform), so the table stays empty; stopping, polling and shut-down run over it as the
// library's pump and shut-down expect.
#include <cstring>

#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/sound_input/sound.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

MusicHandleRecord* FindMusic(int handle) {
  if (g_sound.directSound == nullptr) return nullptr;
  return g_sound.music.Find(handle);
}

void DeleteTempMusicFile() {
  if (g_sound.tempMusicFileExists == 0) return;
  pf::DeleteFile(g_sound.tempMusicFile);
  g_sound.tempMusicFileExists = 0;
}

}  // namespace

int UpdateMciMusic() {
  // No sequencer device is ever opened here, so there is no command to send: the flags are all
  // that changes.
  if (g_sound.mciReplay != 0) {
    g_sound.mciPlaying = 1;
  } else if (g_sound.mciPlaying != 0) {
    g_sound.mciPlaying = 0;
  }
  return 0;
}

int StopMusic(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  g_sound.mciReplay = 0;
  UpdateMciMusic();
  for (int i = 0; i < 5; ++i) ProcessMessage();
  DeleteTempMusicFile();
  record->playing = 0;
  record->started = 0;
  return 0;
}

int IsMusicPlaying(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  return g_sound.mciPlaying != 0 ? 1 : 0;
}

int DeleteMusic(int handle) {
  MusicHandleRecord* record = FindMusic(handle);
  if (record == nullptr) return -1;
  if (record->playing != 0) StopMusic(handle);
  if (record->data != nullptr) {
    std::memset(record->data, 0, static_cast<std::size_t>(record->size));
    TrackedFree(record->data);
  }
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
  // The DirectMusic mode's segment polling has no segments here (its start always falls back).
  return g_sound.directSound == nullptr ? -1 : 0;
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
