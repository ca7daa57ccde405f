// The Direct3D object: reached from the DirectDraw object, it enumerates the profile's devices,
// Z-buffer formats and texture sizes, and creates devices on 3D-capable surfaces.
#include <cstring>

#include "platform/d3d/d3d_internal.h"

namespace pf {

const Guid IID_IDirect3DRGBDevice = {0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
const Guid IID_IDirect3DHALDevice = {0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
const Guid IID_IDirect3DTnLHalDevice = {0xF5049E78, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};

namespace d3d {
namespace {

HResult CreateFromDirectDraw(DirectDraw7* directDraw, void** out) {
  const Profile& profile = CurrentProfile();
  if (profile.queryFails) return E_NOINTERFACE;
  *out = static_cast<Direct3D7*>(new Direct3DObject(directDraw));
  return DD_OK;
}

const bool g_registered = (RegisterDirect3DFactory(&CreateFromDirectDraw), CurrentProfile(), true);

bool KnownDevice(const Guid& guid) {
  for (const Guid* device : CurrentProfile().devices) {
    if (*device == guid) return true;
  }
  return false;
}

D3DDeviceDesc7 Describe(const Guid& guid) {
  const Profile& profile = CurrentProfile();
  D3DDeviceDesc7 desc{};
  desc.deviceGuid = guid;
  desc.deviceRenderBitDepth = DDBD_16 | DDBD_32;
  desc.deviceZBufferBitDepth = DDBD_16;
  desc.minTextureWidth = desc.minTextureHeight = profile.minTextureSize;
  desc.maxTextureWidth = desc.maxTextureHeight = profile.maxTextureSize;
  desc.triCaps.size = desc.lineCaps.size = sizeof(D3DPrimCaps);
  desc.triCaps.textureCaps = D3DPTEXTURECAPS_POW2 | (profile.squareOnly ? static_cast<std::uint32_t>(D3DPTEXTURECAPS_SQUAREONLY) : 0u);
  desc.lineCaps.textureCaps = desc.triCaps.textureCaps;
  desc.maxTextureBlendStages = desc.maxSimultaneousTextures = kD3DStageCount;
  desc.maxVertexW = 1e10f;
  return desc;
}

}  // namespace

void EnsureRegistered() {
  if (g_registered) RegisterDirect3DFactory(&CreateFromDirectDraw);
}

Direct3DObject::Direct3DObject(DirectDraw7* directDraw) : directDraw_(directDraw) { directDraw_->AddRef(); }

Direct3DObject::~Direct3DObject() { directDraw_->Release(); }

HResult Direct3DObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirect3D7)) return directDraw_->QueryInterface(iid, out);
  AddRef();
  *out = static_cast<Direct3D7*>(this);
  return DD_OK;
}

std::uint32_t Direct3DObject::AddRef() {
  ddraw::Guard guard(ddraw::Mutex());
  return ++refs_;
}

std::uint32_t Direct3DObject::Release() {
  ddraw::Guard guard(ddraw::Mutex());
  if (--refs_ != 0) return refs_;
  delete this;
  return 0;
}

HResult Direct3DObject::EnumDevices(D3DEnumDevicesCallback callback, void* context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("EnumDevices", &code)) return code;
  for (const Guid* guid : CurrentProfile().devices) {
    D3DDeviceDesc7 desc = Describe(*guid);
    char description[64], name[32];
    if (*guid == IID_IDirect3DRGBDevice) {
      std::strcpy(description, "Software RGB emulation");
      std::strcpy(name, "RGB Emulation");
    } else if (*guid == IID_IDirect3DHALDevice) {
      std::strcpy(description, "Hardware acceleration");
      std::strcpy(name, "Direct3D HAL");
    } else {
      std::strcpy(description, "Hardware transform and lighting");
      std::strcpy(name, "Direct3D T&L HAL");
    }
    if (callback(description, name, &desc, context) == static_cast<HResult>(D3DENUMRET_CANCEL)) break;
  }
  return DD_OK;
}

HResult Direct3DObject::EnumZBufferFormats(const Guid& device, D3DEnumPixelFormatsCallback callback, void* context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("EnumZBufferFormats", &code)) return code;
  if (!KnownDevice(device)) return DDERR_INVALIDPARAMS;
  for (const DDPixelFormat& format : CurrentProfile().zFormats) {
    DDPixelFormat copy = format;
    if (callback(&copy, context) == static_cast<HResult>(D3DENUMRET_CANCEL)) break;
  }
  return DD_OK;
}

HResult Direct3DObject::CreateDevice(const Guid& device, DirectDrawSurface7* target, Direct3DDevice7** out) {
  if (out == nullptr || target == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (ddraw::Fault("CreateDevice", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (!KnownDevice(device)) return DDERR_INVALIDPARAMS;
  if (ddraw::SurfaceDead(target)) return ddraw::DeadObjectCall();
  DDCaps2 caps{};
  target->GetCaps(&caps);
  if (!(caps.caps & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
  *out = new DeviceObject(this, target);
  return DD_OK;
}

}  // namespace d3d
}  // namespace pf
