// Direct3D start-up over the DirectDraw screen: device choice, Z-buffer check, the device slots, the
// texture format table and texture limits; the release and re-acquire pair around a display-mode
// change; shut-down.
#include <cstring>

#include "media/core/log.h"
#include "media/display/convert_pixel_rect.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

Direct3DState g_d3d;
Direct3DSurfaceHooks g_d3dSurfaceHooks;

namespace {

void CallHook(void (*hook)()) {
  if (hook != nullptr) hook();
}

void ReleaseObject() {
  if (g_d3d.object != nullptr) g_d3d.object->Release();
  g_d3d.object = nullptr;
}

int AddressModeOrClamp() { return g_d3d.inputs.addressMode == 0 ? static_cast<int>(pf::D3DTADDRESS_CLAMP) : g_d3d.inputs.addressMode; }

// Files one enumerated format into the table: alpha formats by their alpha mask, the others by depth.
void FileTextureFormat(const pf::DDPixelFormat& format, bool* found) {
  TextureFormatDesc desc{};
  std::memcpy(&desc.ddFormat, &format, sizeof desc.ddFormat);
  PixelFormatFromPixelFormat(&desc.ddFormat, &desc.format);
  if (desc.format.ColorBitDepth == 0) return;
  const std::uint32_t alpha = (format.flags & pf::DDPF_ALPHAPIXELS) != 0 ? format.alphaMask : 0;
  if (alpha != 0) {
    if (format.bitCount == 16 && alpha == 0xF000) TextureFormatTable[2] = desc;
    if (format.bitCount == 16 && alpha == 0x8000) TextureFormatTable[4] = desc;
    if (format.bitCount == 32 && alpha == 0xFF000000u) {
      TextureFormatTable[3] = desc;
      TextureFormatTable[5] = desc;
    }
    return;
  }
  const int index = format.bitCount == 16 ? 0 : (format.bitCount == 32 ? 1 : -1);
  if (index < 0) return;
  const bool empty = TextureFormatTable[index].format.ColorBitDepth == 0;
  // The first of a depth, replaced by a later one that matches the screen.
  if (empty || SamePixelFormat(&desc.format, GetScreenPixelFormat())) TextureFormatTable[index] = desc;
  if (index == 0) *found = true;
}

void ApplyTextureFormatFallbacks() {
  auto empty = [](int i) { return TextureFormatTable[i].format.ColorBitDepth == 0; };
  static const int kFallbacks[][2] = {{1, 0}, {3, 2}, {4, 2}, {5, 3}, {6, 0}, {7, 1}, {8, 3}};
  for (const auto& f : kFallbacks) {
    const bool always = f[0] >= 6;   // 6 to 8 are never offered by the device
    if (always || empty(f[0])) TextureFormatTable[f[0]] = TextureFormatTable[f[1]];
  }
}

// The formatted log ends each line; the two mask lines carry a line feed of their own as well.
void LogTextureFacts() {
  PushLogIndent();
  WriteLogFormat("テクスチャ最大幅:%u 最小幅:%u ", static_cast<unsigned>(g_d3d.maxTextureSize),
                 static_cast<unsigned>(g_d3d.minTextureSize));
  const std::uint32_t caps = g_d3d.chosenDevice.triCaps.textureCaps;
  WriteLogFormat("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ",
                 (caps & pf::D3DPTEXTURECAPS_POW2) != 0 ? 1 : 0, (caps & pf::D3DPTEXTURECAPS_SQUAREONLY) != 0 ? 1 : 0);
  WriteLogText("テクスチャピクセルフォーマット\n");
  WriteLogText("\t通常グラフィック用\n");
  for (int i = 0; i < 2; ++i) {
    const PixelFormat& f = TextureFormatTable[i].format;
    WriteLogFormat("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", f.ColorBitDepth, f.ChannelWidth[0], f.ChannelWidth[1],
                   f.ChannelWidth[2]);
    WriteLogFormat("\t\t RED:%06x GREEN:%06x BLUE:%06x ", f.ChannelMask[0], f.ChannelMask[1], f.ChannelMask[2]);
  }
  WriteLogText("\tアルファチャンネル付きグラフィック用\n");
  for (int i = 2; i < 4; ++i) {
    const PixelFormat& f = TextureFormatTable[i].format;
    WriteLogFormat("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", f.ColorBitDepth, f.ChannelWidth[3],
                   f.ChannelWidth[0], f.ChannelWidth[1], f.ChannelWidth[2]);
    WriteLogFormat("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x ", f.ChannelMask[3], f.ChannelMask[0],
                   f.ChannelMask[1], f.ChannelMask[2]);
  }
  PopLogIndent();
}

// Sends the device's fixed start states; the cache takes over after.
void SendCreationStates(pf::Direct3DDevice7* device) {
  const std::uint32_t address = static_cast<std::uint32_t>(AddressModeOrClamp());
  for (std::uint32_t stage = 0; stage < kStageCount; ++stage) {
    device->SetTextureStageState(stage, pf::D3DTSS_ADDRESS, address);
    device->SetTextureStageState(stage, pf::D3DTSS_MAGFILTER, pf::D3DTFG_POINT);
    device->SetTextureStageState(stage, pf::D3DTSS_MINFILTER, pf::D3DTFN_POINT);
  }
  device->SetRenderState(pf::D3DRS_COLORKEYBLENDENABLE, 0);
  device->SetRenderState(pf::D3DRS_CULLMODE, pf::D3DCULL_NONE);
  device->SetRenderState(pf::D3DRS_LIGHTING, 0);
  device->SetRenderState(pf::D3DRS_TEXTUREPERSPECTIVE, 0);
  device->SetRenderState(pf::D3DRS_SHADEMODE, pf::D3DSHADE_FLAT);
  device->SetRenderState(pf::D3DRS_COLORKEYENABLE, 0);
  device->SetRenderState(pf::D3DRS_DITHERENABLE, 0);
}

}  // namespace

