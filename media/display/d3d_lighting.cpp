// Lights, material, ambient colour and normal normalizing: sent to the device as they are, never
// cached. They act only on the vertices the device transforms and lights itself; the library's own
// 2D draws send pre-transformed vertices and run with lighting off.
#include "media/display/d3d_device.h"

namespace zelvo {
namespace {

pf::Direct3DDevice7* SlotDevice(int slot) {
  Device3DSlot* s = UsableSlot(slot);
  return s != nullptr ? s->device : nullptr;
}

int Sent(pf::HResult result) { return result == pf::DD_OK ? 0 : -1; }

}  // namespace

int G_D3D_SetLight(std::uint32_t index, const pf::D3DLight7* light, int slot) {
  pf::Direct3DDevice7* device = SlotDevice(slot);
  return device != nullptr ? Sent(device->SetLight(index, light)) : -1;
}

int G_D3D_LightEnable(std::uint32_t index, int enable, int slot) {
  pf::Direct3DDevice7* device = SlotDevice(slot);
  return device != nullptr ? Sent(device->LightEnable(index, enable)) : -1;
}

int G_D3D_SetMaterial(const pf::D3DMaterial7* material, int slot) {
  pf::Direct3DDevice7* device = SlotDevice(slot);
  return device != nullptr ? Sent(device->SetMaterial(material)) : -1;
}

int G_D3D_SetAmbient(std::uint32_t colour, int slot) {
  pf::Direct3DDevice7* device = SlotDevice(slot);
  return device != nullptr ? Sent(device->SetRenderState(pf::D3DRS_AMBIENT, colour)) : -1;
}

// Queued vertices were made under the old setting.
int G_D3D_SetNormalizeNormals(int on, int slot) {
  pf::Direct3DDevice7* device = SlotDevice(slot);
  if (device == nullptr) return -1;
  G_D3D_FlushBatch(slot);
  return Sent(device->SetRenderState(pf::D3DRS_NORMALIZENORMALS, on != 0 ? 1u : 0u));
}

pf::Direct3DDevice7* GetDevice3D(int slot) { return SlotDevice(slot); }

pf::Direct3DDevice7* GetCurrentD3DDevice() { return SlotDevice(g_d3d.currentDevice); }

}  // namespace zelvo
