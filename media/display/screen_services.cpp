#include "media/display/screen_services.h"

#include "media/core/runtime_routines.h"
#include "media/core/message_pump.h"
#include "media/core/screen_log.h"
#include "media/core/system_report.h"
#include "media/core/window_mode.h"
#include "media/core/window_region.h"

namespace zelvo {
namespace {

void StoreVideoCardInfo(const char* driver, const char* description, std::uint32_t freeBytes,
                        std::uint32_t totalBytes) {
  SystemInfo* info = SystemInfoRecord();
  StringPrintf(info->videoDriverName, sizeof info->videoDriverName, "%s", driver);
  StringPrintf(info->videoDriverDescription, sizeof info->videoDriverDescription, "%s", description);
  info->videoMemoryFree = freeBytes;
  info->videoMemoryTotal = totalBytes;
}

// The library core is there from the start; the graphics front end and Direct3D fill in theirs.
ScreenServices CoreServices() {
  ScreenServices s{};
  s.mainWindow = &QueryMainWindow;
  s.windowMode = &QueryWindowMode;
  s.windowScaleRate = &QueryWindowScaleRate;
  s.menuEnabled = &QueryMenuEnabled;
  s.hasWindowRegion = &HasWindowRegion;
  s.applyWindowStyle = [] { ApplyWindowStyle(); };
  s.osVersionCode = [] { return SystemInfoRecord()->osCode; };
  s.mmxAvailable = &IsMmxAvailable;
  s.processMessage = [] { ProcessMessage(); };
  s.startScreenLog = [] { StartScreenLog(); };
  s.storeVideoCardInfo = &StoreVideoCardInfo;
  return s;
}

ScreenServices services = CoreServices();

}  // namespace

ScreenServices& Services() { return services; }

void ResetScreenServices() { services = CoreServices(); }

pf::WindowHandle ServiceMainWindow() { return services.mainWindow != nullptr ? services.mainWindow() : nullptr; }

int ServiceWindowMode() { return services.windowMode != nullptr ? services.windowMode() : 1; }

double ServiceWindowScaleRate() {
  const double rate = services.windowScaleRate != nullptr ? services.windowScaleRate() : 1.0;
  return rate > 0.0 ? rate : 1.0;
}

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
