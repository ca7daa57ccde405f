// The DirectInput stand-in over the headless host's keys and virtual pads: objects and versions,
// enumeration, device set-up and acquisition rules, axis scaling with ranges and dead zones,
// unplugged pads, effects as rumble, and the multimedia joystick functions.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dinput/dinput.h"
#include "platform/dinput/dinput_internal.h"
#include "platform/dinput/key_codes.h"
#include "platform/testing.h"
#include "platform/window/window.h"

namespace {

pf::LResult PlainProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  return pf::DefWindowProc(window, message, wParam, lParam);
}

void PumpAll() {
  pf::Message message{};
  while (pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&message);
}

template <typename Object>
void Release(Object*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

class DirectInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::WindowClass windowClass{0, PlainProc, nullptr, 0, 0, 0, nullptr, "dinput-test"};
    pf::RegisterClass(&windowClass);
    window_ = pf::CreateWindowEx(0, "dinput-test", "dinput", pf::WS_POPUP, 0, 0, 320, 200, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    void* made = nullptr;
    ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectInput, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectInput7, &made),
              pf::DI_OK);
    input_ = static_cast<pf::DirectInput*>(made);
    ASSERT_EQ(input_->Initialize(nullptr, 0x700), pf::DI_OK);
  }
  void TearDown() override {
    Release(input_);
    pf::DestroyWindow(window_);
  }

  // A pad device with the joystick format, range -1000..1000 and a dead zone of 2500 on X and Y.
  pf::DirectInputDevice* OpenPad(int slot, std::uint32_t level) {
    pf::DirectInputDevice* device = nullptr;
    EXPECT_EQ(input_->CreateDevice(pf::dinput::PadInstanceGuid(slot), &device, nullptr), pf::DI_OK);
    if (device == nullptr) return nullptr;
    EXPECT_EQ(device->SetDataFormat(&pf::c_dfDIJoystick), pf::DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(window_, level), pf::DI_OK);
    for (std::uint32_t axis : {pf::DIJOFS_X, pf::DIJOFS_Y}) {
      pf::DIPropRange range{{sizeof range, sizeof(pf::DIPropHeader), axis, pf::DIPH_BYOFFSET}, -1000, 1000};
      EXPECT_EQ(device->SetProperty(pf::DIProperty::kRange, &range.header), pf::DI_OK);
      pf::DIPropDword zone{{sizeof zone, sizeof(pf::DIPropHeader), axis, pf::DIPH_BYOFFSET}, 2500};
      EXPECT_EQ(device->SetProperty(pf::DIProperty::kDeadZone, &zone.header), pf::DI_OK);
    }
    return device;
  }

  pf::WindowHandle window_ = nullptr;
  pf::DirectInput* input_ = nullptr;
};

constexpr std::uint32_t kExclusiveForeground = pf::DISCL_EXCLUSIVE | pf::DISCL_FOREGROUND;
constexpr std::uint32_t kShared = pf::DISCL_NONEXCLUSIVE | pf::DISCL_BACKGROUND;

TEST(DirectInputKeys, ScancodesGiveTheJapaneseKeyboardsCodes) {
  struct Row { int scancode; int keyCode; int virtualKey; };
  static const Row kRows[] = {
      {41, 0x01, 0x1B}, {4, 0x1E, 'A'}, {29, 0x2C, 'Z'}, {39, 0x0B, '0'}, {44, 0x39, 0x20}, {40, 0x1C, 0x0D},
      {88, 0x9C, 0x0D}, {80, 0xCB, 0x25}, {82, 0xC8, 0x26}, {225, 0x2A, 0xA0}, {229, 0x36, 0xA1},
      {228, 0x9D, 0xA3}, {68, 0x57, 0x7A}, {98, 0x52, 0x60}, {84, 0xB5, 0x6F},
      // ろ, かな, ￥, 変換, 無変換, 半角/全角, and the JIS punctuation @ [ : ^
      {135, 0x2B, 0xE2}, {136, 0x70, 0x15}, {137, 0x7D, 0xDC}, {138, 0x79, 0x1C}, {139, 0x7B, 0x1D},
      {53, 0x94, 0xF3}, {47, 0x91, 0xC0}, {48, 0x1A, 0xDB}, {52, 0x92, 0xBA}, {46, 0x90, 0xDE},
      {0, 0, 0}, {511, 0, 0}, {-1, 0, 0},
  };
  for (const Row& row : kRows) {
    EXPECT_EQ(pf::dinput::KeyCodeOfScancode(row.scancode), row.keyCode) << row.scancode;
    EXPECT_EQ(pf::dinput::VirtualKeyOfScancode(row.scancode), row.virtualKey) << row.scancode;
  }
}

