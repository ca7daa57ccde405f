// The Direct3D stand-in's test controls.
#include "platform/d3d/d3d_testing.h"

#include <cstdlib>

#include "platform/d3d/d3d_internal.h"
#include "platform/d3d/raster_pixel.h"

namespace pf::testing {

void SetDirect3DProfile(char letter) {
  d3d::EnsureRegistered();
  d3d::ChooseProfile(letter);
}

void TraceDirect3D(bool on) { d3d::SetTracing(on); }

std::vector<std::string> TakeDirect3DTrace() { return d3d::TakeTrace(); }

int DrawsOutsideScene() { return d3d::TheCounters().drawsOutsideScene; }

std::uint32_t SurfacePixelArgb(DirectDrawSurface7* surface, int x, int y) {
  ddraw::Guard guard(ddraw::Mutex());
  const pixels::View view = ddraw::SurfaceView(surface);
  if (x < 0 || y < 0 || x >= view.width || y >= view.height) return 0;
  const int bytes = pixels::BytesPerPixel(view.layout);
  const std::uint32_t raw = d3d::ReadRawAt(pixels::PixelAddress(view, x, y), bytes);
  if (view.layout.bitsPerPixel == 8) return 0xFF000000u | pixels::RawToRgb(view, raw);
  return d3d::WidenByLayout(view.layout, raw);
}

std::uint16_t DepthAt(DirectDrawSurface7* zSurface, int x, int y) {
  ddraw::Guard guard(ddraw::Mutex());
  const pixels::View view = ddraw::SurfaceView(zSurface);
  if (x < 0 || y < 0 || x >= view.width || y >= view.height) return 0;
  return static_cast<std::uint16_t>(d3d::ReadRawAt(pixels::PixelAddress(view, x, y), 2));
}

bool DeviceLight(Direct3DDevice7* device, std::uint32_t index, D3DLight7* light, bool* enabled) {
  ddraw::Guard guard(ddraw::Mutex());
  const D3DLight7* found = static_cast<d3d::DeviceObject*>(device)->Light(index, enabled);
  if (found == nullptr) return false;
  if (light != nullptr) *light = *found;
  return true;
}

D3DMaterial7 DeviceMaterial(Direct3DDevice7* device) {
  ddraw::Guard guard(ddraw::Mutex());
  return static_cast<d3d::DeviceObject*>(device)->Material();
}

void UseSpecialisedSpans(bool on) { d3d::SetFastSpansEnabled(on); }

void ResetDirect3DStandIn() {
  d3d::EnsureRegistered();
  d3d::SetTracing(false);
  d3d::TheCounters() = d3d::Counters{};
  d3d::SetFastSpansEnabled(true);
  const char* env = std::getenv("ZELVO_D3D_PROFILE");
  d3d::ChooseProfile(env != nullptr && env[0] != '\0' ? static_cast<char>(env[0] & ~0x20) : 'A');
}

}  // namespace pf::testing
