#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include <unistd.h>

namespace zelvo_test {

namespace {

std::filesystem::path ProcessScratchBase() {
  return std::filesystem::temp_directory_path() / ("zelvo_test_" + std::to_string(getpid()));
}

// The process's scratch base goes when the process ends: left behind, one folder per test process
// piles up in the temporary folder, and every lookup there that needs its listing reads them all.
void RemoveProcessScratchBase() {
  std::error_code ec;
  std::filesystem::remove_all(ProcessScratchBase(), ec);
}

}  // namespace

std::string MakeScratchFolder(const std::string& name) {
  namespace fs = std::filesystem;
  static const bool removalRegistered = std::atexit(RemoveProcessScratchBase) == 0;
  (void)removalRegistered;
  fs::path base = ProcessScratchBase();
  fs::path dir = base / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

void RemoveFolderTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

std::string MakeScratchFolderForCurrentTest() {
  return MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

void ScratchFolderTest::SetUp() {
  root_ = MakeScratchFolderForCurrentTest();
  ASSERT_TRUE(pf::SetCurrentDirectory(pf::HostPathToWindows(root_).c_str()));
}

void ScratchFolderTest::TearDown() {
  pf::testing::ClearFaults();
  pf::SetCurrentDirectory("Z:\\");
  RemoveFolderTree(root_);
}

}  // namespace zelvo_test
