// Arbitrary bytes as a save slot's file, read for the load screen's summary line into buffers of
// chosen sizes: whatever the file holds, the slot reads as whole or damaged and the line is
// NUL-terminated within its buffer, starts with the slot's number.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "game/shell/save_files.h"
#include "game/shell/save_load_screen.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr int kSummaryBytes = 100;   // the screen's line buffer
std::string g_folder;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// The files live in a fresh folder under TMPDIR, which becomes the current folder: give the corpus
// as an absolute path.
void Setup() {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp != nullptr ? temp : "/tmp") + "/zelvo-summary-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  if (mkdir((g_folder + "/save").c_str(), 0777) != 0) std::abort();
  if (!pf::SetCurrentDirectory(pf::HostPathToWindows(g_folder).c_str())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_folder.empty()) Setup();
  if (size < 1 || size > (1u << 16)) return 0;
  const int slot = data[0] % 20;
  char path[32];
  horundel::SaveSlotPath(slot, path, sizeof path);
  std::string hostPath = path;
  for (char& c : hostPath) c = c == '\\' ? '/' : c;
  std::FILE* file = std::fopen((g_folder + "/" + hostPath).c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
  std::fclose(file);

  char number[8];
  std::snprintf(number, sizeof number, "%02d: ", slot + 1);
  for (int room : {kSummaryBytes, 1 + data[0] % 40}) {
    char line[kSummaryBytes + 16];
    std::memset(line, 0x55, sizeof line);
    const int state = horundel::ReadSlotSummary(slot, line, room);
    // A file is there, so the slot is never empty: it is whole or damaged.
    Require(state == horundel::kSlotValid || state == horundel::kSlotDamaged);
    const std::size_t length = std::strlen(line);
    Require(length < static_cast<std::size_t>(room) && line[room] == 0x55);
    Require(std::strncmp(line, number, length < 4 ? length : 4) == 0);
  }
  std::remove((g_folder + "/" + hostPath).c_str());
  return 0;
}