void ResetDirect3DState() {
  // The slots are large; clear them field by field rather than through a temporary.
  std::memset(static_cast<void*>(&g_d3d), 0, sizeof g_d3d);
  g_d3d.grabChoice[0] = g_d3d.grabChoice[1] = -1;
  g_d3d.inputs.zFunc = pf::D3DCMP_LESSEQUAL;
  for (auto& desc : TextureFormatTable) desc = TextureFormatDesc{};
  ZBufferPixelFormat = DDPixelFormatRecord{};
}

Device3DSlot* UsableSlot(int slot) {
  if (g_d3d.object == nullptr || slot < 0 || slot >= kDeviceSlotCount) return nullptr;
  Device3DSlot* s = &g_d3d.slots[slot];
  return s->valid ? s : nullptr;
}

pf::HResult G_D3D_EnumDeviceCallback(char*, char*, pf::D3DDeviceDesc7* desc, void* context) {
  const bool tnl = desc->deviceGuid == pf::IID_IDirect3DTnLHalDevice;
  if (!tnl && !(desc->deviceGuid == pf::IID_IDirect3DHALDevice)) return pf::D3DENUMRET_OK;
  const int depth = g_screen.colorDepth;
  const std::uint32_t needed = depth == 16 ? static_cast<std::uint32_t>(pf::DDBD_16) : (depth == 32 ? static_cast<std::uint32_t>(pf::DDBD_32) : 0u);
  if (needed == 0 || (desc->deviceRenderBitDepth & needed) == 0) return pf::D3DENUMRET_OK;
  *static_cast<bool*>(context) = true;
  g_d3d.chosenDevice = *desc;
  return tnl ? pf::D3DENUMRET_CANCEL : pf::D3DENUMRET_OK;
}

pf::HResult G_D3D_EnumZBufferCallback(pf::DDPixelFormat* format, void* context) {
  if (format == nullptr) return pf::D3DENUMRET_CANCEL;
  if (format->flags != pf::DDPF_ZBUFFER || format->fourCC != 0 || format->bitCount != 16) return pf::D3DENUMRET_OK;
  std::memcpy(&ZBufferPixelFormat, format, sizeof ZBufferPixelFormat);
  *static_cast<bool*>(context) = true;
  return pf::D3DENUMRET_CANCEL;
}

pf::HResult G_D3D_EnumTextureFormatCallback(pf::DDPixelFormat* format, void* context) {
  const std::uint32_t skipped =
      pf::DDPF_LUMINANCE | pf::DDPF_BUMPLUMINANCE | pf::DDPF_BUMPDUDV | pf::DDPF_FOURCC | pf::DDPF_ALPHA;
  if (format != nullptr && (format->flags & skipped) == 0 && format->fourCC == 0) {
    FileTextureFormat(*format, static_cast<bool*>(context));
  }
  return pf::D3DENUMRET_OK;
}

