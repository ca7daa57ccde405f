// The system report: library version, OS identity, processor and its speed, written to the log at
// start-up into the system-information record.
#include "media/core/system_report.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace zelvo {
namespace {

constexpr int kOsCode = 263;            // the plain NT path of the back-ends, no temporary primary
constexpr int kDirectXVersion = 0x70000;
constexpr char kLibraryVersion[] = "2.24b";

SystemInfo g_systemInfo{};

struct ProcessorId {
  int level;                 // 0 no identification instruction, 1 without MMX, 3 with MMX
  int timeStampCounter;
  char vendor[13];
  char brand[49];
};

ProcessorId IdentifyProcessor() {
  ProcessorId id{};
  if (!pf::CpuIdAvailable()) return id;
  pf::CpuIdRegisters r{};
  pf::CpuId(0, &r);
  std::memcpy(id.vendor + 0, &r.ebx, 4);
  std::memcpy(id.vendor + 4, &r.edx, 4);
  std::memcpy(id.vendor + 8, &r.ecx, 4);
  pf::CpuId(1, &r);
  id.timeStampCounter = (r.edx >> 4) & 1;
  id.level = ((r.edx >> 23) & 1) != 0 ? 3 : 1;
  pf::CpuId(0x80000000u, &r);
  if (r.eax >= 0x80000004u) {
    for (std::uint32_t leaf = 0; leaf < 3; ++leaf) {
      pf::CpuId(0x80000002u + leaf, &r);
      std::memcpy(id.brand + leaf * 16 + 0, &r.eax, 4);
      std::memcpy(id.brand + leaf * 16 + 4, &r.ebx, 4);
      std::memcpy(id.brand + leaf * 16 + 8, &r.ecx, 4);
      std::memcpy(id.brand + leaf * 16 + 12, &r.edx, 4);
    }
  }
  return id;
}

// Counts time-stamp ticks over at least 100 ms of timeGetTime.
void MeasureProcessorSpeed() {
  std::uint64_t start = pf::ReadTimeStampCounter();
  std::uint32_t begin = pf::timeGetTime();
  while (pf::timeGetTime() - begin < 100) {
  }
  std::uint64_t ticks = pf::ReadTimeStampCounter() - start;
  g_systemInfo.cpuSpeedMhz = static_cast<int>(static_cast<double>(ticks) * 0.00001);
  g_systemInfo.timeStampFrequency = ticks * 10;
  WriteLogFormat("ＣＰＵ動作速度：大体%.2fGHz", g_systemInfo.cpuSpeedMhz * 0.001);
}

void WriteOsIdentity() {
  utsname names{};
  if (uname(&names) != 0) {
    std::strcpy(names.sysname, "Unknown");
    names.release[0] = '\0';
  }
  WriteLogText("ＯＳ  ");
  g_systemInfo.osCode = kOsCode;
  StringPrintf(g_systemInfo.osText, sizeof g_systemInfo.osText, "%s ( Build %d %s )", names.sysname, 0,
               names.release);
  WriteLogFormat("%s", g_systemInfo.osText);
}

}  // namespace

void WriteSystemReport() {
  WriteLogText("システムの情報を出力します\n");
  PushLogIndent();
  char line[64];
  StringPrintf(line, sizeof line, "ゼルボライブラリ Ver%s\n", kLibraryVersion);
  WriteLogText(line);
  WriteOsIdentity();
  g_systemInfo.directXVersion = kDirectXVersion;
  pf::timeBeginPeriod(pf::TimerMinimumPeriod());

  ProcessorId id = IdentifyProcessor();
  g_systemInfo.timeStampCounter = id.timeStampCounter;
  if (id.timeStampCounter != 0) MeasureProcessorSpeed();
  if (id.level == 0) {
    WriteLogText("ＣＰＵＩＤ命令は使えません\n");
  } else if (id.level == 1) {
    WriteLogText("ＭＭＸは使えません\n");
  } else {
    WriteLogText("ＭＭＸ命令を使用します\n");
    g_systemInfo.mmxUsable = 1;
  }
  if (id.level >= 1) {
    WriteLogText("ＣＰＵベンダ：");
    for (int piece = 0; piece < 3; ++piece) {
      char four[5] = {};
      std::memcpy(four, id.vendor + piece * 4, 4);
      WriteLogText(four);
    }
    WriteLogText("\n");
    if (id.brand[0] != '\0') {
      WriteLogFormat("ＣＰＵ名：%s", id.brand);
      std::memcpy(g_systemInfo.cpuName, id.brand, sizeof g_systemInfo.cpuName);
    }
  }
  PopLogIndent();

  if (g_systemInfo.directXVersion < kDirectXVersion) {
    pf::MessageBox(nullptr,
                   g_systemInfo.directXVersion == 0 ? "DirectX がインストールされていないのでここで終了します"
                                                    : "DirectX バージョン 7 以前なのでソフトを起動することが出来ません",
                   "エラー", pf::MB_OK);
    std::exit(-1);
  }
}

SystemInfo* SystemInfoRecord() { return &g_systemInfo; }

int IsMmxAvailable() { return g_systemInfo.mmxUsable; }

}  // namespace zelvo