TEST(DirectInputAxes, RangesAndDeadZones) {
  const pf::dinput::AxisSetting game{-1000, 1000, 2500};
  const pf::dinput::AxisSetting plain{-1000, 1000, 0};
  const pf::dinput::AxisSetting unset{0, 65535, 0};
  struct Case { pf::dinput::AxisSetting axis; int value; int expected; };
  const Case kCases[] = {
      {game, 0, 0}, {game, 8191, 0}, {game, -8191, 0}, {game, 8192, 1}, {game, -8192, -1},
      {game, 16384, 333}, {game, 32767, 1000}, {game, -32768, -1000},
      {plain, 0, 0}, {plain, 32767, 1000}, {plain, -32768, -1000}, {plain, 16384, 500},
      {unset, -32768, 0}, {unset, 32767, 65535},
  };
  for (const Case& c : kCases) EXPECT_EQ(pf::dinput::ScaleAxis(c.value, c.axis), c.expected) << c.value;
}

TEST_F(DirectInputTest, ObjectsAnswerTheirOwnVersion) {
  void* made = nullptr;
  ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectInput8, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectInput8, &made),
            pf::DI_OK);
  auto* input8 = static_cast<pf::DirectInput*>(made);
  pf::DirectInputDevice* device = nullptr;
  EXPECT_EQ(input8->CreateDevice(pf::GUID_SysKeyboard, &device, nullptr), pf::DIERR_NOTINITIALIZED);
  EXPECT_EQ(input8->Initialize(nullptr, 0x700), pf::DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(input8->Initialize(nullptr, 0x800), pf::DI_OK);
  void* device7 = nullptr;
  EXPECT_EQ(input8->CreateDeviceEx(pf::GUID_SysKeyboard, pf::IID_IDirectInputDevice7, &device7, nullptr),
            pf::E_NOINTERFACE);
  input8->Release();
  EXPECT_EQ(pf::CoCreateInstance(pf::CLSID_DirectInput8, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectInput7, &made),
            pf::E_NOINTERFACE);
  pf::testing::FailNextCalls("DirectInput7Create", 1);
  EXPECT_EQ(pf::CoCreateInstance(pf::CLSID_DirectInput, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectInput7, &made),
            pf::REGDB_E_CLASSNOTREG);
}

int CollectPad(const pf::DIDeviceInstance* device, void* user) {
  static_cast<std::vector<pf::DIDeviceInstance>*>(user)->push_back(*device);
  return pf::DIENUM_CONTINUE;
}

TEST_F(DirectInputTest, EnumerationListsPadsWithCp932NamesAndDevicesOpenThem) {
  pf::testing::PlugPad(0, "\xE3\x83\x91\xE3\x83\x83\xE3\x83\x89");   // "パッド"
  pf::testing::PlugPad(3, "Second");
  std::vector<pf::DIDeviceInstance> found;
  ASSERT_EQ(input_->EnumDevices(pf::DIDEVTYPE_JOYSTICK, CollectPad, &found, pf::DIEDFL_ATTACHEDONLY), pf::DI_OK);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_STREQ(found[0].instanceName, "\x83\x70\x83\x62\x83\x68");
  EXPECT_STREQ(found[1].instanceName, "Second");
  void* made = nullptr;
  ASSERT_EQ(input_->CreateDeviceEx(found[1].instance, pf::IID_IDirectInputDevice7, &made, nullptr), pf::DI_OK);
  static_cast<pf::DirectInputDevice*>(made)->Release();
  pf::testing::UnplugPad(3);
  pf::DirectInputDevice* device = nullptr;
  EXPECT_EQ(input_->CreateDevice(found[1].instance, &device, nullptr), pf::DIERR_DEVICENOTREG);
  pf::testing::UnplugPad(0);
}

