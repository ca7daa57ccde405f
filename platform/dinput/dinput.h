#pragma once
// DirectInput 7 and 8 as the library calls them: the DirectInput object (initialise, enumerate the
// attached game controllers, create devices), the system keyboard and mouse and joystick devices
// (data formats, cooperative levels, properties, event notification, acquire and unacquire, poll,
// device state) and force-feedback effects. Objects are made through CoCreateInstance with the
// public class and interface identifiers; results are the platform's result codes.
//
// Devices read the host (platform/host): the keyboard through the host's key state with DirectInput
// key codes, the mouse buttons, and the host's pads (axes scaled to the range and dead zone set on
// the device, buttons, hats). A foreground device reads only while its window has the focus; a pad
// that is unplugged reads DIERR_INPUTLOST and cannot be acquired again.
//
// Fault switches (pf::testing::FailNextCalls): "DirectInput7Create", "DirectInput8Create",
// "DirectInputInitialize", "DirectInputEnumDevices", "DirectInputCreateDevice",
// "DirectInputSetDataFormat", "DirectInputSetCooperativeLevel", "DirectInputSetProperty",
// "DirectInputSetEventNotification", "DirectInputAcquire" (a device that refuses to acquire),
// "DirectInputGetDeviceState" (input lost), "DirectInputCreateEffect", "DirectInputEffectStart" and
// "joyGetPosEx". Pads are plugged and unplugged through the host's test controls.
#include <cstdint>

#include "platform/ddraw/ddraw.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace pf {

constexpr HResult DI_OK = 0;
constexpr HResult DI_NOEFFECT = 1;
constexpr HResult DI_POLLEDDEVICE = 2;
constexpr HResult DIERR_GENERIC = static_cast<HResult>(0x80004005u);
constexpr HResult DIERR_UNSUPPORTED = static_cast<HResult>(0x80004001u);
constexpr HResult DIERR_INVALIDPARAM = static_cast<HResult>(0x80070057u);
constexpr HResult DIERR_NOTINITIALIZED = static_cast<HResult>(0x80070015u);
constexpr HResult DIERR_ALREADYINITIALIZED = static_cast<HResult>(0x800704DFu);
constexpr HResult DIERR_OLDDIRECTINPUTVERSION = static_cast<HResult>(0x8007047Eu);
constexpr HResult DIERR_DEVICENOTREG = static_cast<HResult>(0x80040154u);
constexpr HResult DIERR_NOTACQUIRED = static_cast<HResult>(0x8007000Cu);
constexpr HResult DIERR_INPUTLOST = static_cast<HResult>(0x8007001Eu);
constexpr HResult DIERR_ACQUIRED = static_cast<HResult>(0x800700AAu);
constexpr HResult DIERR_OTHERAPPHASPRIO = static_cast<HResult>(0x80070005u);
constexpr HResult DIERR_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult DIERR_UNPLUGGED = static_cast<HResult>(0x80040209u);

extern const Guid CLSID_DirectInput;
extern const Guid CLSID_DirectInput8;
extern const Guid IID_IDirectInput7;
extern const Guid IID_IDirectInput8;
extern const Guid IID_IDirectInputDevice7;
extern const Guid IID_IDirectInputDevice8;
extern const Guid GUID_SysKeyboard;
extern const Guid GUID_SysMouse;
extern const Guid GUID_ConstantForce;
extern const Guid GUID_Sine;

// ---------------------------------------------------------------- records
// What SetDataFormat is given: one of the three formats below.
struct DIDataFormat {
  int kind;                  // 1 keyboard, 2 mouse with 8 buttons, 3 joystick
  std::uint32_t dataSize;    // bytes GetDeviceState fills
};
extern const DIDataFormat c_dfDIKeyboard;   // 256 bytes, one per key code, bit 7 down
extern const DIDataFormat c_dfDIMouse2;     // DIMouseState2
extern const DIDataFormat c_dfDIJoystick;   // DIJoyState

struct DIMouseState2 {
  std::int32_t x, y, z;       // movement since the last read
  std::uint8_t buttons[8];    // bit 7 down
};
static_assert(sizeof(DIMouseState2) == 20);

struct DIJoyState {
  std::int32_t x, y, z;       // in the range set on each axis
  std::int32_t rx, ry, rz;
  std::int32_t sliders[2];
  std::uint32_t pov[4];       // hundredths of a degree clockwise from up; 0xFFFFFFFF centred
  std::uint8_t buttons[32];   // bit 7 down
};
static_assert(sizeof(DIJoyState) == 80);

// Axis offsets within DIJoyState, for properties and effects.
enum : std::uint32_t { DIJOFS_X = 0, DIJOFS_Y = 4, DIJOFS_Z = 8, DIJOFS_RX = 12, DIJOFS_RY = 16, DIJOFS_RZ = 20 };

constexpr std::uint32_t DIDEVTYPE_JOYSTICK = 4;      // DirectInput 7's device type of game controllers
constexpr std::uint32_t DI8DEVCLASS_GAMECTRL = 4;    // DirectInput 8's device class of the same
constexpr std::uint32_t DIEDFL_ATTACHEDONLY = 1;

struct DIDeviceInstance {
  Guid instance;
  Guid product;
  std::uint32_t devType;
  char instanceName[260];    // CP932
  char productName[260];     // CP932
};
enum : int { DIENUM_STOP = 0, DIENUM_CONTINUE = 1 };
using DIEnumDevicesCallback = int (*)(const DIDeviceInstance* device, void* user);

enum : std::uint32_t {
  DISCL_EXCLUSIVE = 1, DISCL_NONEXCLUSIVE = 2, DISCL_FOREGROUND = 4, DISCL_BACKGROUND = 8,
};

