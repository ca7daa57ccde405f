// Input start and end: DirectInput 7, else 8, else the multimedia joystick functions; the mouse,
// the keyboard and every attached pad with its range, dead zone and force-feedback effects; and the
// reacquiring of the devices when the application's activation changes.
#include <cstring>

#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/core/window_state.h"
#include "media/sound_input/input.h"
#include "media/sound_input/input_state.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

InputState g_input{};

namespace {

constexpr std::uint32_t kBackgroundLevel = pf::DISCL_NONEXCLUSIVE | pf::DISCL_BACKGROUND;   // 10
constexpr std::uint32_t kForegroundLevel = pf::DISCL_EXCLUSIVE | pf::DISCL_FOREGROUND;      // 5
constexpr std::int32_t kAxisRange = 1000;
constexpr std::uint32_t kDeadZone = 2500;   // a quarter of the range
constexpr std::uint32_t kKeyboardBufferSize = 100;

template <typename Object>
void ReleaseObject(Object*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

bool Succeeded(pf::HResult result) { return result >= 0; }

// Creates the DirectInput object of one version and initialises it; true when both worked.
bool CreateDirectInput(bool version8) {
  void* made = nullptr;
  const pf::HResult created = pf::CoCreateInstance(version8 ? pf::CLSID_DirectInput8 : pf::CLSID_DirectInput, nullptr,
                                                   pf::CLSCTX_ALL, version8 ? pf::IID_IDirectInput8 : pf::IID_IDirectInput7,
                                                   &made);
  if (!Succeeded(created) || made == nullptr) {
    WriteLogText("取得に失敗。\n");
    if (!version8) WriteLogFormat("エラーコード 0x%x", static_cast<unsigned>(created));
    return false;
  }
  auto* object = static_cast<pf::DirectInput*>(made);
  WriteLogText("成功\n");
  WriteLogText("引き続き初期化処理... ");
  if (!Succeeded(object->Initialize(g_window.instance, version8 ? 0x800 : 0x700))) {
    WriteLogText("初期化に失敗。\n");
    object->Release();
    return false;
  }
  WriteLogText("初期化成功\n");
  g_input.directInput = object;
  g_input.directInput8 = version8 ? 1 : 0;
  return true;
}

int StartMultimediaJoystick() {
  int found = 0;
  for (int id = 0; id < kMaxPads; ++id) {
    pf::JoyCaps caps{};
    if (pf::joyGetDevCaps(static_cast<std::uint32_t>(id), &caps) != pf::JOYERR_NOERROR) break;
    g_input.pads[id].hasZAndR = (caps.caps & pf::JOYCAPS_HASZ) != 0 && (caps.caps & pf::JOYCAPS_HASR) != 0 ? 1 : 0;
    ++found;
  }
  WriteLogFormat("パッドの数は %d 個です", found);
  g_input.mode = InputMode::kMultimediaJoystick;
  WriteLogText("入力関連の初期化をしました\n");
  g_input.padCount = kMaxPads;   // every id is polled; absent ones read as zero
  return 0;
}

pf::HResult CreateDevice(const pf::Guid& guid, pf::DirectInputDevice** out) {
  if (g_input.directInput8 != 0) return g_input.directInput->CreateDevice(guid, out, nullptr);
  void* made = nullptr;
  const pf::HResult result = g_input.directInput->CreateDeviceEx(guid, pf::IID_IDirectInputDevice7, &made, nullptr);
  *out = static_cast<pf::DirectInputDevice*>(made);
  return result;
}

pf::HResult SetAxisRange(pf::DirectInputDevice* device, std::uint32_t axis) {
  pf::DIPropRange range{{sizeof(pf::DIPropRange), sizeof(pf::DIPropHeader), axis, pf::DIPH_BYOFFSET},
                        -kAxisRange, kAxisRange};
  return device->SetProperty(pf::DIProperty::kRange, &range.header);
}

pf::HResult SetAxisDeadZone(pf::DirectInputDevice* device, std::uint32_t axis) {
  pf::DIPropDword zone{{sizeof(pf::DIPropDword), sizeof(pf::DIPropHeader), axis, pf::DIPH_BYOFFSET}, kDeadZone};
  return device->SetProperty(pf::DIProperty::kDeadZone, &zone.header);
}

// Range and dead zone on X, Y, Z and Rz; only the results for X and Y count.
bool SetPadAxes(pf::DirectInputDevice* device) {
  struct AxisStep {
    std::uint32_t axis;
    bool range;
    const char* failure;
  };
  static const AxisStep kSteps[] = {
      {pf::DIJOFS_X, true, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n"},
      {pf::DIJOFS_Y, true, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n"},
      {pf::DIJOFS_Z, true, nullptr},
      {pf::DIJOFS_RZ, true, nullptr},
      {pf::DIJOFS_X, false, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"},
      {pf::DIJOFS_Y, false, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n"},
      {pf::DIJOFS_Z, false, nullptr},
      {pf::DIJOFS_RZ, false, nullptr},
  };
  for (const AxisStep& step : kSteps) {
    const pf::HResult result = step.range ? SetAxisRange(device, step.axis) : SetAxisDeadZone(device, step.axis);
    if (!Succeeded(result) && step.failure != nullptr) {
      WriteLogText(step.failure);
      return false;
    }
  }
  return true;
}

// The sine effect and the constant force on X and Y. A pad without force feedback keeps no effect;
// each failure is logged on its own.
void CreatePadEffects(pf::DirectInputDevice* device, PadRecord* pad) {
  static const std::uint32_t kAxes[2] = {pf::DIJOFS_X, pf::DIJOFS_Y};
  static const std::int32_t kDirection[2] = {0, 0};
  static const pf::DIEnvelope kEnvelope{sizeof(pf::DIEnvelope), 0, pf::DI_SECONDS / 2, 0, pf::DI_SECONDS};
  static const pf::DIPeriodic kSine{pf::DI_FFNOMINALMAX, 0, 0, pf::DI_SECONDS * 3 / 2};
  static const pf::DIConstantForce kConstant{pf::DI_FFNOMINALMAX};
  pf::DIEffect effect{sizeof(pf::DIEffect), pf::DIEFF_POLAR | pf::DIEFF_OBJECTOFFSETS, pf::kInfinite, 0,
                      pf::DI_FFNOMINALMAX, pf::DIEB_NOTRIGGER, 0, 2, kAxes, kDirection, &kEnvelope,
                      sizeof kSine, &kSine, 0};
  if (!Succeeded(device->CreateEffect(pf::GUID_Sine, &effect, &pad->sineEffect, nullptr))) {
    pad->sineEffect = nullptr;
    WriteLogText("サイン波エフェクトの作成に失敗しました。\n");
  }
  effect.flags = pf::DIEFF_CARTESIAN | pf::DIEFF_OBJECTOFFSETS;
  effect.envelope = nullptr;
  effect.typeSpecificSize = sizeof kConstant;
  effect.typeSpecific = &kConstant;
  if (!Succeeded(device->CreateEffect(pf::GUID_ConstantForce, &effect, &pad->constantEffect, nullptr))) {
    pad->constantEffect = nullptr;
    WriteLogText("周期的エフェクトの作成に失敗しました。\n");
  }
}

void ReleasePadObjects(PadRecord* pad) {
  if (pad->constantEffect != nullptr) pad->constantEffect->Unload();
  if (pad->sineEffect != nullptr) pad->sineEffect->Unload();
  ReleaseObject(pad->constantEffect);
  ReleaseObject(pad->sineEffect);
  ReleaseObject(pad->device);
  if (pad->event != nullptr) pf::CloseHandle(pad->event);
  *pad = PadRecord{};
}

// The DirectInput enumeration callback: one attached game controller.
int AddPadDevice(const pf::DIDeviceInstance* instance, void*) {
  if (g_input.padCount >= kMaxPads) return pf::DIENUM_STOP;
  WriteLogText("入力装置を見つけました\n");
  PadRecord* pad = &g_input.pads[g_input.padCount];
  *pad = PadRecord{};
  pf::DirectInputDevice* device = nullptr;
  if (!Succeeded(CreateDevice(instance->instance, &device)) || device == nullptr) {
    WriteLogText("入力装置の取得に失敗しました\n");
    return pf::DIENUM_CONTINUE;
  }
  pad->device = device;
  std::memcpy(pad->instanceName, instance->instanceName, kPadNameSize);
  std::memcpy(pad->productName, instance->productName, kPadNameSize);
  pad->instanceName[kPadNameSize - 1] = pad->productName[kPadNameSize - 1] = '\0';
  WriteLogFormat("デバイスの登録名:%s", pad->instanceName);
  WriteLogFormat("デバイスの製品登録名:%s", pad->productName);
  const char* failure = nullptr;
  if (!Succeeded(device->SetDataFormat(&pf::c_dfDIJoystick))) {
    failure = "ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n";
  } else if (!Succeeded(device->SetCooperativeLevel(g_window.window, kForegroundLevel))) {
    failure = "ジョイパッドデバイスの協調レベルの設定に失敗しました\n";
  }
  if (failure != nullptr) WriteLogText(failure);
  if (failure != nullptr || !SetPadAxes(device)) {
    ReleasePadObjects(pad);
    return pf::DIENUM_CONTINUE;
  }
  CreatePadEffects(device, pad);
  pad->vibrationOn = 0;
  pad->vibrationPower = 10000;
  pad->event = pf::CreateEvent(true, false);
  const pf::HResult notified = pad->event != nullptr ? device->SetEventNotification(pad->event) : pf::DIERR_GENERIC;
  if (notified != pf::DI_OK && notified != pf::DI_POLLEDDEVICE) {
    WriteLogText("ジョイパッドイベントのセットアップが失敗しました\n");
    ReleasePadObjects(pad);
    return pf::DIENUM_CONTINUE;
  }
  device->Acquire();
  pad->state = pf::DIJoyState{};
  pad->lastPoll = pf::timeGetTime() - 1;
  ++g_input.padCount;
  WriteLogText("ジョイパッドの追加は正常に終了しました\n");
  return pf::DIENUM_CONTINUE;
}

void StartMouse() {
  WriteLogText("マウスデバイスの初期化... ");
  if (!Succeeded(CreateDevice(pf::GUID_SysMouse, &g_input.mouse)) || g_input.mouse == nullptr) {
    AbortWithLog("マウスデバイスの取得に失敗しました\n");
  }
  if (!Succeeded(g_input.mouse->SetDataFormat(&pf::c_dfDIMouse2))) {
    AbortWithLog("マウスデバイスのデータ形式の設定に失敗しました\n");
  }
  if (!Succeeded(g_input.mouse->SetCooperativeLevel(g_window.window, kBackgroundLevel))) {
    AbortWithLog("マウスデバイスの協調レベルの設定に失敗しました\n");
  }
  WriteLogText("初期化成功\n");
}

// 0, or 1 when the keyboard's event notification cannot be set up.
int StartKeyboard() {
  WriteLogText("キーボードデバイスの初期化... ");
  if (!Succeeded(CreateDevice(pf::GUID_SysKeyboard, &g_input.keyboard)) || g_input.keyboard == nullptr) {
    AbortWithLog("キーボードデバイスの取得に失敗しました\n");
  }
  pf::DirectInputDevice* keyboard = g_input.keyboard;
  if (!Succeeded(keyboard->SetDataFormat(&pf::c_dfDIKeyboard))) {
    AbortWithLog("キーボードデバイスのデータ形式の設定に失敗しました\n");
  }
  if (!Succeeded(keyboard->SetCooperativeLevel(g_window.window, kBackgroundLevel))) {
    AbortWithLog("キーボードデバイスの協調レベルの設定に失敗しました\n");
  }
  pf::DIPropDword buffer{{sizeof(pf::DIPropDword), sizeof(pf::DIPropHeader), 0, pf::DIPH_DEVICE}, kKeyboardBufferSize};
  if (!Succeeded(keyboard->SetProperty(pf::DIProperty::kBufferSize, &buffer.header))) {
    WriteLogText("キーボードのプロパティ設定に失敗しました\n");
  }
  g_input.keyboardEvent = pf::CreateEvent(true, false);
  const pf::HResult notified =
      g_input.keyboardEvent != nullptr ? keyboard->SetEventNotification(g_input.keyboardEvent) : pf::DIERR_GENERIC;
  if (notified != pf::DI_OK && notified != pf::DI_POLLEDDEVICE) {
    WriteLogText("キーボードイベントのセットアップが失敗しました\n");
    return 1;
  }
  if (!Succeeded(keyboard->Acquire()) && !Succeeded(keyboard->Acquire())) {
    AbortWithLog("キーボードデバイスの取得に失敗しました\n");
  }
  WriteLogText("初期化成功\n");
  return 0;
}

}  // namespace

void ClearInputState() {
  const int multimedia = g_input.useMultimediaJoystick;
  g_input = InputState{};
  g_input.useMultimediaJoystick = multimedia;
  g_input.lastKeyboardRefresh = pf::timeGetTime() - 1;
  for (PadRecord& pad : g_input.pads) pad.lastPoll = g_input.lastKeyboardRefresh;
}

int StartInput() {
  if (g_input.mode != InputMode::kNotStarted) return 0;
  ClearInputState();
  if (g_input.useMultimediaJoystick == 0) {
    WriteLogText("DirectInput関係初期化処理\n");
    PushLogIndent();
    WriteLogText("DirectInput7 の取得中... ");
    bool created = CreateDirectInput(false);
    if (!created) {
      WriteLogText("DirectInput8 の取得を試みます...");
      created = CreateDirectInput(true);
    }
    if (!created) {
      WriteLogText("DirectInput を使用しません。\n");
      PopLogIndent();
      g_input.useMultimediaJoystick = 1;
    }
  }
  if (g_input.useMultimediaJoystick != 0) return StartMultimediaJoystick();

  g_input.mode = InputMode::kDirectInput;
  pf::BringWindowToTop(g_window.window);
  ProcessMessage();
  // The pump can end input (a display change rebuilds graphics and input with them).
  if (g_input.mode != InputMode::kDirectInput) return -1;
  EnumeratePads();
  StartMouse();
  int result = 0;
  if (g_input.noDirectInputKeyboard == 0) result = StartKeyboard();
  PopLogIndent();
  if (result == 0) WriteLogText("DirectInput 関連の初期化は正常に終了しました\n");
  return result;
}

int EnumeratePads() {
  ReleasePads();
  WriteLogText("ジョイパッドの初期化... \n");
  PushLogIndent();
  g_input.padCount = 0;
  g_input.directInput->EnumDevices(pf::DIDEVTYPE_JOYSTICK, AddPadDevice, nullptr, pf::DIEDFL_ATTACHEDONLY);
  PopLogIndent();
  WriteLogText("ジョイパッドの初期化は正常に終了しました\n");
  return 0;
}

int ReleasePads() {
  for (int i = 0; i < g_input.padCount; ++i) {
    PadRecord* pad = &g_input.pads[i];
    if (pad->device != nullptr) {
      pad->device->Unacquire();
      pad->device->SetEventNotification(nullptr);
    }
    ReleasePadObjects(pad);
  }
  g_input.padCount = 0;
  return 0;
}

int EndInput() {
  if (g_input.mode == InputMode::kNotStarted) return 0;
  if (g_input.mode == InputMode::kMultimediaJoystick) {
    WriteLogText("入力関連の終了処理... 完了\n");
  } else {
    WriteLogText("DirectInput 関連の終了処理... 完了\n");
    ReleasePads();
    if (g_input.keyboard != nullptr) {
      g_input.keyboard->Unacquire();
      ReleaseObject(g_input.keyboard);
    }
    if (g_input.keyboardEvent != nullptr) pf::CloseHandle(g_input.keyboardEvent);
    g_input.keyboardEvent = nullptr;
    if (g_input.mouse != nullptr) {
      g_input.mouse->Unacquire();
      ReleaseObject(g_input.mouse);
    }
    ReleaseObject(g_input.directInput);
  }
  g_input.padCount = 0;
  g_input.mode = InputMode::kNotStarted;
  return 0;
}

int ReacquireInputDevices() {
  if (g_input.mode != InputMode::kDirectInput) return 0;
  const std::uint32_t level = g_window.active != 0 ? kForegroundLevel : kBackgroundLevel;
  for (int i = 0; i < g_input.padCount; ++i) {
    pf::DirectInputDevice* device = g_input.pads[i].device;
    if (device == nullptr) continue;
    device->Unacquire();
    device->SetCooperativeLevel(g_window.window, level);
    device->Acquire();
  }
  if (g_input.keyboard != nullptr) {
    g_input.keyboard->Unacquire();
    g_input.keyboard->Acquire();
  }
  return 0;
}

}  // namespace zelvo
