// The MCI sequencer: open devices, each a song and a synthesizer attached to the sound device's
// mix, and the end notices posted when a song has played out.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <strings.h>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/mci/mci.h"
#include "platform/mci/mci_testing.h"
#include "platform/mci/midi_synth.h"

namespace pf {
namespace {

// A MIDI file larger than this is no song a sequencer takes.
constexpr std::uint32_t kMaxSongBytes = 16u << 20;

struct Sequencer {
  MciDeviceId id = 0;
  std::unique_ptr<mci::MidiSynth> synth;
  DirectSound* device = nullptr;
  std::vector<std::uint8_t> song;
  WindowHandle noticeWindow = nullptr;   // a play with MCI_NOTIFY has not ended yet
};

std::mutex g_mutex;
std::vector<std::unique_ptr<Sequencer>> g_sequencers;
MciDeviceId g_lastId = 0;

Sequencer* FindSequencer(MciDeviceId id) {
  for (auto& sequencer : g_sequencers) {
    if (sequencer->id == id) return sequencer.get();
  }
  return nullptr;
}

void PostNotice(WindowHandle window, std::uint32_t code, MciDeviceId id) {
  if (window != nullptr) PostMessage(window, MM_MCINOTIFY, code, static_cast<LParam>(id));
}

// A pending notice is answered with `code` and forgotten.
void EndNotice(Sequencer* sequencer, std::uint32_t code) {
  PostNotice(sequencer->noticeWindow, code, sequencer->id);
  sequencer->noticeWindow = nullptr;
}

// At every look at the message queue: songs that have played out tell their windows.
void PostEndNotices(std::uint32_t) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto& sequencer : g_sequencers) {
    if (sequencer->noticeWindow == nullptr) continue;
    CatchUpSoundDevice(sequencer->device);
    if (!sequencer->synth->Playing()) EndNotice(sequencer.get(), MCI_NOTIFY_SUCCESSFUL);
  }
}

bool ReadSong(const char* path, std::vector<std::uint8_t>* song) {
  const Handle file = CreateFile(path, kGenericRead, kShareRead, kOpenExisting);
  if (file == kInvalidHandle) return false;
  const std::uint32_t size = GetFileSize(file, nullptr);
  bool read = size <= kMaxSongBytes;
  if (read) {
    song->resize(size);
    std::uint32_t got = 0;
    read = size == 0 || (ReadFile(file, song->data(), size, &got) && got == size);
  }
  CloseHandle(file);
  return read;
}

MciError Open(std::uint32_t flags, MciOpenParms* params) {
  if ((flags & MCI_OPEN_TYPE) != 0 &&
      (params->deviceType == nullptr || strcasecmp(params->deviceType, "sequencer") != 0)) {
    return MCIERR_INVALID_DEVICE_NAME;
  }
  if ((flags & MCI_OPEN_ELEMENT) == 0 || params->elementName == nullptr) return MCIERR_UNSUPPORTED_FUNCTION;
  auto sequencer = std::make_unique<Sequencer>();
  if (!ReadSong(params->elementName, &sequencer->song)) return MCIERR_FILE_NOT_FOUND;
  if (sequencer->song.size() < 14 || std::memcmp(sequencer->song.data(), "MThd", 4) != 0) return MCIERR_INVALID_FILE;
  // The synthesizer is heard through the sound device; without either there is no MIDI output.
  DirectSound* device = CurrentSoundDevice();
  if (device == nullptr) return MCIERR_SEQ_NOMIDIPRESENT;
  sequencer->synth = mci::MidiSynth::Create();
  if (sequencer->synth != nullptr) {
    AttachMixSource(device, sequencer->synth.get());
    sequencer->device = device;
  }
  // The attachment holds the device from here on.
  device->Release();
  if (sequencer->synth == nullptr) return MCIERR_SEQ_NOMIDIPRESENT;
  static std::once_flag noticesRegistered;
  std::call_once(noticesRegistered, [] { AddMessageSource(PostEndNotices); });
  std::lock_guard<std::mutex> lock(g_mutex);
  do {
    ++g_lastId;
  } while (g_lastId == 0 || FindSequencer(g_lastId) != nullptr);
  sequencer->id = g_lastId;
  params->deviceId = sequencer->id;
  g_sequencers.push_back(std::move(sequencer));
  return 0;
}

MciError Play(Sequencer* sequencer, std::uint32_t flags, const MciPlayParms* params) {
  if ((flags & (MCI_FROM | MCI_NOTIFY)) != 0 && params == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  if ((flags & MCI_FROM) != 0 && params->from != 0) return MCIERR_OUTOFRANGE;
  if ((flags & MCI_TO) != 0) return MCIERR_UNSUPPORTED_FUNCTION;
  if (sequencer->noticeWindow != nullptr) EndNotice(sequencer, MCI_NOTIFY_SUPERSEDED);
  if (!sequencer->synth->Play(sequencer->song.data(), sequencer->song.size(), 1)) return MCIERR_INVALID_FILE;
  if ((flags & MCI_NOTIFY) != 0) sequencer->noticeWindow = params->callback;
  return 0;
}

// Closing drops the sequencer after it has left the mix; a notice still pending is aborted.
MciError Close(MciDeviceId id) {
  std::unique_ptr<Sequencer> closed;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = std::find_if(g_sequencers.begin(), g_sequencers.end(),
                              [id](const std::unique_ptr<Sequencer>& s) { return s->id == id; });
    if (found == g_sequencers.end()) return MCIERR_INVALID_DEVICE_ID;
    closed = std::move(*found);
    g_sequencers.erase(found);
    if (closed->noticeWindow != nullptr) EndNotice(closed.get(), MCI_NOTIFY_ABORTED);
  }
  DetachMixSource(closed->device, closed->synth.get());
  return 0;
}

}  // namespace

MciError mciSendCommand(MciDeviceId device, std::uint32_t message, std::uint32_t flags, void* params) {
  if (testing::ShouldFail("mciSendCommand")) return MCIERR_HARDWARE;
  if (message == MCI_OPEN) {
    if (params == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
    return Open(flags, static_cast<MciOpenParms*>(params));
  }
  if (message == MCI_CLOSE) return Close(device);
  std::lock_guard<std::mutex> lock(g_mutex);
  Sequencer* sequencer = FindSequencer(device);
  if (sequencer == nullptr) return MCIERR_INVALID_DEVICE_ID;
  if (message == MCI_PLAY) return Play(sequencer, flags, static_cast<const MciPlayParms*>(params));
  if (message == MCI_STOP) {
    sequencer->synth->Stop();
    if (sequencer->noticeWindow != nullptr) EndNotice(sequencer, MCI_NOTIFY_ABORTED);
    return 0;
  }
  return MCIERR_UNRECOGNIZED_COMMAND;
}

namespace testing {

int OpenMciDevices() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<int>(g_sequencers.size());
}

int LiveMidiSynthesizers() { return mci::LiveMidiSynths(); }

}  // namespace testing
}  // namespace pf
