// The sound device: DirectSound's start (directly, or through a DirectMusic performance when that
// option is set) and end, the silent buffer, the device report in the log, and the play buffers of
// a handle.
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

SoundState g_sound;

void ResetSoundState() {
  std::memset(&g_sound, 0, sizeof g_sound);
  ListInit(&g_sound.streamHead, &g_sound.streamTail);
}

namespace {

const char* YesNo(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) != 0 ? "YES" : "NO"; }

// Drops the DirectSound interface after a failed start step; sound stays off.
int FailDirectSound(const char* message, pf::DirectSound* sound) {
  WriteLogText(message);
  if (sound != nullptr) sound->Release();
  g_sound.directSound = nullptr;
  return -1;
}

}  // namespace

int StartDirectSoundMode() {
  WriteLogText("DirectSound の初期化を行います\n");
  WriteLogText("DirectSound インターフェースの取得を行います....  ");
  void* made = nullptr;
  if (pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made) < 0) {
    return FailDirectSound("DirectSoundインターフェースの作成に失敗しました\n", nullptr);
  }
  auto* sound = static_cast<pf::DirectSound*>(made);
  WriteLogText("成功\n");
  WriteLogText("引き続きインターフェースの初期化処理...  ");
  if (sound->Initialize(nullptr) < 0) return FailDirectSound("初期化に失敗しました\n", sound);
  WriteLogText("成功\n");
  // The desktop window: every buffer plays with global focus, so no window of ours is needed.
  if (sound->SetCooperativeLevel(nullptr, pf::DSSCL_PRIORITY) < 0) {
    return FailDirectSound("DirectSoundの協調レベルの設定に失敗しました\n", sound);
  }
  pf::DSBufferDesc primaryDesc{sizeof primaryDesc, pf::DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  pf::DirectSoundBuffer* primary = nullptr;
  if (sound->CreateSoundBuffer(&primaryDesc, &primary, nullptr) < 0) {
    return FailDirectSound("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n", sound);
  }
  g_sound.directSound = sound;
  g_sound.primaryBuffer = primary;
  pf::DSCaps caps{};
  caps.size = sizeof caps;
  sound->GetCaps(&caps);
  pf::WaveFormatEx format{};
  format.formatTag = pf::WAVE_FORMAT_PCM;
  format.channels = (caps.flags & pf::DSCAPS_PRIMARYSTEREO) != 0 ? 2 : 1;
  format.bitsPerSample = (caps.flags & pf::DSCAPS_PRIMARY16BIT) != 0 ? 16 : 8;
  format.samplesPerSec = caps.maxSecondarySampleRate >= 44100 ? 44100 : caps.maxSecondarySampleRate;
  format.blockAlign = static_cast<std::uint16_t>(format.bitsPerSample / 8 * format.channels);
  format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
  if (primary->SetFormat(&format) < 0) {
    WriteLogText("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  }
  return 0;
}

namespace {

void MakeSilentBuffer() {
  const pf::WaveFormatEx format{pf::WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  const pf::DSBufferDesc desc{sizeof desc, pf::DSBCAPS_GLOBALFOCUS | pf::DSBCAPS_STATIC, 400, 0, &format};
  SoundBuffer* silent = &g_sound.silentBuffer;
  if (CreateSoundBuffer(silent, &desc) != 0) {
    WriteLogText("無音バッファの作成に失敗しました\n");
    return;
  }
  void* part1 = nullptr;
  void* part2 = nullptr;
  std::uint32_t bytes1 = 0, bytes2 = 0;
  if (LockSoundBuffer(silent, 0, 400, &part1, &bytes1, &part2, &bytes2) != 0) {
    WriteLogText("無音バッファのロックに失敗しました\n");
    ReleaseSoundBuffer(silent);
    return;
  }
  std::memset(part1, 0, bytes1);
  if (part2 != nullptr) std::memset(part2, 0, bytes2);
  UnlockSoundBuffer(silent, part1, bytes1, part2, bytes2);
  PlaySoundBuffer(silent, 1);
}

int LogDevice(const pf::Guid*, const char* description, const char* module, void*) {
  WriteLogFormat("モジュール名:%15s  ドライバ記述:%s ", module, description);
  return 1;
}

void LogDeviceReport() {
  PushLogIndent();
  pf::DSCaps caps{};
  caps.size = sizeof caps;
  g_sound.directSound->GetCaps(&caps);
  WriteLogText("DirectSound デバイスを列挙します\n");
  PushLogIndent();
  if (pf::DirectSoundEnumerateA(LogDevice, nullptr) < 0) {
    WriteLogText("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
  }
  PopLogIndent();
  // Each pair of texts shares one line of the log.
  WriteLogFormat("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz 総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB ",
                 caps.maxSecondarySampleRate / 1000.0, caps.minSecondarySampleRate / 1000.0,
                 caps.totalHwMemBytes / 1024.0, caps.freeHwMemBytes / 1024.0);
  WriteLogText("利用可能サンプリング精度\n");
  WriteLogFormat(" プライマリ １６bit = %s  ８bit = %s  セカンダリ １６bit = %s  ８bit = %s ",
                 YesNo(caps.flags, pf::DSCAPS_PRIMARY16BIT), YesNo(caps.flags, pf::DSCAPS_PRIMARY8BIT),
                 YesNo(caps.flags, pf::DSCAPS_SECONDARY16BIT), YesNo(caps.flags, pf::DSCAPS_SECONDARY8BIT));
  WriteLogText("利用可能チャンネル\n");
  WriteLogFormat(" プライマリ MONO = %s  STEREO = %s  セカンダリ MONO = %s  STEREO = %s ",
                 YesNo(caps.flags, pf::DSCAPS_PRIMARYMONO), YesNo(caps.flags, pf::DSCAPS_PRIMARYSTEREO),
                 YesNo(caps.flags, pf::DSCAPS_SECONDARYMONO), YesNo(caps.flags, pf::DSCAPS_SECONDARYSTEREO));
  PopLogIndent();
}

}  // namespace

int StartDirectSound() {
  if (g_sound.directSound != nullptr) return -1;
  const int started = g_sound.directMusicOption != 0 ? StartDirectMusicMode() : StartDirectSoundMode();
  if (started != 0) return -1;
  MakeSilentBuffer();
  g_sound.loadAsStreamOption = 0;
  g_sound.oggBytesPerSample = 2;
  ListInit(&g_sound.streamHead, &g_sound.streamTail);
  LogDeviceReport();
  WriteLogText("DirectSound の初期化は正常に終了しました\n");
  ReleaseAllSounds();
  return 0;
}

int EndDirectSound() {
  if (g_sound.directSound == nullptr) return -1;
  FinishSoundCapture();
  ReleaseAllSounds();
  DeleteAllMusic();
  if (g_sound.tempMusicFileExists != 0) {
    pf::DeleteFile(g_sound.tempMusicFile);
    g_sound.tempMusicFileExists = 0;
  }
  EndDirectMusicMode();
  if (g_sound.primaryBuffer != nullptr) {
    g_sound.primaryBuffer->Stop();
    g_sound.primaryBuffer->Release();
    g_sound.primaryBuffer = nullptr;
  }
  if (g_sound.silentBuffer.valid != 0) {
    StopSoundBuffer(&g_sound.silentBuffer);
    ReleaseSoundBuffer(&g_sound.silentBuffer);
  }
  g_sound.directSound->Release();
  g_sound.directSound = nullptr;
  WriteLogText("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}

int CreateSoundBuffers(SoundHandleRecord* record, int handle, const pf::WaveFormatEx* format, std::int32_t size,
                       int streamMode, int count) {
  constexpr std::uint32_t kFullControls = pf::DSBCAPS_GLOBALFOCUS | pf::DSBCAPS_CTRLVOLUME | pf::DSBCAPS_CTRLPAN |
                                          pf::DSBCAPS_CTRLFREQUENCY | pf::DSBCAPS_STATIC;
  constexpr std::uint32_t kFewerControls = pf::DSBCAPS_CTRLVOLUME | pf::DSBCAPS_CTRLPAN | pf::DSBCAPS_STATIC;
  if (streamMode != 0) {
    const pf::DSBufferDesc desc{sizeof desc, kFullControls | pf::DSBCAPS_GETCURRENTPOSITION2,
                                static_cast<std::uint32_t>(format->samplesPerSec) * format->blockAlign * 6, 0, format};
    // A buffer the device refuses fails this sound only; the program goes on.
    if (CreateSoundBuffer(&record->buffers[0], &desc) != 0) {
      return WriteLogText("ストリーム風サウンドバッファの作成に失敗しました\n");
    }
    record->bufferCount = 1;
    if (record->inStreamList == 0) {
      ListInsertAfter(g_sound.streamTail.previous, &record->listNode, handle, 0);
      record->inStreamList = 1;
    }
    record->streamed = 1;
    return 0;
  }
  record->streamed = 0;
  if (count <= 0) {
    record->bufferCount = 0;
    return 0;
  }
  pf::DSBufferDesc desc{sizeof desc, kFullControls, static_cast<std::uint32_t>(size), 0, format};
  if (CreateSoundBuffer(&record->buffers[0], &desc) != 0) {
    desc.flags = kFewerControls;
    if (CreateSoundBuffer(&record->buffers[0], &desc) != 0) {
      return WriteLogText("DirectSoundBuffer の作成に失敗しました\n");
    }
  }
  int made = 1;
  while (made < count && DuplicateSoundBuffer(&record->buffers[made], &record->buffers[0]) == 0) ++made;
  // Only buffers that exist take part in the rotation.
  record->bufferCount = made;
  return 0;
}

}  // namespace zelvo
