// Writes the input as an archive into a scratch folder, then, inside that folder, lists every folder
// of the archive and reads every entry through the archive-aware file operations, plainly and
// asynchronously.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "media/core/archive_files.h"
#include "media/core/file_ops.h"
#include "fuzz/scratch_folder.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace {

std::string g_folder;
int g_opens = 0;

void ReadEntry(const std::string& path, int asyncFlag) {
  if (++g_opens > 64) return;
  zelvo::FileHandle file = zelvo::FileOpen(path.c_str(), 0, 1, asyncFlag);
  if (file == 0) return;
  std::uint8_t buffer[4096];
  for (int i = 0; i < 64; ++i) {
    int got = zelvo::FileRead(buffer, 1, sizeof buffer, file);
    while (zelvo::FileIdleCheck(file) == 0) {
    }
    if (got <= 0) break;
  }
  zelvo::FileSeek(file, -7, 2);
  zelvo::FileRead(buffer, 3, 5, file);
  zelvo::FilePositionAtEnd(file);
  zelvo::FileClose(file);
}

void Walk(const std::string& folder, int depth) {
  if (depth > 3) return;
  zelvo::FileFindInfo info;
  std::string pattern = folder + "\\*";
  zelvo::FindHandle search = zelvo::g_fileOps.findFirst(pattern.c_str(), &info);
  if (search == -1) return;
  int listed = 0;
  do {
    if (++listed > 64) break;
    if (std::strcmp(info.name, ".") == 0 || std::strcmp(info.name, "..") == 0 || info.name[0] == '\0') continue;
    std::string path = folder + "\\" + info.name;
    if (info.isDirectory) {
      Walk(path, depth + 1);
    } else {
      ReadEntry(path, listed & 1);
    }
  } while (zelvo::g_fileOps.findNext(search, &info) == 0);
  zelvo::g_fileOps.findClose(search);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = zelvo_test::MakeScratchFolder("archive_open_fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelvo_test::WriteFileBytes(g_folder + "/X.ZVA", std::vector<std::uint8_t>(data, data + size));
  zelvo_fuzz::InScratchFolder inside(g_folder);
  if (!inside.entered()) __builtin_trap();
  g_opens = 0;
  Walk("x", 0);
  ReadEntry("x\\A", 0);
  zelvo::FreeUnusedArchives();
  return 0;
}