int Create3DDevice(pf::DirectDrawSurface7* target) {
  if (g_d3d.object == nullptr) return -1;
  int index = 0;
  while (index < kDeviceSlotCount && g_d3d.slots[index].valid) ++index;
  if (index == kDeviceSlotCount) return -1;
  Device3DSlot* slot = &g_d3d.slots[index];
  std::memset(static_cast<void*>(slot), 0, sizeof *slot);
  WriteLogText("３Ｄデバイスを作成します... ");
  if (g_d3d.object->CreateDevice(g_d3d.chosenDevice.deviceGuid, target, &slot->device) != pf::DD_OK) {
    slot->device = nullptr;
    WriteLogText("３Ｄデバイスの作成に失敗しました\n");
    return -1;
  }
  PrefillVertexBuffers(slot);
  SendCreationStates(slot->device);
  InitStateCache(slot);
  slot->valid = 1;
  slot->defaultRenderTarget = target;
  slot->currentRenderTarget = target;
  G_D3D_ReapplyAllStates(index);
  WriteLogText("３Ｄデバイスの作成に成功しました\n");
  return index;
}

int G_D3D_ReleaseDeviceSlot(int slot) {
  if (slot < 0 || slot >= kDeviceSlotCount || !g_d3d.slots[slot].valid) return -1;
  Device3DSlot* s = &g_d3d.slots[slot];
  if (s->device != nullptr) s->device->Release();
  std::memset(static_cast<void*>(s), 0, sizeof *s);
  WriteLogText("３Ｄデバイスの削除は正常に終了しました\n");
  return 0;
}

int G_D3D_ReleaseAllDevices() {
  int released = 0;
  for (int i = 0; i < kDeviceSlotCount; ++i) {
    if (G_D3D_ReleaseDeviceSlot(i) == 0) ++released;
  }
  return released > 0 ? 0 : -1;
}

int G_D3D_Start() {
  if (g_d3d.object != nullptr) return -1;
  WriteLogText("Direct3D 関連の初期化を行います\n");
  const Direct3DDrawInputs inputs = g_d3d.inputs;
  ResetDirect3DState();
  g_d3d.inputs = inputs;
  WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  pf::DirectDraw7* directDraw = GetDirectDrawObject();
  void* object = nullptr;
  if (directDraw == nullptr || directDraw->QueryInterface(pf::IID_IDirect3D7, &object) != pf::DD_OK ||
      object == nullptr) {
    WriteLogText("Direct3Dオブジェクトの作成に失敗しました\n");
    return -1;
  }
  g_d3d.object = static_cast<pf::Direct3D7*>(object);
  WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n");

  bool found = false;
  if (g_d3d.object->EnumDevices(G_D3D_EnumDeviceCallback, &found) != pf::DD_OK || !found) {
    WriteLogText("現在の画面モードで使用できる描画デバイスが見つかりませんでした\n");
    ReleaseObject();
    return -1;
  }
  found = false;
  if (g_d3d.object->EnumZBufferFormats(pf::IID_IDirect3DHALDevice, G_D3D_EnumZBufferCallback, &found) != pf::DD_OK ||
      !found) {
    WriteLogText("使用可能なＺバッファが見つかりませんでした\n");
    G_D3D_ReleaseAllDevices();
    ReleaseObject();
    return -1;
  }
  const int slot = Create3DDevice(GetFrontSurface());
  if (slot < 0) {
    ReleaseObject();
    return -1;
  }
  g_d3d.currentDevice = slot;
  Device3DSlot* s = &g_d3d.slots[slot];
  s->device->SetRenderTarget(GetFrontSurface(), 0);
  s->currentRenderTarget = GetFrontSurface();
  if (g_d3d.inputs.addressMode == 0) g_d3d.inputs.addressMode = pf::D3DTADDRESS_CLAMP;
  for (int stage = kStageCount - 1; stage >= 0; --stage) {
    const pf::HResult hr = s->device->SetTextureStageState(static_cast<std::uint32_t>(stage), pf::D3DTSS_ADDRESS,
                                                           static_cast<std::uint32_t>(g_d3d.inputs.addressMode));
    if (stage == 0 && hr != pf::DD_OK) {
      G_D3D_ReleaseAllDevices();
      ReleaseObject();
      return -1;
    }
  }
  for (auto& desc : TextureFormatTable) desc = TextureFormatDesc{};
  found = false;
  if (s->device->EnumTextureFormats(G_D3D_EnumTextureFormatCallback, &found) != pf::DD_OK || !found) {
    WriteLogText("使用可能なテクスチャフォーマットが見つかりませんでした\n");
    G_D3D_ReleaseAllDevices();
    ReleaseObject();
    return -1;
  }
  ApplyTextureFormatFallbacks();

  g_d3d.sceneEndsAfterEachDraw = 1;
  const pf::D3DDeviceDesc7& d = g_d3d.chosenDevice;
  const std::uint32_t smallest = d.minTextureWidth < d.minTextureHeight ? d.minTextureWidth : d.minTextureHeight;
  const std::uint32_t largest = d.maxTextureWidth < d.maxTextureHeight ? d.maxTextureWidth : d.maxTextureHeight;
  g_d3d.minTextureSize = smallest == 0 ? 32 : static_cast<int>(smallest);
  g_d3d.maxTextureSize = largest == 0 ? 256 : static_cast<int>(largest);
  g_d3d.grabChoice[0] = g_d3d.grabChoice[1] = -1;
  LogTextureFacts();
  WriteLogText("Direct3D 関連の初期化は正常に終了しました\n");
  g_d3d.started = 1;
  return 0;
}

