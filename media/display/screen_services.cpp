#include "media/display/screen_services.h"

namespace zelvo {
namespace {

ScreenServices services{};

}  // namespace

ScreenServices& Services() { return services; }

void ResetScreenServices() { services = ScreenServices{}; }

pf::WindowHandle ServiceMainWindow() { return services.mainWindow != nullptr ? services.mainWindow() : nullptr; }

int ServiceWindowMode() { return services.windowMode != nullptr ? services.windowMode() : 1; }

int ServiceMenuEnabled() { return services.menuEnabled != nullptr ? services.menuEnabled() : 0; }

int ServiceOsVersionCode() { return services.osVersionCode != nullptr ? services.osVersionCode() : 0x107; }

int ServiceGraphicsEnding() { return services.graphicsEnding != nullptr ? services.graphicsEnding() : 0; }

int ServiceGetDrawTarget() { return services.getDrawTarget != nullptr ? services.getDrawTarget() : -2; }

void ServiceSelectDrawTarget(int target) {
  if (services.selectDrawTarget != nullptr) services.selectDrawTarget(target);
}

std::uint32_t ServiceGetTransparentColor() {
  return services.getTransparentColor != nullptr ? services.getTransparentColor() : 0;
}

int ServiceStartDirect3D() { return services.startDirect3D != nullptr ? services.startDirect3D() : 0; }

void ServiceCall(void (*entry)()) {
  if (entry != nullptr) entry();
}

}  // namespace zelvo