TEST_F(DirectInputTest, SetUpRulesAndStateOfAPad) {
  pf::testing::PlugPad(0, "Pad");
  pf::DirectInputDevice* device = nullptr;
  ASSERT_EQ(input_->CreateDevice(pf::dinput::PadInstanceGuid(0), &device, nullptr), pf::DI_OK);
  EXPECT_EQ(device->Acquire(), pf::DIERR_INVALIDPARAM);                       // no data format yet
  EXPECT_EQ(device->SetDataFormat(&pf::c_dfDIKeyboard), pf::DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetCooperativeLevel(window_, pf::DISCL_EXCLUSIVE | pf::DISCL_NONEXCLUSIVE | pf::DISCL_FOREGROUND),
            pf::DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, kShared), pf::DIERR_INVALIDPARAM);
  pf::DIPropRange backwards{{sizeof backwards, sizeof(pf::DIPropHeader), pf::DIJOFS_X, pf::DIPH_BYOFFSET}, 5, -5};
  EXPECT_EQ(device->SetProperty(pf::DIProperty::kRange, &backwards.header), pf::DIERR_INVALIDPARAM);
  device->Release();

  device = OpenPad(0, kExclusiveForeground);
  pf::Handle event = pf::CreateEvent(true, false);
  EXPECT_EQ(device->SetEventNotification(event), pf::DI_POLLEDDEVICE);
  pf::DIJoyState state{};
  EXPECT_EQ(device->GetDeviceState(sizeof state, &state), pf::DIERR_NOTACQUIRED);
  ASSERT_EQ(device->Acquire(), pf::DI_OK);
  EXPECT_EQ(device->Acquire(), pf::DI_NOEFFECT);
  EXPECT_EQ(device->SetDataFormat(&pf::c_dfDIJoystick), pf::DIERR_ACQUIRED);
  EXPECT_EQ(device->GetDeviceState(12, &state), pf::DIERR_INVALIDPARAM);
  pf::testing::SetPadAxis(0, 0, -32768);
  pf::testing::SetPadAxis(0, 1, 8000);    // inside the dead zone
  pf::testing::SetPadAxis(0, 2, 32767);   // Z keeps the default range 0..65535
  pf::testing::SetPadButton(0, 0, true);
  pf::testing::SetPadButton(0, 31, true);
  pf::testing::SetPadHat(0, 0, 3);        // up and right
  EXPECT_EQ(device->Poll(), pf::DI_OK);
  EXPECT_EQ(pf::WaitForSingleObject(event, 0), pf::kWaitObject0);   // the change was seen at Poll
  ASSERT_EQ(device->GetDeviceState(sizeof state, &state), pf::DI_OK);
  EXPECT_EQ(state.x, -1000);
  EXPECT_EQ(state.y, 0);
  EXPECT_EQ(state.z, 65535);
  EXPECT_EQ(state.buttons[0], 0x80);
  EXPECT_EQ(state.buttons[1], 0);
  EXPECT_EQ(state.buttons[31], 0x80);
  EXPECT_EQ(state.pov[0], 4500u);
  EXPECT_EQ(state.pov[1], 0xFFFFFFFFu);
  // A second exclusive device of the same pad is refused.
  pf::DirectInputDevice* other = OpenPad(0, kExclusiveForeground);
  EXPECT_EQ(other->Acquire(), pf::DIERR_OTHERAPPHASPRIO);
  other->Release();
  device->Release();
  pf::CloseHandle(event);
  pf::testing::UnplugPad(0);
}