// Properties: a header naming the object, then the value.
enum class DIProperty : int { kBufferSize = 1, kRange = 4, kDeadZone = 5 };
enum : std::uint32_t { DIPH_DEVICE = 0, DIPH_BYOFFSET = 1 };
struct DIPropHeader {
  std::uint32_t size;         // of the whole record
  std::uint32_t headerSize;   // sizeof(DIPropHeader)
  std::uint32_t object;       // 0 for the device, else an axis offset
  std::uint32_t how;          // DIPH_DEVICE or DIPH_BYOFFSET
};
struct DIPropDword {
  DIPropHeader header;
  std::uint32_t data;
};
struct DIPropRange {
  DIPropHeader header;
  std::int32_t min, max;
};

// ---------------------------------------------------------------- effects
constexpr std::uint32_t DI_SECONDS = 1000000;        // effect times are in microseconds
constexpr std::uint32_t DI_FFNOMINALMAX = 10000;
constexpr std::uint32_t DIEB_NOTRIGGER = 0xFFFFFFFFu;
enum : std::uint32_t { DIEFF_OBJECTOFFSETS = 0x2, DIEFF_CARTESIAN = 0x10, DIEFF_POLAR = 0x20 };
struct DIEnvelope {
  std::uint32_t size;
  std::uint32_t attackLevel, attackTime, fadeLevel, fadeTime;
};
struct DIPeriodic {
  std::uint32_t magnitude;
  std::int32_t offset;
  std::uint32_t phase, period;
};
struct DIConstantForce {
  std::int32_t magnitude;
};
struct DIEffect {
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t duration;          // microseconds, kInfinite for no end
  std::uint32_t samplePeriod;
  std::uint32_t gain;              // 0..10000
  std::uint32_t triggerButton;
  std::uint32_t triggerRepeatInterval;
  std::uint32_t axisCount;
  const std::uint32_t* axes;
  const std::int32_t* direction;
  const DIEnvelope* envelope;
  std::uint32_t typeSpecificSize;
  const void* typeSpecific;        // DIPeriodic or DIConstantForce
  std::uint32_t startDelay;
};

class DirectInputEffect : public Unknown {
 public:
  // Plays the effect `iterations` times (kInfinite: until stopped); the pad rumbles while it plays.
  virtual HResult Start(std::uint32_t iterations, std::uint32_t flags) = 0;
  virtual HResult Stop() = 0;
  virtual HResult Unload() = 0;
};

// ---------------------------------------------------------------- devices
class DirectInputDevice : public Unknown {
 public:
  virtual HResult SetDataFormat(const DIDataFormat* format) = 0;
  virtual HResult SetCooperativeLevel(WindowHandle window, std::uint32_t flags) = 0;
  virtual HResult SetProperty(DIProperty property, const DIPropHeader* header) = 0;
  // The event is set whenever new input arrives for the device; nullptr removes it. Pads answer
  // DI_POLLEDDEVICE: they are read by polling, and their event is set on changes seen at Poll.
  virtual HResult SetEventNotification(Handle event) = 0;
  virtual HResult Acquire() = 0;
  virtual HResult Unacquire() = 0;
  virtual HResult Poll() = 0;
  virtual HResult GetDeviceState(std::uint32_t size, void* data) = 0;
  virtual HResult CreateEffect(const Guid& effect, const DIEffect* parameters, DirectInputEffect** out,
                               Unknown* outer) = 0;
};

// One object serves both versions: IID_IDirectInput7 with version 0x700, IID_IDirectInput8 with 0x800.
class DirectInput : public Unknown {
 public:
  virtual HResult Initialize(void* instance, std::uint32_t version) = 0;
  // Game controllers only (DIDEVTYPE_JOYSTICK / DI8DEVCLASS_GAMECTRL), in the host's order.
  virtual HResult EnumDevices(std::uint32_t type, DIEnumDevicesCallback callback, void* user,
                              std::uint32_t flags) = 0;
  virtual HResult CreateDevice(const Guid& device, DirectInputDevice** out, Unknown* outer) = 0;
  // DirectInput 7's creation with a chosen device interface (IID_IDirectInputDevice7).
  virtual HResult CreateDeviceEx(const Guid& device, const Guid& iid, void** out, Unknown* outer) = 0;
};

// ---------------------------------------------------------------- multimedia joystick functions
enum : std::uint32_t { JOYERR_NOERROR = 0, JOYERR_PARMS = 165, JOYERR_UNPLUGGED = 167 };
enum : std::uint32_t { JOYCAPS_HASZ = 0x1, JOYCAPS_HASR = 0x2 };
struct JoyCaps {
  char name[32];             // CP932
  std::uint32_t axisCount, buttonCount;
  std::uint32_t caps;        // JOYCAPS_*
};
enum : std::uint32_t { JOY_RETURNALL = 0xFF };
struct JoyInfoEx {
  std::uint32_t size;
  std::uint32_t flags;                 // JOY_RETURNALL
  std::uint32_t x, y, z, r, u, v;      // 0..65535, centred 32767
  std::uint32_t buttons;               // bit i: button i down
  std::uint32_t buttonNumber;          // how many are down
  std::uint32_t pov;                   // hundredths of a degree, 0xFFFF centred
};
// Joystick ids 0..15 name the host's pads in their listed order.
std::uint32_t joyGetDevCaps(std::uint32_t id, JoyCaps* out);
std::uint32_t joyGetPosEx(std::uint32_t id, JoyInfoEx* out);

// ---------------------------------------------------------------- the platform's key state
// The virtual keys' state (bit 7 down, bit 0 toggled for Caps, Num and Scroll Lock), from the host's
// keys and mouse buttons; 256 bytes.
bool GetKeyboardState(std::uint8_t* state256);

}  // namespace pf
