#include "support/test_paths.h"

#include <filesystem>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include <unistd.h>

namespace zelvo_test {

std::string MakeScratchFolder(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path base = fs::temp_directory_path() / ("zelvo_test_" + std::to_string(getpid()));
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