TEST_F(DirectInputTest, ForegroundDevicesLoseInputWithTheFocus) {
  pf::testing::PlugPad(0, "Pad");
  pf::DirectInputDevice* foreground = OpenPad(0, kExclusiveForeground);
  pf::DirectInputDevice* keyboard = nullptr;
  ASSERT_EQ(input_->CreateDevice(pf::GUID_SysKeyboard, &keyboard, nullptr), pf::DI_OK);
  ASSERT_EQ(keyboard->SetDataFormat(&pf::c_dfDIKeyboard), pf::DI_OK);
  ASSERT_EQ(keyboard->SetCooperativeLevel(window_, kShared), pf::DI_OK);
  ASSERT_EQ(foreground->Acquire(), pf::DI_OK);
  ASSERT_EQ(keyboard->Acquire(), pf::DI_OK);
  pf::testing::InjectKey(29, true);   // Z
  pf::testing::InjectFocus(false);
  PumpAll();
  pf::DIJoyState state{};
  EXPECT_EQ(foreground->GetDeviceState(sizeof state, &state), pf::DIERR_INPUTLOST);
  EXPECT_EQ(foreground->Acquire(), pf::DIERR_OTHERAPPHASPRIO);
  // Background access goes on while the window is away; the host reports no keys then.
  std::uint8_t keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), pf::DI_OK);
  EXPECT_EQ(keys[0x2C], 0);
  ASSERT_EQ(foreground->SetCooperativeLevel(window_, kShared), pf::DI_OK);
  EXPECT_EQ(foreground->Acquire(), pf::DI_OK);
  pf::testing::InjectFocus(true);
  pf::testing::InjectKey(29, true);
  PumpAll();
  ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), pf::DI_OK);
  EXPECT_EQ(keys[0x2C], 0x80);
  keyboard->Release();
  foreground->Release();
  pf::testing::UnplugPad(0);
}

TEST_F(DirectInputTest, AnUnpluggedPadLosesInputForGood) {
  pf::testing::PlugPad(0, "Pad");
  pf::DirectInputDevice* device = OpenPad(0, kShared);
  ASSERT_EQ(device->Acquire(), pf::DI_OK);
  pf::testing::UnplugPad(0);
  pf::DIJoyState state{};
  EXPECT_EQ(device->Poll(), pf::DIERR_INPUTLOST);
  EXPECT_EQ(device->GetDeviceState(sizeof state, &state), pf::DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Acquire(), pf::DIERR_UNPLUGGED);
  pf::testing::PlugPad(0, "Pad");   // plugged again: a new device is needed
  EXPECT_EQ(device->Acquire(), pf::DIERR_UNPLUGGED);
  device->Release();
  pf::testing::UnplugPad(0);
}

TEST_F(DirectInputTest, EffectsRumbleThePadWhileAcquiredExclusively) {
  pf::testing::PlugPad(0, "Rumble");
  pf::testing::PlugPad(1, "Still", 8, 32, 4, false);
  pf::DirectInputDevice* device = OpenPad(0, kExclusiveForeground);
  const pf::DIConstantForce force{10000};
  const pf::DIPeriodic sine{10000, 0, 0, 1500000};
  pf::DIEffect parameters{sizeof(pf::DIEffect), pf::DIEFF_CARTESIAN, pf::kInfinite, 0, 5000, pf::DIEB_NOTRIGGER,
                          0, 0, nullptr, nullptr, nullptr, sizeof force, &force, 0};
  pf::DirectInputEffect* constant = nullptr;
  ASSERT_EQ(device->CreateEffect(pf::GUID_ConstantForce, &parameters, &constant, nullptr), pf::DI_OK);
  parameters.gain = 10000;
  parameters.typeSpecific = &sine;
  pf::DirectInputEffect* periodic = nullptr;
  ASSERT_EQ(device->CreateEffect(pf::GUID_Sine, &parameters, &periodic, nullptr), pf::DI_OK);
  EXPECT_NE(constant->Start(1, 0), pf::DI_OK);   // not acquired
  ASSERT_EQ(device->Acquire(), pf::DI_OK);
  ASSERT_EQ(constant->Start(1, 0), pf::DI_OK);
  ASSERT_EQ(periodic->Start(1, 0), pf::DI_OK);
  int low = 0, high = 0;
  ASSERT_TRUE(pf::testing::PadRumble(0, &low, &high, nullptr));
  EXPECT_EQ(low, 32767);     // half gain
  EXPECT_EQ(high, 65535);
  EXPECT_EQ(periodic->Stop(), pf::DI_OK);
  pf::testing::PadRumble(0, &low, &high, nullptr);
  EXPECT_EQ(high, 0);
  device->Unacquire();   // stops what still plays
  pf::testing::PadRumble(0, &low, &high, nullptr);
  EXPECT_EQ(low, 0);
  periodic->Release();
  constant->Release();
  device->Release();

  pf::DirectInputDevice* still = OpenPad(1, kExclusiveForeground);
  pf::DirectInputEffect* none = nullptr;
  EXPECT_EQ(still->CreateEffect(pf::GUID_Sine, &parameters, &none, nullptr), pf::DIERR_UNSUPPORTED);
  EXPECT_EQ(none, nullptr);
  still->Release();
  pf::testing::UnplugPad(0);
  pf::testing::UnplugPad(1);
}