int G_D3D_End() {
  if (g_d3d.object == nullptr) return -1;
  WriteLogText("Direct3D 関連の終了処理を行います\n");
  G_D3D_EndScene(g_d3d.currentDevice);
  g_d3d.sceneEndsAfterEachDraw = 0;
  G_D3D_SetTexture(nullptr, g_d3d.currentDevice);
  CallHook(g_d3dSurfaceHooks.deleteAllSurfaces);
  G_D3D_ReleaseAllDevices();
  ReleaseObject();
  WriteLogText("Direct3D 関連の終了処理は正常に終了しました\n");
  g_d3d.started = 0;
  return 0;
}

int G_D3D_ReleaseDevice(int slot) {
  if (slot < 0 || slot >= kDeviceSlotCount || !g_d3d.slots[slot].valid) return -1;
  Device3DSlot* s = &g_d3d.slots[slot];
  CallHook(g_d3dSurfaceHooks.releaseSurfaceObjects);
  if (s->device != nullptr) s->device->Release();
  s->device = nullptr;
  s->inScene = 0;
  s->batchCount = 0;
  // The textures the cache names go with their surface objects; the new device starts without them.
  s->currentTexture = nullptr;
  s->blendGraphTexture = nullptr;
  for (StageRecord& stage : s->stages) stage.texture = nullptr;
  s->blendDirty = 1;
  WriteLogText("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n");
  return 0;
}

int ReleaseDirect3DObject() {
  if (!g_d3d.started) return -1;
  G_D3D_ReleaseDevice(g_d3d.currentDevice);
  WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します\n");
  if (g_d3d.object != nullptr) {
    g_d3d.object->Release();
    g_d3d.object = nullptr;
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました\n");
  } else {
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています\n");
  }
  return 0;
}

int GetDirect3DObject() {
  if (!g_d3d.started) return 0;
  WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  if (g_d3d.object != nullptr) {
    WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn\n");
    return 0;
  }
  void* object = nullptr;
  pf::DirectDraw7* directDraw = GetDirectDrawObject();
  if (directDraw == nullptr || directDraw->QueryInterface(pf::IID_IDirect3D7, &object) != pf::DD_OK ||
      object == nullptr) {
    WriteLogText("Direct3Dオブジェクトの作成に失敗しました\n");
    return -1;
  }
  g_d3d.object = static_cast<pf::Direct3D7*>(object);
  WriteLogText("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n");
  Device3DSlot* s = &g_d3d.slots[g_d3d.currentDevice];
  s->defaultRenderTarget = GetFrontSurface();
  s->currentRenderTarget = GetBackSurface();
  s->force = 1;
  return G_D3D_RecreateDevice(g_d3d.currentDevice);
}

int G_D3D_RecreateDevice(int slot) {
  if (g_d3d.object == nullptr || slot < 0 || slot >= kDeviceSlotCount) return -1;
  Device3DSlot* s = &g_d3d.slots[slot];
  if (s->device != nullptr) return 0;
  WriteLogText("３Ｄデバイスを作成します... ");
  if (g_d3d.object->CreateDevice(g_d3d.chosenDevice.deviceGuid, s->defaultRenderTarget, &s->device) != pf::DD_OK) {
    s->device = nullptr;
    WriteLogText("３Ｄデバイスの作成に失敗しました\n");
    return -1;
  }
  s->device->SetRenderState(pf::D3DRS_DITHERENABLE, 0);
  WriteLogText("３Ｄデバイスの作成に成功しました\n");
  if (s->force) {
    if (s->currentRenderTarget != s->defaultRenderTarget && s->currentRenderTarget != nullptr) {
      s->device->SetRenderTarget(s->currentRenderTarget, 0);
    }
    s->inScene = 0;
    s->batchCount = 0;
    s->writePointer = s->vertexBuffers[s->batchKind];
    s->blendDirty = 1;
    G_D3D_ReapplyAllStates(slot);
    CallHook(g_d3dSurfaceHooks.recreateSurfaceObjects);
  }
  s->force = 0;
  return 0;
}

}  // namespace zelvo
