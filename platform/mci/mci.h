#pragma once
// The MCI sequencer as the library calls it: a standard MIDI file opened as a "sequencer" device,
// played from its start with an end notice (MM_MCINOTIFY to the window given) and closed. It plays
// through the MIDI synthesizer into the current DirectSound device's mix, so a sequencer opens only
// while a sound device is on and a General MIDI sound font is installed.
//
// Fault switch (pf::testing::FailNextCalls): "mciSendCommand" fails the next command with
// MCIERR_HARDWARE.
#include <cstdint>

#include "platform/window/window.h"

namespace pf {

using MciDeviceId = std::uint32_t;
using MciError = std::uint32_t;

enum : std::uint32_t { MCI_OPEN = 0x0803, MCI_CLOSE = 0x0804, MCI_PLAY = 0x0806, MCI_STOP = 0x0808 };
enum : std::uint32_t {
  MCI_NOTIFY = 0x1, MCI_WAIT = 0x2, MCI_FROM = 0x4, MCI_TO = 0x8,
  MCI_OPEN_ELEMENT = 0x200, MCI_OPEN_TYPE = 0x2000,
};

constexpr std::uint32_t MM_MCINOTIFY = 0x3B9;
// MM_MCINOTIFY's wParam; its lParam is the device.
enum : std::uint32_t {
  MCI_NOTIFY_SUCCESSFUL = 0x1, MCI_NOTIFY_SUPERSEDED = 0x2, MCI_NOTIFY_ABORTED = 0x4, MCI_NOTIFY_FAILURE = 0x8,
};

constexpr MciError MCIERR_BASE = 256;
constexpr MciError MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr MciError MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr MciError MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr MciError MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr MciError MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr MciError MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr MciError MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr MciError MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr MciError MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
constexpr MciError MCIERR_SEQ_NOMIDIPRESENT = MCIERR_BASE + 87;

struct MciGenericParms {
  WindowHandle callback;   // the window MM_MCINOTIFY goes to (MCI_NOTIFY)
};

struct MciOpenParms {
  WindowHandle callback;
  MciDeviceId deviceId;      // out
  const char* deviceType;    // "sequencer"
  const char* elementName;   // the MIDI file's Windows path (CP932)
  const char* alias;
};

struct MciPlayParms {
  WindowHandle callback;
  std::uint32_t from;   // milliseconds; only 0, the song's start
  std::uint32_t to;
};

// 0, or an MCIERR_* code.
MciError mciSendCommand(MciDeviceId device, std::uint32_t message, std::uint32_t flags, void* params);

}  // namespace pf