TEST(MultimediaJoystick, CapabilitiesAndPositions) {
  pf::testing::PlugPad(0, "Four", 4, 12, 1, false);
  pf::testing::PlugPad(1, "Two", 2, 4, 0, false);
  pf::JoyCaps caps{};
  ASSERT_EQ(pf::joyGetDevCaps(0, &caps), pf::JOYERR_NOERROR);
  EXPECT_EQ(caps.caps, pf::JOYCAPS_HASZ | pf::JOYCAPS_HASR);
  ASSERT_EQ(pf::joyGetDevCaps(1, &caps), pf::JOYERR_NOERROR);
  EXPECT_EQ(caps.caps, 0u);
  EXPECT_EQ(pf::joyGetDevCaps(2, &caps), pf::JOYERR_PARMS);
  pf::testing::SetPadAxis(0, 0, -32768);
  pf::testing::SetPadAxis(0, 1, 32767);
  pf::testing::SetPadAxis(0, 3, -20480);
  pf::testing::SetPadButton(0, 2, true);
  pf::testing::SetPadButton(0, 23, true);
  pf::testing::SetPadHat(0, 0, 4);
  pf::JoyInfoEx info{};
  info.size = sizeof info;
  info.flags = pf::JOY_RETURNALL;
  ASSERT_EQ(pf::joyGetPosEx(0, &info), pf::JOYERR_NOERROR);
  EXPECT_EQ(info.x, 0u);
  EXPECT_EQ(info.y, 65535u);
  EXPECT_EQ(info.z, 32768u);
  EXPECT_EQ(info.r, 0x3000u);
  EXPECT_EQ(info.buttons, (1u << 2) | (1u << 23));
  EXPECT_EQ(info.buttonNumber, 2u);
  EXPECT_EQ(info.pov, 18000u);
  pf::testing::FailNextCalls("joyGetPosEx", 1);
  EXPECT_EQ(pf::joyGetPosEx(0, &info), pf::JOYERR_UNPLUGGED);
  pf::testing::UnplugPad(0);
  pf::testing::UnplugPad(1);
  EXPECT_EQ(pf::joyGetPosEx(0, &info), pf::JOYERR_PARMS);
}

TEST(PlatformKeyState, VirtualKeysMouseButtonsAndToggles) {
  pf::WindowClass windowClass{0, PlainProc, nullptr, 0, 0, 0, nullptr, "keys-test"};
  pf::RegisterClass(&windowClass);
  pf::WindowHandle window =
      pf::CreateWindowEx(0, "keys-test", "keys", pf::WS_POPUP, 0, 0, 320, 200, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  pf::testing::InjectKey(229, true);    // right Shift
  pf::testing::InjectKey(57, true);     // Caps Lock
  pf::testing::InjectMouseButton(3, true);
  PumpAll();
  std::uint8_t keys[256];
  ASSERT_TRUE(pf::GetKeyboardState(keys));
  EXPECT_EQ(keys[0xA1], 0x80);
  EXPECT_EQ(keys[0x10], 0x80);          // Shift from either side
  EXPECT_EQ(keys[0xA0], 0);
  EXPECT_EQ(keys[0x14], 0x81);          // down and toggled on
  EXPECT_EQ(keys[0x02], 0x80);          // the right mouse button
  pf::testing::InjectKey(57, false);
  PumpAll();
  pf::GetKeyboardState(keys);
  EXPECT_EQ(keys[0x14], 0x01);          // up, still toggled
  pf::DestroyWindow(window);
}

}  // namespace
