#pragma once
// A host window for the DirectDraw and GDI tests: a popup whose client area lies at (64, 48) on the
// desktop, so desktop and client coordinates differ.
#include "platform/ddraw/ddraw.h"
#include "platform/window/window.h"

namespace ddraw_test {

constexpr int kClientLeft = 64;
constexpr int kClientTop = 48;

inline pf::LResult TestWindowProc(pf::WindowHandle window, std::uint32_t message, pf::WParam w, pf::LParam l) {
  return pf::DefWindowProc(window, message, w, l);
}

inline pf::WindowHandle OpenTestWindow(int width = 640, int height = 480) {
  static const bool registered = [] {
    pf::WindowClass windowClass{};
    windowClass.procedure = &TestWindowProc;
    windowClass.className = "ddraw_test";
    return pf::RegisterClass(&windowClass) != 0;
  }();
  (void)registered;
  return pf::CreateWindowEx(0, "ddraw_test", "test", pf::WS_POPUP | pf::WS_VISIBLE, kClientLeft, kClientTop, width,
                            height, nullptr, nullptr, nullptr);
}

// Takes and dispatches what the window's queue holds (the host's events become messages on the way).
inline void PumpMessages() {
  pf::Message message{};
  for (int n = 0; n < 256 && pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE); ++n) pf::DispatchMessage(&message);
}

inline pf::DirectDraw7* MakeDirectDraw() {
  void* object = nullptr;
  if (pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectDraw7, &object) != pf::DD_OK) {
    return nullptr;
  }
  auto* directDraw = static_cast<pf::DirectDraw7*>(object);
  directDraw->Initialize(nullptr);
  return directDraw;
}

inline pf::SurfaceDesc Desc(std::uint32_t caps, int width = 0, int height = 0) {
  pf::SurfaceDesc desc{};
  desc.size = sizeof desc;
  desc.flags = pf::DDSD_CAPS;
  desc.caps.caps = caps;
  if (width > 0) {
    desc.flags |= pf::DDSD_WIDTH | pf::DDSD_HEIGHT;
    desc.width = static_cast<std::uint32_t>(width);
    desc.height = static_cast<std::uint32_t>(height);
  }
  return desc;
}

inline pf::SurfaceDesc DescWithFormat(std::uint32_t caps, int width, int height, std::uint32_t bits, std::uint32_t r,
                                      std::uint32_t g, std::uint32_t b, std::uint32_t a = 0) {
  pf::SurfaceDesc desc = Desc(caps, width, height);
  desc.flags |= pf::DDSD_PIXELFORMAT;
  desc.pixelFormat = pf::DDPixelFormat{sizeof(pf::DDPixelFormat),
                                       a != 0 ? pf::DDPF_RGB | pf::DDPF_ALPHAPIXELS : static_cast<std::uint32_t>(pf::DDPF_RGB),
                                       0, bits, r, g, b, a};
  return desc;
}

}  // namespace ddraw_test
