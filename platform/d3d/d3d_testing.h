#pragma once
// Test controls of the Direct3D stand-in: the enumeration profile, the device's call trace, the
// counters, and readback of colour (with alpha) and depth. Faults go through
// pf::testing::FailNextCalls with the method's name ("CreateDevice", "EnumDevices",
// "EnumZBufferFormats", "EnumTextureFormats", "BeginScene", "SetViewport", "SetRenderState",
// "SetTextureStageState", "SetTexture", "SetTransform", "SetLight", "LightEnable", "SetMaterial",
// "DrawPrimitive", ...); "Load" answers DDERR_SURFACEBUSY unless SetFaultResult says otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d/d3d.h"

namespace pf::testing {

// Profiles: 'A' (default) a working hardware-like device; 'B' no hardware device; 'C' no 4:4:4:4
// texture format; 'D' square textures only, at most 256; 'E' the transform-and-lighting device
// listed before the plain hardware one; 'F' no 16-bit Z-buffer; 'G' texture sizes reported as 0;
// 'H' a 5:5:5 display at 16 bits; 'I' the DirectDraw object gives out no Direct3D. Without a choice
// the environment's ZELVO_D3D_PROFILE decides.
void SetDirect3DProfile(char letter);

// One line per device call ("DrawPrimitive TRIANGLELIST 0x144 6", "SetRenderState 27 1", ...).
void TraceDirect3D(bool on);
std::vector<std::string> TakeDirect3DTrace();

int DrawsOutsideScene();

// A surface's pixel as 0xAARRGGBB (alpha 255 for layouts without alpha).
std::uint32_t SurfacePixelArgb(DirectDrawSurface7* surface, int x, int y);
// A Z surface's stored value.
std::uint16_t DepthAt(DirectDrawSurface7* zSurface, int x, int y);

// The device's stored light and material.
bool DeviceLight(Direct3DDevice7* device, std::uint32_t index, D3DLight7* light, bool* enabled);
D3DMaterial7 DeviceMaterial(Direct3DDevice7* device);

// Whether triangles may use the specialised spans; off, everything takes the general path.
void UseSpecialisedSpans(bool on);

// Profile from the environment again, trace off, counters cleared, specialised spans on.
void ResetDirect3DStandIn();

}  // namespace pf::testing
