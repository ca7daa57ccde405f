#pragma once
// Sound: the device, play buffers, sound handles (ordinary and streamed), music handles and the
// capture writer. Every operation runs under the library lock.
#include <cstdint>

#include "media/core/subsystem_hooks.h"
#include "media/sound_input/sound_state.h"

namespace zelvo {

// The device.
int StartDirectSound();
int EndDirectSound();
// The two ways the device starts: DirectSound itself, or a DirectMusic performance that makes it
// (falling back to DirectSound where there is no DirectMusic). 0, or -1 with sound off.
int StartDirectSoundMode();
int StartDirectMusicMode();
// Stops, closes down and releases the performance and the loader (nothing outside DirectMusic mode).
void EndDirectMusicMode();

// Play buffers: 0, or -1 when the buffer is not valid or the device refuses.
int CreateSoundBuffer(SoundBuffer* buffer, const pf::DSBufferDesc* desc);
int DuplicateSoundBuffer(SoundBuffer* buffer, const SoundBuffer* original);
int ReleaseSoundBuffer(SoundBuffer* buffer);
int PlaySoundBuffer(SoundBuffer* buffer, int loop);
int StopSoundBuffer(SoundBuffer* buffer);
int GetSoundBufferStatus(SoundBuffer* buffer, std::uint32_t* status);
int GetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t* play, std::uint32_t* write);
int SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t bytes);
int LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t size, void** part1,
                    std::uint32_t* bytes1, void** part2, std::uint32_t* bytes2);
int UnlockSoundBuffer(SoundBuffer* buffer, void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2);
int SetSoundBufferVolume(SoundBuffer* buffer, std::int32_t hundredthsDb);
int GetSoundBufferVolume(SoundBuffer* buffer, std::int32_t* hundredthsDb);
int SetSoundBufferPan(SoundBuffer* buffer, std::int32_t pan);
int SetSoundBufferFrequency(SoundBuffer* buffer, std::uint32_t frequency);
// Software mode: adds the buffer into `frames` 44100 Hz 16-bit stereo frames at out.
int MixSoftwareBuffer(SoundBuffer* buffer, int frames, std::int16_t* out);
// The play buffers of a handle: `count` copies (mode 0), or one 6-second ring of a streamed sound
// (mode 1). -1 (logged) when the device makes none.
int CreateSoundBuffers(SoundHandleRecord* record, int handle, const pf::WaveFormatEx* format, std::int32_t size,
                       int streamMode, int count);

// Sound handles.
SoundHandleRecord* FindSound(int handle);   // nullptr while sound is off or for a bad handle
int AddSoundData(int handle);
int LoadSoundFromFile(const char* path, int copies, int linkedHandle);
int CreateSoundFromMemory(const void* data, std::int32_t size, int copies, int linkedHandle);
int ReleaseSoundHandle(int handle, int ignored);
int StartSoundHandle(int handle, int playType, int fromTop);
int StopSoundHandle(int handle);
int IsSoundPlayingBody(int handle);
int SetSoundVolumeBody(int volume, int handle);
int ReleaseAllSounds();
// The volume law: 0..255 to hundredths of a decibel.
std::int32_t SoundVolumeToHundredthsDb(int volume);

// Streamed sounds.
int AddStreamSound(const StreamReaderBlock* reader, int repeatCount, int handle, int kind, int* releaseFlag,
                   int linkedHandle);
int AddStreamSoundFile(const char* path, int repeatCount, int handle, int kind, int linkedHandle);
int AddStreamSoundMemory(const void* data, std::int32_t size, int repeatCount, int handle, int kind,
                         int linkedHandle);
int PrepareStreamSound(int handle);
int StartStreamSound(int handle, int playType, int fromTop);
int StopStreamSound(int handle);
int IsStreamSoundPlaying(int handle);
int RefillStreamSound(int handle);
int ProcessStreamSounds();
// The buffer a streamed handle plays through (its own, or its linked handle's).
SoundBuffer* StreamPlayBuffer(SoundHandleRecord* record);
// Release of a streamed handle's parts and buffer; 1 when it is only marked for deletion.
int ReleaseStreamHandle(int handle, SoundHandleRecord* record);

// Music handles: a standard MIDI file (from memory or through the file layer) as a music handle,
// played once or looping. -1 (logged) while sound is off or for data that is no MIDI file.
int LoadMusicFromMemory(const void* data, std::int32_t size);
int LoadMusicFromFile(const char* path);
int PlayMusic(int handle, int loop);
int DeleteMusic(int handle);
int StopMusic(int handle);
int IsMusicPlaying(int handle);
int DeleteAllMusic();
int PollMusicState();
int UpdateMciMusic();
int StopCurrentSoundFile();

// The capture writer.
int StartSoundCapture(const char* path);
int AppendSoundCapture(const std::int16_t* frames, int count);
int FinishSoundCapture();

SubsystemHooks SoundSubsystemRow();

}  // namespace zelvo
