#pragma once
// The system report written at start-up and the system-information record it fills.
#include <cstdint>

namespace zelvo {

struct SystemInfo {
  int osCode;                  // 263 on this platform
  char osText[256];
  int directXVersion;          // 0x70000
  int mmxUsable;
  int timeStampCounter;        // 1 when the processor has one
  int cpuSpeedMhz;
  std::uint64_t timeStampFrequency;
  char cpuName[49];
  std::uint64_t totalPhysicalMemory;
  std::uint64_t freePhysicalMemory;
  // Filled by the display back-end when it starts.
  char videoDriverName[64];
  char videoDriverDescription[128];
  std::uint64_t videoMemoryTotal;
  std::uint64_t videoMemoryFree;
};

void WriteSystemReport();
SystemInfo* SystemInfoRecord();
int IsMmxAvailable();

}  // namespace zelvo
