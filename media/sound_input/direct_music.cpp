// DirectMusic mode of the sound device: the loader, the performance that makes the DirectSound
// device itself, the port list in the log, and their release at the end.
#include <cstdio>

#include "media/core/log.h"
#include "media/sound_input/sound.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

// What a failed start had made goes again; sound stays off.
int FailDirectMusic(const char* message) {
  WriteLogText(message);
  EndDirectMusicMode();
  return -1;
}

void LogPorts(pf::DirectMusic8* music) {
  for (std::uint32_t index = 0;; ++index) {
    pf::DMusPortCaps caps{};
    caps.size = sizeof caps;
    if (music->EnumPort(index, &caps) != pf::DD_OK) break;
    char name[256];
    if (pf::WideCharToMultiByte(caps.description, -1, name, sizeof name) == 0) name[0] = '\0';
    WriteLogFormat("%s  Device%d:%s ", caps.portClass == pf::DMUS_PC_OUTPUTCLASS ? "出力ポート" : "入力ポート",
                   static_cast<int>(index), name);
  }
}

}  // namespace

int StartDirectMusicMode() {
  WriteLogText("DirectSound8 の初期化を行います\n");
  void* made = nullptr;
  if (pf::CoCreateInstance(pf::CLSID_DirectMusicLoader, nullptr, pf::CLSCTX_INPROC, pf::IID_IDirectMusicLoader8,
                           &made) < 0) {
    WriteLogText("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
    WriteLogText("前バージョンでの初期化処理に移ります\n");
    g_sound.directMusicOption = 0;
    return StartDirectSoundMode();
  }
  g_sound.musicLoader = static_cast<pf::DirectMusicLoader8*>(made);
  if (pf::CoCreateInstance(pf::CLSID_DirectMusicPerformance, nullptr, pf::CLSCTX_INPROC,
                           pf::IID_IDirectMusicPerformance8, &made) < 0) {
    return FailDirectMusic("DirectMusicPerformance オブジェクトの作成に失敗しました\n");
  }
  g_sound.performance = static_cast<pf::DirectMusicPerformance8*>(made);

  if (pf::CoCreateInstance(pf::CLSID_DirectMusic, nullptr, pf::CLSCTX_INPROC, pf::IID_IDirectMusic, &made) < 0) {
    return FailDirectMusic("DirectMusic オブジェクトの取得に失敗しました\n");
  }
  auto* music = static_cast<pf::DirectMusic8*>(made);
  void* music8 = nullptr;
  if (music->QueryInterface(pf::IID_IDirectMusic8, &music8) < 0) {
    music->Release();
    return FailDirectMusic("DirectMusic8 オブジェクトの取得に失敗しました\n");
  }
  LogPorts(static_cast<pf::DirectMusic8*>(music8));
  static_cast<pf::DirectMusic8*>(music8)->Release();
  music->Release();

  pf::DMusAudioParams params{};
  params.size = sizeof params;
  params.initNow = 1;
  params.validData = pf::DMUS_AUDIOPARAMS_FEATURES | pf::DMUS_AUDIOPARAMS_SAMPLERATE;
  params.features = pf::DMUS_AUDIOF_ALL;
  params.sampleRate = 44100;
  pf::DirectSound* sound = nullptr;
  if (g_sound.performance->InitAudio(nullptr, &sound, nullptr, pf::DMUS_APATH_SHARED_STEREOPLUSREVERB, 64,
                                     pf::DMUS_AUDIOF_ALL, &params) < 0) {
    return FailDirectMusic("DirectMusicPerformanceオブジェクトの初期化に失敗しました\n");
  }
  g_sound.directSound = sound;
  g_sound.performance->GetGlobalParam(pf::GUID_PerfMasterVolume, &g_sound.masterVolume, sizeof g_sound.masterVolume);
  return 0;
}

void EndDirectMusicMode() {
  if (g_sound.performance != nullptr) {
    g_sound.performance->Stop(nullptr, nullptr, 0, 0);
    g_sound.performance->CloseDown();
    g_sound.performance->Release();
    g_sound.performance = nullptr;
  }
  if (g_sound.musicLoader != nullptr) {
    g_sound.musicLoader->Release();
    g_sound.musicLoader = nullptr;
  }
}

}  // namespace zelvo
